#include "csvcolumns.h"

#include "csvvalues.h"
#include "formspec.h"
#include "profilebindings.h"
#include "record.h"
#include "recordwindows.h"
#include "tablelayout.h"
#include "tables.h"

#include <cmath>

namespace tavimo::csv {

namespace {

constexpr int kShownValue = 60;

QString fieldName(const TableLayout &table, int field)
{
    return table.field(field).column;
}

// The picture of a number as a reason: "at most 3 characters, no
// decimals, not negative".
QString numberPictureText(const Picture &p)
{
    QString text = QStringLiteral("at most %1 characters").arg(p.width());
    text += p.decimals() > 0 ? QStringLiteral(", %1 decimals").arg(p.decimals()) : QStringLiteral(", no decimals");
    if (!p.isSigned())
        text += QStringLiteral(", not negative");
    return text;
}

QString tooLong(const QString &value, const QByteArray &utf8, const QString &field, int most)
{
    if (utf8.size() == value.size())
        return QStringLiteral("is %1 characters long; %2 holds at most %3").arg(value.size()).arg(field).arg(most);
    return QStringLiteral("takes %1 bytes as UTF-8; %2 holds at most %3").arg(utf8.size()).arg(field).arg(most);
}

} // namespace

QString quoted(const QString &value)
{
    QString shown = value.size() > kShownValue ? value.left(kShownValue) + QStringLiteral("...") : value;
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return shown;
}

bool ColumnPlan::build(const TableLayout &table, const std::vector<QString> &header,
                       const std::vector<std::pair<QString, QString>> &map, QString &problem)
{
    m_table = &table;
    m_columns.clear();
    m_columnOfField.assign(std::size_t(table.fieldCount()), -1);
    std::vector<bool> mapUsed(map.size(), false);
    int memoColumn = -1;

    for (const QString &raw : header) {
        Column c;
        c.heading = raw.trimmed();
        QString target = c.heading;
        bool mapped = false;
        for (std::size_t m = 0; m < map.size(); ++m) {
            if (map[m].first.trimmed().compare(c.heading, Qt::CaseInsensitive) == 0) {
                target = map[m].second.trimmed();
                mapped = true;
                mapUsed[m] = true;
                break;
            }
        }
        const int column = int(m_columns.size());
        if (mapped && target.isEmpty()) {
            c.kind = Kind::Left;
        } else if (!mapped && target.isEmpty()) {
            c.kind = Kind::Unnamed;
        } else if (const std::optional<MemoDef> &memo = table.memo();
                   memo && (target.compare(memo->column, Qt::CaseInsensitive) == 0
                            || target.compare(memo->name, Qt::CaseInsensitive) == 0)) {
            if (memoColumn >= 0) {
                problem = QStringLiteral("row 1: columns \"%1\" and \"%2\" both fill %3")
                              .arg(m_columns[std::size_t(memoColumn)].heading, c.heading, memo->column);
                return false;
            }
            c.kind = Kind::Memo;
            memoColumn = column;
        } else {
            c.field = table.fieldIndex(target);
            if (c.field < 0) {
                problem = mapped ? QStringLiteral("--map %1=%2: %3 has no field %2")
                                       .arg(c.heading, target, table.label())
                                 : QStringLiteral("row 1, column \"%1\": %2 has no field %1 "
                                                  "(--map \"%1\"=FIELD takes it, --map \"%1\"= leaves it out)")
                                       .arg(c.heading, table.label());
                return false;
            }
            int &owner = m_columnOfField[std::size_t(c.field)];
            if (owner >= 0) {
                problem = QStringLiteral("row 1: columns \"%1\" and \"%2\" both fill %3")
                              .arg(m_columns[std::size_t(owner)].heading, c.heading, fieldName(table, c.field));
                return false;
            }
            owner = column;
        }
        m_columns.push_back(std::move(c));
    }
    for (std::size_t m = 0; m < map.size(); ++m) {
        if (!mapUsed[m]) {
            problem = QStringLiteral("--map %1=%2: the file has no column \"%1\"").arg(map[m].first, map[m].second);
            return false;
        }
    }
    // A date followed by its time in the table may carry that time in the
    // same value; a column of the time's own gives it instead.
    for (Column &c : m_columns) {
        if (c.kind != Kind::Field || table.field(c.field).type != FieldType::Date)
            continue;
        const int next = c.field + 1;
        if (next < table.fieldCount() && table.field(next).type == FieldType::Time) {
            c.takesTime = true;
            c.timeField = m_columnOfField[std::size_t(next)] < 0 ? next : -1;
        }
    }
    addFormRules(table);
    return true;
}

// The pictures and ranges the table's entry forms put on what is typed.
void ColumnPlan::addFormRules(const TableLayout &table)
{
    for (const FormSpec *spec : declaredForms()) {
        if (table.label().compare(QString::fromLatin1(spec->table), Qt::CaseInsensitive) != 0)
            continue;
        for (const FormTab &tab : spec->tabs) {
            for (const FormRow &row : tab.rows) {
                const int field = table.fieldIndex(QString::fromLatin1(row.field));
                const int column = field >= 0 ? m_columnOfField[std::size_t(field)] : -1;
                if (column < 0)
                    continue;
                Column &c = m_columns[std::size_t(column)];
                if (*row.picture && !c.picture)
                    c.picture = Picture::parse(QString::fromLatin1(row.picture));
                if (row.kind == RowKind::Spin && row.high > row.low && c.high <= c.low) {
                    c.low = row.low;
                    c.high = row.high;
                }
            }
        }
    }
}

int ColumnPlan::columnOf(int field) const
{
    if (field < 0 || field >= int(m_columnOfField.size()))
        return -1;
    return m_columnOfField[std::size_t(field)];
}

QString ColumnPlan::describe(int column) const
{
    if (column < 0 || column >= size())
        return QStringLiteral("column ?");
    const Column &c = m_columns[std::size_t(column)];
    QString target;
    if (c.kind == Kind::Field)
        target = fieldName(*m_table, c.field);
    else if (c.kind == Kind::Memo)
        target = m_table->memo()->column;
    if (c.heading.isEmpty())
        return QStringLiteral("column %1").arg(column + 1);
    if (target.isEmpty() || target.compare(c.heading, Qt::CaseInsensitive) == 0)
        return QStringLiteral("column %1").arg(target.isEmpty() ? c.heading : target);
    return QStringLiteral("column \"%1\" (%2)").arg(c.heading, target);
}

bool ColumnPlan::apply(const std::vector<QString> &values, Record &record, QString &problem) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const Column &c = m_columns[i];
        const QString &value = values[i];
        QString reason;
        switch (c.kind) {
        case Kind::Left:
            continue;
        case Kind::Unnamed:
            if (!value.trimmed().isEmpty())
                reason = QStringLiteral("has no heading, yet holds a value");
            break;
        case Kind::Memo:
            if (value.size() > m_table->memo()->maxChars)
                reason = QStringLiteral("is %1 characters long; %2 holds at most %3")
                             .arg(value.size())
                             .arg(m_table->memo()->column)
                             .arg(m_table->memo()->maxChars);
            else
                record.setMemo(value);
            break;
        case Kind::Field:
            reason = putValue(c, value, record);
            break;
        }
        if (!reason.isEmpty()) {
            problem = QStringLiteral("%1: \"%2\" %3").arg(describe(int(i)), quoted(value), reason);
            return false;
        }
    }
    return true;
}

