#include "command.h"

#include "commandlist.h"
#include "folderlock.h"

#include <QDate>
#include <QFileInfo>

namespace tavimo::commands {

const std::vector<Command> &all()
{
    static const std::vector<Command> commands = commandList();
    return commands;
}

const Command *find(const QString &name)
{
    for (const Command &c : all())
        if (c.name == name)
            return &c;
    return nullptr;
}

int usage(const Command &command, QTextStream &err, const QString &reason)
{
    // One line: a script's log keeps it whole.
    if (!reason.isEmpty())
        err << "tavimo " << command.name << ": " << reason << " (usage: tavimo [--data-dir DIR] " << command.name
            << ' ' << command.usage << ")\n";
    else
        err << "usage: tavimo [--data-dir DIR] " << command.name << ' ' << command.usage << '\n';
    err.flush();
    return BadInput;
}

bool readDate(const QString &text, Date &date)
{
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid() || text.size() != 10)
        return false;
    date = Date::fromQDate(d);
    return !date.isNull();
}

bool shareDataFolder(FolderLock &lock, const Command &command, Invocation &call)
{
    if (!QFileInfo(call.dataFolder).isDir() || lock.tryLock(FolderLock::Mode::Shared)
        || lock.failure() != FolderLock::Failure::Held)
        return true;
    call.err << "tavimo " << command.name << ": a backup is being restored into " << call.dataFolder
             << ": try again when that is done\n";
    return false;
}

} // namespace tavimo::commands
