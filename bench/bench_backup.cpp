// A backup of a data folder holding 1,000,000 blood pressure readings (and
// every other table, empty), beside a plain copy of the same files, in one
// run: the engine's page-by-page copy (each page deciphered and enciphered
// again), the whole of tavimo backup (that copy and the data check of it),
// and the files copied byte for byte and synced as the backup's are. Run
// by hand:
//   ./build/bench/bench_backup [google benchmark flags]
// The large table is built once under $TAVIMO_BENCH_DIR (default
// /tmp/tavimo-bench); a summary follows the table.

#include "bloodpredata.h"
#include "checkdata.h"
#include "folderbackup.h"
#include "onlinebackup.h"
#include "ownerkey.h"
#include "storagesession.h"
#include "tables.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace tavimo;
using namespace tavimo::benchdata;

namespace {

constexpr std::int64_t kReadings = 1'000'000;

QString inBenchRoot(const char *pattern)
{
    QDir().mkpath(benchRoot());
    return benchRoot() + QLatin1Char('/') + QLatin1String(pattern);
}

QByteArray keyOf(const QString &fileName)
{
    StorageSession names(QStringLiteral("/"));
    for (const TableLayout *layout : tables::all())
        if (QFileInfo(names.pathOf(*layout)).fileName() == fileName)
            return layout->hasPassword() ? rawCipherKey(tables::ownerPassword()) : QByteArray();
    return QByteArray();
}

struct Folder
{
    QTemporaryDir tmp{inBenchRoot("backup-XXXXXX")};
    QString data;
    QStringList files;
    qint64 bytes = 0;
};

// Every table made empty, then the large reading table put in place.
const Folder &folder()
{
    static Folder *f = [] {
        auto *made = new Folder;
        made->data = made->tmp.filePath(QStringLiteral("data"));
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        if (checkData(made->data, o, e) != 0)
            qFatal("cannot make the data folder: %s", qPrintable(err));
        const QString big = QDir(cachedTables(kReadings).oursDir).filePath(QStringLiteral("Bloodpre.tdb"));
        const QString target = QDir(made->data).filePath(QStringLiteral("Bloodpre.tdb"));
        QFile::remove(target);
        if (!QFile::copy(big, target))
            qFatal("cannot copy %s", qPrintable(big));
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        made->files = folderbackup::dataFilesIn(made->data);
        for (const QString &file : std::as_const(made->files))
            made->bytes += QFileInfo(file).size();
        return made;
    }();
    return *f;
}

struct Figures
{
    double online = 0;
    double command = 0;
    double plain = 0;
} figures;

void BM_OnlineCopy(benchmark::State &state)
{
    const Folder &f = folder();
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        QTemporaryDir target(inBenchRoot("copy-XXXXXX"));
        std::vector<DataFileCopy> copies;
        for (const QString &file : f.files) {
            const QString name = QFileInfo(file).fileName();
            copies.push_back(DataFileCopy{file, target.filePath(name), keyOf(name)});
        }
        const auto start = Clock::now();
        const DriverStatus st = copyDataFiles(copies);
        const double seconds = secondsSince(start);
        if (!st.ok())
            state.SkipWithError(qPrintable(st.fileError));
        state.SetIterationTime(seconds);
        total += seconds;
        ++n;
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
    figures.online = total / n;
}
BENCHMARK(BM_OnlineCopy)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_BackupCommand(benchmark::State &state)
{
    const Folder &f = folder();
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        QTemporaryDir parent(inBenchRoot("backups-XXXXXX"));
        const auto start = Clock::now();
        const folderbackup::Outcome made = folderbackup::backUp(f.data, parent.path(), folderbackup::Kind::ByHand);
        const double seconds = secondsSince(start);
        if (made.status != 0)
            state.SkipWithError(qPrintable(made.problem));
        state.SetIterationTime(seconds);
        total += seconds;
        ++n;
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
    figures.command = total / n;
}
BENCHMARK(BM_BackupCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Byte for byte, each file synced as the engine syncs its copies.
void BM_PlainCopy(benchmark::State &state)
{
    const Folder &f = folder();
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        QTemporaryDir target(inBenchRoot("plain-XXXXXX"));
        const auto start = Clock::now();
        for (const QString &file : f.files) {
            QFile from(file);
            QFile to(target.filePath(QFileInfo(file).fileName()));
            if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                state.SkipWithError("cannot copy");
                break;
            }
            QByteArray block;
            while (!(block = from.read(1 << 20)).isEmpty())
                to.write(block);
            to.flush();
            ::fsync(to.handle());
        }
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        total += seconds;
        ++n;
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
    figures.plain = total / n;
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void summary()
{
    const Folder &f = folder();
    const double mb = double(f.bytes) / (1024.0 * 1024.0);
    std::printf("\ndata folder: %lld readings, %lld files, %.1f MB\n", static_cast<long long>(kReadings),
                static_cast<long long>(f.files.size()), mb);
    if (figures.online > 0)
        std::printf("online copy (engine backup)      %8.2f s  %7.1f MB/s\n", figures.online, mb / figures.online);
    if (figures.command > 0)
        std::printf("tavimo backup (copy and check)   %8.2f s  %7.1f MB/s\n", figures.command, mb / figures.command);
    if (figures.plain > 0)
        std::printf("plain file copy                  %8.2f s  %7.1f MB/s\n", figures.plain, mb / figures.plain);
    if (figures.online > 0 && figures.plain > 0)
        std::printf("online copy / plain copy         %8.2f x\n", figures.online / figures.plain);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    summary();
    return 0;
}
