// The PDF writer beside Qt's QPdfWriter on the same report: Letter pages of
// 60 lines of text in two fonts with a few rules. Run by hand:
//   ./build/bench/bench_pdf [google benchmark flags]
// After the benchmarks it prints a summary: the time ratio and file sizes,
// what encryption adds, and the peak memory of a process writing 1,000 and
// 10,000 pages (measured in a child process: bench_pdf --peak-memory N).
#include "ireportgenerator.h"
#include "pdfgenerator.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

using namespace tavimo;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPages = 1000;
constexpr int kLines = 60;
constexpr int kTop = 750;     // thousandths of an inch
constexpr int kLeft = 750;
constexpr int kPitch = 155;   // between lines
constexpr int kWidth = 7000;

QByteArray lineText(int page, int line)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d  %02d:%02d  Systolic %3d  Diastolic %3d  Pulse %3d  sitting, left arm",
                  2000 + page / 12 % 25, page % 12 + 1, line % 28 + 1, line % 24, (page * 7 + line) % 60,
                  110 + (page + line) % 50, 70 + (page * 3 + line) % 25, 60 + line % 30);
    return QByteArray(buf);
}

QString tempDir()
{
    static QTemporaryDir dir;
    return dir.path();
}

// The report through PdfGenerator; returns the file size.
qint64 writeWithGenerator(const QString &path, int pages, const QByteArray &password)
{
    PdfGenerator pdf;
    pdf.setOutputFileName(path);
    pdf.setDocumentInfo(QStringLiteral("LM Report"), QStringLiteral("tavimo2"), QStringLiteral("bpaverages"),
                        QStringLiteral("bpaverages"), {}, {});
    pdf.setCompression(true, true);
    if (!password.isEmpty())
        pdf.setEncryption(password, 36);
    if (pdf.openDocument(pages) != IReportGenerator::Done)
        return -1;
    for (int p = 0; p < pages; ++p) {
        pdf.openPage();
        pdf.setPen(0, 17, 0);
        pdf.drawLine(kLeft, kTop - 100, kWidth, 0);
        pdf.drawRectangle(kLeft, kTop + kLines * kPitch + 50, kWidth, 300);
        for (int l = 0; l < kLines; ++l) {
            if (l % 2)
                pdf.setFont(QStringLiteral("Times New Roman"), 9);
            else
                pdf.setFont(QStringLiteral("Arial"), 9, l % 10 == 0);
            pdf.drawText(kLeft, kTop + l * kPitch, lineText(p, l));
        }
        pdf.drawLine(kLeft, kTop + kLines * kPitch + 20, kWidth, 0);
        pdf.closePage();
    }
    if (pdf.closeDocument() != IReportGenerator::Done)
        return -1;
    return QFileInfo(path).size();
}

// The same report through QPdfWriter at a thousand dots per inch, so the
// coordinates are the same numbers.
qint64 writeWithQPdfWriter(const QString &path, int pages)
{
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1000);
        writer.setTitle(QStringLiteral("LM Report"));
        QPainter painter(&writer);
        QFont sans(QStringLiteral("Arial"), 9);
        QFont sansBold(QStringLiteral("Arial"), 9, QFont::Bold);
        QFont serif(QStringLiteral("Times New Roman"), 9);
        painter.setPen(QPen(Qt::black, 2));
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                writer.newPage();
            painter.drawLine(kLeft, kTop - 100, kLeft + kWidth, kTop - 100);
            painter.drawRect(kLeft, kTop + kLines * kPitch + 50, kWidth, 300);
            for (int l = 0; l < kLines; ++l) {
                painter.setFont(l % 2 ? serif : (l % 10 == 0 ? sansBold : sans));
                painter.drawText(kLeft, kTop + l * kPitch + 125, QString::fromLatin1(lineText(p, l)));
            }
            painter.drawLine(kLeft, kTop + kLines * kPitch + 20, kLeft + kWidth, kTop + kLines * kPitch + 20);
        }
    }
    return QFileInfo(path).size();
}

