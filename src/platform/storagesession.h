#pragma once

#include "driverstatus.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace tavimo {

class SqlConnection;
class StoredTable;
class TableLayout;

// The storage driver as one program context sees it: the data folder, one
// engine connection per data file shared by the context's tables, and the
// context's transaction. Contexts never share a session, so each has its
// own buffers, positions and locks.
class StorageSession
{
public:
    explicit StorageSession(const QString &dataDirectory);
    ~StorageSession();
    StorageSession(const StorageSession &) = delete;
    StorageSession &operator=(const StorageSession &) = delete;

    static QString defaultExtension() { return QStringLiteral(".tdb"); }

    const QString &dataDirectory() const { return m_dataDirectory; }
    QString pathOf(const TableLayout &layout) const;

    // All-or-nothing change of the listed tables, over as many files as
    // they live in. The tables must be open.
    int logout(int timeoutSeconds, const std::vector<StoredTable *> &tables);
    int logoutWaiting(int timeoutMs, const std::vector<StoredTable *> &tables);
    int commit();
    int rollback();
    bool inTransaction() const { return m_txn != nullptr; }

    // The status of the last driver call made in this session.
    const DriverStatus &lastStatus() const { return m_last; }
    void setLastStatus(const DriverStatus &status) { m_last = status; }

private:
    friend class StoredTable;

    struct FileEntry
    {
        std::unique_ptr<SqlConnection> connection;
        QByteArray key;
        int users = 0;
    };

    SqlConnection *acquire(const QString &path, const QByteArray &key, bool readOnly, int busyMs,
                           DriverStatus &status);
    void release(const QString &path);
    void tableClosing(StoredTable *table);
    int endTransaction(const char *sql);
    QByteArray keyOf(const QString &path) const;

    QString m_dataDirectory;
    std::map<QString, FileEntry> m_files;
    QHash<QString, std::shared_ptr<SqlConnection>> m_spanConnections; // by joined file list
    SqlConnection *m_txn = nullptr;
    std::vector<StoredTable *> m_txnTables;
    std::vector<QString> m_txnPaths;
    DriverStatus m_last;
};

} // namespace tavimo
