// The report engine over a real table, offscreen, with a clock of the
// test's own: the percentage a run has got to, the batch loop's records per
// tick, the end of a run and where its pages go.
#include "contextfixture.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "ireportgenerator.h"
#include "processmanager.h"
#include "record.h"
#include "relationmanager.h"
#include "reporthooks.h"
#include "reportmanager.h"
#include "reporttargetselector.h"
#include "scriptedpresenter.h"
#include "stepmanager.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace tavimo;

namespace {

constexpr int kDay = 24 * 60 * 60 * 100;
constexpr int kByPerson = 1; // Glu:byperson
constexpr int kNeverTicks = 1000000; // hundredths: the test gives the ticks itself

struct Fixture : testing::ContextFixture
{
    FileManager &glucose() { return *context->fileManager(tables::glucose()); }
    RelationManager &relation() { return *context->relationManager(tables::glucose()); }
    int recordSize() { return glucose().record().size(); }

    void addReading(const QString &person, int day)
    {
        FileManager &g = glucose();
        g.record().clear();
        g.record().setText("GLU:PERSONNAME", person);
        g.record().setDate("GLU:DATE", Date(80000 + day));
        g.record().setInteger("GLU:READING", 100 + day);
        QCOMPARE(g.insert(), int(ResultOk));
    }
    void addReadings(int count)
    {
        for (int i = 0; i < count; ++i)
            addReading(QStringLiteral("Person %1").arg(i, 3, 10, QLatin1Char('0')), i);
    }
};

// Reads the view, failing with a read error after so many records.
class ScriptedProcess : public ProcessManager
{
public:
    int failAfter = -1;
    int next() override
    {
        if (failAfter >= 0 && recordsProcessed == failAfter)
            return ResultFatal;
        return ProcessManager::next();
    }
};

struct FakeClock
{
    int now = 0;
    void advance(int hundredths) { now = (now + hundredths) % kDay; }
};

// Lays out nothing: each record costs `cost` on the clock and every
// `perPage` records finish a page.
struct FakeRenderer : ReportRenderer
{
    FakeClock *clock = nullptr;
    int cost = 0;
    int perPage = 2;
    int openResult = ResultOk;
    int opens = 0, prints = 0, ends = 0, closes = 0;
    int pages = 0;
    QStringList pending;

    int open() override
    {
        ++opens;
        return openResult;
    }
    int printRecord() override
    {
        ++prints;
        clock->advance(cost);
        if (prints % perPage == 0)
            finishPage();
        return ResultOk;
    }
    int endReport() override
    {
        ++ends;
        if (prints % perPage != 0)
            finishPage();
        return ResultOk;
    }
    void close() override { ++closes; }
    QStringList takeFinishedPages() override { return std::exchange(pending, {}); }
    void finishPage() { pending << QStringLiteral("page%1.wmf").arg(++pages); }
};

struct FakePreview : PreviewRunner
{
    bool print = true;
    int calls = 0;
    int zoom = 0;
    bool progressShown = false;
    QStringList pages;
    bool preview(ReportManager &report, QStringList &shown, int z) override
    {
        ++calls;
        pages = shown;
        zoom = z;
        progressShown = report.isProgressShown();
        return print;
    }
};

struct FakeOutput : PageOutput
{
    QList<QStringList> printed;
    QList<QStringList> exported;
    int print(const QStringList &pages) override
    {
        printed << pages;
        return ResultOk;
    }
    int exportPages(const QStringList &pages, IReportGenerator &generator) override
    {
        exported << pages;
        if (int opened = generator.openDocument(int(pages.size())))
            return opened;
        return generator.closeDocument();
    }
};

// A generator that may name the file it writes in the output-file list.
class FakeGenerator : public IReportGenerator, public OutputFileListUser
{
public:
    int setUpAnswer = 0;
    bool listMode = false;
    int setUps = 0;
    QStringList *files = nullptr;

    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override
    {
        if (files)
            *files << QStringLiteral("report.pdf");
        return Done;
    }
    int openPage(int, int, int, int, const QString &) override { return Done; }
    int closePage() override { return Done; }
    int setUp() override
    {
        ++setUps;
        return setUpAnswer;
    }
    QString name() const override { return QStringLiteral("PDF"); }
    QString displayName() const override { return QStringLiteral("PDF"); }
    QString icon() const override { return QString(); }
    bool usesOutputFileList() const override { return listMode; }
    void setOutputFileList(QStringList *list) override { files = list; }
};

class TestReport : public ReportManager
{
public:
    using ReportManager::ReportManager;
    bool veto = false;
    int hookCalls = 0;
    QStringList hookFiles;

protected:
    bool takeOutputFiles(QStringList &files) override
    {
        ++hookCalls;
        hookFiles = files;
        return !veto;
    }
};

struct Processor : RecordProcessor
{
    int asked = 0;
    int closes = 0;
    bool takeOdd = true;
    int closeAnswer = 0;
    bool takeRecord() override
    {
        ++asked;
        return takeOdd || asked % 2 == 0;
    }
    int takeClose() override
    {
        ++closes;
        return closeAnswer;
    }
};

// One report over the glucose readings with every part a fake. The report
// goes first, before the parts it uses.
struct Run
{
    Fixture &f;
    FakeClock clock;
    ScriptedProcess process;
    FakeRenderer renderer;
    FakePreview preview;
    FakeOutput output;
    TestReport report;

