#pragma once

#include <QString>
#include <QTextStream>

namespace tavimo {

// How a folder is checked.
enum class CheckMode {
    // The data folder, as the program would open it: missing tables are
    // created (but never the sample person file that ships with the
    // program), keys rebuilt, older layouts upgraded, the folder kept to
    // its owner; a folder or file that cannot be written is named.
    Repair,
    // A backup's copy, read as it lies and left so: nothing is created,
    // rebuilt or upgraded. A missing table or an older layout is no fault,
    // since the program deals with each when it next opens the file.
    AsItIs,
};

// Checks every table of the folder, each file and its keys, and prints one
// line per table. Returns 0 when every table can be used (and, in Repair,
// saved to), 1 otherwise; what is wrong goes to err.
int checkFolder(const QString &folder, CheckMode mode, QTextStream &out, QTextStream &err);

// The --check-data check of the data folder: checkFolder in Repair.
int checkData(const QString &dataFolder, QTextStream &out, QTextStream &err);

} // namespace tavimo
