#pragma once

#include "driverstatus.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tavimo {

// One data file to copy: where it is, where its copy goes, and its cipher
// key (empty for a plain file). The copy is keyed like the original.
struct DataFileCopy
{
    QString source;
    QString destination;
    QByteArray rawKey;
};

// Copies data files through the engine while other connections, in this
// process or others, go on using them: every copy holds the files as they
// were at one moment, so a commit over several of them is in all the
// copies or in none. Writers wait while the pages are copied; the copy
// waits up to waitMs for a writer's commit to end before it starts.
// Each destination must not exist; it is made owner-only (0600).
DriverStatus copyDataFiles(const std::vector<DataFileCopy> &files, int waitMs = 30000);
DriverStatus copyDataFile(const QString &source, const QString &destination, const QByteArray &rawKey,
                          int waitMs = 30000);

// The engine's own consistency check of a whole file, read-only. False
// with what is wrong in problem.
bool checkDataFile(const QString &path, const QByteArray &rawKey, QString &problem);

} // namespace tavimo
