// The blood pressure averages report over known readings, run as the
// profile runs it, previewed and then printed into a PDF file, or saved as
// a PDF (from the preview's Save As, or chosen when printing), whose text
// holds the figures.
#include "bpaverages.h"
#include "contextfixture.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "picture.h"
#include "pdfgenerator.h"
#include "pdftools.h"
#include "printeroutput.h"
#include "printpreview.h"
#include "processvalues.h"
#include "record.h"
#include "reportmanager.h"
#include "reportpdf.h"
#include "reporttargetselector.h"
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
    // How the pages leave the preview: Print, then the printer or the PDF
    // in "Select an Output"; or Save As, which saves the PDF.
    enum class Via { Printer, PdfFromPrint, SaveAs };
    QStringList offered;    // what "Select an Output" listed
    QString pdfInfo;        // pdfinfo of the saved file
    QByteArray password;    // protects the saved file

    // Runs the report for Ann from the range given. The text of the file
    // the pages went to, or empty.
    QString run(QDate from, QDate to, int *response = nullptr, int *previewPages = nullptr, bool *maximized = nullptr,
                Via via = Via::Printer)
    {
        ProcessValues &v = ProcessValues::instance();
        v.currentPerson.name = QStringLiteral("Ann Lee");
        v.fromDate = Date::fromQDate(from);
        v.toDate = Date::fromQDate(to);
        const QString pdf = tmp.filePath(QStringLiteral("report.pdf"));
        const QString saved = tmp.filePath(QStringLiteral("saved")); // ".PDF" goes on
        QFile::remove(pdf);
        QFile::remove(saved + QStringLiteral(".PDF"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        LogReportHooks hooks;
        hooks.preview = [&](PrintPreview &preview) {
            if (previewPages)
                *previewPages = preview.pageCount();
            QTimer::singleShot(0, &preview, [&preview, maximized, via] {
                if (maximized)
                    *maximized = preview.window()->isMaximized() || preview.window()->windowState() & Qt::WindowMaximized;
                if (via == Via::SaveAs) {
                    preview.action(PrintPreview::Command::SaveAs)->trigger();
                    preview.exit();
                } else {
                    preview.print();
                }
            });
        };
        hooks.output = [&](PrinterOutput &output) {
            output.printer = &printer;
            output.askPrinter = [](QPrinter &) { return true; };
        };
        hooks.report = [&](ReportManager &report) {
            report.targetSelector()->setChooser([&](const QStringList &entries, bool printerFirst, QWidget *) {
                offered = entries;
                if (!printerFirst)
                    offered.prepend(QStringLiteral("(no printer)"));
                return via == Via::Printer ? 0 : int(entries.indexOf(QStringLiteral("PDF")));
            });
        };
        hooks.pdf = [&](ReportPdf &report) {
            report.generator().setReproducible(true);
            report.properties().password = password;
            report.setChooser([&](QWidget *) { return saved; });
        };
        offered.clear();
        const int r = BpAverages::run(*context, nullptr, hooks);
        const QString written = via == Via::Printer ? pdf : saved + QStringLiteral(".PDF");
        if (qEnvironmentVariableIsSet("TAVIMO_KEEP_REPORT"))
            QFile::copy(written, QString::fromLocal8Bit(qgetenv("TAVIMO_KEEP_REPORT")));
        if (response)
            *response = r;
        if (!QFile::exists(written))
            return QString();
        if (via != Via::Printer) {
            const QString problems = PdfTools::validate(written, password);
            if (!problems.isEmpty())
                qWarning("%s", qPrintable(problems));
            pdfInfo = QString::fromUtf8(PdfTools::info(written, password).out);
        }
        QProcess text;
        QStringList args{QStringLiteral("-layout")};
        if (!password.isEmpty())
            args << QStringLiteral("-upw") << QString::fromUtf8(password);
        text.start(QStringLiteral("pdftotext"), args << written << QStringLiteral("-"));
        text.waitForFinished(30000);
        return QString::fromUtf8(text.readAllStandardOutput());
    }
};

// The value of a pdfinfo line ("Title:   LM Report").
QString infoLine(const QString &info, const QString &key)
{
    for (const QString &l : info.split(QLatin1Char('\n')))
        if (l.startsWith(key + QLatin1Char(':')))
            return l.mid(key.size() + 1).trimmed();
    return QStringLiteral("(none)");
}

} // namespace