QString ColumnPlan::putValue(const Column &c, const QString &value, Record &record) const
{
    switch (m_table->field(c.field).type) {
    case FieldType::Text:
    case FieldType::CString:
        return putText(c, value, record);
    case FieldType::Date:
        return putDate(c, value, record);
    case FieldType::Time: {
        if (value.trimmed().isEmpty()) {
            record.setTime(c.field, Time());
            return {};
        }
        const std::optional<Time> time = parseTime(value);
        if (!time)
            return QStringLiteral("is not a time like 07:30 or 07:30:15");
        record.setTime(c.field, *time);
        return {};
    }
    case FieldType::Real:
    case FieldType::Short:
    case FieldType::Byte:
    case FieldType::Decimal:
        return putNumber(c, value, record);
    }
    return {};
}

QString ColumnPlan::putText(const Column &c, const QString &value, Record &record) const
{
    const FieldDef &f = m_table->field(c.field);
    QString text = value;
    if (c.picture && c.picture->kind() == Picture::Kind::Template) {
        const std::optional<QString> laidOut = c.picture->parseText(value);
        if (!laidOut)
            return QStringLiteral("is not like %1").arg(c.picture->text());
        text = *laidOut;
    } else if (c.picture && c.picture->kind() == Picture::Kind::Text && !c.picture->parseText(value)) {
        return QStringLiteral("is longer than the %1 characters the entry form takes").arg(c.picture->width());
    }
    if (m_table == &tables::personsName() && f.column == QLatin1String("HEIGHT")) {
        const std::optional<QString> height = HeightBinding::read(value);
        if (!height)
            return QStringLiteral("is not a height like 5'10\" or 5'4\"");
        text = *height;
    }
    const QByteArray utf8 = text.toUtf8();
    const int most = f.type == FieldType::Text ? f.size : f.size - 1;
    if (utf8.size() > most)
        return tooLong(text, utf8, f.column, most);
    record.setText(c.field, text);
    return {};
}

