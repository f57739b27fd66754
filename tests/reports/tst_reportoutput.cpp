// Where a run's pages go: shown in the Report Preview from their page
// files, printed through QPrinter into PDF files (read back with poppler),
// or saved through a generator; a page that cannot be read is said once.
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagefilesource.h"
#include "pagefolder.h"
#include "pagewriter.h"
#include "pdfgenerator.h"
#include "pdftools.h"
#include "previewcanvas.h"
#include "previewrunner.h"
#include "printeroutput.h"
#include "printpreview.h"
#include "printsettings.h"
#include "reportlayout.h"
#include "reportmanager.h"
#include "reporttargetselector.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>

#include <sys/stat.h>

using namespace tavimo;

namespace {

const QStringList kTexts{QStringLiteral("Alpha reading"), QStringLiteral("Bravo reading"),
                         QStringLiteral("Charlie reading")};

// Keeps what it is given.
class RecordingGenerator : public IReportGenerator
{
public:
    int documentPages = -1;
    QStringList opened; // the page names, which the reader gives as the files'
    int documentsClosed = 0;

    void initialise() override {}
    int openDocument(int pageCount) override
    {
        documentPages = pageCount;
        return Done;
    }
    int closeDocument() override
    {
        ++documentsClosed;
        return Done;
    }
    int openPage(int, int, int, int, const QString &pageName) override
    {
        opened << pageName;
        return Done;
    }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("RECORD"); }
    QString displayName() const override { return QStringLiteral("Recording"); }
    QString icon() const override { return {}; }
};

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;
    std::unique_ptr<PageFolder> folder;
    QStringList pages;

    Fixture()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.dataDirectory = tmp.path();
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        folder = std::make_unique<PageFolder>(tmp.path());
    }

    // A page with its text and a black square an inch from its corner.
    QString writePage(const QString &text, QSize paper = QSize(8500, 11000))
    {
        FinishedPage page;
        page.name = text;
        page.width = paper.width();
        page.height = paper.height();
        PlacedControl square;
        square.kind = ControlKind::Box;
        square.left = 1000;
        square.top = 1000;
        square.right = 2000;
        square.bottom = 2000;
        square.style.backgroundColor = ReportColor::Black;
        square.style.borderStyle = BorderStyle::Solid;
        page.controls.push_back(square);
        PlacedControl line;
        line.kind = ControlKind::String;
        line.left = 1000;
        line.top = 3000;
        line.right = 7000;
        line.bottom = 3300;
        line.x = 1000;
        line.y = 3000;
        line.text = text;
        page.controls.push_back(line);
        const QString file = folder->pageFile(int(pages.size()) + 1);
        QString error;
        if (!PageWriter::write(page, file, &error))
            qWarning("%s", qPrintable(error));
        pages << file;
        return file;
    }
    void writeRun(int count = 3)
    {
        for (int i = 0; i < count; ++i)
            writePage(kTexts.at(i));
    }
    QString path(const QString &name) const { return tmp.filePath(name); }
};

std::unique_ptr<QPrinter> pdfPrinter(const QString &file)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    return printer;
}

// The text of each page of a PDF file, blanks made single.
QStringList pageTexts(const QString &file)
{
    const PdfTools::Run run = PdfTools::text(file);
    QStringList texts;
    for (const QString &page : QString::fromUtf8(run.out).split(QLatin1Char('\f')))
        if (!page.simplified().isEmpty())
            texts << page.simplified();
    return texts;
}

