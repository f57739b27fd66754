#include "datafolder.h"

#include "threadcontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace tavimo {

namespace {

constexpr QFileDevice::Permissions kOwner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// Takes group and other permissions away; the owner's stay as they are.
bool keepToOwner(const QFileInfo &info)
{
    const QFileDevice::Permissions now = info.permissions();
    if (!(now & kOthers))
        return true;
    return QFile::setPermissions(info.absoluteFilePath(), now & kOwner);
}

bool ownerMayWrite(const QFileInfo &info)
{
    return info.permissions().testFlag(QFileDevice::WriteOwner) && info.isWritable();
}

} // namespace

QString resolveDataFolder(const QString &fromCommandLine)
{
    if (!fromCommandLine.isEmpty())
        return QDir(fromCommandLine).absolutePath();
    const QString fromEnvironment = qEnvironmentVariable("TAVIMO_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return QDir(fromEnvironment).absolutePath();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Tavimo"));
}

QString makeDataFolderPrivate(const QString &folder, const QStringList &dataFiles)
{
    const QFileInfo info(folder);
    if (!info.exists()) {
        if (!QDir().mkpath(folder))
            return QStringLiteral("The data folder %1 cannot be created.").arg(folder);
        if (!QFile::setPermissions(folder, kOwner))
            return QStringLiteral("The data folder %1 cannot be made private to its owner.").arg(folder);
        return QString();
    }
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder.").arg(folder);
    if (!keepToOwner(info))
        return QStringLiteral("The data folder %1 cannot be made private to its owner.").arg(folder);
    for (const QString &path : dataFiles) {
        for (const QString &file : {path, path + QLatin1String("-journal")}) {
            const QFileInfo fileInfo(file);
            if (fileInfo.exists() && !keepToOwner(fileInfo))
                return QStringLiteral("The data file %1 cannot be made private to its owner.").arg(file);
        }
    }
    return QString();
}

QString readOnlyDataPath(const QString &folder, const QStringList &dataFiles)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !ownerMayWrite(info))
        return folder;
    {
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-probe-XXXXXX")));
        if (!probe.open())
            return folder;
    }
    for (const QString &path : dataFiles) {
        const QFileInfo file(path);
        if (!file.exists())
            continue;
        QFile probe(path);
        // Opened only: nothing is written, and a file that vanished meanwhile is not made again.
        if (!ownerMayWrite(file) || !probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return path;
    }
    return QString();
}

namespace {

QStringList filesOf(ThreadContext &context, bool withShipped)
{
    QStringList paths;
    for (const auto &table : context.tables()) {
        if (!withShipped && !table->layout().createWhenMissing())
            continue;
        if (!paths.contains(table->path()))
            paths << table->path();
    }
    return paths;
}

} // namespace

QStringList tableFiles(ThreadContext &context)
{
    return filesOf(context, true);
}

QStringList writtenDataFiles(ThreadContext &context)
{
    // The sample file that ships with the program is only ever read.
    return filesOf(context, false);
}

} // namespace tavimo
