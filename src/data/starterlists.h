#pragma once

#include <QString>
#include <QStringList>

namespace tavimo {

class FileManager;
class TableLayout;

// Common drug forms and laboratory test names, so that a new household
// finds its lists filled in. A list is added once, when its table is first
// opened empty; the table's file remembers that, so a list the user has
// emptied stays empty, in a copied or restored data folder too.
namespace starterlists {

QStringList drugForms();
QStringList labTestNames();

// The list for this table, empty when it has none.
QStringList of(const TableLayout &layout);

// What the table's file is marked with once its list is settled.
QString markName();

// Adds the table's list unless the table was marked or has records, all of
// it in one transaction; a table with records is only marked. A failure
// adds none and says why. ResultOk when nothing had to be done or all was.
int addOnce(FileManager &file);

} // namespace starterlists

} // namespace tavimo
