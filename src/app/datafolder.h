#pragma once

#include <QString>
#include <QStringList>

namespace tavimo {

class ThreadContext;

// Where the data files live: the --data-dir option, else $TAVIMO_DATA_DIR,
// else the user's data folder (~/.local/share/Tavimo on Linux).
QString resolveDataFolder(const QString &fromCommandLine);

// Makes the data folder private to its owner, as the driver makes a new
// one: a missing folder is created (0700), and an existing one and the
// given data files (with their journals) lose what group and others may
// do (0700, files 0600). Other files in the folder are not the program's
// and are left alone. The owner's own permissions stay, so a folder or file
// that its owner made read-only is left so. Returns what could not be
// done, or an empty text.
QString makeDataFolderPrivate(const QString &folder, const QStringList &dataFiles);

// The folder, or the first of the given data files that exists, in which
// nothing can be saved; empty when everything can be written. A folder or
// file counts as read-only when its owner's write permission is off, even
// for a user whom the system lets write anyway (root): its owner marked
// it so. Otherwise it is tried: a file is made and removed in the folder,
// each data file is opened for writing.
QString readOnlyDataPath(const QString &folder, const QStringList &dataFiles);

// The data files of the context's tables: every one, or those that the
// program writes to (not the sample file that ships with it).
QStringList tableFiles(ThreadContext &context);
QStringList writtenDataFiles(ThreadContext &context);

} // namespace tavimo
