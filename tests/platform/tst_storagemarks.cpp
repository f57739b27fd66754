// Marks a table keeps in its own file: per table, durable, copied with the
// file, and part of the session's transaction.
#include "driverstatus.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

const TableLayout &alpha()
{
    static const TableLayout layout =
        TableLayout::Builder("Alpha", "ALP", "shared\\!alpha").text("NAME", 20).key("ALP:ByName", {"NAME"}).build();
    return layout;
}

const TableLayout &beta()
{
    static const TableLayout layout =
        TableLayout::Builder("Beta", "BET", "shared\\!beta").text("NAME", 20).key("BET:ByName", {"NAME"}).build();
    return layout;
}

const TableLayout &gamma()
{
    static const TableLayout layout =
        TableLayout::Builder("Gamma", "GAM", "gamma").text("NAME", 20).key("GAM:ByName", {"NAME"}).build();
    return layout;
}

const QString kMark = QStringLiteral("starter list");

void openNew(StoredTable &t)
{
    QCOMPARE(t.create(), int(DriverCode::Ok));
    QCOMPARE(t.open(), int(DriverCode::Ok));
}

bool marked(StoredTable &t, const QString &name = kMark)
{
    bool found = true;
    const int code = t.hasMark(name, found);
    if (code != DriverCode::Ok)
        qWarning("hasMark failed with %d", code);
    return code == DriverCode::Ok && found;
}

} // namespace

class TestStorageMarks : public QObject
{
    Q_OBJECT

private slots:
    void markBelongsToOneTableOfTheFile();
    void markLastsAndTravelsWithTheFile();
    void readOnlyAndClosedTablesAreRefused();
    void markFollowsTheTransaction_data();
    void markFollowsTheTransaction();
};

void TestStorageMarks::markBelongsToOneTableOfTheFile()
{
    QTemporaryDir tmp;
    StorageSession session(tmp.path());
    StoredTable a(session, alpha());
    StoredTable b(session, beta());
    openNew(a);
    openNew(b);
    QCOMPARE(a.path(), b.path());

    // A file made before any mark was set reads as unmarked, not as a failure.
    QVERIFY(!marked(a));
    QCOMPARE(a.mark(kMark), int(DriverCode::Ok));
    QCOMPARE(a.mark(kMark), int(DriverCode::Ok)); // again is harmless
    QVERIFY(marked(a));
    QVERIFY(!marked(a, QStringLiteral("another mark")));
    QVERIFY(!marked(b));
    // Marks are not records of the table.
    QCOMPARE(a.records(), qint64(0));
    QString problem;
    QVERIFY2(a.checkFileIntegrity(problem), qPrintable(problem));
    QVERIFY2(a.verifyKeys(problem), qPrintable(problem));
}

void TestStorageMarks::markLastsAndTravelsWithTheFile()
{
    QTemporaryDir tmp;
    const QString first = tmp.filePath(QStringLiteral("first"));
    const QString copy = tmp.filePath(QStringLiteral("copy"));
    {
        StorageSession session(first);
        StoredTable g(session, gamma());
        openNew(g);
        QCOMPARE(g.mark(kMark), int(DriverCode::Ok));
    }
    QVERIFY(QDir().mkpath(copy));
    QVERIFY(QFile::copy(QDir(first).filePath(QStringLiteral("gamma.tdb")), QDir(copy).filePath(QStringLiteral("gamma.tdb"))));
    for (const QString &dir : {first, copy}) {
        StorageSession session(dir);
        StoredTable g(session, gamma());
        QCOMPARE(g.open(), int(DriverCode::Ok));
        QVERIFY2(marked(g), qPrintable(dir));
    }
}

void TestStorageMarks::readOnlyAndClosedTablesAreRefused()
{
    QTemporaryDir tmp;
    StorageSession session(tmp.path());
    StoredTable g(session, gamma());
    bool found = true;
    QCOMPARE(g.hasMark(kMark, found), int(DriverCode::FileNotOpen));
    QVERIFY(!found);
    QCOMPARE(g.mark(kMark), int(DriverCode::FileNotOpen));

    openNew(g);
    QCOMPARE(g.mark(kMark), int(DriverCode::Ok));
    QCOMPARE(g.close(), int(DriverCode::Ok));
    QCOMPARE(g.open(0x40), int(DriverCode::Ok));
    QVERIFY(marked(g)); // still readable
    QCOMPARE(g.mark(QStringLiteral("another mark")), int(DriverCode::AccessDenied));
    QCOMPARE(g.status().code, int(DriverCode::AccessDenied));
    QVERIFY(!marked(g, QStringLiteral("another mark")));
}

void TestStorageMarks::markFollowsTheTransaction_data()
{
    QTest::addColumn<bool>("overTwoFiles");
    QTest::addColumn<bool>("commit");
    QTest::newRow("one file, committed") << false << true;
    QTest::newRow("one file, rolled back") << false << false;
    QTest::newRow("two files, committed") << true << true;
    QTest::newRow("two files, rolled back") << true << false;
}

void TestStorageMarks::markFollowsTheTransaction()
{
    QFETCH(bool, overTwoFiles);
    QFETCH(bool, commit);
    QTemporaryDir tmp;
    StorageSession session(tmp.path());
    StoredTable a(session, alpha());
    StoredTable g(session, gamma());
    openNew(a);
    openNew(g);

    std::vector<StoredTable *> tables{&g};
    if (overTwoFiles)
        tables.insert(tables.begin(), &a); // gamma's file is then the attached one
    QCOMPARE(session.logout(1, tables), int(DriverCode::Ok));
    g.record().setText("NAME", QStringLiteral("Entry"));
    QCOMPARE(g.add(), int(DriverCode::Ok));
    QCOMPARE(g.mark(kMark), int(DriverCode::Ok));
    QVERIFY(marked(g)); // seen inside the transaction
    QCOMPARE(commit ? session.commit() : session.rollback(), int(DriverCode::Ok));

    QCOMPARE(marked(g), commit);
    QCOMPARE(g.records(), qint64(commit ? 1 : 0));
    // Another session sees the same once the transaction has ended.
    StorageSession other(tmp.path());
    StoredTable seen(other, gamma());
    QCOMPARE(seen.open(), int(DriverCode::Ok));
    QCOMPARE(marked(seen), commit);
}

QTEST_GUILESS_MAIN(TestStorageMarks)
#include "tst_storagemarks.moc"
