// The data check a user runs when something looks wrong.
#include "checkdata.h"
#include "ownerkey.h"
#include "tables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {
struct Run
{
    int code;
    QString out;
    QString err;
};

Run check(const QString &dir)
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const int code = checkData(dir, o, e);
    return Run{code, out, err};
}
} // namespace

class TestCheckData : public QObject
{
    Q_OBJECT

private slots:
    void freshFolderIsCreatedAndUsable();
    void damagedFileFailsWithAClearMessage();
    void readOnlyDataIsNamed_data();
    void readOnlyDataIsNamed();
    void existingFolderIsKeptToItsOwner_data();
    void existingFolderIsKeptToItsOwner();
};

void TestCheckData::freshFolderIsCreatedAndUsable()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    const Run first = check(dir);
    QVERIFY2(first.code == 0, qPrintable(first.err));
    const QStringList lines = first.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // A heading, one line per table, a closing line.
    QCOMPARE(lines.size(), int(tables::all().size()) + 2);
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("PersonsName +persons\\.tdb +encrypted +0 records, created"))));
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("Doctors +support\\.tdb +plain +0 records"))));
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("DUMMY +model\\.dll +encrypted +absent"))));
    QVERIFY(!QFile::exists(QDir(dir).filePath(QStringLiteral("model.dll")))); // never created

    const Run second = check(dir);
    QCOMPARE(second.code, 0);
    QVERIFY(!second.out.contains(QStringLiteral("created")));
}

void TestCheckData::damagedFileFailsWithAClearMessage()
{
    QTemporaryDir tmp;
    QCOMPARE(check(tmp.path()).code, 0);
    QFile glucose(QDir(tmp.path()).filePath(QStringLiteral("Glucose.tdb")));
    QVERIFY(glucose.open(QIODevice::WriteOnly | QIODevice::Truncate));
    glucose.write(QByteArray(4096, 'x'));
    glucose.close();

    const Run run = check(tmp.path());
    QCOMPARE(run.code, 1);
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("Glucose +Glucose\\.tdb +encrypted +CANNOT BE USED"))));
    QVERIFY2(run.err.contains(QStringLiteral("Tavimo cannot use the table Glucose in")), qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral("1 table cannot be used")));
    // The other tables were still checked.
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("Bloodpre +Bloodpre\\.tdb +encrypted +0 records"))));
}

constexpr QFileDevice::Permissions kReadOnlyFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kPrivateFolder = kReadOnlyFolder | QFileDevice::WriteOwner;

void TestCheckData::readOnlyDataIsNamed_data()
{
    QTest::addColumn<bool>("tablesFirst");
    QTest::addColumn<QString>("readOnly"); // in the data folder; "." for the folder itself
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("line"); // a table's line, as a pattern
    QTest::newRow("folder") << true << "." << "The data folder %1 is read-only"
                            << "Doctors +support\\.tdb +plain +0 records, read-only";
    QTest::newRow("file") << true << "persons.tdb" << "The data file %1/persons.tdb is read-only"
                          << "PersonsName +persons\\.tdb +encrypted +0 records, read-only";
    QTest::newRow("empty folder") << false << "." << "The data folder %1 is read-only"
                                  << "PersonsName +persons\\.tdb +encrypted +absent, cannot be created in a read-only folder";
}

// Read-only is read off the permissions as well as tried, so this holds
// for root too.
void TestCheckData::readOnlyDataIsNamed()
{
    QFETCH(bool, tablesFirst);
    QFETCH(QString, readOnly);
    QFETCH(QString, said);
    QFETCH(QString, line);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    if (tablesFirst)
        QCOMPARE(check(dir).code, 0);
    else
        QVERIFY(QDir().mkpath(dir));
    const QStringList filesBefore = QDir(dir).entryList(QDir::Files);
    const QString path = QDir(dir).filePath(readOnly);
    QVERIFY(QFile::setPermissions(path, readOnly == QLatin1String(".") ? kReadOnlyFolder : QFileDevice::ReadOwner));

    const Run run = check(dir);
    QFile::setPermissions(dir, kPrivateFolder);
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.contains(said.arg(dir)), qPrintable(run.err));
    QVERIFY2(run.out.contains(QRegularExpression(line)), qPrintable(run.out));
    QVERIFY(!run.out.contains(QStringLiteral("All tables can be used.")));
    QCOMPARE(QDir(dir).entryList(QDir::Files), filesBefore); // nothing made in a read-only folder
}

void TestCheckData::existingFolderIsKeptToItsOwner_data()
{
    QTest::addColumn<int>("folderBefore");
    QTest::addColumn<int>("fileBefore");
    QTest::addColumn<int>("folderAfter");
    QTest::addColumn<int>("fileAfter");
    // Qt's permission bits: owner 0x7000, group 0x0070, others 0x0007.
    QTest::newRow("readable by others") << 0x7755 << 0x6644 << 0x7000 << 0x6000;
    QTest::newRow("writable by the group") << 0x7770 << 0x6660 << 0x7000 << 0x6000;
    QTest::newRow("already private") << 0x7000 << 0x6000 << 0x7000 << 0x6000;
}

void TestCheckData::existingFolderIsKeptToItsOwner()
{
    QFETCH(int, folderBefore);
    QFETCH(int, fileBefore);
    QFETCH(int, folderAfter);
    QFETCH(int, fileAfter);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    QCOMPARE(check(dir).code, 0);
    const QString persons = QDir(dir).filePath(QStringLiteral("persons.tdb"));
    const QString journal = persons + QLatin1String("-journal"); // left by a run that died
    const QString notOurs = QDir(dir).filePath(QStringLiteral("notes.txt"));
    for (const QString &path : {journal, notOurs}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::setPermissions(dir, QFileDevice::Permissions(folderBefore)));
    for (const QString &path : {persons, journal, notOurs})
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(fileBefore)));

    QCOMPARE(check(dir).code, 0);
    const auto bits = [](const QString &p) { return int(QFileInfo(p).permissions()) & 0x7077; }; // not the "user" bits
    QCOMPARE(bits(dir), folderAfter);
    QCOMPARE(bits(persons), fileAfter);
    QCOMPARE(bits(journal), fileAfter);
    QCOMPARE(bits(notOurs), fileBefore & 0x7077); // another program's file in the folder
}

QTEST_GUILESS_MAIN(TestCheckData)
#include "tst_checkdata.moc"
