#include "tables.h"

#include <QSet>
#include <QTest>

using namespace tavimo;

using Accessor = const TableLayout &(*)();
Q_DECLARE_METATYPE(Accessor)

class TstTableLayouts : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_data();
    void catalogue();
    void keys_data();
    void keys();
    void fields_data();
    void fields();
    void offsetsAreContiguous_data();
    void offsetsAreContiguous();
    void fieldNamesCarryPrefix_data();
    void fieldNamesCarryPrefix();
    void fieldIndexIgnoresPrefixAndCase_data();
    void fieldIndexIgnoresPrefixAndCase();
    void allInCatalogueOrder();
    void byLabel_data();
    void byLabel();
    void accessorsBuildOnce();
};

namespace {

struct Entry
{
    Accessor accessor;
    const char *label;
};

// Catalogue order.
const Entry kTables[] = {
    {&tables::personsName, "PersonsName"},
    {&tables::doctors, "Doctors"},
    {&tables::sponsor, "Sponsor"},
    {&tables::pharmacy, "Pharmacy"},
    {&tables::drugNames, "DrugNames"},
    {&tables::form, "Form"},
    {&tables::manufacturer, "Manufacturer"},
    {&tables::labTestName, "LabTestName"},
    {&tables::topics, "Topics"},
    {&tables::conditions, "Conditions"},
    {&tables::bodySection, "BodySection"},
    {&tables::bodyParts, "BodyParts"},
    {&tables::gender, "Gender"},
    {&tables::reportName, "ReportName"},
    {&tables::expenseReasons, "ExpenseReasons"},
    {&tables::otherTimes, "OtherTimes"},
    {&tables::dummy, "DUMMY"},
    {&tables::bloodpre, "Bloodpre"},
    {&tables::glucose, "Glucose"},
    {&tables::prescripts, "Prescripts"},
    {&tables::medicineManager, "MedicineManager"},
    {&tables::labTests, "LabTests"},
    {&tables::painEvents, "PainEvents"},
    {&tables::symptoms, "Symptoms"},
    {&tables::familyHistory, "FamilyHistory"},
    {&tables::surgeries, "Surgeries"},
    {&tables::appointments, "Appointments"},
    {&tables::journal, "Journal"},
    {&tables::planName, "PlanName"},
    {&tables::expenses, "Expenses"},
    {&tables::wallet, "Wallet"},
    {&tables::otherHistory, "OtherHistory"},
    {&tables::listFormats, "ListFormats"},
};

// One row per table, for the checks that run over every layout alike.
void addEveryTable()
{
    QTest::addColumn<Accessor>("table");
    for (const Entry &e : kTables)
        QTest::newRow(e.label) << e.accessor;
}

QString describe(const TableLayout &t, const KeyDef &k)
{
    QStringList parts;
    for (const KeyComponent &c : k.components)
        parts << (c.ascending ? QString() : QStringLiteral("-")) + t.field(c.field).name;
    return parts.join(u',');
}

} // namespace