    Run(Fixture &fixture, bool withPreview = true) : f(fixture), report(*fixture.context, QStringLiteral("glucreport"))
    {
        process.setup(f.relation());
        process.addOrder(kByPerson);
        renderer.clock = &clock;
        report.init(process, renderer, withPreview ? &preview : nullptr);
        report.setOutput(&output);
        report.setClock([this] { return clock.now; });
        report.timerInterval = kNeverTicks;
    }
    // The ticks come from the window's timer, as in the program.
    void ticking() { report.timerInterval = 1; }
};

bool ended(ReportManager &report)
{
    return QTest::qWaitFor([&] { return !report.isRunning(); }, 10000);
}

struct FakeStep : StepManager
{
    FilterValue low, high;
    QStringList asked;
    void setLimits(const FilterValue &l, const FilterValue &h) override
    {
        low = l;
        high = h;
    }
    int percentile(const FilterValue &value) const override
    {
        const_cast<FakeStep *>(this)->asked << value.text;
        return int(asked.size()) * 40;
    }
};

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void percentFromEachSource_data();
    void percentFromEachSource();
    void resetTakesTheCountsFromTheTable();
    void stepManagerReadsTheKeyValue_data();
    void stepManagerReadsTheKeyValue();
    void stepManagers_data();
    void stepManagers();

    void progressWindow();
    void batchSize_data();
    void batchSize();
    void noRecordsIsCancelledWithoutPreview();
    void routing_data();
    void routing();
    void generatorFillsTheOutputFileList();
    void cancelStopsAndPrintsNothing_data();
    void cancelStopsAndPrintsNothing();
    void readErrorCancels();
    void openFailureEndsTheRun();
    void openFailureKeptVisibleWaitsForCancel();
    void deferredOpenAndWindow();
    void processorsAreAskedOnEveryRecord_data();
    void processorsAreAskedOnEveryRecord();
    void targetSelectorOwnership();
};

// ---- the percentage ---------------------------------------------------------

void TestReportEngine::percentFromEachSource_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("toProcess");       // set before reset; 0: from the table
    QTest::addColumn<int>("fileSizeRecords"); // the file size in records; 0: unknown
    QTest::addColumn<QList<int>>("percents");
    QTest::addColumn<QList<int>>("redraws");

    QTest::newRow("records of the table") << 4 << 0 << 0 << QList<int>{25, 50, 75, 100} << QList<int>{25, 50, 75, 100};
    QTest::newRow("records to process, capped at 100")
        << 4 << 3 << 0 << QList<int>{33, 66, 100, 100} << QList<int>{33, 66, 100};
    QTest::newRow("fewer read than to process") << 3 << 10 << 0 << QList<int>{10, 20, 30} << QList<int>{10, 20, 30};
    QTest::newRow("redrawn only when it changes")
        << 4 << 400 << 0 << QList<int>{0, 0, 0, 1} << QList<int>{1};
    QTest::newRow("bytes of the file size") << 4 << 0 << 4 << QList<int>{25, 50, 75, 100} << QList<int>{25, 50, 75, 100};
    QTest::newRow("bytes, capped at 100") << 4 << 0 << 3 << QList<int>{33, 66, 100, 100} << QList<int>{33, 66, 100};
    QTest::newRow("bytes before records") << 4 << 2 << 8 << QList<int>{12, 25, 37, 50} << QList<int>{12, 25, 37, 50};
}

