// import-csv and export-csv as scripts run them: the exit status, one line
// on standard error naming what was wrong, and the line that says what
// was done.
#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Run = tavimo::testing::ProgramRun;

} // namespace

class TestCsvCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatusAndOneLine_data();
    void exitStatusAndOneLine();
    void exportToStandardOutput();

private:
    Run tavimo(const QStringList &arguments);
    QString write(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_tmp;
    QString m_data;
};

Run TestCsvCommands::tavimo(const QStringList &arguments)
{
    return tavimo::testing::runProgram(QStringLiteral(TAVIMO_EXECUTABLE), m_data, m_tmp.path(), arguments);
}

QString TestCsvCommands::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_tmp.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

// One data folder for all cases, in order: the people, then their readings.
void TestCsvCommands::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_data = m_tmp.filePath(QStringLiteral("data"));
    const Run people = tavimo({QStringLiteral("import-csv"), QStringLiteral("PersonsName"),
                               write(QStringLiteral("people.csv"), "FIRSTNAME,LASTNAME\nAnn,Lee\n")});
    QCOMPARE(people.status, 0);
    QCOMPARE(people.out, QStringLiteral("imported 1 record into PersonsName\n"));
    QCOMPARE(QFile::permissions(m_data) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
}

void TestCsvCommands::exitStatusAndOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("file"); // written as in.csv, for %1 in the arguments
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QByteArray seventeen = "DATE,TIME,SYSTOLIC,DIASTOLIC,PULSE\n";
    for (int i = 0; i < 15; ++i)
        seventeen += "2026-10-01,07:30,120,80,60\n";
    seventeen += "2026-10-02,07:30,12O,80,60\n2026-10-03,07:30,120,80,60\n";
    QTest::newRow("a bad value in row 17")
        << QStringList{"import-csv", "Bloodpre", "--person", "Ann Lee", "%1"} << seventeen << 2 << QString()
        << "tavimo import-csv: %1: row 17, column SYSTOLIC: \"12O\" is not a number";
    QTest::newRow("an unknown person")
        << QStringList{"import-csv", "Bloodpre", "--person", "Nobody", "%1"} << QByteArray("DATE\n2026-10-01\n") << 2
        << QString() << "tavimo import-csv: %1: no person named \"Nobody\"";
    QTest::newRow("a heading of its own without --map") << QStringList{"import-csv", "--dry-run", "Bloodpre", "--person", "Ann Lee", "%1"}
                               << QByteArray("DATE;Sys\r\n2026-10-01;120\r\n2026-10-02;121\r\n") << 2 << QString()
                               << "tavimo import-csv: %1: row 1, column \"Sys\": Bloodpre has no field Sys";
    QTest::newRow("a dry run through --map")
        << QStringList{"import-csv", "--dry-run", "Bloodpre", "--person", "Ann Lee", "--map", "Sys=SYSTOLIC", "%1"}
        << QByteArray("DATE;Sys\r\n2026-10-01;120\r\n2026-10-02;121\r\n") << 0
        << "checked 2 records for Bloodpre; nothing was written (--dry-run)\n" << QString();
    // The refused import above made the table, and left it empty.
    QTest::newRow("nothing exported yet") << QStringList{"export-csv", "Bloodpre", "out.csv"} << QByteArray() << 1
                                          << QString()
                                          << "tavimo export-csv: no record of Bloodpre matched; no file was written";
    QTest::newRow("imported") << QStringList{"import-csv", "Bloodpre", "--person", "ann lee", "%1"}
                              << QByteArray("DATE,TIME,SYSTOLIC\n2026-10-01,07:30,120\n2026-10-02,07:30,121\n") << 0
                              << "imported 2 records into Bloodpre\n" << QString();
    QTest::newRow("exported") << QStringList{"export-csv", "Bloodpre", "--from", "2026-10-02", "out.csv"}
                              << QByteArray() << 0 << "exported 1 record of Bloodpre to out.csv\n" << QString();
    QTest::newRow("nothing in the range") << QStringList{"export-csv", "Bloodpre", "--from", "2027-01-01", "none.csv"}
                                          << QByteArray() << 1 << QString()
                                          << "tavimo export-csv: no record of Bloodpre matched; no file was written";
}

void TestCsvCommands::exitStatusAndOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString in = file.isEmpty() ? QString() : write(QStringLiteral("in.csv"), file);
    for (QString &a : arguments)
        a.replace(QStringLiteral("%1"), in);
    err.replace(QStringLiteral("%1"), in);
    const Run run = tavimo(arguments);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, out);
    if (err.isEmpty()) {
        QCOMPARE(run.err, QString());
    } else {
        QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(run.err.endsWith(QLatin1Char('\n')));
    }
    if (arguments.first() == QLatin1String("export-csv")) {
        const QString written = m_tmp.filePath(arguments.last());
        QCOMPARE(QFile::exists(written), status == 0);
        if (status == 0)
            QCOMPARE(QFile::permissions(written) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

void TestCsvCommands::exportToStandardOutput()
{
    const Run run = tavimo({QStringLiteral("export-csv"), QStringLiteral("Bloodpre"), QStringLiteral("--person"),
                            QStringLiteral("Ann Lee"), QStringLiteral("-")});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(QStringLiteral("DATE,TIME,SYSTOLIC,DIASTOLIC,PULSE,COMMENT,PERSONNAME,")));
    QVERIFY(lines[1].startsWith(QStringLiteral("2026-10-01,07:30,120,0,0,,Ann Lee,")));
    QVERIFY(lines[2].startsWith(QStringLiteral("2026-10-02,07:30,121,0,0,,Ann Lee,")));
}

QTEST_GUILESS_MAIN(TestCsvCommands)
#include "tst_csvcommands.moc"
