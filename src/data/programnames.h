#pragma once

#include "filterexpression.h"

namespace tavimo {

// The names every filter of the program may use: the current person's
// name and social security number ("personname", "ssnum"), the report
// date range ("FromDate", "ToDate") and the prescription list's
// "NameOnPrescription", read from the process-wide values when a view binds.
class ProgramNames : public FilterNames
{
public:
    std::optional<FilterValue> value(const QString &name) const override;
    static const ProgramNames &instance();
};

} // namespace tavimo
