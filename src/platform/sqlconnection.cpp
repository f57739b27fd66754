#include "sqlconnection.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace tavimo {

StatementUse::~StatementUse()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

SqlConnection::~SqlConnection()
{
    for (sqlite3_stmt *s : std::as_const(m_statements))
        sqlite3_finalize(s);
    if (m_db)
        sqlite3_close(m_db);
}

DriverStatus SqlConnection::statusFor(int rc, int busyCode) const
{
    const int primary = rc & 0xFF;
    int code;
    switch (primary) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return DriverStatus::make(DriverCode::Ok);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        code = busyCode;
        break;
    case SQLITE_CONSTRAINT:
        code = DriverCode::DuplicateKey;
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        code = DriverCode::AccessDenied;
        break;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
        code = DriverCode::FileSystemError;
        break;
    default:
        code = DriverCode::EngineError;
        break;
    }
    DriverStatus s = DriverStatus::make(code);
    if (code == DriverCode::FileSystemError || code == DriverCode::EngineError) {
        s.fileError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        s.fileErrorCode = QString::number(rc);
    }
    return s;
}

DriverStatus SqlConnection::engineFailure() const
{
    DriverStatus s = DriverStatus::make(DriverCode::FileSystemError);
    s.fileError = QString::fromUtf8(sqlite3_errmsg(m_db));
    s.fileErrorCode = QString::number(sqlite3_extended_errcode(m_db));
    return s;
}

std::unique_ptr<SqlConnection> SqlConnection::open(const QString &path, const QByteArray &rawKey, bool readOnly,
                                                   DriverStatus &status)
{
    if (!QFileInfo::exists(path)) {
        status = DriverStatus::make(DriverCode::NoFile);
        return nullptr;
    }
    std::unique_ptr<SqlConnection> c(new SqlConnection);
    c->m_path = path;
    c->m_readOnly = readOnly;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &c->m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        status = c->statusFor(rc, DriverCode::AccessDenied);
        return nullptr;
    }
    sqlite3_extended_result_codes(c->m_db, 1);
    if (!rawKey.isEmpty()) {
        rc = sqlite3_key(c->m_db, rawKey.constData(), int(rawKey.size()));
        if (rc != SQLITE_OK) {
            status = c->statusFor(rc);
            return nullptr;
        }
    }
    c->setBusyTimeout(2000);
    // The first read proves the key; a wrong password reads as "not a database".
    // A rollback journal (never WAL) keeps a commit over several attached
    // files all-or-nothing.
    if (!c->exec("SELECT count(*) FROM sqlite_master", status))
        return nullptr;
    if (!readOnly && !c->exec("PRAGMA journal_mode=DELETE", status))
        return nullptr;
    if (!c->exec("PRAGMA synchronous=FULL", status))
        return nullptr;
    // 4 MB of pages per connection: the pages of a large table's indexes that
    // a list walks stay decrypted between two refills.
    if (!c->exec("PRAGMA cache_size=-" + QByteArray::number(CacheKilobytes), status))
        return nullptr;
    status = DriverStatus::make(DriverCode::Ok);
    return c;
}

void SqlConnection::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_db, milliseconds);
}

sqlite3_stmt *SqlConnection::statement(const QByteArray &sql, DriverStatus &status)
{
    auto it = m_statements.constFind(sql);
    if (it != m_statements.constEnd())
        return *it;
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        status = statusFor(rc);
        return nullptr;
    }
    m_statements.insert(sql, stmt);
    return stmt;
}

bool SqlConnection::exec(const QByteArray &sql, DriverStatus &status)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        status = statusFor(rc);
        return false;
    }
    return true;
}

bool SqlConnection::attach(const QString &path, const QByteArray &alias, const QByteArray &rawKey,
                           DriverStatus &status)
{
    if (!QFileInfo::exists(path)) {
        status = DriverStatus::make(DriverCode::NoFile);
        return false;
    }
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = "ATTACH DATABASE ?1 AS \"" + alias + "\" KEY ?2";
    int rc = sqlite3_prepare_v2(m_db, sql.constData(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray file = QFile::encodeName(path);
        sqlite3_bind_text(stmt, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, rawKey.constData(), int(rawKey.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
        status = statusFor(rc);
        return false;
    }
    // Prove the key of the attached file as open() does for the main one.
    return exec("SELECT count(*) FROM \"" + alias + "\".sqlite_master", status);
}

} // namespace tavimo
