// The file manager against real data files.
#include "datacontext.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

using namespace tavimo;

namespace {

// Prescriptions number PRE:PRINTKEY on their first key.
class PrescriptionsFile : public FileManager
{
public:
    using FileManager::FileManager;

protected:
    void setupTable() override
    {
        FileManager::setupTable();
        registerKey(0, QStringLiteral("PRE:printby"), 1);
    }
};

// A table with a rule, as tables add them.
class RatedFile : public FileManager
{
public:
    using FileManager::FileManager;

protected:
    int checkFieldRule(int field, bool show) override
    {
        if (field != 8) // PAI:PAINSCALE
            return ResultOk;
        const int v = record().integer(field - 1);
        if (v >= 0 && v <= 10)
            return ResultOk;
        errors().setFieldName(context(), QStringLiteral("PAI:PainScale"));
        if (show)
            errors().raiseWithText(context(), 18, QStringLiteral("0 .. 10"));
        return ResultNotify;
    }
};

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    int fatalCalls = 0;

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([this] { ++fatalCalls; });
    }
    ContextConfig config() const { return programContextConfig(tmp.path()); }
};

QString text(const Record &r, const char *field)
{
    return r.text(QString::fromLatin1(field));
}

} // namespace

class TestFileManager : public QObject
{
    Q_OBJECT

private slots:
    void createsTableOnFirstUse();
    void readWithoutOpeningIsHeldOnceUntilContextEnds();
    void lookupProcedureLeavesCallersBuffer();
    void missingFileWithCreateOffIsFatal();
    void invalidKeysAreRebuiltAfterTellingTheUser();
    void duplicateOnUniqueKeyNamesTheKey();
    void updateOfRecordChangedElsewhere_data();
    void updateOfRecordChangedElsewhere();
    void deleteAsksFirst();
    void numbersAreDistinctAcrossContexts();
    void numberingRetriesSilentlyThenAsks();
    void cancelledNumberingRemovesThePlaceholder();
    void savedBuffers();
    void fieldRulesStopInsertWithTheirMessage();
    void keyComponentsAsFilterText();
    void readingToTheEndIsQuiet();
};

void TestFileManager::createsTableOnFirstUse()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager journal(ctx, ctx.table(tables::journal()), f.errors);
    QVERIFY(!QFile::exists(QDir(f.tmp.path()).filePath(QStringLiteral("JOURNAL.tdb"))));
    QCOMPARE(journal.open(), int(ResultOk));
    QVERIFY(!journal.isOpen()); // opened lazily
    QCOMPARE(journal.next(), int(ResultNotify));
    QVERIFY(journal.isOpen());
    QVERIFY(journal.atEnd());
    QVERIFY(QFile::exists(QDir(f.tmp.path()).filePath(QStringLiteral("JOURNAL.tdb"))));
    QCOMPARE(f.presenter.count(), 0);
    QCOMPARE(journal.close(), int(ResultOk));
    QVERIFY(!journal.isOpen());
}

void TestFileManager::readWithoutOpeningIsHeldOnceUntilContextEnds()
{
    Fixture f;
    ThreadContext ctx(f.config());
    {
        FileManager doctors(ctx, ctx.table(tables::doctors()), f.errors);
        f.errors.pushProcedureName(ctx, QStringLiteral("SomeReport"));
        QCOMPARE(doctors.next(), int(ResultNotify)); // never opened by this procedure
        QVERIFY(doctors.isOpen());
        QCOMPARE(doctors.openedCount(), 1);
        QCOMPARE(doctors.next(), int(ResultNotify));
        QCOMPARE(doctors.openedCount(), 1); // counted once
        // A procedure that opens and closes it leaves it open for the context.
        QCOMPARE(doctors.open(), int(ResultOk));
        QCOMPARE(doctors.openedCount(), 2);
        QCOMPARE(doctors.close(), int(ResultOk));
        QVERIFY(doctors.isOpen());
        f.errors.popProcedureName(ctx);
    }
    // The manager's end (the context's end) closes it.
    QVERIFY(!ctx.table(tables::doctors()).isOpen());
}