void TstTableLayouts::catalogue_data()
{
    QTest::addColumn<Accessor>("table");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<Protection>("protection");
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("tableName");
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<int>("recordSize");
    QTest::addColumn<int>("keyCount");
    QTest::addColumn<QString>("memo"); // empty: none

    const auto E = Protection::Encrypted;
    const auto N = Protection::None;
    auto row = [](Accessor a, const char *label, const char *prefix, const char *stored, Protection p,
                  bool create, const char *file, const char *table, int fields, int size, int keys,
                  const char *memo) {
        QTest::newRow(label) << a << QString::fromLatin1(label) << QString::fromLatin1(prefix)
                             << QString::fromLatin1(stored) << p << create << QString::fromLatin1(file)
                             << QString::fromLatin1(table) << fields << size << keys
                             << QString::fromLatin1(memo);
    };

    row(&tables::personsName, "PersonsName", "PER", "persons", E, true, "persons", "persons", 116, 1983, 2, "PER:OTHERCONDITIONS");
    row(&tables::doctors, "Doctors", "DOC", "support\\!doctors", N, true, "support", "doctors", 12, 438, 1, "");
    row(&tables::sponsor, "Sponsor", "SPO", "SPONSOR", N, true, "SPONSOR", "SPONSOR", 12, 438, 1, "");
    row(&tables::pharmacy, "Pharmacy", "PHA", "support\\!pharmacy", N, true, "support", "pharmacy", 9, 276, 1, "");
    row(&tables::drugNames, "DrugNames", "DRU", "support\\!drugs", N, true, "support", "drugs", 3, 115, 1, "");
    row(&tables::form, "Form", "FOR", "support\\!Form", N, true, "support", "Form", 1, 60, 1, "");
    row(&tables::manufacturer, "Manufacturer", "MAN", "support\\!manufac", N, true, "support", "manufac", 1, 50, 1, "");
    row(&tables::labTestName, "LabTestName", "LTN", "LABTESTN", N, true, "LABTESTN", "LABTESTN", 1, 30, 1, "");
    row(&tables::topics, "Topics", "TOP", "TOPICS", N, true, "TOPICS", "TOPICS", 1, 60, 1, "");
    row(&tables::conditions, "Conditions", "CON1", "CONDITIO", N, true, "CONDITIO", "CONDITIO", 1, 35, 1, "");
    row(&tables::bodySection, "BodySection", "BOD1", "BODYSECT", N, true, "BODYSECT", "BODYSECT", 1, 20, 1, "");
    row(&tables::bodyParts, "BodyParts", "BOD", "BODYPART", N, true, "BODYPART", "BODYPART", 2, 50, 1, "");
    row(&tables::gender, "Gender", "GEN", "GENDER", N, true, "GENDER", "GENDER", 1, 20, 1, "");
    row(&tables::reportName, "ReportName", "REP", "REPORTNA", N, true, "REPORTNA", "REPORTNA", 2, 40, 1, "");
    row(&tables::expenseReasons, "ExpenseReasons", "EXP1", "EXPENSER", N, true, "EXPENSER", "EXPENSER", 1, 60, 1, "");
    row(&tables::otherTimes, "OtherTimes", "OTH1", "OTHERTIM", N, true, "OTHERTIM", "OTHERTIM", 1, 20, 1, "");
    row(&tables::dummy, "DUMMY", "DUM", "model.dll", E, false, "model.dll", "model", 126, 2415, 1, "DUM:OTHERCONDITIONS");
    row(&tables::bloodpre, "Bloodpre", "BLO", "Bloodpre", E, true, "Bloodpre", "Bloodpre", 15, 188, 3, "");
    row(&tables::glucose, "Glucose", "GLU", "Glucose", E, true, "Glucose", "Glucose", 13, 166, 3, "");
    row(&tables::prescripts, "Prescripts", "PRE", "PRESCRIP", E, true, "PRESCRIP", "PRESCRIP", 34, 756, 7, "PRE:SPECIALINSTRUCTIONSNOTES");
    row(&tables::medicineManager, "MedicineManager", "MDM", "MEDICINE", N, true, "MEDICINE", "MEDICINE", 26, 455, 2, "");
    row(&tables::labTests, "LabTests", "LAB", "LABTESTS", E, true, "LABTESTS", "LABTESTS", 15, 360, 2, "");
    row(&tables::painEvents, "PainEvents", "PAI", "PAINEVEN", E, true, "PAINEVEN", "PAINEVEN", 20, 576, 2, "");
    row(&tables::symptoms, "Symptoms", "SYM", "symptoms", E, true, "symptoms", "symptoms", 37, 1980, 2, "");
    row(&tables::familyHistory, "FamilyHistory", "FAM", "FAMILYHI", E, true, "FAMILYHI", "FAMILYHI", 12, 358, 2, "FAM:NOTES");
    row(&tables::surgeries, "Surgeries", "SUR", "SURGERIE", E, true, "SURGERIE", "SURGERIE", 16, 401, 2, "SUR:REASONFORSURGERY");
    row(&tables::appointments, "Appointments", "APP", "APPOINTM", N, true, "APPOINTM", "APPOINTM", 31, 3255, 1, "");
    row(&tables::journal, "Journal", "JOU", "JOURNAL", E, true, "JOURNAL", "JOURNAL", 7, 186, 2, "JOU:ENTRY");
    row(&tables::planName, "PlanName", "INS", "PLANNAME", N, true, "PLANNAME", "PLANNAME", 23, 685, 2, "");
    row(&tables::expenses, "Expenses", "EXP", "EXPENSES", E, true, "EXPENSES", "EXPENSES", 23, 785, 1, "");
    row(&tables::wallet, "Wallet", "WAL", "WALLET", E, true, "WALLET", "WALLET", 8, 95, 1, "");
    row(&tables::otherHistory, "OtherHistory", "OTH", "OTHERHIS", N, true, "OTHERHIS", "OTHERHIS", 7, 259, 1, "");
    row(&tables::listFormats, "ListFormats", "CFG", "Formats.FDB", N, true, "Formats.FDB", "Formats", 9, 7265, 1, "");
}

