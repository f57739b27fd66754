// The band renderer: where pages break, what every page repeats, the
// totals, the texts and where they sit, and a page that cannot be written.
// Every page is read back from its file, as the generators see it.
#include "bandrenderer.h"
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagefolder.h"
#include "pagereader.h"
#include "picture.h"
#include "record.h"
#include "reportcontrol.h"
#include "reportmetrics.h"
#include "result.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace tavimo;

Q_DECLARE_METATYPE(tavimo::LayoutControl)

namespace {

const TableLayout &readings()
{
    static const TableLayout layout = TableLayout::Builder(QStringLiteral("Readings"), QStringLiteral("RDG"),
                                                           QStringLiteral("readings"))
                                          .date(QStringLiteral("DATE"))
                                          .time(QStringLiteral("TIME"))
                                          .real(QStringLiteral("SYSTOLIC"))
                                          .decimal(QStringLiteral("COST"))
                                          .int16(QStringLiteral("PULSE"))
                                          .text(QStringLiteral("COMMENT"), 35)
                                          .text(QStringLiteral("FLAG"), 1)
                                          .memo(QStringLiteral("NOTES"))
                                          .build();
    return layout;
}

// Keeps every control of every page it is handed.
class Recorder : public IReportGenerator
{
public:
    struct Control
    {
        QByteArray operation;
        ReportControl c;
        QString text() const { return QString::fromLatin1(c.text); }
    };

    std::vector<Control> controls;

    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override { return Done; }
    int openPage(int, int, int, int, const QString &) override { return Done; }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("REC"); }
    QString displayName() const override { return QStringLiteral("Recorder"); }
    QString icon() const override { return QString(); }

    int checkBox(const ReportControl &c) override { return keep("checkBox", c); }
    int ellipse(const ReportControl &c) override { return keep("ellipse", c); }
    int line(const ReportControl &c) override { return keep("line", c); }
    int groupBox(const ReportControl &c) override { return keep("groupBox", c); }
    int polygon(const ReportControl &c) override { return keep("polygon", c); }
    int radioButton(const ReportControl &c) override { return keep("radioButton", c); }
    int box(const ReportControl &c) override { return keep("box", c); }
    int string(const ReportControl &c) override { return keep("string", c); }
    int textBlock(const ReportControl &c) override { return keep("textBlock", c); }

    // The strings whose text starts with `prefix`, in page order.
    std::vector<const Control *> strings(const QString &prefix = QString()) const
    {
        std::vector<const Control *> found;
        for (const Control &c : controls)
            if (c.operation == "string" && c.text().startsWith(prefix))
                found.push_back(&c);
        return found;
    }
    const Control *string(const QString &text) const
    {
        for (const Control &c : controls)
            if (c.operation == "string" && c.text() == text)
                return &c;
        return nullptr;
    }
    // The text of the string whose box starts there.
    QString textAt(int top, int left) const
    {
        for (const Control &c : controls)
            if (c.operation == "string" && c.c.top == top && c.c.left == left)
                return c.text();
        return QStringLiteral("<none>");
    }
    const Control *first(const QByteArray &operation) const
    {
        for (const Control &c : controls)
            if (c.operation == operation)
                return &c;
        return nullptr;
    }

private:
    int keep(const char *operation, const ReportControl &c)
    {
        controls.push_back(Control{operation, c});
        return Done;
    }
};

LayoutControl text(int x, int y, int width, int height, const QString &fixed, const QString &field = QString(),
                   const QString &picture = QString(), TextAlign align = TextAlign::Left)
{
    LayoutControl c;
    c.kind = ControlKind::String;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.text = fixed;
    c.field = field;
    c.picture = picture;
    c.align = align;
    return c;
}

LayoutControl total(TotalKind kind, const QString &field, const QString &picture, int y,
                    TotalReset reset = TotalReset::Report)
{
    LayoutControl c = text(1000, y, 1500, 200, QString(), field, picture, TextAlign::Right);
    c.total = kind;
    c.totalReset = reset;
    return c;
}

LayoutControl shape(ControlKind kind, int x, int y, int width, int height)
{
    LayoutControl c;
    c.kind = kind;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.style.borderStyle = BorderStyle::Solid;
    return c;
}

QString shown(const char *picture, double value)
{
    return Picture::parse(QString::fromLatin1(picture))->format(value);
}

// A run with its messages, its record and its folder; fatal messages do
// not end the test.
struct Run
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;
    Record record{readings()};
    ReportLayout layout;
    std::unique_ptr<PageFolder> folder;
    std::unique_ptr<BandRenderer> renderer;

    Run()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.dataDirectory = tmp.path();
        config.errors = &errors;
        context = std::make_unique<ThreadContext>(config);
        folder = std::make_unique<PageFolder>(tmp.path());
    }

    BandRenderer &start()
    {
        renderer = std::make_unique<BandRenderer>(*context, layout, record, *folder);
        return *renderer;
    }

    // Prints one record per value of SYSTOLIC, its COMMENT "row n".
    void print(const QList<double> &values)
    {
        for (int i = 0; i < values.size(); ++i) {
            record.clear();
            record.setReal(QStringLiteral("SYSTOLIC"), values[i]);
            record.setText(QStringLiteral("COMMENT"), QStringLiteral("row %1").arg(i + 1));
            QCOMPARE(renderer->printRecord(), int(ResultOk));
        }
    }

    std::vector<Recorder> pages()
    {
        std::vector<Recorder> read;
        WmfParser parser(*context);
        for (const QString &file : renderer->allPages()) {
            read.emplace_back();
            if (parser.replay(file, read.back()) != 0)
                qWarning() << "page" << file << "could not be read back";
        }
        return read;
    }
};

} // namespace

