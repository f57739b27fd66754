#include "commandlist.h"

namespace tavimo::commands {

std::vector<Command> reportCommands()
{
    return {};
}

} // namespace tavimo::commands
