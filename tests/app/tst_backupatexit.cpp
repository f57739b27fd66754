// The backup the program makes by itself at a normal exit: at most one a
// day, the last seven kept, those made by hand never touched; and the data
// folder's lock that the program holds while it runs.
#include "backupfolders.h"
#include "checkdata.h"
#include "desktopsettings.h"
#include "folderbackup.h"
#include "folderlock.h"
#include "scriptedpresenter.h"
#include "startup.h"
#include "threadcontext.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

QStringList backupsOf(const QString &data)
{
    QStringList names = QDir(backupfolders::defaultParent(data)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QStringList automatic(const QStringList &names)
{
    QStringList out;
    for (const QString &n : names)
        if (n.endsWith(QLatin1String(backupfolders::Automatic)))
            out << n;
    return out;
}

QString makeData(const QString &dir)
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    return checkData(dir, o, e) == 0 ? QString() : err;
}

} // namespace

class TestBackupAtExit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onceADayTheLastSevenKept();
    void nothingWithoutData();
    void programHoldsTheLockAndBacksUpWhenItEnds();

private:
    QTemporaryDir m_tmp;
};

void TestBackupAtExit::initTestCase()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_tmp.filePath(QStringLiteral("config")));
}

void TestBackupAtExit::onceADayTheLastSevenKept()
{
    const QString data = m_tmp.filePath(QStringLiteral("week/data"));
    const QString made = makeData(data);
    QVERIFY2(made.isEmpty(), qPrintable(made));
    const QDateTime first(QDate(2026, 3, 1), QTime(9, 15));
    const QString parent = backupfolders::defaultParent(data);

    // The user's own, which thinning never touches: one by hand, one a
    // restore kept, and a folder named like ours that is no backup.
    const folderbackup::Outcome byHand = folderbackup::backUp(data, parent, folderbackup::Kind::ByHand, first.addDays(-30));
    QCOMPARE(byHand.status, 0);
    const folderbackup::Outcome replaced =
        folderbackup::backUp(data, parent, folderbackup::Kind::BeforeRestore, first.addDays(-20));
    QCOMPARE(replaced.status, 0);
    const QString lookalike = QDir(parent).filePath(QStringLiteral("2026-01-01T00-00-00-auto"));
    QVERIFY(QDir().mkpath(lookalike));

    QStringList expected;
    for (int day = 0; day < 10; ++day) {
        const QDateTime morning = first.addDays(day);
        const folderbackup::Outcome o = folderbackup::backUpAtExit(data, morning);
        QVERIFY2(o.status == 0, qPrintable(o.problem));
        QCOMPARE(QFileInfo(o.folder).fileName(), backupfolders::stamp(morning) + QLatin1String(backupfolders::Automatic));
        QVERIFY(folderbackup::isBackup(o.folder));
        expected << QFileInfo(o.folder).fileName();
        // Later the same day: none more.
        const folderbackup::Outcome again = folderbackup::backUpAtExit(data, morning.addSecs(8 * 3600));
        QCOMPARE(again.status, 0);
        QVERIFY(again.folder.isEmpty());
    }
    expected = expected.mid(3);
    const QStringList all = backupsOf(data);
    QCOMPARE(automatic(all), QStringList{QFileInfo(lookalike).fileName()} + expected);
    QVERIFY(all.contains(QFileInfo(byHand.folder).fileName()));
    QVERIFY(all.contains(QFileInfo(replaced.folder).fileName()));
    QCOMPARE(all.size(), 7 + 3);
}

void TestBackupAtExit::nothingWithoutData()
{
    const QString data = m_tmp.filePath(QStringLiteral("none/data"));
    QVERIFY(folderbackup::backUpAtExit(data).folder.isEmpty());
    QVERIFY(QDir().mkpath(data));
    const folderbackup::Outcome o = folderbackup::backUpAtExit(data);
    QCOMPARE(o.status, 0);
    QVERIFY(o.folder.isEmpty());
    QVERIFY(!QFileInfo::exists(backupfolders::defaultParent(data)));
}

void TestBackupAtExit::programHoldsTheLockAndBacksUpWhenItEnds()
{
    const QString data = m_tmp.filePath(QStringLiteral("program/data"));
    FakeDesktopSettings desktop(false);
    ScriptedPresenter presenter;
    StartupOptions o;
    o.dataFolder = data;
    o.settingsBackend = SettingsStore::Backend::IniFile;
    o.settingsPath = m_tmp.filePath(QStringLiteral("settings.ini"));
    o.desktop = &desktop;
    o.presenter = &presenter;

    for (int run = 1; run <= 2; ++run) {
        bool restoreRefused = false;
        QStringList backupsWhileRunning;
        Startup(o).run([&](ThreadContext &context) {
            FolderLock restore(data);
            restoreRefused = !restore.tryLock(FolderLock::Mode::Exclusive)
                && restore.failure() == FolderLock::Failure::Held;
            backupsWhileRunning = backupsOf(data);
            // Something to keep: the program's tables are made as they are used.
            context.table(QStringLiteral("Doctors"))->create();
            return 0;
        });
        QVERIFY(restoreRefused);
        QVERIFY(backupsWhileRunning.isEmpty() || run == 2);
        const QStringList after = automatic(backupsOf(data));
        QCOMPARE(after.size(), 1); // the second run of the day makes none
        QVERIFY(folderbackup::isBackup(QDir(backupfolders::defaultParent(data)).filePath(after.first())));
        // Let go when the program ends.
        FolderLock restore(data);
        QVERIFY(restore.tryLock(FolderLock::Mode::Exclusive));
    }
    QCOMPARE(presenter.count(), 0);

    o.backupAtExit = false;
    o.dataFolder = m_tmp.filePath(QStringLiteral("unsaved/data"));
    Startup(o).run([&](ThreadContext &context) {
        context.table(QStringLiteral("Doctors"))->create();
        return 0;
    });
    QVERIFY(backupsOf(o.dataFolder).isEmpty());
}

QTEST_GUILESS_MAIN(TestBackupAtExit)
#include "tst_backupatexit.moc"
