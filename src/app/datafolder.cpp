#include "datafolder.h"

#include <QDir>
#include <QStandardPaths>

namespace tavimo {

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

} // namespace tavimo
