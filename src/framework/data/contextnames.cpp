#include "contextnames.h"

#include "storedtable.h"
#include "threadcontext.h"

#include <cmath>

namespace tavimo {

FilterValue filterValueOf(const Record &record, int field)
{
    const FieldDef &f = record.layout().field(field);
    switch (f.type) {
    case FieldType::Text:
    case FieldType::CString:
        return FilterValue::fromText(record.text(field));
    case FieldType::Date:
        return FilterValue::fromDate(record.date(field));
    case FieldType::Time:
        return FilterValue::fromNumber(record.time(field).value());
    case FieldType::Real:
        return FilterValue::fromNumber(record.real(field));
    case FieldType::Decimal:
        return FilterValue::fromNumber(record.decimal(field).toDouble());
    case FieldType::Short:
    case FieldType::Byte:
        return FilterValue::fromNumber(record.integer(field));
    }
    return FilterValue();
}

void putFilterValue(Record &record, int field, const FilterValue &v)
{
    if (field < 0 || field >= record.layout().fieldCount())
        return;
    switch (record.layout().field(field).type) {
    case FieldType::Text:
    case FieldType::CString:
        record.setText(field, v.text);
        break;
    case FieldType::Date:
        record.setDate(field, Date(std::int32_t(v.number)));
        break;
    case FieldType::Time:
        record.setTime(field, Time(std::int32_t(v.number)));
        break;
    case FieldType::Real:
        record.setReal(field, v.number);
        break;
    case FieldType::Decimal:
        record.setDecimal(field, Decimal::fromCents(std::llround(v.number * 100)));
        break;
    case FieldType::Short:
    case FieldType::Byte:
        record.setInteger(field, int(v.number));
        break;
    }
}

std::optional<FilterValue> ContextNames::value(const QString &name) const
{
    if (m_local)
        if (auto v = m_local->value(name))
            return v;
    if (m_context.names())
        if (auto v = m_context.names()->value(name))
            return v;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString prefix = name.left(colon);
    for (const auto &table : m_context.tables()) {
        const TableLayout &layout = table->layout();
        if (layout.prefix().compare(prefix, Qt::CaseInsensitive) != 0)
            continue;
        const int field = layout.fieldIndex(name);
        if (field >= 0)
            return filterValueOf(table->record(), field);
        if (layout.memo() && layout.memo()->name.compare(name, Qt::CaseInsensitive) == 0)
            return FilterValue::fromText(table->record().memo());
    }
    return std::nullopt;
}

} // namespace tavimo
