#include "commandlist.h"

#include "backupfolders.h"
#include "folderbackup.h"
#include "folderlock.h"

#include <QDir>
#include <QFileInfo>

namespace tavimo::commands {

namespace {

int runBackup(const Command &self, Invocation &call)
{
    QStringList places;
    for (const QString &a : std::as_const(call.arguments)) {
        if (a.startsWith(QLatin1Char('-')))
            return usage(self, call.err, QStringLiteral("unknown option %1").arg(a));
        places << a;
    }
    if (places.size() > 1)
        return usage(self, call.err, QStringLiteral("one folder at most"));
    const QString parent = places.isEmpty() ? backupfolders::defaultParent(call.dataFolder)
                                            : QDir(places.first()).absolutePath();
    FolderLock lock(call.dataFolder);
    if (!shareDataFolder(lock, self, call))
        return NothingMatched;
    const folderbackup::Outcome made = folderbackup::backUp(call.dataFolder, parent, folderbackup::Kind::ByHand);
    if (!made.folder.isEmpty())
        call.out << made.folder << '\n';
    if (made.status != Success)
        call.err << "tavimo backup: " << made.problem << '\n';
    return made.status;
}

int runRestore(const Command &self, Invocation &call)
{
    QStringList places;
    for (const QString &a : std::as_const(call.arguments)) {
        if (a.startsWith(QLatin1Char('-')))
            return usage(self, call.err, QStringLiteral("unknown option %1").arg(a));
        places << a;
    }
    if (places.size() != 1)
        return usage(self, call.err, places.isEmpty() ? QStringLiteral("which backup?") : QStringLiteral("one backup only"));
    const folderbackup::Outcome done = folderbackup::restore(places.first(), call.dataFolder);
    if (done.status != Success) {
        call.err << "tavimo restore: " << done.problem << '\n';
        return done.status;
    }
    call.out << "Restored " << QDir(places.first()).absolutePath() << " into " << QDir(call.dataFolder).absolutePath()
             << '\n';
    if (!done.folder.isEmpty())
        call.out << "The data it replaced is kept in " << done.folder << '\n';
    return Success;
}

} // namespace

std::vector<Command> backupCommands()
{
    std::vector<Command> list;
    list.push_back(Command{
        QStringLiteral("backup"), QStringLiteral("[DIR]"),
        QStringLiteral("Copies every data file, whole even while Tavimo runs, into a new time-stamped folder "
                       "under DIR (default: <data folder>-backups beside the data folder), only its owner may "
                       "read; checks the copy as --check-data does and prints the folder made."),
        false, nullptr});
    list.push_back(Command{
        QStringLiteral("restore"), QStringLiteral("DIR"),
        QStringLiteral("Checks the backup in DIR, keeps the current data as one more backup, then puts the "
                       "backup in the data folder's place; refused while a Tavimo runs on the data folder."),
        false, nullptr});
    // Each command is handed itself, for its usage line.
    for (Command &c : list) {
        const Command self{c.name, c.usage, c.summary, c.paints, nullptr};
        const auto body = c.name == QLatin1String("backup") ? runBackup : runRestore;
        c.run = [self, body](Invocation &call) { return body(self, call); };
    }
    return list;
}

} // namespace tavimo::commands
