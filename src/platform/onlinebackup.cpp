#include "onlinebackup.h"

#include "sqlconnection.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <sqlite3.h>

#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavimo {

namespace {

DriverStatus failure(int code, const QString &path, const QString &what, const QString &engineCode = QString())
{
    DriverStatus s = DriverStatus::make(code);
    s.fileError = QStringLiteral("%1: %2").arg(path, what);
    s.fileErrorCode = engineCode;
    return s;
}

DriverStatus withPath(DriverStatus s, const QString &path)
{
    s.fileError = s.fileError.isEmpty() ? QStringLiteral("%1: %2").arg(path, s.text)
                                        : QStringLiteral("%1: %2").arg(path, s.fileError);
    if (s.code != DriverCode::FileSystemError && s.code != DriverCode::EngineError) {
        s.fileErrorCode = QString::number(s.code);
        s.code = DriverCode::FileSystemError;
        s.text = driverCodeText(s.code);
    }
    return s;
}

// Made here, owner-only from its first moment, so that no copy of health
// data is ever readable by others; the engine's journals take its mode.
bool createOwnerOnly(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
#else
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

// A lock another connection holds for a moment, as against a failure.
bool isBusy(const DriverStatus &s)
{
    return s.code == DriverCode::RecordHeld;
}

struct Source
{
    std::unique_ptr<SqlConnection> connection;
    bool reading = false;
};

// Ends every read that holds a file, so that writers go on.
void endReads(std::vector<Source> &sources)
{
    for (Source &s : sources) {
        if (s.reading) {
            DriverStatus ignored;
            s.connection->exec("ROLLBACK", ignored);
            s.reading = false;
        }
    }
}

} // namespace

DriverStatus copyDataFiles(const std::vector<DataFileCopy> &files, int waitMs)
{
    std::vector<Source> sources(files.size());

    // One read over every file at once: while it lasts no commit can land
    // in any of them. A writer in the middle of its commit is let finish
    // first; the read is let go and tried again rather than made to wait
    // for a lock that the writer in turn waits for.
    QDeadlineTimer deadline(waitMs);
    auto *random = QRandomGenerator::global();
    for (;;) {
        DriverStatus st;
        std::size_t failed = sources.size();
        for (std::size_t i = 0; failed == sources.size() && i < sources.size(); ++i) {
            if (!sources[i].connection) {
                // Read-write when it can be, so that a journal left by a writer
                // that died is rolled back first; a file its owner made
                // read-only is read as it is.
                sources[i].connection = SqlConnection::open(files[i].source, files[i].rawKey, false, st);
                if (!sources[i].connection && st.code != DriverCode::NoFile && !isBusy(st))
                    sources[i].connection = SqlConnection::open(files[i].source, files[i].rawKey, true, st);
                if (!sources[i].connection) {
                    failed = i;
                    break;
                }
            }
            SqlConnection &c = *sources[i].connection;
            // Holding nothing yet, the first may wait for a commit to end.
            c.setBusyTimeout(i == 0 ? 1000 : 50);
            if (!c.exec("BEGIN", st)) {
                failed = i;
                break;
            }
            sources[i].reading = true;
            if (!c.exec("SELECT count(*) FROM sqlite_master", st))
                failed = i;
        }
        if (failed == sources.size())
            break;
        endReads(sources);
        if (!isBusy(st))
            return withPath(st, files[failed].source);
        if (deadline.hasExpired())
            return failure(DriverCode::RecordHeld, files.front().source,
                           QStringLiteral("the files stayed busy for %1 seconds").arg(waitMs / 1000));
        QThread::msleep(random->bounded(5, 60));
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        const DataFileCopy &f = files[i];
        if (!createOwnerOnly(f.destination)) {
            endReads(sources);
            return failure(DriverCode::AccessDenied, f.destination, QStringLiteral("cannot be created"));
        }
        DriverStatus st;
        std::unique_ptr<SqlConnection> target = SqlConnection::open(f.destination, f.rawKey, false, st);
        if (!target) {
            endReads(sources);
            return withPath(st, f.destination);
        }
        sqlite3_backup *copy = sqlite3_backup_init(target->handle(), "main", sources[i].connection->handle(), "main");
        if (!copy) {
            const DriverStatus s = target->engineFailure();
            endReads(sources);
            return withPath(s, f.destination);
        }
        // All pages in one step: the read already held keeps them as they are.
        const int rc = sqlite3_backup_step(copy, -1);
        sqlite3_backup_finish(copy);
        if (rc != SQLITE_DONE) {
            const DriverStatus s = failure(DriverCode::FileSystemError, f.destination,
                                           QString::fromUtf8(sqlite3_errmsg(target->handle())), QString::number(rc));
            endReads(sources);
            return s;
        }
    }
    endReads(sources);
    return DriverStatus::make(DriverCode::Ok);
}

DriverStatus copyDataFile(const QString &source, const QString &destination, const QByteArray &rawKey, int waitMs)
{
    return copyDataFiles({DataFileCopy{source, destination, rawKey}}, waitMs);
}

bool checkDataFile(const QString &path, const QByteArray &rawKey, QString &problem)
{
    DriverStatus st;
    std::unique_ptr<SqlConnection> c = SqlConnection::open(path, rawKey, true, st);
    if (!c) {
        problem = st.fileError.isEmpty() ? st.text : st.fileError;
        return false;
    }
    c->exec("PRAGMA cache_size=-" + QByteArray::number(SqlConnection::CheckCacheKilobytes), st);
    sqlite3_stmt *stmt = c->statement("PRAGMA integrity_check(20)", st);
    if (!stmt) {
        problem = st.fileError;
        return false;
    }
    StatementUse use(stmt);
    QStringList lines;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    if (rc != SQLITE_DONE) {
        problem = c->statusFor(rc).fileError;
        return false;
    }
    if (lines == QStringList{QStringLiteral("ok")})
        return true;
    problem = lines.join(QStringLiteral("; "));
    return false;
}

} // namespace tavimo