class TestBandRenderer : public QObject
{
    Q_OBJECT

private slots:
    void pageBreaks_data();
    void pageBreaks();
    void headerAndPageNumberOnEveryPage();
    void totals_data();
    void totals();
    void decimalTotalsStayExact();
    void totalsRunAcrossPagesOrResetPerPage();
    void totalsOfNoRecords();
    void recordLeftOutByTheProcedure();
    void alignment_data();
    void alignment();
    void wrapping_data();
    void wrapping();
    void textsReadBack();
    void shapesMovedByTheBand();
    void pagesHandedOverOnceAndRemoved();
    void failedWriteStopsTheRun();
    void checkLayout_data();
    void checkLayout();
};

void TestBandRenderer::pageBreaks_data()
{
    QTest::addColumn<int>("header");
    QTest::addColumn<int>("footer");
    QTest::addColumn<int>("detail");
    QTest::addColumn<int>("reportFooter");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("rows"); // detail rows of each page

    // Letter with half-inch margins: 10000 between the margins.
    QTest::newRow("exactly full") << 1000 << 1000 << 2000 << 0 << 4 << QList<int>{4};
    QTest::newRow("one more") << 1000 << 1000 << 2000 << 0 << 5 << QList<int>{4, 1};
    QTest::newRow("three pages") << 1000 << 1000 << 2000 << 0 << 10 << QList<int>{4, 4, 2};
    QTest::newRow("no header or footer") << 0 << 0 << 1000 << 0 << 25 << QList<int>{10, 10, 5};
    QTest::newRow("uneven fit") << 500 << 700 << 3000 << 0 << 7 << QList<int>{2, 2, 2, 1};
    QTest::newRow("detail taller than the body") << 1000 << 1000 << 9000 << 0 << 3 << QList<int>{1, 1, 1, 0};
    QTest::newRow("report footer fits") << 1000 << 1000 << 2000 << 2000 << 3 << QList<int>{3};
    QTest::newRow("report footer on a page of its own") << 1000 << 1000 << 2000 << 1 << 4 << QList<int>{4, 0};
    QTest::newRow("no records") << 1000 << 1000 << 2000 << 500 << 0 << QList<int>{0};
}

void TestBandRenderer::pageBreaks()
{
    QFETCH(int, header);
    QFETCH(int, footer);
    QFETCH(int, detail);
    QFETCH(int, reportFooter);
    QFETCH(int, records);
    QFETCH(QList<int>, rows);

    Run run;
    run.layout.pageHeader.height = header;
    run.layout.pageHeader.controls = {text(0, 0, 3000, 200, QStringLiteral("HEAD"))};
    run.layout.pageFooter.height = footer;
    run.layout.pageFooter.controls = {text(0, 0, 3000, 200, QStringLiteral("FOOT"))};
    run.layout.detail.height = detail;
    run.layout.detail.controls = {text(0, 0, 3000, 200, QString(), QStringLiteral("COMMENT"))};
    run.layout.reportFooter.height = reportFooter;
    run.layout.reportFooter.controls = {text(0, 0, 3000, 200, QStringLiteral("END"))};
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.print(QList<double>(records, 1.0));
    QCOMPARE(r.endReport(), int(ResultOk));
    r.close();

    QCOMPARE(r.pageCount(), int(rows.size()));
    const std::vector<Recorder> pages = run.pages();
    QCOMPARE(int(pages.size()), int(rows.size()));
    const int bodyTop = run.layout.marginTop + header;
    int row = 0;
    for (int p = 0; p < int(pages.size()); ++p) {
        QCOMPARE(r.allPages().at(p), run.folder->pageFile(p + 1));
        const Recorder &page = pages[std::size_t(p)];
        const auto details = page.strings(QStringLiteral("row "));
        QCOMPARE(int(details.size()), rows[p]);
        for (int i = 0; i < int(details.size()); ++i) {
            QCOMPARE(details[std::size_t(i)]->text(), QStringLiteral("row %1").arg(++row));
            QCOMPARE(details[std::size_t(i)]->c.top, bodyTop + i * detail);
        }
        QVERIFY(page.string(QStringLiteral("HEAD")));
        QCOMPARE(page.string(QStringLiteral("HEAD"))->c.top, run.layout.marginTop);
        QVERIFY(page.string(QStringLiteral("FOOT")));
        QCOMPARE(page.string(QStringLiteral("FOOT"))->c.top, 11000 - run.layout.marginBottom - footer);
        const bool last = p == int(pages.size()) - 1;
        QCOMPARE(page.string(QStringLiteral("END")) != nullptr, last);
        if (last)
            QCOMPARE(page.string(QStringLiteral("END"))->c.top, bodyTop + rows[p] * detail);
    }
    QCOMPARE(row, records);
}

