// Crash harness, not part of the test suite: runs in which a writer
// committing to two data files in one transaction, or a backup of the
// folder taken while that writer works, is killed (SIGKILL) at a random
// moment. After each run every file must pass the data check, and no
// commit may be half applied: each commit writes one blood pressure
// reading and one glucose reading with the same sequence text, so the two
// tables must hold the same set of texts. Each backup that was completed
// must pass the check and hold the same sets too.
//
//     crash_backup [RUNS]    (1000 by default)
#include "backupfolders.h"
#include "checkdata.h"
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "folderbackup.h"
#include "ownerkey.h"
#include "relationmanager.h"
#include "scriptedpresenter.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"
#include "transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavimo;

namespace {

// A child that tells its parent once it is under way, then works until killed.
pid_t spawn(const std::function<void(int ready)> &work)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        work(pipeFds[1]);
        _exit(9); // work never ends by itself
    }
    ::close(pipeFds[1]);
    char c = 0;
    const bool ready = ::read(pipeFds[0], &c, 1) == 1 && c == 'y';
    ::close(pipeFds[0]);
    if (!ready) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

void say(int fd, bool ok)
{
    const char c = ok ? 'y' : 'n';
    (void)!::write(fd, &c, 1);
    ::close(fd);
}

// Through the file and relation managers, as the program writes: each
// commit one reading in each of two files, the same sequence text in both.
void writeForEver(const QString &data, int run, int ready)
{
    ScriptedPresenter presenter;
    ErrorManager errors;
    errors.setPresenter(&presenter);
    errors.setFatalHandler([] { _exit(7); });
    ContextConfig config = programContextConfig(data);
    config.errors = &errors;
    ThreadContext context(config);
    FileManager *bp = context.fileManager(tables::bloodpre());
    FileManager *glucose = context.fileManager(tables::glucose());
    RelationManager *bpRelations = context.relationManager(tables::bloodpre());
    RelationManager *glucoseRelations = context.relationManager(tables::glucose());
    const bool opened = bpRelations->open() == ResultOk && glucoseRelations->open() == ResultOk
        && bp->use(FileManager::UseWrite) == ResultOk && glucose->use(FileManager::UseWrite) == ResultOk;
    say(ready, opened);
    if (!opened)
        _exit(8);
    for (int i = 1;; ++i) {
        const QString sequence = QStringLiteral("r%1-%2").arg(run).arg(i);
        Transaction transaction(context.storage());
        if (transaction.begin(10, {&bp->table(), &glucose->table()}) != 0)
            continue; // the backup holds the files: try again
        bp->newRecord();
        bp->record().setText("PERSONNAME", QStringLiteral("Crash Test"));
        bp->record().setDate("DATE", Date::today());
        bp->record().setReal("SYSTOLIC", 120);
        bp->record().setText("COMMENT", sequence);
        glucose->newRecord();
        glucose->record().setText("PERSONNAME", QStringLiteral("Crash Test"));
        glucose->record().setDate("DATE", Date::today());
        glucose->record().setInteger("READING", 95);
        glucose->record().setText("COMMENT", sequence);
        if (bp->insert() != ResultOk || glucose->insert() != ResultOk)
            _exit(6);
        transaction.commit(); // a refused commit is rolled back whole
    }
}

void backUpForEver(const QString &data, const QString &parent, int ready)
{
    say(ready, true);
    for (;;)
        folderbackup::backUp(data, parent, folderbackup::Kind::ByHand);
}

QSet<QString> sequences(const QString &folder, const TableLayout &layout, bool &readable)
{
    StorageSession session(folder);
    StoredTable t(session, layout);
    t.setOwnerPassword(tables::ownerPassword());
    QSet<QString> out;
    readable = t.open(0x40) == 0 && t.set() == 0;
    if (!readable)
        return out;
    const int comment = layout.fieldIndex(QStringLiteral("COMMENT"));
    while (t.next() == 0)
        out.insert(t.record().text(comment));
    return out;
}

// The check, and both tables holding the same commits; empty when all is well.
QString problemsOf(const QString &folder, CheckMode mode)
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    if (checkFolder(folder, mode, o, e) != 0)
        return QStringLiteral("%1 fails the data check: %2").arg(folder, err.section(QLatin1Char('\n'), 0, 0));
    bool bpReadable = false;
    bool glucoseReadable = false;
    const QSet<QString> bp = sequences(folder, tables::bloodpre(), bpReadable);
    const QSet<QString> glucose = sequences(folder, tables::glucose(), glucoseReadable);
    if (!bpReadable || !glucoseReadable)
        return QStringLiteral("%1: the readings cannot be read").arg(folder);
    if (bp != glucose) {
        QSet<QString> onlyOne = bp;
        onlyOne.subtract(glucose);
        QSet<QString> onlyOther = glucose;
        onlyOther.subtract(bp);
        return QStringLiteral("%1: a commit half applied (%2 only in Bloodpre, %3 only in Glucose)")
            .arg(folder)
            .arg(onlyOne.size())
            .arg(onlyOther.size());
    }
    return QString();
}

