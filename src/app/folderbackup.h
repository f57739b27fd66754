#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Copies of a whole data folder, each in a time-stamped folder of its own
// with a note of what it is, and putting one back in the data folder's
// place.
namespace tavimo::folderbackup {

inline constexpr const char *NoteName = "tavimo-backup.txt";

enum class Kind {
    ByHand,        // tavimo backup
    Automatic,     // at the program's exit, at most one a day
    BeforeRestore, // the data a restore replaced
};

struct Outcome
{
    int status = 0;  // 0 done; 1 it failed; 2 the folder given is no backup or no folder
    QString folder;  // the backup made, kept or restored from; empty when none
    QString problem; // what was wrong, in one line
};

// The program's data files that lie in the folder.
QStringList dataFilesIn(const QString &folder);

// A copy of every data file of the data folder, all as they were at one
// moment even while a Tavimo writes to them, into a new owner-only folder
// under parent named after when; then checked as --check-data checks. A
// copy that fails its check stays, and status 1 says why.
Outcome backUp(const QString &dataFolder, const QString &parent, Kind kind,
               const QDateTime &when = QDateTime::currentDateTime());

// The folder holds a backup made by backUp (its note says so).
bool isBackup(const QString &folder);

// Checks the backup, takes the data folder's lock alone (refused while any
// Tavimo holds it), keeps the current data as one more backup, then puts
// the backup's files in place: copied into a folder beside the data
// folder, which then takes its place in one step, so that a crash leaves
// either the old folder or the new one, never half of each. Other files
// of the data folder (the error log) go along; journals never do.
Outcome restore(const QString &backup, const QString &dataFolder);

// The backup the program makes by itself at exit: none when one was made
// today already or there is no data; afterwards only the newest keep
// automatic backups stay. Backups made by hand are never touched.
Outcome backUpAtExit(const QString &dataFolder, const QDateTime &now = QDateTime::currentDateTime(), int keep = 7);

} // namespace tavimo::folderbackup
