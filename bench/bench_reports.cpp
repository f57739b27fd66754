// The report engine's speed and memory. Run by hand:
//   ./build/bench/bench_reports [google benchmark flags]
// (a) bpaverages over one person's 10,000 readings in a 1,000,000-reading
//     table, from the start of the run to the preview ready to show, beside
//     the same readings laid out as a QTextDocument table and printed to a
//     PDF QPrinter (the usual Qt way);
// (b) stored pages replayed into 96-dpi images;
// (c) the peak memory of a 10,000-page run, laid out, stored and previewed;
// (d) 1,000 stored pages of 60 readings replayed into a PDF file, alone and
//     beside the same controls handed straight to the PDF writer in the same
//     run: what reading the page files adds to writing the PDF. A summary
//     against the goals follows the table.
#include "bandrenderer.h"
#include "bloodpredata.h"
#include "bpaverages.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "ireportgenerator.h"
#include "pagefilesource.h"
#include "pagefolder.h"
#include "pagereader.h"
#include "pdfgenerator.h"
#include "picture.h"
#include "printpreview.h"
#include "processvalues.h"
#include "programnames.h"
#include "record.h"
#include "reportcontrol.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "tableview.h"
#include "threadcontext.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>

#include <cstdio>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <time.h>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr std::int64_t kReadings = 1000000;

// The readings of the first person from 2008 to 2015: about 10,000.
const QDate From(2008, 1, 1);
const QDate To(2015, 12, 31);

QString dataFolder()
{
    static const QString dir = [] {
        const Cached &cached = cachedTables(kReadings);
        const QString d = benchRoot() + QStringLiteral("/reports");
        if (QFile::exists(d + QStringLiteral("/complete")))
            return d;
        QDir(d).removeRecursively();
        QDir().mkpath(d);
        for (const QString &file : QDir(cached.oursDir).entryList(QDir::Files))
            if (!QFile::copy(cached.oursDir + QLatin1Char('/') + file, d + QLatin1Char('/') + file))
                qFatal("cannot copy %s", qPrintable(file));
        QFile done(d + QStringLiteral("/complete"));
        done.open(QIODevice::WriteOnly);
        return d;
    }();
    return dir;
}

void setPerson()
{
    ProcessValues &v = ProcessValues::instance();
    v.currentPerson.name = people().front().name.q;
    v.fromDate = Date::fromQDate(From);
    v.toDate = Date::fromQDate(To);
}

