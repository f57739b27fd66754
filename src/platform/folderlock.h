#pragma once

#include <QString>

namespace tavimo {

// A lock on a data folder, held through a lock file in it: every running
// Tavimo holds it shared, and whatever replaces the folder's files (a
// restore) holds it alone. The system drops it when the process ends, even
// when it is killed, so a crash never leaves a folder locked.
class FolderLock
{
public:
    enum class Mode { Shared, Exclusive };
    enum class Failure {
        None,
        Held,       // another holder's lock is in the way
        Unavailable // the lock file cannot be made or opened
    };

    static QString fileName() { return QStringLiteral("tavimo.lock"); }

    explicit FolderLock(const QString &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Without waiting; false when another holder is in the way or the lock
    // file cannot be had (failure() says which, problem() in words).
    bool tryLock(Mode mode);
    // Tries again until timeoutMs have passed.
    bool lock(Mode mode, int timeoutMs);
    void unlock();

    bool isHeld() const { return m_held; }
    Failure failure() const { return m_failure; }
    const QString &problem() const { return m_problem; }
    QString path() const;

private:
    bool openFile();
    void closeFile();
    bool stillNamed() const; // the lock file at the path is the one held

    QString m_folder;
    bool m_held = false;
    Failure m_failure = Failure::None;
    QString m_problem;
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace tavimo
