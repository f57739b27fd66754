// Program contexts each have their own instance of every table.
#include "datacontext.h"
#include "tables.h"
#include "threadcontext.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

class TestThreadContext : public QObject
{
    Q_OBJECT

private slots:
    void everyTableHasAnInstance();
    void twoContextsKeepIndependentBuffersAndPositions();
};

void TestThreadContext::everyTableHasAnInstance()
{
    QTemporaryDir tmp;
    ThreadContext a(programContextConfig(tmp.path()));
    ThreadContext b(programContextConfig(tmp.path()));
    QVERIFY(b.number() > a.number());
    QCOMPARE(a.tables().size(), tables::all().size());
    for (const TableLayout *layout : tables::all()) {
        QCOMPARE(&a.table(*layout).layout(), layout);
        QVERIFY(&a.table(*layout) != &b.table(*layout));
    }
    QCOMPARE(a.table(QStringLiteral("bloodpre")), &a.table(tables::bloodpre()));
    QCOMPARE(a.table(QStringLiteral("nothing")), nullptr);
}

void TestThreadContext::twoContextsKeepIndependentBuffersAndPositions()
{
    QTemporaryDir tmp;
    ThreadContext a(programContextConfig(tmp.path()));
    ThreadContext b(programContextConfig(tmp.path()));
    StoredTable &da = a.table(tables::doctors());
    StoredTable &db = b.table(tables::doctors());
    QCOMPARE(da.create(), 0);
    QCOMPARE(da.open(), 0);
    QCOMPARE(db.open(), 0);
    for (const char *name : {"Adams", "Baker", "Clark", "Dunn"}) {
        da.record().clear();
        da.record().setText("DOC:DOCTORSNAME", QString::fromLatin1(name));
        QCOMPARE(da.add(), 0);
    }

    QCOMPARE(da.set(0), 0);
    QCOMPARE(db.set(0), 0);
    QCOMPARE(da.next(), 0);
    QCOMPARE(db.previous(), 0);
    QCOMPARE(da.record().text("DOC:DOCTORSNAME"), QStringLiteral("Adams"));
    QCOMPARE(db.record().text("DOC:DOCTORSNAME"), QStringLiteral("Dunn"));

    // Typing into one buffer leaves the other alone.
    da.record().setText("DOC:CITY", QStringLiteral("Springfield"));
    QCOMPARE(db.record().text("DOC:CITY"), QString());

    QCOMPARE(da.next(), 0);
    QCOMPARE(db.previous(), 0);
    QCOMPARE(da.record().text("DOC:DOCTORSNAME"), QStringLiteral("Baker"));
    QCOMPARE(db.record().text("DOC:DOCTORSNAME"), QStringLiteral("Clark"));

    // The same table in another context keeps its own open state too.
    QCOMPARE(db.close(), 0);
    QCOMPARE(da.next(), 0);
    QCOMPARE(da.record().text("DOC:DOCTORSNAME"), QStringLiteral("Clark"));
}

QTEST_GUILESS_MAIN(TestThreadContext)
#include "tst_threadcontext.moc"