void TestFileManager::lookupProcedureLeavesCallersBuffer()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager doctors(ctx, ctx.table(tables::doctors()), f.errors);
    QCOMPARE(doctors.open(), int(ResultOk));
    for (const char *name : {"Adams", "Baker"}) {
        doctors.record().clear();
        doctors.record().setText("DOC:DOCTORSNAME", QString::fromLatin1(name));
        QCOMPARE(doctors.insert(), int(ResultOk));
    }
    doctors.record().clear();
    doctors.record().setText("DOC:DOCTORSNAME", QStringLiteral("Typed, not saved"));

    // A lookup window reads the table...
    f.errors.pushProcedureName(ctx, QStringLiteral("LookupDoctors"));
    QCOMPARE(doctors.open(), int(ResultOk));
    QCOMPARE(ctx.table(tables::doctors()).set(0), 0);
    QCOMPARE(doctors.next(), int(ResultOk));
    QCOMPARE(text(doctors.record(), "DOC:DOCTORSNAME"), QStringLiteral("Adams"));
    QCOMPARE(doctors.close(), int(ResultOk));
    f.errors.popProcedureName(ctx);
    // ...and leaves the caller's record as it was.
    QCOMPARE(text(doctors.record(), "DOC:DOCTORSNAME"), QStringLiteral("Typed, not saved"));

    // A form that writes the table leaves its new contents.
    f.errors.pushProcedureName(ctx, QStringLiteral("UpdateDoctors"));
    QCOMPARE(doctors.open(), int(ResultOk));
    QCOMPARE(doctors.use(FileManager::UseRead), int(ResultOk));
    QCOMPARE(doctors.use(FileManager::UseWrite), int(ResultOk));
    doctors.record().clear();
    doctors.record().setText("DOC:DOCTORSNAME", QStringLiteral("Clark"));
    QCOMPARE(doctors.insert(), int(ResultOk));
    QCOMPARE(doctors.close(), int(ResultOk));
    f.errors.popProcedureName(ctx);
    QCOMPARE(text(doctors.record(), "DOC:DOCTORSNAME"), QStringLiteral("Clark"));
}

