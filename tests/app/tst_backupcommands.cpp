// tavimo backup and tavimo restore as scripts run them: the copies they
// make while another process writes, the folders they refuse, the exit
// status and the one line on standard error.
#include "backupfolders.h"
#include "checkdata.h"
#include "folderbackup.h"
#include "folderlock.h"
#include "ownerkey.h"
#include "programrun.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

namespace {

using Run = tavimo::testing::ProgramRun;

constexpr int kBatch = 10;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// A writer in another process, as a running Tavimo: it holds the folder's
// lock and commits batches to two files in one transaction, the batch's
// number in both.
class Writer
{
public:
    explicit Writer(const QString &data)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            run(data, ready[1]);
            _exit(3);
        }
        ::close(ready[1]);
        char c = 0;
        m_ready = ::read(ready[0], &c, 1) == 1 && c == 'y';
        ::close(ready[0]);
    }
    ~Writer() { stop(); }
    bool ready() const { return m_ready; }
    bool stop() // true when it was still writing
    {
        if (m_pid <= 0)
            return false;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return WIFSIGNALED(status);
    }

private:
    static void run(const QString &data, int ready)
    {
        FolderLock lock(data);
        StorageSession session(data);
        StoredTable bp(session, tables::bloodpre());
        StoredTable glucose(session, tables::glucose());
        bp.setOwnerPassword(tables::ownerPassword());
        glucose.setOwnerPassword(tables::ownerPassword());
        const bool opened = lock.tryLock(FolderLock::Mode::Shared) && bp.open() == 0 && glucose.open() == 0;
        const char answer = opened ? 'y' : 'n';
        (void)!::write(ready, &answer, 1);
        ::close(ready);
        if (!opened)
            return;
        for (int batch = 1;; ++batch) {
            if (session.logout(10, {&bp, &glucose}) != 0)
                continue;
            bool good = true;
            for (int i = 0; good && i < kBatch; ++i) {
                bp.record().clear();
                bp.record().setText("PERSONNAME", QString::number(batch));
                bp.record().setReal("SYSTOLIC", 120 + i);
                glucose.record().clear();
                glucose.record().setText("PERSONNAME", QString::number(batch));
                glucose.record().setInteger("READING", 90 + i);
                good = bp.add() == 0 && glucose.add() == 0;
            }
            if (good)
                session.commit();
            else
                session.rollback();
        }
    }

    pid_t m_pid = 0;
    bool m_ready = false;
};

QHash<QString, int> batchesIn(const QString &data, const TableLayout &layout)
{
    StorageSession session(data);
    StoredTable t(session, layout);
    t.setOwnerPassword(tables::ownerPassword());
    QHash<QString, int> counts;
    if (t.open(0x40) != 0 || t.set() != 0)
        return {{QStringLiteral("unreadable"), -1}};
    while (t.next() == 0)
        ++counts[t.record().text("PERSONNAME")];
    return counts;
}

QByteArray folderDigest(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    for (const QString &name : names) {
        QFile f(QDir(folder).filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        hash.addData(name.toUtf8());
        hash.addData(f.readAll());
    }
    return hash.result();
}

} // namespace

class TestBackupCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void backupWhileWritingRestoresToCheckedData();
    void restoreRefusedWhileTheFolderIsInUse();
    void nothingToBackUp_data();
    void nothingToBackUp();
    void restoreRefusesWhatIsNoGoodBackup_data();
    void restoreRefusesWhatIsNoGoodBackup();
    void backupThatFailsItsCheckStays();
    void badArguments_data();
    void badArguments();

private:
    Run tavimo(const QStringList &arguments);
    void makeData();

    QTemporaryDir m_tmp;
    QString m_data;
    int m_case = 0;
};

void TestBackupCommands::initTestCase()
{
    rawCipherKey(tables::ownerPassword()); // derived once, before any fork
}

void TestBackupCommands::init()
{
    // Each case has its own data folder, and so its own backups beside it.
    m_data = m_tmp.filePath(QStringLiteral("case%1/data").arg(++m_case));
}

Run TestBackupCommands::tavimo(const QStringList &arguments)
{
    return tavimo::testing::runProgram(QStringLiteral(TAVIMO_EXECUTABLE), m_data, m_tmp.path(), arguments);
}

void TestBackupCommands::makeData()
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    QVERIFY2(checkData(m_data, o, e) == 0, qPrintable(err));
}