void TestBandRenderer::headerAndPageNumberOnEveryPage()
{
    Run run;
    run.layout.pageHeader.height = 600;
    run.layout.pageHeader.controls = {
        text(0, 300, 1000, 200, QStringLiteral("Date")),
        text(1200, 300, 1000, 200, QStringLiteral("Systolic")),
        shape(ControlKind::Line, 1100, 0, 0, 600),
    };
    run.layout.detail.height = 3000;
    run.layout.detail.controls = {text(0, 0, 1000, 200, QString(), QStringLiteral("COMMENT")),
                                  shape(ControlKind::Line, 1100, 0, 0, 3000)};
    run.layout.pageFooter.height = 400;
    run.layout.pageFooter.controls = {
        text(5000, 0, 2500, 200, QStringLiteral("Page @page@"), QString(), QStringLiteral("n3"), TextAlign::Right),
        text(0, 0, 2000, 200, QStringLiteral("@page@ of the run")),
    };
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.print(QList<double>(7, 1.0)); // three a page
    QCOMPARE(r.endReport(), int(ResultOk));

    const std::vector<Recorder> pages = run.pages();
    QCOMPARE(int(pages.size()), 3);
    for (int p = 0; p < 3; ++p) {
        const Recorder &page = pages[std::size_t(p)];
        for (const char *head : {"Date", "Systolic"}) {
            const auto *c = page.string(QString::fromLatin1(head));
            QVERIFY2(c, head);
            QCOMPARE(c->c.top, 800);
        }
        const auto *number = page.string(QStringLiteral("Page ") + shown("n3", p + 1));
        QVERIFY2(number, qPrintable(QStringLiteral("page %1").arg(p + 1)));
        QCOMPARE(number->c.top, 11000 - 500 - 400);
        QVERIFY(page.string(QStringLiteral("%1 of the run").arg(p + 1)));
        // The header's separator, then one per detail row below it.
        std::vector<int> lineTops;
        for (const auto &c : page.controls)
            if (c.operation == "line")
                lineTops.push_back(c.c.top);
        const int rowsHere = p < 2 ? 3 : 1;
        QCOMPARE(int(lineTops.size()), 1 + rowsHere);
        QCOMPARE(lineTops[0], 500);
        for (int i = 0; i < rowsHere; ++i)
            QCOMPARE(lineTops[std::size_t(i) + 1], 1100 + i * 3000);
    }
}

void TestBandRenderer::totals_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("average");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("sum");

    QTest::newRow("readings over three pages")
        << QList<double>{120, 135.5, 110, 142.25, 128} << 127.15 << 110.0 << 142.25 << 635.75;
    QTest::newRow("one reading") << QList<double>{98.6} << 98.6 << 98.6 << 98.6 << 98.6;
    // Rounded before adding, these would sum to 3.00.
    QTest::newRow("below a cent each") << QList<double>{1.004, 1.004, 1.004} << 1.004 << 1.004 << 1.004 << 3.012;
    QTest::newRow("zero is a value") << QList<double>{7, 0, 3} << 10.0 / 3 << 0.0 << 7.0 << 10.0;
    QTest::newRow("mean not of page means")
        << QList<double>{1, 1, 1, 1, 10} << 2.8 << 1.0 << 10.0 << 14.0;
}

void TestBandRenderer::totals()
{
    QFETCH(QList<double>, values);
    QFETCH(double, average);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, sum);

    Run run;
    run.layout.detail.height = 4000; // two a page
    run.layout.detail.controls = {text(0, 0, 1000, 200, QString(), QStringLiteral("COMMENT"))};
    const QString f = QStringLiteral("RDG:SYSTOLIC");
    run.layout.reportFooter.height = 1000;
    run.layout.reportFooter.controls = {
        total(TotalKind::Average, f, QStringLiteral("n6.2"), 0),
        total(TotalKind::Minimum, f, QStringLiteral("n6.2"), 200),
        total(TotalKind::Maximum, f, QStringLiteral("n6.2"), 400),
        total(TotalKind::Count, f, QStringLiteral("n4"), 600),
        total(TotalKind::Sum, f, QStringLiteral("n7.2"), 800),
    };
    const auto &footer = run.layout.reportFooter.controls;
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.print(values);
    QCOMPARE(r.endReport(), int(ResultOk));

    QCOMPARE(r.total(footer[0]), average);
    QCOMPARE(r.total(footer[1]), minimum);
    QCOMPARE(r.total(footer[2]), maximum);
    QCOMPARE(r.total(footer[3]), double(values.size()));
    QCOMPARE(r.total(footer[4]), sum);

    const std::vector<Recorder> pages = run.pages();
    QVERIFY(!pages.empty());
    const Recorder &last = pages.back();
    const std::vector<std::pair<int, QString>> expected{
        {0, shown("n6.2", average)}, {200, shown("n6.2", minimum)}, {400, shown("n6.2", maximum)},
        {600, shown("n4", values.size())}, {800, shown("n7.2", sum)},
    };
    const auto rows = last.strings(QStringLiteral("row "));
    const int footerTop = 500 + int(rows.size()) * 4000;
    for (const auto &[y, want] : expected)
        QCOMPARE(last.textAt(footerTop + y, 1500), want);
}

