#include "desktopsettings.h"

#include <QtTest>

#include <memory>

using tavimo::DesktopSettings;
using tavimo::DragSettingGuard;
using tavimo::FakeDesktopSettings;
using tavimo::SystemDesktopSettings;

class TestDesktopSettings : public QObject
{
    Q_OBJECT

private slots:
    void startAndStop_data();
    void startAndStop();
    void guardSequences_data();
    void guardSequences();
    void systemSettingElsewhere();
};

void TestDesktopSettings::startAndStop_data()
{
    QTest::addColumn<bool>("onAtStart");
    QTest::addColumn<bool>("duringRun");
    QTest::addColumn<int>("setCallsAtStart");
    QTest::addColumn<bool>("afterStop");
    QTest::addColumn<int>("setCallsInAll");

    QTest::newRow("on at start") << true << false << 1 << true << 2;
    QTest::newRow("off at start") << false << false << 0 << false << 0;
}

void TestDesktopSettings::startAndStop()
{
    QFETCH(bool, onAtStart);
    QFETCH(bool, duringRun);
    QFETCH(int, setCallsAtStart);
    QFETCH(bool, afterStop);
    QFETCH(int, setCallsInAll);

    FakeDesktopSettings desktop(onAtStart);
    DragSettingGuard guard(desktop);
    QCOMPARE(desktop.setCalls(), 0); // constructing changes nothing

    guard.start();
    QVERIFY(guard.isActive());
    QCOMPARE(guard.wasOn(), onAtStart);
    QCOMPARE(desktop.dragFullWindows(), duringRun);
    QCOMPARE(desktop.setCalls(), setCallsAtStart);

    guard.stop();
    QVERIFY(!guard.isActive());
    QCOMPARE(desktop.dragFullWindows(), afterStop);
    QCOMPARE(desktop.setCalls(), setCallsInAll);
}

void TestDesktopSettings::guardSequences_data()
{
    // Steps: s = start, t = stop, d = destroy the guard,
    // + / - = something else switches the setting on / off meanwhile.
    QTest::addColumn<bool>("onAtStart");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("finallyOn");
    QTest::addColumn<int>("guardSetCalls");

    QTest::newRow("stop without start") << true << "t" << true << 0;
    QTest::newRow("destroyed without start") << true << "d" << true << 0;
    QTest::newRow("destroyed while running restores") << true << "sd" << true << 2;
    QTest::newRow("stopped then destroyed restores once") << true << "std" << true << 2;
    QTest::newRow("stop twice restores once") << true << "stt" << true << 2;
    QTest::newRow("second start keeps what it remembered") << true << "sst" << true << 2;
    QTest::newRow("on again meanwhile is still restored") << true << "s+t" << true << 2;
    QTest::newRow("off at start, switched on meanwhile") << false << "s+t" << true << 0;
    QTest::newRow("off at start, destroyed while running") << false << "s+d" << true << 0;
    QTest::newRow("second run after the user switched it off")
        << true << "st-st" << false << 2;
    QTest::newRow("second run after the user switched it on")
        << false << "st+st" << true << 2;
}

void TestDesktopSettings::guardSequences()
{
    QFETCH(bool, onAtStart);
    QFETCH(QString, steps);
    QFETCH(bool, finallyOn);
    QFETCH(int, guardSetCalls);

    FakeDesktopSettings desktop(onAtStart);
    auto guard = std::make_unique<DragSettingGuard>(desktop);
    int otherSetCalls = 0;
    for (QChar step : steps) {
        switch (step.toLatin1()) {
        case 's': guard->start(); break;
        case 't': guard->stop(); break;
        case 'd': guard.reset(); break;
        case '+': desktop.setDragFullWindows(true); ++otherSetCalls; break;
        case '-': desktop.setDragFullWindows(false); ++otherSetCalls; break;
        default: QFAIL("unknown step");
        }
    }
    QCOMPARE(desktop.dragFullWindows(), finallyOn);
    QCOMPARE(desktop.setCalls() - otherSetCalls, guardSetCalls);
}

void TestDesktopSettings::systemSettingElsewhere()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows this is the user's real desktop setting");
#else
    SystemDesktopSettings desktop;
    QVERIFY(!desktop.dragFullWindows());
    desktop.setDragFullWindows(true);
    QVERIFY(!desktop.dragFullWindows());

    DragSettingGuard guard(desktop);
    guard.start();
    QVERIFY(!guard.wasOn());
    guard.stop();
    QVERIFY(!desktop.dragFullWindows());
#endif
}

QTEST_GUILESS_MAIN(TestDesktopSettings)
#include "tst_desktopsettings.moc"
