// Windows started without an owner live inside the frame's work area;
// forms they own keep only them waiting; closing goes through each
// procedure's own rules.
#include "datacontext.h"
#include "errormanager.h"
#include "mdihost.h"
#include "procedurewindow.h"
#include "scriptedpresenter.h"
#include "threadcontext.h"
#include "contextfixture.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace tavimo;

namespace {

QStringList g_finished; // procedure names, in the order they finished

class TestWindow : public ProcedureWindow
{
public:
    TestWindow(ThreadContext &context, const QString &name, QWidget *owner = nullptr)
        : ProcedureWindow(context, name, owner)
    {
        connect(this, &ProcedureWindow::finished, this, [this] { g_finished << procedureName(); });
    }
    bool allowClose = true;
    QSize asked{320, 200};

protected:
    void createContents(QDialog *window) override
    {
        auto *layout = new QVBoxLayout(window);
        layout->addWidget(new QLabel(procedureName(), window));
        layout->addWidget(new QLineEdit(window));
        auto *button = new QPushButton(QStringLiteral("&Help"), window);
        button->setAutoDefault(false);
        layout->addWidget(button);
        window->resize(asked);
    }
    bool closeRequested() override { return allowClose; }
};

// Clicks that reach the window's button, keys that reach its entry.
int clicks(TestWindow &w)
{
    auto *button = w.window()->findChild<QPushButton *>();
    QSignalSpy spy(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    return int(spy.count());
}

int keys(TestWindow &w)
{
    auto *entry = w.window()->findChild<QLineEdit *>();
    const QString before = entry->text();
    QTest::keyClick(entry, Qt::Key_X);
    const int typed = entry->text().size() - before.size();
    entry->setText(before);
    return typed;
}

struct Fixture : testing::ContextFixture
{
    QMainWindow frame;
    QMdiArea *area = new QMdiArea;
    std::unique_ptr<MdiHost> host;

    Fixture()
    {
        frame.setCentralWidget(area);
        frame.resize(900, 700);
        frame.show();
        host = std::make_unique<MdiHost>(area);
        g_finished.clear();
    }
    ~Fixture() { host.reset(); }
};

} // namespace

class TestMdiHost : public QObject
{
    Q_OBJECT

private slots:
    void windowWithoutOwnerBecomesAChildWindow();
    void windowThatOptsOutStaysOnItsOwn();
    void windowsOpenInsideTheirRoom_data();
    void windowsOpenInsideTheirRoom();
    void closeBoxFollowsTheCloseRules_data();
    void closeBoxFollowsTheCloseRules();
    void formsKeepOnlyTheirOwnWindowWaiting();
    void closingAWaitingWindowClosesItsFormsFirst_data();
    void closingAWaitingWindowClosesItsFormsFirst();
    void closingAWaitingFormClosesItsFormFirst();
    void mnemonicsOfTheActiveChildWindowComeFirst();
    void aFormKeepsItsWindowWaitingUntilItIsBack();
    void closeAllGoesFromTheLastOpened_data();
    void closeAllGoesFromTheLastOpened();
    void withoutAHostWindowsAreTheirOwn();
};

void TestMdiHost::windowWithoutOwnerBecomesAChildWindow()
{
    Fixture f;
    TestWindow w(*f.context, QStringLiteral("first"));
    QVERIFY(w.start());
    QMdiSubWindow *sub = f.host->subWindowOf(w);
    QVERIFY(sub);
    QCOMPARE(f.area->subWindowList().size(), 1);
    QCOMPARE(sub->widget(), static_cast<QWidget *>(w.window()));
    QVERIFY(!w.window()->isWindow());
    QVERIFY(sub->isVisible());
    QCOMPARE(sub->windowTitle(), QStringLiteral("first"));
    // The size the window asked for, inside the frame of the child window.
    QVERIFY(sub->width() >= 320 && sub->height() >= 200);
    w.window()->setWindowTitle(QStringLiteral("renamed"));
    QCOMPARE(sub->windowTitle(), QStringLiteral("renamed"));

    // The procedure ends: the child window goes, the dialog stays its own.
    QPointer<QMdiSubWindow> gone = sub;
    QPointer<QDialog> dialog = w.window();
    w.endWith(Response::Completed);
    QVERIFY(!f.host->subWindowOf(w));
    QTRY_VERIFY(!gone);
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    QVERIFY(f.area->subWindowList().isEmpty());
}

void TestMdiHost::windowThatOptsOutStaysOnItsOwn()
{
    Fixture f;
    TestWindow w(*f.context, QStringLiteral("apart"));
    w.setHostable(false);
    QVERIFY(w.start());
    QVERIFY(!f.host->subWindowOf(w));
    QVERIFY(w.window()->isWindow());
    QVERIFY(f.area->subWindowList().isEmpty());
    w.endWith(Response::Cancelled);
}

void TestMdiHost::windowsOpenInsideTheirRoom_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<int>("count");
    QTest::newRow("own window, too large") << "own" << QSize(2000, 1500) << 1;
    QTest::newRow("child window, too large") << "child" << QSize(2000, 1500) << 1;
    QTest::newRow("child windows, large") << "child" << QSize(600, 450) << 3;
    QTest::newRow("form of a child window, too large") << "form" << QSize(2000, 1500) << 1;
}