void TstTableLayouts::catalogue()
{
    QFETCH(Accessor, table);
    QFETCH(QString, label);
    QFETCH(QString, prefix);
    QFETCH(QString, storedName);
    QFETCH(Protection, protection);
    QFETCH(bool, create);
    QFETCH(QString, fileName);
    QFETCH(QString, tableName);
    QFETCH(int, fieldCount);
    QFETCH(int, recordSize);
    QFETCH(int, keyCount);
    QFETCH(QString, memo);

    const TableLayout &t = table();
    QCOMPARE(t.label(), label);
    QCOMPARE(t.prefix(), prefix);
    QCOMPARE(t.storedName(), storedName);
    QCOMPARE(t.protection(), protection);
    QCOMPARE(t.hasPassword(), protection != Protection::None);
    QCOMPARE(t.isEncrypted(), protection == Protection::Encrypted);
    QCOMPARE(t.createWhenMissing(), create);
    QCOMPARE(t.fileName(), fileName);
    QCOMPARE(t.tableName(), tableName);
    QCOMPARE(t.fieldCount(), fieldCount);
    QCOMPARE(t.recordSize(), recordSize);
    QCOMPARE(t.keyCount(), keyCount);
    if (memo.isEmpty()) {
        QVERIFY(!t.memo().has_value());
    } else {
        QVERIFY(t.memo().has_value());
        QCOMPARE(t.memo()->name, memo);
        QCOMPARE(t.memo()->maxChars, 1000);
    }
}

