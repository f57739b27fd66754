#include "backupfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace tavimo::backupfolders {

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner;
const char kStampFormat[] = "yyyy-MM-ddTHH-mm-ss";
} // namespace

QString defaultParent(const QString &dataFolder)
{
    const QFileInfo info(QDir::cleanPath(QDir(dataFolder).absolutePath()));
    return info.dir().filePath(info.fileName() + QLatin1String("-backups"));
}

QString stamp(const QDateTime &when)
{
    return when.toString(QLatin1String(kStampFormat));
}

QDateTime stampOf(const QString &folderName, QString *suffix)
{
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\d)(-\\d+)?(-[a-z]+)?$"));
    const QRegularExpressionMatch m = shape.match(folderName);
    if (!m.hasMatch())
        return QDateTime();
    if (suffix)
        *suffix = m.captured(3);
    return QDateTime::fromString(m.captured(1), QLatin1String(kStampFormat));
}

bool makeOwnerOnlyPath(const QString &path, QString &problem)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    QStringList missing;
    QString at = clean;
    while (!QFileInfo::exists(at)) {
        missing.prepend(at);
        const QString up = QFileInfo(at).dir().absolutePath();
        if (up == at)
            break;
        at = up;
    }
    for (const QString &level : std::as_const(missing)) {
        if (!QDir().mkdir(level) && !QFileInfo(level).isDir()) {
            problem = QStringLiteral("the folder %1 cannot be made").arg(level);
            return false;
        }
        QFile::setPermissions(level, kOwnerOnly);
    }
    if (!QFileInfo(clean).isDir()) {
        problem = QStringLiteral("%1 is not a folder").arg(clean);
        return false;
    }
    return true;
}

namespace {

const QLatin1String kPartial(".partial");

QString make(const QString &parent, const QString &suffix, QString &problem, const QDateTime &when, bool partial)
{
    if (!makeOwnerOnlyPath(parent, problem))
        return QString();
    const QDir dir(parent);
    const QString base = stamp(when);
    for (int n = 1; n < 1000; ++n) {
        const QString name = base + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + suffix;
        const QString hidden = QLatin1Char('.') + name + kPartial;
        if (QFileInfo::exists(dir.filePath(name)) || QFileInfo::exists(dir.filePath(hidden)))
            continue;
        const QString path = dir.filePath(partial ? hidden : name);
        // mkdir fails when another process took the name first.
        if (!QDir().mkdir(path))
            continue;
        if (!QFile::setPermissions(path, kOwnerOnly)) {
            QDir().rmdir(path);
            problem = QStringLiteral("the folder %1 cannot be made private to its owner").arg(path);
            return QString();
        }
        return path;
    }
    problem = QStringLiteral("no new folder can be made in %1").arg(parent);
    return QString();
}

} // namespace

QString makeNew(const QString &parent, const QString &suffix, QString &problem, const QDateTime &when)
{
    return make(parent, suffix, problem, when, false);
}

QString makePartial(const QString &parent, const QString &suffix, QString &problem, const QDateTime &when)
{
    return make(parent, suffix, problem, when, true);
}

QString completedPath(const QString &partial)
{
    const QFileInfo info(partial);
    const QString name = info.fileName();
    if (!name.startsWith(QLatin1Char('.')) || !name.endsWith(kPartial))
        return QString();
    return info.dir().filePath(name.mid(1, name.size() - 1 - kPartial.size()));
}

QString complete(const QString &partial, QString &problem)
{
    const QString path = completedPath(partial);
    if (path.isEmpty()) {
        problem = QStringLiteral("%1 is no partial backup folder").arg(partial);
        return QString();
    }
    if (QFileInfo::exists(path) || !QDir().rename(partial, path)) {
        problem = QStringLiteral("%1 cannot be renamed %2").arg(partial, path);
        return QString();
    }
    return path;
}

} // namespace tavimo::backupfolders