void TestBandRenderer::decimalTotalsStayExact()
{
    Run run;
    run.layout.detail.height = 200;
    const QString f = QStringLiteral("COST");
    run.layout.reportFooter.height = 800;
    run.layout.reportFooter.controls = {
        total(TotalKind::Sum, f, QStringLiteral("n-10.2"), 0),
        total(TotalKind::Average, f, QStringLiteral("n-10.3"), 200),
        total(TotalKind::Minimum, f, QString(), 400),
        total(TotalKind::Maximum, f, QString(), 600),
    };
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    for (int i = 0; i < 10; ++i) {
        run.record.setDecimal(f, Decimal::fromCents(i == 9 ? 20 : 10));
        QCOMPARE(r.printRecord(), int(ResultOk));
    }
    QCOMPARE(r.endReport(), int(ResultOk));
    const auto &footer = run.layout.reportFooter.controls;
    // Ten dimes and one more in doubles would not make 1.10 exactly.
    QVERIFY(r.total(footer[0]) == 1.10);
    QVERIFY(r.total(footer[1]) == 0.11);
    QVERIFY(r.total(footer[2]) == 0.10);
    QVERIFY(r.total(footer[3]) == 0.20);
    const Recorder page = run.pages().back();
    QVERIFY(page.string(Picture::parse(QStringLiteral("n-10.2"))->format(Decimal::fromCents(110))));
    QVERIFY(page.string(shown("n-10.3", 0.11)));
    // An empty picture shows the field as lists do.
    QVERIFY(page.string(Picture::parse(QStringLiteral("n-12.2"))->format(Decimal::fromCents(10))));
    QVERIFY(page.string(Picture::parse(QStringLiteral("n-12.2"))->format(Decimal::fromCents(20))));
}

void TestBandRenderer::totalsRunAcrossPagesOrResetPerPage()
{
    Run run;
    const QString f = QStringLiteral("SYSTOLIC");
    run.layout.pageHeader.height = 200;
    run.layout.pageHeader.controls = {text(0, 0, 2000, 200, QStringLiteral("header"))};
    LayoutControl before = total(TotalKind::Count, f, QString(), 0);
    before.x = 3000;
    run.layout.pageHeader.controls.push_back(before);
    run.layout.detail.height = 3000; // three a page
    run.layout.detail.controls = {text(0, 0, 1000, 200, QString(), QStringLiteral("COMMENT")),
                                  total(TotalKind::Sum, f, QStringLiteral("n5"), 0)};
    run.layout.pageFooter.height = 800;
    run.layout.pageFooter.controls = {
        total(TotalKind::Sum, f, QStringLiteral("n5"), 0, TotalReset::Page),
        total(TotalKind::Sum, f, QStringLiteral("n5"), 200),
        total(TotalKind::Count, f, QStringLiteral("n5"), 400, TotalReset::Page),
    };
    run.layout.reportFooter.height = 200;
    run.layout.reportFooter.controls = {total(TotalKind::Sum, f, QStringLiteral("n5"), 0, TotalReset::Page)};
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.print({1, 2, 3, 4, 5, 6, 7});
    QCOMPARE(r.endReport(), int(ResultOk));
    QCOMPARE(r.total(run.layout.reportFooter.controls[0]), 28.0);
    QCOMPARE(r.total(run.layout.pageFooter.controls[0]), 7.0);
    QCOMPARE(r.total(run.layout.pageFooter.controls[1]), 28.0);

    const std::vector<Recorder> pages = run.pages();
    QCOMPARE(int(pages.size()), 3);
    const int footerTop = 11000 - 500 - 800;
    const int pageSums[] = {6, 15, 7};
    const int runningSums[] = {6, 21, 28};
    const int pageCounts[] = {3, 3, 1};
    const int countsBefore[] = {0, 3, 6};
    int running = 0, value = 0;
    for (int p = 0; p < 3; ++p) {
        const Recorder &page = pages[std::size_t(p)];
        QCOMPARE(page.textAt(500, 3500), QString::number(countsBefore[p]));
        QCOMPARE(page.textAt(footerTop, 1500), shown("n5", pageSums[p]));
        QCOMPARE(page.textAt(footerTop + 200, 1500), shown("n5", runningSums[p]));
        QCOMPARE(page.textAt(footerTop + 400, 1500), shown("n5", pageCounts[p]));
        for (int i = 0; i < pageCounts[p]; ++i) {
            running += ++value;
            QCOMPARE(page.textAt(700 + i * 3000, 1500), shown("n5", running));
        }
    }
    // The report footer shows the whole run, reset on each page or not.
    QCOMPARE(pages[2].strings(shown("n5", 28)).size(), std::size_t(3));
}