void TestReportEngine::percentFromEachSource()
{
    QFETCH(int, records);
    QFETCH(int, toProcess);
    QFETCH(int, fileSizeRecords);
    QFETCH(QList<int>, percents);
    QFETCH(QList<int>, redraws);

    Fixture f;
    f.addReadings(records);
    ProcessManager process;
    process.setup(f.relation());
    process.addOrder(kByPerson);
    process.recordsToProcess = toProcess;
    process.fileSize = std::int64_t(fileSizeRecords) * f.recordSize();
    QList<int> drawn;
    process.setDisplay([&](int percent) { drawn << percent; });

    QCOMPARE(process.reset(), int(ResultOk));
    QList<int> got;
    for (int i = 0; i < records; ++i) {
        QCOMPARE(process.next(), int(ResultOk));
        got << process.percentile();
    }
    QCOMPARE(process.next(), int(ResultNotify));
    QCOMPARE(got, percents);
    QCOMPARE(drawn, redraws);
    QCOMPARE(process.recordsProcessed, std::int64_t(records));
    QCOMPARE(process.bytesRead, fileSizeRecords ? std::int64_t(records) * f.recordSize() : 0);
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportEngine::resetTakesTheCountsFromTheTable()
{
    {
        Fixture f;
        f.addReadings(3);
        ProcessManager process;
        process.setup(f.relation());
        QCOMPARE(process.reset(), int(ResultOk));
        QCOMPARE(process.recordsToProcess, std::int64_t(3));
        QCOMPARE(process.fileSize, std::int64_t(0));
        QCOMPARE(process.next(), int(ResultOk));
        QCOMPARE(process.next(), int(ResultOk));

        // A new run starts from nothing, and reads the view from its start.
        QCOMPARE(process.reset(), int(ResultOk));
        QCOMPARE(process.recordsProcessed, std::int64_t(0));
        QCOMPARE(process.percentile(), 0);
        int read = 0;
        while (process.next() == ResultOk)
            ++read;
        QCOMPARE(read, 3);
    }
    {
        // No records: the file's size stands in.
        Fixture f;
        ProcessManager process;
        process.setup(f.relation());
        QCOMPARE(process.reset(), int(ResultOk));
        QCOMPARE(process.recordsToProcess, std::int64_t(0));
        const qint64 size = QFileInfo(f.glucose().table().path()).size();
        QVERIFY(size > 0);
        QCOMPARE(process.fileSize, std::int64_t(size));
    }
}

void TestReportEngine::stepManagerReadsTheKeyValue_data()
{
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("upper-cased") << false << "ANN" << "CARL" << QStringList{"ANN", "BOB", "CARL"};
    QTest::newRow("case-sensitive") << true << "Ann" << "carl" << QStringList{"Ann", "bob", "carl"};
}

void TestReportEngine::stepManagerReadsTheKeyValue()
{
    QFETCH(bool, caseSensitive);
    QFETCH(QString, low);
    QFETCH(QString, high);
    QFETCH(QStringList, asked);

    Fixture f;
    f.addReading(QStringLiteral("bob"), 1);
    f.addReading(QStringLiteral("carl"), 2);
    f.addReading(QStringLiteral("Ann"), 3);
    FakeStep step;
    ProcessManager process;
    process.setup(f.relation());
    process.addOrder(kByPerson);
    process.stepManager = &step;
    process.valueField = tables::glucose().fieldIndex(QStringLiteral("GLU:PERSONNAME"));
    process.caseSensitiveValue = caseSensitive;
    // The step manager comes before either count.
    process.fileSize = 1;
    process.recordsToProcess = 1;

    QCOMPARE(process.reset(), int(ResultOk));
    QCOMPARE(step.low.text, low);
    QCOMPARE(step.high.text, high);
    QList<int> got;
    while (process.next() == ResultOk)
        got << process.percentile();
    QCOMPARE(step.asked, asked);
    QCOMPARE(got, (QList<int>{40, 80, 100}));
}

void TestReportEngine::stepManagers_data()
{
    QTest::addColumn<bool>("text");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("percent");

    QTest::newRow("number at the low end") << false << "10" << "20" << "10" << 0;
    QTest::newRow("number half way") << false << "10" << "20" << "15" << 50;
    QTest::newRow("number fraction dropped") << false << "0" << "3" << "2" << 66;
    QTest::newRow("number at the high end") << false << "10" << "20" << "20" << 100;
    QTest::newRow("number past the high end") << false << "10" << "20" << "25" << 100;
    QTest::newRow("number before the low end") << false << "10" << "20" << "5" << 0;
    QTest::newRow("one value only") << false << "7" << "7" << "7" << 100;
    QTest::newRow("text at the low end") << true << "ANN" << "ANZ" << "ANN" << 0;
    QTest::newRow("text half way after the shared part") << true << "ANN" << "ANZ" << "ANT" << 50;
    QTest::newRow("text at the high end") << true << "ANN" << "ANZ" << "ANZ" << 100;
    QTest::newRow("text sorting after both") << true << "ANN" << "ANZ" << "B" << 100;
    QTest::newRow("text sorting before both") << true << "ANN" << "ANZ" << "A" << 0;
    QTest::newRow("text across the alphabet") << true << "A" << "Z" << "M" << 48;
}

void TestReportEngine::stepManagers()
{
    QFETCH(bool, text);
    QFETCH(QString, low);
    QFETCH(QString, high);
    QFETCH(QString, value);
    QFETCH(int, percent);

    auto make = [&](const QString &s) {
        return text ? FilterValue::fromText(s) : FilterValue::fromNumber(s.toDouble());
    };
    NumberStepManager numbers;
    TextStepManager texts;
    StepManager &step = text ? static_cast<StepManager &>(texts) : numbers;
    step.setLimits(make(low), make(high));
    QCOMPARE(step.percentile(make(value)), percent);
}

// ---- the run ----------------------------------------------------------------

void TestReportEngine::progressWindow()
{
    Fixture f;
    f.addReadings(4);
    Run r(f);
    r.renderer.cost = 100; // one record a tick
    QVERIFY(r.report.start());
    QDialog *window = r.report.window();
    QCOMPARE(window->windowTitle(), QStringLiteral("Progress..."));
    QVERIFY(r.report.isProgressShown());
    QCOMPARE(r.report.cancelButton()->text(), QStringLiteral("&Cancel"));
    QCOMPARE(r.report.cancelButton()->toolTip(), QStringLiteral("Cancel Report"));
    QCOMPARE(r.report.progressText()->text(), QStringLiteral("0% Complete"));
    QCOMPARE(r.report.thermometer()->value(), 0);

    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QCOMPARE(r.report.progressText()->text(), QStringLiteral("25% Complete"));
    QCOMPARE(r.report.thermometer()->value(), 25);
    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QCOMPARE(r.report.progressText()->text(), QStringLiteral("50% Complete"));
    r.report.cancelButton()->click();
    QVERIFY(!r.report.isRunning());
}

void TestReportEngine::batchSize_data()
{
    QTest::addColumn<int>("startClock");
    QTest::addColumn<QList<int>>("costs");     // hundredths a record costs, per tick
    QTest::addColumn<QList<int>>("perCycle");  // records per cycle after each tick
    QTest::addColumn<QList<int>>("read");      // records read in each tick

    // The slice is 100 hundredths.
    QTest::newRow("quick records double until half the slice is used")
        << 0 << QList<int>{10, 10} << QList<int>{8, 8} << QList<int>{8, 8};
    QTest::newRow("a record a slice stays at one") << 0 << QList<int>{100, 100} << QList<int>{1, 1} << QList<int>{1, 1};
    QTest::newRow("slow batches halve") << 0 << QList<int>{10, 25, 50} << QList<int>{8, 4, 2} << QList<int>{8, 8, 4};
    QTest::newRow("never below one") << 0 << QList<int>{500, 500} << QList<int>{1, 1} << QList<int>{1, 1};
    QTest::newRow("80 % of the slice does not double") << 0 << QList<int>{80} << QList<int>{1} << QList<int>{1};
    QTest::newRow("under 80 % doubles") << 0 << QList<int>{79} << QList<int>{2} << QList<int>{1};
    QTest::newRow("150 % does not halve, over it does")
        << 0 << QList<int>{40, 75, 76} << QList<int>{2, 2, 1} << QList<int>{2, 2, 2};
    QTest::newRow("a batch across midnight") << kDay - 10 << QList<int>{10, 10} << QList<int>{8, 8} << QList<int>{8, 8};
}

void TestReportEngine::batchSize()
{
    QFETCH(int, startClock);
    QFETCH(QList<int>, costs);
    QFETCH(QList<int>, perCycle);
    QFETCH(QList<int>, read);

    Fixture f;
    f.addReadings(24);
    Run r(f);
    r.clock.now = startClock;
    QVERIFY(r.report.start());
    QCOMPARE(r.report.recordsPerCycle(), std::int64_t(1));
    QCOMPARE(r.report.timeSlice, 100);
    for (int tick = 0; tick < costs.size(); ++tick) {
        r.renderer.cost = costs[tick];
        const int before = r.renderer.prints;
        QCOMPARE(r.report.takeTimer(), int(ResultOk));
        QCOMPARE(r.report.recordsPerCycle(), std::int64_t(perCycle[tick]));
        QCOMPARE(r.renderer.prints - before, read[tick]);
    }
}

void TestReportEngine::noRecordsIsCancelledWithoutPreview()
{
    Fixture f;
    Run r(f);
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(ended(r.report));
    QCOMPARE(r.report.response, int(Response::Cancelled));
    QCOMPARE(f.context->response, int(Response::Cancelled));
    QCOMPARE(r.preview.calls, 0);
    QVERIFY(r.output.printed.isEmpty());
    QVERIFY(r.output.exported.isEmpty());
    QCOMPARE(r.report.hookCalls, 0);
    QCOMPARE(r.renderer.prints, 0);
    // The user hears why nothing came.
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("No Records"));
    QCOMPARE(f.presenter.last().text, QStringLiteral("There are no records available to process."));
}