void TestMdiHost::windowsOpenInsideTheirRoom()
{
    QFETCH(QString, kind);
    QFETCH(QSize, asked);
    QFETCH(int, count);
    Fixture f;
    TestWindow list(*f.context, QStringLiteral("list"));
    if (kind == QLatin1String("form"))
        QVERIFY(list.start());
    std::vector<std::unique_ptr<TestWindow>> windows;
    for (int i = 0; i < count; ++i) {
        QWidget *owner = kind == QLatin1String("form") ? list.window() : nullptr;
        auto &w = windows.emplace_back(std::make_unique<TestWindow>(*f.context, QStringLiteral("w%1").arg(i), owner));
        w->asked = asked;
        w->setHostable(kind != QLatin1String("own"));
        QVERIFY(w->start());
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect view = f.area->viewport()->rect();
    for (auto &w : windows) {
        if (QMdiSubWindow *sub = f.host->subWindowOf(*w)) {
            QVERIFY(kind == QLatin1String("child"));
            QVERIFY2(view.contains(sub->geometry()), qPrintable(w->procedureName()));
        } else {
            QVERIFY(kind != QLatin1String("child"));
            QVERIFY(QTest::qWaitForWindowExposed(w->window()));
            QVERIFY(w->window()->isWindow());
            QVERIFY2(screen.contains(w->window()->frameGeometry()), qPrintable(w->procedureName()));
            // It still got all the room there is.
            QVERIFY(w->window()->frameGeometry().width() * 10 >= screen.width() * 9);
        }
    }
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        (*it)->endWith(Response::Cancelled);
    if (list.isRunning())
        list.endWith(Response::Cancelled);
}

void TestMdiHost::closeBoxFollowsTheCloseRules_data()
{
    QTest::addColumn<bool>("allow");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("closes") << true << false;
    QTest::newRow("refuses") << false << false;
    QTest::newRow("minimised, closes") << true << true;
    QTest::newRow("minimised, refuses") << false << true;
}

void TestMdiHost::closeBoxFollowsTheCloseRules()
{
    QFETCH(bool, allow);
    QFETCH(bool, minimised);
    Fixture f;
    TestWindow w(*f.context, QStringLiteral("closing"));
    w.allowClose = allow;
    QVERIFY(w.start());
    QPointer<QMdiSubWindow> sub = f.host->subWindowOf(w);
    if (minimised)
        sub->showMinimized();
    sub->close();
    QCOMPARE(w.isRunning(), !allow);
    if (allow) {
        QTRY_VERIFY(!sub);
        QCOMPARE(w.response, int(Response::Cancelled));
    } else {
        QCoreApplication::processEvents();
        QVERIFY(sub && sub->isVisible());
        w.allowClose = true;
        sub->close();
        QVERIFY(!w.isRunning());
    }
}

void TestMdiHost::formsKeepOnlyTheirOwnWindowWaiting()
{
    Fixture f;
    TestWindow list(*f.context, QStringLiteral("list"));
    TestWindow other(*f.context, QStringLiteral("other"));
    QVERIFY(list.start());
    QVERIFY(other.start());
    QMdiSubWindow *listSub = f.host->subWindowOf(list);
    QMdiSubWindow *otherSub = f.host->subWindowOf(other);

    TestWindow form(*f.context, QStringLiteral("form"), list.window());
    QVERIFY(form.start());
    QVERIFY(!f.host->subWindowOf(form));
    QVERIFY(form.window()->isWindow());
    QCOMPARE(form.window()->windowModality(), Qt::NonModal);
    QVERIFY(f.host->isWaiting(listSub));
    QVERIFY(!f.host->isWaiting(otherSub));

    // The list takes no clicks or keys; the other window and the form do.
    QCOMPARE(clicks(list), 0);
    QCOMPARE(clicks(other), 1);
    QCOMPARE(clicks(form), 1);
    QCOMPARE(keys(list), 0);
    QCOMPARE(keys(form), 1);

    // A form of the form keeps the first form waiting, not the frame.
    TestWindow inner(*f.context, QStringLiteral("inner"), form.window());
    QVERIFY(inner.start());
    QCOMPARE(inner.window()->windowModality(), Qt::NonModal);
    QVERIFY(f.host->isWaiting(form.window()));
    QCOMPARE(clicks(form), 0);
    QCOMPARE(clicks(inner), 1);
    QCOMPARE(clicks(other), 1);

    inner.endWith(Response::Completed);
    QVERIFY(!f.host->isWaiting(form.window()));
    QCOMPARE(clicks(form), 1);
    QCOMPARE(clicks(list), 0);
    form.endWith(Response::Completed);
    QVERIFY(!f.host->isWaiting(listSub));
    QCOMPARE(clicks(list), 1);

    // A window owned by the frame itself holds the frame, as before.
    TestWindow frameModal(*f.context, QStringLiteral("frame's"), &f.frame);
    QVERIFY(frameModal.start());
    QCOMPARE(frameModal.window()->windowModality(), Qt::WindowModal);
    QVERIFY(!f.host->subWindowOf(frameModal));
    frameModal.endWith(Response::Completed);
    list.endWith(Response::Cancelled);
    other.endWith(Response::Cancelled);
}

void TestMdiHost::closingAWaitingWindowClosesItsFormsFirst_data()
{
    QTest::addColumn<QString>("refusing");
    QTest::addColumn<QStringList>("finished");
    QTest::newRow("all close") << QString() << QStringList{"inner", "form", "list"};
    QTest::newRow("the form refuses") << QStringLiteral("form") << QStringList{"inner"};
}

void TestMdiHost::closingAWaitingWindowClosesItsFormsFirst()
{
    QFETCH(QString, refusing);
    QFETCH(QStringList, finished);
    Fixture f;
    TestWindow list(*f.context, QStringLiteral("list"));
    QVERIFY(list.start());
    TestWindow form(*f.context, QStringLiteral("form"), list.window());
    QVERIFY(form.start());
    TestWindow inner(*f.context, QStringLiteral("inner"), form.window());
    QVERIFY(inner.start());
    form.allowClose = refusing != QLatin1String("form");
    QPointer<QMdiSubWindow> sub = f.host->subWindowOf(list);
    sub->close();
    QCOMPARE(g_finished, finished);
    QCOMPARE(list.isRunning(), !refusing.isEmpty());
    for (TestWindow *w : {&inner, &form, &list}) {
        w->allowClose = true;
        w->endWith(Response::Cancelled);
    }
}

void TestMdiHost::closingAWaitingFormClosesItsFormFirst()
{
    Fixture f;
    TestWindow list(*f.context, QStringLiteral("list"));
    QVERIFY(list.start());
    TestWindow form(*f.context, QStringLiteral("form"), list.window());
    QVERIFY(form.start());
    TestWindow inner(*f.context, QStringLiteral("inner"), form.window());
    QVERIFY(inner.start());
    // As the desktop's close box would.
    QVERIFY(form.window()->close());
    QCOMPARE(g_finished, (QStringList{"inner", "form"}));
    QVERIFY(list.isRunning());
    list.endWith(Response::Cancelled);
}

void TestMdiHost::mnemonicsOfTheActiveChildWindowComeFirst()
{
    Fixture f;
    auto *menu = f.frame.menuBar()->addMenu(QStringLiteral("&Help"));
    QSignalSpy menuShown(menu, &QMenu::aboutToShow);
    TestWindow list(*f.context, QStringLiteral("list"));
    QVERIFY(list.start());
    QPushButton *help = list.window()->findChild<QPushButton *>();
    QSignalSpy clicked(help, &QPushButton::clicked);
    f.area->setActiveSubWindow(f.host->subWindowOf(list));
    QLineEdit *entry = list.window()->findChild<QLineEdit *>();
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_H, Qt::AltModifier);
    QTRY_COMPARE(clicked.count(), 1);
    QCOMPARE(menuShown.count(), 0);
    // A letter no button of the window has still reaches the menu bar.
    auto *window = f.frame.menuBar()->addMenu(QStringLiteral("&Window"));
    QSignalSpy windowShown(window, &QMenu::aboutToShow);
    QTest::keyClick(entry, Qt::Key_W, Qt::AltModifier);
    QTRY_COMPARE(windowShown.count(), 1);
    window->close();
    QCOMPARE(clicked.count(), 1);
    list.endWith(Response::Cancelled);
}