void TstTableLayouts::keys_data()
{
    QTest::addColumn<Accessor>("table");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("components"); // full field names, "-" marks descending
    QTest::addColumn<bool>("unique");

    auto row = [](Accessor a, int index, const char *label, const char *components, bool unique = false) {
        QTest::newRow(label) << a << index << QString::fromLatin1(label) << QString::fromLatin1(components)
                             << unique;
    };

    row(&tables::personsName, 0, "PER:ByName", "PER:PERSONSNAME");
    row(&tables::personsName, 1, "PER:BYID", "PER:SOCIALSECURITY");
    row(&tables::doctors, 0, "DOC:ByName", "DOC:DOCTORSNAME");
    row(&tables::sponsor, 0, "spo:ByName", "SPO:DOCTORSNAME");
    row(&tables::pharmacy, 0, "PHA:ByName", "PHA:PHARMACYNAME");
    row(&tables::drugNames, 0, "DRU:ByName", "DRU:DRUGNAMEASPRESCRIBED");
    row(&tables::form, 0, "FOR:ByType", "FOR:DRUGFORM");
    row(&tables::manufacturer, 0, "MAN:ByName", "MAN:COMPANYNAME");
    row(&tables::labTestName, 0, "LTN:LabTestNames", "LTN:TESTNAME");
    row(&tables::topics, 0, "TOP:bytopic", "TOP:TOPIC");
    row(&tables::conditions, 0, "CON1:ByCondition", "CON1:CONDITION");
    row(&tables::bodySection, 0, "BOD1:bysection", "BOD1:BODYSECTION");
    row(&tables::bodyParts, 0, "BOD:bygender", "BOD:BODYSECTION,BOD:BODYPART");
    row(&tables::gender, 0, "Gen:bygender", "GEN:GENDER");
    row(&tables::reportName, 0, "REP:BYName", "REP:REPORTNAME");
    row(&tables::expenseReasons, 0, "EXP1:ByReason", "EXP1:REASON");
    row(&tables::otherTimes, 0, "OTH1:ByWhen", "OTH1:WHEN");
    row(&tables::dummy, 0, "DUM:ByName", "DUM:PERSONSNAME");
    row(&tables::bloodpre, 0, "Blo:byperson", "BLO:PERSONNAME");
    row(&tables::bloodpre, 1, "Blo:BYID", "BLO:SOCIALSECURITY,BLO:DATE,BLO:TIME");
    row(&tables::bloodpre, 2, "Blo:ByDate", "BLO:PERSONNAME,BLO:DATE,BLO:TIME");
    row(&tables::glucose, 0, "Glu:BYID", "GLU:SOCIALSECURITY,GLU:DATE,GLU:TIME");
    row(&tables::glucose, 1, "Glu:byperson", "GLU:PERSONNAME");
    row(&tables::glucose, 2, "Glu:ByDate", "-GLU:PERSONNAME,-GLU:DATE,GLU:TIME");
    row(&tables::prescripts, 0, "PRE:printby", "PRE:PRINTKEY");
    row(&tables::prescripts, 1, "PRE:ByPerson", "PRE:DRUGNAMEASPRESCRIBED,PRE:PERSONSNAME,PRE:ACTIVE");
    row(&tables::prescripts, 2, "PRE:BYID",
        "PRE:SOCIALSECURITY,PRE:DRUGNAMEASPRESCRIBED,PRE:ACTIVE,PRE:DATEFILLED");
    row(&tables::prescripts, 3, "PRE:ByDoctor", "PRE:DRNAME,-PRE:ACTIVE");
    row(&tables::prescripts, 4, "PRE:ByActive", "-PRE:ACTIVE");
    row(&tables::prescripts, 5, "PRE:ByName", "PRE:DRUGNAMEASPRESCRIBED,-PRE:ACTIVE,-PRE:DATEFILLED");
    row(&tables::prescripts, 6, "PRE:ByDate", "PRE:REFILLREMINDERDATE");
    row(&tables::medicineManager, 0, "MDM:BYID", "MDM:SOCIALSECURITY,MDM:DRUGNAME,MDM:ACTIVE");
    row(&tables::medicineManager, 1, "MDM:byName", "MDM:PERSONSNAME,MDM:DRUGNAME,MDM:ACTIVE");
    row(&tables::labTests, 0, "LAB:ByName", "LAB:PERSONSNAME,-LAB:DATEOFTEST,-LAB:TESTNAME");
    row(&tables::labTests, 1, "LAB:ByID", "LAB:SOCIALSECURITY,LAB:DATEOFTEST,LAB:TESTNAME");
    row(&tables::painEvents, 0, "PAI:byname", "PAI:PERSONSNAME,PAI:DATE,PAI:TIME,PAI:LINKTOSYMPTOMS");
    row(&tables::painEvents, 1, "PAI:BYID", "PAI:SOCIALSECURITY,PAI:DATE,PAI:TIME,PAI:LINKTOSYMPTOMS");
    row(&tables::symptoms, 0, "SYM:ByName", "SYM:PERSONSNAME,-SYM:DATE,SYM:TIME");
    row(&tables::symptoms, 1, "SYM:BYID", "SYM:SOCIALSECURITY,SYM:DATE,SYM:TIME");
    row(&tables::familyHistory, 0, "FAM:byName", "FAM:PERSONSNAME,FAM:RELATIVESNAME");
    row(&tables::familyHistory, 1, "FAM:ByID", "FAM:SOCIALSECURITY,FAM:RELATIVESNAME");
    row(&tables::surgeries, 0, "SUR:ByPerson", "SUR:PERSON,SUR:DATEOFSURGERY,SUR:SURGICALPROCEDURE");
    row(&tables::surgeries, 1, "SUR:BYID", "SUR:SOCIALSECURITY,SUR:DATEOFSURGERY,SUR:SURGICALPROCEDURE");
    row(&tables::appointments, 0, "APP:ByDate", "APP:PERSONSNAME,APP:DATE,APP:DOCTOR,APP:TIME");
    row(&tables::journal, 0, "JOU:ByPerson", "JOU:PERSON,JOU:DATE,JOU:ENTRYTITLE");
    row(&tables::journal, 1, "JOU:BYID", "JOU:SOCIALSECURITY,JOU:ENTRYTITLE,JOU:DATE");
    row(&tables::planName, 0, "INS:ByCompany", "INS:COMPANYNAME,INS:PERSONSNAME");
    row(&tables::planName, 1, "INS:ByPerson", "INS:PERSONSNAME,INS:COMPANYNAME");
    row(&tables::expenses, 0, "EXP:ByPerson", "EXP:PERSONSNAME,EXP:DATEOFSERVICE,EXP:REASON");
    row(&tables::wallet, 0, "WAL:byname", "WAL:PERSONNAME");
    row(&tables::otherHistory, 0, "OTH:ByTitle", "OTH:TITLEOFDOCUMENT", true);
    row(&tables::listFormats, 0, "CFG:KEY_MAIN", "CFG:APPNAME,CFG:PROCID,CFG:USERID,CFG:CTRLID,CFG:FORMATID",
        true);
}

