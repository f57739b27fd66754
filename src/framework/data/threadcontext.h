#pragma once

#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "threaderrorstate.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace tavimo {

// What every program context is made with: the data folder, the tables and
// the owner password of the protected ones. Set once at start-up.
struct ContextConfig
{
    QString dataDirectory;
    std::vector<const TableLayout *> tables;
    QString ownerPassword;
};

// One program context: a window procedure started from the menu and the
// forms it runs. It has its own instance of every table (buffer, position,
// open state), its own storage session, and its own request and response.
// A record buffer is never shared between contexts.
class ThreadContext
{
public:
    explicit ThreadContext(const ContextConfig &config);
    ~ThreadContext();
    ThreadContext(const ThreadContext &) = delete;
    ThreadContext &operator=(const ThreadContext &) = delete;

    int number() const { return m_number; } // 1 for the first context of the process

    StorageSession &storage() { return *m_storage; }
    StoredTable &table(const TableLayout &layout); // every configured table has one
    StoredTable *table(const QString &label);      // any case; nullptr if none
    const std::vector<std::unique_ptr<StoredTable>> &tables() const { return m_tables; }

    // The window framework's request and response codes (0 = none).
    int request = 0;
    int response = 0;

    ThreadErrorState errorState;

    // The window procedures running in this context, innermost last. Each
    // entry has an id of its own, so that two runs of one procedure differ.
    void pushProcedure(const QString &name);
    void popProcedure();
    QString procedureName() const; // innermost, or empty
    int procedureId() const;       // innermost, or 0

private:
    struct Procedure
    {
        int id;
        QString name;
    };

    int m_number;
    std::vector<Procedure> m_procedures;
    int m_nextProcedureId = 1;
    std::unique_ptr<StorageSession> m_storage;
    std::vector<std::unique_ptr<StoredTable>> m_tables; // destroyed before the session
    QHash<const TableLayout *, StoredTable *> m_byLayout;
};

} // namespace tavimo