void TestMdiHost::closeAllGoesFromTheLastOpened_data()
{
    QTest::addColumn<QString>("refusing");
    QTest::addColumn<QStringList>("finished");
    QTest::addColumn<bool>("closed");
    QTest::newRow("all close") << QString() << QStringList{"form", "second", "first"} << true;
    QTest::newRow("the second refuses") << QStringLiteral("second") << QStringList{"form"} << false;
}

void TestMdiHost::closeAllGoesFromTheLastOpened()
{
    QFETCH(QString, refusing);
    QFETCH(QStringList, finished);
    QFETCH(bool, closed);
    Fixture f;
    TestWindow first(*f.context, QStringLiteral("first"));
    TestWindow second(*f.context, QStringLiteral("second"));
    QVERIFY(first.start());
    QVERIFY(second.start());
    TestWindow form(*f.context, QStringLiteral("form"), first.window());
    QVERIFY(form.start());
    for (TestWindow *w : {&first, &second, &form})
        w->allowClose = w->procedureName() != refusing;

    QCOMPARE(f.host->closeAll(), closed);
    QCOMPARE(g_finished, finished);
    QCOMPARE(int(f.host->running().size()), 3 - int(finished.size()));
    for (TestWindow *w : {&first, &second, &form})
        w->endWith(Response::Cancelled);
}

