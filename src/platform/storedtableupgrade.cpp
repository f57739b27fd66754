// Upgrading a table stored with an older layout version, apart from the
// rest of the driver.
#include "storedtable.h"

#include "backupfolders.h"
#include "filegeneration.h"
#include "onlinebackup.h"
#include "sqlconnection.h"
#include "storagesession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <climits>
#include <cmath>
#include <optional>

namespace tavimo {

namespace {

StoredTable::UpgradeObserver &upgradeObserver()
{
    static StoredTable::UpgradeObserver observer;
    return observer;
}

// A statement of its own, never cached: the tables it names are gone once
// the upgrade is done.
class Prepared
{
public:
    Prepared(SqlConnection &c, const QByteArray &sql)
    {
        m_rc = sqlite3_prepare_v2(c.handle(), sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~Prepared() { sqlite3_finalize(m_stmt); }
    Prepared(const Prepared &) = delete;
    Prepared &operator=(const Prepared &) = delete;
    bool ok() const { return m_rc == SQLITE_OK; }
    int rc() const { return m_rc; }
    sqlite3_stmt *get() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

std::optional<FieldType> typeNamed(const QString &name)
{
    for (FieldType t : {FieldType::Text, FieldType::CString, FieldType::Date, FieldType::Time, FieldType::Real,
                        FieldType::Short, FieldType::Byte, FieldType::Decimal})
        if (fieldTypeName(t) == name)
            return t;
    return std::nullopt;
}

// The fields a stored signature names ("COLUMN:type:size|" each, then
// "memo:COLUMN"), which is all the file says of its older layout.
bool parseFields(const QString &signature, std::vector<FieldDef> &fields, QString &memoColumn)
{
    const QStringList parts = signature.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (i == parts.size() - 1) {
            if (part.startsWith(QLatin1String("memo:")))
                memoColumn = part.mid(5);
            else if (!part.isEmpty())
                return false;
            break;
        }
        const QStringList bits = part.split(QLatin1Char(':'));
        const std::optional<FieldType> type = bits.size() == 3 ? typeNamed(bits[1]) : std::nullopt;
        if (!type)
            return false;
        FieldDef f;
        f.column = bits[0];
        f.type = *type;
        f.size = bits[2].toInt();
        fields.push_back(f);
    }
    return true;
}

QString textOf(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

// A stored value as a number in its natural unit; a date or a time has none.
double numberOf(FieldType from, sqlite3_stmt *stmt, int column)
{
    switch (from) {
    case FieldType::Real:
        return sqlite3_column_double(stmt, column);
    case FieldType::Short:
    case FieldType::Byte:
        return double(sqlite3_column_int64(stmt, column));
    case FieldType::Decimal:
        return double(sqlite3_column_int64(stmt, column)) / 100.0;
    case FieldType::Text:
    case FieldType::CString:
        return textOf(stmt, column).trimmed().toDouble();
    case FieldType::Date:
    case FieldType::Time:
        break;
    }
    return 0.0;
}

QString textFrom(FieldType from, sqlite3_stmt *stmt, int column)
{
    switch (from) {
    case FieldType::Text:
    case FieldType::CString:
        return textOf(stmt, column);
    case FieldType::Date: {
        const Date d(std::int32_t(sqlite3_column_int64(stmt, column)));
        return d.isNull() ? QString() : d.toQDate().toString(Qt::ISODate);
    }
    case FieldType::Time: {
        const Time t(std::int32_t(sqlite3_column_int64(stmt, column)));
        return t.isNull() ? QString() : t.toQTime().toString(QStringLiteral("HH:mm:ss"));
    }
    case FieldType::Decimal:
        return Decimal::fromCents(sqlite3_column_int64(stmt, column)).toString();
    case FieldType::Real:
        return QString::number(sqlite3_column_double(stmt, column), 'g', 15);
    case FieldType::Short:
    case FieldType::Byte:
        return QString::number(sqlite3_column_int64(stmt, column));
    }
    return QString();
}

// One stored value put into a field of the new layout: as it is when the
// type is the same, else converted (a wider text keeps all of it, a
// narrower one what fits; numbers round and stop at the field's range).
void convertInto(Record &record, int field, FieldType from, sqlite3_stmt *stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return;
    const FieldType to = record.layout().field(field).type;
    switch (to) {
    case FieldType::Text:
    case FieldType::CString:
        record.setText(field, textFrom(from, stmt, column));
        break;
    case FieldType::Real:
        record.setReal(field, numberOf(from, stmt, column));
        break;
    case FieldType::Short:
    case FieldType::Byte:
        record.setInteger(field, int(std::clamp<double>(std::round(numberOf(from, stmt, column)), INT_MIN, INT_MAX)));
        break;
    case FieldType::Decimal: {
        std::int64_t cents = 0;
        if (from == FieldType::Decimal) {
            cents = sqlite3_column_int64(stmt, column);
        } else if (isTextType(from)) {
            cents = Decimal::parse(textOf(stmt, column).trimmed()).value_or(Decimal()).cents();
        } else {
            const double value = std::round(numberOf(from, stmt, column) * 100.0);
            cents = std::int64_t(std::clamp<double>(value, -Decimal::MaxCents, Decimal::MaxCents));
        }
        record.setDecimal(field, Decimal::fromCents(std::clamp<std::int64_t>(cents, -Decimal::MaxCents,
                                                                            Decimal::MaxCents)));
        break;
    }
    case FieldType::Date:
        if (from == FieldType::Date)
            record.setDate(field, Date(std::int32_t(sqlite3_column_int64(stmt, column))));
        else if (isTextType(from))
            record.setDate(field, Date::fromQDate(QDate::fromString(textOf(stmt, column).trimmed(), Qt::ISODate)));
        break;
    case FieldType::Time:
        if (from == FieldType::Time) {
            record.setTime(field, Time(std::int32_t(sqlite3_column_int64(stmt, column))));
        } else if (isTextType(from)) {
            const QString text = textOf(stmt, column).trimmed();
            QTime t = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
            if (!t.isValid())
                t = QTime::fromString(text, QStringLiteral("HH:mm"));
            record.setTime(field, Time::fromQTime(t));
        }
        break;
    }
}

} // namespace

void StoredTable::setUpgradeObserver(UpgradeObserver observer)
{
    upgradeObserver() = std::move(observer);
}

int StoredTable::upgrade()
{
    SqlConnection &c = *m_connection;
    const int from = m_storedVersion;
    const QString name = m_layout->tableName();
    auto failed = [&](const QString &why, const QString &code) {
        DriverStatus s = DriverStatus::make(DriverCode::EngineError);
        s.fileError = QStringLiteral("the table %1 in %2 cannot be upgraded from layout version %3 to %4: %5")
                          .arg(name, m_path)
                          .arg(from)
                          .arg(m_layout->version())
                          .arg(why);
        s.fileErrorCode = code;
        return finish(s);
    };
    auto failedWith = [&](const DriverStatus &st) {
        return failed(st.fileError.isEmpty() ? st.text : st.fileError,
                      st.fileErrorCode.isEmpty() ? QString::number(st.code) : st.fileErrorCode);
    };
    // Another table's transaction on this file would take the upgrade with it.
    if (m_session->m_txn == &c || !sqlite3_get_autocommit(c.handle()))
        return failedWith(DriverStatus::make(DriverCode::TransactionActive));

    std::vector<FieldDef> storedFields;
    QString storedMemo;
    {
        Prepared meta(c, "SELECT fields FROM " + sqlschema::metaTable() + " WHERE name = ?1");
        if (!meta.ok())
            return failedWith(c.statusFor(meta.rc()));
        const QByteArray table = name.toUtf8();
        sqlite3_bind_text(meta.get(), 1, table.constData(), int(table.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(meta.get()) != SQLITE_ROW || !parseFields(textOf(meta.get(), 0), storedFields, storedMemo))
            return failed(QStringLiteral("its stored fields cannot be read"), QStringLiteral("layout"));
    }

    // The file as it was goes into the backups folder before anything changes.
    QString problem;
    const QString folder = backupfolders::makeNew(backupfolders::defaultParent(m_session->dataDirectory()),
                                                  QString::fromLatin1(backupfolders::BeforeUpgrade), problem);
    if (folder.isEmpty())
        return failed(QStringLiteral("no copy of it can be kept first: %1").arg(problem), QStringLiteral("backup"));
    const QString copy = QDir(folder).filePath(QFileInfo(m_path).fileName());
    const DriverStatus copied = copyDataFile(m_path, copy, m_session->keyOf(m_path));
    if (!copied.ok()) {
        QFile::remove(copy);
        QFile::remove(copy + QLatin1String("-journal"));
        QDir().rmdir(folder);
        return failed(QStringLiteral("no copy of it can be kept first: %1").arg(copied.fileError),
                      copied.fileErrorCode);
    }
    m_upgradeBackup = copy;

    DriverStatus st;
    if (!c.exec("BEGIN IMMEDIATE", st))
        return failedWith(st);
    // The buffer is the caller's; the upgrade fills it record by record.
    const Record saved = m_record;
    auto undo = [&](const DriverStatus &why) {
        DriverStatus ignored;
        c.exec("ROLLBACK", ignored);
        m_record = saved;
        return failedWith(why);
    };
    const QString freshName = name + QLatin1String("_upgrading");
    const QByteArray fresh = sqlschema::quoted(freshName);
    if (!c.exec(sqlschema::createTable(*m_layout, freshName), st))
        return undo(st);
    if (upgradeRows(c, storedFields, !storedMemo.isEmpty() && m_layout->memo() && m_layout->memo()->column == storedMemo,
                    fresh) != DriverCode::Ok)
        return undo(m_status);
    const QByteArray table = sqlschema::quoted(name);
    if (!c.exec("DROP TABLE " + table, st) || !c.exec("ALTER TABLE " + fresh + " RENAME TO " + table, st))
        return undo(st);
    for (const QByteArray &sql : sqlschema::createIndexes(*m_layout))
        if (!c.exec(sql, st))
            return undo(st);
    {
        Prepared meta(c, "UPDATE " + sqlschema::metaTable() + " SET fields = ?1, keys = ?2, format = ?3 WHERE name = ?4");
        if (!meta.ok())
            return undo(c.statusFor(meta.rc()));
        const QByteArray fields = m_layout->fieldsSignature().toUtf8();
        const QByteArray keys = m_layout->keysSignature().toUtf8();
        const QByteArray tableName = name.toUtf8();
        sqlite3_bind_text(meta.get(), 1, fields.constData(), int(fields.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(meta.get(), 2, keys.constData(), int(keys.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(meta.get(), 3, m_layout->version());
        sqlite3_bind_text(meta.get(), 4, tableName.constData(), int(tableName.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(meta.get());
        if (rc != SQLITE_DONE)
            return undo(c.statusFor(rc));
    }
    if (!c.exec("COMMIT", st))
        return undo(c.engineFailure());
    m_record = saved;
    fileGeneration(m_path)->fetch_add(1);
    return finish(DriverCode::Ok);
}

int StoredTable::upgradeRows(SqlConnection &c, const std::vector<FieldDef> &storedFields, bool storedMemo,
                             const QByteArray &into)
{
    QByteArray select = "SELECT \"_id\", \"_rev\"";
    for (const FieldDef &f : storedFields)
        select += ", " + sqlschema::quoted(f.column);
    if (storedMemo)
        select += ", " + sqlschema::quoted(m_layout->memo()->column);
    select += " FROM " + sqlschema::quoted(m_layout->tableName());

    QList<QByteArray> columns;
    for (const FieldDef &f : m_layout->fields())
        columns << sqlschema::quoted(f.column);
    if (m_layout->memo())
        columns << sqlschema::quoted(m_layout->memo()->column);
    for (int k = 0; k < m_layout->keyCount(); ++k)
        columns << sqlschema::keyColumn(k);
    columns << "\"_id\"" << "\"_rev\"";
    QByteArray insert = "INSERT INTO " + into + " (";
    QByteArray values;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        insert += (i ? ", " : "") + columns[i];
        values += (i ? ", ?" : "?") + QByteArray::number(i + 1);
    }
    insert += ") VALUES (" + values + ")";

    // Where each field of the new layout finds its value: the stored column
    // of the same name, if any.
    std::vector<int> source(std::size_t(m_layout->fieldCount()), -1);
    for (int i = 0; i < m_layout->fieldCount(); ++i)
        for (std::size_t j = 0; j < storedFields.size(); ++j)
            if (storedFields[j].column == m_layout->field(i).column)
                source[std::size_t(i)] = int(j);

    Prepared read(c, select);
    Prepared write(c, insert);
    if (!read.ok())
        return finish(c.statusFor(read.rc()));
    if (!write.ok())
        return finish(c.statusFor(write.rc()));
    const int idIndex = int(columns.size()) - 1;
    const int memoColumn = 2 + int(storedFields.size());
    std::int64_t copied = 0;
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        m_record.clear();
        for (int i = 0; i < m_layout->fieldCount(); ++i) {
            const int j = source[std::size_t(i)];
            if (j >= 0)
                convertInto(m_record, i, storedFields[std::size_t(j)].type, read.get(), 2 + j);
        }
        if (storedMemo)
            m_record.setMemo(textOf(read.get(), memoColumn));
        bindRecord(write.get());
        sqlite3_bind_int64(write.get(), idIndex, sqlite3_column_int64(read.get(), 0));
        sqlite3_bind_int64(write.get(), idIndex + 1, sqlite3_column_int64(read.get(), 1));
        const int wrc = sqlite3_step(write.get());
        sqlite3_reset(write.get());
        sqlite3_clear_bindings(write.get());
        if (wrc != SQLITE_DONE)
            return finish(c.statusFor(wrc));
        ++copied;
        if (upgradeObserver() && !upgradeObserver()(copied)) {
            DriverStatus s = DriverStatus::make(DriverCode::EngineError);
            s.fileError = QStringLiteral("stopped after %1 records").arg(copied);
            s.fileErrorCode = QStringLiteral("stopped");
            return finish(s);
        }
    }
    if (rc != SQLITE_DONE)
        return finish(c.statusFor(rc));
    return finish(DriverCode::Ok);
}

} // namespace tavimo
