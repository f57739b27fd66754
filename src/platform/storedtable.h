#pragma once

#include "driverstatus.h"
#include "record.h"
#include "sqlschema.h"
#include "tablelayout.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

struct sqlite3_stmt;

namespace tavimo {

class SqlConnection;
class StorageSession;

// One program context's instance of a table: its record buffer, its open
// state and its position, over the session's connection to the data file.
// Every operation returns a driver code (DriverCode) and leaves the full
// status in status() and in the session's lastStatus().
class StoredTable
{
public:
    static constexpr int DefaultOpenMode = 0x42; // read/write, deny none
    static constexpr int ByTable = -1;           // record order instead of a key

    StoredTable(StorageSession &session, const TableLayout &layout);
    ~StoredTable();
    StoredTable(const StoredTable &) = delete;
    StoredTable &operator=(const StoredTable &) = delete;

    const TableLayout &layout() const { return *m_layout; }
    StorageSession &session() const { return *m_session; }
    Record &record() { return m_record; }
    const Record &record() const { return m_record; }
    QString path() const;

    void setOwnerPassword(const QString &password) { m_password = password; }

    int open(int mode = DefaultOpenMode); // low half-byte 0 = read-only
    int create();                          // makes the file and the empty table
    int close();
    int build();                           // rebuilds every key from the fields
    int send(const QString &command);      // "Recover=N", "QUICKSCAN=on|off"
    bool isOpen() const { return m_connection != nullptr; }
    bool isReadOnly() const { return m_readOnly; }
    std::int64_t records(); // -1 on failure

    int get(int key);                  // by the key's fields primed in the buffer
    int set(int key = ByTable);        // next reads the first record, previous the last
    // Next reads the first record >= the buffer's key, previous the last <=.
    // With components >= 0 only that many leading components count, so next
    // reads the first record that starts with the buffer's values (previous
    // then reads the last record before them).
    int setByValue(int key, int components = -1);
    int next();
    int previous();
    QString position() const;          // of the current record, at most 1024 characters
    int reget(const QString &position); // reads that record again
    int reset(const QString &position); // next reads that record or the one after it

    int add();
    int put();
    int remove();
    void watch(); // the next put fails with 89 if the record changed since it was read
    // Whether a record holds the buffer's value on this unique key; when
    // excludingCurrent, the record read last does not count (for a put).
    bool duplicate(int key, bool excludingCurrent = false);

    int saveState();                   // handle > 0
    bool restoreState(int handle);
    void freeState(int handle);
    const Record *savedRecord(int handle) const; // the buffer kept by saveState

    // Reads the current record's revision again, as a rolled-back put
    // leaves the one in memory ahead of the file.
    void refreshRevision();

    int order() const { return m_order; }
    std::int64_t recordId() const { return m_current.id; }
    const DriverStatus &status() const { return m_status; }

    // Named facts about this table kept in its own file, so that a copied
    // or restored data folder knows them too. Inside the session's
    // transaction a mark commits or rolls back with the records.
    int mark(const QString &name);
    int hasMark(const QString &name, bool &marked);

    // Compares the stored keys of every record with keys built afresh from
    // its fields. Returns false and says what is wrong when they differ.
    bool verifyKeys(QString &problem);
    // Runs the engine's own consistency check over the table's whole file.
    bool checkFileIntegrity(QString &problem);

    // The layout version the file recorded for this table at the last
    // open (0 when it was not read), and the one it was upgraded from by
    // that open (0 when none). Opening for writing a table stored with an
    // older version upgrades it: a copy of the file goes into the backups
    // folder beside the data folder first, then one transaction rebuilds
    // the table; a newer version is refused (NewerLayout) and the file
    // left as it is.
    int storedLayoutVersion() const { return m_storedVersion; }
    int upgradedFrom() const { return m_upgradedFrom; }
    QString upgradeBackup() const { return m_upgradeBackup; } // the copy made before the upgrade

    // Told of every record an upgrade copies (by its count so far); false
    // stops the upgrade as a failure would. For tests of failures midway.
    using UpgradeObserver = std::function<bool(std::int64_t copied)>;
    static void setUpgradeObserver(UpgradeObserver observer);

private:
    friend class StorageSession;
    friend class TableView;

    struct Current
    {
        std::int64_t id = 0;
        std::int64_t revision = 0;
    };
    enum class PivotKind { Boundary, Start, End, At };
    struct Pivot
    {
        PivotKind kind = PivotKind::Boundary;
        QByteArray key;
        std::int64_t forwardAfter = 0;  // next reads ids above this among equal keys
        std::int64_t backwardBefore = 0; // previous reads ids below this among equal keys
    };
    struct Row
    {
        Current current;
        std::vector<std::uint8_t> data;
        QString memo;
        QByteArray key;
    };
    struct State
    {
        Record record;
        Current current;
        int order;
        Pivot pivot;
        bool watched;
    };

    int finish(int code);
    int finish(const DriverStatus &status);
    sqlite3_stmt *statement(const QByteArray &sql);
    void useConnection(SqlConnection *connection, const QByteArray &schema);
    int verifyStructure();
    int upgrade();
    int upgradeRows(SqlConnection &c, const std::vector<FieldDef> &storedFields, bool storedMemo,
                    const QByteArray &into);
    int step(sqlite3_stmt *stmt, int busyCode);
    void readRow(sqlite3_stmt *stmt, Row &row, bool withKey) const;
    void bindRecord(sqlite3_stmt *stmt) const;
    void takeRow(Row &row);
    int fetch(bool forward);
    int runFetch(sqlite3_stmt *stmt, bool withKey, int limit, std::deque<Row> &rows);
    int move(bool forward);
    void dropReadAhead() { m_readAhead.clear(); }
    QByteArray orderKeyOfBuffer() const;
    int writeCheck(bool needsCurrent);
    void pivotAtCurrent();
    void bumpGeneration();
    bool readAheadValid() const;

    StorageSession *m_session;
    const TableLayout *m_layout;
    Record m_record;
    QString m_password;
    DriverStatus m_status;

    SqlConnection *m_connection = nullptr; // active: home or a transaction's
    SqlConnection *m_home = nullptr;
    QString m_path;
    QByteArray m_schema;
    sqlschema::TableStatements m_sql;
    bool m_readOnly = false;
    int m_recoverSeconds = 0;
    int m_readAheadMax = 256;
    int m_batch = 4;

    int m_order = ByTable;
    Current m_current;
    Pivot m_pivot;
    bool m_watched = false;
    std::deque<Row> m_readAhead;
    bool m_readAheadForward = true;
    std::uint64_t m_readAheadGeneration = 0;
    std::shared_ptr<std::atomic<std::uint64_t>> m_generation;

    QHash<int, State> m_states;
    int m_nextState = 1;

    int m_storedVersion = 0;
    int m_upgradedFrom = 0;
    QString m_upgradeBackup;
};

} // namespace tavimo
