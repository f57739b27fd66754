// The relation manager's update and delete when the files are held by
// another program: nothing is lost without the user being told.
#include "contextfixture.h"
#include "datacontext.h"
#include "driverstatus.h"
#include "errormanager.h"
#include "filemanager.h"
#include "ownerkey.h"
#include "record.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "sqlconnection.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tavimo;

namespace {

struct Fixture : testing::ContextFixture
{
    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }
    RelationManager &relation(const TableLayout &t) { return *context->relationManager(t); }

    void addPrescription(const char *drug)
    {
        FileManager &pre = file(tables::prescripts());
        QCOMPARE(pre.newRecord(), int(ResultOk));
        pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QString::fromLatin1(drug));
        pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
        QCOMPARE(pre.insert(), int(ResultOk));
    }
    void addLine(const char *drug, const char *dose)
    {
        FileManager &mdm = file(tables::medicineManager());
        QCOMPARE(mdm.newRecord(), int(ResultOk));
        mdm.record().setText("MDM:PERSONSNAME", QStringLiteral("Ann Lee"));
        mdm.record().setText("MDM:DRUGNAME", QString::fromLatin1(drug));
        mdm.record().setText("MDM:ACTIVE", QStringLiteral("Y"));
        mdm.record().setText("MDM:DOSE", QString::fromLatin1(dose));
        QCOMPARE(mdm.insert(), int(ResultOk));
    }
    // The prescription read into its buffer, as a form has it.
    void readPrescription(const char *drug)
    {
        FileManager &pre = file(tables::prescripts());
        pre.record().clear();
        pre.record().setText("PRE:PERSONSNAME", QStringLiteral("Ann Lee"));
        pre.record().setText("PRE:DRUGNAMEASPRESCRIBED", QString::fromLatin1(drug));
        pre.record().setText("PRE:ACTIVE", QStringLiteral("Y"));
        QCOMPARE(pre.getByKey(1), int(ResultOk));
    }

    // What is stored, as another context reads it: every prescription as
    // "drug/active/purpose", then every schedule line as "drug/active".
    QStringList stored()
    {
        ThreadContext reader(config());
        QStringList out;
        StoredTable &pre = reader.table(tables::prescripts());
        StoredTable &mdm = reader.table(tables::medicineManager());
        if (pre.open() != 0 || mdm.open() != 0)
            return {QStringLiteral("cannot open")};
        pre.set(StoredTable::ByTable);
        while (pre.next() == 0)
            out << QStringLiteral("%1/%2/%3").arg(pre.record().text("PRE:DRUGNAMEASPRESCRIBED"),
                                                  pre.record().text("PRE:ACTIVE"), pre.record().text("PRE:PURPOSE"));
        mdm.set(StoredTable::ByTable);
        while (mdm.next() == 0)
            out << QStringLiteral("%1/%2").arg(mdm.record().text("MDM:DRUGNAME"), mdm.record().text("MDM:ACTIVE"));
        return out;
    }
};

// Another program's connection to the prescriptions file, holding it with
// the given statements until it goes.
std::unique_ptr<SqlConnection> holdPrescriptions(Fixture &f, const QByteArray &sql)
{
    const QString path = f.context->storage().pathOf(tables::prescripts());
    DriverStatus status;
    std::unique_ptr<SqlConnection> other = SqlConnection::open(path, rawCipherKey(tables::ownerPassword()), false, status);
    if (!other || !other->exec(sql, status))
        qWarning() << "the other program could not hold the file:" << status.text << status.fileError;
    return other;
}

const QByteArray kReads = "BEGIN; SELECT count(*) FROM sqlite_master";
const QByteArray kWrites = "BEGIN IMMEDIATE";

} // namespace

class TestRelationManager : public QObject
{
    Q_OBJECT

private slots:
    void heldFileStoresNothingAndKeepsTheTyping_data();
    void heldFileStoresNothingAndKeepsTheTyping();
    void deleteRefusedAtCommitKeepsEverythingAndAsksAgain();
};

