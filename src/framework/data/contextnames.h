#pragma once

#include "filterexpression.h"

namespace tavimo {

class ThreadContext;

// The names a context's filters can use: what the procedures bound (looked
// at first), the program's own names (personname, ssnum, the report dates,
// ...), and the fields of every table's current record in the context
// ("BOD1:BODYSECTION").
class ContextNames : public FilterNames
{
public:
    explicit ContextNames(ThreadContext &context, const FilterNames *local = nullptr)
        : m_context(context), m_local(local)
    {
    }
    std::optional<FilterValue> value(const QString &name) const override;

private:
    ThreadContext &m_context;
    const FilterNames *m_local;
};

// A field of a record as a filter value, and a filter value put back into
// a field (out-of-range fields are left alone).
FilterValue filterValueOf(const Record &record, int field);
void putFilterValue(Record &record, int field, const FilterValue &value);

} // namespace tavimo
