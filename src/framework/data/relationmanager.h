#pragma once

#include "result.h"

#include <functional>
#include <utility>
#include <vector>

namespace tavimo {

class FileManager;
class Record;
class StoredTable;
class ThreadContext;
class Transaction;

// Stands beside a table's FileManager and knows the table's relations: it
// opens and closes the table with its related tables, and carries out
// updates and deletes so that related records follow each relation's rule,
// all or nothing inside one transaction.
class RelationManager
{
public:
    enum Mode { None = 0, Clear = 1, Restrict = 2, Cascade = 3 };

    struct Relation
    {
        RelationManager *file = nullptr;          // FILE: the related table's manager
        std::vector<std::pair<int, int>> fields;  // FIELDS: (this field, his field), 0-based
        int hisKey = -1;                          // HISKEY: none on the child side
        int updateMode = None;                    // UPDATEMODE
        int deleteMode = None;                    // DELETEMODE
        int opened = 0;                           // OPENED
    };

    explicit RelationManager(FileManager &file);
    virtual ~RelationManager() = default;
    RelationManager(const RelationManager &) = delete;
    RelationManager &operator=(const RelationManager &) = delete;

    FileManager &file() const { return m_file; }
    ThreadContext &context() const;

    // Relations are given on first need; the dictionary hands over a step
    // that declares them with linkTable and linkField.
    void setRelationSetup(std::function<void(RelationManager &)> setup) { m_setup = std::move(setup); }
    void linkTable(RelationManager &related, int updateMode, int deleteMode, int hisKey = -1);
    void linkField(int thisField, int hisField); // adds to the last linked table
    const std::vector<Relation> &relations();

    bool useTransactions = true;
    int transactionTimeout = 10; // seconds

    int open();
    int close();
    int update(bool fromForm);
    // ResultOk deleted; ResultCancel the user declined to delete; after a
    // failure the user is asked to try again: ResultNotify for No, ResultAsk
    // for Cancel (back to the record).
    int deleteRecord(bool ask);

    // Run on the related (child) side for the records that carried the
    // parent's old linking values.
    // `link` is the parent's relation entry (its fields are parent, child).
    int followUpdate(const Relation &link, const Record &oldParent, const Record &newParent, int mode);
    int followDelete(const Relation &link, const Record &parent, int mode);

    // Sends "QUICKSCAN=" to the driver for this table, and optionally for
    // its parents and children, once each per pass.
    void setFastScan(bool on, bool parents = false, bool children = false);

private:
    void ensureRelations();
    void openInPass(int pass);
    void closeInPass(int pass);
    void collect(std::vector<RelationManager *> &managers, bool forDelete);
    void fastScanInPass(int pass, bool on, bool parents, bool children);
    int beginTransaction(bool forDelete, Transaction &transaction);
    int applyUpdate(bool fromForm, bool &conflict);
    int applyDelete();
    int deleteRelations(RelationManager **refusedBy);
    int walkChildren(const Relation &link, const Record &parent, const std::function<int(bool &moved)> &each);
    bool positionOnLink(const Relation &link, const Record &parent);
    int linkMatch(const Relation &link, const Record &parent) const;

    FileManager &m_file;
    std::vector<Relation> m_relations;
    std::function<void(RelationManager &)> m_setup;
    bool m_relationsReady = false;
    int m_lastPass = 0;
};

} // namespace tavimo
