// The frame's notification-area icon: hiding a minimised frame, bringing
// it back on a double click or from its menu, and leaving the area when
// the frame closes.
#include "frametray.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>

using namespace tavimo;

namespace {

// Stands in for the desktop's notification area.
class FakeArea : public FrameTray::Area
{
public:
    FakeArea(bool available, bool accepts) : m_available(available), m_accepts(accepts) {}
    bool available() const override { return m_available; }
    bool add(const QIcon &, const QString &tip) override
    {
        ++adds;
        toolTip = tip;
        shown = m_accepts;
        return m_accepts;
    }
    void remove() override
    {
        ++removes;
        shown = false;
    }
    void setMenu(QMenu *m) override { menu = m; }

    int adds = 0;
    int removes = 0;
    bool shown = false;
    QString toolTip;
    QMenu *menu = nullptr;

private:
    bool m_available;
    bool m_accepts;
};

struct Frame
{
    QWidget window;
    FakeArea *area;
    FrameTray *tray;

    Frame(bool available = true, bool accepts = true, bool maximised = false)
    {
        auto fake = std::make_unique<FakeArea>(available, accepts);
        area = fake.get();
        tray = new FrameTray(&window, QIcon(), std::move(fake));
        window.setGeometry(placed());
        if (maximised)
            window.showMaximized();
        else
            window.show();
        window.showMinimized();
    }
    static QRect placed() { return QRect(130, 90, 320, 240); }
};

QAction *menuItem(const Frame &f, const QString &text)
{
    if (!f.area->menu)
        return nullptr;
    for (QAction *a : f.area->menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class TestFrameTray : public QObject
{
    Q_OBJECT

private slots:
    void minimising_data();
    void minimising();
    void doubleClickTwiceRestoresOnce();
    void restoredWhereItWas_data();
    void restoredWhereItWas();
    void menuOffersRestoreAndExit();
    void restoreOutsideTheTrayDoesNothing();
    void closingInTheTrayShowsTheFrameFirst();
};

void TestFrameTray::minimising_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<bool>("accepts");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("inTray");
    QTest::newRow("into the tray") << true << true << true << true;
    QTest::newRow("no tray: stays minimised") << false << true << true << false;
    QTest::newRow("icon refused: stays minimised") << true << false << true << false;
    QTest::newRow("disabled: stays minimised") << true << true << false << false;
}

void TestFrameTray::minimising()
{
    QFETCH(bool, available);
    QFETCH(bool, accepts);
    QFETCH(bool, enabled);
    QFETCH(bool, inTray);
    Frame f(available, accepts);
    f.tray->setEnabled(enabled);
    f.tray->frameMinimised();
    QCOMPARE(f.tray->isInTray(), inTray);
    QCOMPARE(f.area->shown, inTray);
    if (inTray) {
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.area->toolTip, QStringLiteral("Tavimo: Double Click to Open"));
        // Minimised again while in the tray: the icon is not added twice.
        f.tray->frameMinimised();
        QCOMPARE(f.area->adds, 1);
    } else {
        // On the task bar as any minimised window, not shown again at once.
        QCoreApplication::processEvents();
        QVERIFY(f.window.isVisible());
        QVERIFY(f.window.isMinimized());
        QCOMPARE(f.area->adds, enabled && available ? 1 : 0);
    }
}

void TestFrameTray::doubleClickTwiceRestoresOnce()
{
    Frame f;
    f.tray->frameMinimised();
    QVERIFY(f.tray->isInTray());
    // Both clicks arrive before the first restore request is handled.
    f.area->doubleClicked();
    f.area->doubleClicked();
    QVERIFY(f.tray->isInTray()); // the restore is posted, not run at once
    QTRY_VERIFY(!f.tray->isInTray());
    QCoreApplication::processEvents();
    QCOMPARE(f.area->removes, 1);
    QVERIFY(f.window.isVisible());
    QVERIFY(!f.window.isMinimized());
    QVERIFY(!f.area->shown);
}

void TestFrameTray::restoredWhereItWas_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::newRow("normal") << false;
    QTest::newRow("maximised") << true;
}

void TestFrameTray::restoredWhereItWas()
{
    QFETCH(bool, maximised);
    Frame f(true, true, maximised);
    f.tray->frameMinimised();
    QVERIFY(f.tray->isInTray());
    // As a window manager may place a window that shows again.
    f.window.move(0, 0);
    f.window.resize(100, 80);
    f.area->doubleClicked();
    QTRY_VERIFY(!f.tray->isInTray());
    QVERIFY(f.window.isVisible());
    QVERIFY(!f.window.isMinimized());
    QCOMPARE(f.window.isMaximized(), maximised);
    if (!maximised)
        QCOMPARE(f.window.geometry(), Frame::placed());
}

void TestFrameTray::menuOffersRestoreAndExit()
{
    Frame f;
    QVERIFY(f.area->menu);
    QStringList items;
    for (QAction *a : f.area->menu->actions())
        if (!a->isSeparator())
            items << a->text();
    QCOMPARE(items, (QStringList{"Restore", "Exit"}));

    f.tray->frameMinimised();
    menuItem(f, QStringLiteral("Restore"))->trigger();
    QTRY_VERIFY(!f.tray->isInTray());
    QVERIFY(f.window.isVisible());
    QCOMPARE(f.window.geometry(), Frame::placed());

    // Exit closes the frame from the tray, through its own close, the icon gone.
    f.window.showMinimized();
    f.tray->frameMinimised();
    QVERIFY(f.tray->isInTray());
    bool closedWhileShown = false;
    struct CloseSpy : QObject
    {
        bool *shown;
        explicit CloseSpy(bool *s) : shown(s) {}
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Close)
                *shown = static_cast<QWidget *>(o)->isVisible();
            return false;
        }
    } spy(&closedWhileShown);
    f.window.installEventFilter(&spy);
    menuItem(f, QStringLiteral("Exit"))->trigger();
    QTRY_VERIFY(closedWhileShown);
    QVERIFY(!f.window.isVisible());
    QVERIFY(!f.tray->isInTray());
    QVERIFY(!f.area->shown);
    f.window.removeEventFilter(&spy);
}

void TestFrameTray::restoreOutsideTheTrayDoesNothing()
{
    Frame f;
    f.tray->restore();
    QCOMPARE(f.area->removes, 0);
    QVERIFY(f.window.isMinimized());
}

void TestFrameTray::closingInTheTrayShowsTheFrameFirst()
{
    Frame f;
    f.tray->frameMinimised();
    QVERIFY(!f.window.isVisible());
    f.tray->frameClosing();
    QCOMPARE(f.area->removes, 1);
    QVERIFY(!f.tray->isInTray());
    QVERIFY(f.window.isVisible());
    // Closing when not in the tray leaves the area alone.
    f.tray->frameClosing();
    QCOMPARE(f.area->removes, 1);
}

QTEST_MAIN(TestFrameTray)
#include "tst_frametray.moc"
