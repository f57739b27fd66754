#include "threadcontext.h"

#include "errormanager.h"
#include "filemanager.h"
#include "relationmanager.h"

#include <QtGlobal>

#include <atomic>

namespace tavimo {

namespace {
std::atomic<int> g_nextNumber{1};
}

ThreadContext::ThreadContext(const ContextConfig &config)
    : m_number(g_nextNumber.fetch_add(1)), m_config(config), m_storage(std::make_unique<StorageSession>(config.dataDirectory)),
      m_errors(config.errors ? config.errors : &ErrorManager::global()), m_names(config.names)
{
    m_tables.reserve(config.tables.size());
    for (const TableLayout *layout : config.tables) {
        auto table = std::make_unique<StoredTable>(*m_storage, *layout);
        if (layout->hasPassword())
            table->setOwnerPassword(config.ownerPassword);
        m_byLayout.insert(layout, table.get());
        m_tables.push_back(std::move(table));
    }
    if (config.dictionary)
        config.dictionary(*this);
}

ThreadContext::~ThreadContext()
{
    // The dictionary's kill: relation managers, then file managers; then the
    // tables close (and give back their connections) before the session goes.
    m_managers.clear();
    m_relationManagers.clear();
    m_fileManagers.clear();
    m_byLayout.clear();
    m_tables.clear();
}

StoredTable &ThreadContext::table(const TableLayout &layout)
{
    StoredTable *t = m_byLayout.value(&layout);
    Q_ASSERT_X(t, "ThreadContext::table", qPrintable(layout.label()));
    return *t;
}

StoredTable *ThreadContext::table(const QString &label)
{
    for (const auto &t : m_tables)
        if (t->layout().label().compare(label, Qt::CaseInsensitive) == 0)
            return t.get();
    return nullptr;
}

void ThreadContext::addManagers(const TableLayout &layout, std::unique_ptr<FileManager> file,
                                std::unique_ptr<RelationManager> relation)
{
    m_managers.insert(&layout, {file.get(), relation.get()});
    m_fileManagers.push_back(std::move(file));
    m_relationManagers.push_back(std::move(relation));
}

FileManager *ThreadContext::fileManager(const TableLayout &layout) const
{
    return m_managers.value(&layout).first;
}

RelationManager *ThreadContext::relationManager(const TableLayout &layout) const
{
    return m_managers.value(&layout).second;
}

void ThreadContext::pushProcedure(const QString &name)
{
    m_procedures.push_back(Procedure{m_nextProcedureId++, name});
}

void ThreadContext::popProcedure()
{
    if (!m_procedures.empty())
        m_procedures.pop_back();
}

QString ThreadContext::procedureName() const
{
    return m_procedures.empty() ? QString() : m_procedures.back().name;
}

int ThreadContext::procedureId() const
{
    return m_procedures.empty() ? 0 : m_procedures.back().id;
}

} // namespace tavimo
