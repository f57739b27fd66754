// Copies of data files made through the engine: keyed like the original,
// owner-only, and whole even while another process commits to the files.
#include "driverstatus.h"
#include "onlinebackup.h"
#include "ownerkey.h"
#include "record.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

namespace {

const char *const kPassword = "QRV LTD";

const TableLayout &readings()
{
    static const TableLayout layout = TableLayout::Builder("Readings", "RDG", "readings", Protection::Encrypted)
                                          .text("PERSON", 20)
                                          .text("CODE", 12)
                                          .uniqueKey("RDG:ByCode", {"CODE"})
                                          .key("RDG:ByPerson", {"PERSON"})
                                          .build();
    return layout;
}

const TableLayout &parts()
{
    static const TableLayout layout = TableLayout::Builder("Parts", "PRT", "parts")
                                          .text("SECTION", 20)
                                          .key("PRT:BySection", {"SECTION"})
                                          .build();
    return layout;
}

QByteArray keyFor(const TableLayout &layout)
{
    return layout.hasPassword() ? rawCipherKey(QString::fromLatin1(kPassword)) : QByteArray();
}

// Opens a copy lying in another folder under the original's name.
struct Copy
{
    StorageSession session;
    StoredTable table;
    Copy(const QString &dir, const TableLayout &layout, const QString &password = QString::fromLatin1(kPassword))
        : session(dir), table(session, layout)
    {
        table.setOwnerPassword(password);
    }
};

int rawOpenWith(const QString &path, const QByteArray &key)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (!key.isEmpty())
        sqlite3_key(db, key.constData(), int(key.size()));
    const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

void fill(const QString &dir, const TableLayout &layout, int count)
{
    Copy o(dir, layout);
    QCOMPARE(o.table.create(), int(DriverCode::Ok));
    QCOMPARE(o.table.open(), int(DriverCode::Ok));
    for (int i = 0; i < count; ++i) {
        Record &r = o.table.record();
        r.clear();
        r.setText(0, QStringLiteral("row %1").arg(i));
        if (layout.fieldCount() > 1)
            r.setText(1, QString::number(i));
        QCOMPARE(o.table.add(), int(DriverCode::Ok));
    }
}

constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

} // namespace

class TestOnlineBackup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void copyIsKeyedLikeTheOriginal_data();
    void copyIsKeyedLikeTheOriginal();
    void refusals();
    void copiesStayWholeWhileAnotherProcessCommits();
};

void TestOnlineBackup::initTestCase()
{
    rawCipherKey(QString::fromLatin1(kPassword)); // derived once, before any fork
}

void TestOnlineBackup::copyIsKeyedLikeTheOriginal_data()
{
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("encrypted") << true;
    QTest::newRow("plain") << false;
}

void TestOnlineBackup::copyIsKeyedLikeTheOriginal()
{
    QFETCH(bool, encrypted);
    const TableLayout &layout = encrypted ? readings() : parts();
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    const QString copies = tmp.filePath(QStringLiteral("copies"));
    QVERIFY(QDir().mkpath(copies));
    fill(data, layout, 500);
    const QString name = layout.fileName() + StorageSession::defaultExtension();
    const QString source = QDir(data).filePath(name);
    const QString target = QDir(copies).filePath(name);

    // Another connection holds the file open the while, as a running Tavimo would.
    Copy running(data, layout);
    QCOMPARE(running.table.open(), int(DriverCode::Ok));
    const DriverStatus st = copyDataFile(source, target, keyFor(layout));
    QVERIFY2(st.ok(), qPrintable(st.fileError));

    QCOMPARE(QFileInfo(target).permissions() & kOthers, QFileDevice::Permissions());
    Copy copy(copies, layout);
    QCOMPARE(copy.table.open(0x40), int(DriverCode::Ok));
    QCOMPARE(copy.table.records(), qint64(500));
    QString problem;
    QVERIFY2(copy.table.checkFileIntegrity(problem), qPrintable(problem));
    QVERIFY2(copy.table.verifyKeys(problem), qPrintable(problem));
    QVERIFY2(checkDataFile(target, keyFor(layout), problem), qPrintable(problem));
    if (encrypted) {
        QCOMPARE(rawOpenWith(target, QByteArray()), SQLITE_NOTADB);
        QCOMPARE(rawOpenWith(target, rawCipherKey(QStringLiteral("another password"))), SQLITE_NOTADB);
        QVERIFY(!checkDataFile(target, QByteArray(), problem));
        // No record's text lies in the file in the clear.
        QFile raw(target);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.readAll().contains("row 17"));
    } else {
        QCOMPARE(rawOpenWith(target, QByteArray()), SQLITE_OK);
    }
}