void TestFileManager::missingFileWithCreateOffIsFatal()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager dummy(ctx, ctx.table(tables::dummy()), f.errors);
    QCOMPARE(dummy.next(), int(ResultFatal));
    QCOMPARE(f.fatalCalls, 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("File Access Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("File DUMMY could not be opened.  Error: File Not Found (2).  Press OK to end this application"));
    QVERIFY(!QFile::exists(QDir(f.tmp.path()).filePath(QStringLiteral("model.dll"))));

    // The silent form records the message without a box and without ending.
    FileManager again(ctx, ctx.table(tables::dummy()), f.errors);
    again.lazyOpen = false;
    const int shown = f.presenter.count();
    QCOMPARE(again.openQuiet(), int(ResultFatal));
    QCOMPARE(f.presenter.count(), shown);
    QCOMPARE(f.fatalCalls, 1);
    QCOMPARE(ctx.errorState.errorBuffer.id, 26);
    QCOMPARE(again.openedCount(), 0);
}

void TestFileManager::invalidKeysAreRebuiltAfterTellingTheUser()
{
    Fixture f;
    {
        ThreadContext ctx(f.config());
        FileManager topics(ctx, ctx.table(tables::topics()), f.errors);
        topics.record().setText("TOP:TOPIC", QStringLiteral("Allergies"));
        QCOMPARE(topics.insert(), int(ResultOk));
    }
    // The key index disappears behind the program's back.
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(QDir(f.tmp.path()).filePath(QStringLiteral("TOPICS.tdb")));
    QCOMPARE(sqlite3_open(path.constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DROP INDEX TOPICS_k1", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    ThreadContext ctx(f.config());
    FileManager topics(ctx, ctx.table(tables::topics()), f.errors);
    QCOMPARE(ctx.table(tables::topics()).set(0), int(DriverCode::FileNotOpen));
    QCOMPARE(topics.use(), int(ResultOk));
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Invalid Key"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("Topics key file is invalid. Key must be rebuilt."));
    topics.record().setText("TOP:TOPIC", QStringLiteral("allergies"));
    QCOMPARE(topics.getByKey(0), int(ResultOk));
    QCOMPARE(topics.record().text("TOP:TOPIC"), QStringLiteral("Allergies"));
}

void TestFileManager::duplicateOnUniqueKeyNamesTheKey()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager docs(ctx, ctx.table(tables::otherHistory()), f.errors);
    docs.record().setText("OTH:TITLEOFDOCUMENT", QStringLiteral("Knee X-ray"));
    QCOMPARE(docs.insert(), int(ResultOk));
    docs.record().clear();
    docs.record().setText("OTH:TITLEOFDOCUMENT", QStringLiteral("knee x-ray "));
    docs.record().setText("OTH:USERTITLE", QStringLiteral("kept as typed"));
    QCOMPARE(docs.insert(), int(ResultNotify));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Duplicate Key Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("Adding this record creates a duplicate entry for the key: OTH:ByTitle"));
    QCOMPARE(text(docs.record(), "OTH:USERTITLE"), QStringLiteral("kept as typed"));

    const int shown = f.presenter.count();
    QCOMPARE(docs.insertQuiet(), int(ResultNotify));
    QCOMPARE(f.presenter.count(), shown);
    QCOMPARE(ctx.errorState.errorBuffer.id, 15);
}

void TestFileManager::updateOfRecordChangedElsewhere_data()
{
    QTest::addColumn<int>("handling");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::newRow("from a form") << int(FileManager::FromForm)
                                 << "This record was changed by another station. Those changes will now be displayed. "
                                    "Use the Ditto Button or Ctrl+H to recall your changes."
                                 << true;
    QTest::newRow("elsewhere") << int(FileManager::Messages) << "This record was changed by another station." << true;
    QTest::newRow("silent") << int(FileManager::Silent) << "" << false;
}

void TestFileManager::updateOfRecordChangedElsewhere()
{
    QFETCH(int, handling);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    Fixture f;
    ThreadContext mine(f.config());
    ThreadContext theirs(f.config());
    FileManager a(mine, mine.table(tables::doctors()), f.errors);
    FileManager b(theirs, theirs.table(tables::doctors()), f.errors);
    a.record().setText("DOC:DOCTORSNAME", QStringLiteral("Adams"));
    QCOMPARE(a.insert(), int(ResultOk));
    a.record().setText("DOC:DOCTORSNAME", QStringLiteral("Adams"));
    QCOMPARE(a.getByKey(0), int(ResultOk));
    b.record().setText("DOC:DOCTORSNAME", QStringLiteral("Adams"));
    QCOMPARE(b.getByKey(0), int(ResultOk));

    b.record().setText("DOC:CITY", QStringLiteral("Their city"));
    QCOMPARE(b.update(), int(ResultOk));
    a.record().setText("DOC:CITY", QStringLiteral("My city"));
    QCOMPARE(a.update(handling), int(ResultNotify));
    if (shown) {
        QCOMPARE(f.presenter.last().caption, QStringLiteral("Record Was Not Updated"));
        QCOMPARE(f.presenter.last().text, text);
    } else {
        QCOMPARE(f.presenter.count(), 0);
    }
    // The other station's version is in the buffer, and a second try goes through.
    QCOMPARE(a.record().text("DOC:CITY"), QStringLiteral("Their city"));
    a.record().setText("DOC:CITY", QStringLiteral("My city"));
    QCOMPARE(a.update(handling), int(ResultOk));
    QCOMPARE(b.getByKey(0), int(ResultOk));
    QCOMPARE(b.record().text("DOC:CITY"), QStringLiteral("My city"));
}

void TestFileManager::deleteAsksFirst()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager topics(ctx, ctx.table(tables::topics()), f.errors);
    topics.record().setText("TOP:TOPIC", QStringLiteral("Diet"));
    QCOMPARE(topics.insert(), int(ResultOk));
    f.presenter.answer(Button::No);
    QCOMPARE(topics.deleteRecord(true), int(ResultCancel));
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Confirm Delete"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("Are you sure you want to delete the highlighted record?"));
    QCOMPARE(ctx.table(tables::topics()).records(), qint64(1));
    f.presenter.answer(Button::Yes);
    QCOMPARE(topics.deleteRecord(true), int(ResultOk));
    QCOMPARE(ctx.table(tables::topics()).records(), qint64(0));
    // Deleting again has nothing to delete: message 13 is left for the caller.
    QCOMPARE(topics.deleteRecord(false), int(ResultNotify));
    QCOMPARE(ctx.errorState.errorBuffer.id, 13);
}