void TestBandRenderer::totalsOfNoRecords()
{
    Run run;
    const QString f = QStringLiteral("SYSTOLIC");
    run.layout.pageHeader.height = 300;
    run.layout.pageHeader.controls = {text(0, 0, 2000, 200, QStringLiteral("Readings"))};
    run.layout.detail.height = 200;
    run.layout.reportFooter.height = 1000;
    run.layout.reportFooter.controls = {
        total(TotalKind::Average, f, QStringLiteral("n6.2"), 0),
        total(TotalKind::Minimum, f, QStringLiteral("n6.2"), 200),
        total(TotalKind::Maximum, f, QStringLiteral("n6.2"), 400),
        total(TotalKind::Count, f, QStringLiteral("n4"), 600),
        total(TotalKind::Sum, f, QStringLiteral("n6.2"), 800),
    };
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));
    for (const LayoutControl &c : run.layout.reportFooter.controls)
        QCOMPARE(r.total(c), 0.0);
    const std::vector<Recorder> pages = run.pages();
    QCOMPARE(int(pages.size()), 1);
    const Recorder &page = pages[0];
    QVERIFY(page.string(QStringLiteral("Readings")));
    QCOMPARE(page.textAt(800, 1500), QString());
    QCOMPARE(page.textAt(1000, 1500), QString());
    QCOMPARE(page.textAt(1200, 1500), QString());
    QCOMPARE(page.textAt(1400, 1500), shown("n4", 0));
    QCOMPARE(page.textAt(1600, 1500), shown("n6.2", 0));
}

void TestBandRenderer::recordLeftOutByTheProcedure()
{
    Run run;
    const QString f = QStringLiteral("SYSTOLIC");
    run.layout.detail.height = 300;
    run.layout.detail.controls = {text(0, 0, 1000, 200, QString(), QStringLiteral("COMMENT"))};
    run.layout.reportFooter.height = 400;
    run.layout.reportFooter.controls = {total(TotalKind::Count, f, QString(), 0),
                                        total(TotalKind::Sum, f, QString(), 200)};
    BandRenderer &r = run.start();
    int opened = 0;
    r.afterOpen = [&opened] { ++opened; };
    r.beforeDetail = [&run] { return run.record.real(QStringLiteral("SYSTOLIC")) != 2; };
    QCOMPARE(r.open(), int(ResultOk));
    QCOMPARE(opened, 1);
    run.print({1, 2, 3});
    QCOMPARE(r.endReport(), int(ResultOk));
    QCOMPARE(r.total(run.layout.reportFooter.controls[0]), 2.0);
    QCOMPARE(r.total(run.layout.reportFooter.controls[1]), 4.0);
    const Recorder page = run.pages().at(0);
    const auto rows = page.strings(QStringLiteral("row "));
    QCOMPARE(int(rows.size()), 2);
    QCOMPARE(rows[0]->text(), QStringLiteral("row 1"));
    QCOMPARE(rows[1]->text(), QStringLiteral("row 3"));
    QCOMPARE(rows[1]->c.top, 800); // right under the first
}

void TestBandRenderer::alignment_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<int>("boxWidth");

    const QString number = QStringLiteral("127.15");
    const QString longText = QStringLiteral("A comment far longer than its column is wide");
    QTest::newRow("left") << int(TextAlign::Left) << number << 2000;
    QTest::newRow("center") << int(TextAlign::Center) << number << 2000;
    QTest::newRow("right") << int(TextAlign::Right) << number << 2000;
    QTest::newRow("right, wider than the box") << int(TextAlign::Right) << longText << 1000;
    QTest::newRow("center, wider than the box") << int(TextAlign::Center) << longText << 1000;
}

void TestBandRenderer::alignment()
{
    QFETCH(int, align);
    QFETCH(QString, shownText);
    QFETCH(int, boxWidth);

    Run run;
    run.layout.marginLeft = 750;
    run.layout.detail.height = 300;
    LayoutControl c = text(1500, 50, boxWidth, 200, shownText, QString(), QString(), TextAlign(align));
    c.style.font.size = 12;
    LayoutControl bold = c;
    bold.y = 250;
    bold.style.font.weight = 700;
    run.layout.detail.controls = {c, bold};
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));

    ReportMetrics metrics;
    const Recorder page = run.pages().at(0);
    const auto placed = page.strings(shownText);
    QCOMPARE(int(placed.size()), 2);
    for (int i = 0; i < 2; ++i) {
        const ReportControl &p = placed[std::size_t(i)]->c;
        QCOMPARE(p.left, 2250);
        QCOMPARE(p.right, 2250 + boxWidth);
        const double width = metrics.width(i == 0 ? c.style.font : bold.style.font, shownText);
        QVERIFY(width > 0);
        double want = p.left;
        if (width < boxWidth && align == int(TextAlign::Right))
            want = p.right - width;
        else if (width < boxWidth && align == int(TextAlign::Center))
            want = p.left + (boxWidth - width) / 2;
        QVERIFY2(std::abs(p.x - want) <= 1, qPrintable(QStringLiteral("x %1, expected %2").arg(p.x).arg(want)));
    }
}