void BM_PdfGenerator(benchmark::State &state)
{
    const QString path = tempDir() + QStringLiteral("/generator.pdf");
    qint64 size = 0;
    for (auto _ : state)
        size = writeWithGenerator(path, int(state.range(0)), {});
    state.counters["bytes"] = double(size);
    state.counters["pages/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PdfGenerator)->Arg(kPages)->Unit(benchmark::kMillisecond);

void BM_PdfGeneratorEncrypted(benchmark::State &state)
{
    const QString path = tempDir() + QStringLiteral("/encrypted.pdf");
    qint64 size = 0;
    for (auto _ : state)
        size = writeWithGenerator(path, int(state.range(0)), "Tavimo");
    state.counters["bytes"] = double(size);
    state.counters["pages/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PdfGeneratorEncrypted)->Arg(kPages)->Unit(benchmark::kMillisecond);

void BM_QPdfWriter(benchmark::State &state)
{
    const QString path = tempDir() + QStringLiteral("/qpdfwriter.pdf");
    qint64 size = 0;
    for (auto _ : state)
        size = writeWithQPdfWriter(path, int(state.range(0)));
    state.counters["bytes"] = double(size);
    state.counters["pages/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_QPdfWriter)->Arg(kPages)->Unit(benchmark::kMillisecond)->Iterations(3);

template <typename F>
double bestSeconds(int runs, F &&f)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Runs this program again to write `pages` pages, and returns its peak resident memory in kB.
long childPeak(const char *self, int pages)
{
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {QStringLiteral("--peak-memory"), QString::number(pages)});
    if (!child.waitForFinished(600000))
        return -1;
    return child.readAllStandardOutput().trimmed().toLong();
}

void summary(const char *self)
{
    const QString dir = tempDir();
    qint64 ours = 0, theirs = 0, encrypted = 0;
    const double tOurs = bestSeconds(3, [&] { ours = writeWithGenerator(dir + QStringLiteral("/s1.pdf"), kPages, {}); });
    const double tEncrypted =
        bestSeconds(3, [&] { encrypted = writeWithGenerator(dir + QStringLiteral("/s2.pdf"), kPages, "Tavimo"); });
    const double tTheirs = bestSeconds(2, [&] { theirs = writeWithQPdfWriter(dir + QStringLiteral("/s3.pdf"), kPages); });
    const long peak1k = childPeak(self, 1000);
    const long peak10k = childPeak(self, 10000);
    std::printf("\n%d Letter pages, %d lines each in two fonts, with rules (best of runs)\n", kPages, kLines);
    std::printf("  PdfGenerator            %8.3f s  %10lld bytes\n", tOurs, static_cast<long long>(ours));
    std::printf("  PdfGenerator enciphered %8.3f s  %10lld bytes  (+%.1f %% time)\n", tEncrypted,
                static_cast<long long>(encrypted), 100.0 * (tEncrypted - tOurs) / tOurs);
    std::printf("  QPdfWriter              %8.3f s  %10lld bytes\n", tTheirs, static_cast<long long>(theirs));
    std::printf("  time ratio QPdfWriter / PdfGenerator: %.1fx; size ratio: %.2f\n", tTheirs / tOurs,
                double(ours) / double(theirs));
    std::printf("  peak resident memory of a process writing 1,000 pages: %ld kB; 10,000 pages: %ld kB\n", peak1k,
                peak10k);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0) {
        const QString path = QDir::tempPath() + QStringLiteral("/tavimo-bench-peak-%1.pdf").arg(qint64(getpid()));
        const qint64 size = writeWithGenerator(path, std::atoi(argv[2]), {});
        QFile::remove(path);
        std::printf("%ld\n", size > 0 ? peakKilobytes() : -1L);
        return size > 0 ? 0 : 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    summary(argv[0]);
    return 0;
}
