#pragma once

#include "values.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class QIODevice;

namespace tavimo {

class TableLayout;

// A table to and from CSV files, through the program's own file and
// relation managers, over a data folder as the program uses it. The
// columns are the table's fields by their names without the prefix, in
// layout order, then its memo; dates, times and numbers as csvvalues.h
// writes them.
namespace csv {

enum class Outcome {
    Done,
    NothingMatched, // an export without a record to write
    BadInput,       // the request or the file; the message names what
    Failed,         // the data folder could not be read or written
};

struct Report
{
    Outcome outcome = Outcome::Done;
    std::int64_t records = 0; // imported, or exported
    QString message;          // one line, when not done
};

struct ImportRequest
{
    const TableLayout *table = nullptr;
    QString person;     // whose log it is; empty: each row names its person
    bool dryRun = false; // every check, nothing written
    // A heading of the file and the field it fills, without its prefix;
    // an empty field leaves the column out.
    std::vector<std::pair<QString, QString>> map;
};

// Imports the rows of a CSV file into the table in one transaction: a
// row that cannot be taken imports nothing, and the message names the row
// (the header being row 1), the column and the value. Each row of a log
// starts as the entry form starts a new record for its person; then
// its values are checked against the field, the entry form's picture
// and the table's own rules, and the record goes in through the managers.
Report importCsv(const QString &dataFolder, const ImportRequest &request, const QByteArray &file);

struct ExportRequest
{
    const TableLayout *table = nullptr;
    QString person; // only the records of this person (for people: this person)
    Date from;      // on the table's first date field; null: no limit
    Date to;
};

// Writes the table's records in the order of its first key; the header
// row only when there is a record to write.
Report exportCsv(const QString &dataFolder, const ExportRequest &request, QIODevice &out);
// The same into a file that only its owner may read, put in place only
// when complete: with no record, nothing is written and an existing file
// stays as it was.
Report exportCsvFile(const QString &dataFolder, const ExportRequest &request, const QString &fileName);

// The field an export's date range applies to: the table's first date
// field, or -1 when it has none.
int rangeField(const TableLayout &table);

} // namespace csv
} // namespace tavimo