void TstTableLayouts::keys()
{
    QFETCH(Accessor, table);
    QFETCH(int, index);
    QFETCH(QString, label);
    QFETCH(QString, components);
    QFETCH(bool, unique);

    const TableLayout &t = table();
    QVERIFY(index < t.keyCount());
    const KeyDef &k = t.key(index);
    QCOMPARE(k.label, label); // exact case: messages show it as written
    QCOMPARE(describe(t, k), components);
    QCOMPARE(k.unique, unique);
    QVERIFY(k.noCase);
    QCOMPARE(t.keyIndex(label.toLower()), index);
    QCOMPARE(t.keyIndex(label.toUpper()), index);
}

// The fields where a slip is easiest: the unusual types, the ends of runs and
// the places where two similar tables differ.
void TstTableLayouts::fields_data()
{
    QTest::addColumn<Accessor>("table");
    QTest::addColumn<int>("number"); // 1-based, as the field tables count
    QTest::addColumn<QString>("name");
    QTest::addColumn<FieldType>("type");
    QTest::addColumn<int>("size");

    auto row = [](Accessor a, int number, const char *name, FieldType type, int size) {
        QTest::newRow(name) << a << number << QString::fromLatin1(name) << type << size;
    };
    using F = FieldType;

    row(&tables::personsName, 1, "PER:FIRSTNAME", F::Text, 20);
    row(&tables::personsName, 8, "PER:BIRTHDATE", F::Date, 4);
    row(&tables::personsName, 9, "PER:AGE", F::Real, 8);
    row(&tables::personsName, 11, "PER:EMAILADDRESS", F::CString, 60);
    row(&tables::personsName, 33, "PER:ALZHEIMERSDISEASE", F::Text, 1);
    row(&tables::personsName, 52, "PER:HEMOPHILIA_VWD_OTHERBLOODDISORDERS", F::Text, 1);
    row(&tables::personsName, 65, "PER:NOKNOWNMEDICALCONDITIONS", F::Text, 1);
    row(&tables::personsName, 66, "PER:DEFIBRILLATOR", F::Text, 60);
    row(&tables::personsName, 76, "PER:DRUGALLERGY1", F::Text, 30);
    row(&tables::personsName, 85, "PER:OTHERALLERGY5", F::Text, 20);
    row(&tables::personsName, 87, "PER:TIMEUPDATED", F::Time, 4);
    row(&tables::personsName, 97, "PER:IMM10", F::Text, 20);
    row(&tables::personsName, 107, "PER:IMMDATE10", F::Date, 4);
    row(&tables::personsName, 108, "PER:WEIGHT", F::Short, 2);
    row(&tables::personsName, 114, "PER:BMI", F::Real, 8);
    row(&tables::personsName, 116, "PER:MENSTRUATESTOPAGE", F::Short, 2);
    row(&tables::dummy, 10, "DUM:EMAILADDRESS", F::CString, 60);
    row(&tables::dummy, 18, "DUM:GROUPPLANNUMBER", F::Text, 20);
    row(&tables::dummy, 62, "DUM:DRUGALLERGY1", F::Text, 20);
    row(&tables::dummy, 94, "DUM:DRVISITNAME1", F::Text, 50);
    row(&tables::dummy, 113, "DUM:DRVISITDATE10", F::Date, 4);
    row(&tables::dummy, 123, "DUM:DRVISITPURPOSE10", F::Text, 50);
    row(&tables::dummy, 126, "DUM:MARITALSTATUS", F::Text, 20);
    row(&tables::doctors, 9, "DOC:STATE", F::Text, 20);
    row(&tables::sponsor, 12, "SPO:PRACTICENAME", F::Text, 60);
    row(&tables::pharmacy, 4, "PHA:STATE", F::Text, 2);
    row(&tables::bodyParts, 2, "BOD:BODYPART", F::Text, 30);
    row(&tables::reportName, 2, "REP:SYMBOL", F::Text, 20);
    row(&tables::bloodpre, 5, "BLO:PULSE", F::Real, 8);
    row(&tables::bloodpre, 7, "BLO:PERSONNAME", F::Text, 35);
    row(&tables::bloodpre, 11, "BLO:WEIGHT", F::Short, 2);
    row(&tables::glucose, 4, "GLU:READING", F::Short, 2);
    row(&tables::glucose, 13, "GLU:SOCIALSECURITY", F::Text, 12);
    row(&tables::prescripts, 10, "PRE:COST", F::Decimal, 4);
    row(&tables::prescripts, 13, "PRE:NUMBER", F::Short, 2);
    row(&tables::prescripts, 19, "PRE:NUMBERREFILLS", F::Real, 8);
    row(&tables::prescripts, 26, "PRE:PRINTKEY", F::CString, 120);
    row(&tables::prescripts, 27, "PRE:SEX", F::Text, 1);
    row(&tables::medicineManager, 4, "MDM:TIME1", F::Time, 4);
    row(&tables::medicineManager, 8, "MDM:TIME5", F::Time, 4);
    row(&tables::medicineManager, 9, "MDM:SUN", F::Text, 4);
    row(&tables::medicineManager, 15, "MDM:SAT", F::Text, 4);
    row(&tables::medicineManager, 16, "MDM:EVERY_HOURS", F::Short, 2);
    row(&tables::medicineManager, 23, "MDM:WHEN", F::Text, 80);
    row(&tables::labTests, 1, "LAB:DATEOFTEST", F::Date, 4);
    row(&tables::painEvents, 7, "PAI:SUSPECTEDCAUSE", F::CString, 250);
    row(&tables::painEvents, 8, "PAI:PAINSCALE", F::Short, 2);
    row(&tables::symptoms, 6, "SYM:SYMPTOM_1", F::Text, 40);
    row(&tables::symptoms, 25, "SYM:BODYPLACE_10", F::Text, 30);
    row(&tables::symptoms, 26, "SYM:TEMPERATURE", F::Decimal, 4);
    row(&tables::symptoms, 29, "SYM:NOTES", F::CString, 1001);
    row(&tables::familyHistory, 7, "FAM:AGEATDEATH", F::Byte, 1);
    row(&tables::familyHistory, 9, "FAM:FAMKEY", F::Text, 90);
    row(&tables::surgeries, 1, "SUR:PERSON", F::Text, 50);
    row(&tables::appointments, 9, "APP:QUESTION1", F::Text, 100);
    row(&tables::appointments, 28, "APP:ANSWER10", F::Text, 200);
    row(&tables::appointments, 29, "APP:SOCIALSECURITY", F::Text, 12);
    row(&tables::journal, 1, "JOU:DATE", F::Date, 4);
    row(&tables::planName, 6, "INS:ANNUALPREMIUM", F::Decimal, 4);
    row(&tables::planName, 22, "INS:EFFECTIVEDATE", F::Date, 4);
    row(&tables::expenses, 13, "EXP:DETAILS", F::Text, 300);
    row(&tables::expenses, 16, "EXP:BALANCEYOUOWE", F::Decimal, 4);
    row(&tables::wallet, 6, "WAL:ONLINE", F::Text, 1);
    row(&tables::otherHistory, 2, "OTH:FILENAME", F::CString, 61);
    row(&tables::otherHistory, 4, "OTH:PDF_MADETIME", F::Time, 4);
    row(&tables::listFormats, 5, "CFG:FORMATID", F::Short, 2);
    row(&tables::listFormats, 7, "CFG:FLAG", F::Byte, 1);
    row(&tables::listFormats, 8, "CFG:FORMAT", F::Text, 5120);
    row(&tables::listFormats, 9, "CFG:VARLINE", F::Text, 2048);
}

