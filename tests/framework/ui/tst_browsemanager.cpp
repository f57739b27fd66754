// Lists over real data files, offscreen: filling, scrolling, the thumb and
// its steps, the locator, orders on tabs, actions through buttons, keys and
// the popup, select mode, and the doctors list with its entry form.
#include "browsedoctors.h"
#include "browselist.h"
#include "browsemanager.h"
#include "browsemodel.h"
#include "browsestep.h"
#include "browsewindow.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "formdriver.h"
#include "formwindow.h"
#include "processvalues.h"
#include "record.h"
#include "referenceforms.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <functional>

using namespace tavimo;

namespace {

// Counts every record the view hands the list.
class CountingBrowse : public BrowseManager
{
public:
    int reads = 0;
    int checkViewRecord() override
    {
        ++reads;
        return 0;
    }
};

// A list window whose browse a test declares.
class TestList : public BrowseWindow
{
public:
    using Build = std::function<void(TestList &, QWidget *)>;
    TestList(ThreadContext &context, Build build) : BrowseWindow(context, QStringLiteral("TestList")), m_build(std::move(build)) {}

    using BrowseWindow::addActionButtons;
    using BrowseWindow::addBrowse;
    using BrowseWindow::addOrderTab;

protected:
    void createBrowses(QWidget *area) override { m_build(*this, area); }

private:
    Build m_build;
};

QString doctorName(int i)
{
    return QStringLiteral("Doctor %1").arg(i, 3, 10, QLatin1Char('0'));
}

struct Fixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    ErrorManager errors;
    std::unique_ptr<ThreadContext> context;

    Fixture() : context(make()) { ProcessValues::instance().clear(); }
    std::unique_ptr<ThreadContext> make()
    {
        errors.setPresenter(&presenter);
        errors.setFatalHandler([] {});
        ContextConfig config = programContextConfig(tmp.path());
        config.errors = &errors;
        return std::make_unique<ThreadContext>(config);
    }
    FileManager &doctors() { return *context->fileManager(tables::doctors()); }
    RelationManager &doctorsRelation() { return *context->relationManager(tables::doctors()); }

    void addDoctor(const QString &name, const QString &city = QString(), const QString &phone = QString())
    {
        FileManager &d = doctors();
        d.record().clear();
        d.record().setText("DOC:DOCTORSNAME", name);
        d.record().setText("DOC:CITY", city);
        d.record().setText("DOC:PHONENUMBER", phone);
        QCOMPARE(d.insert(), int(ResultOk));
    }
    // Doctor 002, 004, ... so that others fit between them.
    void addDoctors(int count, const QString &city = QString())
    {
        for (int i = 1; i <= count; ++i)
            addDoctor(doctorName(2 * i), city, QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0')));
    }
};

// A doctors list with the usual buttons; the update procedure is the test's.
struct Doctors
{
    CountingBrowse *browse = nullptr;
    std::unique_ptr<TestList> window;

    Doctors(Fixture &f, int rows, const std::function<void(BrowseManager &)> &configure = {})
    {
        window = std::make_unique<TestList>(*f.context, [&, this](TestList &w, QWidget *area) {
            auto made = std::make_unique<CountingBrowse>();
            browse = made.get();
            BrowseManager &b = w.addBrowse(std::move(made), f.doctorsRelation(), area);
            w.addOrderTab(b, QStringLiteral("By Name"), 0);
            b.addColumn(QStringLiteral("Doctors Name"), QStringLiteral("DOC:DOCTORSNAME"));
            b.addColumn(QStringLiteral("Phone Number"), QStringLiteral("DOC:PHONENUMBER"));
            w.addActionButtons(b, {BrowseManager::SelectControl, BrowseManager::ViewControl, BrowseManager::InsertControl,
                                   BrowseManager::ChangeControl, BrowseManager::DeleteControl,
                                   BrowseManager::PrintControl});
            if (configure)
                configure(b);
        });
        if (!window->start())
            return;
        setRows(rows);
    }
    void setRows(int rows)
    {
        BrowseList *list = browse->list();
        list->setFixedHeight(list->heightForRows(rows));
        QCoreApplication::processEvents();
    }
    BrowseList *list() const { return browse->list(); }
    QPushButton *button(int control) const { return window->button(*browse, control); }
    QStringList names() const
    {
        QStringList out;
        for (const auto &r : browse->rows())
            out << r.columns.value(0);
        return out;
    }
    QString highlighted() const
    {
        const int c = browse->currentChoice();
        return c > 0 ? browse->rows()[std::size_t(c - 1)].columns.value(0) : QString();
    }
    int shownRows() const { return browse->model()->rowCount(); }
};

QStringList expectedNames(int first, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << doctorName(2 * (first + i));
    return out;
}

// An update procedure that does the form's work without a window.
std::function<int()> acting(ThreadContext &context, std::function<bool(int request)> act)
{
    return [&context, act] {
        const int request = context.request;
        context.request = Request::None;
        const bool done = act(request);
        context.response = done ? Response::Completed : Response::Cancelled;
        return context.response;
    };
}

} // namespace