void TestReportEngine::routing_data()
{
    QTest::addColumn<bool>("withPreview");
    QTest::addColumn<bool>("skipPreview");
    QTest::addColumn<bool>("previewPrints");
    QTest::addColumn<bool>("keepVisible");
    QTest::addColumn<bool>("target");
    QTest::addColumn<int>("setUpAnswer");
    QTest::addColumn<bool>("veto");
    QTest::addColumn<int>("previews");
    QTest::addColumn<int>("prints");
    QTest::addColumn<int>("exports");
    QTest::addColumn<int>("hookCalls");
    QTest::addColumn<int>("pagesKept"); // left in the page list

    QTest::newRow("no preview: printed, the page list discarded")
        << false << false << true << false << false << 0 << false << 0 << 1 << 0 << 1 << 0;
    QTest::newRow("preview, Print chosen") << true << false << true << false << false << 0 << false << 1 << 1 << 0 << 1 << 3;
    QTest::newRow("preview left without printing")
        << true << false << false << false << false << 0 << false << 1 << 0 << 0 << 0 << 3;
    QTest::newRow("preview kept visible") << true << false << true << true << false << 0 << false << 1 << 1 << 0 << 1 << 3;
    QTest::newRow("preview skipped") << true << true << true << false << false << 0 << false << 0 << 1 << 0 << 1 << 3;
    QTest::newRow("to a generator") << true << true << true << false << true << 0 << false << 0 << 0 << 1 << 0 << 3;
    QTest::newRow("to a generator after the preview")
        << true << false << true << false << true << 0 << false << 1 << 0 << 1 << 0 << 3;
    QTest::newRow("generator set-up cancelled") << true << true << true << false << true << 1 << false << 0 << 0 << 0 << 0 << 3;
    QTest::newRow("output hook keeps it from the printer")
        << false << false << true << false << false << 0 << true << 0 << 0 << 0 << 1 << 0;
}