void TestBackupCommands::backupWhileWritingRestoresToCheckedData()
{
    makeData();
    Writer writer(m_data);
    QVERIFY(writer.ready());
    QStringList made;
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(150);
        const Run run = tavimo({QStringLiteral("backup")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        const QString folder = run.out.trimmed();
        QVERIFY2(QFileInfo(folder).isDir(), qPrintable(run.out));
        QCOMPARE(QFileInfo(folder).absolutePath(), backupfolders::defaultParent(m_data));
        QVERIFY(backupfolders::stampOf(QFileInfo(folder).fileName()).isValid());
        made << folder;
    }
    QVERIFY2(writer.stop(), "the writer stopped by itself");

    // Owner-only: the backups folder, each backup and each file in it.
    QCOMPARE(QFileInfo(backupfolders::defaultParent(m_data)).permissions() & kOthers, QFileDevice::Permissions());
    for (const QString &folder : std::as_const(made)) {
        QCOMPARE(QFileInfo(folder).permissions() & kOthers, QFileDevice::Permissions());
        for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files))
            QVERIFY2(!(f.permissions() & kOthers), qPrintable(f.fileName()));
    }

    const QString last = made.last();
    const QHash<QString, int> bp = batchesIn(last, tables::bloodpre());
    QVERIFY(!bp.isEmpty());
    QCOMPARE(batchesIn(last, tables::glucose()), bp); // no commit half in the copy
    for (auto it = bp.cbegin(); it != bp.cend(); ++it)
        QCOMPARE(it.value(), kBatch);

    const QByteArray replacedDigest = folderDigest(m_data);
    const QByteArray backupDigest = folderDigest(last);
    const Run restored = tavimo({QStringLiteral("restore"), last});
    QVERIFY2(restored.status == 0, qPrintable(restored.err));
    QVERIFY2(restored.out.startsWith(QStringLiteral("Restored %1 into %2\n").arg(last, m_data)), qPrintable(restored.out));
    const Run check = tavimo({QStringLiteral("--check-data")});
    QVERIFY2(check.status == 0, qPrintable(check.err));
    QCOMPARE(batchesIn(m_data, tables::bloodpre()), bp);
    QCOMPARE(batchesIn(m_data, tables::glucose()), bp);
    QCOMPARE(QFileInfo(m_data).permissions() & kOthers, QFileDevice::Permissions());

    // What was replaced is one more backup, with every record the writer left.
    const QString kept = restored.out.section(QStringLiteral("kept in "), 1).trimmed();
    QVERIFY2(folderbackup::isBackup(kept), qPrintable(restored.out));
    QVERIFY(kept.endsWith(QLatin1String(backupfolders::BeforeRestore)));
    QVERIFY(batchesIn(kept, tables::bloodpre()).size() >= bp.size());
    QVERIFY(replacedDigest != folderDigest(m_data));
    QCOMPARE(folderDigest(last), backupDigest); // checked and copied, never changed
    // Nothing is left of the folder the backup was put together in.
    const QStringList beside = QFileInfo(m_data).dir().entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(beside, (QStringList{QStringLiteral("data"), QStringLiteral("data-backups")}));
}

void TestBackupCommands::restoreRefusedWhileTheFolderIsInUse()
{
    makeData();
    const Run backup = tavimo({QStringLiteral("backup")});
    QCOMPARE(backup.status, 0);
    const QByteArray before = folderDigest(m_data);
    const QStringList backupsBefore = QDir(backupfolders::defaultParent(m_data)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);

    FolderLock running(m_data); // this process stands for a running Tavimo
    QVERIFY(running.tryLock(FolderLock::Mode::Shared));
    const Run refused = tavimo({QStringLiteral("restore"), backup.out.trimmed()});
    QCOMPARE(refused.status, 1);
    QCOMPARE(refused.err, QStringLiteral("tavimo restore: the data folder %1 is in use by a running Tavimo: close it "
                                         "and try again\n").arg(m_data));
    QVERIFY(refused.out.isEmpty());
    QCOMPARE(folderDigest(m_data), before);
    QCOMPARE(QDir(backupfolders::defaultParent(m_data)).entryList(QDir::Dirs | QDir::NoDotAndDotDot), backupsBefore);

    // A backup may be taken meanwhile: it shares the lock.
    QCOMPARE(tavimo({QStringLiteral("backup")}).status, 0);
    running.unlock();
    QCOMPARE(tavimo({QStringLiteral("restore"), backup.out.trimmed()}).status, 0);
}

void TestBackupCommands::nothingToBackUp_data()
{
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QString>("said");
    QTest::newRow("missing data folder") << false << "does not exist: there is nothing to back up";
    QTest::newRow("empty data folder") << true << "holds no data files: there is nothing to back up";
}

void TestBackupCommands::nothingToBackUp()
{
    QFETCH(bool, folderExists);
    QFETCH(QString, said);
    if (folderExists)
        QVERIFY(QDir().mkpath(m_data));
    const Run run = tavimo({QStringLiteral("backup")});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QStringLiteral("tavimo backup: the data folder %1 %2\n").arg(m_data, said));
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFileInfo::exists(backupfolders::defaultParent(m_data)));
    QCOMPARE(QFileInfo::exists(m_data), folderExists); // a missing one is not made
}

