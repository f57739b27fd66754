#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <vector>

namespace tavimo {

// The stored types of record fields. The byte sizes of the fixed-size ones
// are fixed by the stored form (see storedform.h).
enum class FieldType : unsigned char {
    Text,    // blank-padded text of n bytes
    CString, // zero-terminated text: at most n-1 bytes, then a zero byte
    Date,    // 4 bytes: day, month, year (little-endian 16-bit)
    Time,    // 4 bytes: hundredths, seconds, minutes, hours
    Real,    // 8-byte IEEE double
    Short,   // signed 16-bit integer
    Byte,    // unsigned 8-bit integer
    Decimal, // 4-byte packed decimal, 7 digits, 2 after the point
};

int fixedSizeOf(FieldType type); // 0 for the two text types
QString fieldTypeName(FieldType type);
bool isTextType(FieldType type);

struct FieldDef
{
    QString name;   // with prefix, as the program knows it: "PER:FIRSTNAME"
    QString column; // the name without prefix, used as the SQL column
    FieldType type = FieldType::Text;
    int size = 0;
    int offset = 0;
};

struct KeyComponent
{
    int field = 0; // index into TableLayout::fields()
    bool ascending = true;
};

struct KeyDef
{
    QString label; // "PER:ByName"
    std::vector<KeyComponent> components;
    bool unique = false;
    bool noCase = false;
    bool primary = false;
};

struct MemoDef
{
    QString name;   // "PER:OTHERCONDITIONS"
    QString column; // "OTHERCONDITIONS"
    int maxChars = 1000;
};

enum class Protection : unsigned char {
    None,      // plain file, no owner password
    Password,  // opened with the owner password
    Encrypted, // opened with the owner password and stored enciphered
};

// The single declaration of one table: fields in order, keys, memo, names
// and protection. Record buffers, the SQL schema, the key indexes and the
// names bound for expressions are all derived from it.
class TableLayout
{
public:
    class Builder;

    const QString &label() const { return m_label; }
    const QString &prefix() const { return m_prefix; }
    const QString &storedName() const { return m_storedName; }
    Protection protection() const { return m_protection; }
    bool hasPassword() const { return m_protection != Protection::None; }
    bool isEncrypted() const { return m_protection == Protection::Encrypted; }
    bool createWhenMissing() const { return m_create; }
    // Raised whenever the fields or keys change, so that a file written with
    // an older layout is upgraded when it is opened (1 for a first layout).
    int version() const { return m_version; }

    // "support\!doctors" lives in the file "support" as table "doctors";
    // any other stored name is a file of its own holding one table.
    QString fileName() const;  // without the driver's default extension
    QString tableName() const; // the SQL table inside that file

    const std::vector<FieldDef> &fields() const { return m_fields; }
    const FieldDef &field(int index) const { return m_fields.at(std::size_t(index)); }
    int fieldCount() const { return int(m_fields.size()); }
    int recordSize() const { return m_recordSize; }
    int fieldIndex(const QString &name) const; // with or without prefix, any case; -1 if none

    const std::vector<KeyDef> &keys() const { return m_keys; }
    const KeyDef &key(int index) const { return m_keys.at(std::size_t(index)); }
    int keyCount() const { return int(m_keys.size()); }
    int keyIndex(const QString &label) const; // any case; -1 if none

    const std::optional<MemoDef> &memo() const { return m_memo; }

    // Texts that change whenever the stored fields, or the keys, change.
    QString fieldsSignature() const;
    QString keysSignature() const;

private:
    QString m_label;
    QString m_prefix;
    QString m_storedName;
    Protection m_protection = Protection::None;
    bool m_create = true;
    int m_version = 1;
    std::vector<FieldDef> m_fields;
    std::vector<KeyDef> m_keys;
    std::optional<MemoDef> m_memo;
    int m_recordSize = 0;
    QHash<QString, int> m_fieldByName; // upper-case, with and without prefix
};

// Declares a table field by field. Names are given without the prefix;
// a key component written "-NAME" sorts descending.
class TableLayout::Builder
{
public:
    Builder(const QString &label, const QString &prefix, const QString &storedName,
            Protection protection = Protection::None);

    Builder &text(const QString &name, int size);
    Builder &cstring(const QString &name, int size);
    Builder &date(const QString &name);
    Builder &time(const QString &name);
    Builder &real(const QString &name);
    Builder &int16(const QString &name);
    Builder &uint8(const QString &name);
    Builder &decimal(const QString &name);

    // NAME1 .. NAMEn of one type: texts("IMM", 1, 10, 20) adds IMM1..IMM10.
    Builder &texts(const QString &stem, int first, int last, int size);
    Builder &dates(const QString &stem, int first, int last);
    Builder &times(const QString &stem, int first, int last);
    // A run of differently named text fields of one size (flags and the like).
    Builder &texts(std::initializer_list<const char *> names, int size);

    Builder &key(const QString &label, std::initializer_list<const char *> components);
    Builder &uniqueKey(const QString &label, std::initializer_list<const char *> components);
    Builder &noCaseKeys(bool on); // applies to every key declared after it
    Builder &memo(const QString &name, int maxChars = 1000);
    Builder &neverCreate(); // the file ships with the program
    Builder &version(int layoutVersion); // 1 unless given

    TableLayout build() const;

private:
    Builder &add(const QString &name, FieldType type, int size);
    Builder &addKey(const QString &label, std::initializer_list<const char *> components, bool unique);

    TableLayout m_layout;
    bool m_noCase = false;
};

} // namespace tavimo