void TestBandRenderer::wrapping_data()
{
    QTest::addColumn<QString>("blockText");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("lines"); // lines the box has room for
    QTest::addColumn<bool>("cut");  // the text needs more

    QTest::newRow("fits one line") << QStringLiteral("Short note") << 3000 << 4 << false;
    QTest::newRow("words onto lines")
        << QStringLiteral("Took the second dose after lunch and felt dizzy for about an hour afterwards") << 2000 << 10
        << false;
    QTest::newRow("line breaks kept") << QStringLiteral("first\nsecond\r\nthird") << 3000 << 5 << false;
    QTest::newRow("a word longer than the line") << QString(60, QLatin1Char('W')) << 800 << 20 << false;
    QTest::newRow("more than the box holds")
        << QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen fourteen") << 900
        << 2 << true;
}

void TestBandRenderer::wrapping()
{
    QFETCH(QString, blockText);
    QFETCH(int, width);
    QFETCH(int, lines);
    QFETCH(bool, cut);

    ReportMetrics metrics;
    ReportFont font;
    const int lineHeight = metrics.lineHeight(font);
    Run run;
    run.layout.detail.height = 8000;
    LayoutControl block = shape(ControlKind::TextBlock, 200, 100, width, lines * lineHeight);
    block.style.borderStyle = BorderStyle::None;
    block.field = QStringLiteral("RDG:NOTES"); // the memo
    run.layout.detail.controls = {block};
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.record.setMemo(blockText);
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));

    const Recorder page = run.pages().at(0);
    const auto *placed = page.first("textBlock");
    QVERIFY(placed);
    const std::vector<ReportControl::Line> &got = placed->c.lines;
    QVERIFY(!got.empty());
    QVERIFY(int(got.size()) <= lines);
    QStringList words;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const QString line = QString::fromLatin1(got[i].text);
        QVERIFY2(!line.isEmpty(), "no empty line");
        QVERIFY2(metrics.width(font, line) <= width, qPrintable(line));
        QCOMPARE(got[i].left, 700);
        QCOMPARE(got[i].right, 700 + width);
        QCOMPARE(got[i].top, 600 + int(i) * lineHeight);
        QCOMPARE(got[i].y, got[i].top);
        QCOMPARE(got[i].x, 700);
        words << line;
        // Each line is as full as it may be: the next one's first word would not have fitted.
        if (i + 1 < got.size() && !blockText.contains(QLatin1Char('\n'))) {
            const QString next = QString::fromLatin1(got[i + 1].text).section(QLatin1Char(' '), 0, 0);
            const QString joined = blockText.contains(QLatin1Char(' ')) ? line + QLatin1Char(' ') + next
                                                                         : line + next.left(1);
            QVERIFY2(metrics.width(font, joined) > width, qPrintable(joined));
        }
    }
    QString all = blockText;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString separator = blockText.contains(QLatin1Char(' ')) ? QStringLiteral(" ") : QString();
    const QString together = words.join(blockText.contains(QLatin1Char('\n')) ? QStringLiteral("\n") : separator);
    if (cut) {
        QCOMPARE(int(got.size()), lines);
        QVERIFY(all.startsWith(together));
        QVERIFY(together.size() < all.size());
    } else {
        QCOMPARE(together, all);
    }
}

