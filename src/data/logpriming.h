#pragma once

#include <QString>

namespace tavimo {

class Record;
class TableLayout;
struct CurrentPersonValues;

// How a new record of a person's log starts out: the person's name, and a
// copy of the person's details as they are today (sex, age, BMI, weight,
// height, names, social security number), so that a report shows each
// entry with the details of its day. The entry forms and the CSV import
// both start a record here.
namespace logpriming {

// The field that holds whose record it is ("BLO:PERSONNAME"), or -1 for a
// table that belongs to nobody in particular.
int personField(const TableLayout &table);

// Puts the person into a new record: the name, cut to what the field can
// hold, into nameField (none when it is -1), and the copy of the details
// into whichever of the table's fields for them exist.
void primeFromPerson(Record &record, int nameField, const CurrentPersonValues &person);

} // namespace logpriming
} // namespace tavimo
