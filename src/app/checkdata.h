#pragma once

#include <QString>
#include <QTextStream>

namespace tavimo {

// Opens every table of the data folder as the program would (creating the
// missing ones, but never the sample person file that ships with the
// program), checks each file and its keys and prints one line per table.
// A data folder or file that cannot be written is named as such. Returns 0
// when every table can be used and saved to, 1 otherwise.
int checkData(const QString &dataFolder, QTextStream &out, QTextStream &err);

} // namespace tavimo