void BM_BpAveragesToPreview(benchmark::State &state)
{
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    ThreadContext context(programContextConfig(dataFolder()));
    setPerson();
    int pages = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        double ready = 0;
        LogReportHooks hooks;
        hooks.preview = [&](PrintPreview &preview) {
            ready = secondsSince(start);
            pages = preview.pageCount();
            QTimer::singleShot(0, &preview, [&preview] { preview.exit(); });
        };
        BpAverages::run(context, nullptr, hooks);
        state.SetIterationTime(ready);
    }
    state.counters["pages"] = pages;
    ErrorManager::global().setPresenter(nullptr);
}
BENCHMARK(BM_BpAveragesToPreview)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The same readings as one QTextDocument table printed into a PDF file.
void BM_TextDocumentToPdf(benchmark::State &state)
{
    ThreadContext context(programContextConfig(dataFolder()));
    setPerson();
    StoredTable &table = context.table(tables::bloodpre());
    table.open();
    const Picture longDate = *Picture::parse(QStringLiteral("D18"));
    const Picture clock = *Picture::parse(QStringLiteral("t7"));
    const Picture number = *Picture::parse(QStringLiteral("n6.2"));
    std::int64_t rows = 0;
    for (auto _ : state) {
        TableView view(table);
        view.setOrder(table.layout().key(table.layout().keyIndex(QStringLiteral("Blo:ByDate"))).components);
        view.setFilter(QStringLiteral("Blo:personname='%1' AND (Blo:Date >= FromDate AND Blo:date <= ToDate)")
                           .arg(people().front().name.q));
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("Blood Pressure Report For: ") + people().front().name.q);
        QTextTable *grid = cursor.insertTable(1, 6);
        const char *heads[] = {"Date", "Time", "Systolic", "Diastolic", "Pulse", "Comment"};
        for (int c = 0; c < 6; ++c)
            grid->cellAt(0, c).firstCursorPosition().insertText(QString::fromLatin1(heads[c]));
        rows = 0;
        if (view.restart(ProgramNames::instance()) == 0)
            while (view.next() == 0) {
                const Record &r = table.record();
                grid->appendRows(1);
                const int row = grid->rows() - 1;
                const QString cells[] = {longDate.format(r.date("BLO:DATE")), clock.format(r.time("BLO:TIME")),
                                         number.format(r.real("BLO:SYSTOLIC")), number.format(r.real("BLO:DIASTOLIC")),
                                         number.format(r.real("BLO:PULSE")), r.text("BLO:COMMENT")};
                for (int c = 0; c < 6; ++c)
                    grid->cellAt(row, c).firstCursorPosition().insertText(cells[c]);
                ++rows;
            }
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(benchRoot() + QStringLiteral("/textdocument.pdf"));
        document.print(&printer);
    }
    state.counters["readings"] = double(rows);
}
BENCHMARK(BM_TextDocumentToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// A run's pages kept between the benchmarks that read them.
struct StoredRun
{
    QTemporaryDir contextFolder; // when the run needs no tables
    PageFolder folder;
    std::unique_ptr<ThreadContext> context;
    std::unique_ptr<BandRenderer> renderer;
    QStringList pages;
};

// Pages of the averages report's layout, `perPage` readings to a page, in a
// context over the benchmark tables; or, `filled`, as the report itself
// prints them: in a context over an empty folder, with the texts it fills
// in (person, date, time), and as many readings as leave the last page
// room for the report footer, so that there are `pageCount` pages.
std::unique_ptr<StoredRun> storeRun(int pageCount, int perPage, bool filled = false)
{
    auto run = std::make_unique<StoredRun>();
    run->context = std::make_unique<ThreadContext>(
        programContextConfig(filled ? run->contextFolder.path() : dataFolder()));
    Record record(tables::bloodpre());
    ReportLayout layout = BpAverages::layout();
    layout.detail.height = layout.bodyHeight() / perPage;
    run->renderer = std::make_unique<BandRenderer>(*run->context, layout, record, run->folder);
    if (filled)
        run->renderer->textFor = [](const LayoutControl &c) -> QString {
            if (c.text == QLatin1String("@person@"))
                return people().front().name.q;
            if (c.text == QLatin1String("@date@") || c.text == QLatin1String("@from@"))
                return QStringLiteral(" 3/14/2024");
            if (c.text == QLatin1String("@time@"))
                return QStringLiteral(" 9:26AM");
            return QString();
        };
    if (run->renderer->open() != ResultOk)
        qFatal("cannot open the renderer");
    std::int64_t readings = std::int64_t(pageCount) * perPage;
    if (filled)
        readings -= (layout.reportFooter.height + layout.detail.height - 1) / layout.detail.height;
    for (std::int64_t i = 0; i < readings; ++i) {
        fill(record, reading(i));
        if (run->renderer->printRecord() != ResultOk)
            qFatal("cannot print a record");
    }
    run->renderer->endReport();
    run->pages = run->renderer->takeFinishedPages();
    return run;
}

void BM_ReplayPagesToImages(benchmark::State &state)
{
    static std::unique_ptr<StoredRun> run = storeRun(1000, 40);
    PageFileSource source(*run->context, run->pages);
    const double dpi = 96;
    QImage image(int(8.5 * dpi), int(11 * dpi), QImage::Format_RGB32);
    int n = 0;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        if (!source.paintPage(n % source.pageCount(), painter, dpi))
            state.SkipWithError("a page did not draw");
        ++n;
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(BM_ReplayPagesToImages)->Unit(benchmark::kMillisecond)->Iterations(1000);

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_TenThousandPagesPeakMemory(benchmark::State &state)
{
    for (auto _ : state) {
        const long before = peakKilobytes();
        std::unique_ptr<StoredRun> run = storeRun(10000, 40);
        // Shown and paged through from first to last, as a person might.
        PageFileSource source(*run->context, run->pages);
        PrintPreview preview(*run->context, source);
        preview.start();
        for (int page = 1; page <= source.pageCount(); page += 97)
            preview.showPage(page);
        preview.showPage(source.pageCount());
        QApplication::processEvents();
        state.counters["pages"] = double(run->pages.size());
        state.counters["peak MB"] = double(peakKilobytes()) / 1024.0;
        state.counters["peak growth MB"] = double(peakKilobytes() - before) / 1024.0;
        preview.exit();
    }
}
BENCHMARK(BM_TenThousandPagesPeakMemory)->Unit(benchmark::kSecond)->Iterations(1);

// What a replay hands a generator, kept to hand it to another one later.
using ControlOperation = int (IReportGenerator::*)(const ReportControl &);

struct KeptPage
{
    int left = 0, top = 0, right = 0, bottom = 0;
    QString name;
    std::vector<std::pair<ControlOperation, ReportControl>> controls;
};

class KeepingGenerator final : public IReportGenerator
{
public:
    std::vector<KeptPage> pages;

    void initialise() override {}
    int openDocument(int) override
    {
        pages.clear();
        return Done;
    }
    int closeDocument() override { return Done; }
    int openPage(int left, int top, int right, int bottom, const QString &pageName) override
    {
        pages.push_back(KeptPage{left, top, right, bottom, pageName, {}});
        return Done;
    }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("KEEP"); }
    QString displayName() const override { return name(); }
    QString icon() const override { return QString(); }

    int arc(const ReportControl &c) override { return keep(&IReportGenerator::arc, c); }
    int furtherControlData(const ReportControl &c) override { return keep(&IReportGenerator::furtherControlData, c); }
    int checkBox(const ReportControl &c) override { return keep(&IReportGenerator::checkBox, c); }
    int chord(const ReportControl &c) override { return keep(&IReportGenerator::chord, c); }
    int ellipse(const ReportControl &c) override { return keep(&IReportGenerator::ellipse, c); }
    int image(const ReportControl &c) override { return keep(&IReportGenerator::image, c); }
    int line(const ReportControl &c) override { return keep(&IReportGenerator::line, c); }
    int groupBox(const ReportControl &c) override { return keep(&IReportGenerator::groupBox, c); }
    int pie(const ReportControl &c) override { return keep(&IReportGenerator::pie, c); }
    int polygon(const ReportControl &c) override { return keep(&IReportGenerator::polygon, c); }
    int radioButton(const ReportControl &c) override { return keep(&IReportGenerator::radioButton, c); }
    int box(const ReportControl &c) override { return keep(&IReportGenerator::box, c); }
    int string(const ReportControl &c) override { return keep(&IReportGenerator::string, c); }
    int textBlock(const ReportControl &c) override { return keep(&IReportGenerator::textBlock, c); }

private:
    int keep(ControlOperation operation, ReportControl control)
    {
        // Kinds, attribute texts and faces repeat on every line: share them,
        // so that 700,000 kept controls stay a modest heap.
        control.kind = shared(control.kind);
        control.attributes = shared(control.attributes);
        control.fontFace = shared(control.fontFace);
        pages.back().controls.emplace_back(operation, std::move(control));
        return Done;
    }
    QByteArray shared(const QByteArray &bytes)
    {
        auto it = m_shared.constFind(bytes);
        if (it == m_shared.constEnd())
            it = m_shared.insert(bytes);
        return *it;
    }
    QSet<QByteArray> m_shared;
};

// Takes every control and draws none: what reading the page files costs alone.
class DiscardingGenerator final : public IReportGenerator
{
public:
    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override { return Done; }
    int openPage(int, int, int, int, const QString &) override { return Done; }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("DISCARD"); }
    QString displayName() const override { return name(); }
    QString icon() const override { return QString(); }
};

