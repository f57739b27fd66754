// The start-up and shutdown sequence around the main procedure.
#include "processvalues.h"
#include "settingsstore.h"
#include "startup.h"
#include "tables.h"
#include "threadcontext.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstRunReadsBlanksAndWritesAllBack();
    void laterRunReadsWhatWasKept();
    void noneBackendKeepsNothing();
    void dragSettingRestoredOnlyWhenItWasOn();

private:
    StartupOptions options(DesktopSettings *desktop);
    QTemporaryDir m_tmp;
};

void TestStartup::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_tmp.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_tmp.filePath(QStringLiteral("config")));
}

StartupOptions TestStartup::options(DesktopSettings *desktop)
{
    StartupOptions o;
    o.dataFolder = m_tmp.filePath(QStringLiteral("data"));
    o.settingsBackend = SettingsStore::Backend::IniFile;
    o.settingsPath = m_tmp.filePath(QStringLiteral("settings.ini"));
    o.desktop = desktop;
    return o;
}

void TestStartup::firstRunReadsBlanksAndWritesAllBack()
{
    FakeDesktopSettings desktop(false);
    Startup startup(options(&desktop));
    bool ran = false;
    const int result = startup.run([&](ThreadContext &context) {
        ran = true;
        const PreservedSettings &s = ProcessValues::instance().settings;
        [&] {
            QCOMPARE(context.number() >= 1, true);
            QCOMPARE(s.hpath, QString());
            QCOMPARE(s.sponsorit, QString());
            QCOMPARE(s.uploadAccount, QString());
            QCOMPARE(s.uploadName, QString());
            QVERIFY(ProcessValues::instance().currentPerson.name.isEmpty());
        }();
        // What the frame's opening steps would set.
        ProcessValues::instance().settings.sponsorit = QStringLiteral("Y");
        ProcessValues::instance().settings.hpath = QStringLiteral("/home/ann");
        ProcessValues::instance().settings.uploadAccount = QStringLiteral("acct");
        return 7;
    });
    QVERIFY(ran);
    QCOMPARE(result, 7);

    QSettings written(m_tmp.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    written.beginGroup(QStringLiteral("Preserved"));
    QCOMPARE(written.value(QStringLiteral("sponsorit")).toString(), QStringLiteral("Y"));
    QCOMPARE(written.value(QStringLiteral("HPATH")).toString(), QStringLiteral("/home/ann"));
    QCOMPARE(written.value(QStringLiteral("uploadaccount")).toString(), QStringLiteral("acct"));
    QVERIFY(!written.contains(QStringLiteral("uploadname"))); // a blank value is not stored at all
}

void TestStartup::laterRunReadsWhatWasKept()
{
    FakeDesktopSettings desktop(false);
    Startup startup(options(&desktop));
    QString sponsorit;
    QString account;
    startup.run([&](ThreadContext &) {
        sponsorit = ProcessValues::instance().settings.sponsorit;
        account = ProcessValues::instance().settings.uploadAccount;
        ProcessValues::instance().settings.uploadAccount.clear(); // cleared: its key goes
        return 0;
    });
    QCOMPARE(sponsorit, QStringLiteral("Y"));
    QCOMPARE(account, QStringLiteral("acct"));
    QSettings written(m_tmp.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QVERIFY(!written.contains(QStringLiteral("Preserved/uploadaccount")));
    QVERIFY(written.contains(QStringLiteral("Preserved/sponsorit")));
}

void TestStartup::noneBackendKeepsNothing()
{
    FakeDesktopSettings desktop(false);
    StartupOptions o = options(&desktop);
    o.settingsBackend = SettingsStore::Backend::None;
    Startup startup(o);
    QString sponsorit = QStringLiteral("unread");
    startup.run([&](ThreadContext &) {
        sponsorit = ProcessValues::instance().settings.sponsorit;
        ProcessValues::instance().settings.sponsorit = QStringLiteral("Y");
        return 0;
    });
    QCOMPARE(sponsorit, QString());
    Startup again(o);
    again.run([&](ThreadContext &) {
        sponsorit = ProcessValues::instance().settings.sponsorit;
        return 0;
    });
    QCOMPARE(sponsorit, QString());
}

void TestStartup::dragSettingRestoredOnlyWhenItWasOn()
{
    for (const bool on : {true, false}) {
        FakeDesktopSettings desktop(on);
        Startup startup(options(&desktop));
        bool duringRun = true;
        startup.run([&](ThreadContext &) {
            duringRun = desktop.dragFullWindows();
            return 0;
        });
        QCOMPARE(duringRun, false);
        QCOMPARE(desktop.dragFullWindows(), on);
        QCOMPARE(desktop.setCalls(), on ? 2 : 0);
    }
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
