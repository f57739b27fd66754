// The frame's notification-area icon: hiding a minimised frame, bringing
// it back on a double click, and leaving the area when the frame closes.
#include "frametray.h"

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

    int adds = 0;
    int removes = 0;
    bool shown = false;
    QString toolTip;

private:
    bool m_available;
    bool m_accepts;
};

struct Frame
{
    QWidget window;
    FakeArea *area;
    FrameTray *tray;

    Frame(bool available = true, bool accepts = true)
    {
        auto fake = std::make_unique<FakeArea>(available, accepts);
        area = fake.get();
        tray = new FrameTray(&window, QIcon(), std::move(fake));
        window.show();
        window.showMinimized();
    }
};

} // namespace

class TestFrameTray : public QObject
{
    Q_OBJECT

private slots:
    void minimising_data();
    void minimising();
    void doubleClickTwiceRestoresOnce();
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
    QTest::newRow("no tray: restored") << false << true << true << false;
    QTest::newRow("icon refused: restored") << true << false << true << false;
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
    } else if (enabled) {
        QVERIFY(f.window.isVisible());
        QVERIFY(!f.window.isMinimized());
    } else {
        QCOMPARE(f.area->adds, 0);
        QVERIFY(f.window.isMinimized());
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
