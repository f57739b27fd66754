#include "filemanager.h"

#include "driverstatus.h"
#include "errormanager.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "threadcontext.h"
#include "transaction.h"

#include <algorithm>

namespace tavimo {

namespace {

constexpr int kNumberWidth = 10; // numbers kept in text fields are zero-padded to this width
constexpr int kHeldRetries = 3;

bool isPaddedNumber(const QString &s)
{
    if (s.size() != kNumberWidth)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

FileManager::FileManager(ThreadContext &context, StoredTable &table, ErrorManager &errors)
    : m_context(context), m_table(table), m_errors(errors)
{
}

FileManager::~FileManager()
{
    for (const SavedBuffer &s : std::as_const(m_saved))
        m_table.freeState(s.driverState);
    if (m_table.isOpen())
        m_table.close();
}

const TableLayout &FileManager::layout() const
{
    return m_table.layout();
}

Record &FileManager::record() const
{
    return m_table.record();
}

bool FileManager::isOpen() const
{
    return m_table.isOpen();
}

// ---- set-up ------------------------------------------------------------------

void FileManager::ensureSetup()
{
    if (m_initialised)
        return;
    m_initialised = true;
    if (name.isEmpty())
        name = layout().label();
    create = layout().createWhenMissing();
    lockRecover = 10;
    openMode = 0x42;
    skipHeld = false;
    setupTable();
}

void FileManager::setupTable()
{
    for (int k = 0; k < layout().keyCount(); ++k)
        registerKey(k, layout().key(k).label);
}

void FileManager::registerKey(int key, const QString &description, int autoIncrementComponent)
{
    if (key < 0 || key >= layout().keyCount())
        return;
    const KeyDef &def = layout().key(key);
    KeyEntry e;
    e.key = key;
    e.description = description.left(80);
    e.autoIncrementComponent = autoIncrementComponent;
    e.dups = !def.unique;
    e.noCase = def.noCase;
    e.primary = def.primary;
    for (const KeyComponent &c : def.components) {
        const FieldDef &f = layout().field(c.field);
        QString filterName = f.name;
        if (def.noCase && isTextType(f.type))
            filterName = QStringLiteral("UPPER(") + filterName + QLatin1Char(')');
        e.components.push_back(KeyComponentEntry{c.field, c.ascending, filterName});
    }
    // A key registered again replaces the earlier entry.
    for (KeyEntry &existing : m_keys) {
        if (existing.key == key) {
            existing = e;
            return;
        }
    }
    m_keys.append(e);
}

bool FileManager::hasAutoIncrement() const
{
    return std::any_of(m_keys.begin(), m_keys.end(), [](const KeyEntry &k) { return k.autoIncrementComponent > 0; });
}

// ---- messages ------------------------------------------------------------------

void FileManager::prepareRaise()
{
    m_errors.setFileName(m_context, name.isEmpty() ? layout().label() : name);
}

int FileManager::raise(int id)
{
    prepareRaise();
    return m_errors.raise(m_context, id);
}

int FileManager::raiseLast()
{
    prepareRaise();
    return m_errors.raiseCurrent(m_context);
}

int FileManager::raiseWithText(int id, const QString &text)
{
    prepareRaise();
    return m_errors.raiseWithText(m_context, id, text);
}

// Shows the message, or only records it for a silent caller; either way
// the result is what the message's severity means.
static int report(FileManager &fm, ErrorManager &errors, ThreadContext &context, int id, bool show)
{
    if (show)
        return fm.raise(id);
    errors.setFileName(context, fm.name.isEmpty() ? fm.layout().label() : fm.name);
    errors.setError(context, id);
    const int severity = context.errorState.errorBuffer.fatality;
    return severity == ResultOk ? ResultNotify : severity;
}

// ---- opening -------------------------------------------------------------------

int FileManager::open()
{
    ensureSetup();
    ++m_openedCount;
    noteProcedureOpen();
    if (!lazyOpen && !m_table.isOpen()) {
        const int result = reallyOpen(true);
        if (result != ResultOk) {
            close();
            return result;
        }
    }
    return ResultOk;
}

int FileManager::openQuiet()
{
    ensureSetup();
    ++m_openedCount;
    noteProcedureOpen();
    if (!lazyOpen && !m_table.isOpen()) {
        const int result = reallyOpen(false);
        if (result != ResultOk) {
            close();
            return result;
        }
    }
    return ResultOk;
}

// Outside any window procedure there is no caller whose buffer to keep.
void FileManager::noteProcedureOpen()
{
    if (const int procedure = m_context.procedureId())
        ++m_procedureUses[procedure].nestedOpens;
}

int FileManager::close()
{
    const int procedure = m_context.procedureId();
    auto it = m_procedureUses.find(procedure);
    if (it != m_procedureUses.end() && it->nestedOpens > 0 && --it->nestedOpens == 0) {
        // A procedure that only read the table gives its caller the buffer back.
        int saved = it->savedId;
        const bool restore = it->highestLevel < UseWrite;
        m_procedureUses.erase(it);
        if (saved)
            restoreRecord(saved, restore);
    }
    if (m_openedCount == 0)
        return ResultOk;
    if (--m_openedCount == 0) {
        m_heldByContext = false;
        if (m_table.isOpen() && m_table.close() != DriverCode::Ok)
            return raise(6);
    }
    return ResultOk;
}

int FileManager::reallyOpen(bool handleErrors)
{
    int mode = openMode;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int code = m_table.open(mode);
        if (code == DriverCode::AccessDenied) {
            m_table.send(QStringLiteral("Recover=%1").arg(lockRecover));
            code = m_table.open(mode);
        }
        switch (code) {
        case DriverCode::Ok:
        case DriverCode::AlreadyOpen:
            m_atEnd = false;
            m_autoIncDone = false;
            return ResultOk;
        case DriverCode::NoFile:
            if (!create)
                return report(*this, m_errors, m_context, 26, handleErrors);
            if (m_table.create() != DriverCode::Ok)
                return report(*this, m_errors, m_context, 12, handleErrors);
            continue;
        case DriverCode::InvalidKeys:
            if (!handleErrors)
                return report(*this, m_errors, m_context, 30, false);
            raise(30);
            if (m_table.build() != DriverCode::Ok)
                return raise(29);
            continue;
        case DriverCode::NewerLayout:
            return reportNewerFile(handleErrors);
        case DriverCode::AccessDenied:
            if ((mode & 0x0F) == 0)
                return report(*this, m_errors, m_context, 26, handleErrors);
            mode &= 0xF0; // read-only, same sharing
            openMode = mode;
            report(*this, m_errors, m_context, 2, handleErrors);
            continue;
        default:
            return report(*this, m_errors, m_context, 26, handleErrors);
        }
    }
    return report(*this, m_errors, m_context, 26, handleErrors);
}

int FileManager::reportNewerFile(bool show)
{
    if (!m_errors.entry(NewerFileMessage))
        m_errors.appendCatalogue({{NewerFileMessage, ResultFatal, QStringLiteral("File Of A Newer Version"),
                                   QStringLiteral("%File cannot be opened: %Message|The file was left as it is; "
                                                  "a newer Tavimo can open it."),
                                   {}}});
    m_errors.setMessageText(m_context, QStringLiteral("the data file %1 holds layout version %2 of it, and this "
                                                      "Tavimo knows versions up to %3.")
                                           .arg(m_table.path())
                                           .arg(m_table.storedLayoutVersion())
                                           .arg(layout().version()));
    return report(*this, m_errors, m_context, NewerFileMessage, show);
}

int FileManager::use(int level)
{
    ensureSetup();
    if (lazyOpen && m_openedCount == 0) {
        // Used without being opened: held once, until the context ends.
        m_openedCount = 1;
        m_heldByContext = true;
    }
    const int procedure = m_context.procedureId();
    auto opened = m_procedureUses.find(procedure);
    if (level != UseNoRecord && level != UseSetup && opened != m_procedureUses.end() && opened->nestedOpens > 0) {
        ProcedureUse &u = *opened;
        if (u.highestLevel == 0 && level <= UseRead)
            u.savedId = saveRecord();
        u.highestLevel = std::max(u.highestLevel, level);
    }
    if (!m_table.isOpen()) {
        if (!lazyOpen) {
            raise(42);
            return ResultFatal;
        }
        const Record kept = record();
        const int result = reallyOpen(true);
        record() = kept;
        if (result != ResultOk)
            return ResultFatal;
    }
    return ResultOk;
}

// ---- reading -------------------------------------------------------------------

int FileManager::getByKeyQuiet(int key)
{
    if (use() != ResultOk)
        return ResultFatal;
    return m_table.get(key) == DriverCode::Ok ? ResultOk : ResultNotify;
}

int FileManager::getByKey(int key)
{
    const int result = getByKeyQuiet(key);
    if (result != ResultOk)
        record().clear();
    return result;
}

int FileManager::readOn(bool forward, bool showMessages)
{
    if (use() != ResultOk)
        return ResultFatal;
    for (int held = 0;; ++held) {
        const int code = forward ? m_table.next() : m_table.previous();
        if (code == DriverCode::Ok) {
            m_atEnd = false;
            return ResultOk;
        }
        if (code == DriverCode::NoRecord) {
            m_atEnd = true;
            return ResultNotify;
        }
        if (code == DriverCode::RecordHeld) {
            if (skipHeld && held < kHeldRetries)
                continue;
            return report(*this, m_errors, m_context, 31, showMessages);
        }
        if (showMessages)
            return raise(1);
        report(*this, m_errors, m_context, 1, false);
        return ResultFatal;
    }
}

int FileManager::next() { return readOn(true, true); }
int FileManager::nextQuiet() { return readOn(true, false); }
int FileManager::previous() { return readOn(false, true); }
int FileManager::previousQuiet() { return readOn(false, false); }

QString FileManager::positionText() const
{
    return m_table.position();
}

int FileManager::readAt(const QString &position)
{
    if (use() != ResultOk)
        return ResultFatal;
    return m_table.reget(position) == DriverCode::Ok ? ResultOk : ResultNotify;
}

// ---- new records and numbering ---------------------------------------------------

int FileManager::newRecord(bool keepContents)
{
    ensureSetup();
    if (!keepContents)
        record().clear();
    setInitialValues();
    if (hasAutoIncrement()) {
        m_autoIncDone = false;
        return numberRecord();
    }
    return ResultOk;
}

int FileManager::numberRecord() { return addNumbered(true); }
int FileManager::numberRecordQuiet() { return addNumbered(false); }

int FileManager::nextNumber(const KeyEntry &key, QString &value)
{
    const KeyComponentEntry &numbered = key.components[std::size_t(key.autoIncrementComponent - 1)];
    const FieldDef &field = layout().field(numbered.field);
    const int state = m_table.saveState();
    const Record leading = record();

    // Position just past the highest possible number and read back to the
    // highest one there is, within equal leading components.
    switch (field.type) {
    case FieldType::Text:
    case FieldType::CString:
        record().setText(numbered.field, QString(kNumberWidth, QLatin1Char('9')));
        break;
    case FieldType::Short:
        record().setInteger(numbered.field, 32767);
        break;
    case FieldType::Byte:
        record().setInteger(numbered.field, 255);
        break;
    case FieldType::Real:
        record().setReal(numbered.field, 1e15);
        break;
    case FieldType::Decimal:
        record().setDecimal(numbered.field, Decimal::fromCents(Decimal::MaxCents));
        break;
    case FieldType::Date:
    case FieldType::Time:
        record().setInteger(numbered.field, 0);
        break;
    }
    std::int64_t highest = 0;
    int code = m_table.setByValue(key.key);
    for (int guard = 0; code == DriverCode::Ok && guard < 1000; ++guard) {
        code = numbered.ascending ? m_table.previous() : m_table.next();
        if (code != DriverCode::Ok)
            break;
        bool sameLeading = true;
        for (int c = 0; c < key.autoIncrementComponent - 1; ++c)
            sameLeading = sameLeading && record().fieldEquals(leading, key.components[std::size_t(c)].field);
        if (!sameLeading)
            break;
        if (isTextType(field.type)) {
            const QString text = record().text(numbered.field);
            if (!isPaddedNumber(text))
                continue; // a value the record's owner wrote over its number
            highest = text.toLongLong();
        } else if (field.type == FieldType::Real) {
            highest = std::int64_t(record().real(numbered.field));
        } else if (field.type == FieldType::Decimal) {
            highest = record().decimal(numbered.field).cents();
        } else {
            highest = record().integer(numbered.field);
        }
        break;
    }
    m_table.restoreState(state);
    m_table.freeState(state);
    if (code != DriverCode::Ok && code != DriverCode::NoRecord)
        return code;

    const std::int64_t number = highest + 1;
    value = isTextType(field.type) ? QStringLiteral("%1").arg(number, kNumberWidth, 10, QLatin1Char('0'))
                                   : QString::number(number);
    return DriverCode::Ok;
}

int FileManager::addNumbered(bool showMessages)
{
    ensureSetup();
    if (!hasAutoIncrement() || m_autoIncDone)
        return ResultOk;
    if (use() != ResultOk)
        return ResultFatal;

    StorageSession &session = m_context.storage();
    int failures = 0;
    for (;;) {
        // Reading the highest number and adding the record happen in one
        // write transaction, so another context can never take the same
        // number; one that cannot get the lock counts as a failed attempt.
        // Inside a transaction begun further out, that one covers both.
        Transaction transaction(session);
        int code = session.inTransaction() ? DriverCode::Ok : transaction.beginWaiting(lockWaitMs, {&m_table});
        if (code == DriverCode::Ok) {
            for (const KeyEntry &key : std::as_const(m_keys)) {
                if (key.autoIncrementComponent <= 0)
                    continue;
                QString value;
                const int read = nextNumber(key, value);
                if (read != DriverCode::Ok) {
                    // Taken before the rollback, which leaves a status of its own.
                    report(*this, m_errors, m_context, 1, false);
                    transaction.rollback();
                    return showMessages ? raiseLast() : int(ResultNotify);
                }
                const int field = key.components[std::size_t(key.autoIncrementComponent - 1)].field;
                if (isTextType(layout().field(field).type))
                    record().setText(field, value);
                else if (layout().field(field).type == FieldType::Real)
                    record().setReal(field, value.toDouble());
                else if (layout().field(field).type == FieldType::Decimal)
                    record().setDecimal(field, Decimal::fromCents(value.toLongLong()));
                else
                    record().setInteger(field, value.toInt());
            }
            code = m_table.add();
            if (code == DriverCode::Ok) {
                code = transaction.commit();
            } else {
                const DriverStatus failure = session.lastStatus();
                transaction.rollback();
                session.setLastStatus(failure); // the message tells why the add failed
            }
            if (code == DriverCode::Ok) {
                m_autoIncDone = true;
                return ResultOk;
            }
        }
        if (++failures % 3 != 0)
            continue;
        if (code == DriverCode::DuplicateKey) {
            const int k = firstDuplicateKey();
            if (k >= 0)
                m_errors.setKeyName(m_context, m_keys[k].description);
        } else {
            for (const KeyEntry &key : std::as_const(m_keys))
                if (key.autoIncrementComponent > 0) {
                    m_errors.setKeyName(m_context, key.description);
                    break;
                }
        }
        if (!showMessages) {
            report(*this, m_errors, m_context, 35, false);
            return ResultNotify;
        }
        if (raise(35) != ResultOk)
            return ResultNotify;
    }
}

void FileManager::cancelNumbering()
{
    if (!m_autoIncDone)
        return;
    // The placeholder added for its number goes again, without a question.
    m_table.remove();
    m_autoIncDone = false;
}

int FileManager::firstDuplicateKey() const
{
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_table.duplicate(m_keys[i].key, m_autoIncDone))
            return i;
    return -1;
}

// ---- writing ---------------------------------------------------------------------

int FileManager::insertQuiet()
{
    return insertWith(false);
}

int FileManager::insert()
{
    return insertWith(true);
}

int FileManager::insertWith(bool showMessages)
{
    if (use() != ResultOk)
        return ResultFatal;
    if ((showMessages ? checkRecord() : checkRange(1, layout().fieldCount(), false)) != ResultOk)
        return ResultNotify;
    int code;
    if (!hasAutoIncrement()) {
        code = m_table.add();
    } else if (m_autoIncDone) {
        code = m_table.put();
    } else {
        const int numbered = addNumbered(showMessages);
        if (numbered != ResultOk)
            return numbered;
        code = DriverCode::Ok;
    }
    if (code == DriverCode::Ok) {
        m_autoIncDone = false;
        return ResultOk;
    }
    if (code == DriverCode::DuplicateKey) {
        const int k = firstDuplicateKey();
        const QString key = k >= 0 ? m_keys[k].description : QString();
        if (showMessages) {
            raiseWithText(15, key);
        } else {
            m_errors.setMessageText(m_context, key);
            report(*this, m_errors, m_context, 15, false);
        }
        return ResultNotify;
    }
    report(*this, m_errors, m_context, 4, showMessages);
    return ResultNotify;
}

int FileManager::update(int handling)
{
    if (use() != ResultOk)
        return ResultFatal;
    const bool show = handling != Silent;
    if (checkRange(1, layout().fieldCount(), show) != ResultOk)
        return ResultAsk;
    const QString position = m_table.position();
    // Always watched: a record changed elsewhere since it was read is never
    // overwritten without the user seeing the other version first.
    m_table.watch();
    const int code = m_table.put();
    if (code == DriverCode::Ok)
        return ResultOk;
    if (code == DriverCode::RecordChanged) {
        const int id = handling == FromForm ? 8 : 7;
        report(*this, m_errors, m_context, id, show);
        m_table.watch();
        m_table.reget(position);
        return ResultNotify;
    }
    report(*this, m_errors, m_context, 28, show);
    return ResultNotify;
}

int FileManager::deleteRecord(bool ask)
{
    if (ask && raise(11) != ResultOk)
        return ResultCancel;
    if (use() != ResultOk)
        return ResultFatal;
    if (m_table.remove() != DriverCode::Ok) {
        report(*this, m_errors, m_context, 13, false);
        return ResultNotify;
    }
    return ResultOk;
}

// ---- saved buffers ---------------------------------------------------------------

int FileManager::saveRecord()
{
    const int id = m_saved.isEmpty() ? 1 : m_saved.back().id + 1;
    m_saved.append(SavedBuffer{id, m_table.saveState(), m_autoIncDone});
    return id;
}

void FileManager::restoreRecord(int &id, bool restore)
{
    for (qsizetype i = 0; i < m_saved.size(); ++i) {
        if (m_saved[i].id != id)
            continue;
        if (restore) {
            m_table.restoreState(m_saved[i].driverState);
            m_autoIncDone = m_saved[i].autoIncDone;
        }
        m_table.freeState(m_saved[i].driverState);
        m_saved.removeAt(i);
        break;
    }
    id = 0;
}

bool FileManager::sameAsSaved(int id) const
{
    for (const SavedBuffer &s : m_saved)
        if (s.id == id) {
            const Record *saved = m_table.savedRecord(s.driverState);
            return saved && *saved == record();
        }
    return false;
}

// ---- validation ------------------------------------------------------------------

int FileManager::checkFieldRule(int, bool)
{
    return ResultOk;
}

int FileManager::checkField(int field)
{
    ensureSetup();
    return checkFieldRule(field, true);
}

int FileManager::checkFieldQuiet(int field)
{
    ensureSetup();
    return checkFieldRule(field, false);
}

int FileManager::checkRange(int first, int last, bool showMessages, int *failingField)
{
    ensureSetup();
    for (int f = first; f <= last; ++f) {
        const int result = checkFieldRule(f, showMessages);
        if (result != ResultOk) {
            if (failingField)
                *failingField = f;
            return result;
        }
    }
    return ResultOk;
}

int FileManager::checkFields(int first, int last, int *failingField)
{
    return checkRange(first, last, true, failingField);
}

int FileManager::checkRecord(int *failingField)
{
    return checkFields(1, layout().fieldCount(), failingField);
}

} // namespace tavimo