class TestBrowseManager : public QObject
{
    Q_OBJECT

private slots:
    void fixedStepTables();
    void measuredSteps_data();
    void measuredSteps();
    void pageOverFewRecordsAndEmptyRange_data();
    void pageOverFewRecordsAndEmptyRange();
    void oneRowPastTheBottomReadsOneRecord();
    void pagesTopAndBottom();
    void wheelMovesThePage();
    void resizingRefills();
    void insertInTheMiddleKeepsTheHighlightRow();
    void changeThatLeavesTheFilterRemovesTheRow();
    void deleteRemovesTheRowAndCancelRefills();
    void selectMode();
    void keysDoubleClickAndPopup();
    void recordGoneRaisesMessageNine();
    void locatorAndThumb();
    void ordersOnTabs();
    void rowsThroughPictures();
    void doctorsList();
    void doctorsListInsertAndDeleteThroughItsForm();
    void doctorsListScreenshot();
};

void TestBrowseManager::fixedStepTables()
{
    const auto &three = BrowseStep::fixedThree();
    const auto &two = BrowseStep::fixedTwo();
    QCOMPARE(int(three.size()), 100);
    QCOMPARE(int(two.size()), 100);
    QCOMPARE(three.front(), QStringLiteral("   "));
    QCOMPARE(three[1], QStringLiteral("ALB"));
    QCOMPARE(three.back(), QStringLiteral("YOR"));
    QCOMPARE(two[4], QStringLiteral("B "));
    QCOMPARE(two[5], QStringLiteral("BF"));
    QCOMPARE(two.back(), QStringLiteral("ZN"));
    QVERIFY(std::is_sorted(three.begin(), three.end()));
    QVERIFY(std::is_sorted(two.begin(), two.end()));

    BrowseStep fixed(BrowseStep::Letters, BrowseStep::FixedThree);
    QVERIFY(fixed.ready());
    QCOMPARE(fixed.percentile(QStringLiteral("Aaron")), 1);
    QCOMPARE(fixed.percentile(QStringLiteral("Mackenzie")), 55); // MAC is the 55th step
    QCOMPARE(fixed.percentile(QStringLiteral("Zimmer")), 100);
    QCOMPARE(fixed.valueAt(55), QStringLiteral("MAC"));
}

void TestBrowseManager::measuredSteps_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("middle");

    QTest::newRow("letters, common root") << int(BrowseStep::Letters) << "Smith Adam" << "Smith Zoe" << "SMITH " << "Smith Mary";
    QTest::newRow("letters and digits") << int(BrowseStep::Letters | BrowseStep::Digits) << "Doctor 002" << "Doctor 098"
                                         << "DOCTOR 0" << "Doctor 050";
    QTest::newRow("descending") << int(BrowseStep::Letters | BrowseStep::Descending) << "Zoe" << "Adam" << ""
                                << "Mary";
    QTest::newRow("case-sensitive") << int(BrowseStep::Letters | BrowseStep::CaseSensitive) << "Adam" << "adam" << ""
                                    << "Mary";
}

void TestBrowseManager::measuredSteps()
{
    QFETCH(int, flags);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, root);
    QFETCH(QString, middle);

    BrowseStep step(flags);
    QVERIFY(!step.ready());
    step.measure(first, last);
    QVERIFY(step.ready());
    QCOMPARE(step.root(), root);
    QVERIFY(std::is_sorted(step.steps().begin(), step.steps().end()));
    // The first record stands at the top, the last at the bottom (a full
    // page snaps 1 to 0 and 99 to 100), the rest between.
    QCOMPARE(step.percentile(first), 1);
    QVERIFY(step.percentile(last) >= 99);
    const int mid = step.percentile(middle);
    QVERIFY2(mid > 10 && mid < 90, qPrintable(QString::number(mid)));
    // A dropped thumb stands for a value that comes back near the same place.
    const QString at = step.valueAt(mid);
    QVERIFY(std::abs(step.percentile(at) - mid) <= 1);
    for (int p = 2; p < 100; ++p)
        QVERIFY(step.valueAt(p).startsWith(root));
}

void TestBrowseManager::pageOverFewRecordsAndEmptyRange_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("emptyRange");
    QTest::addColumn<int>("rows");
    QTest::newRow("3 records, 10 rows") << 3 << false << 3;
    QTest::newRow("empty table") << 0 << false << 0;
    QTest::newRow("range with no record") << 5 << true << 0;
    QTest::newRow("more than a page") << 25 << false << 10;
}

void TestBrowseManager::pageOverFewRecordsAndEmptyRange()
{
    QFETCH(int, records);
    QFETCH(bool, emptyRange);
    QFETCH(int, rows);
    Fixture f;
    f.addDoctors(records);
    f.doctors().record().setText("DOC:DOCTORSNAME", QStringLiteral("Nobody"));
    Doctors d(f, 10, [&](BrowseManager &b) {
        if (emptyRange)
            b.limitToCurrent(tables::doctors().fieldIndex(QStringLiteral("DOC:DOCTORSNAME")));
    });
    QVERIFY(d.window->isRunning());
    QCOMPARE(d.browse->lastItems(), 10);
    QCOMPARE(d.shownRows(), rows);
    QCOMPARE(int(d.browse->rows().size()), rows);
    QCOMPARE(d.browse->currentChoice(), rows ? 1 : 0);
    const bool any = rows > 0;
    QCOMPARE(d.button(BrowseManager::ChangeControl)->isEnabled(), any);
    QCOMPARE(d.button(BrowseManager::DeleteControl)->isEnabled(), any);
    QCOMPARE(d.button(BrowseManager::ViewControl)->isEnabled(), any);
    QCOMPARE(d.button(BrowseManager::PrintControl)->isEnabled(), any);
    QVERIFY(d.button(BrowseManager::InsertControl)->isEnabled());
    // Outside select mode the select button is hidden and off.
    QVERIFY(!d.button(BrowseManager::SelectControl)->isEnabled());
    QVERIFY(d.button(BrowseManager::SelectControl)->isHidden());
    if (any) {
        QCOMPARE(d.names().front(), doctorName(2));
        QCOMPARE(f.doctors().record().text("DOC:DOCTORSNAME"), doctorName(2)); // the highlighted record is in the buffer
    } else {
        QCOMPARE(f.presenter.count(), 0); // an empty list says nothing
        if (emptyRange) // the blank buffer keeps the range
            QCOMPARE(f.doctors().record().text("DOC:DOCTORSNAME"), QStringLiteral("Nobody"));
    }
    // The model never holds more than the page.
    QVERIFY(d.shownRows() <= d.browse->lastItems());
}