class TestBpAverages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { ProcessValues::instance().clear(); }
    void totalsOverTheRange_data();
    void totalsOverTheRange();
    void savedAsPdf();
    void protectedPdf();
    void oneReadingIsItsOwnAverage();
    void noReadingsPrintNothing();
};

void TestBpAverages::totalsOverTheRange_data()
{
    QTest::addColumn<int>("via");
    QTest::newRow("printed") << int(Fixture::Via::Printer);
    QTest::newRow("PDF chosen at Print") << int(Fixture::Via::PdfFromPrint);
    QTest::newRow("saved as PDF") << int(Fixture::Via::SaveAs);
}

void TestBpAverages::totalsOverTheRange()
{
    QFETCH(int, via);
    Fixture f;
    f.add({{"Ann Lee", QDate(2026, 1, 31), 200, 120, 100},  // the day before the range
           {"Ann Lee", QDate(2026, 2, 1), 120, 80, 60},     // its first day
           {"Ann Lee", QDate(2026, 2, 15), 131, 85, 71},
           {"Ann Lee", QDate(2026, 3, 1), 140, 91, 80},     // its last day
           {"Ann Lee", QDate(2026, 3, 2), 90, 50, 40},      // the day after
           {"Bob Ray", QDate(2026, 2, 10), 170, 110, 95}}); // someone else
    int response = 0, pages = 0;
    bool maximized = false;
    const QString text =
        f.run(QDate(2026, 2, 1), QDate(2026, 3, 1), &response, &pages, &maximized, Fixture::Via(via));
    QCOMPARE(response, int(Response::Completed));
    // Print offers the printer and the PDF; Save As has only the PDF to save with.
    QCOMPARE(f.offered, Fixture::Via(via) == Fixture::Via::SaveAs ? QStringList() : QStringList({"Print", "PDF"}));
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

void TestBpAverages::savedAsPdf()
{
    Fixture f;
    f.add({{"Ann Lee", QDate(2026, 5, 5), 118, 76, 64}});
    int response = 0;
    const QString text = f.run(QDate(2026, 5, 5), QDate(2026, 5, 5), &response, nullptr, nullptr, Fixture::Via::SaveAs);
    QCOMPARE(response, int(Response::Completed));
    QVERIFY2(text.contains(QStringLiteral("118.00")), qPrintable(text));
    const std::pair<const char *, const char *> expected[] = {
        {"Title", "LM Report"}, {"Creator", "tavimo2"}, {"Producer", "bpaverages"}, {"Subject", "bpaverages"},
        {"Author", ""},   {"Keywords", ""}, {"Encrypted", "no"}};
    for (const auto &[key, value] : expected)
        QVERIFY2(infoLine(f.pdfInfo, QString::fromLatin1(key)) == QLatin1String(value), qPrintable(f.pdfInfo));
    // No page outline: the outline root has no items.
    const QByteArray pdf = PdfTools::readFile(f.tmp.filePath(QStringLiteral("saved.PDF")));
    QVERIFY(PdfTools::object(pdf, 5).contains("/Count 0"));
}

void TestBpAverages::protectedPdf()
{
    Fixture f;
    f.add({{"Ann Lee", QDate(2026, 5, 5), 118, 76, 64}});
    f.password = "secret12";
    const QString text = f.run(QDate(2026, 5, 5), QDate(2026, 5, 5), nullptr, nullptr, nullptr, Fixture::Via::SaveAs);
    QVERIFY2(text.contains(QStringLiteral("118.00")), qPrintable(text));
    QVERIFY2(infoLine(f.pdfInfo, QStringLiteral("Encrypted")).startsWith(QLatin1String("yes")), qPrintable(f.pdfInfo));
    const QString file = f.tmp.filePath(QStringLiteral("saved.PDF"));
    // Without the password nothing opens; the permissions are print, change and copy.
    QVERIFY(PdfTools::text(file).exitCode != 0);
    QVERIFY(PdfTools::readFile(file).contains("/P -36"));
    const PdfTools::Run show = PdfTools::run(QStringLiteral("qpdf"), {QStringLiteral("--password=secret12"),
                                                                       QStringLiteral("--show-encryption"), file});
    QVERIFY2(show.out.contains("P = -36"), show.out.constData());
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