// A journal lies beside a file while a transaction has changed it; the
// super-journal while a commit over several files is being made. Both may
// also be left from earlier kills, harmless to the engine, so only those
// made or changed since the given moment count.
bool journalSince(const QString &folder, const char *pattern, const QDateTime &since)
{
    const QFileInfoList found = QDir(folder).entryInfoList({QString::fromLatin1(pattern)}, QDir::Files);
    return std::any_of(found.begin(), found.end(),
                       [&](const QFileInfo &f) { return f.fileTime(QFileDevice::FileModificationTime) >= since; });
}

bool stop(pid_t pid)
{
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    const QString backups = tmp.filePath(QStringLiteral("backups"));
    rawCipherKey(tables::ownerPassword()); // derived once, before the forks
    {
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        if (checkData(data, o, e) != 0) {
            std::fprintf(stderr, "the data folder cannot be made: %s\n", qPrintable(err));
            return 1;
        }
    }

    auto *random = QRandomGenerator::global();
    int writerKills = 0, insideTransaction = 0, insideCommit = 0, backupKills = 0, unfinished = 0;
    int backupsChecked = 0, failures = 0;
    QStringList failed;
    for (int run = 1; run <= runs; ++run) {
        const bool backupRun = run % 2 == 0;
        const QDateTime started = QDateTime::currentDateTime();
        const pid_t writer = spawn([&](int ready) { writeForEver(data, run, ready); });
        if (writer < 0) {
            ++failures;
            failed << QStringLiteral("run %1: the writer did not start").arg(run);
            continue;
        }
        pid_t backup = -1;
        if (backupRun)
            backup = spawn([&](int ready) { backUpForEver(data, backups, ready); });
        // A backup of the whole folder, check included, takes about a second.
        QThread::msleep(random->bounded(5, backupRun ? 1500 : 400));
        if (backupRun) {
            const bool partial = !QDir(backups).entryList({QStringLiteral(".*.partial")},
                                                         QDir::Dirs | QDir::Hidden).isEmpty();
            if (backup > 0 && stop(backup)) {
                ++backupKills;
                unfinished += partial ? 1 : 0;
            } else {
                ++failures;
                failed << QStringLiteral("run %1: the backup stopped by itself").arg(run);
            }
            QThread::msleep(random->bounded(0, 20));
        }
        const bool inTransaction = journalSince(data, "*-journal", started);
        const bool committing = journalSince(data, "*-mj*", started);
        if (stop(writer)) {
            if (!backupRun) {
                ++writerKills;
                insideTransaction += inTransaction ? 1 : 0;
                insideCommit += committing ? 1 : 0;
            }
        } else {
            ++failures;
            failed << QStringLiteral("run %1: the writer stopped by itself").arg(run);
        }

        QString problem = problemsOf(data, CheckMode::Repair);
        // Each completed backup holds whole commits; the cut-short ones are
        // hidden and go.
        const QDir dir(backups);
        for (const QString &name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QString path = dir.filePath(name);
            if (problem.isEmpty() && folderbackup::isBackup(path)) {
                problem = problemsOf(path, CheckMode::AsItIs);
                ++backupsChecked;
            }
            QDir(path).removeRecursively();
        }
        if (!problem.isEmpty()) {
            ++failures;
            failed << QStringLiteral("run %1: %2").arg(run).arg(problem);
        }
        if (run % 50 == 0)
            std::fprintf(stderr, "%d runs, %d failures\n", run, failures);
    }

    bool readable = false;
    const qsizetype commits = sequences(data, tables::bloodpre(), readable).size();
    std::printf("runs: %d\n", runs);
    std::printf("writer killed alone: %d (inside a transaction: %d, inside the commit itself: %d)\n", writerKills,
                insideTransaction, insideCommit);
    std::printf("backups killed, the writer at work: %d (before the backup was complete: %d)\n", backupKills,
                unfinished);
    std::printf("completed backups checked: %d\n", backupsChecked);
    std::printf("commits in the data at the end: %lld\n", qlonglong(commits));
    std::printf("failures: %d\n", failures);
    for (const QString &f : std::as_const(failed).mid(0, 20))
        std::printf("  %s\n", qPrintable(f));
    return failures ? 1 : 0;
}
