#pragma once

#include <vector>

namespace tavimo {

class StorageSession;
class StoredTable;

// An all-or-nothing change of some tables of one context. What is not
// committed is rolled back when the object goes, whatever path leaves the
// scope. A transaction that was never begun holds nothing: the changes
// then go straight to the files, or belong to a transaction begun further
// out, whose owner commits them.
class Transaction
{
public:
    explicit Transaction(StorageSession &session) : m_session(session) {}
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Driver codes; 0 when the tables are now inside the transaction.
    int begin(int timeoutSeconds, const std::vector<StoredTable *> &tables);
    int beginWaiting(int timeoutMs, const std::vector<StoredTable *> &tables);

    // The driver's answer. A refused commit has been rolled back by the
    // driver: nothing of the change is stored. Without a begun transaction
    // there is nothing to commit here and the answer is 0.
    int commit();
    // Ends the transaction whatever the engine answers, so callers that
    // roll back on a failure they report already need not test it.
    int rollback();

    bool isActive() const { return m_active; }

private:
    StorageSession &m_session;
    bool m_active = false;
};

} // namespace tavimo
