#pragma once

#include "picturebinding.h"

#include <optional>

namespace tavimo {

// A height typed as feet and one or two inch digits (5'4", 5'10", 5 4):
// stored as the feet digit, an apostrophe, two inch digits and a double
// quote. Only 0 to 11 inches are taken.
class HeightBinding : public FieldBinding
{
public:
    using FieldBinding::FieldBinding;
    void load(const Record &record) override;
    bool store(Record &record, QString *reason = nullptr) override;

    // The stored form of a typed height; std::nullopt when it is not one.
    // A blank entry gives the blank height.
    static std::optional<QString> read(const QString &entry);
};

// A date of birth: a date, and not after today.
class BirthdateBinding : public PictureBinding
{
public:
    using PictureBinding::PictureBinding;
    bool store(Record &record, QString *reason = nullptr) override;
};

} // namespace tavimo
