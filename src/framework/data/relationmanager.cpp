#include "relationmanager.h"

#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "keycodec.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "threadcontext.h"
#include "transaction.h"

#include <algorithm>
#include <cstring>

namespace tavimo {

namespace {

constexpr int kRestricted = -2; // a restrict relation refused the change

// Copies one field's value between records of different tables.
void copyField(const Record &from, int fromField, Record &to, int toField)
{
    const FieldDef &f = from.layout().field(fromField);
    const FieldDef &t = to.layout().field(toField);
    if (f.type == t.type && f.size == t.size) {
        std::memcpy(to.data() + t.offset, from.data() + f.offset, std::size_t(f.size));
        return;
    }
    switch (t.type) {
    case FieldType::Text:
    case FieldType::CString:
        to.setText(toField, from.text(fromField));
        break;
    case FieldType::Date:
        to.setDate(toField, from.date(fromField));
        break;
    case FieldType::Time:
        to.setTime(toField, from.time(fromField));
        break;
    case FieldType::Real:
        to.setReal(toField, from.real(fromField));
        break;
    case FieldType::Decimal:
        to.setDecimal(toField, from.decimal(fromField));
        break;
    case FieldType::Short:
    case FieldType::Byte:
        to.setInteger(toField, from.integer(fromField));
        break;
    }
}

bool fieldsEqual(const Record &a, int fa, const Record &b, int fb)
{
    const FieldDef &f = a.layout().field(fa);
    if (isTextType(f.type))
        return a.text(fa) == b.text(fb);
    Record copy(a.layout());
    copyField(b, fb, copy, fa);
    return copy.fieldEquals(a, fa);
}

} // namespace

RelationManager::RelationManager(FileManager &file)
    : m_file(file)
{
}

ThreadContext &RelationManager::context() const
{
    return m_file.context();
}

void RelationManager::ensureRelations()
{
    if (m_relationsReady)
        return;
    m_relationsReady = true;
    if (m_setup)
        m_setup(*this);
}

const std::vector<RelationManager::Relation> &RelationManager::relations()
{
    ensureRelations();
    return m_relations;
}

void RelationManager::linkTable(RelationManager &related, int updateMode, int deleteMode, int hisKey)
{
    Relation r;
    r.file = &related;
    r.updateMode = updateMode;
    r.deleteMode = deleteMode;
    r.hisKey = hisKey;
    m_relations.push_back(r);
}

void RelationManager::linkField(int thisField, int hisField)
{
    if (!m_relations.empty())
        m_relations.back().fields.emplace_back(thisField, hisField);
}

// ---- opening and closing -----------------------------------------------------

int RelationManager::open()
{
    ensureRelations();
    const int pass = context().nextPass();
    m_lastPass = pass;
    const int opened = m_file.open();
    if (opened != ResultOk)
        return opened;
    // The table the procedure asked for is made usable at once.
    if (m_file.use(FileManager::UseRead) != ResultOk)
        return ResultFatal;
    for (Relation &r : m_relations) {
        const int before = r.file->file().openedCount();
        r.file->openInPass(pass);
        if (r.file->file().openedCount() > before)
            ++r.opened;
    }
    return ResultOk;
}

void RelationManager::openInPass(int pass)
{
    if (m_lastPass == pass)
        return;
    m_lastPass = pass;
    ensureRelations();
    m_file.open();
    for (Relation &r : m_relations) {
        const int before = r.file->file().openedCount();
        r.file->openInPass(pass);
        if (r.file->file().openedCount() > before)
            ++r.opened;
    }
}

int RelationManager::close()
{
    const int pass = context().nextPass();
    closeInPass(pass);
    return ResultOk;
}

void RelationManager::closeInPass(int pass)
{
    if (m_lastPass == pass)
        return;
    m_lastPass = pass;
    for (Relation &r : m_relations) {
        if (r.opened > 0) {
            r.file->closeInPass(pass);
            --r.opened;
        }
    }
    m_file.close();
}

// ---- transactions ------------------------------------------------------------

void RelationManager::collect(std::vector<RelationManager *> &managers, bool forDelete)
{
    if (std::find(managers.begin(), managers.end(), this) != managers.end())
        return;
    managers.push_back(this);
    ensureRelations();
    for (const Relation &r : m_relations) {
        if (r.hisKey < 0)
            continue;
        const int mode = forDelete ? r.deleteMode : r.updateMode;
        if (mode == Cascade)
            r.file->collect(managers, forDelete);
        else if (mode == Clear)
            r.file->collect(managers, false); // cleared children are updated
    }
}

int RelationManager::beginTransaction(bool forDelete, Transaction &transaction)
{
    StorageSession &session = context().storage();
    // Inside another manager's transaction this change is part of it.
    if (!useTransactions || session.inTransaction())
        return ResultOk;
    std::vector<RelationManager *> managers;
    collect(managers, forDelete);
    std::vector<StoredTable *> tables;
    for (RelationManager *m : managers) {
        // A table joins the transaction really open.
        if (m->file().use(FileManager::UseRead) != ResultOk)
            return ResultNotify;
        tables.push_back(&m->file().table());
    }
    const int code = transaction.begin(transactionTimeout, tables);
    if (code == DriverCode::NotSupported) {
        useTransactions = false; // the driver cannot: go on without
        return ResultOk;
    }
    if (code != DriverCode::Ok) {
        m_file.raise(24);
        return ResultNotify;
    }
    return ResultOk;
}

// ---- update ------------------------------------------------------------------

int RelationManager::update(bool fromForm)
{
    ensureRelations();
    const int opened = open();
    // open() leaves the table counted even when it could not be used.
    struct Closer {
        RelationManager *m;
        ~Closer() { m->close(); }
    } closer{this};
    if (opened != ResultOk)
        return opened;

    // The stored version of the record, for the linking values it had.
    StoredTable &table = m_file.table();
    Record old = m_file.record();
    bool haveOld = false;
    if (table.recordId() != 0) {
        const int state = table.saveState();
        haveOld = table.reget(table.position()) == 0;
        if (haveOld)
            old = m_file.record();
        table.restoreState(state);
        table.freeState(state);
    }
    Transaction transaction(context().storage());
    if (beginTransaction(false, transaction) != ResultOk)
        return ResultNotify;

    // Every message below is shown after the rollback, so that no lock is
    // held while the user reads it.
    const int updated = m_file.updateQuiet();
    if (updated != ResultOk) {
        transaction.rollback();
        const bool conflict = context().errorState.errorBuffer.id == 7;
        if (conflict && fromForm)
            m_file.errors().setError(context(), 8);
        if (updated == ResultNotify)
            m_file.raiseLast();
        return conflict ? ResultNotify : ResultAsk;
    }

    Record &current = m_file.record();
    for (const Relation &r : m_relations) {
        if (r.hisKey < 0 || r.updateMode == None || !haveOld)
            continue;
        const bool changed = std::any_of(r.fields.begin(), r.fields.end(), [&](const auto &pair) {
            return !current.fieldEquals(old, pair.first);
        });
        if (!changed)
            continue;
        RelationManager *refused = r.file;
        const int result = r.file->followUpdate(r, old, current, r.updateMode);
        if (result == ResultOk)
            continue;
        transaction.rollback();
        // The parent keeps what the user typed, but its linking values return.
        for (const auto &pair : r.fields)
            copyField(old, pair.first, current, pair.first);
        if (result == kRestricted) {
            m_file.errors().setFileName(context(), refused->file().name.isEmpty()
                                                      ? refused->file().layout().label()
                                                      : refused->file().name);
            m_file.errors().raise(context(), 34);
        }
        return ResultNotify;
    }
    if (transaction.commit() != DriverCode::Ok) {
        // The driver rolled everything back. The buffer keeps all that was
        // typed, links included, so the same save can be tried again.
        m_file.raise(28);
        return ResultAsk;
    }
    return ResultOk;
}

bool RelationManager::positionOnLink(const Relation &link, const Record &parent)
{
    Record &child = m_file.record();
    child.clear();
    for (const auto &pair : link.fields)
        copyField(parent, pair.first, child, pair.second);
    return m_file.table().setByValue(link.hisKey, int(link.fields.size())) == 0;
}

// 0: the child's linking values are the parent's; 1: they differ only as
// the key does not tell (case); 2: the child is past the parent's group.
int RelationManager::linkMatch(const Relation &link, const Record &parent) const
{
    const Record &child = m_file.record();
    const KeyDef &key = m_file.layout().key(link.hisKey);
    int result = 0;
    for (std::size_t i = 0; i < link.fields.size(); ++i) {
        const auto &pair = link.fields[i];
        Record probe(child.layout());
        copyField(parent, pair.first, probe, pair.second);
        KeyComponent component{pair.second, true};
        if (i < key.components.size())
            component = key.components[i];
        if (encodeKeyComponent(probe, component, key.noCase) != encodeKeyComponent(child, component, key.noCase))
            return 2;
        if (!fieldsEqual(child, pair.second, parent, pair.first))
            result = 1;
    }
    return result;
}

// Visits the children that carry the parent's linking values, with the
// child buffer given back at the end. `each` returns ResultOk to go on;
// it sets `moved` when the child left the group, so the walk starts again
// from the group's start.
int RelationManager::walkChildren(const Relation &link, const Record &parent,
                                  const std::function<int(bool &moved)> &each)
{
    ensureRelations();
    int saved = m_file.saveRecord();
    auto done = [&](int result) {
        m_file.restoreRecord(saved, true);
        return result;
    };
    if (m_file.use() != ResultOk)
        return done(ResultFatal);
    const std::int64_t limit = m_file.table().records() + 1;
    if (!positionOnLink(link, parent))
        return done(ResultFatal);
    for (std::int64_t guard = 0; guard <= limit; ++guard) {
        const int read = m_file.nextQuiet();
        if (read != ResultOk)
            return done(m_file.atEnd() ? ResultOk : ResultFatal);
        const int match = linkMatch(link, parent);
        if (match == 2)
            break;
        if (match == 1)
            continue;
        bool moved = false;
        const int result = each(moved);
        if (result != ResultOk)
            return done(result);
        if (moved && !positionOnLink(link, parent))
            return done(ResultFatal);
    }
    return done(ResultOk);
}

int RelationManager::followUpdate(const Relation &link, const Record &oldParent, const Record &newParent, int mode)
{
    if (mode == Clear) {
        const bool blank = std::all_of(link.fields.begin(), link.fields.end(), [&](const auto &pair) {
            Record empty(oldParent.layout());
            return oldParent.fieldEquals(empty, pair.first);
        });
        if (blank)
            return ResultOk; // nothing carries a blank link to clear
    }
    return walkChildren(link, oldParent, [&](bool &moved) {
        if (mode == Restrict)
            return kRestricted;
        Record &child = m_file.record();
        for (const auto &pair : link.fields) {
            if (mode == Clear)
                child.clearField(pair.second);
            else
                copyField(newParent, pair.first, child, pair.second);
        }
        if (update(false) != ResultOk)
            return int(ResultNotify);
        moved = true;
        return int(ResultOk);
    });
}

// ---- delete ------------------------------------------------------------------

int RelationManager::followDelete(const Relation &link, const Record &parent, int mode)
{
    return walkChildren(link, parent, [&](bool &moved) {
        if (mode == Restrict)
            return kRestricted;
        if (mode == Cascade && m_file.skipInCascade())
            return int(ResultOk);
        if (mode == Clear) {
            for (const auto &pair : link.fields)
                m_file.record().clearField(pair.second);
            if (update(false) != ResultOk)
                return int(ResultNotify);
            moved = true;
            return int(ResultOk);
        }
        // The child's own children first; reading on continues after it.
        RelationManager *refusedBy = nullptr;
        const int own = deleteRelations(&refusedBy);
        if (own != ResultOk)
            return own;
        return m_file.deleteRecord(false) == ResultOk ? int(ResultOk) : int(ResultNotify);
    });
}

int RelationManager::deleteRelations(RelationManager **refusedBy)
{
    ensureRelations();
    for (const Relation &r : m_relations) {
        if (r.hisKey < 0 || r.deleteMode == None)
            continue;
        const int result = r.file->followDelete(r, m_file.record(), r.deleteMode);
        if (result != ResultOk) {
            if (result == kRestricted && refusedBy)
                *refusedBy = r.file;
            return result;
        }
    }
    return ResultOk;
}

int RelationManager::deleteRecord(bool ask)
{
    ensureRelations();
    if (ask && m_file.raise(11) != ResultOk)
        return ResultCancel;
    // Taken once: a try whose commit was refused has deleted the record
    // from the buffer's point of view, though it is still stored.
    const QString position = m_file.positionText();
    for (;;) {
        const int opened = open();
        struct Closer {
            RelationManager *m;
            ~Closer() { m->close(); }
        } closer{this};
        if (opened != ResultOk)
            return opened;

        Transaction transaction(context().storage());
        bool failed = beginTransaction(true, transaction) != ResultOk;
        if (!failed && m_file.readAt(position) != ResultOk) {
            // Gone or changed meanwhile: there is nothing to try again.
            transaction.rollback();
            m_file.raise(9);
            return ResultNotify;
        }
        if (!failed) {
            RelationManager *refusedBy = nullptr;
            const int related = deleteRelations(&refusedBy);
            if (related == kRestricted) {
                transaction.rollback();
                // A rule, not a failure: the user is told, and nothing is deleted.
                m_file.errors().setFileName(context(), refusedBy->file().name.isEmpty()
                                                           ? refusedBy->file().layout().label()
                                                           : refusedBy->file().name);
                m_file.errors().raise(context(), 33);
                return ResultNotify;
            }
            failed = related != ResultOk;
            if (!failed && m_file.deleteRecord(false) != ResultOk) {
                transaction.rollback();
                m_file.raiseLast();
                failed = true;
            }
            if (!failed && transaction.commit() != DriverCode::Ok) {
                // Rolled back by the driver: the record and its children stay.
                m_file.raise(13);
                failed = true;
            }
        }
        if (!failed)
            return ResultOk;
        transaction.rollback(); // not held while the user is asked
        // The buffer is on the record again, for a later try by the caller.
        m_file.readAt(position);
        // Yes tries again; No gives up (a form closes); Cancel goes back to
        // the record (a form stays open on it).
        const int answer = m_file.errors().ask(context(), 36, Button::Yes | Button::No | Button::Cancel, Button::Cancel);
        if (answer == Button::No)
            return ResultNotify;
        if (answer != Button::Yes)
            return ResultAsk;
    }
}

// ---- fast scan ---------------------------------------------------------------

void RelationManager::setFastScan(bool on, bool parents, bool children)
{
    fastScanInPass(context().nextPass(), on, parents, children);
}

void RelationManager::fastScanInPass(int pass, bool on, bool parents, bool children)
{
    if (m_lastPass == pass)
        return;
    m_lastPass = pass;
    StoredTable &t = m_file.table();
    if (t.isOpen() && m_file.openedCount() > 0)
        t.send(on ? QStringLiteral("QUICKSCAN=on") : QStringLiteral("QUICKSCAN=off"));
    ensureRelations();
    for (const Relation &r : m_relations) {
        const bool isChild = r.hisKey >= 0;
        if ((isChild && children) || (!isChild && parents))
            r.file->fastScanInPass(pass, on, parents, children);
    }
}

} // namespace tavimo