int pdfPageCount(const QString &file)
{
    const QRegularExpression pagesLine(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pagesLine.match(QString::fromUtf8(PdfTools::info(file).out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// "612x792" for each page, in points rounded.
QStringList pdfPageSizes(const QString &file, int pageCount)
{
    const PdfTools::Run run = PdfTools::run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                                       QStringLiteral("-l"), QString::number(pageCount), file});
    const QRegularExpression sizeLine(QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+)"));
    QStringList sizes;
    auto it = sizeLine.globalMatch(QString::fromUtf8(run.out));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        sizes << QStringLiteral("%1x%2").arg(qRound(m.captured(1).toDouble())).arg(qRound(m.captured(2).toDouble()));
    }
    return sizes;
}

// Runs the steps once the preview is up; whatever they did, the window
// ends afterwards, so that no test waits on it.
std::function<void(PrintPreview &)> whenShown(std::function<void(PrintPreview &)> steps)
{
    return [steps](PrintPreview &preview) {
        QTimer::singleShot(0, &preview, [&preview, steps] {
            steps(preview);
            if (preview.isRunning())
                preview.exit();
        });
    };
}

// The page file gone, replaced by what is no page file, or cut short.
bool spoil(const QString &page, const QString &how)
{
    QFile file(page);
    if (how == QLatin1String("gone"))
        return file.remove();
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray bytes = file.readAll();
    const QByteArray spoilt = how == QLatin1String("cut") ? bytes.left(bytes.size() - 10) : QByteArray(200, 'Z');
    return file.resize(0) && file.seek(0) && file.write(spoilt) == spoilt.size();
}

bool ownerOnly(const QString &file)
{
    struct stat info;
    return ::stat(QFile::encodeName(file).constData(), &info) == 0 && (info.st_mode & 077) == 0;
}

int darkPixels(const QImage &image, const QRect &area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++dark;
    return dark;
}

} // namespace

class TestReportOutput : public QObject
{
    Q_OBJECT

private slots:
    void pagesFromTheirFiles_data();
    void pagesFromTheirFiles();
    void unreadablePageSaidOnce_data();
    void unreadablePageSaidOnce();
    void unreadablePageInThePreview_data();
    void unreadablePageInThePreview();

    void previewChoices_data();
    void previewChoices();
    void printsThePagesKept_data();
    void printsThePagesKept();
    void saveAsFromThePreview_data();
    void saveAsFromThePreview();

    void paperFromThePageBox_data();
    void paperFromThePageBox();
    void printDialogChoices_data();
    void printDialogChoices();
    void cancelledPrintDialogPrintsNothing();
    void printsOnTheRunsPrinter();
    void printedFileIsTheOwners();
    void unreadablePageStopsThePrint();
    void printThatCannotBeMadeIsSaid();
    void nothingToPrintOrSave();
};

void TestReportOutput::pagesFromTheirFiles_data()
{
    QTest::addColumn<QSize>("paper");
    QTest::newRow("letter") << QSize(8500, 11000);
    QTest::newRow("letter turned") << QSize(11000, 8500);
    QTest::newRow("A4") << QSize(8268, 11693);
}

void TestReportOutput::pagesFromTheirFiles()
{
    QFETCH(QSize, paper);
    Fixture f;
    f.writePage(kTexts[0]);
    f.writePage(kTexts[1], paper);
    PageFileSource source(*f.context, f.pages);
    QCOMPARE(source.pageCount(), 2);
    QCOMPARE(source.pageSize(0), QSize(8500, 11000));
    QCOMPARE(source.pageSize(1), paper);
    QCOMPARE(source.pageSize(2), QSize());

    // 50 dots per inch: the square covers (50,50)-(100,100).
    QImage image(paper.width() / 20, paper.height() / 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        const QTransform before = painter.transform();
        QVERIFY(source.paintPage(1, painter, 50));
        QCOMPARE(painter.transform(), before);
    }
    QCOMPARE(darkPixels(image, QRect(55, 55, 40, 40)), 40 * 40);
    QCOMPARE(darkPixels(image, QRect(0, 0, 45, 45)), 0);
    QVERIFY(darkPixels(image, QRect(50, 150, 250, 15)) > 0); // the text's line
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportOutput::unreadablePageSaidOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("gone") << "gone" << QSize() << "Get next record from file %1 failed.";
    QTest::newRow("not a page file") << "garbage" << QSize() << "The File %1 is not a valid WMF file.";
    // The box reads, the drawing does not.
    QTest::newRow("cut short") << "cut" << QSize(8500, 11000) << "Get next record from file %1 failed.";
}