void TestBandRenderer::textsReadBack()
{
    Run run;
    run.layout.name = QStringLiteral("bpaverages");
    run.layout.detail.height = 600;
    LayoutControl stamp = text(0, 400, 2000, 200, QStringLiteral("kept"));
    LayoutControl computed = text(2000, 400, 3000, 200, QString());
    LayoutControl blanked = text(5000, 400, 1000, 200, QStringLiteral("replaced by nothing"));
    LayoutControl treated = shape(ControlKind::CheckBox, 6000, 400, 1500, 200);
    treated.text = QStringLiteral("Treated");
    treated.field = QStringLiteral("FLAG");
    run.layout.detail.controls = {
        text(0, 0, 1500, 200, QString(), QStringLiteral("DATE"), QStringLiteral("d17")),
        text(1500, 0, 1000, 200, QString(), QStringLiteral("TIME"), QStringLiteral("t7")),
        text(2500, 0, 1000, 200, QString(), QStringLiteral("SYSTOLIC"), QStringLiteral("n6.2")),
        text(3500, 0, 800, 200, QString(), QStringLiteral("PULSE")),
        text(4500, 0, 3000, 200, QString(), QStringLiteral("COMMENT")),
        stamp,
        computed,
        blanked,
        treated,
    };
    BandRenderer &r = run.start();
    const LayoutControl *computedControl = &run.layout.detail.controls[6];
    const LayoutControl *blankedControl = &run.layout.detail.controls[7];
    r.textFor = [&](const LayoutControl &c) -> QString {
        if (&c == computedControl)
            return QStringLiteral("Printed on page @page@");
        if (&c == blankedControl)
            return QLatin1String("");
        return QString();
    };
    QCOMPARE(r.open(), int(ResultOk));
    const Date date = Date::fromYmd(2024, 3, 9);
    const Time time = Time::fromHms(14, 5);
    run.record.setDate(QStringLiteral("DATE"), date);
    run.record.setTime(QStringLiteral("TIME"), time);
    run.record.setReal(QStringLiteral("SYSTOLIC"), 121.456);
    run.record.setInteger(QStringLiteral("PULSE"), 72);
    run.record.setText(QStringLiteral("COMMENT"), QStringLiteral("after the walk"));
    run.record.setText(QStringLiteral("FLAG"), QStringLiteral("Y"));
    QCOMPARE(r.printRecord(), int(ResultOk));
    run.record.setText(QStringLiteral("FLAG"), QStringLiteral("N"));
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));

    const Recorder page = run.pages().at(0);
    const QStringList expected{
        Picture::parse(QStringLiteral("d17"))->format(date),
        Picture::parse(QStringLiteral("t7"))->format(time),
        shown("n6.2", 121.456),
        Picture::parse(QStringLiteral("n-7"))->format(72.0),
        QStringLiteral("after the walk"),
        QStringLiteral("kept"),
        QStringLiteral("Printed on page 1"),
        QString(),
    };
    const auto strings = page.strings();
    QCOMPARE(int(strings.size()), 2 * int(expected.size()));
    for (int i = 0; i < int(expected.size()); ++i)
        QCOMPARE(strings[std::size_t(i)]->text(), expected[i]);
    QCOMPARE(strings[expected.size()]->c.top, 500 + 600);

    std::vector<const Recorder::Control *> boxes;
    for (const auto &c : page.controls)
        if (c.operation == "checkBox")
            boxes.push_back(&c);
    QCOMPARE(int(boxes.size()), 2);
    QVERIFY(boxes[0]->c.checked);
    QVERIFY(!boxes[1]->c.checked);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Treated"));
}

void TestBandRenderer::shapesMovedByTheBand()
{
    Run run;
    run.layout.marginLeft = 600;
    run.layout.pageHeader.height = 400;
    run.layout.detail.height = 1000;
    LayoutControl polygon = shape(ControlKind::Polygon, 3000, 100, 400, 400);
    polygon.points = {QPoint(0, 0), QPoint(400, 0), QPoint(200, 400)};
    LayoutControl tick = shape(ControlKind::CheckBox, 4000, 100, 1500, 300);
    tick.text = QStringLiteral("Oxygen");
    tick.checked = true;
    run.layout.detail.controls = {
        shape(ControlKind::Box, 100, 50, 800, 300),
        shape(ControlKind::Line, 1000, 600, 1500, -500),
        shape(ControlKind::Ellipse, 2000, 100, 500, 250),
        polygon,
        tick,
    };
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));

    const Recorder page = run.pages().at(0);
    const int band = 500 + 400 + 1000; // the second row's top
    const ReportControl *box = nullptr, *line = nullptr, *ellipse = nullptr, *poly = nullptr, *check = nullptr;
    for (const auto &c : page.controls) {
        if (c.c.top < band - 500)
            continue; // the first row's
        if (c.operation == "box")
            box = &c.c;
        else if (c.operation == "line")
            line = &c.c;
        else if (c.operation == "ellipse")
            ellipse = &c.c;
        else if (c.operation == "polygon")
            poly = &c.c;
        else if (c.operation == "checkBox")
            check = &c.c;
    }
    QVERIFY(box && line && ellipse && poly && check);
    QCOMPARE(QRect(QPoint(box->left, box->top), QPoint(box->right, box->bottom)),
             QRect(QPoint(700, band + 50), QPoint(1500, band + 350)));
    // A line keeps its direction: from its box's top-left to its bottom-right, whichever is larger.
    QCOMPARE(QLine(line->left, line->top, line->right, line->bottom), QLine(1600, band + 600, 3100, band + 100));
    QCOMPARE(ellipse->left, 2600);
    QCOMPARE(ellipse->top, band + 100);
    QCOMPARE(ellipse->bottom, band + 350);
    const std::vector<QPoint> points{QPoint(3600, band + 100), QPoint(4000, band + 100), QPoint(3800, band + 500)};
    QCOMPARE(poly->points, points);

    // The tick's frame is square, inside its box and centred on its height; the label follows it.
    QVERIFY(check->checked);
    const int side = check->right - check->left;
    QVERIFY(side > 0 && side <= 300);
    QCOMPARE(check->bottom - check->top, side);
    QCOMPARE(check->left, 4600);
    QVERIFY(std::abs((check->top + check->bottom) / 2 - (band + 250)) <= 1);
    QVERIFY(check->x > check->right);
    QVERIFY(check->x < 4600 + 1500);
    QCOMPARE(QString::fromLatin1(check->text), QStringLiteral("Oxygen"));
}

