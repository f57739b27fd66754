#pragma once

#include "reportlayout.h"
#include "values.h"

#include <QtGlobal>

namespace tavimo {

// One running total: the records counted and the values seen, kept at full
// precision. Values of a decimal field stay exact (cents); all others are
// doubles. Count counts records, whether or not they gave a value.
class ReportTotal
{
public:
    explicit ReportTotal(bool exact = false) : m_exact(exact) {}

    bool isExact() const { return m_exact; }
    void reset();

    void countRecord() { ++m_records; }
    void add(double value);
    void add(Decimal value); // on an exact total; a double one takes its value

    qint64 records() const { return m_records; }
    qint64 values() const { return m_values; }

    // What `kind` shows; 0 for an average, minimum or maximum of no values.
    double value(TotalKind kind) const;
    // The exact sum, minimum or maximum of a decimal field.
    Decimal exact(TotalKind kind) const;

private:
    bool m_exact;
    qint64 m_records = 0;
    qint64 m_values = 0;
    double m_sum = 0, m_min = 0, m_max = 0;
    qint64 m_sumCents = 0, m_minCents = 0, m_maxCents = 0;
};

} // namespace tavimo
