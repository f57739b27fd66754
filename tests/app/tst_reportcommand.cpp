// `tavimo report`, run as a script runs it: the real program, no display,
// over a data folder with a person and her readings. The PDF holds what
// the report's Save As would save; nothing is written when nothing
// matched or the arguments are wrong.
#include "contextfixture.h"
#include "filemanager.h"
#include "pdftools.h"
#include "programrun.h"
#include "record.h"
#include "tables.h"

#include <QDate>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

using namespace tavimo;

namespace {


struct Fixture : testing::ContextFixture
{
    Fixture()
    {
        FileManager &people = *context->fileManager(tables::personsName());
        people.open();
        Record &p = people.record();
        p.clear();
        p.setText("PER:FIRSTNAME", QStringLiteral("Ann"));
        p.setText("PER:LASTNAME", QStringLiteral("Lee"));
        p.setText("PER:PERSONSNAME", QStringLiteral("Ann Lee"));
        people.insert();
        people.close();

        FileManager &bp = *context->fileManager(tables::bloodpre());
        bp.open();
        const struct { int day; double systolic, diastolic, pulse; } readings[] = {
            {1, 120, 80, 60}, {15, 131, 85, 71}, {28, 140, 91, 80}};
        for (const auto &r : readings) {
            Record &rec = bp.record();
            rec.clear();
            rec.setText("BLO:PERSONNAME", QStringLiteral("Ann Lee"));
            rec.setDate("BLO:DATE", Date::fromYmd(2026, 2, r.day));
            rec.setTime("BLO:TIME", Time::fromHms(7, 30));
            rec.setReal("BLO:SYSTOLIC", r.systolic);
            rec.setReal("BLO:DIASTOLIC", r.diastolic);
            rec.setReal("BLO:PULSE", r.pulse);
            bp.insert();
        }
        bp.close();
        context.reset(); // the program opens the files itself
    }

    // The program as a script runs it: no display at all.
    tavimo::testing::ProgramRun run(const QStringList &arguments) const
    {
        return tavimo::testing::runProgram(QStringLiteral(TAVIMO_EXECUTABLE), tmp.path(), tmp.path(),
                                           QStringList{QStringLiteral("report")} + arguments);
    }
    QString path(const QString &name) const { return tmp.filePath(name); }
};

// The one line of the text that holds the caption, blanks made single.
QString lineWith(const QString &text, const QString &caption)
{
    for (const QString &l : text.split(QLatin1Char('\n')))
        if (l.contains(caption))
            return l.simplified();
    return QString();
}

QString infoValue(const QString &info, const QString &key)
{
    return lineWith(info, key + QLatin1Char(':')).mid(key.size() + 1).trimmed();
}

bool ownerOnly(const QString &file)
{
    struct stat s;
    return ::stat(QFile::encodeName(file).constData(), &s) == 0 && (s.st_mode & 077) == 0;
}

} // namespace

class TestReportCommand : public QObject
{
    Q_OBJECT

private slots:
    void writesTheReport();
    void protectedReport();
    void nothingMatched();
    void refusedArguments_data();
    void refusedArguments();
};

void TestReportCommand::writesTheReport()
{
    Fixture f;
    const QString pdf = f.path(QStringLiteral("ann.pdf"));
    const tavimo::testing::ProgramRun r = f.run({QStringLiteral("bpaverages"), QStringLiteral("--person"), QStringLiteral("Ann Lee"),
                         QStringLiteral("--from"), QStringLiteral("2026-02-01"), QStringLiteral("--to"),
                         QStringLiteral("2026-02-28"), QStringLiteral("--out"), pdf});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out.trimmed(), pdf);
    QVERIFY2(PdfTools::validate(pdf).isEmpty(), qPrintable(PdfTools::validate(pdf)));
    QVERIFY(ownerOnly(pdf));
    const QString text = QString::fromUtf8(
        PdfTools::run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out);
    QVERIFY2(text.contains(QStringLiteral("Ann Lee")), qPrintable(text));
    QCOMPARE(lineWith(text, QStringLiteral("Averages:")), QStringLiteral("Averages: 130.33 85.33 70.33"));
    QCOMPARE(lineWith(text, QStringLiteral("Number of Readings:")), QStringLiteral("Number of Readings: 3"));
    // The document information of the report's own Save As.
    const QString info = QString::fromUtf8(PdfTools::info(pdf).out);
    QCOMPARE(infoValue(info, QStringLiteral("Title")), QStringLiteral("LM Report"));
    QCOMPARE(infoValue(info, QStringLiteral("Creator")), QStringLiteral("tavimo2"));
    QCOMPARE(infoValue(info, QStringLiteral("Subject")), QStringLiteral("bpaverages"));

    // The range leaves readings out as the report's own filter does.
    const QString part = f.path(QStringLiteral("part.pdf"));
    QCOMPARE(f.run({QStringLiteral("bpaverages"), QStringLiteral("--person"), QStringLiteral("ann lee"),
                    QStringLiteral("--from"), QStringLiteral("2026-02-10"), QStringLiteral("--out"), part})
                 .status,
             0);
    const QString partText = QString::fromUtf8(
        PdfTools::run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), part, QStringLiteral("-")}).out);
    QCOMPARE(lineWith(partText, QStringLiteral("Number of Readings:")), QStringLiteral("Number of Readings: 2"));
}

