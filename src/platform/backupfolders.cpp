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

QString makeNew(const QString &parent, const QString &suffix, QString &problem, const QDateTime &when)
{
    if (!makeOwnerOnlyPath(parent, problem))
        return QString();
    const QDir dir(parent);
    const QString base = stamp(when);
    for (int n = 1; n < 1000; ++n) {
        const QString name = base + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + suffix;
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path))
            continue;
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

} // namespace tavimo::backupfolders
