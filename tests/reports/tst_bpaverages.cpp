// The blood pressure averages report over known readings, run as the
// profile runs it, previewed and printed into a PDF file whose text holds
// the figures.
#include "bpaverages.h"
#include "contextfixture.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "picture.h"
#include "printeroutput.h"
#include "printpreview.h"
#include "processvalues.h"
#include "record.h"
#include "reportmanager.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tavimo;

namespace {

struct Reading
{
    const char *person;
    QDate date;
    double systolic, diastolic, pulse;
};

struct Fixture : testing::ContextFixture
{
    void add(std::initializer_list<Reading> readings)
    {
        FileManager &bp = *context->fileManager(tables::bloodpre());
        QCOMPARE(bp.open(), int(ResultOk));
        for (const Reading &r : readings) {
            Record &rec = bp.record();
            rec.clear();
            rec.setText("BLO:PERSONNAME", QString::fromLatin1(r.person));
            rec.setDate("BLO:DATE", Date::fromQDate(r.date));
            rec.setTime("BLO:TIME", Time::fromHms(8, 15));
            rec.setReal("BLO:SYSTOLIC", r.systolic);
            rec.setReal("BLO:DIASTOLIC", r.diastolic);
            rec.setReal("BLO:PULSE", r.pulse);
            rec.setText("BLO:COMMENT", QStringLiteral("before breakfast"));
            QCOMPARE(bp.insert(), int(ResultOk));
        }
        bp.close();
    }
    // Runs the report for Ann from the range given; Print in the preview
    // sends the pages into a PDF file. The text of that file, or empty.
    QString run(QDate from, QDate to, int *response = nullptr, int *previewPages = nullptr, bool *maximized = nullptr)
    {
        ProcessValues &v = ProcessValues::instance();
        v.currentPerson.name = QStringLiteral("Ann Lee");
        v.fromDate = Date::fromQDate(from);
        v.toDate = Date::fromQDate(to);
        const QString pdf = tmp.filePath(QStringLiteral("report.pdf"));
        QFile::remove(pdf);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        LogReportHooks hooks;
        hooks.preview = [&](PrintPreview &preview) {
            if (previewPages)
                *previewPages = preview.pageCount();
            QTimer::singleShot(0, &preview, [&preview, maximized] {
                if (maximized)
                    *maximized = preview.window()->isMaximized() || preview.window()->windowState() & Qt::WindowMaximized;
                preview.print();
            });
        };
        hooks.output = [&](PrinterOutput &output) {
            output.printer = &printer;
            output.askPrinter = [](QPrinter &) { return true; };
        };
        const int r = BpAverages::run(*context, nullptr, hooks);
        if (qEnvironmentVariableIsSet("TAVIMO_KEEP_REPORT"))
            QFile::copy(pdf, QString::fromLocal8Bit(qgetenv("TAVIMO_KEEP_REPORT")));
        if (response)
            *response = r;
        if (!QFile::exists(pdf))
            return QString();
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        text.waitForFinished(30000);
        return QString::fromUtf8(text.readAllStandardOutput());
    }
};

} // namespace

class TestBpAverages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { ProcessValues::instance().clear(); }
    void totalsOverTheRange();
    void oneReadingIsItsOwnAverage();
    void noReadingsPrintNothing();
};

void TestBpAverages::totalsOverTheRange()
{
    Fixture f;
    f.add({{"Ann Lee", QDate(2026, 1, 31), 200, 120, 100},  // the day before the range
           {"Ann Lee", QDate(2026, 2, 1), 120, 80, 60},     // its first day
           {"Ann Lee", QDate(2026, 2, 15), 131, 85, 71},
           {"Ann Lee", QDate(2026, 3, 1), 140, 91, 80},     // its last day
           {"Ann Lee", QDate(2026, 3, 2), 90, 50, 40},      // the day after
           {"Bob Ray", QDate(2026, 2, 10), 170, 110, 95}}); // someone else
    int response = 0, pages = 0;
    bool maximized = false;
    const QString text = f.run(QDate(2026, 2, 1), QDate(2026, 3, 1), &response, &pages, &maximized);
    QCOMPARE(response, int(Response::Completed));
    QCOMPARE(pages, 1);
    QVERIFY(maximized);
    QVERIFY2(text.contains(QStringLiteral("Blood Pressure Report For:")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Ann Lee")));
    QVERIFY(text.contains(QStringLiteral("Since:")));
    for (const char *head : {"Date", "Time", "Systolic", "Diastolic", "Pulse", "Comment", "Averages:", "Minimums:",
                             "Maximums:", "Number of Readings:", "Tavimo", "Page"})
        QVERIFY2(text.contains(QString::fromLatin1(head)), head);
    const Picture longDate = *Picture::parse(QStringLiteral("D18"));
    for (const QDate &d : {QDate(2026, 2, 1), QDate(2026, 2, 15), QDate(2026, 3, 1)})
        QVERIFY2(text.contains(longDate.format(Date::fromQDate(d)).trimmed()), qPrintable(d.toString()));
    for (const QDate &d : {QDate(2026, 1, 31), QDate(2026, 3, 2)})
        QVERIFY2(!text.contains(longDate.format(Date::fromQDate(d)).trimmed()), qPrintable(d.toString()));
    QVERIFY(!text.contains(QStringLiteral("170.00")));
    // Systolic 120, 131, 140; diastolic 80, 85, 91; pulse 60, 71, 80.
    const auto line = [&](const char *caption) {
        for (const QString &l : text.split(QLatin1Char('\n')))
            if (l.contains(QString::fromLatin1(caption)))
                return l.simplified();
        return QString();
    };
    QCOMPARE(line("Averages:"), QStringLiteral("Averages: 130.33 85.33 70.33"));
    QCOMPARE(line("Minimums:"), QStringLiteral("Minimums: 120.00 80.00 60.00"));
    QCOMPARE(line("Maximums:"), QStringLiteral("Maximums: 140.00 91.00 80.00"));
    QCOMPARE(line("Number of Readings:"), QStringLiteral("Number of Readings: 3"));
}

void TestBpAverages::oneReadingIsItsOwnAverage()
{
    Fixture f;
    f.add({{"Ann Lee", QDate(2026, 5, 5), 118, 76, 64}});
    const QString text = f.run(QDate(2026, 5, 5), QDate(2026, 5, 5));
    for (const char *caption : {"Averages:", "Minimums:", "Maximums:"}) {
        bool found = false;
        for (const QString &l : text.split(QLatin1Char('\n')))
            if (l.contains(QString::fromLatin1(caption))) {
                QCOMPARE(l.simplified(), QString::fromLatin1(caption) + QStringLiteral(" 118.00 76.00 64.00"));
                found = true;
            }
        QVERIFY2(found, caption);
    }
}

void TestBpAverages::noReadingsPrintNothing()
{
    Fixture f;
    f.add({{"Ann Lee", QDate(2025, 1, 1), 120, 80, 60}});
    int response = 0, pages = -1;
    const QString text = f.run(QDate(2026, 1, 1), QDate(2026, 12, 31), &response, &pages);
    QCOMPARE(response, int(Response::Cancelled));
    QCOMPARE(pages, -1); // no preview
    QVERIFY(text.isEmpty());
}

QTEST_MAIN(TestBpAverages)
#include "tst_bpaverages.moc"