void TestReportOutput::unreadablePageSaidOnce()
{
    QFETCH(QString, how);
    QFETCH(QSize, size);
    QFETCH(QString, message);
    Fixture f;
    f.writeRun();
    const QString bad = f.pages[1];
    QVERIFY(spoil(bad, how));

    PageFileSource source(*f.context, f.pages);
    QImage image(425, 550, QImage::Format_RGB32);
    for (int round = 0; round < 3; ++round) {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("saved states|Unbalanced")));
        QCOMPARE(source.pageSize(1), size);
        image.fill(Qt::white);
        QPainter painter(&image);
        QVERIFY(!source.paintPage(1, painter, 50));
        QVERIFY(source.paintPage(0, painter, 50));
        QVERIFY(source.paintPage(2, painter, 50));
        QVERIFY(painter.end()); // every state the page saved was given back
    }
    QVERIFY(source.isUnreadable(1));
    QVERIFY(!source.isUnreadable(0));
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("WMF Parser Error"));
    QVERIFY2(f.presenter.last().text.startsWith(message.arg(bad)), qPrintable(f.presenter.last().text));
}

void TestReportOutput::unreadablePageInThePreview_data()
{
    unreadablePageSaidOnce_data();
}

void TestReportOutput::unreadablePageInThePreview()
{
    // Scrolling to the page, away and back, tiled and at other zooms.
    QFETCH(QString, how);
    QFETCH(QString, message);
    Fixture f;
    f.writeRun();
    QVERIFY(spoil(f.pages[1], how));
    ReportManager report(*f.context, QStringLiteral("testreport"));
    ReportPreviewRunner runner(*f.context);
    int shown = 0;
    runner.configure = whenShown([&](PrintPreview &preview) {
        for (int zoom : {100, 100, PrintPreview::TileZoom, 50, PrintPreview::PageWidthZoom}) {
            preview.setZoom(zoom);
            for (int page : {1, 2, 3, 2}) {
                preview.showPage(page);
                preview.canvas()->grab();
                ++shown;
            }
        }
    });
    QStringList pages = f.pages;
    QVERIFY(!runner.preview(report, pages, 100));
    QCOMPARE(shown, 20);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("WMF Parser Error"));
    QVERIFY(f.presenter.last().text.startsWith(message.arg(f.pages[1])));
}

void TestReportOutput::previewChoices_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("maximize");
    QTest::addColumn<QString>("pagesToPrint");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("printed");
    QTest::addColumn<QList<int>>("kept");

    const QList<int> all{0, 1, 2};
    QTest::newRow("print all") << 100 << false << "" << "print" << true << all;
    QTest::newRow("print 1 and 3, maximised") << 75 << true << "1,3" << "print" << true << QList<int>{0, 2};
    QTest::newRow("print 3 at page width") << int(PrintPreview::PageWidthZoom) << false << "3" << "print" << true
                                           << QList<int>{2};
    QTest::newRow("print none kept") << 100 << false << "2-1" << "print" << true << QList<int>{};
    QTest::newRow("print from the tool bar") << 100 << false << "2-3" << "tool" << true << QList<int>{1, 2};
    QTest::newRow("exit") << 120 << false << "1" << "exit" << false << all;
    QTest::newRow("close box") << 100 << true << "1" << "close" << false << all;
}

