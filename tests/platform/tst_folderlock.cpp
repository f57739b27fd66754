// The data folder's lock: shared by every running Tavimo, taken alone by
// a restore, and let go by the system when its holder dies.
#include "folderlock.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

using Mode = FolderLock::Mode;

class TestFolderLock : public QObject
{
    Q_OBJECT

private slots:
    void modesMeet_data();
    void modesMeet();
    void aDeadHolderHoldsNothing();
    void lockFileIsOwnerOnly();
    void waitingEndsWhenTheHolderLetsGo();
};

void TestFolderLock::modesMeet_data()
{
    QTest::addColumn<bool>("firstExclusive");
    QTest::addColumn<bool>("secondExclusive");
    QTest::addColumn<bool>("secondTaken");
    QTest::newRow("two running programs") << false << false << true;
    QTest::newRow("restore while a program runs") << false << true << false;
    QTest::newRow("program starting during a restore") << true << false << false;
    QTest::newRow("two restores") << true << true << false;
}

void TestFolderLock::modesMeet()
{
    QFETCH(bool, firstExclusive);
    QFETCH(bool, secondExclusive);
    QFETCH(bool, secondTaken);
    QTemporaryDir tmp;
    // Two holders in one process stand for two processes: each has its own lock.
    FolderLock first(tmp.path());
    FolderLock second(tmp.path());
    QVERIFY2(first.tryLock(firstExclusive ? Mode::Exclusive : Mode::Shared), qPrintable(first.problem()));
    QCOMPARE(second.tryLock(secondExclusive ? Mode::Exclusive : Mode::Shared), secondTaken);
    QCOMPARE(second.isHeld(), secondTaken);
    if (!secondTaken) {
        QCOMPARE(second.failure(), FolderLock::Failure::Held);
        QVERIFY2(second.problem().contains(tmp.path()), qPrintable(second.problem()));
        // Let go, the folder is free for the second.
        first.unlock();
        QVERIFY(second.tryLock(secondExclusive ? Mode::Exclusive : Mode::Shared));
    }
}

void TestFolderLock::aDeadHolderHoldsNothing()
{
    QTemporaryDir tmp;
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        FolderLock held(tmp.path());
        const char answer = held.tryLock(Mode::Shared) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        for (;;)
            ::pause();
    }
    struct Reaper
    {
        pid_t pid;
        void reap()
        {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
            pid = 0;
        }
        ~Reaper() { reap(); }
    } holder{child};
    char answer = 0;
    QCOMPARE(::read(ready[0], &answer, 1), ssize_t(1));
    ::close(ready[0]);
    ::close(ready[1]);
    QCOMPARE(answer, 'y');
    FolderLock restore(tmp.path());
    QVERIFY(!restore.tryLock(Mode::Exclusive));
    holder.reap();
    QVERIFY(restore.tryLock(Mode::Exclusive));
}

void TestFolderLock::lockFileIsOwnerOnly()
{
    QTemporaryDir tmp;
    FolderLock lock(tmp.path());
    QVERIFY(lock.tryLock(Mode::Shared));
    const QFileInfo file(QDir(tmp.path()).filePath(FolderLock::fileName()));
    QVERIFY(file.exists());
    QCOMPARE(file.permissions() & QFileDevice::Permissions(0x0077), QFileDevice::Permissions());
    // The file stays for the next holder; only the lock goes.
    lock.unlock();
    QVERIFY(file.exists());
}

void TestFolderLock::waitingEndsWhenTheHolderLetsGo()
{
    QTemporaryDir tmp;
    const pid_t child = fork();
    if (child == 0) {
        FolderLock held(tmp.path());
        held.tryLock(Mode::Exclusive);
        ::usleep(300 * 1000);
        _exit(0);
    }
    QTest::qWait(100);
    FolderLock waiting(tmp.path());
    QVERIFY(!waiting.tryLock(Mode::Shared));
    QVERIFY(waiting.lock(Mode::Shared, 10000));
    int status = 0;
    waitpid(child, &status, 0);
    // A wait that runs out says the folder is held.
    FolderLock restore(tmp.path());
    QVERIFY(!restore.lock(Mode::Exclusive, 200));
    QCOMPARE(restore.failure(), FolderLock::Failure::Held);
}

QTEST_GUILESS_MAIN(TestFolderLock)
#include "tst_folderlock.moc"
