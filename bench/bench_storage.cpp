// The storage driver beside the same work done with plain SQLCipher calls
// on an equally keyed file. Run by hand:
//   ./build/bench/bench_storage [google benchmark flags]
// The large read tables are built once and kept under $TAVIMO_BENCH_DIR
// (default /tmp/tavimo-bench); delete that folder to rebuild them.

#include "bloodpredata.h"
#include "ownerkey.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr int kBloByDate = 2;
constexpr std::int64_t kSmall = 100'000;
constexpr std::int64_t kLarge = 1'000'000;
constexpr int kSeekRows = 20;

// ---- (a) insert ---------------------------------------------------------------

// Setup and teardown are paused out, so both wall and CPU time cover only
// the transaction: begin, the adds, commit.
void insertOurs(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        QString e;
        {
            QTemporaryDir tmp(benchRoot() + QStringLiteral("/fresh-XXXXXX"));
            Ours o(tmp.path());
            if (o.table.create() != 0 || o.table.open() != 0) {
                e = o.error("create/open");
            } else {
                state.ResumeTiming();
                e = oursInsert(o, n, nullptr);
                state.PauseTiming();
            }
        }
        if (!e.isEmpty()) {
            state.SkipWithError(qPrintable(e));
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void insertRaw(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        QString e;
        {
            QTemporaryDir tmp(benchRoot() + QStringLiteral("/fresh-XXXXXX"));
            auto r = rawOpen(tmp.filePath(QStringLiteral("raw.db")), true);
            if (!r) {
                e = QStringLiteral("cannot create the raw table");
            } else {
                state.ResumeTiming();
                e = rawInsert(*r, n, nullptr);
                state.PauseTiming();
            }
        }
        if (!e.isEmpty()) {
            state.SkipWithError(qPrintable(e));
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// ---- (b) read everything in key order -----------------------------------------

// Both sides fold the record ids in the order read; they must agree.
std::map<std::string, std::uint64_t> g_orderHash;

void scanOurs(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    Ours o(cachedTables(n).oursDir);
    if (o.table.open() != 0) {
        state.SkipWithError(qPrintable(o.error("open")));
        return;
    }
    const int systolic = fields().systolic;
    const Record &rec = o.table.record();
    std::uint64_t hash = 0;
    for (auto _ : state) {
        std::int64_t rows = 0;
        double sum = 0;
        hash = 0;
        o.table.set(kBloByDate);
        int code;
        while ((code = o.table.next()) == 0) {
            ++rows;
            sum += rec.real(systolic);
            hash = hash * 1000003 + std::uint64_t(o.table.recordId());
        }
        benchmark::DoNotOptimize(sum);
        if (code != DriverCode::NoRecord || rows != n) {
            state.SkipWithError(qPrintable(o.error("next")));
            return;
        }
    }
    g_orderHash["ours"] = hash;
    state.SetItemsProcessed(state.iterations() * n);
}

void scanRaw(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    auto r = rawOpen(cachedTables(n).rawPath, false);
    if (!r) {
        state.SkipWithError("cannot open the raw table");
        return;
    }
    sqlite3_stmt *s = r->prepare("SELECT rowid, * FROM bloodpre ORDER BY PERSONNAME, DATE, TIME");
    std::uint64_t hash = 0;
    for (auto _ : state) {
        std::int64_t rows = 0;
        double sum = 0;
        hash = 0;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            ++rows;
            sum += readColumns(s, 1);
            hash = hash * 1000003 + std::uint64_t(sqlite3_column_int64(s, 0));
        }
        sqlite3_reset(s);
        benchmark::DoNotOptimize(sum);
        if (rc != SQLITE_DONE || rows != n) {
            state.SkipWithError(qPrintable(r->error()));
            return;
        }
    }
    g_orderHash["raw"] = hash;
    state.SetItemsProcessed(state.iterations() * n);
}

// ---- (c) twenty records from a random place -----------------------------------

constexpr int kStarts = 4096;

// Random records to start from, the same for both sides: record ids are
// insertion order on both, so id i holds reading(i - 1).
std::vector<std::int64_t> startIds(std::int64_t n)
{
    std::vector<std::int64_t> ids;
    for (int k = 0; k < kStarts; ++k)
        ids.push_back(1 + std::int64_t(mix(std::uint64_t(n) * 977 + std::uint64_t(k)) % std::uint64_t(n)));
    return ids;
}

// This engine does not seek an index on a row-value comparison, so the
// keyset read is spelt as the usual cascade of up to three range seeks.
// ORDER BY leaves out the columns held equal; naming them makes the engine
// sort in a temporary tree.
struct RawSeek
{
    sqlite3_stmt *sameDay, *laterDay, *laterPerson;

    explicit RawSeek(Raw &r)
        : sameDay(r.prepare("SELECT rowid, * FROM bloodpre WHERE PERSONNAME = ?1 AND DATE = ?2 AND TIME >= ?3"
                            " ORDER BY TIME LIMIT ?4")),
          laterDay(r.prepare("SELECT rowid, * FROM bloodpre WHERE PERSONNAME = ?1 AND DATE > ?2"
                             " ORDER BY DATE, TIME LIMIT ?3")),
          laterPerson(r.prepare("SELECT rowid, * FROM bloodpre WHERE PERSONNAME > ?1"
                                " ORDER BY PERSONNAME, DATE, TIME LIMIT ?2"))
    {
    }

    // Calls row(stmt) for each of up to kSeekRows records from x's key on.
    template<typename F>
    int run(const Reading &x, F &&row)
    {
        int rows = 0;
        auto drain = [&](sqlite3_stmt *s) {
            while (sqlite3_step(s) == SQLITE_ROW) {
                row(s);
                ++rows;
            }
            sqlite3_reset(s);
        };
        bindText(sameDay, 1, x.person->name);
        sqlite3_bind_int(sameDay, 2, x.day);
        sqlite3_bind_int(sameDay, 3, x.time);
        sqlite3_bind_int(sameDay, 4, kSeekRows);
        drain(sameDay);
        if (rows < kSeekRows) {
            bindText(laterDay, 1, x.person->name);
            sqlite3_bind_int(laterDay, 2, x.day);
            sqlite3_bind_int(laterDay, 3, kSeekRows - rows);
            drain(laterDay);
        }
        if (rows < kSeekRows) {
            bindText(laterPerson, 1, x.person->name);
            sqlite3_bind_int(laterPerson, 2, kSeekRows - rows);
            drain(laterPerson);
        }
        return rows;
    }
};

// The ids the raw query returns from each of the first starts, to check
// that our side reads the very same records.
std::map<std::int64_t, std::vector<std::vector<std::int64_t>>> g_rawSeekIds;

void seekRaw(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    auto r = rawOpen(cachedTables(n).rawPath, false);
    if (!r) {
        state.SkipWithError("cannot open the raw table");
        return;
    }
    const std::vector<std::int64_t> ids = startIds(n);
    std::vector<Reading> starts;
    for (std::int64_t id : ids)
        starts.push_back(reading(id - 1));
    RawSeek seek(*r);

    auto &expected = g_rawSeekIds[n];
    expected.clear();
    for (int k = 0; k < 64; ++k) {
        std::vector<std::int64_t> got;
        seek.run(starts[std::size_t(k)], [&](sqlite3_stmt *s) { got.push_back(sqlite3_column_int64(s, 0)); });
        expected.push_back(got);
    }

    std::size_t k = 0;
    for (auto _ : state) {
        double sum = 0;
        const int rows = seek.run(starts[k++ % starts.size()], [&](sqlite3_stmt *s) { sum += readColumns(s, 1); });
        benchmark::DoNotOptimize(sum);
        if (rows == 0) {
            state.SkipWithError("the seek found nothing");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSeekRows);
}

void seekOurs(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    Ours o(cachedTables(n).oursDir);
    if (o.table.open() != 0) {
        state.SkipWithError(qPrintable(o.error("open")));
        return;
    }
    // Positions are gathered untimed, as a caller keeps them from earlier reads.
    std::vector<QString> positions;
    for (std::int64_t id : startIds(n)) {
        fill(o.table.record(), reading(id - 1));
        if (o.table.setByValue(kBloByDate) != 0 || o.table.next() != 0) {
            state.SkipWithError(qPrintable(o.error("setByValue/next")));
            return;
        }
        positions.push_back(o.table.position());
    }
    if (auto it = g_rawSeekIds.find(n); it != g_rawSeekIds.end()) {
        for (std::size_t k = 0; k < it->second.size(); ++k) {
            std::vector<std::int64_t> got;
            o.table.reset(positions[k]);
            for (int i = 0; i < kSeekRows && o.table.next() == 0; ++i)
                got.push_back(o.table.recordId());
            if (got != it->second[k]) {
                state.SkipWithError("our records differ from the raw query's");
                return;
            }
        }
    }

    const int systolic = fields().systolic;
    const Record &rec = o.table.record();
    std::size_t k = 0;
    for (auto _ : state) {
        if (o.table.reset(positions[k++ % positions.size()]) != 0) {
            state.SkipWithError(qPrintable(o.error("reset")));
            return;
        }
        double sum = 0;
        for (int i = 0; i < kSeekRows; ++i) {
            if (o.table.next() != 0) {
                if (o.table.status().code == DriverCode::NoRecord)
                    break;
                state.SkipWithError(qPrintable(o.error("next")));
                return;
            }
            sum += rec.real(systolic);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSeekRows);
}

// ---- summary ------------------------------------------------------------------

// Keeps wall and CPU seconds per iteration of every benchmark for the
// closing table: the median of repetitions when there are several.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    struct Times
    {
        double wall = -1, cpu = -1;
    };
    std::map<std::string, Times> times;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.error_occurred || r.iterations <= 0)
                continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Iteration || median)
                times[r.run_name.str()] = {r.real_accumulated_time / double(r.iterations),
                                           r.cpu_accumulated_time / double(r.iterations)};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string label(const char *what, std::int64_t n)
{
    return std::string(what) + (n == kLarge ? "_1M" : "_100k");
}

std::string arg(std::int64_t n)
{
    return "/" + std::to_string(n);
}

void printSummary(const SummaryReporter &rep)
{
    // Names carry suffixes such as "/iterations:3".
    auto find = [&](const std::string &name) -> SummaryReporter::Times {
        for (const auto &[full, t] : rep.times)
            if (full == name || full.rfind(name + "/", 0) == 0)
                return t;
        return {};
    };
    std::printf("\n%-18s %21s %21s %15s  %s\n", "summary (wall/cpu)", "ours", "raw", "ours/raw", "goal");
    struct Pair
    {
        const char *what;
        std::int64_t n;
        bool ratioGoal;
    };
    const Pair pairs[] = {{"insert", kSmall, true}, {"scan_bydate", kSmall, true},
                          {"seek20", kSmall, false}, {"seek20", kLarge, false}};
    for (const Pair &p : pairs) {
        const auto ours = find(std::string(p.what) + "/ours" + arg(p.n));
        const auto raw = find(std::string(p.what) + "/raw" + arg(p.n));
        if (ours.wall < 0 && raw.wall < 0)
            continue;
        const double unit = p.ratioGoal ? 1e3 : 1e6;
        const char *unitName = p.ratioGoal ? "ms" : "us";
        auto pair = [&](const SummaryReporter::Times &t) {
            char b[64] = "-";
            if (t.wall >= 0)
                std::snprintf(b, sizeof b, "%.0f/%.0f %s", t.wall * unit, t.cpu * unit, unitName);
            return std::string(b);
        };
        char q[64] = "-";
        if (ours.wall >= 0 && raw.wall > 0)
            std::snprintf(q, sizeof q, "%.2f/%.2f", ours.wall / raw.wall, ours.cpu / raw.cpu);
        std::string goal;
        if (ours.wall >= 0) {
            if (p.ratioGoal)
                goal = raw.wall > 0 ? (ours.wall / raw.wall <= 1.5 ? "<= 1.5x raw: met" : "<= 1.5x raw: MISSED") : "";
            else
                goal = ours.wall < 2e-3 ? "< 2 ms: met" : "< 2 ms: MISSED";
        }
        std::printf("%-18s %21s %21s %15s  %s\n", label(p.what, p.n).c_str(), pair(ours).c_str(),
                    pair(raw).c_str(), q, goal.c_str());
    }
    const auto small = find("seek20/ours" + arg(kSmall));
    const auto large = find("seek20/ours" + arg(kLarge));
    const auto rawSmall = find("seek20/raw" + arg(kSmall));
    const auto rawLarge = find("seek20/raw" + arg(kLarge));
    if (small.wall > 0 && large.wall > 0)
        std::printf("seek20 1M/100k (wall): ours %.2f, raw %.2f\n", large.wall / small.wall,
                    rawSmall.wall > 0 && rawLarge.wall > 0 ? rawLarge.wall / rawSmall.wall : 0.0);
    if (g_orderHash.size() == 2)
        std::printf("scan order check: %s\n",
                    g_orderHash["ours"] == g_orderHash["raw"] ? "same records in the same order" : "ORDER DIFFERS");
}

} // namespace

int main(int argc, char **argv)
{
    // Derived once per process on both sides, so kept out of every timing.
    rawCipherKey(tables::ownerPassword());
    QDir().mkpath(benchRoot());

    // Medians of three repetitions: the machine may be busy with other work.
    const int reps = 3;
    using Fn = void (*)(benchmark::State &);
    const std::pair<const char *, Fn> whole[] = {
        {"insert/ours", insertOurs}, {"insert/raw", insertRaw}, {"scan_bydate/ours", scanOurs}, {"scan_bydate/raw", scanRaw}};
    for (const auto &[name, fn] : whole)
        benchmark::RegisterBenchmark(name, fn)->Arg(kSmall)->Iterations(3)->Repetitions(reps)
            ->DisplayAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    for (std::int64_t n : {kSmall, kLarge}) {
        // Raw first: it records the ids our side must read back.
        benchmark::RegisterBenchmark("seek20/raw", seekRaw)->Arg(n)->Repetitions(reps)->DisplayAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("seek20/ours", seekOurs)->Arg(n)->Repetitions(reps)->DisplayAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter);
    std::fflush(stdout);
    return 0;
}
