#include "tables.h"

namespace tavimo::tables {

using detail::start;

namespace {

// The copy of the person's details taken when a log record is entered.
TableLayout::Builder &personStamp(TableLayout::Builder &b)
{
    return b.text("SEX", 1)
        .real("AGE")
        .real("BMI")
        .int16("WEIGHT")
        .text("HEIGHT", 5)
        .text("FIRSTNAME", 20)
        .text("LASTNAME", 30)
        .text("SOCIALSECURITY", 12);
}

} // namespace

const TableLayout &bloodpre()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("Bloodpre"), QStringLiteral("BLO"), QStringLiteral("Bloodpre"),
                       Protection::Encrypted);
        b.date("DATE")
            .time("TIME")
            .real("SYSTOLIC")
            .real("DIASTOLIC")
            .real("PULSE")
            .text("COMMENT", 35)
            .text("PERSONNAME", 35);
        personStamp(b)
            .key(QStringLiteral("Blo:byperson"), {"PERSONNAME"})
            .key(QStringLiteral("Blo:BYID"), {"SOCIALSECURITY", "DATE", "TIME"})
            .key(QStringLiteral("Blo:ByDate"), {"PERSONNAME", "DATE", "TIME"});
        return b.build();
    }();
    return layout;
}

const TableLayout &glucose()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("Glucose"), QStringLiteral("GLU"), QStringLiteral("Glucose"),
                       Protection::Encrypted);
        b.date("DATE")
            .time("TIME")
            .text("COMMENT", 35)
            .int16("READING")
            .text("PERSONNAME", 35);
        personStamp(b)
            .key(QStringLiteral("Glu:BYID"), {"SOCIALSECURITY", "DATE", "TIME"})
            .key(QStringLiteral("Glu:byperson"), {"PERSONNAME"})
            .key(QStringLiteral("Glu:ByDate"), {"-PERSONNAME", "-DATE", "TIME"});
        return b.build();
    }();
    return layout;
}

const TableLayout &prescripts()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("Prescripts"), QStringLiteral("PRE"), QStringLiteral("PRESCRIP"),
                       Protection::Encrypted);
        b.text("DRUGNAMEASPRESCRIBED", 60)
            .text("GENERICNAME", 60)
            .text("PURPOSE", 35)
            .text("CONDITIONLINK", 35)
            .text("RXNUMBER", 20)
            .text("PERSONSNAME", 40)
            .text("DRNAME", 30)
            .text("DRPHONE", 14)
            .date("DATEFILLED")
            .decimal("COST")
            .text("FORM", 20)
            .text("MGSIZE", 20)
            .int16("NUMBER")
            .text("MANUFACTURERNAME", 40)
            .text("PLANNAME", 50)
            .text("PHARMACYNAME", 40)
            .text("PHARMACYPHONE", 14)
            .text("TAKEWHEN", 20)
            .real("NUMBERREFILLS")
            .date("EXPIRATIONDISCARDDATE")
            .text("REFILLEVERY", 20)
            .date("REFILLREMINDERDATE")
            .text("ACTIVE", 1)
            .text("INCLUDEINMEDICINEMANAGER", 1)
            .date("DATEINACTIVE")
            .cstring("PRINTKEY", 120);
        personStamp(b)
            .key(QStringLiteral("PRE:printby"), {"PRINTKEY"})
            .key(QStringLiteral("PRE:ByPerson"), {"DRUGNAMEASPRESCRIBED", "PERSONSNAME", "ACTIVE"})
            .key(QStringLiteral("PRE:BYID"), {"SOCIALSECURITY", "DRUGNAMEASPRESCRIBED", "ACTIVE", "DATEFILLED"})
            .key(QStringLiteral("PRE:ByDoctor"), {"DRNAME", "-ACTIVE"})
            .key(QStringLiteral("PRE:ByActive"), {"-ACTIVE"})
            .key(QStringLiteral("PRE:ByName"), {"DRUGNAMEASPRESCRIBED", "-ACTIVE", "-DATEFILLED"})
            .key(QStringLiteral("PRE:ByDate"), {"REFILLREMINDERDATE"})
            .memo(QStringLiteral("SPECIALINSTRUCTIONSNOTES"));
        return b.build();
    }();
    return layout;
}

