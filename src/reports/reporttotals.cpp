#include "reporttotals.h"

#include <algorithm>

namespace tavimo {

void ReportTotal::reset()
{
    *this = ReportTotal(m_exact);
}

void ReportTotal::add(double value)
{
    m_sum += value;
    m_min = m_values == 0 ? value : std::min(m_min, value);
    m_max = m_values == 0 ? value : std::max(m_max, value);
    ++m_values;
}

void ReportTotal::add(Decimal value)
{
    if (!m_exact) {
        add(value.toDouble());
        return;
    }
    const qint64 cents = value.cents();
    m_sumCents += cents;
    m_minCents = m_values == 0 ? cents : std::min(m_minCents, cents);
    m_maxCents = m_values == 0 ? cents : std::max(m_maxCents, cents);
    ++m_values;
}

double ReportTotal::value(TotalKind kind) const
{
    if (kind == TotalKind::Count)
        return double(m_records);
    if (m_exact && kind != TotalKind::Average)
        return exact(kind).toDouble();
    switch (kind) {
    case TotalKind::Average:
        if (m_values == 0)
            return 0;
        // The exact sum divided once, so the mean is as close as a double gets.
        return m_exact ? double(m_sumCents) / (100.0 * double(m_values)) : m_sum / double(m_values);
    case TotalKind::Minimum:
        return m_values == 0 ? 0 : m_min;
    case TotalKind::Maximum:
        return m_values == 0 ? 0 : m_max;
    case TotalKind::Sum:
        return m_sum;
    case TotalKind::None:
    case TotalKind::Count:
        break;
    }
    return 0;
}

Decimal ReportTotal::exact(TotalKind kind) const
{
    switch (kind) {
    case TotalKind::Minimum:
        return Decimal::fromCents(m_values == 0 ? 0 : m_minCents);
    case TotalKind::Maximum:
        return Decimal::fromCents(m_values == 0 ? 0 : m_maxCents);
    case TotalKind::Sum:
        return Decimal::fromCents(m_sumCents);
    default:
        return Decimal();
    }
}

} // namespace tavimo
