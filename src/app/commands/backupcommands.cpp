#include "commandlist.h"

namespace tavimo::commands {

std::vector<Command> backupCommands()
{
    return {};
}

} // namespace tavimo::commands