void TstTableLayouts::fields()
{
    QFETCH(Accessor, table);
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(FieldType, type);
    QFETCH(int, size);

    const TableLayout &t = table();
    QVERIFY(number >= 1 && number <= t.fieldCount());
    const FieldDef &f = t.field(number - 1);
    QCOMPARE(f.name, name);
    QCOMPARE(f.type, type);
    QCOMPARE(f.size, size);
    if (!isTextType(type))
        QCOMPARE(f.size, fixedSizeOf(type));
}

void TstTableLayouts::offsetsAreContiguous_data()
{
    addEveryTable();
}

void TstTableLayouts::offsetsAreContiguous()
{
    QFETCH(Accessor, table);
    const TableLayout &t = table();
    int offset = 0;
    for (const FieldDef &f : t.fields()) {
        QVERIFY2(f.size > 0, qPrintable(f.name));
        QVERIFY2(f.offset == offset, qPrintable(f.name));
        offset += f.size;
    }
    QCOMPARE(offset, t.recordSize());
}

void TstTableLayouts::fieldNamesCarryPrefix_data()
{
    addEveryTable();
}

void TstTableLayouts::fieldNamesCarryPrefix()
{
    QFETCH(Accessor, table);
    const TableLayout &t = table();
    const QString head = t.prefix().toUpper() + u':';
    QSet<QString> seen;
    for (const FieldDef &f : t.fields()) {
        QVERIFY2(f.name.startsWith(head), qPrintable(f.name));
        QCOMPARE(f.name.mid(head.size()), f.column);
        QCOMPARE(f.column, f.column.toUpper());
        QVERIFY2(!seen.contains(f.column), qPrintable(f.name));
        seen.insert(f.column);
    }
    if (t.memo()) {
        QCOMPARE(t.memo()->name, head + t.memo()->column);
        // The memo is bound by name beside the fields, so it must not shadow one.
        QCOMPARE(t.fieldIndex(t.memo()->column), -1);
    }
}

