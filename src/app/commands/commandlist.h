#pragma once

#include "command.h"

#include <vector>

namespace tavimo::commands {

// Each command file adds its own; commandList() gathers them in order.
std::vector<Command> csvCommands();    // import-csv, export-csv
std::vector<Command> reportCommands(); // report
std::vector<Command> backupCommands(); // backup, restore

std::vector<Command> commandList();

} // namespace tavimo::commands
