#include "tables.h"

namespace tavimo::tables {

using detail::start;

namespace {

// The sponsor is stored field for field like a doctor.
TableLayout doctorLike(const QString &label, const QString &prefix, const QString &storedName,
                       const QString &keyLabel)
{
    return start(label, prefix, storedName)
        .text("DOCTORSNAME", 50)
        .text("PHONENUMBER", 14)
        .text("FAXNUMBER", 14)
        .text("SPECIALTY", 20)
        .text("EMAILADDRESS", 60)
        .text("ADDRESS1", 40)
        .text("ADDRESS2", 60)
        .text("CITY", 30)
        .text("STATE", 20)
        .text("ZIPCODE", 10)
        .text("HOURS", 60)
        .text("PRACTICENAME", 60)
        .key(keyLabel, {"DOCTORSNAME"})
        .build();
}

// Most reference lists are one text column keyed by itself.
TableLayout singleText(const QString &label, const QString &prefix, const QString &storedName,
                       const char *field, int size, const QString &keyLabel)
{
    return start(label, prefix, storedName)
        .text(QString::fromLatin1(field), size)
        .key(keyLabel, {field})
        .build();
}

} // namespace

const TableLayout &doctors()
{
    static const TableLayout layout = doctorLike(QStringLiteral("Doctors"), QStringLiteral("DOC"),
                                                 QStringLiteral("support\\!doctors"),
                                                 QStringLiteral("DOC:ByName"));
    return layout;
}

const TableLayout &sponsor()
{
    static const TableLayout layout = doctorLike(QStringLiteral("Sponsor"), QStringLiteral("SPO"),
                                                 QStringLiteral("SPONSOR"), QStringLiteral("spo:ByName"));
    return layout;
}

const TableLayout &pharmacy()
{
    static const TableLayout layout =
        start(QStringLiteral("Pharmacy"), QStringLiteral("PHA"), QStringLiteral("support\\!pharmacy"))
            .text("PHARMACYNAME", 40)
            .text("STREETADDRESS", 60)
            .text("CITY", 30)
            .text("STATE", 2)
            .text("ZIPCODE", 10)
            .text("PHONENUMBER", 14)
            .text("HOURS", 20)
            .text("PHARMACISTSNAME", 50)
            .text("WEBADDRESS", 50)
            .key(QStringLiteral("PHA:ByName"), {"PHARMACYNAME"})
            .build();
    return layout;
}

const TableLayout &drugNames()
{
    static const TableLayout layout =
        start(QStringLiteral("DrugNames"), QStringLiteral("DRU"), QStringLiteral("support\\!drugs"))
            .text("DRUGNAMEASPRESCRIBED", 40)
            .text("GENERICNAME", 40)
            .text("PURPOSE", 35)
            .key(QStringLiteral("DRU:ByName"), {"DRUGNAMEASPRESCRIBED"})
            .build();
    return layout;
}

const TableLayout &form()
{
    static const TableLayout layout =
        singleText(QStringLiteral("Form"), QStringLiteral("FOR"), QStringLiteral("support\\!Form"),
                   "DRUGFORM", 60, QStringLiteral("FOR:ByType"));
    return layout;
}

const TableLayout &manufacturer()
{
    static const TableLayout layout =
        singleText(QStringLiteral("Manufacturer"), QStringLiteral("MAN"), QStringLiteral("support\\!manufac"),
                   "COMPANYNAME", 50, QStringLiteral("MAN:ByName"));
    return layout;
}

const TableLayout &labTestName()
{
    static const TableLayout layout =
        singleText(QStringLiteral("LabTestName"), QStringLiteral("LTN"), QStringLiteral("LABTESTN"),
                   "TESTNAME", 30, QStringLiteral("LTN:LabTestNames"));
    return layout;
}

const TableLayout &topics()
{
    static const TableLayout layout =
        singleText(QStringLiteral("Topics"), QStringLiteral("TOP"), QStringLiteral("TOPICS"),
                   "TOPIC", 60, QStringLiteral("TOP:bytopic"));
    return layout;
}

const TableLayout &conditions()
{
    static const TableLayout layout =
        singleText(QStringLiteral("Conditions"), QStringLiteral("CON1"), QStringLiteral("CONDITIO"),
                   "CONDITION", 35, QStringLiteral("CON1:ByCondition"));
    return layout;
}

const TableLayout &bodySection()
{
    static const TableLayout layout =
        singleText(QStringLiteral("BodySection"), QStringLiteral("BOD1"), QStringLiteral("BODYSECT"),
                   "BODYSECTION", 20, QStringLiteral("BOD1:bysection"));
    return layout;
}

const TableLayout &bodyParts()
{
    // The label says gender, but the key orders parts within their section;
    // it is kept as written because messages show it.
    static const TableLayout layout =
        start(QStringLiteral("BodyParts"), QStringLiteral("BOD"), QStringLiteral("BODYPART"))
            .text("BODYSECTION", 20)
            .text("BODYPART", 30)
            .key(QStringLiteral("BOD:bygender"), {"BODYSECTION", "BODYPART"})
            .build();
    return layout;
}

const TableLayout &gender()
{
    static const TableLayout layout =
        singleText(QStringLiteral("Gender"), QStringLiteral("GEN"), QStringLiteral("GENDER"),
                   "GENDER", 20, QStringLiteral("Gen:bygender"));
    return layout;
}

const TableLayout &reportName()
{
    static const TableLayout layout =
        start(QStringLiteral("ReportName"), QStringLiteral("REP"), QStringLiteral("REPORTNA"))
            .text("REPORTNAME", 20)
            .text("SYMBOL", 20)
            .key(QStringLiteral("REP:BYName"), {"REPORTNAME"})
            .build();
    return layout;
}

const TableLayout &expenseReasons()
{
    static const TableLayout layout =
        singleText(QStringLiteral("ExpenseReasons"), QStringLiteral("EXP1"), QStringLiteral("EXPENSER"),
                   "REASON", 60, QStringLiteral("EXP1:ByReason"));
    return layout;
}

const TableLayout &otherTimes()
{
    static const TableLayout layout =
        singleText(QStringLiteral("OtherTimes"), QStringLiteral("OTH1"), QStringLiteral("OTHERTIM"),
                   "WHEN", 20, QStringLiteral("OTH1:ByWhen"));
    return layout;
}

} // namespace tavimo::tables
