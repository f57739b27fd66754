#pragma once

#include "values.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

namespace tavimo {
class FolderLock;
}

namespace tavimo::commands {

// What a command's exit status says.
enum Exit : int {
    Success = 0,
    NothingMatched = 1, // or the command could not do its work; standard error says why
    BadInput = 2,       // the arguments or the input file; standard error names what
};

// What every command is handed: its own arguments (after its name), the
// data folder (--data-dir, $TAVIMO_DATA_DIR or the default) and the two
// streams. A command prints one clear line on standard error for each
// failure, naming what was wrong.
struct Invocation
{
    QStringList arguments;
    QString dataFolder;
    QTextStream &out;
    QTextStream &err;
};

// One command of the tavimo program, as scripts call it:
//     tavimo [--data-dir DIR] NAME ARGUMENTS...
struct Command
{
    QString name;
    QString usage;   // the arguments, as --help and the usage line show them
    QString summary; // one line for --help
    // The command paints (a report): it runs with widgets on a display
    // nobody sees, so that it works with no display at all.
    bool paints = false;
    std::function<int(Invocation &)> run;
};

// Every command, registered once at start; in the order --help lists them.
const std::vector<Command> &all();
const Command *find(const QString &name);

// "tavimo report: which report? (usage: tavimo ... report PROCEDURE ...)" on
// one line of standard error; answers BadInput.
int usage(const Command &command, QTextStream &err, const QString &reason = QString());

// A date as scripts write it, 2026-10-01; false for anything else.
bool readDate(const QString &text, Date &date);

// Holds the data folder shared, as a running Tavimo does, so that no
// restore swaps it away in the middle of the work. False, with the line
// said, while a restore holds it; a folder not there yet holds nothing.
bool shareDataFolder(FolderLock &lock, const Command &command, Invocation &call);

} // namespace tavimo::commands
