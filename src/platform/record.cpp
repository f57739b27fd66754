#include "record.h"

#include "storedform.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

namespace tavimo {

Record::Record(const TableLayout &layout)
    : m_layout(&layout), m_data(std::size_t(layout.recordSize()))
{
    clear();
}

Record &Record::operator=(const Record &other)
{
    // Buffers of different tables never mix; copying keeps this layout.
    Q_ASSERT(other.m_layout == m_layout);
    if (other.m_layout == m_layout) {
        m_data = other.m_data;
        m_memo = other.m_memo;
    }
    return *this;
}

bool Record::operator==(const Record &other) const
{
    return m_layout == other.m_layout && m_data == other.m_data && m_memo == other.m_memo;
}

void Record::clear()
{
    for (int i = 0; i < m_layout->fieldCount(); ++i)
        clearField(i);
    m_memo.clear();
}

void Record::clearField(int index)
{
    if (index < 0 || index >= m_layout->fieldCount())
        return;
    const FieldDef &f = m_layout->field(index);
    std::memset(at(f), f.type == FieldType::Text ? ' ' : 0, std::size_t(f.size));
}

bool Record::fieldEquals(const Record &other, int index) const
{
    if (index < 0 || index >= m_layout->fieldCount() || other.m_layout != m_layout)
        return false;
    const FieldDef &f = m_layout->field(index);
    return std::memcmp(at(f), other.at(f), std::size_t(f.size)) == 0;
}

void Record::setMemo(const QString &text)
{
    const int max = m_layout->memo() ? m_layout->memo()->maxChars : 0;
    m_memo = text.left(max);
}

const FieldDef *Record::fieldOf(int index, FieldType type) const
{
    if (index < 0 || index >= m_layout->fieldCount())
        return nullptr;
    const FieldDef &f = m_layout->field(index);
    if (f.type == type)
        return &f;
    if (isTextType(type) && isTextType(f.type))
        return &f;
    if ((type == FieldType::Short || type == FieldType::Byte)
        && (f.type == FieldType::Short || f.type == FieldType::Byte))
        return &f;
    return nullptr;
}

QString Record::text(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Text);
    if (!f)
        return QString();
    return f->type == FieldType::Text ? stored::getText(at(*f), f->size) : stored::getCString(at(*f), f->size);
}

void Record::setText(int index, const QString &value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Text)) {
        if (f->type == FieldType::Text)
            stored::putText(at(*f), f->size, value);
        else
            stored::putCString(at(*f), f->size, value);
    }
}

Date Record::date(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Date);
    return f ? stored::getDate(at(*f)) : Date();
}

void Record::setDate(int index, Date value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Date))
        stored::putDate(at(*f), value);
}

Time Record::time(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Time);
    return f ? stored::getTime(at(*f)) : Time();
}

void Record::setTime(int index, Time value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Time))
        stored::putTime(at(*f), value);
}

Decimal Record::decimal(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Decimal);
    return f ? stored::getDecimal(at(*f)) : Decimal();
}

void Record::setDecimal(int index, Decimal value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Decimal))
        stored::putDecimal(at(*f), value);
}

double Record::real(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Real);
    return f ? stored::getReal(at(*f)) : 0.0;
}

void Record::setReal(int index, double value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Real))
        stored::putReal(at(*f), value);
}

int Record::integer(int index) const
{
    const FieldDef *f = fieldOf(index, FieldType::Short);
    if (!f)
        return 0;
    return f->type == FieldType::Short ? stored::getShort(at(*f)) : int(*at(*f));
}

void Record::setInteger(int index, int value)
{
    if (const FieldDef *f = fieldOf(index, FieldType::Short)) {
        if (f->type == FieldType::Short)
            stored::putShort(at(*f), std::int16_t(std::clamp(value, -32768, 32767)));
        else
            *at(*f) = std::uint8_t(std::clamp(value, 0, 255));
    }
}

} // namespace tavimo