void TestBrowseManager::oneRowPastTheBottomReadsOneRecord()
{
    Fixture f;
    f.addDoctors(30);
    Doctors d(f, 10);
    QCOMPARE(d.names(), expectedNames(1, 10));
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.browse->currentChoice(), 10);
    QCOMPARE(d.names(), expectedNames(1, 10)); // moving inside the page reads nothing

    const int before = d.browse->reads;
    QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.browse->reads - before, 1);
    QCOMPARE(d.names(), expectedNames(2, 10)); // the top row dropped, one new at the bottom
    QCOMPARE(d.browse->currentChoice(), 10);
    QCOMPARE(d.highlighted(), doctorName(22));
    QCOMPARE(f.doctors().record().text("DOC:DOCTORSNAME"), doctorName(22));
    QCOMPARE(d.list()->currentIndex().row(), 9);

    // And one row back above the top, after going up through the page.
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(d.list(), Qt::Key_Up);
    QCOMPARE(d.browse->currentChoice(), 1);
    const int up = d.browse->reads;
    QTest::keyClick(d.list(), Qt::Key_Up);
    QCOMPARE(d.browse->reads - up, 1);
    QCOMPARE(d.names(), expectedNames(1, 10));
    QCOMPARE(d.highlighted(), doctorName(2));
}

void TestBrowseManager::pagesTopAndBottom()
{
    Fixture f;
    f.addDoctors(25);
    Doctors d(f, 10);
    QCOMPARE(d.list()->thumb(), 0); // the first record on the first row, highlighted
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.browse->currentChoice(), 3);
    QCOMPARE(d.list()->thumb(), 50);

    QTest::keyClick(d.list(), Qt::Key_PageDown);
    QCOMPARE(d.names(), expectedNames(11, 10));
    QCOMPARE(d.browse->currentChoice(), 3); // a page further, on the same screen row
    QCOMPARE(d.highlighted(), doctorName(26));

    QTest::keyClick(d.list(), Qt::Key_PageDown); // only 5 more: the page stays full
    QCOMPARE(d.names(), expectedNames(16, 10));
    QCOMPARE(d.highlighted(), doctorName(46));
    QTest::keyClick(d.list(), Qt::Key_PageDown);
    QCOMPARE(d.browse->currentChoice(), 10); // not past the last row
    QCOMPARE(d.list()->thumb(), 100);

    QTest::keyClick(d.list(), Qt::Key_PageUp);
    QCOMPARE(d.names(), expectedNames(6, 10));
    QCOMPARE(d.highlighted(), doctorName(30));

    QTest::keyClick(d.list(), Qt::Key_Home);
    QCOMPARE(d.names(), expectedNames(1, 10));
    QCOMPARE(d.browse->currentChoice(), 1);
    QCOMPARE(d.list()->thumb(), 0);
    QTest::keyClick(d.list(), Qt::Key_PageUp); // nothing above: stays on row 1
    QCOMPARE(d.browse->currentChoice(), 1);
    QTest::keyClick(d.list(), Qt::Key_Z); // no locator: typing does not move the list
    QCOMPARE(d.names(), expectedNames(1, 10));
    QCOMPARE(d.browse->currentChoice(), 1);

    QTest::keyClick(d.list(), Qt::Key_End);
    QCOMPARE(d.names(), expectedNames(16, 10));
    QCOMPARE(d.browse->currentChoice(), 10);
    QCOMPARE(d.highlighted(), doctorName(50));
    QCOMPARE(d.list()->thumb(), 100);

    // The scroll bar's own arrows and trough act the same.
    d.list()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(d.names(), expectedNames(1, 10));
    d.list()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(d.names(), expectedNames(11, 10));
    d.list()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(d.browse->currentChoice(), 1);
    QCOMPARE(d.list()->verticalScrollBar()->value(), d.list()->thumb());

    // Dragging the thumb without a step: to the ends, or a page each way.
    QTest::keyClick(d.list(), Qt::Key_Home);
    emit d.list()->thumbDropped(80);
    QCOMPARE(d.names(), expectedNames(11, 10));
    emit d.list()->thumbDropped(100);
    QCOMPARE(d.highlighted(), doctorName(50));
    emit d.list()->thumbDropped(0);
    QCOMPARE(d.highlighted(), doctorName(2));
}

