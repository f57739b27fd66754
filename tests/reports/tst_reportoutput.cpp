// Where a run's pages go: shown in the Report Preview from their page
// files, printed through QPrinter into PDF files (read back with poppler),
// or saved through a generator with the export window; a page that cannot
// be read is said once, and a failed export keeps no file.
#include "errormanager.h"
#include "exportprogress.h"
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
#include "reportpdf.h"
#include "reporttargetselector.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QDialog>
#include <QFile>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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


// The export window while it is up: its texts, top to bottom, and the thermometer.
struct ExportWindow
{
    QStringList texts;
    int percent = -1;
    QPushButton *cancel = nullptr;
    QString title;

    static ExportWindow find()
    {
        ExportWindow w;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(top);
            if (!dialog || !dialog->isVisible() || dialog->windowTitle() != QLatin1String("Progress..."))
                continue;
            w.title = dialog->windowTitle();
            for (QLabel *label : dialog->findChildren<QLabel *>())
                w.texts << label->text();
            if (auto *bar = dialog->findChild<QProgressBar *>())
                w.percent = bar->value();
            w.cancel = dialog->findChild<QPushButton *>();
        }
        return w;
    }
};

// A PDF generator that looks at the export window as each page opens,
// and can fail a page or press Cancel.
class WatchedPdf : public PdfGenerator
{
public:
    QList<ExportWindow> seen;
    int failPage = 0;   // this page's opening fails
    int cancelAfter = 0; // Cancel is pressed once this page is done

    int openPage(int left, int top, int right, int bottom, const QString &name) override
    {
        seen << ExportWindow::find();
        if (pageCount() + 1 == failPage)
            return Failed;
        return PdfGenerator::openPage(left, top, right, bottom, name);
    }
    int closePage() override
    {
        const int result = PdfGenerator::closePage();
        if (pageCount() == cancelAfter)
            if (QPushButton *cancel = ExportWindow::find().cancel)
                QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
        return result;
    }
};

// What a folder holds besides the page files: the documents written, and
// anything a failed export left behind.
QStringList filesBeside(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name).filter(QRegularExpression(QStringLiteral("^(?!page)")));
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

    void exportWindowShowsEachPage();
    void failedExportKeepsTheOldFile_data();
    void failedExportKeepsTheOldFile();
    void saveDialogNames_data();
    void saveDialogNames();
    void exportedFilesListed();
    void malformedAttributesSaidOnce();
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

void TestReportOutput::exportWindowShowsEachPage()
{
    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("export.pdf"));
    WatchedPdf generator;
    generator.setOutputFileName(pdf);
    PrinterOutput output(*f.context);
    QCOMPARE(output.exportPages(f.pages, generator), int(ResultOk));
    // "Exporting to" the file, by the generator named, one page a tick.
    QCOMPARE(generator.seen.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const ExportWindow &w = generator.seen.at(i);
        QCOMPARE(w.title, QStringLiteral("Progress..."));
        QCOMPARE(w.texts, QStringList({QStringLiteral("Exporting to ") + pdf, QStringLiteral("PDF"),
                                       ExportProgress::pageCaption(i, 3)}));
        QCOMPARE(w.percent, i * 100 / 3);
    }
    QVERIFY(!ExportWindow::find().cancel); // gone when done
    QCOMPARE(pageTexts(pdf), kTexts);
    QVERIFY(ownerOnly(pdf));
    QCOMPARE(f.presenter.count(), 0);

    // The quiet export: the same file, no window.
    const QString quiet = f.path(QStringLiteral("quiet.pdf"));
    WatchedPdf again;
    again.setOutputFileName(quiet);
    output.exportProgress = false;
    QCOMPARE(output.exportPages(f.pages, again), int(ResultOk));
    QCOMPARE(again.seen.size(), 3);
    QVERIFY(again.seen.at(1).title.isEmpty());
    QCOMPARE(pageTexts(quiet), kTexts);
}