QString ColumnPlan::putDate(const Column &c, const QString &value, Record &record) const
{
    if (value.trimmed().isEmpty()) {
        record.setDate(c.field, Date());
        if (c.timeField >= 0)
            record.setTime(c.timeField, Time());
        return {};
    }
    const std::optional<DateTime> when = parseDateTime(value);
    if (!when) {
        return c.takesTime ? QStringLiteral("is not a date like 2026-10-01, nor a date and time like "
                                            "2026-10-01 07:30")
                           : QStringLiteral("is not a date like 2026-10-01");
    }
    if (!when->time.isNull() && !c.takesTime)
        return QStringLiteral("has a time of day, but %1 keeps no time with %2")
            .arg(m_table->label(), m_table->field(c.field).column);
    record.setDate(c.field, when->date);
    if (c.timeField >= 0)
        record.setTime(c.timeField, when->time);
    return {};
}

QString ColumnPlan::putNumber(const Column &c, const QString &value, Record &record) const
{
    const FieldDef &f = m_table->field(c.field);
    const std::optional<Number> n = value.trimmed().isEmpty() ? std::optional<Number>(Number{}) : parseNumber(value);
    if (!n)
        return QStringLiteral("is not a number (like 120 or 36.6, with a point)");
    if (c.picture && c.picture->kind() == Picture::Kind::Number) {
        const Picture &p = *c.picture;
        if (int(n->fraction.size()) > p.decimals() || n->shownWidth(p.decimals()) > p.width()
            || (n->negative && !p.isSigned() && !(n->whole.isEmpty() && n->fraction.isEmpty())))
            return QStringLiteral("does not fit the entry form's %1 (%2)").arg(p.text(), numberPictureText(p));
    }
    if (c.high > c.low) {
        const double v = n->real();
        if (v < c.low || v > c.high)
            return QStringLiteral("is not between %1 and %2").arg(c.low).arg(c.high);
    }
    switch (f.type) {
    case FieldType::Real: {
        const double v = n->real();
        if (!std::isfinite(v))
            return QStringLiteral("is too large a number");
        record.setReal(c.field, v);
        return {};
    }
    case FieldType::Decimal: {
        const std::optional<Decimal> d = n->decimal();
        if (!d)
            return QStringLiteral("has more than two decimals; %1 keeps cents").arg(f.column);
        if (!d->fitsPacked())
            return QStringLiteral("is out of range: %1 holds from -99999.99 to 99999.99").arg(f.column);
        record.setDecimal(c.field, *d);
        return {};
    }
    default: {
        const bool isShort = f.type == FieldType::Short;
        const std::optional<std::int64_t> i = n->integer();
        if (!i)
            return QStringLiteral("is not a whole number");
        const int low = isShort ? -32768 : 0;
        const int high = isShort ? 32767 : 255;
        if (*i < low || *i > high)
            return QStringLiteral("is out of range: %1 holds whole numbers from %2 to %3").arg(f.column).arg(low).arg(high);
        record.setInteger(c.field, int(*i));
        return {};
    }
    }
}

} // namespace tavimo::csv