void TestReportEngine::routing()
{
    QFETCH(bool, withPreview);
    QFETCH(bool, skipPreview);
    QFETCH(bool, previewPrints);
    QFETCH(bool, keepVisible);
    QFETCH(bool, target);
    QFETCH(int, setUpAnswer);
    QFETCH(bool, veto);
    QFETCH(int, previews);
    QFETCH(int, prints);
    QFETCH(int, exports);
    QFETCH(int, hookCalls);
    QFETCH(int, pagesKept);

    Fixture f;
    f.addReadings(5);
    Run r(f, withPreview);
    FakeGenerator generator;
    generator.setUpAnswer = setUpAnswer;
    r.preview.print = previewPrints;
    r.report.skipPreview = skipPreview;
    r.report.keepVisible = keepVisible;
    r.report.reportTarget = target ? &generator : nullptr;
    r.report.veto = veto;
    r.report.zoom = 75;
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(ended(r.report));

    const QStringList pages{"page1.wmf", "page2.wmf", "page3.wmf"};
    QCOMPARE(r.report.response, int(Response::Completed));
    QCOMPARE(r.renderer.prints, 5);
    QCOMPARE(r.renderer.ends, 1);
    QCOMPARE(r.renderer.closes, 1);
    QCOMPARE(r.preview.calls, previews);
    if (previews) {
        QCOMPARE(r.preview.pages, pages);
        QCOMPARE(r.preview.zoom, 75);
        QCOMPARE(r.preview.progressShown, keepVisible);
    }
    QCOMPARE(r.output.printed.size(), prints);
    if (prints)
        QCOMPARE(r.output.printed.front(), pages);
    QCOMPARE(r.output.exported.size(), exports);
    if (exports)
        QCOMPARE(r.output.exported.front(), pages);
    QCOMPARE(generator.setUps, target && (previews == 0 || previewPrints) ? 1 : 0);
    QCOMPARE(r.report.hookCalls, hookCalls);
    if (hookCalls)
        QCOMPARE(r.report.hookFiles, pages);
    QCOMPARE(r.report.previewQueue().size(), pagesKept);
    QCOMPARE(r.report.thermometer()->value(), 100);
    QCOMPARE(r.report.progressText()->text(), QStringLiteral("100% Complete"));
    QCOMPARE(f.presenter.count(), 0);
}

