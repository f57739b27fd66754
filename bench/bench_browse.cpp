// A list window over the cached blood pressure tables (100,000 and
// 1,000,000 readings): opening it with its first page, page down, the jump
// to the end, and what the list holds, which must not grow with the table.
// Run by hand, offscreen:
//   ./build/bench/bench_browse [google benchmark flags]
#include "bloodpredata.h"
#include "browselist.h"
#include "browsemanager.h"
#include "browsemodel.h"
#include "browsewindow.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>

#include <cstdio>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr int kRows = 20;

class Readings : public BrowseWindow
{
public:
    explicit Readings(ThreadContext &context) : BrowseWindow(context, QStringLiteral("BrowseBloodpre")) {}

protected:
    void createBrowses(QWidget *area) override
    {
        const TableLayout &blo = tables::bloodpre();
        BrowseManager &b = addBrowse(std::make_unique<BrowseManager>(), *context().relationManager(blo), area);
        addOrderTab(b, QStringLiteral("By &Date"), blo.keyIndex(QStringLiteral("Blo:ByDate")));
        b.attachLocator();
        b.attachStep(BrowseStep::Letters | BrowseStep::Digits);
        b.addColumn(QStringLiteral("Person"), QStringLiteral("BLO:PERSONNAME"), QStringLiteral("s35"));
        b.addColumn(QStringLiteral("Date"), QStringLiteral("BLO:DATE"), QStringLiteral("d17"));
        b.addColumn(QStringLiteral("Time"), QStringLiteral("BLO:TIME"), QStringLiteral("t7"));
        b.addColumn(QStringLiteral("Systolic"), QStringLiteral("BLO:SYSTOLIC"), QStringLiteral("n5"));
        b.addColumn(QStringLiteral("Diastolic"), QStringLiteral("BLO:DIASTOLIC"), QStringLiteral("n5"));
        b.addColumn(QStringLiteral("Pulse"), QStringLiteral("BLO:PULSE"), QStringLiteral("n5"));
        addActionButtons(b, {BrowseManager::ViewControl, BrowseManager::InsertControl, BrowseManager::ChangeControl,
                             BrowseManager::DeleteControl});
        b.list()->setFixedHeight(b.list()->heightForRows(kRows));
        window()->resize(1000, 700);
    }
};

struct Program
{
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    explicit Program(std::int64_t readings, bool openTable = true)
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(cachedTables(readings).oursDir);
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        // The program has the table open already, as it has once anything used it.
        if (openTable && context->fileManager(tables::bloodpre())->use() != ResultOk)
            qFatal("the readings cannot be opened");
    }
};

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

std::size_t bytesOfRows(const BrowseManager &b)
{
    std::size_t bytes = 0;
    for (const auto &r : b.rows()) {
        bytes += sizeof(r) + std::size_t(r.record.size()) + std::size_t(r.position.capacity()) * sizeof(QChar);
        for (const QString &c : r.columns)
            bytes += sizeof(QString) + std::size_t(c.capacity()) * sizeof(QChar);
    }
    return bytes;
}

void check(const BrowseManager &b)
{
    if (int(b.rows().size()) != kRows)
        qFatal("the list shows %d rows, not %d", int(b.rows().size()), kRows);
}

// Opening the list window and showing its first page.
void openFirstPage(benchmark::State &state)
{
    Program program(state.range(0));
    long rssGrowth = 0;
    std::size_t held = 0;
    for (auto _ : state) {
        const long before = residentKiB();
        const auto start = Clock::now();
        auto window = std::make_unique<Readings>(*program.context);
        if (!window->start())
            qFatal("the list did not start");
        // Shown as a person sees it: with the window's pending layout done.
        QCoreApplication::processEvents();
        check(window->browse());
        state.SetIterationTime(secondsSince(start));
        rssGrowth = std::max(rssGrowth, residentKiB() - before);
        held = window->browse().model()->bytesHeld() + bytesOfRows(window->browse());
        window.reset();
    }
    state.counters["rows"] = kRows;
    state.counters["bytes held"] = double(held);
    state.counters["RSS growth KiB"] = double(rssGrowth);
}

// The same in a fresh context, the list opening the data file itself.
void openFirstPageColdFile(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(state.range(0), false);
        state.ResumeTiming();
        auto window = std::make_unique<Readings>(*program->context);
        if (!window->start())
            qFatal("the list did not start");
        QCoreApplication::processEvents();
        check(window->browse());
        state.PauseTiming();
        window.reset();
        program.reset();
        state.ResumeTiming();
    }
}

struct Opened
{
    Program program;
    std::unique_ptr<Readings> window;
    explicit Opened(std::int64_t readings) : program(readings), window(std::make_unique<Readings>(*program.context))
    {
        if (!window->start())
            qFatal("the list did not start");
        QCoreApplication::processEvents();
    }
    BrowseManager &browse() const { return window->browse(); }
};

void pageDown(benchmark::State &state)
{
    Opened o(state.range(0));
    BrowseManager &b = o.browse();
    for (auto _ : state) {
        b.onListEvent(BrowseList::ScrollPageDown);
        if (b.list()->thumb() == 100) {
            state.PauseTiming();
            b.onListEvent(BrowseList::ScrollTop);
            state.ResumeTiming();
        }
    }
    check(b);
    state.counters["bytes held"] = double(b.model()->bytesHeld() + bytesOfRows(b));
}

void jumpToEnd(benchmark::State &state)
{
    Opened o(state.range(0));
    BrowseManager &b = o.browse();
    for (auto _ : state) {
        state.PauseTiming();
        b.onListEvent(BrowseList::ScrollTop);
        state.ResumeTiming();
        b.onListEvent(BrowseList::ScrollBottom);
    }
    check(b);
    if (b.list()->thumb() != 100)
        qFatal("not at the end");
}

// A thumb dropped half way, through the measured steps.
void thumbToMiddle(benchmark::State &state)
{
    Opened o(state.range(0));
    BrowseManager &b = o.browse();
    for (auto _ : state)
        b.dropThumb(50);
    check(b);
}

} // namespace

BENCHMARK(openFirstPage)->Arg(100'000)->Arg(1'000'000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(openFirstPageColdFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(pageDown)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(jumpToEnd)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(thumbToMiddle)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir().mkpath(benchRoot());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
