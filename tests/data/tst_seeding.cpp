// The starter lists of drug forms and laboratory test names: added once to
// an empty table, never to one with records, never again once emptied, and
// all or nothing.
#include "datacontext.h"
#include "dictionary.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "sqlconnection.h"
#include "sqlschema.h"
#include "starterlists.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablemanagers.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

Q_DECLARE_METATYPE(const TableLayout *)

namespace {

const TableLayout *formTable() { return &tables::form(); }
const TableLayout *labTestNameTable() { return &tables::labTestName(); }

void addTableRows()
{
    QTest::addColumn<const TableLayout *>("layout");
    QTest::newRow("drug forms") << formTable();
    QTest::newRow("laboratory test names") << labTestNameTable();
}

// A table opened read-only, as a file without write access would be.
class ReadOnlyListFile : public StarterListFile
{
public:
    using StarterListFile::StarterListFile;

protected:
    void setupTable() override
    {
        openMode = 0x40;
        StarterListFile::setupTable();
    }
};

struct Context
{
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    explicit Context(const QString &dir, dictionary::FileManagerFactory factory = {})
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(dir);
        config.errors = &errors;
        config.dictionary = [factory](ThreadContext &c) { dictionary::initialise(c, factory); };
        context = std::make_unique<ThreadContext>(config);
    }
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }

    // Every entry of the table, in key order, through its file manager.
    QStringList entries(const TableLayout &t)
    {
        FileManager &fm = file(t);
        if (fm.open() != ResultOk)
            return {QStringLiteral("<not opened>")};
        QStringList out;
        StoredTable &table = fm.table();
        if (fm.use() == ResultOk && table.set(0) == DriverCode::Ok)
            while (fm.nextQuiet() == ResultOk)
                out << fm.record().text(0);
        fm.close();
        return out;
    }
    void removeAll(const TableLayout &t)
    {
        FileManager &fm = file(t);
        QCOMPARE(fm.open(), int(ResultOk));
        QCOMPARE(fm.use(), int(ResultOk));
        QCOMPARE(fm.table().set(), int(DriverCode::Ok));
        while (fm.nextQuiet() == ResultOk)
            QCOMPARE(fm.deleteRecord(false), int(ResultOk));
        QCOMPARE(fm.table().records(), qint64(0));
        fm.close();
    }
};

QStringList sortedNoCase(QStringList list)
{
    list.sort(Qt::CaseInsensitive);
    return list;
}

// Straight to the driver, past the file managers: what the table holds.
struct Raw
{
    StorageSession session;
    StoredTable table;
    Raw(const QString &dir, const TableLayout &layout) : session(dir), table(session, layout) {}
    int openOrCreate()
    {
        int code = table.open();
        if (code == DriverCode::NoFile && (code = table.create()) == DriverCode::Ok)
            code = table.open();
        return code;
    }
    bool marked()
    {
        bool found = false;
        return table.hasMark(starterlists::markName(), found) == DriverCode::Ok && found;
    }
};

void copyFolder(const QString &from, const QString &to)
{
    QVERIFY(QDir().mkpath(to));
    for (const QString &name : QDir(from).entryList(QDir::Files))
        QVERIFY(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)));
}

} // namespace

class TestStarterLists : public QObject
{
    Q_OBJECT

private slots:
    void listsFitTheirTables_data();
    void listsFitTheirTables();
    void emptyTableGetsItsListOnce_data();
    void emptyTableGetsItsListOnce();
    void callersBufferIsKept();
    void emptiedListStaysEmpty_data();
    void emptiedListStaysEmpty();
    void tableWithRecordsGetsNothing_data();
    void tableWithRecordsGetsNothing();
    void otherTablesGetNothing();
    void failureAddsNoneAndSaysSo_data();
    void failureAddsNoneAndSaysSo();
};

void TestStarterLists::listsFitTheirTables_data()
{
    addTableRows();
}