void TestReportCommand::protectedReport()
{
    Fixture f;
    const QString secret = f.path(QStringLiteral("secret.txt"));
    {
        QFile file(secret);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("longenough\n");
    }
    const tavimo::testing::ProgramRun r = f.run({QStringLiteral("bpaverages"), QStringLiteral("--person"), QStringLiteral("Ann Lee"),
                         QStringLiteral("--out"), f.path(QStringLiteral("locked")), QStringLiteral("--password-file"),
                         secret});
    QCOMPARE(r.status, 0);
    const QString pdf = f.path(QStringLiteral("locked.PDF")); // the name had no extension
    QCOMPARE(r.out.trimmed(), pdf);
    QVERIFY(PdfTools::text(pdf).exitCode != 0);
    QVERIFY2(PdfTools::validate(pdf, "longenough").isEmpty(), qPrintable(PdfTools::validate(pdf, "longenough")));
    QVERIFY(PdfTools::text(pdf, "longenough").out.contains("Averages:"));
    QVERIFY(PdfTools::readFile(pdf).contains("/P -36"));
}

void TestReportCommand::nothingMatched()
{
    // No reading in the range: exit 1, and a file already there stays.
    Fixture f;
    const QString pdf = f.path(QStringLiteral("old.pdf"));
    {
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("last year's");
    }
    const tavimo::testing::ProgramRun r = f.run({QStringLiteral("bpaverages"), QStringLiteral("--person"), QStringLiteral("Ann Lee"),
                         QStringLiteral("--from"), QStringLiteral("2027-01-01"), QStringLiteral("--out"), pdf});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("There are no records available to process.")), qPrintable(r.err));
    QCOMPARE(PdfTools::readFile(pdf), QByteArray("last year's"));
    QCOMPARE(r.out, QString());
}

void TestReportCommand::refusedArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said"); // part of the one line on standard error

    const QString out = QStringLiteral("--out");
    const QString person = QStringLiteral("--person");
    QTest::newRow("no procedure") << QStringList{person, "Ann Lee", out, "x.pdf"} << "which report?";
    QTest::newRow("unknown procedure") << QStringList{"bpaverage", person, "Ann Lee", out, "x.pdf"}
                                       << "no report procedure \"bpaverage\"; there are: bpaverages";
    QTest::newRow("no person") << QStringList{"bpaverages", out, "x.pdf"} << "--person is needed";
    QTest::newRow("unknown person") << QStringList{"bpaverages", person, "Bob Ray", out, "x.pdf"}
                                    << "no person named \"Bob Ray\"";
    QTest::newRow("no output") << QStringList{"bpaverages", person, "Ann Lee"} << "--out is needed";
    QTest::newRow("not a date") << QStringList{"bpaverages", person, "Ann Lee", "--from", "02/01/2026", out, "x.pdf"}
                                << "--from \"02/01/2026\" is not a date like 2026-10-01";
    QTest::newRow("range backwards")
        << QStringList{"bpaverages", person, "Ann Lee", "--from", "2026-03-01", "--to", "2026-02-01", out, "x.pdf"}
        << "--to comes before --from";
    QTest::newRow("short password") << QStringList{"bpaverages", person, "Ann Lee", out, "x.pdf", "--password", "abc"}
                                    << "at least 6 characters";
    QTest::newRow("unknown option") << QStringList{"bpaverages", person, "Ann Lee", out, "x.pdf", "--colour"}
                                    << "colour";
}

void TestReportCommand::refusedArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    Fixture f;
    for (QString &a : arguments)
        if (a == QLatin1String("x.pdf"))
            a = f.path(a);
    const tavimo::testing::ProgramRun r = f.run(arguments);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1); // one line for the script's log
    QVERIFY(!QFile::exists(f.path(QStringLiteral("x.pdf"))));
    QCOMPARE(r.out, QString());
}

QTEST_MAIN(TestReportCommand)
#include "tst_reportcommand.moc"