const TableLayout &medicineManager()
{
    static const TableLayout layout =
        start(QStringLiteral("MedicineManager"), QStringLiteral("MDM"), QStringLiteral("MEDICINE"))
            .text("PERSONSNAME", 40)
            .text("DRUGNAME", 60)
            .text("ACTIVE", 1)
            .times("TIME", 1, 5)
            .texts({"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"}, 4)
            .int16("EVERY_HOURS")
            .text("DAYOFTHEMONTH", 20)
            .int16("TIMESPERDAY")
            .text("DOSE", 20)
            .text("WITH", 20)
            .text("ASNEEDEDCONDITION", 40)
            .text("NOTE", 60)
            .text("WHEN", 80)
            .text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .text("SOCIALSECURITY", 12)
            .key(QStringLiteral("MDM:BYID"), {"SOCIALSECURITY", "DRUGNAME", "ACTIVE"})
            .key(QStringLiteral("MDM:byName"), {"PERSONSNAME", "DRUGNAME", "ACTIVE"})
            .build();
    return layout;
}

const TableLayout &labTests()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("LabTests"), QStringLiteral("LAB"), QStringLiteral("LABTESTS"),
                       Protection::Encrypted);
        b.date("DATEOFTEST")
            .text("PERSONSNAME", 50)
            .text("TESTNAME", 30)
            .text("RESULTS", 50)
            .text("REASONFORTEST", 40)
            .text("ORDEREDBY", 50)
            .text("FACILITYWHERETESTWASDONE", 50);
        personStamp(b)
            .key(QStringLiteral("LAB:ByName"), {"PERSONSNAME", "-DATEOFTEST", "-TESTNAME"})
            .key(QStringLiteral("LAB:ByID"), {"SOCIALSECURITY", "DATEOFTEST", "TESTNAME"});
        return b.build();
    }();
    return layout;
}

const TableLayout &painEvents()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("PainEvents"), QStringLiteral("PAI"), QStringLiteral("PAINEVEN"),
                       Protection::Encrypted);
        b.text("PERSONSNAME", 50)
            .date("DATE")
            .time("TIME")
            .text("BODYLOCATIONS", 20)
            .text("DURATION", 40)
            .text("LOCATIONMODIFIER", 30)
            .cstring("SUSPECTEDCAUSE", 250)
            .int16("PAINSCALE")
            .text("PAINTYPE", 30)
            .text("OTHER", 20)
            .text("LINKTOSYMPTOMS", 20)
            .text("TYPE", 20);
        personStamp(b)
            .key(QStringLiteral("PAI:byname"), {"PERSONSNAME", "DATE", "TIME", "LINKTOSYMPTOMS"})
            .key(QStringLiteral("PAI:BYID"), {"SOCIALSECURITY", "DATE", "TIME", "LINKTOSYMPTOMS"});
        return b.build();
    }();
    return layout;
}

const TableLayout &symptoms()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("Symptoms"), QStringLiteral("SYM"), QStringLiteral("symptoms"),
                       Protection::Encrypted);
        b.text("PERSONSNAME", 50)
            .text("GENDER", 1)
            .date("DATE")
            .time("TIME")
            .text("DIAGNOSIS", 60)
            .texts("SYMPTOM_", 1, 10, 40)
            .texts("BODYPLACE_", 1, 10, 30)
            .decimal("TEMPERATURE")
            .text("BLOODPRESSURE", 20)
            .text("REPORTEDTO", 50)
            .cstring("NOTES", 1001);
        personStamp(b)
            .key(QStringLiteral("SYM:ByName"), {"PERSONSNAME", "-DATE", "TIME"})
            .key(QStringLiteral("SYM:BYID"), {"SOCIALSECURITY", "DATE", "TIME"});
        return b.build();
    }();
    return layout;
}

