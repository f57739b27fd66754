#include "commandlist.h"

namespace tavimo::commands {

std::vector<Command> csvCommands()
{
    return {};
}

} // namespace tavimo::commands
