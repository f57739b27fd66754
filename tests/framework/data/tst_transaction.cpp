// A transaction object: stored only when committed, rolled back when it
// goes, and a refused commit leaves nothing behind.
#include "datacontext.h"
#include "driverstatus.h"
#include "sqlconnection.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "transaction.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tavimo;

class TestTransaction : public QObject
{
    Q_OBJECT

private slots:
    void endings_data();
    void endings();
};

void TestTransaction::endings_data()
{
    QTest::addColumn<bool>("commit");
    QTest::addColumn<bool>("otherReads"); // another program reads the file meanwhile
    QTest::addColumn<bool>("committed");
    QTest::newRow("committed") << true << false << true;
    QTest::newRow("left without commit") << false << false << false;
    QTest::newRow("commit refused") << true << true << false;
}

void TestTransaction::endings()
{
    QFETCH(bool, commit);
    QFETCH(bool, otherReads);
    QFETCH(bool, committed);
    QTemporaryDir tmp;
    ThreadContext context(programContextConfig(tmp.path()));
    StoredTable &doctors = context.table(tables::doctors());
    QCOMPARE(doctors.create(), 0);
    QCOMPARE(doctors.open(), 0);

    std::unique_ptr<SqlConnection> other;
    if (otherReads) {
        DriverStatus status;
        other = SqlConnection::open(doctors.path(), {}, true, status);
        QVERIFY(other);
        QVERIFY(other->exec("BEGIN; SELECT count(*) FROM sqlite_master", status));
    }
    {
        Transaction transaction(context.storage());
        QCOMPARE(transaction.beginWaiting(100, {&doctors}), 0);
        QVERIFY(transaction.isActive());
        doctors.record().clear();
        doctors.record().setText("DOC:DOCTORSNAME", QStringLiteral("Adams"));
        QCOMPARE(doctors.add(), 0);
        if (commit) {
            const int code = transaction.commit();
            QCOMPARE(code == 0, committed);
            QCOMPARE(context.storage().lastStatus().code, code);
            QVERIFY(!transaction.isActive());
        }
    }
    QVERIFY(!context.storage().inTransaction());
    other.reset();

    ThreadContext reader(programContextConfig(tmp.path()));
    StoredTable &stored = reader.table(tables::doctors());
    QCOMPARE(stored.open(), 0);
    QCOMPARE(stored.records(), qint64(committed ? 1 : 0));
}

QTEST_GUILESS_MAIN(TestTransaction)
#include "tst_transaction.moc"