const TableLayout &familyHistory()
{
    static const TableLayout layout =
        start(QStringLiteral("FamilyHistory"), QStringLiteral("FAM"), QStringLiteral("FAMILYHI"),
              Protection::Encrypted)
            .text("PERSONSNAME", 50)
            .text("RELATIVESNAME", 40)
            .text("RELATIONTOPERSON", 40)
            .text("YEAROFILLNESS", 4)
            .text("DISEASE", 20)
            .text("TREATED", 1)
            .uint8("AGEATDEATH")
            .text("PRIMARYDOCTOR", 50)
            .text("FAMKEY", 90)
            .text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .text("SOCIALSECURITY", 12)
            .key(QStringLiteral("FAM:byName"), {"PERSONSNAME", "RELATIVESNAME"})
            .key(QStringLiteral("FAM:ByID"), {"SOCIALSECURITY", "RELATIVESNAME"})
            .memo(QStringLiteral("NOTES"))
            .build();
    return layout;
}

const TableLayout &surgeries()
{
    static const TableLayout layout = [] {
        auto b = start(QStringLiteral("Surgeries"), QStringLiteral("SUR"), QStringLiteral("SURGERIE"),
                       Protection::Encrypted);
        b.text("PERSON", 50)
            .date("DATEOFSURGERY")
            .text("SURGICALPROCEDURE", 60)
            .text("DOCTOR", 50)
            .text("INPATIENT", 1)
            .text("HOSPITALNAME", 50)
            .text("AFFLICTIONNAME", 40)
            .text("OUTCOME", 60);
        personStamp(b)
            .key(QStringLiteral("SUR:ByPerson"), {"PERSON", "DATEOFSURGERY", "SURGICALPROCEDURE"})
            .key(QStringLiteral("SUR:BYID"), {"SOCIALSECURITY", "DATEOFSURGERY", "SURGICALPROCEDURE"})
            .memo(QStringLiteral("REASONFORSURGERY"));
        return b.build();
    }();
    return layout;
}

const TableLayout &appointments()
{
    static const TableLayout layout =
        start(QStringLiteral("Appointments"), QStringLiteral("APP"), QStringLiteral("APPOINTM"))
            .text("PERSONSNAME", 50)
            .date("DATE")
            .time("TIME")
            .text("REASON", 60)
            .text("DOCTOR", 50)
            .text("PHONENUMBER", 14)
            .text("DAYOFTHEWEEK", 10)
            .text("REMINDERNEEDED", 1)
            .texts("QUESTION", 1, 10, 100)
            .texts("ANSWER", 1, 10, 200)
            .text("SOCIALSECURITY", 12)
            .text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .key(QStringLiteral("APP:ByDate"), {"PERSONSNAME", "DATE", "DOCTOR", "TIME"})
            .build();
    return layout;
}

const TableLayout &journal()
{
    static const TableLayout layout =
        start(QStringLiteral("Journal"), QStringLiteral("JOU"), QStringLiteral("JOURNAL"), Protection::Encrypted)
            .date("DATE")
            .text("PERSON", 50)
            .text("ENTRYTITLE", 20)
            .text("DOCTOR", 50)
            .text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .text("SOCIALSECURITY", 12)
            .key(QStringLiteral("JOU:ByPerson"), {"PERSON", "DATE", "ENTRYTITLE"})
            .key(QStringLiteral("JOU:BYID"), {"SOCIALSECURITY", "ENTRYTITLE", "DATE"})
            .memo(QStringLiteral("ENTRY"))
            .build();
    return layout;
}