void TestBrowseManager::wheelMovesThePage()
{
    Fixture f;
    f.addDoctors(30);
    Doctors d(f, 10);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.highlighted(), doctorName(8));
    const int lines = QApplication::wheelScrollLines();
    const QPoint at = d.list()->viewport()->rect().center();
    QWheelEvent down(at, d.list()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(d.list()->viewport(), &down);
    QCOMPARE(d.names(), expectedNames(1 + lines, 10));
    QCOMPARE(d.highlighted(), doctorName(8)); // still on its record while it is on the page
    QWheelEvent up(at, d.list()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(d.list()->viewport(), &up);
    QCOMPARE(d.names(), expectedNames(1, 10));
    QCOMPARE(d.highlighted(), doctorName(8));
}

void TestBrowseManager::resizingRefills()
{
    Fixture f;
    f.addDoctors(40);
    Doctors d(f, 5);
    QCOMPARE(d.browse->lastItems(), 5);
    QCOMPARE(d.shownRows(), 5);
    QTest::keyClick(d.list(), Qt::Key_PageDown);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.highlighted(), doctorName(14));

    d.setRows(12);
    QCOMPARE(d.list()->visibleRows(), 12);
    QCOMPARE(d.browse->lastItems(), 12);
    QCOMPARE(d.shownRows(), 12);
    QCOMPARE(d.names(), expectedNames(6, 12)); // from the same first row
    QCOMPARE(d.highlighted(), doctorName(14));

    d.setRows(3);
    QCOMPARE(d.shownRows(), 3);
    QCOMPARE(d.highlighted(), doctorName(14)); // the highlight stays on its record

    // A hidden list waits, and fills when it is shown again.
    d.list()->hide();
    d.browse->fill(BrowseManager::FillKeep);
    QVERIFY(d.browse->loadPending());
    d.list()->show();
    QCoreApplication::processEvents();
    QVERIFY(!d.browse->loadPending());
    QCOMPARE(d.highlighted(), doctorName(14));

    // Growing the whole window lets more rows fit, and they are filled.
    d.list()->setMinimumHeight(0);
    d.list()->setMaximumHeight(QWIDGETSIZE_MAX);
    d.window->window()->resize(d.window->window()->width(), d.window->window()->height() + 200);
    QCoreApplication::processEvents();
    QVERIFY(d.browse->lastItems() > 3);
    QCOMPARE(d.shownRows(), d.list()->visibleRows());
}

void TestBrowseManager::insertInTheMiddleKeepsTheHighlightRow()
{
    Fixture f;
    f.addDoctors(30);
    Doctors d(f, 10, [&](BrowseManager &b) {
        b.setUpdateProcedure(acting(*f.context, [&](int request) {
            if (request != Request::Insert)
                return false;
            f.doctors().record().setText("DOC:DOCTORSNAME", doctorName(25));
            return f.doctors().insert() == ResultOk;
        }));
    });
    QTest::keyClick(d.list(), Qt::Key_PageDown);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.browse->currentChoice(), 4);
    QCOMPARE(d.highlighted(), doctorName(28));

    QTest::keyClick(d.list(), Qt::Key_Insert);
    QCOMPARE(d.browse->currentChoice(), 4); // on the row the old highlight had
    QCOMPARE(d.highlighted(), doctorName(25));
    QCOMPARE(d.names().mid(0, 5),
             (QStringList{doctorName(20), doctorName(22), doctorName(24), doctorName(25), doctorName(26)}));
    QCOMPARE(d.shownRows(), 10);
    QCOMPARE(f.doctors().record().text("DOC:DOCTORSNAME"), doctorName(25));
    QVERIFY(d.list()->hasFocus() || !QApplication::focusWidget());
}

void TestBrowseManager::changeThatLeavesTheFilterRemovesTheRow()
{
    Fixture f;
    f.addDoctors(30, QStringLiteral("Springfield"));
    Doctors d(f, 10, [&](BrowseManager &b) {
        b.putFilter(QStringLiteral("DOC:CITY = 'Springfield'"));
        b.setUpdateProcedure(acting(*f.context, [&](int request) {
            if (request != Request::Change)
                return false;
            f.doctors().record().setText("DOC:CITY", QStringLiteral("Shelbyville"));
            return f.doctors().update() == ResultOk;
        }));
    });
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Down);
    const QStringList before = d.names();
    QCOMPARE(d.highlighted(), doctorName(8));

    QTest::keyClick(d.list(), Qt::Key_Return, Qt::ControlModifier);
    QStringList after = before;
    after.removeAt(3);
    after << doctorName(22);
    QCOMPARE(d.names(), after); // the rows above stay put
    QCOMPARE(d.browse->currentChoice(), 4);
    QCOMPARE(d.highlighted(), doctorName(10));

    // A change that keeps the filter shows the record where it now sorts.
    d.browse->setUpdateProcedure(acting(*f.context, [&](int request) {
        if (request != Request::Change)
            return false;
        f.doctors().record().setText("DOC:DOCTORSNAME", doctorName(31));
        return f.doctors().update() == ResultOk;
    }));
    QTest::keyClick(d.list(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(d.highlighted(), doctorName(31));
    QCOMPARE(d.browse->currentChoice(), 4);
}

void TestBrowseManager::deleteRemovesTheRowAndCancelRefills()
{
    Fixture f;
    f.addDoctors(15);
    int runs = 0;
    bool confirm = true;
    Doctors d(f, 10, [&](BrowseManager &b) {
        b.setUpdateProcedure(acting(*f.context, [&](int request) {
            ++runs;
            if (request != Request::Delete || !confirm)
                return false;
            return f.doctorsRelation().deleteRecord(false) == ResultOk;
        }));
    });
    QTest::keyClick(d.list(), Qt::Key_Down);
    QTest::keyClick(d.list(), Qt::Key_Delete);
    QCOMPARE(runs, 1);
    QStringList expected = expectedNames(1, 11);
    expected.removeAt(1);
    QCOMPARE(d.names(), expected);
    QCOMPARE(d.highlighted(), doctorName(6));
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(14));

    confirm = false;
    QTest::keyClick(d.list(), Qt::Key_Delete);
    QCOMPARE(runs, 2);
    QCOMPARE(d.names(), expected);
    QCOMPARE(d.highlighted(), doctorName(6));
}