void TestReportEngine::generatorFillsTheOutputFileList()
{
    Fixture f;
    f.addReadings(3);
    Run r(f, false);
    FakeGenerator generator;
    generator.listMode = true;
    r.report.reportTarget = &generator;
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(ended(r.report));

    QCOMPARE(r.output.exported.size(), 1);
    QVERIFY(r.output.printed.isEmpty());
    // The hook sees what the generator wrote, not the page files.
    QCOMPARE(r.report.hookCalls, 1);
    QCOMPARE(r.report.hookFiles, QStringList{"report.pdf"});
    QCOMPARE(r.report.outputFileQueue(), QStringList{"report.pdf"});
    QCOMPARE(generator.files, nullptr);
}

void TestReportEngine::cancelStopsAndPrintsNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape") << true;
}

void TestReportEngine::cancelStopsAndPrintsNothing()
{
    QFETCH(bool, escape);
    Fixture f;
    f.addReadings(6);
    Run r(f);
    r.renderer.cost = 100;
    QVERIFY(r.report.start());
    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QCOMPARE(r.renderer.prints, 1);

    if (escape)
        QTest::keyClick(r.report.window(), Qt::Key_Escape);
    else
        QTest::mouseClick(r.report.cancelButton(), Qt::LeftButton);
    QVERIFY(!r.report.isRunning());
    QCoreApplication::processEvents();

    QCOMPARE(r.renderer.prints, 1);
    QCOMPARE(r.report.response, int(Response::Cancelled));
    QCOMPARE(f.context->response, int(Response::Cancelled));
    QCOMPARE(r.preview.calls, 0);
    QVERIFY(r.output.printed.isEmpty());
    QCOMPARE(r.report.hookCalls, 0);
    QCOMPARE(r.renderer.closes, 1);
    QVERIFY(!r.process.isOpen());
}

void TestReportEngine::readErrorCancels()
{
    Fixture f;
    f.addReadings(4);
    Run r(f);
    r.process.failAfter = 2;
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(ended(r.report));
    QCOMPARE(r.renderer.prints, 2);
    QCOMPARE(r.report.response, int(Response::Cancelled));
    QCOMPARE(r.preview.calls, 0);
    QVERIFY(r.output.printed.isEmpty());
}

void TestReportEngine::openFailureEndsTheRun()
{
    Fixture f;
    f.addReadings(3);
    Run r(f);
    r.renderer.openResult = ResultNotify;
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(r.report.openFailed());
    QVERIFY(ended(r.report));
    QCOMPARE(r.report.response, int(Response::Cancelled));
    QCOMPARE(r.renderer.prints, 0);
    QCOMPARE(r.renderer.ends, 0); // never ended
    QCOMPARE(r.renderer.closes, 0); // nor closed: it never opened
    QCOMPARE(r.preview.calls, 0);
    QVERIFY(r.output.printed.isEmpty());
}

