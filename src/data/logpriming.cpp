#include "logpriming.h"

#include "processvalues.h"
#include "record.h"
#include "tables.h"

#include <utility>

namespace tavimo::logpriming {

int personField(const TableLayout &table)
{
    using Accessor = const TableLayout &(*)();
    static const std::pair<Accessor, const char *> fields[] = {
        {&tables::bloodpre, "PERSONNAME"},      {&tables::glucose, "PERSONNAME"},
        {&tables::prescripts, "PERSONSNAME"},   {&tables::medicineManager, "PERSONSNAME"},
        {&tables::labTests, "PERSONSNAME"},     {&tables::painEvents, "PERSONSNAME"},
        {&tables::symptoms, "PERSONSNAME"},     {&tables::familyHistory, "PERSONSNAME"},
        {&tables::surgeries, "PERSON"},         {&tables::appointments, "PERSONSNAME"},
        {&tables::journal, "PERSON"},           {&tables::planName, "PERSONSNAME"},
        {&tables::expenses, "PERSONSNAME"},     {&tables::wallet, "PERSONNAME"},
        {&tables::otherHistory, "PERSONSNAME"},
    };
    for (const auto &[layout, name] : fields)
        if (&layout() == &table)
            return table.fieldIndex(QString::fromLatin1(name));
    return -1;
}

void primeFromPerson(Record &r, int nameField, const CurrentPersonValues &person)
{
    const TableLayout &layout = r.layout();
    auto field = [&](const char *name) {
        return layout.fieldIndex(layout.prefix() + QLatin1Char(':') + QLatin1String(name));
    };
    if (nameField >= 0 && nameField < layout.fieldCount())
        r.setText(nameField, person.name.left(layout.field(nameField).size));
    if (const int f = field("SEX"); f >= 0)
        r.setText(f, person.gender);
    if (const int f = field("AGE"); f >= 0)
        r.setReal(f, person.age);
    if (const int f = field("BMI"); f >= 0)
        r.setReal(f, person.bmi);
    if (const int f = field("WEIGHT"); f >= 0)
        r.setInteger(f, person.weight);
    if (const int f = field("HEIGHT"); f >= 0)
        r.setText(f, person.height);
    if (const int f = field("FIRSTNAME"); f >= 0)
        r.setText(f, person.firstName);
    if (const int f = field("LASTNAME"); f >= 0)
        r.setText(f, person.lastName);
    if (const int f = field("SOCIALSECURITY"); f >= 0)
        r.setText(f, person.socialSecurity);
}

} // namespace tavimo::logpriming
