#pragma once

#include "fieldbinding.h"
#include "picture.h"

namespace tavimo {

// A line edit showing a field through a display picture and reading back
// what is typed through the same picture: dates, times, numbers, decimals
// and templates such as "(###) ###-####".
class PictureBinding : public FieldBinding
{
public:
    PictureBinding(QWidget *control, int field, const Picture &picture);

    void load(const Record &record) override;
    bool store(Record &record, QString *reason = nullptr) override;

    const Picture &picture() const { return m_picture; }
    // What the entry must look like, for the message that refuses one:
    // "a date like 12/31/2026".
    QString expectedForm() const;

private:
    Picture m_picture;
};

} // namespace tavimo