void TestReportEngine::openFailureKeptVisibleWaitsForCancel()
{
    Fixture f;
    f.addReadings(3);
    Run r(f);
    r.renderer.openResult = ResultNotify;
    r.report.keepVisible = true;
    QVERIFY(r.report.start());
    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QVERIFY(r.report.isRunning());
    QVERIFY(r.report.isProgressShown());
    QCOMPARE(r.renderer.prints, 0);
    r.report.cancelButton()->click();
    QVERIFY(!r.report.isRunning());
    QCOMPARE(r.renderer.ends, 0);
    QCOMPARE(r.preview.calls, 0);
}

void TestReportEngine::deferredOpenAndWindow()
{
    {
        Fixture f;
        f.addReadings(3);
        Run r(f);
        QVERIFY(r.report.start());
        QCOMPARE(r.renderer.opens, 1);
        QVERIFY(r.report.isProgressShown());
    }
    Fixture f;
    f.addReadings(3);
    Run r(f);
    r.report.deferOpenReport = true;
    r.report.deferWindow = 2;
    r.renderer.cost = 100; // one record a tick
    r.clock.now = 1000;
    QVERIFY(r.report.start());
    QCOMPARE(r.renderer.opens, 0);
    QVERIFY(!r.report.isProgressShown());
    QCOMPARE(r.report.startTime(), 1000);

    // Opened on the first tick; two seconds are not yet more than two.
    r.clock.now = 1200;
    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QCOMPARE(r.renderer.opens, 1);
    QCOMPARE(r.renderer.prints, 1);
    QVERIFY(!r.report.isProgressShown());
    QCOMPARE(r.report.deferWindow, 2);

    QCOMPARE(r.report.takeTimer(), int(ResultOk));
    QVERIFY(r.report.isProgressShown());
    QCOMPARE(r.report.deferWindow, 0);
    QCOMPARE(r.renderer.opens, 1);
}

void TestReportEngine::processorsAreAskedOnEveryRecord_data()
{
    QTest::addColumn<int>("closeAnswer");
    QTest::addColumn<int>("ends");
    QTest::newRow("the report is ended") << 0 << 1;
    QTest::newRow("a processor keeps it from being ended") << int(ResultNotify) << 0;
}

void TestReportEngine::processorsAreAskedOnEveryRecord()
{
    QFETCH(int, closeAnswer);
    QFETCH(int, ends);
    Fixture f;
    f.addReadings(4);
    Run r(f);
    Processor evenOnly, all;
    evenOnly.takeOdd = false;
    all.closeAnswer = closeAnswer;
    r.report.addProcessor(evenOnly);
    r.report.addProcessor(all);
    r.ticking();
    QVERIFY(r.report.start());
    QVERIFY(ended(r.report));
    QCOMPARE(evenOnly.asked, 4);
    QCOMPARE(all.asked, 4);
    QCOMPARE(r.renderer.prints, 2);
    QCOMPARE(evenOnly.closes, 1);
    QCOMPARE(all.closes, 1);
    QCOMPARE(r.renderer.ends, ends);
    QCOMPARE(r.renderer.closes, 1);
}

void TestReportEngine::targetSelectorOwnership()
{
    Fixture f;
    FakeClock clock;
    ProcessManager process;
    FakeRenderer renderer;
    {
        ReportManager report(*f.context, QStringLiteral("glucreport"));
        report.init(process, renderer);
        QVERIFY(report.targetSelector());
        QVERIFY(report.targetSelectorCreated());
        ReportTargetSelector late(*f.context);
        QTest::ignoreMessage(QtWarningMsg, "ReportManager glucreport: a target selector given after init() is not used");
        report.setTargetSelector(late);
        QVERIFY(report.targetSelector() != &late);
    }
    ReportTargetSelector own(*f.context);
    ReportManager report(*f.context, QStringLiteral("glucreport"));
    report.setTargetSelector(own);
    report.init(process, renderer);
    QCOMPARE(report.targetSelector(), &own);
    QVERIFY(!report.targetSelectorCreated());
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
