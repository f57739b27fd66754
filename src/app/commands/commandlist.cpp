#include "commandlist.h"

namespace tavimo::commands {

std::vector<Command> commandList()
{
    std::vector<Command> list;
    for (auto group : {csvCommands, reportCommands, backupCommands})
        for (Command &c : group())
            list.push_back(std::move(c));
    return list;
}

} // namespace tavimo::commands