// This thread's processor time.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void setUpPdf(PdfGenerator &pdf, const QString &fileName)
{
    pdf.setOutputFileName(fileName);
    pdf.setUp(); // the defaults an export starts from: compressed text and images
    pdf.setReproducible(true); // so that both ways give the same bytes
}

// The kept controls straight into the PDF writer, without page files.
int writeDirect(const std::vector<KeptPage> &pages, const QString &fileName)
{
    PdfGenerator pdf;
    setUpPdf(pdf, fileName);
    if (int result = pdf.openDocument(int(pages.size())))
        return result;
    for (const KeptPage &page : pages) {
        if (int result = pdf.openPage(page.left, page.top, page.right, page.bottom, page.name))
            return result;
        for (const auto &[operation, control] : page.controls)
            if (int result = (pdf.*operation)(control))
                return result;
        if (int result = pdf.closePage())
            return result;
    }
    return pdf.closeDocument();
}

int writeReplayed(ThreadContext &context, const QStringList &pageFiles, const QString &fileName)
{
    PdfGenerator pdf;
    setUpPdf(pdf, fileName);
    WmfParser parser(context);
    parser.setPages(pageFiles);
    parser.setGenerator(&pdf);
    return parser.exportPages();
}

// The goals: at least this many pages a second replayed, and at most this
// much of the direct writing's time.
constexpr double kReplayPagesGoal = 2000;
constexpr double kRatioGoal = 1.5;