void TestMdiHost::withoutAHostWindowsAreTheirOwn()
{
    Fixture f;
    TestWindow list(*f.context, QStringLiteral("list"));
    QVERIFY(list.start());
    QPointer<QDialog> hosted = list.window();
    // The host goes while a window is inside: the window is left to its procedure.
    f.host.reset();
    QVERIFY(!ProcedureWindow::host());
    QVERIFY(hosted);
    list.endWith(Response::Completed);

    TestWindow alone(*f.context, QStringLiteral("alone"));
    QVERIFY(alone.start());
    QVERIFY(alone.window()->isWindow());
    TestWindow form(*f.context, QStringLiteral("form"), alone.window());
    QVERIFY(form.start());
    QCOMPARE(form.window()->windowModality(), Qt::WindowModal);
    form.endWith(Response::Completed);
    alone.endWith(Response::Completed);
    QVERIFY(f.area->subWindowList().isEmpty());
}

void TestMdiHost::aFormKeepsItsWindowWaitingUntilItIsBack()
{
    Fixture f;
    TestWindow first(*f.context, QStringLiteral("first"));
    TestWindow second(*f.context, QStringLiteral("second"));
    QVERIFY(first.start());
    QVERIFY(second.start());
    QMdiSubWindow *firstSub = f.host->subWindowOf(first);
    TestWindow firstForm(*f.context, QStringLiteral("first's form"), first.window());
    bool waitingBehindTheOtherForm = false;
    int clicksBehindTheOtherForm = -1;
    bool waitingUntilItsLoopEnds = false;
    // The second window's form opens while the first's waits, and the first's
    // form closes before it: its execute() can only return after the other's.
    QTimer::singleShot(0, [&] {
        TestWindow secondForm(*f.context, QStringLiteral("second's form"), second.window());
        QTimer::singleShot(0, [&] {
            firstForm.endWith(Response::Completed);
            waitingBehindTheOtherForm = f.host->isWaiting(firstSub);
            clicksBehindTheOtherForm = clicks(first);
            secondForm.endWith(Response::Completed);
        });
        secondForm.execute();
        waitingUntilItsLoopEnds = f.host->isWaiting(firstSub);
    });
    QCOMPARE(firstForm.execute(), int(Response::Completed));
    QVERIFY(waitingBehindTheOtherForm);
    QCOMPARE(clicksBehindTheOtherForm, 0);
    QVERIFY(waitingUntilItsLoopEnds);
    QVERIFY(!f.host->isWaiting(firstSub));
    QCOMPARE(clicks(first), 1);
    first.endWith(Response::Cancelled);
    second.endWith(Response::Cancelled);
}

QTEST_MAIN(TestMdiHost)
#include "tst_mdihost.moc"
