#include "folderlock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavimo {

FolderLock::FolderLock(const QString &folder)
    : m_folder(QDir(folder).absolutePath())
{
}

FolderLock::~FolderLock()
{
    unlock();
}

QString FolderLock::path() const
{
    return QDir(m_folder).filePath(fileName());
}

bool FolderLock::lock(Mode mode, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!tryLock(mode)) {
        if (m_failure != Failure::Held || deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

#ifdef Q_OS_WIN

bool FolderLock::openFile()
{
    const std::wstring name = QDir::toNativeSeparators(path()).toStdWString();
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m_handle = h;
    return true;
}

void FolderLock::closeFile()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

bool FolderLock::stillNamed() const
{
    return true; // a folder with an open file in it cannot be renamed there
}

bool FolderLock::tryLock(Mode mode)
{
    unlock();
    m_failure = Failure::None;
    m_problem.clear();
    if (!openFile()) {
        m_failure = Failure::Unavailable;
        m_problem = QStringLiteral("the lock file %1 cannot be opened").arg(path());
        return false;
    }
    OVERLAPPED at = {};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!LockFileEx(static_cast<HANDLE>(m_handle), flags, 0, 1, 0, &at)) {
        closeFile();
        m_failure = Failure::Held;
        m_problem = QStringLiteral("the data folder %1 is in use").arg(m_folder);
        return false;
    }
    m_held = true;
    return true;
}

void FolderLock::unlock()
{
    if (m_held) {
        OVERLAPPED at = {};
        UnlockFileEx(static_cast<HANDLE>(m_handle), 0, 1, 0, &at);
    }
    m_held = false;
    closeFile();
}

#else

bool FolderLock::openFile()
{
    const QByteArray name = QFile::encodeName(path());
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A folder its owner made read-only still has its lock file to share.
    if (m_fd < 0)
        m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    return m_fd >= 0;
}

void FolderLock::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool FolderLock::stillNamed() const
{
    struct stat held = {};
    struct stat named = {};
    if (::fstat(m_fd, &held) != 0 || ::stat(QFile::encodeName(path()).constData(), &named) != 0)
        return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool FolderLock::tryLock(Mode mode)
{
    unlock();
    m_failure = Failure::None;
    m_problem.clear();
    // A restore swaps the whole folder while others wait for its lock: the
    // file locked must still be the one in the folder, else the lock holds
    // nothing and is taken again on the file now there.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!openFile()) {
            m_failure = Failure::Unavailable;
            m_problem = QStringLiteral("the lock file %1 cannot be opened: %2")
                            .arg(path(), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        int rc;
        do {
            rc = ::flock(m_fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int error = errno;
            closeFile();
            if (error == EWOULDBLOCK) {
                m_failure = Failure::Held;
                m_problem = QStringLiteral("the data folder %1 is in use").arg(m_folder);
            } else {
                m_failure = Failure::Unavailable;
                m_problem = QStringLiteral("the lock file %1 cannot be locked: %2")
                                .arg(path(), QString::fromLocal8Bit(std::strerror(error)));
            }
            return false;
        }
        if (stillNamed()) {
            m_held = true;
            return true;
        }
        closeFile();
    }
    m_failure = Failure::Held;
    m_problem = QStringLiteral("the data folder %1 keeps being replaced").arg(m_folder);
    return false;
}

void FolderLock::unlock()
{
    // Closing the file lets go of the lock.
    m_held = false;
    closeFile();
}

#endif

} // namespace tavimo