void TestStarterLists::listsFitTheirTables()
{
    QFETCH(const TableLayout *, layout);
    const QStringList list = starterlists::of(*layout);
    QVERIFY2(list.size() >= 20 && list.size() <= 30, qPrintable(QString::number(list.size())));
    QStringList seen;
    for (const QString &entry : list) {
        // A longer entry would be cut short in the field.
        QVERIFY2(entry.size() <= layout->field(0).size, qPrintable(entry));
        QVERIFY2(!entry.isEmpty() && entry == entry.trimmed(), qPrintable(entry));
        QVERIFY2(!seen.contains(entry, Qt::CaseInsensitive), qPrintable(entry));
        seen << entry;
    }
}

void TestStarterLists::emptyTableGetsItsListOnce_data()
{
    addTableRows();
}

void TestStarterLists::emptyTableGetsItsListOnce()
{
    QFETCH(const TableLayout *, layout);
    QTemporaryDir tmp;
    const QStringList expected = sortedNoCase(starterlists::of(*layout));
    {
        Context c(tmp.path());
        QCOMPARE(c.entries(*layout), expected);
        QCOMPARE(c.entries(*layout), expected); // opened again in the same context
        QCOMPARE(c.presenter.count(), 0);
    }
    Context again(tmp.path());
    QCOMPARE(again.entries(*layout), expected);
    QCOMPARE(again.presenter.count(), 0);
    Raw raw(tmp.path(), *layout);
    QCOMPARE(raw.openOrCreate(), int(DriverCode::Ok));
    QVERIFY(raw.marked());
}

// The set-up may run from a form priming a record it means to keep.
void TestStarterLists::callersBufferIsKept()
{
    QTemporaryDir tmp;
    Context c(tmp.path());
    FileManager &fm = c.file(tables::labTestName());
    fm.record().setText(0, QStringLiteral("Typed Test"));
    QCOMPARE(fm.newRecord(true), int(ResultOk));
    QCOMPARE(fm.record().text(0), QStringLiteral("Typed Test"));
    QCOMPARE(fm.insert(), int(ResultOk));
    QCOMPARE(c.entries(tables::labTestName()).size(), starterlists::labTestNames().size() + 1);
}

void TestStarterLists::emptiedListStaysEmpty_data()
{
    QTest::addColumn<const TableLayout *>("layout");
    QTest::addColumn<QString>("reopened");
    for (const char *how : {"same context", "new context", "copied folder"}) {
        QTest::addRow("drug forms, %s", how) << formTable() << QString::fromLatin1(how);
        QTest::addRow("laboratory test names, %s", how) << labTestNameTable() << QString::fromLatin1(how);
    }
}

void TestStarterLists::emptiedListStaysEmpty()
{
    QFETCH(const TableLayout *, layout);
    QFETCH(QString, reopened);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    auto first = std::make_unique<Context>(dir);
    QCOMPARE(first->entries(*layout).size(), starterlists::of(*layout).size());
    first->removeAll(*layout);

    if (reopened == QLatin1String("same context")) {
        QCOMPARE(first->entries(*layout), QStringList());
        return;
    }
    first.reset();
    QString where = dir;
    if (reopened == QLatin1String("copied folder")) {
        where = tmp.filePath(QStringLiteral("restored"));
        copyFolder(dir, where);
    }
    Context later(where);
    QCOMPARE(later.entries(*layout), QStringList());
    QCOMPARE(later.presenter.count(), 0);
}

void TestStarterLists::tableWithRecordsGetsNothing_data()
{
    addTableRows();
}

void TestStarterLists::tableWithRecordsGetsNothing()
{
    QFETCH(const TableLayout *, layout);
    QTemporaryDir tmp;
    {
        Raw raw(tmp.path(), *layout); // the user's own list, from before
        QCOMPARE(raw.openOrCreate(), int(DriverCode::Ok));
        raw.table.record().setText(0, QStringLiteral("Mine"));
        QCOMPARE(raw.table.add(), int(DriverCode::Ok));
    }
    {
        Context c(tmp.path());
        QCOMPARE(c.entries(*layout), QStringList{QStringLiteral("Mine")});
        // Emptied now, it stays so: the first opening settled the list.
        c.removeAll(*layout);
    }
    Context later(tmp.path());
    QCOMPARE(later.entries(*layout), QStringList());
    QCOMPARE(later.presenter.count(), 0);
}

