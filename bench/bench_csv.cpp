// The CSV commands' work, as import-csv and export-csv do it: 100,000
// blood pressure readings of one person imported into a fresh data folder
// (every row checked and primed, through the managers, in one
// transaction), and a 1,000,000-reading table exported to a file. Run by hand:
//   ./build/bench/bench_csv [google benchmark flags]
// The large table is built once under $TAVIMO_BENCH_DIR (default
// /tmp/tavimo-bench); a summary against the goals follows the table.

#include "bloodpredata.h"
#include "csvformat.h"
#include "csvtables.h"
#include "csvvalues.h"
#include "tables.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr std::int64_t kImportRows = 100'000;
constexpr std::int64_t kExportRows = 1'000'000;
constexpr double kImportGoal = 30'000;  // rows a second
constexpr double kExportGoal = 200'000; // rows a second

struct Figures
{
    double importRows = 0;
    double importMegabytes = 0;
    double exportRows = 0;
    double exportMegabytes = 0;
};
Figures figures;

// Reading i as a meter's file would hold it.
QByteArray readingsFile(std::int64_t n)
{
    QByteArray file = "DATE,TIME,SYSTOLIC,DIASTOLIC,PULSE,COMMENT\n";
    file.reserve(n * 48);
    for (std::int64_t i = 0; i < n; ++i) {
        const Reading r = reading(i);
        csv::appendDate(file, Date(r.day));
        file.append(',');
        csv::appendTime(file, Time(r.time));
        file.append(',');
        csv::appendReal(file, r.systolic);
        file.append(',');
        csv::appendReal(file, r.diastolic);
        file.append(',');
        csv::appendReal(file, r.pulse);
        file.append(',');
        csv::appendField(file, r.comment->u);
        file.append('\n');
    }
    return file;
}

bool importPerson(const QString &folder)
{
    csv::ImportRequest people;
    people.table = &tables::personsName();
    const QByteArray file = "FIRSTNAME,LASTNAME,GENDER,BIRTHDATE,WEIGHT,HEIGHT,SOCIALSECURITY\n"
                            "Maria,Lopez,F,1961-04-12,142,\"5'05\"\"\",100-10-1000\n";
    return csv::importCsv(folder, people, file).outcome == csv::Outcome::Done;
}

// Each run into a new data folder holding only the person; the time covers
// the whole import, from the file's bytes to the commit.
void BM_ImportBloodPressure(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    const QByteArray file = readingsFile(n);
    csv::ImportRequest request;
    request.table = &tables::bloodpre();
    request.person = QStringLiteral("Maria Lopez");
    double seconds = 0;
    for (auto _ : state) {
        QTemporaryDir folder(benchRoot() + QStringLiteral("/csv-import-XXXXXX"));
        if (!importPerson(folder.path())) {
            state.SkipWithError("the person could not be imported");
            break;
        }
        const auto start = Clock::now();
        const csv::Report report = csv::importCsv(folder.path(), request, file);
        const double elapsed = secondsSince(start);
        if (report.outcome != csv::Outcome::Done || report.records != n) {
            state.SkipWithError(qPrintable(report.message));
            break;
        }
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    state.SetItemsProcessed(state.iterations() * n);
    if (seconds > 0) {
        figures.importRows = double(state.iterations() * n) / seconds;
        figures.importMegabytes = double(file.size()) / 1e6;
    }
}
BENCHMARK(BM_ImportBloodPressure)->Arg(kImportRows)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The cached million readings of fifty people, every record to a file.
void BM_ExportBloodPressure(benchmark::State &state)
{
    const std::int64_t n = state.range(0);
    const Cached &cached = cachedTables(n);
    QTemporaryDir out(benchRoot() + QStringLiteral("/csv-export-XXXXXX"));
    const QString path = out.filePath(QStringLiteral("bloodpre.csv"));
    const csv::ExportRequest request{&tables::bloodpre(), {}, {}, {}};
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const csv::Report report = csv::exportCsvFile(cached.oursDir, request, path);
        const double elapsed = secondsSince(start);
        if (report.outcome != csv::Outcome::Done || report.records != n) {
            state.SkipWithError(qPrintable(report.message));
            break;
        }
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    state.SetItemsProcessed(state.iterations() * n);
    if (seconds > 0) {
        figures.exportRows = double(state.iterations() * n) / seconds;
        figures.exportMegabytes = double(QFileInfo(path).size()) / 1e6;
    }
}
BENCHMARK(BM_ExportBloodPressure)->Arg(kExportRows)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printSummary()
{
    std::printf("\n");
    if (figures.importRows > 0)
        std::printf("import-csv, %lld readings (%.1f MB)     %9.0f rows/s  (goal >= %.0f: %s)\n",
                    static_cast<long long>(kImportRows), figures.importMegabytes, figures.importRows, kImportGoal,
                    verdict(figures.importRows >= kImportGoal));
    if (figures.exportRows > 0)
        std::printf("export-csv, %lld readings (%.1f MB)  %9.0f rows/s  (goal >= %.0f: %s)\n",
                    static_cast<long long>(kExportRows), figures.exportMegabytes, figures.exportRows, kExportGoal,
                    verdict(figures.exportRows >= kExportGoal));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir().mkpath(benchRoot());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
