#include "tablelayout.h"

#include <QStringBuilder>

#include <QtGlobal>

namespace tavimo {

int fixedSizeOf(FieldType type)
{
    switch (type) {
    case FieldType::Text:
    case FieldType::CString:
        return 0;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Decimal:
        return 4;
    case FieldType::Real:
        return 8;
    case FieldType::Short:
        return 2;
    case FieldType::Byte:
        return 1;
    }
    return 0;
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Text: return QStringLiteral("text");
    case FieldType::CString: return QStringLiteral("cstring");
    case FieldType::Date: return QStringLiteral("date");
    case FieldType::Time: return QStringLiteral("time");
    case FieldType::Real: return QStringLiteral("real");
    case FieldType::Short: return QStringLiteral("short");
    case FieldType::Byte: return QStringLiteral("byte");
    case FieldType::Decimal: return QStringLiteral("decimal");
    }
    return QString();
}

bool isTextType(FieldType type)
{
    return type == FieldType::Text || type == FieldType::CString;
}

QString TableLayout::fileName() const
{
    const qsizetype bang = m_storedName.indexOf(QLatin1String("\\!"));
    return bang < 0 ? m_storedName : m_storedName.left(bang);
}

QString TableLayout::tableName() const
{
    const qsizetype bang = m_storedName.indexOf(QLatin1String("\\!"));
    if (bang >= 0)
        return m_storedName.mid(bang + 2);
    const qsizetype dot = m_storedName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? m_storedName : m_storedName.left(dot);
}

int TableLayout::fieldIndex(const QString &name) const
{
    return m_fieldByName.value(name.toUpper(), -1);
}

int TableLayout::keyIndex(const QString &label) const
{
    for (int i = 0; i < keyCount(); ++i)
        if (m_keys[std::size_t(i)].label.compare(label, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TableLayout::fieldsSignature() const
{
    QString s;
    for (const FieldDef &f : m_fields)
        s += f.column % u':' % fieldTypeName(f.type) % u':' % QString::number(f.size) % u'|';
    if (m_memo)
        s += QLatin1String("memo:") % m_memo->column;
    return s;
}

QString TableLayout::keysSignature() const
{
    QString s;
    for (const KeyDef &k : m_keys) {
        s += k.label % (k.unique ? u'U' : u'D') % (k.noCase ? u'I' : u'S');
        for (const KeyComponent &c : k.components)
            s += (c.ascending ? u'+' : u'-') % m_fields[std::size_t(c.field)].column;
        s += u'|';
    }
    return s;
}

TableLayout::Builder::Builder(const QString &label, const QString &prefix, const QString &storedName,
                              Protection protection)
{
    m_layout.m_label = label;
    m_layout.m_prefix = prefix;
    m_layout.m_storedName = storedName;
    m_layout.m_protection = protection;
}

TableLayout::Builder &TableLayout::Builder::add(const QString &name, FieldType type, int size)
{
    FieldDef f;
    f.column = name.toUpper();
    f.name = m_layout.m_prefix.toUpper() % u':' % f.column;
    f.type = type;
    f.size = size;
    f.offset = m_layout.m_recordSize;
    if (size <= 0 || m_layout.m_fieldByName.contains(f.name))
        qFatal("table %s: bad or repeated field %s", qPrintable(m_layout.m_label), qPrintable(f.name));
    const int index = int(m_layout.m_fields.size());
    m_layout.m_fieldByName.insert(f.name, index);
    m_layout.m_fieldByName.insert(f.column, index);
    m_layout.m_recordSize += size;
    m_layout.m_fields.push_back(std::move(f));
    return *this;
}

TableLayout::Builder &TableLayout::Builder::text(const QString &name, int size) { return add(name, FieldType::Text, size); }
TableLayout::Builder &TableLayout::Builder::cstring(const QString &name, int size) { return add(name, FieldType::CString, size); }
TableLayout::Builder &TableLayout::Builder::date(const QString &name) { return add(name, FieldType::Date, 4); }
TableLayout::Builder &TableLayout::Builder::time(const QString &name) { return add(name, FieldType::Time, 4); }
TableLayout::Builder &TableLayout::Builder::real(const QString &name) { return add(name, FieldType::Real, 8); }
TableLayout::Builder &TableLayout::Builder::int16(const QString &name) { return add(name, FieldType::Short, 2); }
TableLayout::Builder &TableLayout::Builder::uint8(const QString &name) { return add(name, FieldType::Byte, 1); }
TableLayout::Builder &TableLayout::Builder::decimal(const QString &name) { return add(name, FieldType::Decimal, 4); }

TableLayout::Builder &TableLayout::Builder::texts(const QString &stem, int first, int last, int size)
{
    for (int i = first; i <= last; ++i)
        text(stem + QString::number(i), size);
    return *this;
}

TableLayout::Builder &TableLayout::Builder::dates(const QString &stem, int first, int last)
{
    for (int i = first; i <= last; ++i)
        date(stem + QString::number(i));
    return *this;
}

TableLayout::Builder &TableLayout::Builder::times(const QString &stem, int first, int last)
{
    for (int i = first; i <= last; ++i)
        time(stem + QString::number(i));
    return *this;
}

TableLayout::Builder &TableLayout::Builder::texts(std::initializer_list<const char *> names, int size)
{
    for (const char *n : names)
        text(QString::fromLatin1(n), size);
    return *this;
}

TableLayout::Builder &TableLayout::Builder::addKey(const QString &label,
                                                  std::initializer_list<const char *> components,
                                                  bool unique)
{
    KeyDef k;
    k.label = label;
    k.unique = unique;
    k.noCase = m_noCase;
    for (const char *c : components) {
        QString name = QString::fromLatin1(c);
        KeyComponent kc;
        if (name.startsWith(u'-')) {
            kc.ascending = false;
            name = name.mid(1);
        }
        kc.field = m_layout.fieldIndex(name);
        if (kc.field < 0)
            qFatal("key %s names unknown field %s", qPrintable(label), qPrintable(name));
        k.components.push_back(kc);
    }
    if (k.components.empty())
        qFatal("key %s has no components", qPrintable(label));
    m_layout.m_keys.push_back(std::move(k));
    return *this;
}

TableLayout::Builder &TableLayout::Builder::key(const QString &label, std::initializer_list<const char *> components)
{
    return addKey(label, components, false);
}

TableLayout::Builder &TableLayout::Builder::uniqueKey(const QString &label,
                                                     std::initializer_list<const char *> components)
{
    return addKey(label, components, true);
}

TableLayout::Builder &TableLayout::Builder::noCaseKeys(bool on)
{
    m_noCase = on;
    return *this;
}

TableLayout::Builder &TableLayout::Builder::memo(const QString &name, int maxChars)
{
    MemoDef m;
    m.column = name.toUpper();
    m.name = m_layout.m_prefix.toUpper() % u':' % m.column;
    m.maxChars = maxChars;
    m_layout.m_memo = m;
    return *this;
}

TableLayout::Builder &TableLayout::Builder::neverCreate()
{
    m_layout.m_create = false;
    return *this;
}

TableLayout::Builder &TableLayout::Builder::version(int layoutVersion)
{
    if (layoutVersion < 1)
        qFatal("table %s: layout version %d", qPrintable(m_layout.m_label), layoutVersion);
    m_layout.m_version = layoutVersion;
    return *this;
}

TableLayout TableLayout::Builder::build() const
{
    return m_layout;
}

} // namespace tavimo
