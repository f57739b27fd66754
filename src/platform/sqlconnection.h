#pragma once

#include "driverstatus.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace tavimo {

// One engine connection to one data file (and, for a transaction over
// several files, the others attached to it), with its prepared statements.
// Statements are always reset after use so that no connection keeps a file
// locked between two driver calls.
class SqlConnection
{
public:
    // Pages kept decrypted per connection, and while a whole file is checked.
    static constexpr int CacheKilobytes = 4096;
    static constexpr int CheckCacheKilobytes = 131072;

    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    // rawKey empty: a plain file. Fails with NoFile when the file is missing.
    static std::unique_ptr<SqlConnection> open(const QString &path, const QByteArray &rawKey, bool readOnly,
                                               DriverStatus &status);

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }
    bool readOnly() const { return m_readOnly; }

    sqlite3_stmt *statement(const QByteArray &sql, DriverStatus &status); // cached, reset
    bool exec(const QByteArray &sql, DriverStatus &status);
    bool attach(const QString &path, const QByteArray &alias, const QByteArray &rawKey, DriverStatus &status);
    void setBusyTimeout(int milliseconds);

    // Turns an engine result into a driver status; busyCode is what a lock
    // conflict means to the caller.
    DriverStatus statusFor(int rc, int busyCode = DriverCode::RecordHeld) const;
    // The last failure as a driver-level status that carries the engine's
    // own message and extended code.
    DriverStatus engineFailure() const;

private:
    SqlConnection() = default;

    sqlite3 *m_db = nullptr;
    QString m_path;
    bool m_readOnly = false;
    QHash<QByteArray, sqlite3_stmt *> m_statements;
};

// Resets a statement when it goes out of scope, whatever path is taken.
class StatementUse
{
public:
    explicit StatementUse(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    ~StatementUse();
    StatementUse(const StatementUse &) = delete;
    StatementUse &operator=(const StatementUse &) = delete;

private:
    sqlite3_stmt *m_stmt;
};

} // namespace tavimo
