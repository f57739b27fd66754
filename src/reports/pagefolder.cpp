#include "pagefolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace tavimo {

namespace {

constexpr int kAttempts = 16;

// The process id in a folder name "tavimo-pages-<pid>-<random>", or 0.
qint64 pidOf(const QString &name)
{
    if (!name.startsWith(PageFolder::prefix()))
        return 0;
    const QString rest = name.mid(PageFolder::prefix().size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0 || dash > 10 || dash == rest.size() - 1)
        return 0;
    for (QChar c : rest.left(dash))
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const qint64 pid = rest.left(dash).toLongLong();
    return pid > 0 ? pid : 0;
}

bool makePrivateFolder(const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The umask can only have taken bits away; make it exactly the owner's.
    if (::chmod(native.constData(), 0700) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::rmdir(native.constData());
        return false;
    }
    return true;
#else
    if (!QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        *error = QStringLiteral("cannot create the folder");
        return false;
    }
    return true;
#endif
}

} // namespace

PageFolder::PageFolder(const QString &base)
{
    const QString parent = base.isEmpty() ? defaultBase() : base;
    const qint64 pid = QCoreApplication::applicationPid();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString name = prefix() + QString::number(pid) + QLatin1Char('-')
            + QString::number(QRandomGenerator::system()->generate64(), 16);
        const QString path = QDir(parent).filePath(name);
        if (QFileInfo::exists(path))
            continue;
        if (makePrivateFolder(path, &m_error)) {
            m_path = path;
            m_error.clear();
            return;
        }
        if (QFileInfo::exists(path))
            continue; // taken meanwhile
        break;
    }
    m_error = QStringLiteral("Cannot create a folder for the report's pages under %1: %2").arg(parent, m_error);
}

PageFolder::~PageFolder()
{
    if (!m_path.isEmpty() && !QDir(m_path).removeRecursively())
        qWarning().noquote() << "The report pages folder" << m_path << "could not be removed";
}

QString PageFolder::pageFile(int number) const
{
    return QDir(m_path).filePath(QStringLiteral("page%1.wmf").arg(number, 5, 10, QLatin1Char('0')));
}

QString PageFolder::defaultBase()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

bool PageFolder::processRuns(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    if (::kill(pid_t(pid), 0) == 0)
        return true;
    return errno != ESRCH; // EPERM: it runs, as someone else
#else
    Q_UNUSED(pid);
    return true; // cannot tell: keep it
#endif
}

int PageFolder::removeLeftovers(const QString &base)
{
    const QDir parent(base.isEmpty() ? defaultBase() : base);
    int removed = 0;
    const QStringList names =
        parent.entryList({prefix() + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden);
    for (const QString &name : names) {
        const qint64 pid = pidOf(name);
        if (pid == 0 || processRuns(pid))
            continue;
        const QString path = parent.filePath(name);
#ifdef Q_OS_UNIX
        // Only our own: a shared temporary folder holds other users' too.
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::getuid())
            continue;
#endif
        if (QDir(path).removeRecursively())
            ++removed;
        else
            qWarning().noquote() << "The report pages folder" << path << "of an ended run could not be removed";
    }
    return removed;
}

} // namespace tavimo