// Two contexts on two threads number prescriptions at the same time.
void TestFileManager::numbersAreDistinctAcrossContexts()
{
    Fixture f;
    {
        ThreadContext ctx(f.config());
        QCOMPARE(ctx.table(tables::prescripts()).create(), 0);
    }
    constexpr int kEach = 40;
    QList<QString> numbers[2];
    int failures[2] = {0, 0};
    QThread *threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = QThread::create([&, t] {
            ThreadContext ctx(f.config());
            PrescriptionsFile pre(ctx, ctx.table(tables::prescripts()), f.errors);
            pre.lockWaitMs = 5000;
            for (int i = 0; i < kEach; ++i) {
                if (pre.newRecord() != ResultOk) {
                    ++failures[t];
                    continue;
                }
                numbers[t] << pre.record().text("PRE:PRINTKEY");
                pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Drug %1-%2").arg(t).arg(i));
                if (pre.insert() != ResultOk)
                    ++failures[t];
            }
        });
        threads[t]->start();
    }
    for (QThread *t : threads) {
        QVERIFY(t->wait(60000));
        delete t;
    }
    QCOMPARE(failures[0] + failures[1], 0);
    QSet<QString> all;
    for (const auto &list : numbers)
        for (const QString &n : list)
            all.insert(n);
    QCOMPARE(all.size(), 2 * kEach);
    QVERIFY(all.contains(QStringLiteral("0000000001")));
    QVERIFY(all.contains(QStringLiteral("%1").arg(2 * kEach, 10, 10, QLatin1Char('0'))));
    QCOMPARE(f.presenter.count(), 0);
}

// While another context holds the table for writing, numbering fails
// silently three times, then asks; once the other is done, Yes goes on.
void TestFileManager::numberingRetriesSilentlyThenAsks()
{
    Fixture f;
    ThreadContext winner(f.config());
    ThreadContext loser(f.config());
    PrescriptionsFile first(winner, winner.table(tables::prescripts()), f.errors);
    PrescriptionsFile second(loser, loser.table(tables::prescripts()), f.errors);
    second.lockWaitMs = 20;
    QCOMPARE(first.use(), int(ResultOk));
    QCOMPARE(second.use(), int(ResultOk));

    StoredTable &held = winner.table(tables::prescripts());
    QCOMPARE(winner.storage().logout(1, {&held}), 0);
    QCOMPARE(first.newRecord(), int(ResultOk)); // numbered inside the winner's transaction
    QCOMPARE(first.record().text("PRE:PRINTKEY"), QStringLiteral("0000000001"));

    f.presenter.answer(Button::No);
    QCOMPARE(second.newRecord(), int(ResultNotify));
    QCOMPARE(f.presenter.count(), 1); // one question after three silent attempts
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Auto Increment Error"));
    QCOMPARE(f.presenter.last().text,
             QStringLiteral("Attempts to automatically number this record have failed.\nFile: Prescripts\n"
                            "Key: PRE:printby\nError: Record Is Already Held (43).\nTry Again?"));

    // Yes, after the other context commits, numbers past the winner's record.
    f.presenter.answer(Button::Yes);
    f.presenter.answer(Button::Yes, [&] { QCOMPARE(winner.storage().commit(), 0); });
    QCOMPARE(second.newRecord(), int(ResultOk));
    QCOMPARE(second.record().text("PRE:PRINTKEY"), QStringLiteral("0000000002"));
    QVERIFY(second.autoIncrementDone());
    QCOMPARE(f.presenter.count(), 3);
}

void TestFileManager::cancelledNumberingRemovesThePlaceholder()
{
    Fixture f;
    ThreadContext ctx(f.config());
    PrescriptionsFile pre(ctx, ctx.table(tables::prescripts()), f.errors);
    StoredTable &t = ctx.table(tables::prescripts());
    QCOMPARE(pre.newRecord(), int(ResultOk));
    QCOMPARE(t.records(), qint64(1)); // the numbered placeholder
    pre.cancelNumbering();
    QCOMPARE(t.records(), qint64(0));
    QVERIFY(!pre.autoIncrementDone());

    // Inserting after numbering writes over the placeholder, not beside it.
    QCOMPARE(pre.newRecord(), int(ResultOk));
    pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QStringLiteral("Lisinopril"));
    QCOMPARE(pre.insert(), int(ResultOk));
    QVERIFY(!pre.autoIncrementDone());
    QCOMPARE(t.records(), qint64(1));
    pre.record().clear();
    pre.record().setText("PRE:PRINTKEY", QStringLiteral("0000000001"));
    QCOMPARE(pre.getByKey(0), int(ResultOk));
    QCOMPARE(pre.record().text("PRE:DRUGNAMEASPRESCRIBED"), QStringLiteral("Lisinopril"));
}