void TstTableLayouts::fieldIndexIgnoresPrefixAndCase_data()
{
    addEveryTable();
}

void TstTableLayouts::fieldIndexIgnoresPrefixAndCase()
{
    QFETCH(Accessor, table);
    const TableLayout &t = table();
    for (int i = 0; i < t.fieldCount(); ++i) {
        const FieldDef &f = t.field(i);
        QCOMPARE(t.fieldIndex(f.name), i);
        QCOMPARE(t.fieldIndex(f.name.toLower()), i);
        QCOMPARE(t.fieldIndex(f.column), i);
        QCOMPARE(t.fieldIndex(f.column.toLower()), i);
        // Mixed case, as the forms write names: "Per:FirstName".
        QString mixed = f.name.toLower();
        mixed[0] = mixed[0].toUpper();
        QCOMPARE(t.fieldIndex(mixed), i);
    }
    QCOMPARE(t.fieldIndex(t.prefix() + QStringLiteral(":NO_SUCH_FIELD")), -1);
    QCOMPARE(t.fieldIndex(QString()), -1);
}

void TstTableLayouts::allInCatalogueOrder()
{
    const auto &list = tables::all();
    QCOMPARE(list.size(), std::size(kTables));
    QSet<QString> labels, prefixes, stored;
    for (std::size_t i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i], &kTables[i].accessor());
        QCOMPARE(list[i]->label(), QString::fromLatin1(kTables[i].label));
        labels.insert(list[i]->label().toUpper());
        prefixes.insert(list[i]->prefix().toUpper());
        stored.insert(list[i]->storedName().toUpper());
    }
    // Labels name tables in messages and prefixes name fields in expressions;
    // two tables must never share either, nor a place on disk.
    QCOMPARE(std::size_t(labels.size()), list.size());
    QCOMPARE(std::size_t(prefixes.size()), list.size());
    QCOMPARE(std::size_t(stored.size()), list.size());
}

void TstTableLayouts::byLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<Accessor>("expected"); // nullptr: no such table

    for (const Entry &e : kTables) {
        const QString label = QString::fromLatin1(e.label);
        QTest::addRow("%s", e.label) << label << e.accessor;
        QTest::addRow("%s lower", e.label) << label.toLower() << e.accessor;
        QTest::addRow("%s upper", e.label) << label.toUpper() << e.accessor;
    }
    QTest::newRow("prefix is not a label") << QStringLiteral("PER") << Accessor(nullptr);
    QTest::newRow("stored name is not a label") << QStringLiteral("persons") << Accessor(nullptr);
    QTest::newRow("catalogue wording") << QStringLiteral("list formats") << Accessor(nullptr);
    QTest::newRow("empty") << QString() << Accessor(nullptr);
    QTest::newRow("trailing blank") << QStringLiteral("Doctors ") << Accessor(nullptr);
}

void TstTableLayouts::byLabel()
{
    QFETCH(QString, label);
    QFETCH(Accessor, expected);
    const TableLayout *found = tables::byLabel(label);
    if (expected)
        QCOMPARE(found, &expected());
    else
        QCOMPARE(found, nullptr);
}

void TstTableLayouts::accessorsBuildOnce()
{
    // Record buffers keep a pointer to their layout; it must stay put.
    for (const Entry &e : kTables)
        QCOMPARE(&e.accessor(), &e.accessor());
}

QTEST_GUILESS_MAIN(TstTableLayouts)
#include "tst_tablelayouts.moc"
