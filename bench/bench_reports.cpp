// The report engine's speed and memory. Run by hand:
//   ./build/bench/bench_reports [google benchmark flags]
// (a) bpaverages over one person's 10,000 readings in a 1,000,000-reading
//     table, from the start of the run to the preview ready to show, beside
//     the same readings laid out as a QTextDocument table and printed to a
//     PDF QPrinter (the usual Qt way);
// (b) stored pages replayed into 96-dpi images;
// (c) the peak memory of a 10,000-page run, laid out, stored and previewed.
#include "bandrenderer.h"
#include "bloodpredata.h"
#include "bpaverages.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "pagefilesource.h"
#include "pagefolder.h"
#include "picture.h"
#include "printpreview.h"
#include "processvalues.h"
#include "programnames.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "tableview.h"
#include "threadcontext.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>

#include <sys/resource.h>

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
    PageFolder folder;
    std::unique_ptr<ThreadContext> context;
    std::unique_ptr<BandRenderer> renderer;
    QStringList pages;
};

// Pages of the averages report's layout, 40 readings to a page.
std::unique_ptr<StoredRun> storeRun(int pageCount, int perPage)
{
    auto run = std::make_unique<StoredRun>();
    run->context = std::make_unique<ThreadContext>(programContextConfig(dataFolder()));
    Record record(tables::bloodpre());
    ReportLayout layout = BpAverages::layout();
    layout.detail.height = layout.bodyHeight() / perPage;
    run->renderer = std::make_unique<BandRenderer>(*run->context, layout, record, run->folder);
    if (run->renderer->open() != ResultOk)
        qFatal("cannot open the renderer");
    for (std::int64_t i = 0; i < std::int64_t(pageCount) * perPage; ++i) {
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