void TestBackupCommands::restoreRefusesWhatIsNoGoodBackup_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // %1 the folder given
    QTest::newRow("a folder that is no backup") << "plain folder" << 2
                                                << "%1 is not a Tavimo backup: it has no tavimo-backup.txt";
    QTest::newRow("a file") << "file" << 2 << "%1 is not a folder";
    QTest::newRow("nothing at all") << "missing" << 2 << "%1 is not a folder";
    QTest::newRow("the data folder itself") << "data folder" << 2 << "%1 lies in the data folder %1, which it would replace";
    QTest::newRow("a backup with a damaged file") << "damaged backup" << 1 << "the backup %1 fails the data check: "
                                                                              "Tavimo cannot use the table Glucose in %1/Glucose.tdb";
}

void TestBackupCommands::restoreRefusesWhatIsNoGoodBackup()
{
    QFETCH(QString, what);
    QFETCH(int, status);
    QFETCH(QString, said);
    makeData();
    QString given = m_tmp.filePath(QStringLiteral("case%1/given").arg(m_case));
    if (what == QLatin1String("plain folder")) {
        QVERIFY(QDir().mkpath(given));
        for (const QString &file : folderbackup::dataFilesIn(m_data))
            QVERIFY(QFile::copy(file, QDir(given).filePath(QFileInfo(file).fileName())));
    } else if (what == QLatin1String("file")) {
        QFile f(given);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (what == QLatin1String("data folder")) {
        given = m_data;
        QFile note(QDir(m_data).filePath(QLatin1String(folderbackup::NoteName)));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write("Tavimo backup\n");
    } else if (what == QLatin1String("damaged backup")) {
        const Run backup = tavimo({QStringLiteral("backup")});
        QCOMPARE(backup.status, 0);
        given = backup.out.trimmed();
        QFile glucose(QDir(given).filePath(QStringLiteral("Glucose.tdb")));
        QVERIFY(glucose.open(QIODevice::WriteOnly | QIODevice::Truncate));
        glucose.write(QByteArray(4096, 'x'));
    }
    const QByteArray before = folderDigest(m_data);
    const Run run = tavimo({QStringLiteral("restore"), given});
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.startsWith(QStringLiteral("tavimo restore: ") + said.arg(given)), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(folderDigest(m_data), before);
    const QStringList backups = QDir(backupfolders::defaultParent(m_data)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(std::none_of(backups.begin(), backups.end(), [](const QString &name) {
        return name.endsWith(QLatin1String(backupfolders::BeforeRestore));
    }));
}

// A copy whose check fails is kept as made, named, and said to fail.
void TestBackupCommands::backupThatFailsItsCheckStays()
{
    makeData();
    {
        // A key that no longer matches its record's fields: the file reads, the check fails.
        StorageSession session(m_data);
        StoredTable doctors(session, tables::doctors());
        QCOMPARE(doctors.open(), 0);
        doctors.record().clear();
        doctors.record().setText(0, QStringLiteral("Dr Who"));
        QCOMPARE(doctors.add(), 0);
    }
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(QDir(m_data).filePath(QStringLiteral("support.tdb"))).constData(), &db),
             SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "UPDATE doctors SET k1 = x'00'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    const QString into = m_tmp.filePath(QStringLiteral("case%1/elsewhere/deeper").arg(m_case));
    const Run run = tavimo({QStringLiteral("backup"), into});
    QCOMPARE(run.status, 1);
    const QString folder = run.out.trimmed();
    QCOMPARE(QFileInfo(folder).absolutePath(), into);
    QVERIFY(folderbackup::isBackup(folder));
    QCOMPARE(run.err, QStringLiteral("tavimo backup: the copy in %1 fails the data check: The table Doctors in "
                                     "%1/support.tdb is damaged: key DOC:ByName of record 1 does not match its fields\n")
                          .arg(folder));
    // Levels made for it are owner-only too.
    QCOMPARE(QFileInfo(into).permissions() & kOthers, QFileDevice::Permissions());
    QCOMPARE(QFileInfo(QFileInfo(into).absolutePath()).permissions() & kOthers, QFileDevice::Permissions());
    QVERIFY(!QFileInfo::exists(backupfolders::defaultParent(m_data)));
}

void TestBackupCommands::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("backup, two folders") << QStringList{"backup", "a", "b"} << "tavimo backup: one folder at most";
    QTest::newRow("backup, an unknown option") << QStringList{"backup", "--now"} << "tavimo backup: unknown option --now";
    QTest::newRow("restore, no folder") << QStringList{"restore"} << "tavimo restore: which backup?";
    QTest::newRow("restore, two folders") << QStringList{"restore", "a", "b"} << "tavimo restore: one backup only";
    QTest::newRow("restore, an unknown option") << QStringList{"restore", "--force", "a"}
                                                << "tavimo restore: unknown option --force";
}

void TestBackupCommands::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    makeData();
    const QByteArray before = folderDigest(m_data);
    const Run run = tavimo(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.startsWith(said), qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral("usage: tavimo [--data-dir DIR] ") + arguments.first()));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(folderDigest(m_data), before);
    QVERIFY(!QFileInfo::exists(backupfolders::defaultParent(m_data)));
}

QTEST_GUILESS_MAIN(TestBackupCommands)
#include "tst_backupcommands.moc"
