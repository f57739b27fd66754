#include "currentperson.h"

#include "processvalues.h"
#include "record.h"

#include <cmath>

namespace tavimo::person {

QString clipped(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

QString fullName(const QString &firstName, const QString &lastName)
{
    return clipped(firstName) + QLatin1Char(' ') + clipped(lastName);
}

double ageOn(Date birthdate, Date today)
{
    if (birthdate.isNull() || birthdate > today)
        return 0;
    const QDate born = birthdate.toQDate();
    const QDate now = today.toQDate();
    int months = (now.year() - born.year()) * 12 + (now.month() - born.month());
    if (now.day() < born.day())
        --months;
    if (months >= 24)
        return months / 12;
    return std::round(months / 12.0 * 100.0) / 100.0;
}

int heightInches(const QString &height)
{
    const QString h = height.leftJustified(5, QLatin1Char(' '));
    if (!h.at(0).isDigit())
        return 0;
    const int feet = h.at(0).digitValue();
    int inches = 0;
    for (int i = 2; i <= 3; ++i) {
        const QChar c = h.at(i);
        if (c.isDigit())
            inches = inches * 10 + c.digitValue();
        else if (c != QLatin1Char(' '))
            return 0;
    }
    return feet * 12 + inches;
}

double bmi(int weightPounds, const QString &height)
{
    const int inches = heightInches(height);
    // A missing height would divide by zero.
    if (inches <= 0 || weightPounds <= 0)
        return 0;
    return double(weightPounds) / (double(inches) * inches) * 703.0;
}

CurrentPersonValues copied(const Record &r, CurrentPersonValues c)
{
    c.name = r.text("PER:PERSONSNAME").left(40);
    c.gender = clipped(r.text("PER:GENDER"));
    if (r.real("PER:AGE") > 0 || !r.date("PER:BIRTHDATE").isNull())
        c.age = r.real("PER:AGE");
    if (r.real("PER:BMI") > 0)
        c.bmi = r.real("PER:BMI");
    if (r.integer("PER:WEIGHT") > 0)
        c.weight = r.integer("PER:WEIGHT");
    if (!r.text("PER:HEIGHT").trimmed().isEmpty())
        c.height = r.text("PER:HEIGHT");
    c.socialSecurity = r.text("PER:SOCIALSECURITY");
    c.firstName = r.text("PER:FIRSTNAME");
    c.lastName = r.text("PER:LASTNAME");
    return c;
}

CurrentPersonValues openedOn(const Record &person, Date today)
{
    Record r = person;
    if (!r.date("PER:BIRTHDATE").isNull())
        r.setReal("PER:AGE", ageOn(r.date("PER:BIRTHDATE"), today));
    return copied(r, CurrentPersonValues());
}

void makeCurrent(const Record &r)
{
    CurrentPersonValues &c = ProcessValues::instance().currentPerson;
    c = copied(r, c);
}

void selectName(const QString &personsName)
{
    ProcessValues::instance().currentPerson.name = personsName.left(40);
}

void clearCurrent()
{
    CurrentPersonValues &c = ProcessValues::instance().currentPerson;
    c.name.clear();
    c.gender.clear();
    c.firstName.clear();
    c.lastName.clear();
    c.socialSecurity.clear();
    c.weight = 0;
    c.height.clear();
    c.age = 0;
    c.bmi = 0; // else the next person without one would show this one's
}

} // namespace tavimo::person
