#pragma once

#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "threaderrorstate.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tavimo {

class ErrorManager;
class FileManager;
class FilterNames;
class RelationManager;
class ThreadContext;

// What every program context is made with: the data folder, the tables and
// the owner password of the protected ones. Set once at start-up.
struct ContextConfig
{
    QString dataDirectory;
    std::vector<const TableLayout *> tables;
    QString ownerPassword;
    // Builds the context's file and relation managers (the data dictionary).
    std::function<void(ThreadContext &)> dictionary;
    ErrorManager *errors = nullptr; // the program's own when null
    const FilterNames *names = nullptr; // the program's bound names; not owned
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
    // What the context was made with, for starting another like it.
    const ContextConfig &config() const { return m_config; }

    StorageSession &storage() { return *m_storage; }
    StoredTable &table(const TableLayout &layout); // every configured table has one
    StoredTable *table(const QString &label);      // any case; nullptr if none
    const std::vector<std::unique_ptr<StoredTable>> &tables() const { return m_tables; }

    // The data dictionary's managers: one file manager and one relation
    // manager per table, built when the context starts.
    void addManagers(const TableLayout &layout, std::unique_ptr<FileManager> file,
                     std::unique_ptr<RelationManager> relation);
    FileManager *fileManager(const TableLayout &layout) const;
    RelationManager *relationManager(const TableLayout &layout) const;
    ErrorManager &errors() const { return *m_errors; }
    const FilterNames *names() const { return m_names; }

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

    // Open and close passes of the relation managers, numbered per context
    // so that a table reached twice in one pass is opened once.
    int nextPass() { return ++m_pass; }

private:
    struct Procedure
    {
        int id;
        QString name;
    };

    int m_number;
    ContextConfig m_config;
    std::vector<Procedure> m_procedures;
    int m_nextProcedureId = 1;
    int m_pass = 0;
    std::unique_ptr<StorageSession> m_storage;
    std::vector<std::unique_ptr<StoredTable>> m_tables; // destroyed before the session
    QHash<const TableLayout *, StoredTable *> m_byLayout;
    ErrorManager *m_errors;
    const FilterNames *m_names;
    // Relation managers go first, then file managers, then the tables.
    std::vector<std::unique_ptr<FileManager>> m_fileManagers;
    std::vector<std::unique_ptr<RelationManager>> m_relationManagers;
    QHash<const TableLayout *, std::pair<FileManager *, RelationManager *>> m_managers;
};

} // namespace tavimo