void TestFileManager::savedBuffers()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager topics(ctx, ctx.table(tables::topics()), f.errors);
    for (const char *t : {"A", "B"}) {
        topics.record().setText("TOP:TOPIC", QString::fromLatin1(t));
        QCOMPARE(topics.insert(), int(ResultOk));
    }
    QCOMPARE(ctx.table(tables::topics()).set(0), 0);
    QCOMPARE(topics.next(), int(ResultOk));
    int id = topics.saveRecord();
    QCOMPARE(id, 1);
    QVERIFY(topics.sameAsSaved(id));
    QCOMPARE(topics.next(), int(ResultOk));
    QVERIFY(!topics.sameAsSaved(id));
    const int second = topics.saveRecord();
    QCOMPARE(second, 2);
    topics.restoreRecord(id, true);
    QCOMPARE(id, 0);
    QCOMPARE(topics.record().text("TOP:TOPIC"), QStringLiteral("A"));
    QCOMPARE(topics.next(), int(ResultOk)); // repositioned too
    QCOMPARE(topics.record().text("TOP:TOPIC"), QStringLiteral("B"));
    int discard = second;
    topics.restoreRecord(discard, false);
    QVERIFY(!topics.sameAsSaved(second));
}

void TestFileManager::fieldRulesStopInsertWithTheirMessage()
{
    Fixture f;
    ThreadContext ctx(f.config());
    RatedFile pain(ctx, ctx.table(tables::painEvents()), f.errors);
    pain.record().setInteger("PAI:PAINSCALE", 11);
    int failing = 0;
    QCOMPARE(pain.checkRecord(&failing), int(ResultNotify));
    QCOMPARE(failing, 8);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Range Error"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("The value of PAI:PainScale must be in range 0 .. 10."));
    QCOMPARE(pain.insert(), int(ResultNotify));
    QCOMPARE(pain.checkFieldQuiet(8), int(ResultNotify));
    QCOMPARE(pain.update(FileManager::Messages), int(ResultAsk));
    QCOMPARE(ctx.table(tables::painEvents()).records(), qint64(0));
    pain.record().setInteger("PAI:PAINSCALE", 10);
    QCOMPARE(pain.insert(), int(ResultOk));
}

void TestFileManager::keyComponentsAsFilterText()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager glucose(ctx, ctx.table(tables::glucose()), f.errors);
    QCOMPARE(glucose.use(FileManager::UseSetup), int(ResultOk));
    QCOMPARE(glucose.keys().size(), 3);
    const FileManager::KeyEntry &byDate = glucose.keys().at(2);
    QCOMPARE(byDate.description, QStringLiteral("Glu:ByDate"));
    QStringList names;
    QList<bool> ascending;
    for (const auto &c : byDate.components) {
        names << c.filterName;
        ascending << c.ascending;
    }
    QCOMPARE(names, (QStringList{QStringLiteral("UPPER(GLU:PERSONNAME)"), QStringLiteral("GLU:DATE"),
                                 QStringLiteral("GLU:TIME")}));
    QCOMPARE(ascending, (QList<bool>{false, false, true}));
    QVERIFY(byDate.dups && byDate.noCase);
}

void TestFileManager::readingToTheEndIsQuiet()
{
    Fixture f;
    ThreadContext ctx(f.config());
    FileManager topics(ctx, ctx.table(tables::topics()), f.errors);
    topics.record().setText("TOP:TOPIC", QStringLiteral("Only"));
    QCOMPARE(topics.insert(), int(ResultOk));
    QCOMPARE(ctx.table(tables::topics()).set(0), 0);
    QCOMPARE(topics.next(), int(ResultOk));
    const QString position = topics.positionText();
    QCOMPARE(topics.next(), int(ResultNotify));
    QVERIFY(topics.atEnd());
    QCOMPARE(f.presenter.count(), 0);
    topics.record().clear();
    QCOMPARE(topics.readAt(position), int(ResultOk));
    QCOMPARE(topics.record().text("TOP:TOPIC"), QStringLiteral("Only"));
    topics.record().setText("TOP:TOPIC", QStringLiteral("Nothing"));
    QCOMPARE(topics.getByKey(0), int(ResultNotify));
    QCOMPARE(topics.record().text("TOP:TOPIC"), QString()); // cleared on failure
}

QTEST_GUILESS_MAIN(TestFileManager)
#include "tst_filemanager.moc"
