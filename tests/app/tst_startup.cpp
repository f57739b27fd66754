// The start-up and shutdown sequence around the main procedure.
#include "checkdata.h"
#include "errormanager.h"
#include "picture.h"
#include "processvalues.h"
#include "scriptedpresenter.h"
#include "settingsstore.h"
#include "startup.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QLocale>
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
    void fatalMessageEndsTheRunWithItsStatus();
    void dataThatCannotBeSavedIsSaidOnce_data();
    void dataThatCannotBeSavedIsSaidOnce();
    void desktopLocale_data();
    void desktopLocale();
    void cleanupTestCase();

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

void TestStartup::fatalMessageEndsTheRunWithItsStatus()
{
    FakeDesktopSettings desktop(true);
    ScriptedPresenter presenter;
    StartupOptions o = options(&desktop);
    o.settingsPath = m_tmp.filePath(QStringLiteral("fatal.ini"));
    o.presenter = &presenter;
    QList<int> statuses;
    QString sponsoritWhenEnded;
    bool dragGivenBack = false;
    o.endProcess = [&](int status) {
        statuses << status;
        QSettings written(o.settingsPath, QSettings::IniFormat);
        sponsoritWhenEnded = written.value(QStringLiteral("Preserved/sponsorit")).toString();
        dragGivenBack = desktop.dragFullWindows();
    };
    Startup startup(o);
    startup.run([&](ThreadContext &context) {
        ProcessValues::instance().settings.sponsorit = QStringLiteral("F");
        ErrorManager::global().setFileName(context, QStringLiteral("Prescripts"));
        ErrorManager::global().raise(context, 26);
        return 0;
    });
    QCOMPARE(statuses, QList<int>{ErrorManager::FatalExitCode});
    QVERIFY(ErrorManager::FatalExitCode != 0);
    QVERIFY(presenter.last().text.endsWith(QLatin1String("  Press OK to end this application")));
    // Before the process ends, the settings are written and the desktop given back.
    QCOMPARE(sponsoritWhenEnded, QStringLiteral("F"));
    QVERIFY(dragGivenBack);
    // The run's own way of ending goes with the run.
    QVERIFY(!ErrorManager::global().fatalHandler());
}

void TestStartup::dataThatCannotBeSavedIsSaidOnce_data()
{
    QTest::addColumn<QString>("readOnly"); // in the data folder; "." for the folder itself
    QTest::newRow("folder") << ".";
    QTest::newRow("file") << "persons.tdb";
    QTest::newRow("neither") << "";
}

// Read-only is read off the permissions as well as tried, so this holds
// for root too.
void TestStartup::dataThatCannotBeSavedIsSaidOnce()
{
    QFETCH(QString, readOnly);
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    {
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        QCOMPARE(checkData(data, o, e), 0);
    }
    QVERIFY(QFile::setPermissions(data, QFileDevice::Permissions(0x7755))); // as an older version left it
    const QString path = readOnly.isEmpty() ? QString() : QDir(data).absoluteFilePath(readOnly);
    if (readOnly == QLatin1String("."))
        QVERIFY(QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    else if (!readOnly.isEmpty())
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));

    FakeDesktopSettings desktop(false);
    ScriptedPresenter presenter;
    StartupOptions o = options(&desktop);
    o.dataFolder = data;
    o.presenter = &presenter;
    QList<MessageBoxRequest> shownAtStart;
    Startup(o).run([&](ThreadContext &) {
        shownAtStart = presenter.shown();
        return 0;
    });
    QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (readOnly.isEmpty()) {
        QCOMPARE(shownAtStart.size(), 0);
        // An older folder is kept to its owner from now on.
        QCOMPARE(QFileInfo(data).permissions() & QFileDevice::Permissions(0x0077), QFileDevice::Permissions());
        return;
    }
    QCOMPARE(shownAtStart.size(), 1);
    QCOMPARE(shownAtStart.at(0).caption, QStringLiteral("Access Denied"));
    QCOMPARE(shownAtStart.at(0).text,
             QStringLiteral("Could not get write access to %1 so trying read-only.").arg(readOnly == QLatin1String(".") ? data : path));
}

void TestStartup::desktopLocale_data()
{
    QTest::addColumn<QLocale>("system");
    QTest::addColumn<QLocale::Language>("language");
    QTest::addColumn<QDate>("typed"); // what "04/07/1985" means
    QTest::newRow("C") << QLocale::c() << QLocale::English << QDate(1985, 4, 7);
    QTest::newRow("POSIX") << QLocale(QStringLiteral("POSIX")) << QLocale::English << QDate(1985, 4, 7);
    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << QLocale::French << QDate(1985, 7, 4);
}

void TestStartup::desktopLocale()
{
    QFETCH(QLocale, system);
    QFETCH(QLocale::Language, language);
    QFETCH(QDate, typed);
    useDesktopLocale(system);
    QCOMPARE(QLocale().language(), language);
    const std::optional<Date> date = Picture::parse(QStringLiteral("d17"))->parseDate(QStringLiteral("04/07/1985"));
    QVERIFY(date);
    QCOMPARE(date->toQDate(), typed);
}

void TestStartup::cleanupTestCase()
{
    QLocale::setDefault(QLocale::system());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
