#pragma once

#include "tablelayout.h"
#include "values.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tavimo {

// The record buffer of one table instance: the fixed record in its stored
// form plus the memo, which lives beside it.
class Record
{
public:
    explicit Record(const TableLayout &layout);

    const TableLayout &layout() const { return *m_layout; }
    void clear(); // texts blank, numbers, dates and times zero, memo empty

    const std::uint8_t *data() const { return m_data.data(); }
    std::uint8_t *data() { return m_data.data(); }
    int size() const { return int(m_data.size()); }

    const QString &memo() const { return m_memo; }
    void setMemo(const QString &text); // cut to the memo's length

    // Typed access by field index; a mismatched type reads as blank/zero and
    // is not written.
    QString text(int field) const;
    void setText(int field, const QString &value);
    Date date(int field) const;
    void setDate(int field, Date value);
    Time time(int field) const;
    void setTime(int field, Time value);
    Decimal decimal(int field) const;
    void setDecimal(int field, Decimal value);
    double real(int field) const;
    void setReal(int field, double value);
    int integer(int field) const; // Short and Byte fields
    void setInteger(int field, int value); // clamped to the field's range

    // Access by name ("PER:FIRSTNAME" or "FIRSTNAME"); unknown names read blank.
    QString text(const QString &name) const { return text(m_layout->fieldIndex(name)); }
    void setText(const QString &name, const QString &v) { setText(m_layout->fieldIndex(name), v); }
    Date date(const QString &name) const { return date(m_layout->fieldIndex(name)); }
    void setDate(const QString &name, Date v) { setDate(m_layout->fieldIndex(name), v); }
    Time time(const QString &name) const { return time(m_layout->fieldIndex(name)); }
    void setTime(const QString &name, Time v) { setTime(m_layout->fieldIndex(name), v); }
    Decimal decimal(const QString &name) const { return decimal(m_layout->fieldIndex(name)); }
    void setDecimal(const QString &name, Decimal v) { setDecimal(m_layout->fieldIndex(name), v); }
    double real(const QString &name) const { return real(m_layout->fieldIndex(name)); }
    void setReal(const QString &name, double v) { setReal(m_layout->fieldIndex(name), v); }
    int integer(const QString &name) const { return integer(m_layout->fieldIndex(name)); }
    void setInteger(const QString &name, int v) { setInteger(m_layout->fieldIndex(name), v); }

    // Clears one field to its blank value.
    void clearField(int field);
    bool fieldEquals(const Record &other, int field) const;

    bool operator==(const Record &other) const;
    Record &operator=(const Record &other);
    Record(const Record &other) = default;

private:
    const FieldDef *fieldOf(int index, FieldType type) const;
    std::uint8_t *at(const FieldDef &f) { return m_data.data() + f.offset; }
    const std::uint8_t *at(const FieldDef &f) const { return m_data.data() + f.offset; }

    const TableLayout *m_layout;
    std::vector<std::uint8_t> m_data;
    QString m_memo;
};

} // namespace tavimo
