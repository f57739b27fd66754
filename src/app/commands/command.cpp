#include "command.h"

#include "commandlist.h"

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

} // namespace tavimo::commands