void TestReportOutput::failedExportKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("caption"); // of the one message, if any

    for (bool quiet : {false, true}) {
        const char *mode = quiet ? "quiet" : "window";
        QTest::addRow("page 2 not a page file, %s", mode) << "key" << quiet << "WMF Parser Error";
        QTest::addRow("page 2 cut short, %s", mode) << "cut" << quiet << "WMF Parser Error";
        QTest::addRow("generator refuses page 2, %s", mode) << "refuse" << quiet << "";
    }
    QTest::newRow("cancelled after page 1") << "cancel" << false << "";
}

void TestReportOutput::failedExportKeepsTheOldFile()
{
    // The user chose to replace last month's file; the export fails half
    // way. That file is still there as it was, and nothing else is left.
    QFETCH(QString, how);
    QFETCH(bool, quiet);
    QFETCH(QString, caption);

    Fixture f;
    f.writeRun();
    const QString pdf = f.path(QStringLiteral("report.pdf"));
    const QByteArray before = "last month's report";
    {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(before);
    }
    if (how == QLatin1String("key")) {
        QFile page(f.pages.at(1));
        QVERIFY(page.open(QIODevice::ReadWrite));
        page.write("\\x01\\x02\\x03\\x04");
    } else if (how == QLatin1String("cut")) {
        QVERIFY(spoil(f.pages.at(1), how));
    }
    WatchedPdf generator;
    generator.setOutputFileName(pdf);
    if (how == QLatin1String("refuse"))
        generator.failPage = 2;
    if (how == QLatin1String("cancel"))
        generator.cancelAfter = 1;
    PrinterOutput output(*f.context);
    output.exportProgress = !quiet;
    const int result = output.exportPages(f.pages, generator);
    QVERIFY(result != ResultOk);
    if (how == QLatin1String("cancel"))
        QCOMPARE(result, int(ResultCancel));
    QCOMPARE(PdfTools::readFile(pdf), before);
    QCOMPARE(filesBeside(f.tmp.path()), QStringList{QStringLiteral("report.pdf")});
    QVERIFY(!generator.isDocumentOpen());
    if (caption.isEmpty()) {
        QCOMPARE(f.presenter.count(), 0);
    } else {
        QCOMPARE(f.presenter.count(), 1);
        QCOMPARE(f.presenter.last().caption, caption);
        QVERIFY2(f.presenter.last().text.contains(f.pages.at(1)), qPrintable(f.presenter.last().text));
    }
    if (how == QLatin1String("key"))
        QVERIFY(f.presenter.last().text.contains(QStringLiteral("is not a valid WMF file")));

    // The same generator saves the next time round.
    output.exportProgress = true;
    generator.failPage = generator.cancelAfter = 0;
    generator.setOutputFileName(pdf);
    f.pages.removeAt(1);
    QCOMPARE(output.exportPages(f.pages, generator), int(ResultOk));
    QCOMPARE(pdfPageCount(pdf), 2);
}

void TestReportOutput::saveDialogNames_data()
{
    QTest::addColumn<QString>("answer"); // in the temporary folder; "-" for Cancel
    QTest::addColumn<QString>("saved");  // the file written, "" for none

    QTest::newRow("no dot gets .PDF") << "march" << "march.PDF";
    QTest::newRow("a dot is kept") << "march.pdf" << "march.pdf";
    QTest::newRow("any extension is kept") << "march.report" << "march.report";
    QTest::newRow("a dot in the folder only") << "old.reports/march" << "old.reports/march.PDF";
    QTest::newRow("cancelled") << "-" << "";
}

