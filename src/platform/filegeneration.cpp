#include "filegeneration.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace tavimo {

std::shared_ptr<std::atomic<std::uint64_t>> fileGeneration(const QString &path)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<std::atomic<std::uint64_t>>> counters;
    const QString canonical = QFileInfo(path).absoluteFilePath();
    QMutexLocker lock(&mutex);
    auto &counter = counters[canonical];
    if (!counter)
        counter = std::make_shared<std::atomic<std::uint64_t>>(1);
    return counter;
}

} // namespace tavimo