void TestRelationManager::heldFileStoresNothingAndKeepsTheTyping_data()
{
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    // The other program only reads: the transaction starts, the change and
    // its cascade are written, and the commit is refused.
    QTest::newRow("read while committing")
        << kReads << int(ResultAsk) << "Record was not updated"
        << "An error (database is locked (5)) was experienced when making changes to the Prescripts file.";
    // The other program writes: the transaction cannot even start.
    QTest::newRow("written elsewhere")
        << kWrites << int(ResultNotify) << "Transaction cancelled"
        << "Error: (Record Is Already Held (43)) attempting to frame the transaction on Prescripts.";
}

void TestRelationManager::heldFileStoresNothingAndKeepsTheTyping()
{
    QFETCH(QByteArray, held);
    QFETCH(int, result);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    Fixture f;
    f.addLine("Warfarin", "2mg");
    f.addLine("Warfarin", "5mg");
    f.addPrescription("Warfarin");
    const QStringList before{QStringLiteral("Warfarin/Y/"), QStringLiteral("Warfarin/Y"), QStringLiteral("Warfarin/Y")};
    QCOMPARE(f.stored(), before);

    RelationManager &relation = f.relation(tables::prescripts());
    relation.transactionTimeout = 1; // seconds the engine waits for the other program
    FileManager &pre = f.file(tables::prescripts());
    f.readPrescription("Warfarin");
    pre.record().setText("PRE:ACTIVE", QStringLiteral("N")); // cascades to the schedule lines
    pre.record().setText("PRE:PURPOSE", QStringLiteral("typed by the user"));

    std::unique_ptr<SqlConnection> other = holdPrescriptions(f, held);
    QVERIFY(other);
    QCOMPARE(relation.update(true), result);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, caption);
    QCOMPARE(f.presenter.last().text, text);
    QVERIFY(!f.context->storage().inTransaction());

    // Nothing of the change is stored, and the form still has the typing.
    QCOMPARE(f.stored(), before);
    QCOMPARE(pre.record().text("PRE:ACTIVE"), QStringLiteral("N"));
    QCOMPARE(pre.record().text("PRE:PURPOSE"), QStringLiteral("typed by the user"));

    // Once the other program lets go, the same save goes through.
    other.reset();
    QCOMPARE(relation.update(true), int(ResultOk));
    QCOMPARE(f.stored(), (QStringList{QStringLiteral("Warfarin/N/typed by the user"), QStringLiteral("Warfarin/N"),
                                      QStringLiteral("Warfarin/N")}));
    QCOMPARE(f.presenter.count(), 1);
}

void TestRelationManager::deleteRefusedAtCommitKeepsEverythingAndAsksAgain()
{
    Fixture f;
    f.addLine("Insulin", "10u");
    f.addPrescription("Insulin");
    f.addPrescription("Metformin");
    const QStringList before{QStringLiteral("Insulin/Y/"), QStringLiteral("Metformin/Y/"), QStringLiteral("Insulin/Y")};
    QCOMPARE(f.stored(), before);

    RelationManager &relation = f.relation(tables::prescripts());
    relation.transactionTimeout = 1;
    f.readPrescription("Insulin");
    std::unique_ptr<SqlConnection> other = holdPrescriptions(f, kReads);
    QVERIFY(other);

    QStringList storedWhenAsked;
    f.presenter.answer(Button::Ok); // what went wrong
    f.presenter.answer(Button::Yes, [&] { // try again, once the other program is done
        storedWhenAsked = f.stored();
        other.reset();
    });
    f.presenter.answer(Button::No); // only if the second try failed too
    QCOMPARE(relation.deleteRecord(false), int(ResultOk));
    QCOMPARE(f.presenter.count(), 2);
    QCOMPARE(f.presenter.shown().at(0).caption, QStringLiteral("Record was not deleted"));
    QCOMPARE(f.presenter.shown().at(0).text,
             QStringLiteral("An error (database is locked (5)) was experienced when deleting a record from the "
                            "Prescripts file."));
    QCOMPARE(f.presenter.shown().at(1).caption, QStringLiteral("Record Delete Error"));
    QCOMPARE(storedWhenAsked, before);
    QCOMPARE(f.stored(), QStringList{QStringLiteral("Metformin/Y/")});
}

QTEST_GUILESS_MAIN(TestRelationManager)
#include "tst_relationmanager.moc"