void TestBandRenderer::pagesHandedOverOnceAndRemoved()
{
    Run run;
    run.layout.detail.height = 5000; // two a page
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    QStringList taken;
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(r.printRecord(), int(ResultOk));
        taken += r.takeFinishedPages();
        // A page is finished when the next one starts, not before.
        QCOMPARE(int(taken.size()), i / 2);
        QCOMPARE(r.pageCount(), i / 2);
    }
    QCOMPARE(r.endReport(), int(ResultOk));
    taken += r.takeFinishedPages();
    QVERIFY(r.takeFinishedPages().isEmpty());
    r.close();
    QCOMPARE(taken, r.allPages());
    QCOMPARE(int(taken.size()), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(taken[i], run.folder->pageFile(i + 1));
        QVERIFY(QFile::exists(taken[i]));
        QCOMPARE(QFile::permissions(taken[i]) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    }

    // Opened again, the run starts afresh.
    QCOMPARE(r.open(), int(ResultOk));
    QVERIFY(r.allPages().isEmpty());
    QCOMPARE(r.pageCount(), 0);
    QCOMPARE(r.printRecord(), int(ResultOk));
    QCOMPARE(r.endReport(), int(ResultOk));
    QCOMPARE(r.takeFinishedPages(), QStringList{run.folder->pageFile(1)});
    QVERIFY(!QFile::exists(run.folder->pageFile(2)));
    r.close();

    run.renderer.reset();
    QVERIFY(!QFile::exists(run.folder->pageFile(1)));
}

void TestBandRenderer::failedWriteStopsTheRun()
{
    Run run;
    run.layout.detail.height = 4000; // two a page
    run.layout.detail.controls = {text(0, 0, 1000, 200, QString(), QStringLiteral("COMMENT"))};
    BandRenderer &r = run.start();
    QCOMPARE(r.open(), int(ResultOk));
    run.print({1, 2, 3}); // page 1 written at the third
    QCOMPARE(r.pageCount(), 1);
    QVERIFY(QDir(run.folder->path()).removeRecursively());

    run.record.setText(QStringLiteral("COMMENT"), QStringLiteral("row 4"));
    QCOMPARE(r.printRecord(), int(ResultOk)); // still on page 2
    QCOMPARE(run.presenter.count(), 0);
    const int failed = r.printRecord();
    QVERIFY(failed != ResultOk);
    QCOMPARE(run.presenter.count(), 1);
    const MessageBoxRequest &box = run.presenter.last();
    QCOMPARE(box.caption, QStringLiteral("Report Page Error"));
    QVERIFY2(box.text.contains(run.folder->pageFile(2)), qPrintable(box.text));
    QCOMPARE(run.context->storage().lastStatus().code, int(DriverCode::Ok));

    // Said once; every later call fails at once.
    QVERIFY(r.printRecord() != ResultOk);
    QVERIFY(r.endReport() != ResultOk);
    QCOMPARE(run.presenter.count(), 1);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.takeFinishedPages(), QStringList{run.folder->pageFile(1)});
    r.close();
}

void TestBandRenderer::checkLayout_data()
{
    QTest::addColumn<LayoutControl>("control");
    QTest::addColumn<bool>("wrong");

    QTest::newRow("field") << text(0, 0, 100, 100, QString(), QStringLiteral("RDG:PULSE")) << false;
    QTest::newRow("field without prefix") << text(0, 0, 100, 100, QString(), QStringLiteral("comment")) << false;
    QTest::newRow("the memo") << text(0, 0, 100, 100, QString(), QStringLiteral("RDG:NOTES")) << false;
    QTest::newRow("picture") << text(0, 0, 100, 100, QString(), QStringLiteral("COST"), QStringLiteral("n-10.2")) << false;
    QTest::newRow("fixed text") << text(0, 0, 100, 100, QStringLiteral("Pulse")) << false;
    QTest::newRow("no such field") << text(0, 0, 100, 100, QString(), QStringLiteral("RDG:WEIGHT")) << true;
    QTest::newRow("picture that means nothing")
        << text(0, 0, 100, 100, QString(), QStringLiteral("COST"), QStringLiteral("q7")) << true;
    QTest::newRow("total without a field") << total(TotalKind::Sum, QString(), QString(), 0) << true;
    QTest::newRow("total of the memo") << total(TotalKind::Average, QStringLiteral("NOTES"), QString(), 0) << true;
}

void TestBandRenderer::checkLayout()
{
    QFETCH(LayoutControl, control);
    QFETCH(bool, wrong);
    ReportLayout layout;
    layout.pageFooter.controls = {control};
    const QStringList problems = BandRenderer::checkLayout(layout, readings());
    QCOMPARE(!problems.isEmpty(), wrong);
    if (wrong)
        QVERIFY2(problems.first().startsWith(QLatin1String("page footer control 1")), qPrintable(problems.first()));
}

QTEST_MAIN(TestBandRenderer)
#include "tst_bandrenderer.moc"
