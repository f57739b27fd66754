#include "storagesession.h"

#include "filegeneration.h"
#include "ownerkey.h"
#include "sqlconnection.h"
#include "storedtable.h"
#include "tablelayout.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tavimo {

StorageSession::StorageSession(const QString &dataDirectory)
    : m_dataDirectory(QDir(dataDirectory).absolutePath())
{
}

StorageSession::~StorageSession()
{
    if (m_txn)
        rollback();
}

QString StorageSession::pathOf(const TableLayout &layout) const
{
    QString file = layout.fileName();
    if (QFileInfo(file).suffix().isEmpty())
        file += defaultExtension();
    return QDir(m_dataDirectory).filePath(file);
}

SqlConnection *StorageSession::acquire(const QString &path, const QByteArray &key, bool readOnly, int busyMs,
                                       DriverStatus &status)
{
    FileEntry &entry = m_files[path];
    if (entry.connection) {
        if (entry.key != key) {
            // Every table of one file shares its password; another one cannot read it.
            status = DriverStatus::make(DriverCode::EngineError);
            status.fileError = QStringLiteral("file is encrypted or is not a database");
            status.fileErrorCode = QStringLiteral("26");
            return nullptr;
        }
        if (entry.connection->readOnly() && !readOnly) {
            status = DriverStatus::make(DriverCode::AccessDenied);
            return nullptr;
        }
        ++entry.users;
        status = DriverStatus::make(DriverCode::Ok);
        return entry.connection.get();
    }
    entry.connection = SqlConnection::open(path, key, readOnly, status);
    if (!entry.connection) {
        m_files.erase(path);
        return nullptr;
    }
    entry.connection->setBusyTimeout(busyMs);
    entry.key = key;
    entry.users = 1;
    return entry.connection.get();
}

void StorageSession::release(const QString &path)
{
    auto it = m_files.find(path);
    if (it == m_files.end())
        return;
    if (--it->second.users > 0)
        return;
    // The file's connection may be running this session's transaction.
    if (m_txn == it->second.connection.get())
        rollback();
    m_files.erase(it);
}

QByteArray StorageSession::keyOf(const QString &path) const
{
    const auto it = m_files.find(path);
    return it == m_files.end() ? QByteArray() : it->second.key;
}

void StorageSession::tableClosing(StoredTable *table)
{
    auto it = std::find(m_txnTables.begin(), m_txnTables.end(), table);
    if (it != m_txnTables.end()) {
        // Closing a table in the middle of a transaction abandons it.
        rollback();
    }
}

int StorageSession::logout(int timeoutSeconds, const std::vector<StoredTable *> &tables)
{
    return logoutWaiting(std::max(1, timeoutSeconds) * 1000, tables);
}

int StorageSession::logoutWaiting(int timeoutMs, const std::vector<StoredTable *> &tables)
{
    if (m_txn) {
        m_last = DriverStatus::make(DriverCode::TransactionActive);
        return m_last.code;
    }
    std::vector<QString> paths;
    for (StoredTable *t : tables) {
        if (!t->isOpen()) {
            m_last = DriverStatus::make(DriverCode::FileNotOpen);
            return m_last.code;
        }
        if (t->isReadOnly()) {
            m_last = DriverStatus::make(DriverCode::AccessDenied);
            return m_last.code;
        }
        if (std::find(paths.begin(), paths.end(), t->m_path) == paths.end())
            paths.push_back(t->m_path);
    }
    if (paths.empty()) {
        m_last = DriverStatus::make(DriverCode::Ok);
        return m_last.code;
    }

    DriverStatus st;
    SqlConnection *connection = nullptr;
    if (paths.size() == 1) {
        connection = tables.front()->m_home;
    } else {
        // One connection over all the files, so that one commit covers them all.
        QStringList sorted(paths.begin(), paths.end());
        sorted.sort();
        const QString spanKey = sorted.join(QLatin1Char('\n'));
        std::shared_ptr<SqlConnection> &span = m_spanConnections[spanKey];
        if (!span) {
            const QByteArray firstKey = keyOf(paths[0]);
            std::unique_ptr<SqlConnection> c = SqlConnection::open(paths[0], firstKey, false, st);
            for (std::size_t i = 1; c && i < paths.size(); ++i) {
                if (!c->attach(paths[i], "f" + QByteArray::number(qulonglong(i)), keyOf(paths[i]), st))
                    c.reset();
            }
            if (!c) {
                m_spanConnections.remove(spanKey);
                m_last = st;
                return m_last.code;
            }
            span = std::move(c);
        }
        connection = span.get();
    }
    connection->setBusyTimeout(std::max(0, timeoutMs));
    if (!connection->exec("BEGIN IMMEDIATE", st)) {
        m_last = st;
        return m_last.code;
    }
    m_txn = connection;
    m_txnTables = tables;
    m_txnPaths = paths;
    if (paths.size() > 1) {
        for (StoredTable *t : tables) {
            const auto at = std::find(paths.begin(), paths.end(), t->m_path) - paths.begin();
            t->useConnection(connection, at == 0 ? QByteArray("main") : "f" + QByteArray::number(qlonglong(at)));
        }
    }
    m_last = DriverStatus::make(DriverCode::Ok);
    return m_last.code;
}

int StorageSession::endTransaction(const char *sql)
{
    if (!m_txn) {
        m_last = DriverStatus::make(DriverCode::NotSupported);
        return m_last.code;
    }
    DriverStatus st;
    const bool committing = qstrcmp(sql, "COMMIT") == 0;
    bool ok = m_txn->exec(sql, st);
    if (!ok && committing) {
        // Told in the engine's words ("database is locked", "disk is full"):
        // the generic text of a record-level code would mislead.
        st = m_txn->engineFailure();
        // A commit that could not finish is undone, never left half done.
        DriverStatus ignored;
        m_txn->exec("ROLLBACK", ignored);
    }
    for (StoredTable *t : m_txnTables) {
        if (t->m_connection != t->m_home && t->m_home)
            t->useConnection(t->m_home, "main");
        t->m_connection->setBusyTimeout(2000);
        t->dropReadAhead();
        if (!committing || !ok)
            t->refreshRevision();
    }
    for (const QString &p : m_txnPaths)
        fileGeneration(p)->fetch_add(1);
    m_txn = nullptr;
    m_txnTables.clear();
    m_txnPaths.clear();
    m_last = ok ? DriverStatus::make(DriverCode::Ok) : st;
    return m_last.code;
}

int StorageSession::commit()
{
    return endTransaction("COMMIT");
}

int StorageSession::rollback()
{
    return endTransaction("ROLLBACK");
}

} // namespace tavimo
