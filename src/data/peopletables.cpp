#include "tables.h"

namespace tavimo::tables {

using detail::start;

namespace {

// The condition check boxes of the profile, shared by the person record and
// the model record printed on the blank collection form.
TableLayout::Builder &conditionFlags(TableLayout::Builder &b)
{
    return b.texts({"ALZHEIMERSDISEASE", "ANEMIA", "ANGINA", "ARTHRITIS", "ASTHMA",
                    "ATRIALFIBRILATION", "AUTISM", "AUTOIMMUNEDISORDER",
                    "CHRONICOBSTRUCTIVEPULMONARYDISEASE", "CONGESTIVEHEARTFAILURE",
                    "CORONARYARTERYDISEASE", "CYSTICFIBROSIS", "DIABETES", "EMPHYSEMA", "EPILEPSY",
                    "GLAUCOMA", "HEARINGIMPAIRED", "HEADACHES", "HEMODIALYSIS",
                    "HEMOPHILIA_VWD_OTHERBLOODDISORDERS", "HIV_AIDS", "HYPERTENSION",
                    "HYPOGLYCEMIA", "HYPOTHYROIDISM", "IMMUNOSUPRESSED", "MALARIA",
                    "MUSCULARDYSTROPHY", "MYOCARDIALINFARCTION", "ORGANTRANSPLANT",
                    "PULMONARYARTERIALHYPERTENSION", "SEIZUREDISORDER", "STROKE",
                    "NOKNOWNMEDICALCONDITIONS"},
                   1)
        .text("DEFIBRILLATOR", 60)
        .text("HEARTVALVEREPLACEMENT", 60)
        .text("IMPLANTEDMEDICALDEVICES", 60)
        .text("OXYGEN", 60)
        .text("OTHER", 60);
}

} // namespace

const TableLayout &personsName()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("PersonsName"), QStringLiteral("PER"), QStringLiteral("persons"),
                       Protection::Encrypted);
        b.text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .text("STREETADDRESS", 70)
            .text("CITY", 30)
            .text("STATE", 2)
            .text("ZIPCODE", 10)
            .text("PHONENUMBER", 14)
            .date("BIRTHDATE")
            .real("AGE")
            .text("GENDER", 1)
            .cstring("EMAILADDRESS", 60)
            .text("PRIMARYCONTACTNAME", 50)
            .text("PRIMARYCONTACTRELATIONSHIP", 20)
            .text("PRIMARYCONTACTPHONE", 14)
            .text("SECONDARYCONTACTNAME", 50)
            .text("SECONDARYCONTACTPHONE", 14)
            .text("SECONDARYCONTACTRELATIONSHIP", 20)
            .text("PRIMARYDOCTORNAME", 50)
            .text("PRIMARYDOCTORPHONE", 14)
            .text("PDRADDRESS1", 40)
            .text("PDRADDRESS2", 40)
            .text("PDRFAX", 14)
            .text("PDRCITY", 30)
            .text("PDRSTATE", 2)
            .text("PDRZIP", 10)
            .text("PDRPRACTICENAME", 60)
            .text("PDREMAIL", 60)
            .text("PDRHOURS", 60)
            .text("HEALTHINSURER", 30)
            .text("GROUPPLANNUMBER", 20)
            .text("HEALTHINSURANCEPHONE", 14)
            .text("HEALTHINSURANCECONTACTNAME", 50);
        conditionFlags(b)
            .texts("FOODALLERGY", 1, 5, 20)
            .texts("DRUGALLERGY", 1, 5, 30)
            .texts("OTHERALLERGY", 1, 5, 20)
            .date("DATEUPDATED")
            .time("TIMEUPDATED")
            .texts("IMM", 1, 10, 20)
            .dates("IMMDATE", 1, 10)
            .int16("WEIGHT")
            .text("HEIGHT", 5)
            .text("MARITALSTATUS", 20)
            .text("PERSONSNAME", 50)
            .text("SOCIALSECURITY", 12)
            .text("SSENCR", 40)
            .real("BMI")
            .int16("MENSTRUATESTARTAGE")
            .int16("MENSTRUATESTOPAGE")
            .key(QStringLiteral("PER:ByName"), {"PERSONSNAME"})
            .key(QStringLiteral("PER:BYID"), {"SOCIALSECURITY"})
            .memo(QStringLiteral("OTHERCONDITIONS"));
        return b.build();
    }();
    return layout;
}

const TableLayout &dummy()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("DUMMY"), QStringLiteral("DUM"), QStringLiteral("model.dll"),
                       Protection::Encrypted);
        b.text("PERSONSNAME", 50)
            .text("STREETADDRESS", 70)
            .text("CITY", 30)
            .text("STATE", 2)
            .text("ZIPCODE", 10)
            .text("PHONENUMBER", 14)
            .date("BIRTHDATE")
            .real("AGE")
            .text("GENDER", 1)
            .cstring("EMAILADDRESS", 60)
            .text("PRIMARYCONTACTNAME", 50)
            .text("PRIMARYCONTACTRELATIONSHIP", 20)
            .text("PRIMARYCONTACTPHONE", 14)
            .text("SECONDARYCONTACTNAME", 50)
            .text("SECONDARYCONTACTPHONE", 14)
            .text("SECONDARYCONTACTRELATIONSHIP", 20)
            .text("HEALTHINSURER", 30)
            .text("GROUPPLANNUMBER", 20);
        // Unlike the person record, the model's drug allergies are 20 wide.
        conditionFlags(b)
            .texts("FOODALLERGY", 1, 5, 20)
            .texts("DRUGALLERGY", 1, 5, 20)
            .texts("OTHERALLERGY", 1, 5, 20)
            .date("DATEUPDATED")
            .time("TIMEUPDATED")
            .texts("IMM", 1, 10, 20)
            .dates("IMMDATE", 1, 10)
            .texts("DRVISITNAME", 1, 10, 50)
            .dates("DRVISITDATE", 1, 10)
            .texts("DRVISITPURPOSE", 1, 10, 50)
            .int16("WEIGHT")
            .text("HEIGHT", 5)
            .text("MARITALSTATUS", 20)
            .key(QStringLiteral("DUM:ByName"), {"PERSONSNAME"})
            .memo(QStringLiteral("OTHERCONDITIONS"))
            .neverCreate(); // ships with the program
        return b.build();
    }();
    return layout;
}

} // namespace tavimo::tables
