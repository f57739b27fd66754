#pragma once

#include <QDateTime>
#include <QString>

// Where copies of a data folder go and what they are called. Each backup
// is a folder of its own named after the moment it was made,
// "2026-12-10T14-05-33"; those the program makes by itself carry a
// suffix, so that thinning them out never touches one made by hand.
namespace tavimo::backupfolders {

inline constexpr const char *Automatic = "-auto";     // made at exit, the last seven kept
inline constexpr const char *BeforeUpgrade = "-upgrade"; // a file's copy before its layout was upgraded
inline constexpr const char *BeforeRestore = "-replaced"; // the data a restore replaced

// <parent of the data folder>/<data folder's name>-backups
QString defaultParent(const QString &dataFolder);

// "2026-12-10T14-05-33", local time.
QString stamp(const QDateTime &when);
// The moment a folder name made by newFolderName() stands for; invalid
// for any other name. suffix is set to what follows the stamp (and its
// "-2", "-3" when several were made in one second).
QDateTime stampOf(const QString &folderName, QString *suffix = nullptr);

// Makes parent (each missing level owner-only) and in it a new empty
// owner-only folder named after when with the suffix, "-2", "-3", ...
// before the suffix when the name is taken. Returns its path, or an empty
// text and why in problem.
QString makeNew(const QString &parent, const QString &suffix, QString &problem,
                const QDateTime &when = QDateTime::currentDateTime());

// As makeNew, but the folder is hidden, ".<name>.partial", until complete()
// gives it its name, so that a copy cut short never passes for a backup.
QString makePartial(const QString &parent, const QString &suffix, QString &problem,
                    const QDateTime &when = QDateTime::currentDateTime());
// The path a folder made by makePartial is to have.
QString completedPath(const QString &partial);
// Gives a folder made by makePartial its name; its path once renamed so,
// or empty with why in problem.
QString complete(const QString &partial, QString &problem);

// mkpath, every level it makes owner-only (0700). False with why in problem.
bool makeOwnerOnlyPath(const QString &path, QString &problem);

} // namespace tavimo::backupfolders