void TestBrowseManager::selectMode()
{
    Fixture f;
    f.addDoctors(12);
    FileManager &doc = f.doctors();

    // The caller's buffer holds a record of its own.
    auto prime = [&] {
        doc.record().clear();
        doc.record().setText("DOC:DOCTORSNAME", QStringLiteral("Caller's Doctor"));
        doc.record().setText("DOC:CITY", QStringLiteral("Ogdenville"));
    };
    {
        prime();
        f.context->request = Request::Select;
        Doctors d(f, 10);
        QVERIFY(d.browse->selecting());
        QPushButton *select = d.button(BrowseManager::SelectControl);
        QVERIFY(!select->isHidden());
        QVERIFY(select->isEnabled());
        QVERIFY(select->isDefault());
        QTest::keyClick(d.list(), Qt::Key_Down);
        QCOMPARE(doc.record().text("DOC:DOCTORSNAME"), doctorName(4));
        d.window->window()->reject(); // the close box
        QVERIFY(!d.window->isRunning());
        QCOMPARE(d.window->response, int(Response::Cancelled));
        QCOMPARE(doc.record().text("DOC:DOCTORSNAME"), QStringLiteral("Caller's Doctor"));
        QCOMPARE(doc.record().text("DOC:CITY"), QStringLiteral("Ogdenville"));
    }
    {
        prime();
        f.context->request = Request::Select;
        Doctors d(f, 10);
        QTest::keyClick(d.list(), Qt::Key_Down);
        QTest::keyClick(d.list(), Qt::Key_Down);
        d.button(BrowseManager::SelectControl)->click();
        QVERIFY(!d.window->isRunning());
        QCOMPARE(f.context->response, int(Response::Completed));
        QCOMPARE(doc.record().text("DOC:DOCTORSNAME"), doctorName(6));
    }
    {
        prime();
        f.context->request = Request::Select;
        Doctors d(f, 10);
        QTest::keyClick(d.list(), Qt::Key_Down);
        const QRect r = d.list()->visualRect(d.browse->model()->index(2, 0));
        QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(d.browse->currentChoice(), 3);
        QTest::mouseDClick(d.list()->viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(!d.window->isRunning());
        QCOMPARE(d.window->response, int(Response::Completed));
        QCOMPARE(doc.record().text("DOC:DOCTORSNAME"), doctorName(6));
    }
    {
        // Closing with the Close button is not a selection either.
        prime();
        f.context->request = Request::Select;
        Doctors d(f, 10);
        QTest::keyClick(d.list(), Qt::Key_Down);
        d.window->closeButton()->click();
        QCOMPARE(d.window->response, int(Response::Cancelled));
        QCOMPARE(doc.record().text("DOC:DOCTORSNAME"), QStringLiteral("Caller's Doctor"));
    }
}

void TestBrowseManager::keysDoubleClickAndPopup()
{
    Fixture f;
    f.addDoctors(5);
    QList<int> requests;
    Doctors d(f, 10, [&](BrowseManager &b) {
        b.setUpdateProcedure(acting(*f.context, [&](int request) {
            requests << request;
            return false;
        }));
    });
    QTest::keyClick(d.list(), Qt::Key_Insert);
    QTest::keyClick(d.list(), Qt::Key_Delete);
    QTest::keyClick(d.list(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(d.list(), Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    const QRect r = d.list()->visualRect(d.browse->model()->index(1, 0));
    QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(d.list()->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(requests, (QList<int>{Request::Insert, Request::Delete, Request::Change, Request::View, Request::Change}));
    QCOMPARE(d.highlighted(), doctorName(4));

    // The popup follows the buttons: the select item only in select mode.
    QMenu *menu = d.browse->popupMenu();
    QCOMPARE(menu->title(), QStringLiteral("Browse Actions"));
    QStringList shown;
    for (QAction *a : menu->actions())
        if (!a->isSeparator() && a->isVisible())
            shown << a->text();
    QCOMPARE(shown, (QStringList{"&Insert", "&Change", "&Delete", "&View", "&Print"}));
    requests.clear();
    for (QAction *a : menu->actions())
        if (a->text() == QLatin1String("&View"))
            a->trigger();
    QCOMPARE(requests, (QList<int>{Request::View}));

    // A right click highlights the row under the mouse first.
    const QPoint inside = d.list()->visualRect(d.browse->model()->index(3, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, inside, d.list()->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(d.list()->viewport(), &click);
    QCOMPARE(d.highlighted(), doctorName(8));
    QVERIFY(d.browse->popupMenu()->isVisible());
    d.browse->popupMenu()->hide();

    // A disabled button takes no key: nothing to change on an empty list.
    requests.clear();
    d.button(BrowseManager::ChangeControl)->setEnabled(false);
    QTest::keyClick(d.list(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(d.browse->popupMenu()->actions().at(1)->isEnabled(), false);
    d.browse->setControl(BrowseManager::DeleteControl, nullptr);
    QTest::keyClick(d.list(), Qt::Key_Delete);
    QVERIFY(requests.isEmpty());
}

void TestBrowseManager::recordGoneRaisesMessageNine()
{
    Fixture f;
    f.addDoctors(6);
    int runs = 0;
    Doctors d(f, 10, [&](BrowseManager &b) {
        b.setUpdateProcedure(acting(*f.context, [&](int) {
            ++runs;
            return false;
        }));
    });
    QTest::keyClick(d.list(), Qt::Key_Down);
    QCOMPARE(d.highlighted(), doctorName(4));

    // Another station deletes the highlighted doctor.
    auto other = f.make();
    FileManager &d2 = *other->fileManager(tables::doctors());
    d2.record().clear();
    d2.record().setText("DOC:DOCTORSNAME", doctorName(4));
    QCOMPARE(d2.getByKey(0), int(ResultOk));
    QCOMPARE(d2.deleteRecord(false), int(ResultOk));

    QTest::keyClick(d.list(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(runs, 0);
    QCOMPARE(f.presenter.count(), 1);
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Record Retrieval Error"));
    QVERIFY(f.presenter.last().text.contains(QStringLiteral("changed or deleted by another station")));
    QVERIFY(!d.names().contains(doctorName(4)));
    QCOMPARE(d.shownRows(), 5);
}

void TestBrowseManager::locatorAndThumb()
{
    Fixture f;
    for (const char *n : {"Adams", "Baker", "Brown", "Clark", "Davis", "Evans", "Green", "Hall", "Jones", "King",
                          "Lewis", "Moore", "Nash", "Owen", "Price", "Reed", "Smith", "Stone", "Young", "Zeller"})
        f.addDoctor(QString::fromLatin1(n));
    Doctors d(f, 5, [](BrowseManager &b) {
        b.attachLocator();
        b.attachStep(BrowseStep::Letters);
    });
    QCOMPARE(d.list()->thumb(), 0);
    QTest::keyClick(d.list(), Qt::Key_S);
    QCOMPARE(d.highlighted(), QStringLiteral("Smith"));
    QCOMPARE(f.doctors().record().text("DOC:DOCTORSNAME"), QStringLiteral("Smith"));
    QVERIFY(d.list()->thumb() > 70 && d.list()->thumb() < 100);
    QTest::keyClick(d.list(), Qt::Key_B); // lower case finds upper case in a case-insensitive key
    QCOMPARE(d.highlighted(), QStringLiteral("Baker"));
    QVERIFY(d.list()->thumb() < 20);
    QTest::keyClick(d.list(), Qt::Key_X); // nothing at X: the next one
    QCOMPARE(d.highlighted(), QStringLiteral("Young"));
    QCOMPARE(d.shownRows(), 5);
    QTest::keyClick(d.list(), Qt::Key_End);
    QCOMPARE(d.list()->thumb(), 100);

    // With a step the dropped thumb goes to the value it stands for.
    emit d.list()->thumbDropped(50);
    const QString mid = d.highlighted();
    QVERIFY2(mid >= QLatin1String("Hall") && mid <= QLatin1String("Price"), qPrintable(mid));
    emit d.list()->thumbDropped(1);
    QCOMPARE(d.highlighted(), QStringLiteral("Adams"));
}

void TestBrowseManager::ordersOnTabs()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Adams"), QStringLiteral("Shelbyville"));
    f.addDoctor(QStringLiteral("Baker"), QStringLiteral("Capital City"));
    f.addDoctor(QStringLiteral("Clark"), QStringLiteral("Springfield"));
    f.addDoctor(QStringLiteral("Davis"), QStringLiteral("Ogdenville"));
    f.addDoctor(QStringLiteral("Evans"), QStringLiteral("Springfield"));
    BrowseManager *browse = nullptr;
    TestList window(*f.context, [&](TestList &w, QWidget *area) {
        BrowseManager &b = w.addBrowse(std::make_unique<BrowseManager>(), f.doctorsRelation(), area);
        browse = &b;
        w.addOrderTab(b, QStringLiteral("By &Name"), 0);
        b.attachLocator();
        // By city, descending, without Capital City: a filter of its own.
        w.addOrderTab(b, QStringLiteral("By &City"), -1);
        b.extendOrder(QStringLiteral("-DOC:CITY"));
        b.putFilter(QStringLiteral("DOC:CITY <> 'Capital City'"));
        b.selectOrder(1);
        b.addColumn(QStringLiteral("Name"), QStringLiteral("DOC:DOCTORSNAME"));
        b.addColumn(QStringLiteral("City"), QStringLiteral("DOC:CITY"));
    });
    QVERIFY(window.start());
    browse->list()->setFixedHeight(browse->list()->heightForRows(10));
    QCoreApplication::processEvents();
    auto names = [&] {
        QStringList out;
        for (const auto &r : browse->rows())
            out << r.columns.value(0);
        return out;
    };
    auto highlighted = [&] { return browse->rows()[std::size_t(browse->currentChoice() - 1)].columns.value(0); };
    QTabWidget *tabs = window.tabs(*browse);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(names(), (QStringList{"Adams", "Baker", "Clark", "Davis", "Evans"}));
    QTest::keyClick(browse->list(), Qt::Key_Down);
    QTest::keyClick(browse->list(), Qt::Key_Down);
    QCOMPARE(highlighted(), QStringLiteral("Clark"));

    // The city order has no locator: it starts from its top.
    tabs->setCurrentIndex(1);
    QCOMPARE(browse->currentOrder(), 2);
    QCOMPARE(browse->list()->parentWidget(), tabs->widget(1));
    QCOMPARE(names(), (QStringList{"Clark", "Evans", "Adams", "Davis"}));
    QCOMPARE(browse->currentChoice(), 1);
    QTest::keyClick(browse->list(), Qt::Key_End);
    QCOMPARE(highlighted(), QStringLiteral("Davis"));

    // The name order has a locator: it opens on the record highlighted before.
    tabs->setCurrentIndex(0);
    QCOMPARE(names(), (QStringList{"Adams", "Baker", "Clark", "Davis", "Evans"}));
    QCOMPARE(highlighted(), QStringLiteral("Davis"));

    // A refresh of the window refills only when something changed, or when forced.
    f.addDoctor(QStringLiteral("Baxter"), QStringLiteral("Springfield"));
    window.refresh(false);
    QCOMPARE(names().size(), 5);
    window.refresh(true);
    QCOMPARE(names(), (QStringList{"Adams", "Baker", "Baxter", "Clark", "Davis", "Evans"}));
    QCOMPARE(highlighted(), QStringLiteral("Davis"));
}

void TestBrowseManager::rowsThroughPictures()
{
    Fixture f;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    FileManager &glu = *f.context->fileManager(tables::glucose());
    for (int i = 0; i < 3; ++i) {
        glu.record().clear();
        glu.record().setText("GLU:PERSONNAME", QStringLiteral("Ann"));
        glu.record().setDate("GLU:DATE", Date::fromYmd(2024, 3, 1 + i));
        glu.record().setInteger("GLU:READING", 95 + i);
        QCOMPARE(glu.insert(), int(ResultOk));
    }
    class Readings : public BrowseManager
    {
    protected:
        void rowFromRecord(Row &row) override
        {
            BrowseManager::rowFromRecord(row);
            row.columns[2] = row.record.integer("GLU:READING") > 96 ? QStringLiteral("high") : QStringLiteral("normal");
        }
    };
    Readings *browse = nullptr;
    TestList window(*f.context, [&](TestList &w, QWidget *area) {
        auto made = std::make_unique<Readings>();
        browse = made.get();
        BrowseManager &b = w.addBrowse(std::move(made), *f.context->relationManager(tables::glucose()), area);
        b.addOrder(tables::glucose().keyIndex(QStringLiteral("Glu:ByDate")));
        b.addColumn(QStringLiteral("Date"), QStringLiteral("GLU:DATE"), QStringLiteral("d17"));
        b.addColumn(QStringLiteral("Reading"), QStringLiteral("GLU:READING"), QStringLiteral("n5"));
        b.addColumn(QStringLiteral("Note"), QString());
    });
    QVERIFY(window.start());
    QCOMPARE(browse->model()->rowCount(), 3);
    QCOMPARE(browse->model()->columnCount(), 3);
    QCOMPARE(browse->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Reading"));
    // Newest first, as the key sorts them.
    QCOMPARE(browse->model()->data(browse->model()->index(0, 0)).toString(), QStringLiteral("3/3/2024"));
    QCOMPARE(browse->model()->data(browse->model()->index(2, 1)).toString(), QStringLiteral("   95"));
    QCOMPARE(browse->model()->data(browse->model()->index(0, 2)).toString(), QStringLiteral("high"));
    QCOMPARE(browse->model()->data(browse->model()->index(2, 2)).toString(), QStringLiteral("normal"));
    QCOMPARE(browse->model()->data(browse->model()->index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>()
                 & Qt::AlignRight,
             Qt::AlignRight);
    // Columns are the user's to resize.
    QCOMPARE(browse->list()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

void TestBrowseManager::doctorsList()
{
    Fixture f;
    f.addDoctor(QStringLiteral("Adams, Ann"), QString(), QStringLiteral("(555) 010-1000"));
    f.addDoctor(QStringLiteral("Baker, Bob"), QString(), QStringLiteral("(555) 010-2000"));
    BrowseDoctors list(*f.context);
    QVERIFY(list.start());
    QCOMPARE(list.window()->windowTitle(), QStringLiteral("List Doctors "));
    BrowseManager &b = list.list();
    QCOMPARE(b.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Doctors Name"));
    QCOMPARE(b.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Phone Number"));
    QCOMPARE(b.columns()[0].width, 50);
    QCOMPARE(b.columns()[1].width, 14);
    QCOMPARE(list.tabs(b)->tabText(0), QStringLiteral("By Name"));
    QVERIFY(b.hasLocator());
    QCOMPARE(list.helpTopic(), QStringLiteral("browsedoctors.htm"));
    QStringList captions;
    for (int c : {BrowseManager::SelectControl, BrowseManager::ViewControl, BrowseManager::InsertControl,
                  BrowseManager::ChangeControl, BrowseManager::DeleteControl})
        captions << list.button(b, c)->text();
    QCOMPARE(captions, (QStringList{"&Select", "&View", "&Insert", "&Change", "&Delete"}));
    QCOMPARE(list.closeButton()->text(), QStringLiteral("&Close"));
    QCOMPARE(list.helpButton()->text(), QStringLiteral("&Help"));
    QVERIFY(list.button(b, BrowseManager::SelectControl)->isHidden()); // no select request
    QCOMPARE(b.model()->rowCount(), 2);
    QCOMPARE(b.model()->data(b.model()->index(1, 1)).toString(), QStringLiteral("(555) 010-2000"));
    QString topic;
    connect(&list, &BrowseWindow::helpRequested, this, [&](const QString &t) { topic = t; });
    list.helpButton()->click();
    QCOMPARE(topic, QStringLiteral("browsedoctors.htm"));

    // The View button shows the form read-only on the highlighted doctor.
    QString shownName;
    bool readOnly = false;
    list.setFormRunner([&](FormWindow &form) {
        if (!form.start())
            return form.response;
        FormDriver driver(form);
        shownName = driver.shown(QStringLiteral("DOC:DOCTORSNAME"));
        readOnly = !driver.control(QStringLiteral("DOC:DOCTORSNAME"))->isEnabled();
        driver.ok();
        return form.response;
    });
    QTest::keyClick(b.list(), Qt::Key_Down);
    list.button(b, BrowseManager::ViewControl)->click();
    QCOMPARE(shownName, QStringLiteral("Baker, Bob"));
    QVERIFY(readOnly);
    QCOMPARE(b.currentChoice(), 2);

    // Asked to select, the same list shows its Select button.
    list.closeButton()->click();
    QVERIFY(!list.isRunning());
    f.context->request = Request::Select;
    BrowseDoctors picking(*f.context);
    QVERIFY(picking.start());
    QVERIFY(!picking.button(picking.list(), BrowseManager::SelectControl)->isHidden());
    picking.closeButton()->click();

    // From the main frame: a window of its own in a context of its own, gone once closed.
    MessagePresenter *before = ErrorManager::global().presenter();
    ErrorManager::global().setPresenter(&f.presenter);
    QPointer<BrowseDoctors> started = BrowseDoctors::startInNewContext(f.tmp.path());
    QVERIFY(started);
    QVERIFY(started->window()->isVisible());
    QCOMPARE(started->window()->windowModality(), Qt::NonModal);
    QCOMPARE(&started->context() == f.context.get(), false);
    QCOMPARE(started->list().model()->rowCount(), 2);
    started->window()->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!started);
    ErrorManager::global().setPresenter(before);
}

void TestBrowseManager::doctorsListInsertAndDeleteThroughItsForm()
{
    Fixture f;
    for (const char *n : {"Adams", "Clark", "Evans"})
        f.addDoctor(QString::fromLatin1(n));
    BrowseDoctors list(*f.context);
    QVERIFY(list.start());
    BrowseManager &b = list.list();
    QTest::keyClick(b.list(), Qt::Key_Down);

    list.setFormRunner([&](FormWindow &form) {
        if (!form.start())
            return form.response;
        FormDriver driver(form);
        driver.type(QStringLiteral("DOC:DOCTORSNAME"), QStringLiteral("Baker"));
        driver.type(QStringLiteral("DOC:PHONENUMBER"), QStringLiteral("555-0101"));
        driver.ok();
        return form.response;
    });
    QTest::keyClick(b.list(), Qt::Key_Insert);
    QCOMPARE(b.model()->rowCount(), 4);
    QCOMPARE(b.rows()[std::size_t(b.currentChoice() - 1)].columns,
             (QStringList{"Baker", "555-0101"}));
    QCOMPARE(b.currentChoice(), 2);

    // Delete asks "Confirm Delete" and never shows the form.
    list.setFormRunner([&](FormWindow &form) {
        form.start();
        return form.response;
    });
    f.presenter.answer(Button::Yes);
    list.button(b, BrowseManager::DeleteControl)->click();
    QCOMPARE(f.presenter.last().caption, QStringLiteral("Confirm Delete"));
    QCOMPARE(b.model()->rowCount(), 3);
    QCOMPARE(b.rows()[std::size_t(b.currentChoice() - 1)].columns.value(0), QStringLiteral("Clark"));
    QCOMPARE(f.context->table(tables::doctors()).records(), qint64(3));
}

void TestBrowseManager::doctorsListScreenshot()
{
    const QByteArray path = qgetenv("TAVIMO_BROWSE_SHOT");
    if (path.isEmpty())
        QSKIP("set TAVIMO_BROWSE_SHOT to a PNG path to take the picture");
    Fixture f;
    f.addDoctor(QStringLiteral("Abernathy, Grace"), QString(), QStringLiteral("(217) 555-0143"));
    f.addDoctor(QStringLiteral("Chen, Wei"), QString(), QStringLiteral("(217) 555-0188"));
    f.addDoctor(QStringLiteral("Delgado, Maria"), QString(), QStringLiteral("(217) 555-0102"));
    f.addDoctor(QStringLiteral("Hibbert, Julius"), QString(), QStringLiteral("(939) 555-0113"));
    f.addDoctor(QStringLiteral("Okafor, Nnamdi"), QString(), QStringLiteral("(217) 555-0177"));
    f.addDoctor(QStringLiteral("Riviera, Nick"), QString(), QStringLiteral("(939) 555-0199"));
    BrowseDoctors list(*f.context);
    QVERIFY(list.start());
    QTest::keyClick(list.list().list(), Qt::Key_Down);
    QCoreApplication::processEvents();
    QVERIFY(list.window()->grab().save(QString::fromLocal8Bit(path)));
}

QTEST_MAIN(TestBrowseManager)
#include "tst_browsemanager.moc"