void TestReportOutput::previewChoices()
{
    QFETCH(int, zoom);
    QFETCH(bool, maximize);
    QFETCH(QString, pagesToPrint);
    QFETCH(QString, choice);
    QFETCH(bool, printed);
    QFETCH(QList<int>, kept);

    Fixture f;
    f.writeRun();
    ReportManager report(*f.context, QStringLiteral("testreport"));
    ReportPreviewRunner runner(*f.context);
    runner.maximize = maximize;
    int seenZoom = 0, seenPages = 0;
    bool seenMaximized = false;
    QString seenTitle;
    runner.configure = whenShown([&](PrintPreview &preview) {
        seenZoom = preview.zoom();
        seenPages = preview.pageCount();
        seenMaximized = preview.window()->windowState() & Qt::WindowMaximized;
        seenTitle = preview.window()->windowTitle();
        if (!pagesToPrint.isEmpty())
            preview.setPagesToPrint(pagesToPrint);
        if (choice == QLatin1String("print"))
            preview.action(PrintPreview::Command::Print)->trigger();
        else if (choice == QLatin1String("tool"))
            QTest::mouseClick(preview.window()->findChild<QToolBar *>()->widgetForAction(
                                  preview.action(PrintPreview::Command::Print)),
                              Qt::LeftButton);
        else if (choice == QLatin1String("exit"))
            preview.action(PrintPreview::Command::Exit)->trigger();
        else
            preview.window()->close();
    });

    QStringList pages = f.pages;
    QCOMPARE(runner.preview(report, pages, zoom), printed);
    QCOMPARE(seenTitle, QStringLiteral("Report Preview"));
    QCOMPARE(seenZoom, zoom);
    QCOMPARE(seenPages, 3);
    QCOMPARE(seenMaximized, maximize);
    QStringList expected;
    for (int i : kept)
        expected << f.pages[i];
    QCOMPARE(pages, expected);
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportOutput::printsThePagesKept_data()
{
    QTest::addColumn<QString>("pagesToPrint");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("all") << "" << kTexts;
    QTest::newRow("1,3") << "1,3" << QStringList{kTexts[0], kTexts[2]};
    QTest::newRow("2-3") << "2-3" << QStringList{kTexts[1], kTexts[2]};
    QTest::newRow("3,1") << "3, 1" << QStringList{kTexts[0], kTexts[2]};
}

void TestReportOutput::printsThePagesKept()
{
    // As the report manager routes a run: the preview, then its printer.
    QFETCH(QString, pagesToPrint);
    QFETCH(QStringList, texts);
    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("printed.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    int asked = 0;
    output.askPrinter = [&](QPrinter &) { return ++asked, true; };

    ReportManager report(*f.context, QStringLiteral("testreport"));
    report.setOutput(&output);
    report.previewQueue() = f.pages;
    ReportPreviewRunner runner(*f.context);
    runner.configure = whenShown([&](PrintPreview &preview) {
        if (!pagesToPrint.isEmpty())
            preview.setPagesToPrint(pagesToPrint);
        preview.print();
    });
    QVERIFY(runner.preview(report, report.previewQueue(), report.zoom));
    QCOMPARE(report.printPages(), int(ResultOk));
    QCOMPARE(asked, 1);
    QCOMPARE(pdfPageCount(pdf), int(texts.size()));
    const QStringList printed = pageTexts(pdf);
    QCOMPARE(printed.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        QVERIFY2(printed[i].contains(texts[i]), qPrintable(printed[i]));
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportOutput::saveAsFromThePreview_data()
{
    QTest::addColumn<QString>("generators"); // p: the PDF generator, c: a recording one, -: disabled
    QTest::addColumn<int>("chosen");         // the chooser's answer, -1 cancels; unasked without a choice
    QTest::addColumn<QString>("saved");      // what got the pages
    QTest::addColumn<QString>("caption");    // the message said, if any

    QTest::newRow("the one generator") << "p" << 99 << "p" << "";
    QTest::newRow("the second of two") << "pc" << 1 << "c" << "";
    QTest::newRow("chooser cancelled") << "pc" << -1 << "" << "";
    QTest::newRow("none registered") << "" << 99 << "" << "Save As";
    QTest::newRow("only a disabled one") << "-p" << 99 << "" << "Save As";
}

void TestReportOutput::saveAsFromThePreview()
{
    // Pages 2-3 kept: those are saved; the preview stays open.
    QFETCH(QString, generators);
    QFETCH(int, chosen);
    QFETCH(QString, saved);
    QFETCH(QString, caption);

    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("saved.pdf"));
    PdfGenerator pdfGenerator;
    pdfGenerator.setOutputFileName(pdf);
    pdfGenerator.setReproducible(true);
    RecordingGenerator recording;
    ReportTargetSelector selector(*f.context);
    bool enabled = true;
    for (QChar g : generators) {
        if (g == QLatin1Char('-')) {
            enabled = false;
            continue;
        }
        selector.addGenerator(g == QLatin1Char('p') ? static_cast<IReportGenerator &>(pdfGenerator) : recording, enabled);
        enabled = true;
    }
    int choices = 0;
    bool printerOffered = false;
    selector.setChooser([&](const QStringList &, bool printerFirst, QWidget *) {
        ++choices;
        printerOffered = printerOffered || printerFirst;
        return chosen;
    });

    PrinterOutput output(*f.context);
    output.askPrinter = [](QPrinter &) { return false; };
    ReportManager report(*f.context, QStringLiteral("testreport"));
    report.setTargetSelector(selector);
    report.setOutput(&output);
    report.previewQueue() = f.pages;
    ReportPreviewRunner runner(*f.context);
    bool stayedOpen = false;
    runner.configure = whenShown([&](PrintPreview &preview) {
        preview.setPagesToPrint(QStringLiteral("2-3"));
        preview.action(PrintPreview::Command::SaveAs)->trigger();
        stayedOpen = preview.isRunning();
    });
    QVERIFY(!runner.preview(report, report.previewQueue(), 100));
    QVERIFY(stayedOpen);
    QCOMPARE(report.previewQueue(), f.pages); // the run keeps all its pages
    QCOMPARE(choices, generators.size() - generators.count(QLatin1Char('-')) > 1 ? 1 : 0);
    QVERIFY(!printerOffered);

    QCOMPARE(QFile::exists(pdf), saved == QLatin1String("p"));
    if (saved == QLatin1String("p")) {
        QCOMPARE(pdfPageCount(pdf), 2);
        QVERIFY2(PdfTools::validate(pdf).isEmpty(), qPrintable(PdfTools::validate(pdf)));
    }
    QCOMPARE(recording.opened, saved == QLatin1String("c") ? f.pages.mid(1) : QStringList());
    QCOMPARE(recording.documentPages, saved == QLatin1String("c") ? 2 : -1);
    if (caption.isEmpty()) {
        QCOMPARE(f.presenter.count(), 0);
    } else {
        QCOMPARE(f.presenter.count(), 1);
        QCOMPARE(f.presenter.last().caption, caption);
    }
}

void TestReportOutput::paperFromThePageBox_data()
{
    QTest::addColumn<QList<QSize>>("papers");
    QTest::addColumn<QStringList>("sizes");
    const QSize letter(8500, 11000), turned(11000, 8500), a4(8268, 11693), legal(8500, 14000);
    QTest::newRow("letter") << QList<QSize>{letter, letter} << QStringList{"612x792", "612x792"};
    QTest::newRow("letter turned") << QList<QSize>{turned} << QStringList{"792x612"};
    QTest::newRow("A4") << QList<QSize>{a4} << QStringList{"595x842"};
    QTest::newRow("mixed") << QList<QSize>{letter, turned, legal} << QStringList{"612x792", "792x612", "612x1008"};
}

void TestReportOutput::paperFromThePageBox()
{
    // Print Setup chose A4 with margins; the report's own paper prints,
    // the whole sheet, and the printer keeps what was chosen.
    QFETCH(QList<QSize>, papers);
    QFETCH(QStringList, sizes);
    Fixture f;
    for (int i = 0; i < papers.size(); ++i)
        f.writePage(QStringLiteral("Sheet %1").arg(i + 1), papers[i]);
    const QString pdf = f.path(QStringLiteral("paper.pdf"));
    auto printer = pdfPrinter(pdf);
    const QPageLayout chosen(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20));
    QVERIFY(printer->setPageLayout(chosen));
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    output.askPrinter = [](QPrinter &) { return true; };
    QCOMPARE(output.print(f.pages), int(ResultOk));
    QCOMPARE(pdfPageCount(pdf), int(papers.size()));
    QCOMPARE(pdfPageSizes(pdf, int(papers.size())), sizes);
    QVERIFY(printer->pageLayout().isEquivalentTo(chosen));
    QVERIFY(!printer->fullPage());

    // The square an inch from the paper's corner, not from a margin.
    const QImage first = PdfTools::render(pdf, 1, 100);
    QVERIFY(!first.isNull());
    QCOMPARE(darkPixels(first, QRect(105, 105, 90, 90)), 90 * 90);
    QCOMPARE(darkPixels(first, QRect(0, 0, 95, 95)), 0);
    const QStringList texts = pageTexts(pdf);
    QCOMPARE(texts.size(), papers.size());
    for (int i = 0; i < texts.size(); ++i)
        QVERIFY(texts[i].contains(QStringLiteral("Sheet %1").arg(i + 1)));
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportOutput::printDialogChoices_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<int>>("sheets");
    QTest::newRow("all") << 0 << 0 << 1 << true << QList<int>{0, 1, 2};
    QTest::newRow("pages 2-3") << 2 << 3 << 1 << true << QList<int>{1, 2};
    QTest::newRow("page 2 to beyond the end") << 2 << 9 << 1 << true << QList<int>{1, 2};
    QTest::newRow("two copies collated") << 0 << 0 << 2 << true << QList<int>{0, 1, 2, 0, 1, 2};
    QTest::newRow("two copies of each") << 0 << 0 << 2 << false << QList<int>{0, 0, 1, 1, 2, 2};
    QTest::newRow("page 3, two copies") << 3 << 3 << 2 << true << QList<int>{2, 2};
}

void TestReportOutput::printDialogChoices()
{
    // What the print dialog chose, on a printer that makes no copies itself.
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<int>, sheets);
    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("chosen.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    output.askPrinter = [&](QPrinter &p) {
        if (from > 0) {
            p.setPrintRange(QPrinter::PageRange);
            p.setFromTo(from, to);
        }
        p.setCopyCount(copies);
        p.setCollateCopies(collate);
        return true;
    };
    QCOMPARE(output.print(f.pages), int(ResultOk));
    const QStringList texts = pageTexts(pdf);
    QCOMPARE(pdfPageCount(pdf), int(sheets.size()));
    QCOMPARE(texts.size(), sheets.size());
    for (int i = 0; i < sheets.size(); ++i)
        QVERIFY2(texts[i].contains(kTexts[sheets[i]]), qPrintable(texts[i]));

    // The next report starts from all its pages again.
    output.askPrinter = [](QPrinter &p) {
        p.setCopyCount(1);
        return p.printRange() == QPrinter::AllPages;
    };
    QCOMPARE(output.print(f.pages), int(ResultOk));
    QCOMPARE(pdfPageCount(pdf), 3);
}

void TestReportOutput::cancelledPrintDialogPrintsNothing()
{
    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("never.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    QPrinter *asked = nullptr;
    output.askPrinter = [&](QPrinter &p) {
        asked = &p;
        return false;
    };
    QCOMPARE(output.print(f.pages), int(ResultCancel));
    QCOMPARE(asked, printer.get());
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(f.presenter.count(), 0);

    // Through the report manager, as a report printed without the preview.
    ReportManager report(*f.context, QStringLiteral("testreport"));
    report.setOutput(&output);
    report.previewQueue() = f.pages;
    QCOMPARE(report.printPages(), int(ResultCancel));
    QVERIFY(!QFile::exists(pdf));
}

void TestReportOutput::printsOnTheRunsPrinter()
{
    // Without a printer of its own the output prints on Print Setup's.
    Fixture f;
    f.writeRun(2);
    const QString pdf = f.path(QStringLiteral("setup.pdf"));
    PrinterOutput output(*f.context);
    QPrinter *asked = nullptr;
    output.askPrinter = [&](QPrinter &p) {
        asked = &p;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    QCOMPARE(output.print(f.pages), int(ResultOk));
    QCOMPARE(asked, &PrintSettings::printer());
    QCOMPARE(pdfPageCount(pdf), 2);
}

void TestReportOutput::printedFileIsTheOwners()
{
    // Printed into a file: the file is its owner's, one there before too.
    Fixture f;
    f.writeRun(1);
    const QString fresh = f.path(QStringLiteral("fresh.pdf"));
    const QString old = f.path(QStringLiteral("old.pdf"));
    QFile before(old);
    QVERIFY(before.open(QIODevice::WriteOnly));
    before.write("an older file");
    before.close();
    QVERIFY(before.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                  | QFileDevice::ReadOther));
    QVERIFY(!ownerOnly(old));
    for (const QString &file : {fresh, old}) {
        auto printer = pdfPrinter(file);
        PrinterOutput output(*f.context);
        output.printer = printer.get();
        output.askPrinter = [](QPrinter &) { return true; };
        QCOMPARE(output.print(f.pages), int(ResultOk));
        QVERIFY2(ownerOnly(file), qPrintable(file));
        QCOMPARE(pdfPageCount(file), 1);
    }
}

void TestReportOutput::unreadablePageStopsThePrint()
{
    // Said once; half a report is not left behind in the file.
    Fixture f;
    f.writeRun();
    QVERIFY(QFile::remove(f.pages[1]));
    const QString pdf = f.path(QStringLiteral("half.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    output.askPrinter = [](QPrinter &) { return true; };
    QVERIFY(output.print(f.pages) != ResultOk);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("WMF Parser Error"));
    QVERIFY(f.presenter.last().text.contains(f.pages[1]));
    QVERIFY(!QFile::exists(pdf));

    // Stopped before the printer opened its file, a file there stays as it was.
    const QString old = f.path(QStringLiteral("old.pdf"));
    QFile before(old);
    QVERIFY(before.open(QIODevice::WriteOnly));
    before.write("an older file");
    before.close();
    printer->setOutputFileName(old);
    QVERIFY(output.print(f.pages.mid(1)) != ResultOk);
    QCOMPARE(PdfTools::readFile(old), QByteArray("an older file"));
    QCOMPARE(f.presenter.count(), 2);

    // The export stops at it likewise.
    RecordingGenerator recording;
    QVERIFY(output.exportPages(f.pages, recording) != ResultOk);
    QCOMPARE(recording.opened, f.pages.mid(0, 1));
    QCOMPARE(recording.documentsClosed, 0);
    QCOMPARE(f.presenter.count(), 3);
}

void TestReportOutput::printThatCannotBeMadeIsSaid()
{
    Fixture f;
    f.writeRun(1);
    const QString pdf = f.path(QStringLiteral("no such folder/report.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    output.askPrinter = [](QPrinter &) { return true; };
    QCOMPARE(output.print(f.pages), int(ResultNotify));
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Print Error"));
    QVERIFY2(f.presenter.last().text.startsWith(QStringLiteral("The report could not be printed on %1: ").arg(pdf)),
             qPrintable(f.presenter.last().text));
    QVERIFY(!QFile::exists(pdf));
}

void TestReportOutput::nothingToPrintOrSave()
{
    // The pages to print kept none: said, and the dialog never asked.
    Fixture f;
    const QString pdf = f.path(QStringLiteral("empty.pdf"));
    auto printer = pdfPrinter(pdf);
    PrinterOutput output(*f.context);
    output.printer = printer.get();
    int asked = 0;
    output.askPrinter = [&](QPrinter &) { return ++asked, true; };
    QCOMPARE(output.print({}), int(ResultNotify));
    QCOMPARE(asked, 0);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().text, QStringLiteral("There is no page to print: the pages to print keep none of "
                                                     "the report's pages."));

    RecordingGenerator recording;
    QCOMPARE(output.exportPages({}, recording), int(ResultNotify));
    QCOMPARE(recording.documentPages, -1);
    QCOMPARE(f.presenter.count(), 2);
    QVERIFY(f.presenter.last().text.startsWith(QStringLiteral("There is no page to save")));
}

QTEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