void TestOnlineBackup::refusals()
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    fill(data, parts(), 3);
    const QString source = QDir(data).filePath(QStringLiteral("parts.tdb"));
    const QString taken = tmp.filePath(QStringLiteral("taken.tdb"));
    {
        QFile f(taken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("mine");
    }
    // A destination that exists is never written over.
    DriverStatus st = copyDataFile(source, taken, QByteArray());
    QVERIFY(!st.ok());
    QVERIFY2(st.fileError.startsWith(taken), qPrintable(st.fileError));
    QFile f(taken);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("mine"));

    // A missing source names itself.
    const QString missing = tmp.filePath(QStringLiteral("missing.tdb"));
    st = copyDataFile(missing, tmp.filePath(QStringLiteral("out.tdb")), QByteArray());
    QVERIFY(!st.ok());
    QVERIFY2(st.fileError.startsWith(missing), qPrintable(st.fileError));
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("out.tdb"))));
}

// A child commits batches to two files in one transaction, the same batch
// number in both; every set of copies taken meanwhile holds whole batches,
// the same in both files.
void TestOnlineBackup::copiesStayWholeWhileAnotherProcessCommits()
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    {
        StorageSession session(data);
        StoredTable r(session, readings());
        StoredTable p(session, parts());
        r.setOwnerPassword(QString::fromLatin1(kPassword));
        QCOMPARE(r.create(), int(DriverCode::Ok));
        QCOMPARE(p.create(), int(DriverCode::Ok));
    }
    constexpr int kBatch = 25;
    const pid_t child = fork();
    if (child == 0) {
        StorageSession session(data);
        StoredTable r(session, readings());
        StoredTable p(session, parts());
        r.setOwnerPassword(QString::fromLatin1(kPassword));
        if (r.open() != 0 || p.open() != 0)
            _exit(3);
        for (int batch = 0;; ++batch) {
            if (session.logout(10, {&r, &p}) != 0)
                continue;
            bool good = true;
            for (int i = 0; good && i < kBatch; ++i) {
                r.record().clear();
                r.record().setText("PERSON", QString::number(batch));
                r.record().setText("CODE", QStringLiteral("%1/%2").arg(batch).arg(i));
                p.record().clear();
                p.record().setText("SECTION", QString::number(batch));
                good = r.add() == 0 && p.add() == 0;
            }
            if (!good)
                session.rollback();
            else
                session.commit(); // a refused commit is rolled back: the batch is simply not there
            ::usleep(1000);
        }
    }

    // Ended whichever way the test leaves, so that no writer outlives it.
    struct Writer
    {
        pid_t pid;
        int status = 0;
        bool signalled()
        {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                pid = 0;
            }
            return WIFSIGNALED(status);
        }
        ~Writer() { signalled(); }
    } writer{child};

    int nonEmpty = 0;
    for (int round = 0; round < 10; ++round) {
        QTest::qSleep(40);
        const QString copies = tmp.filePath(QStringLiteral("copy%1").arg(round));
        QVERIFY(QDir().mkpath(copies));
        const DriverStatus st = copyDataFiles(
            {DataFileCopy{QDir(data).filePath(QStringLiteral("readings.tdb")),
                          QDir(copies).filePath(QStringLiteral("readings.tdb")), keyFor(readings())},
             DataFileCopy{QDir(data).filePath(QStringLiteral("parts.tdb")),
                          QDir(copies).filePath(QStringLiteral("parts.tdb")), QByteArray()}});
        QVERIFY2(st.ok(), qPrintable(st.fileError));
        Copy r(copies, readings());
        Copy p(copies, parts());
        QCOMPARE(r.table.open(0x40), int(DriverCode::Ok));
        QCOMPARE(p.table.open(0x40), int(DriverCode::Ok));
        QHash<QString, int> inReadings;
        QHash<QString, int> inParts;
        QCOMPARE(r.table.set(), int(DriverCode::Ok));
        while (r.table.next() == DriverCode::Ok)
            ++inReadings[r.table.record().text("PERSON")];
        QCOMPARE(p.table.set(), int(DriverCode::Ok));
        while (p.table.next() == DriverCode::Ok)
            ++inParts[p.table.record().text("SECTION")];
        QCOMPARE(inReadings, inParts);
        for (auto it = inReadings.cbegin(); it != inReadings.cend(); ++it)
            QCOMPARE(it.value(), kBatch);
        QString problem;
        QVERIFY2(r.table.checkFileIntegrity(problem), qPrintable(problem));
        QVERIFY2(p.table.checkFileIntegrity(problem), qPrintable(problem));
        if (!inReadings.isEmpty())
            ++nonEmpty;
    }
    QVERIFY2(writer.signalled(), "the writer stopped by itself");
    QVERIFY(nonEmpty > 5); // the copies saw the writer at work
}

QTEST_GUILESS_MAIN(TestOnlineBackup)
#include "tst_onlinebackup.moc"