StoredRun &pdfRun()
{
    // Fewer pages for a profiler: TAVIMO_BENCH_PDF_PAGES=20.
    static const std::unique_ptr<StoredRun> run = [] {
        const int wanted = qEnvironmentVariableIntValue("TAVIMO_BENCH_PDF_PAGES");
        return storeRun(wanted > 0 ? wanted : 1000, 60, true);
    }();
    return *run;
}

// For the summary after the table; zero where a benchmark did not run.
struct PdfFigures
{
    int pages = 0;
    double controlsPerPage = 0, megabytes = 0;
    double aloneReplay = 0, aloneReading = 0;                 // pages a second
    double besideReplay = 0, besideDirect = 0, ratio = 0, cpuRatio = 0;
} pdfFigures;

// The replay as an export meets it: the page files, the PDF writer and
// nothing else of any size in memory. Beside it, the same files read into
// a generator that draws nothing: what reading them costs by itself.
void BM_PdfFromStoredPages(benchmark::State &state)
{
    StoredRun &run = pdfRun();
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("replayed.pdf"));
    if (writeReplayed(*run.context, run.pages, file) != 0) // warms the caches, untimed
        state.SkipWithError("the stored pages did not replay");
    double replaySeconds = 0, readingSeconds = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (writeReplayed(*run.context, run.pages, file) != 0) {
            state.SkipWithError("the stored pages did not replay");
            break;
        }
        const double seconds = secondsSince(start);
        replaySeconds += seconds;
        state.SetIterationTime(seconds);

        DiscardingGenerator discard;
        WmfParser parser(*run.context);
        parser.setPages(run.pages);
        parser.setGenerator(&discard);
        const Clock::time_point reading = Clock::now();
        if (parser.exportPages() != 0) {
            state.SkipWithError("the stored pages did not replay");
            break;
        }
        readingSeconds += secondsSince(reading);
    }
    ErrorManager::global().setPresenter(nullptr);
    if (state.iterations() == 0 || replaySeconds <= 0)
        return;
    const double pages = double(run.pages.size()) * double(state.iterations());
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
    state.counters["reading alone pages/s"] = pages / readingSeconds;
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
    pdfFigures.pages = int(run.pages.size());
    pdfFigures.megabytes = double(QFileInfo(file).size()) / 1e6;
    pdfFigures.aloneReplay = pages / replaySeconds;
    pdfFigures.aloneReading = pages / readingSeconds;
}
BENCHMARK(BM_PdfFromStoredPages)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The replay beside the same controls handed straight to the PDF writer,
// in turns, both with every control of the run kept in memory for the
// direct writing. The time shown is the replay's.
void BM_PdfReplayBesideDirect(benchmark::State &state)
{
    StoredRun &run = pdfRun();
    ScriptedPresenter presenter;
    ErrorManager::global().setPresenter(&presenter);
    static const std::vector<KeptPage> kept = [&run] {
        KeepingGenerator keeper;
        WmfParser parser(*run.context);
        parser.setPages(run.pages);
        parser.setGenerator(&keeper);
        if (parser.exportPages() != 0)
            qFatal("the stored pages did not replay");
        return std::move(keeper.pages);
    }();
    std::int64_t controls = 0;
    for (const KeptPage &page : kept)
        controls += std::int64_t(page.controls.size());

    QTemporaryDir out;
    const QString direct = out.filePath(QStringLiteral("direct.pdf"));
    const QString replayed = out.filePath(QStringLiteral("replayed.pdf"));
    // Once untimed, to warm the caches and to see that both ways write the
    // same document.
    {
        QFile a(direct), b(replayed);
        if (writeDirect(kept, direct) != 0 || writeReplayed(*run.context, run.pages, replayed) != 0)
            state.SkipWithError("a PDF was not written");
        else if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll())
            state.SkipWithError("the replayed PDF differs from the one written directly");
    }
    double directSeconds = 0, replaySeconds = 0, directCpu = 0, replayCpu = 0;
    for (auto _ : state) {
        // Taking turns at going first, so that neither always finds the
        // caches and the heap as the other left them.
        const bool replayFirst = state.iterations() % 2 == 1;
        bool written = true;
        for (int turn = 0; turn < 2; ++turn) {
            const Clock::time_point start = Clock::now();
            const double cpuStart = cpuSeconds();
            if ((turn == 0) == replayFirst) {
                written = writeReplayed(*run.context, run.pages, replayed) == 0 && written;
                const double seconds = secondsSince(start);
                replaySeconds += seconds;
                replayCpu += cpuSeconds() - cpuStart;
                state.SetIterationTime(seconds);
            } else {
                written = writeDirect(kept, direct) == 0 && written;
                directSeconds += secondsSince(start);
                directCpu += cpuSeconds() - cpuStart;
            }
        }
        if (!written) {
            state.SkipWithError("a PDF was not written");
            break;
        }
    }
    ErrorManager::global().setPresenter(nullptr);
    if (state.iterations() == 0 || replaySeconds <= 0)
        return;
    const double pages = double(kept.size()) * double(state.iterations());
    // The manual time is the replay's, so the rate counter is its pages a second.
    state.counters["replay pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
    state.counters["direct pages/s"] = pages / directSeconds;
    state.counters["replay/direct"] = replaySeconds / directSeconds;
    state.counters["replay/direct cpu"] = replayCpu / directCpu; // without waits for the disk or the other cores' work
    state.counters["controls/page"] = double(controls) / double(kept.size());
    pdfFigures.pages = int(kept.size());
    pdfFigures.controlsPerPage = double(controls) / double(kept.size());
    pdfFigures.megabytes = double(QFileInfo(replayed).size()) / 1e6;
    pdfFigures.besideReplay = pages / replaySeconds;
    pdfFigures.besideDirect = pages / directSeconds;
    pdfFigures.ratio = replaySeconds / directSeconds;
    pdfFigures.cpuRatio = replayCpu / directCpu;
}
BENCHMARK(BM_PdfReplayBesideDirect)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printPdfSummary()
{
    const PdfFigures &f = pdfFigures;
    if (f.pages == 0)
        return;
    std::printf("\nPDF from %d stored pages of 60 readings (%.1f MB of PDF):\n", f.pages, f.megabytes);
    if (f.aloneReplay > 0)
        std::printf("  replayed, nothing else in memory   %7.0f pages/s  (goal >= %.0f: %s)\n"
                    "  the page files read alone          %7.0f pages/s\n",
                    f.aloneReplay, kReplayPagesGoal, verdict(f.aloneReplay >= kReplayPagesGoal), f.aloneReading);
    if (f.besideDirect > 0)
        std::printf("  %.1f controls a page, every one kept for the direct writing:\n"
                    "  replayed from the page files       %7.0f pages/s  (goal >= %.0f: %s)\n"
                    "  written directly                   %7.0f pages/s\n"
                    "  replay / direct time               %7.2f        (goal <= %.2f: %s)\n"
                    "  replay / direct processor time     %7.2f\n",
                    f.controlsPerPage, f.besideReplay, kReplayPagesGoal, verdict(f.besideReplay >= kReplayPagesGoal),
                    f.besideDirect, f.ratio, kRatioGoal, verdict(f.ratio <= kRatioGoal), f.cpuRatio);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printPdfSummary();
    benchmark::Shutdown();
    return 0;
}