const TableLayout &planName()
{
    static const TableLayout layout =
        start(QStringLiteral("PlanName"), QStringLiteral("INS"), QStringLiteral("PLANNAME"))
            .text("PERSONSNAME", 50)
            .text("COMPANYNAME", 50)
            .text("POLICYNUMBER", 30)
            .text("TYPEOFCOVERAGE", 20)
            .decimal("MONTHLYPREMIUM")
            .decimal("ANNUALPREMIUM")
            .text("GROUPID", 40)
            .text("ADDRESS1", 60)
            .text("ADDRESS2", 60)
            .text("CITY", 30)
            .text("STATE", 20)
            .text("ZIPCODE", 10)
            .text("PRIMARYCONTACTNAME", 50)
            .text("PHONE", 14)
            .text("FAX", 14)
            .text("WEBSITEADDRESS", 60)
            .text("EMAILADDRESS", 60)
            .text("CLAIMPHONE", 14)
            .text("CLAIMCONTACT", 30)
            .text("ISSUEDTHROUGH", 40)
            .text("ACTIVE", 1)
            .date("EFFECTIVEDATE")
            .text("TERMOFPOLICY", 20)
            .key(QStringLiteral("INS:ByCompany"), {"COMPANYNAME", "PERSONSNAME"})
            .key(QStringLiteral("INS:ByPerson"), {"PERSONSNAME", "COMPANYNAME"})
            .build();
    return layout;
}

const TableLayout &expenses()
{
    static const TableLayout layout =
        start(QStringLiteral("Expenses"), QStringLiteral("EXP"), QStringLiteral("EXPENSES"), Protection::Encrypted)
            .text("PERSONSNAME", 50)
            .date("DATEOFSERVICE")
            .text("REASON", 60)
            .text("SERVICE", 40)
            .text("INSURANCE", 50)
            .text("PROVIDERDOCTOR", 60)
            .text("TYPE", 20)
            .decimal("AMOUNTBILLED")
            .decimal("AMOUNTPLANPAID")
            .decimal("COPAY")
            .decimal("ADDITIONALPAYMENT")
            .text("STATUS", 20)
            .text("DETAILS", 300)
            .decimal("AMOUNTNOTYOURRESPONSIBILITY")
            .decimal("AMOUNTYOUPAID")
            .decimal("BALANCEYOUOWE")
            .text("DOCTORSNAME", 50)
            .text("INSDNUMBER", 20)
            .text("DRINVNUMBER", 20)
            .text("INNETWORK", 1)
            .text("FIRSTNAME", 20)
            .text("LASTNAME", 30)
            .text("SOCIALSECURITY", 12)
            .key(QStringLiteral("EXP:ByPerson"), {"PERSONSNAME", "DATEOFSERVICE", "REASON"})
            .build();
    return layout;
}

const TableLayout &wallet()
{
    static const TableLayout layout =
        start(QStringLiteral("Wallet"), QStringLiteral("WAL"), QStringLiteral("WALLET"), Protection::Encrypted)
            .text("PERSONNAME", 50)
            .texts({"DISKETTE", "ONLINEVAULT", "FLASHUSBDRIVE", "CDROM", "ONLINE"}, 1)
            .text("USERNAME", 20)
            .text("PASSWORD", 20)
            .key(QStringLiteral("WAL:byname"), {"PERSONNAME"})
            .build();
    return layout;
}

const TableLayout &otherHistory()
{
    static const TableLayout layout =
        start(QStringLiteral("OtherHistory"), QStringLiteral("OTH"), QStringLiteral("OTHERHIS"))
            .text("TITLEOFDOCUMENT", 60)
            .cstring("FILENAME", 61)
            .date("PDF_MADEDATE")
            .time("PDF_MADETIME")
            .text("PERSONSNAME", 50)
            .text("USERTITLE", 20)
            .text("PDF_FILENAME", 60)
            .uniqueKey(QStringLiteral("OTH:ByTitle"), {"TITLEOFDOCUMENT"})
            .build();
    return layout;
}

const TableLayout &listFormats()
{
    static const TableLayout layout =
        start(QStringLiteral("ListFormats"), QStringLiteral("CFG"), QStringLiteral("Formats.FDB"))
            .text("APPNAME", 30)
            .text("PROCID", 30)
            .int16("USERID")
            .int16("CTRLID")
            .int16("FORMATID")
            .text("FORMATNAME", 30)
            .uint8("FLAG")
            .text("FORMAT", 5120)
            .text("VARLINE", 2048)
            .uniqueKey(QStringLiteral("CFG:KEY_MAIN"), {"APPNAME", "PROCID", "USERID", "CTRLID", "FORMATID"})
            .build();
    return layout;
}

} // namespace tavimo::tables