void TestStarterLists::otherTablesGetNothing()
{
    QTemporaryDir tmp;
    Context c(tmp.path());
    // Drug forms share their file with doctors, pharmacies and the others.
    QCOMPARE(c.entries(tables::form()).size(), starterlists::drugForms().size());
    for (const TableLayout *layout : tables::all()) {
        if (layout == formTable() || !layout->createWhenMissing())
            continue;
        if (layout == labTestNameTable())
            continue;
        FileManager &fm = c.file(*layout);
        QCOMPARE(fm.open(), int(ResultOk));
        QCOMPARE(fm.use(), int(ResultOk));
        QVERIFY2(fm.table().records() == 0, qPrintable(layout->label()));
        bool marked = true;
        QCOMPARE(fm.table().hasMark(starterlists::markName(), marked), int(DriverCode::Ok));
        QVERIFY2(!marked, qPrintable(layout->label()));
        fm.close();
    }
    QCOMPARE(c.presenter.count(), 0);
}

void TestStarterLists::failureAddsNoneAndSaysSo_data()
{
    QTest::addColumn<const TableLayout *>("layout");
    QTest::addColumn<QString>("failing"); // "entry", "mark" or "read-only"
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("words");
    for (const auto &[name, layout] : {std::pair{"drug forms", formTable()}, {"test names", labTestNameTable()}}) {
        QTest::addRow("%s, the sixth entry fails", name)
            << layout << "entry" << "Record Insert Error" << "integer overflow";
        QTest::addRow("%s, the mark fails", name) << layout << "mark" << "Record Insert Error" << "integer overflow";
        QTest::addRow("%s, read-only file", name) << layout << "read-only" << "Transaction cancelled" << "Access Denied";
    }
}

void TestStarterLists::failureAddsNoneAndSaysSo()
{
    QFETCH(const TableLayout *, layout);
    QFETCH(QString, failing);
    QFETCH(QString, caption);
    QFETCH(QString, words);
    QTemporaryDir tmp;
    Raw raw(tmp.path(), *layout);
    QCOMPARE(raw.openOrCreate(), int(DriverCode::Ok));
    DriverStatus status;
    std::unique_ptr<SqlConnection> sql = SqlConnection::open(raw.table.path(), {}, false, status);
    QVERIFY(sql);
    // An engine failure that is not a constraint, which the driver would
    // call a duplicate key.
    const QByteArray overflow = " BEGIN SELECT abs(-9223372036854775807 - 1); END";
    if (failing == QLatin1String("entry")) {
        const QByteArray table = sqlschema::quoted(layout->tableName());
        QVERIFY(sql->exec("CREATE TRIGGER refuse BEFORE INSERT ON " + table + " WHEN (SELECT count(*) FROM " + table
                              + ") >= 5" + overflow,
                          status));
    } else if (failing == QLatin1String("mark")) {
        QVERIFY(sql->exec(sqlschema::createMarksTable("main"), status));
        QVERIFY(sql->exec("CREATE TRIGGER refuse BEFORE INSERT ON \"_tavimo_marks\"" + overflow, status));
    }
    dictionary::FileManagerFactory factory;
    if (failing == QLatin1String("read-only")) {
        factory = [layout](ThreadContext &c, const TableLayout &l) -> std::unique_ptr<FileManager> {
            if (&l != layout)
                return nullptr;
            return std::make_unique<ReadOnlyListFile>(c, c.table(l), c.errors());
        };
    }
    {
        Context c(tmp.path(), factory);
        QCOMPARE(c.entries(*layout), QStringList());
        QCOMPARE(c.presenter.count(), 1);
        const QString text = c.presenter.last().text;
        QCOMPARE(c.presenter.last().caption, caption);
        QVERIFY2(text.contains(layout->label()) && text.contains(words), qPrintable(text));
    }
    QCOMPARE(raw.table.records(), qint64(0));
    QVERIFY(!raw.marked());

    // Nothing was remembered, so once the file can take it the list goes in.
    QVERIFY(sql->exec("DROP TRIGGER IF EXISTS refuse", status));
    Context later(tmp.path());
    QCOMPARE(later.entries(*layout), sortedNoCase(starterlists::of(*layout)));
    QCOMPARE(later.presenter.count(), 0);
}

QTEST_GUILESS_MAIN(TestStarterLists)
#include "tst_seeding.moc"
