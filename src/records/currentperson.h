#pragma once

#include "processvalues.h"
#include "values.h"

#include <QString>

namespace tavimo {

class Record;

// What the profile windows work out from a person record, and how they
// hand the person to the rest of the program (the process-wide current
// person that log forms, list filters and reports read).
namespace person {

// Trailing blanks off, leading ones kept.
QString clipped(const QString &text);

// The clipped first name, one blank, and the clipped last name.
QString fullName(const QString &firstName, const QString &lastName);

// The age on `today` for a birthdate: whole years from two years on; for a
// younger child the years as a fraction of whole months. 0 without a
// birthdate or for one in the future.
double ageOn(Date birthdate, Date today);

// Inches from a height as stored: feet digit, apostrophe, two inch digits,
// double quote. 0 when the height does not read that way.
int heightInches(const QString &height);

// Body mass index from pounds and a stored height; 0 when either is missing.
double bmi(int weightPounds, const QString &height);

// Copies the person into the current person, as the form does on opening.
void makeCurrent(const Record &person);
// What makeCurrent makes of the person over the values current before:
// an age, BMI, weight or height the record lacks leaves the earlier one.
CurrentPersonValues copied(const Record &person, CurrentPersonValues before);
// The person as the profile form makes them current when it opens on them
// with nobody current before: the age worked out again for today.
CurrentPersonValues openedOn(const Record &person, Date today);
// The list's selection: only the name changes.
void selectName(const QString &personsName);
void clearCurrent();

} // namespace person
} // namespace tavimo
