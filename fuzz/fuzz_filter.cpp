// Arbitrary text as a filter: whatever parses is bound to real tables,
// evaluated against rows (one of them made of the input's own bytes), and
// split into key constraints, which must hold for every row that matches.
#include "filterexpression.h"
#include "record.h"
#include "tablelayout.h"
#include "tables.h"
#include "values.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tavimo;

namespace {

const FilterNameList &names()
{
    static const FilterNameList list = [] {
        FilterNameList n;
        n.set(QStringLiteral("personname"), FilterValue::fromText(QStringLiteral("Ann Lee")));
        n.set(QStringLiteral("ssnum"), FilterValue::fromText(QStringLiteral("123-45-6789")));
        n.set(QStringLiteral("FromDate"), FilterValue::fromDate(Date::fromYmd(2024, 1, 1)));
        n.set(QStringLiteral("ToDate"), FilterValue::fromDate(Date::fromYmd(2024, 1, 31)));
        n.set(QStringLiteral("NameOnPrescription"), FilterValue::fromText(QStringLiteral("\u00c4nn  ")));
        n.set(QStringLiteral("BOD1:BodySection"), FilterValue::fromText(QStringLiteral("Head")));
        n.set(QStringLiteral("limit"), FilterValue::fromNumber(-2.5));
        return n;
    }();
    return list;
}

// Every kind of field set to something, on the given table.
Record filled(const TableLayout &layout)
{
    Record r(layout);
    for (int i = 0; i < layout.fieldCount(); ++i) {
        switch (layout.field(i).type) {
        case FieldType::Text:
        case FieldType::CString: r.setText(i, i % 3 ? QStringLiteral("Ann Lee") : QStringLiteral("\u00e4rztin Y")); break;
        case FieldType::Date: r.setDate(i, Date::fromYmd(2024, 1, 1 + i % 28)); break;
        case FieldType::Time: r.setTime(i, Time::fromHms(i % 24, 30)); break;
        case FieldType::Real: r.setReal(i, 120.5 - i); break;
        case FieldType::Short:
        case FieldType::Byte: r.setInteger(i, i); break;
        case FieldType::Decimal: r.setDecimal(i, Decimal::fromCents(1250 - 100 * i)); break;
        }
    }
    return r;
}

// The constraint checked through the record's own getters.
bool satisfies(const Record &r, const BoundFilter::Constraint &c)
{
    const FieldDef &f = r.layout().field(c.field);
    int order = 0;
    if (isTextType(f.type)) {
        QString value = r.text(c.field);
        while (value.endsWith(QLatin1Char(' ')))
            value.chop(1);
        if (c.upper)
            value = value.toUpper();
        if (c.lower)
            value = value.toLower();
        const std::string a = value.toStdString();
        const std::string b = c.value.text.toStdString();
        order = a.compare(b);
    } else {
        double value = 0;
        switch (f.type) {
        case FieldType::Date: value = r.date(c.field).dayNumber(); break;
        case FieldType::Time: value = r.time(c.field).value(); break;
        case FieldType::Real: value = r.real(c.field); break;
        case FieldType::Decimal: value = r.decimal(c.field).toDouble(); break;
        default: value = r.integer(c.field); break;
        }
        if (!(value < c.value.number) && !(value > c.value.number) && !(value == c.value.number))
            return false;
        order = value < c.value.number ? -1 : (value > c.value.number ? 1 : 0);
    }
    switch (c.op) {
    case BoundFilter::Constraint::Op::Eq: return order == 0;
    case BoundFilter::Constraint::Op::Lt: return order < 0;
    case BoundFilter::Constraint::Op::Le: return order <= 0;
    case BoundFilter::Constraint::Op::Gt: return order > 0;
    case BoundFilter::Constraint::Op::Ge: return order >= 0;
    }
    return false;
}

void checkRow(const BoundFilter &filter, const Record &row, bool wellFormed)
{
    if (!filter.matches(row) || !wellFormed)
        return;
    for (const BoundFilter::Disjunct &d : filter.disjuncts()) {
        bool all = true;
        for (const BoundFilter::Constraint &c : d.constraints)
            all = all && satisfies(row, c);
        if (all)
            return;
    }
    std::abort(); // a matching row outside every disjunct
}

void exercise(const FilterExpression &expr, const TableLayout &layout, const std::uint8_t *data, std::size_t size)
{
    QString error;
    const auto bound = expr.bind(layout, names(), &error, Date::fromYmd(2024, 6, 15));
    if (!bound) {
        if (error.isEmpty())
            std::abort();
        return;
    }
    if (bound->disjuncts().empty() || bound->disjuncts().size() > std::size_t(BoundFilter::MaxDisjuncts))
        std::abort();

    checkRow(*bound, Record(layout), true);
    checkRow(*bound, filled(layout), true);

    // Stored bytes no form would write: bad dates, NaNs, broken UTF-8.
    Record raw(layout);
    for (int i = 0; i < raw.size() && size > 0; ++i)
        raw.data()[i] = data[std::size_t(i) % size];
    checkRow(*bound, raw, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const auto expr = FilterExpression::parse(text, &error);
    if (!expr) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (expr->text() != text)
        std::abort();
    exercise(*expr, tables::prescripts(), data, size);
    exercise(*expr, tables::symptoms(), data, size);
    return 0;
}
