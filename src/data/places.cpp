#include "places.h"

#include <QDir>
#include <QStandardPaths>

namespace tavimo {

QString uploadFolder()
{
    const QString home = qEnvironmentVariable("TAVIMO_HOME");
    const QString base = home.isEmpty() ? QDir::home().filePath(QStringLiteral("Tavimo")) : home;
    return QDir(base).filePath(QStringLiteral("Uploads"));
}

} // namespace tavimo
