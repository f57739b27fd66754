#pragma once

#include "result.h"

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace tavimo {

class ErrorManager;
class Record;
class StoredTable;
class TableLayout;
class ThreadContext;

// The only road from the program to one table in one context: opens it on
// demand and counts its users, reads, numbers, inserts, updates with
// detection of changes made elsewhere, deletes, saves and restores the
// buffer, validates fields, and turns every driver failure into a
// catalogue message. Tables derive from it to add their initial values and
// field rules. Each operation has a silent twin ("Quiet") that records the
// message without showing it.
class FileManager
{
public:
    // How Update reports: not at all, with messages, or with messages as a
    // form wants them (a conflict then shows the changed record).
    enum Handling { Silent = 0, Messages = 1, FromForm = 2 };

    // "File Of A Newer Version": the data file was written with a newer
    // layout than this program knows, and is left as it is. Added to the
    // catalogue when first needed.
    static constexpr int NewerFileMessage = 64;

    // Use levels: an ordinary read or write, a form writing its own table,
    // and the setup that always comes first.
    enum UseLevel { UseRead = 2, UseWrite = 3, UseNoRecord = 4, UseSetup = 5 };

    struct KeyComponentEntry
    {
        int field;
        bool ascending;
        QString filterName; // "UPPER(" name ")" for text in a case-insensitive key
    };
    struct KeyEntry
    {
        int key;
        QString description;
        int autoIncrementComponent = 0; // 1-based; 0 = none
        bool dups = true;
        bool noCase = false;
        bool primary = false;
        std::vector<KeyComponentEntry> components;
    };

    FileManager(ThreadContext &context, StoredTable &table, ErrorManager &errors);
    virtual ~FileManager();
    FileManager(const FileManager &) = delete;
    FileManager &operator=(const FileManager &) = delete;

    ThreadContext &context() const { return m_context; }
    StoredTable &table() const { return m_table; }
    const TableLayout &layout() const;
    Record &record() const;
    ErrorManager &errors() const { return m_errors; }

    // Options, set by Setup and changeable by the table.
    QString name;            // "%File" in messages; the table's label unless set
    bool create = true;      // create the data file when it does not exist
    int lockRecover = 10;    // "Recover=" sent when an open is refused
    int openMode = 0x42;     // read/write, deny none; lowered to read-only on refusal
    bool skipHeld = false;   // reading passes over records held elsewhere
    bool lazyOpen = true;    // the data file opens on first real use
    int lockWaitMs = 2000;   // how long numbering waits for another writer

    // Opening and using.
    int open();
    int openQuiet();
    int close();
    int use(int level = UseRead); // 0 or ResultFatal
    bool isOpen() const;          // the data file is really open
    int openedCount() const { return m_openedCount; }

    // Reading.
    int getByKey(int key);
    int getByKeyQuiet(int key);
    int next();
    int nextQuiet();
    int previous();
    int previousQuiet();
    bool atEnd() const { return m_atEnd; }
    QString positionText() const;
    int readAt(const QString &position);

    // New records and writing.
    int newRecord(bool keepContents = false);
    int numberRecord();
    int numberRecordQuiet();
    void cancelNumbering();
    bool autoIncrementDone() const { return m_autoIncDone; }
    int insert();
    int insertQuiet();
    int update(int handling = Messages);
    int updateQuiet() { return update(Silent); }
    int deleteRecord(bool ask);

    // Saved copies of the buffer.
    int saveRecord();
    void restoreRecord(int &id, bool restore);
    bool sameAsSaved(int id) const;

    // Validation; fields are numbered from 1 in record order.
    int checkField(int field);
    int checkFieldQuiet(int field);
    int checkFields(int first, int last, int *failingField = nullptr);
    int checkRecord(int *failingField = nullptr);

    // Messages with this table as "%File".
    int raise(int id);
    int raiseLast();
    int raiseWithText(int id, const QString &text);

    const QList<KeyEntry> &keys() const { return m_keys; }
    void registerKey(int key, const QString &description, int autoIncrementComponent = 0);
    bool hasAutoIncrement() const;

    // The hook asked for each child record of a cascading delete.
    virtual bool skipInCascade() { return false; }

protected:
    // The table's own setup: runs once per context, after the base setup.
    // The base registers every key of the layout in order.
    virtual void setupTable();
    // Initial values of a new record, after the generic priming.
    virtual void setInitialValues() {}
    // A table's rule for one field, numbered from 1 in record order; 0 when
    // valid, ResultNotify when not.
    virtual int checkFieldRule(int field, bool showMessages);

private:
    struct ProcedureUse
    {
        int highestLevel = 0;
        int nestedOpens = 0;
        int savedId = 0;
    };
    struct SavedBuffer
    {
        int id;
        int driverState;
        bool autoIncDone;
    };

    void ensureSetup();
    void noteProcedureOpen();
    int reallyOpen(bool handleErrors);
    int reportNewerFile(bool show);
    int readOn(bool forward, bool showMessages);
    int addNumbered(bool showMessages);
    int insertWith(bool showMessages);
    int nextNumber(const KeyEntry &key, QString &value);
    int firstDuplicateKey() const;
    int checkRange(int first, int last, bool showMessages, int *failingField = nullptr);
    void prepareRaise();

    ThreadContext &m_context;
    StoredTable &m_table;
    ErrorManager &m_errors;
    bool m_initialised = false;
    int m_openedCount = 0;
    bool m_heldByContext = false;
    bool m_atEnd = false;
    bool m_autoIncDone = false;
    QList<KeyEntry> m_keys;
    QList<SavedBuffer> m_saved;
    QHash<int, ProcedureUse> m_procedureUses; // by procedure id
};

} // namespace tavimo