void TestReportOutput::saveDialogNames()
{
    QFETCH(QString, answer);
    QFETCH(QString, saved);

    Fixture f;
    f.writeRun();
    QVERIFY(QDir(f.tmp.path()).mkdir(QStringLiteral("old.reports")));
    ReportPdf pdf(*f.context, PdfProperties::interactive(QStringLiteral("testreport")));
    int asked = 0;
    pdf.setChooser([&](QWidget *) {
        ++asked;
        return answer == QLatin1String("-") ? QString() : f.path(answer);
    });
    PrinterOutput output(*f.context);
    ReportManager report(*f.context, QStringLiteral("testreport"));
    report.setOutput(&output);
    report.previewQueue() = f.pages;
    const int result = report.exportTo(pdf.generator());
    QCOMPARE(asked, 1);
    if (saved.isEmpty()) {
        QCOMPARE(result, int(ResultCancel));
        QCOMPARE(filesBeside(f.tmp.path()), QStringList());
        return;
    }
    QCOMPARE(result, int(ResultOk));
    QVERIFY2(PdfTools::validate(f.path(saved)).isEmpty(), qPrintable(PdfTools::validate(f.path(saved))));
    QCOMPARE(pageTexts(f.path(saved)), kTexts);
    // Every export asks again: the name is not kept for the next one.
    QCOMPARE(report.exportTo(pdf.generator()), int(ResultOk));
    QCOMPARE(asked, 2);
}

void TestReportOutput::exportedFilesListed()
{
    // The run's list of files written holds the PDF once it is there.
    Fixture f;
    f.writeRun(1);
    ReportPdf pdf(*f.context, PdfProperties::interactive(QStringLiteral("testreport")));
    pdf.properties().outputFile = f.path(QStringLiteral("listed"));
    PrinterOutput output(*f.context);
    ReportManager report(*f.context, QStringLiteral("testreport"));
    report.setOutput(&output);
    report.previewQueue() = f.pages;
    QCOMPARE(report.exportTo(pdf.generator()), int(ResultOk));
    QCOMPARE(report.outputFileQueue(), QStringList{f.path(QStringLiteral("listed.PDF"))});
    QVERIFY(QFile::exists(f.path(QStringLiteral("listed.PDF"))));
}

void TestReportOutput::malformedAttributesSaidOnce()
{
    // Two controls carry the same unreadable attribute text: said once, by
    // the PDF only (the preview has no say in "PDF"), and still drawn.
    Fixture f;
    FinishedPage page;
    page.width = 8500;
    page.height = 11000;
    for (int i = 0; i < 2; ++i) {
        PlacedControl c;
        c.kind = ControlKind::String;
        c.left = c.x = 1000;
        c.top = c.y = 1000 + 500 * i;
        c.right = 6000;
        c.bottom = c.top + 300;
        c.text = QStringLiteral("Line %1").arg(i + 1);
        c.attributes = QStringLiteral("PDF(SKIP=1");
        page.controls.push_back(c);
    }
    const QString file = f.folder->pageFile(1);
    QString error;
    QVERIFY2(PageWriter::write(page, file, &error), qPrintable(error));

    PageFileSource source(*f.context, {file});
    QImage shown(850, 1100, QImage::Format_RGB32);
    shown.fill(Qt::white);
    QPainter painter(&shown);
    QVERIFY(source.paintPage(0, painter, 100));
    painter.end();
    QCOMPARE(f.presenter.count(), 0);

    ReportPdf pdf(*f.context, PdfProperties::interactive(QStringLiteral("testreport")));
    pdf.properties().outputFile = f.path(QStringLiteral("odd.pdf"));
    PrinterOutput output(*f.context);
    output.exportProgress = false;
    QCOMPARE(pdf.generator().setUp(), 0);
    QCOMPARE(output.exportPages({file}, pdf.generator()), int(ResultOk));
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Report Writer Error"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("Poorly Formed Comment String \"PDF(SKIP=1\" at Position 4."));
    QCOMPARE(pageTexts(f.path(QStringLiteral("odd.pdf"))), QStringList{QStringLiteral("Line 1 Line 2")});
}

QTEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
