// Filter texts: parsing, binding to a table and its bound names, matching
// rows, and the key constraints a view reads from them.
#include "filterexpression.h"
#include "record.h"
#include "tablelayout.h"
#include "tables.h"
#include "values.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <string>

using namespace tavimo;

namespace {

// A function, not a constant: the date code's own statics may not be set
// up yet while this file's are.
Date pinnedToday()
{
    return Date::fromYmd(2024, 6, 15);
}

int day(int year, int month, int dayOfMonth)
{
    return Date::fromYmd(year, month, dayOfMonth).dayNumber();
}

// A table with one field of every stored type, for the comparison rules.
const TableLayout &sample()
{
    static const TableLayout layout = TableLayout::Builder(QStringLiteral("Sample"), QStringLiteral("SAM"),
                                                           QStringLiteral("sample"))
                                          .text("NAME", 20)
                                          .cstring("CODE", 10)
                                          .date("DAY")
                                          .time("AT")
                                          .decimal("AMOUNT")
                                          .real("WEIGHT")
                                          .int16("COUNT")
                                          .uint8("FLAG")
                                          .key(QStringLiteral("SAM:ByName"), {"NAME"})
                                          .build();
    return layout;
}

const TableLayout *layoutNamed(const QString &label)
{
    if (label == QLatin1String("Sample"))
        return &sample();
    return tables::byLabel(label);
}

// "FIELD=value|FIELD=value"; dates as yyyy-MM-dd (empty = no date), times as HH:mm.
bool fill(Record &r, const QString &values, QString *problem)
{
    if (values.isEmpty())
        return true;
    for (const QString &assignment : values.split(QLatin1Char('|'))) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(eq);
        const QString value = assignment.mid(eq + 1);
        const int field = r.layout().fieldIndex(name);
        if (eq < 0 || field < 0) {
            *problem = QStringLiteral("no field %1 in %2").arg(name, r.layout().label());
            return false;
        }
        switch (r.layout().field(field).type) {
        case FieldType::Text:
        case FieldType::CString: r.setText(field, value); break;
        case FieldType::Date:
            r.setDate(field, value.isEmpty() ? Date() : Date::fromQDate(QDate::fromString(value, Qt::ISODate)));
            break;
        case FieldType::Time: r.setTime(field, Time::fromQTime(QTime::fromString(value, QStringLiteral("HH:mm")))); break;
        case FieldType::Real: r.setReal(field, value.toDouble()); break;
        case FieldType::Short:
        case FieldType::Byte: r.setInteger(field, value.toInt()); break;
        case FieldType::Decimal: r.setDecimal(field, Decimal::parse(value).value_or(Decimal())); break;
        }
    }
    return true;
}

// The names a person's lists and reports bind, then "name=value|..." on
// top: d: for a date, n: for a number, a plain text otherwise.
FilterNameList boundNames(const QString &overrides)
{
    FilterNameList names;
    names.set(QStringLiteral("personname"), FilterValue::fromText(QStringLiteral("Ann Lee")));
    names.set(QStringLiteral("ssnum"), FilterValue::fromText(QStringLiteral("123-45-6789")));
    names.set(QStringLiteral("FromDate"), FilterValue::fromDate(Date::fromYmd(2024, 1, 1)));
    names.set(QStringLiteral("ToDate"), FilterValue::fromDate(Date::fromYmd(2024, 1, 31)));
    names.set(QStringLiteral("NameOnPrescription"), FilterValue::fromText(QStringLiteral("Ann Lee")));
    names.set(QStringLiteral("BOD1:BODYSECTION"), FilterValue::fromText(QStringLiteral("Head")));
    names.set(QStringLiteral("EXP:PERSONSNAME"), FilterValue::fromText(QStringLiteral("Ann Lee")));
    if (overrides.isEmpty())
        return names;
    for (const QString &assignment : overrides.split(QLatin1Char('|'))) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(eq);
        const QString value = assignment.mid(eq + 1);
        if (value.startsWith(QLatin1String("d:")))
            names.set(name, FilterValue::fromDate(Date::fromQDate(QDate::fromString(value.mid(2), Qt::ISODate))));
        else if (value.startsWith(QLatin1String("n:")))
            names.set(name, FilterValue::fromNumber(value.mid(2).toDouble()));
        else
            names.set(name, FilterValue::fromText(value));
    }
    return names;
}

std::unique_ptr<BoundFilter> bindOrFail(const QString &text, const TableLayout &layout, const FilterNames &names,
                                        QString *error)
{
    const auto parsed = FilterExpression::parse(text, error);
    if (!parsed)
        return nullptr;
    return parsed->bind(layout, names, error, pinnedToday());
}

const char *opText(BoundFilter::Constraint::Op op)
{
    switch (op) {
    case BoundFilter::Constraint::Op::Eq: return "=";
    case BoundFilter::Constraint::Op::Lt: return "<";
    case BoundFilter::Constraint::Op::Le: return "<=";
    case BoundFilter::Constraint::Op::Gt: return ">";
    case BoundFilter::Constraint::Op::Ge: return ">=";
    }
    return "?";
}

// "FIELD op value & ... | ...", "*" for a disjunct without constraints.
QString describe(const BoundFilter &filter)
{
    QStringList disjuncts;
    for (const BoundFilter::Disjunct &d : filter.disjuncts()) {
        QStringList parts;
        for (const BoundFilter::Constraint &c : d.constraints) {
            QString field = filter.layout().field(c.field).name;
            if (c.upper)
                field = QStringLiteral("UPPER(%1)").arg(field);
            if (c.lower)
                field = QStringLiteral("LOWER(%1)").arg(field);
            QString value;
            switch (c.value.kind) {
            case FilterValue::Kind::Text: value = QStringLiteral("'%1'").arg(c.value.text); break;
            case FilterValue::Kind::Date: value = QStringLiteral("d:") + QString::number(c.value.number, 'g', 15); break;
            case FilterValue::Kind::Number: value = QString::number(c.value.number, 'g', 15); break;
            }
            parts << QStringLiteral("%1 %2 %3").arg(field, QLatin1String(opText(c.op)), value);
        }
        disjuncts << (parts.isEmpty() ? QStringLiteral("*") : parts.join(QLatin1String(" & ")));
    }
    return disjuncts.join(QLatin1String(" | "));
}

// The constraint checked on its own, independently of the filter's evaluator.
bool satisfies(const Record &r, const BoundFilter::Constraint &c)
{
    const FieldDef &f = r.layout().field(c.field);
    int order = 0;
    if (isTextType(f.type)) {
        QString value = r.text(c.field);
        while (value.endsWith(QLatin1Char(' ')))
            value.chop(1);
        if (c.upper)
            value = value.toUpper();
        if (c.lower)
            value = value.toLower();
        order = std::string(value.toUtf8().constData()).compare(c.value.text.toUtf8().constData());
    } else {
        double value = 0;
        switch (f.type) {
        case FieldType::Date: value = r.date(c.field).dayNumber(); break;
        case FieldType::Time: value = r.time(c.field).value(); break;
        case FieldType::Real: value = r.real(c.field); break;
        case FieldType::Decimal: value = r.decimal(c.field).toDouble(); break;
        default: value = r.integer(c.field); break;
        }
        order = value < c.value.number ? -1 : (value > c.value.number ? 1 : 0);
    }
    switch (c.op) {
    case BoundFilter::Constraint::Op::Eq: return order == 0;
    case BoundFilter::Constraint::Op::Lt: return order < 0;
    case BoundFilter::Constraint::Op::Le: return order <= 0;
    case BoundFilter::Constraint::Op::Gt: return order > 0;
    case BoundFilter::Constraint::Op::Ge: return order >= 0;
    }
    return false;
}

bool someDisjunctHolds(const BoundFilter &filter, const Record &r)
{
    for (const BoundFilter::Disjunct &d : filter.disjuncts()) {
        bool all = true;
        for (const BoundFilter::Constraint &c : d.constraints)
            all = all && satisfies(r, c);
        if (all)
            return true;
    }
    return false;
}

} // namespace

class TestFilterExpression : public QObject
{
    Q_OBJECT

private slots:
    void programFilters_data();
    void programFilters();
    void comparisons_data();
    void comparisons();
    void refusedTexts_data();
    void refusedTexts();
    void textsAtTheLimitsAreAccepted();
    void unknownNames_data();
    void unknownNames();
    void disjuncts_data();
    void disjuncts();
    void bindingReadsNamesEachTime();
    void todayIsTheDateOfBinding();
    void storedBytesReadAsTheRecordReadsThem_data();
    void storedBytesReadAsTheRecordReadsThem();
    void recordOfAnotherSizeNeverMatches();
    void keepsItsText();
};

// Every filter text the program's lists, drop-down lists and reports use,
// with rows that must and must not pass. The bound names are those of
// boundNames() (person Ann Lee, 123-45-6789, January 2024); today is 15 June 2024.
void TestFilterExpression::programFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("overrides"); // of the bound names
    QTest::addColumn<QStringList>("pass");
    QTest::addColumn<QStringList>("fail");

    const QString byName = QStringLiteral("%1=Ann Lee");
    const QString otherByNumber = QStringLiteral("%1=Bob Roe|SOCIALSECURITY=123-45-6789");
    const QString other = QStringLiteral("%1=Bob Roe|SOCIALSECURITY=987-65-4321");
    const QString lowerCase = QStringLiteral("%1=ann lee");
    auto nameOrNumber = [&](const char *tag, const char *filter, const char *table, const char *field) {
        const QString f = QLatin1String(field);
        QTest::newRow(tag) << QString::fromLatin1(filter) << QString::fromLatin1(table) << QString()
                           << QStringList{byName.arg(f), otherByNumber.arg(f), byName.arg(f) + QStringLiteral("|SOCIALSECURITY=000")}
                           << QStringList{other.arg(f), lowerCase.arg(f), QString()};
    };
    auto nameOnly = [&](const char *tag, const char *filter, const char *table, const char *field) {
        const QString f = QLatin1String(field);
        QStringList pass{byName.arg(f)};
        QStringList fail{lowerCase.arg(f), QStringLiteral("%1=Ann Le").arg(f), QStringLiteral("%1= Ann Lee").arg(f),
                         QStringLiteral("%1=Bob Roe").arg(f), QString()};
        // The number does not count when only the name is asked for.
        if (layoutNamed(QLatin1String(table))->fieldIndex(QStringLiteral("SOCIALSECURITY")) >= 0) {
            pass << byName.arg(f) + QStringLiteral("|SOCIALSECURITY=000");
            fail << otherByNumber.arg(f);
        }
        QTest::newRow(tag) << QString::fromLatin1(filter) << QString::fromLatin1(table) << QString() << pass << fail;
    };
    auto nameAndDates = [&](const char *tag, const char *filter, const char *table, const char *field,
                            const char *dateField) {
        const QString who = QStringLiteral("%1=%2|%3=").arg(QLatin1String(field));
        const QString d = QLatin1String(dateField);
        QTest::newRow(tag) << QString::fromLatin1(filter) << QString::fromLatin1(table) << QString()
                           << QStringList{who.arg(QStringLiteral("Ann Lee"), d) + QStringLiteral("2024-01-01"),
                                          who.arg(QStringLiteral("Ann Lee"), d) + QStringLiteral("2024-01-17"),
                                          who.arg(QStringLiteral("Ann Lee"), d) + QStringLiteral("2024-01-31")}
                           << QStringList{who.arg(QStringLiteral("Ann Lee"), d) + QStringLiteral("2023-12-31"),
                                          who.arg(QStringLiteral("Ann Lee"), d) + QStringLiteral("2024-02-01"),
                                          who.arg(QStringLiteral("Ann Lee"), d),
                                          who.arg(QStringLiteral("Bob Roe"), d) + QStringLiteral("2024-01-17")};
    };

    // Lists of the profile form.
    nameOrNumber("surgeries list", "(SUR:Person=personname or SUR:SocialSecurity = ssnum)", "Surgeries", "PERSON");
    nameOrNumber("visits list", "(APP:Personsname = personname  OR APP:SocialSecurity = ssnum)", "Appointments",
                 "PERSONSNAME");
    nameOnly("blood pressure list, order 1", "(Blo:personname=personname)", "Bloodpre", "PERSONNAME");
    nameOrNumber("blood pressure list, order 2", "(Blo:personname=personname  OR Blo:SocialSecurity = ssnum)",
                 "Bloodpre", "PERSONNAME");
    nameOnly("glucose list, order 1", "(Glu:personname=personname)", "Glucose", "PERSONNAME");
    nameOrNumber("glucose list, order 2", "(Glu:personname=personname or Glu:SocialSecurity = ssnum)", "Glucose",
                 "PERSONNAME");
    nameOrNumber("prescriptions list, order 2", "(PRE:PersonsName=personname or PRE:SocialSecurity = ssnum)",
                 "Prescripts", "PERSONSNAME");
    nameOnly("lab tests list, order 1", "(LAB:PersonsName=personname)", "LabTests", "PERSONSNAME");
    nameOrNumber("lab tests list, order 2", "(LAB:PersonsName=personname or LAB:SocialSecurity = ssnum)", "LabTests",
                 "PERSONSNAME");
    nameOrNumber("symptoms list", "(SYM:PersonsName=personname  OR SYM:SocialSecurity = ssnum)", "Symptoms",
                 "PERSONSNAME");
    nameOrNumber("pain list", "(PAI:Personsname=personname  OR PAI:SocialSecurity = ssnum)", "PainEvents",
                 "PERSONSNAME");
    nameOrNumber("family history list", "(FAM:Personsname=personname  OR FAM:SocialSecurity = ssnum)",
                 "FamilyHistory", "PERSONSNAME");
    nameOnly("expenses list", "(EXP:PersonsName=personname)", "Expenses", "PERSONSNAME");
    nameOnly("journal list", "(JOU:Person=personname)", "Journal", "PERSON");

    // Both sides are bound names: every row or none.
    QTest::newRow("prescriptions list, order 1, same name")
        << QStringLiteral("(NameOnPrescription=personname)") << QStringLiteral("Prescripts") << QString()
        << QStringList{QString(), QStringLiteral("PERSONSNAME=Bob Roe")} << QStringList{};
    QTest::newRow("prescriptions list, order 1, other name")
        << QStringLiteral("(NameOnPrescription=personname)") << QStringLiteral("Prescripts")
        << QStringLiteral("NameOnPrescription=Ann                 Lee") << QStringList{}
        << QStringList{QString(), QStringLiteral("PERSONSNAME=Ann Lee")};

    // A current name longer than the blood pressure table's 35 characters.
    QTest::newRow("blood pressure list, name cut to 35")
        << QStringLiteral("(Blo:personname=personname)") << QStringLiteral("Bloodpre")
        << QStringLiteral("personname=Alexandra Catherine Montgomery-Whitfield")
        << QStringList{} << QStringList{QStringLiteral("PERSONNAME=Alexandra Catherine Montgomery-Whitfield")};
    QTest::newRow("person report, long name")
        << QStringLiteral("PER:PersonsName=personname") << QStringLiteral("PersonsName")
        << QStringLiteral("personname=Alexandra Catherine Montgomery-Whitfield")
        << QStringList{QStringLiteral("PERSONSNAME=Alexandra Catherine Montgomery-Whitfield")}
        << QStringList{QStringLiteral("PERSONSNAME=Alexandra Catherine Montgomery-Whitfiel")};

    // Drop-down lists of the forms.
    QTest::newRow("person's active plans")
        << QStringLiteral("INS:Personsname = personname and INS:Active = 'Y'") << QStringLiteral("PlanName") << QString()
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=Y")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=N"), QStringLiteral("PERSONSNAME=Ann Lee"),
                       QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=y"), QStringLiteral("PERSONSNAME=Bob Roe|ACTIVE=Y")};
    QTest::newRow("expense's plans, through the expense record")
        << QStringLiteral("INS:Personsname = EXP:PersonsName and INS:Active = 'Y'") << QStringLiteral("PlanName")
        << QStringLiteral("EXP:PersonsName=Bob Roe")
        << QStringList{QStringLiteral("PERSONSNAME=Bob Roe|ACTIVE=Y")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=Y"), QStringLiteral("PERSONSNAME=Bob Roe|ACTIVE=N")};
    QTest::newRow("body parts of the chosen section")
        << QStringLiteral("(BOD:BodySection=BOD1:BodySection)") << QStringLiteral("BodyParts") << QString()
        << QStringList{QStringLiteral("BODYSECTION=Head|BODYPART=Ear"), QStringLiteral("BODYSECTION=Head")}
        << QStringList{QStringLiteral("BODYSECTION=Neck|BODYPART=Ear"), QStringLiteral("BODYSECTION=HEAD"), QString()};

    // The refill reminder: due within 30 days of today (15 June 2024).
    QTest::newRow("refill reminders")
        << QStringLiteral("(PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and PRE:Active = 'Y')")
        << QStringLiteral("Prescripts") << QString()
        << QStringList{QStringLiteral("REFILLREMINDERDATE=2024-07-14|ACTIVE=Y"),
                       QStringLiteral("REFILLREMINDERDATE=2024-06-15|ACTIVE=Y"),
                       QStringLiteral("REFILLREMINDERDATE=2019-03-01|ACTIVE=Y")}
        << QStringList{QStringLiteral("REFILLREMINDERDATE=2024-07-15|ACTIVE=Y"),
                       QStringLiteral("REFILLREMINDERDATE=|ACTIVE=Y"),
                       QStringLiteral("REFILLREMINDERDATE=2024-07-01|ACTIVE=N"),
                       QStringLiteral("REFILLREMINDERDATE=2024-07-01")};

    // Reports, with and without the date range.
    nameAndDates("blood pressure report", "Blo:personname=personname  AND (Blo:Date >= FromDate  AND Blo:date <= ToDate)",
                 "Bloodpre", "PERSONNAME", "DATE");
    nameAndDates("glucose report", "Glu:personname=personname  AND  (Glu:Date >= FromDate and Glu:date <= Todate)",
                 "Glucose", "PERSONNAME", "DATE");
    nameAndDates("lab tests report",
                 "LAB:PersonsName=personname and (LAB:DateOfTest >= fromdate and lab:dateoftest <= todate)", "LabTests",
                 "PERSONSNAME", "DATEOFTEST");
    nameAndDates("symptoms report", "SYM:PersonsName = personname  AND (SYM:Date >= fromdate  AND sym:date <= todate )",
                 "Symptoms", "PERSONSNAME", "DATE");
    nameAndDates("pain report", "PAI:Personsname=personname  AND (PAI:Date >= fromdate  AND PAI:Date <= todate )",
                 "PainEvents", "PERSONSNAME", "DATE");
    nameAndDates("surgery report",
                 "SUR:Person=personname  AND  SUR:DateOfSurgery >= FromDate  AND SUR:DateOfSurgery <= ToDate",
                 "Surgeries", "PERSON", "DATEOFSURGERY");
    nameAndDates("expense report",
                 "EXP:PersonsName=personname  AND (EXP:DateOfService >= fromdate and EXP:DateOfService <= todate)",
                 "Expenses", "PERSONSNAME", "DATEOFSERVICE");
    QTest::newRow("blood pressure report, all dates")
        << QStringLiteral("Blo:personname=personname  AND (Blo:Date >= FromDate  AND Blo:date <= ToDate)")
        << QStringLiteral("Bloodpre") << QStringLiteral("FromDate=d:1900-01-01|ToDate=d:2024-06-15")
        << QStringList{QStringLiteral("PERSONNAME=Ann Lee|DATE=1950-05-05"), QStringLiteral("PERSONNAME=Ann Lee|DATE=2024-06-15")}
        << QStringList{QStringLiteral("PERSONNAME=Ann Lee|DATE=2024-06-16"), QStringLiteral("PERSONNAME=Ann Lee")};

    nameOnly("glucose PDF report", "Glu:personname=personname", "Glucose", "PERSONNAME");
    nameOnly("blood pressure PDF report", "Blo:personname=personname", "Bloodpre", "PERSONNAME");
    nameOnly("lab tests PDF report", "LAB:PersonsName=personname", "LabTests", "PERSONSNAME");
    nameOnly("symptoms PDF report", "SYM:PersonsName=personname", "Symptoms", "PERSONSNAME");
    nameOnly("pain PDF report", "PAI:Personsname=personname", "PainEvents", "PERSONSNAME");
    nameOnly("family history report", "FAM:Personsname=personname", "FamilyHistory", "PERSONSNAME");
    nameOnly("prescriptions report", "PRE:PersonsName=personname", "Prescripts", "PERSONSNAME");
    nameOnly("surgery PDF report", "SUR:Person=personname", "Surgeries", "PERSON");
    nameOnly("expenses PDF report", "EXP:PersonsName=personname", "Expenses", "PERSONSNAME");
    nameOnly("journal report", "JOU:Person=personname", "Journal", "PERSON");
    nameOnly("BMI and PDF profile report", "PER:PersonsName=personname", "PersonsName", "PERSONSNAME");
    nameOnly("wallet card", "WAL:Personname=personname", "Wallet", "PERSONNAME");
    QTest::newRow("medicine schedule report")
        << QStringLiteral("MDM:PersonsName=personname  AND  MDM:Active='Y'") << QStringLiteral("MedicineManager")
        << QString() << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=Y|DRUGNAME=Aspirin")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=N"), QStringLiteral("PERSONSNAME=Bob Roe|ACTIVE=Y")};
    QTest::newRow("blank form")
        << QStringLiteral("DUM:PersonsName='           '") << QStringLiteral("DUMMY") << QString()
        << QStringList{QString(), QStringLiteral("PERSONSNAME= ")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee"), QStringLiteral("PERSONSNAME= x")};

    // What a view writes for its range and named filters.
    QTest::newRow("range on a case-insensitive key")
        << QStringLiteral("UPPER(PER:PERSONSNAME) = UPPER('ann lee')") << QStringLiteral("PersonsName") << QString()
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee"), QStringLiteral("PERSONSNAME=ANN LEE")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Leer"), QStringLiteral("PERSONSNAME=AnnLee")};
    QTest::newRow("range value with a quote")
        << QStringLiteral("UPPER(PER:PERSONSNAME) = UPPER('Pat O''Brien')") << QStringLiteral("PersonsName") << QString()
        << QStringList{QStringLiteral("PERSONSNAME=pat o'brien")}
        << QStringList{QStringLiteral("PERSONSNAME=Pat OBrien"), QStringLiteral("PERSONSNAME=Pat O''Brien")};
    QTest::newRow("pair range and the standard filter")
        << QStringLiteral("UPPER(GLU:PERSONNAME) = UPPER('Ann Lee') AND GLU:DATE >= %1 AND GLU:DATE <= %2 AND "
                          "(Glu:personname=personname)")
               .arg(day(2024, 1, 10))
               .arg(day(2024, 1, 20))
        << QStringLiteral("Glucose") << QString()
        << QStringList{QStringLiteral("PERSONNAME=Ann Lee|DATE=2024-01-10"), QStringLiteral("PERSONNAME=Ann Lee|DATE=2024-01-20")}
        << QStringList{QStringLiteral("PERSONNAME=ANN LEE|DATE=2024-01-15"), QStringLiteral("PERSONNAME=Ann Lee|DATE=2024-01-21")};
    QTest::newRow("query filter beside the standard one")
        << QStringLiteral("(PRE:Active = 'Y') AND (PRE:PersonsName=personname or PRE:SocialSecurity = ssnum)")
        << QStringLiteral("Prescripts") << QString()
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=Y"), QStringLiteral("SOCIALSECURITY=123-45-6789|ACTIVE=Y")}
        << QStringList{QStringLiteral("PERSONSNAME=Ann Lee|ACTIVE=N"), QStringLiteral("PERSONSNAME=Bob Roe|ACTIVE=Y")};
}

void TestFilterExpression::programFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, table);
    QFETCH(QString, overrides);
    QFETCH(QStringList, pass);
    QFETCH(QStringList, fail);

    const TableLayout *layout = layoutNamed(table);
    QVERIFY2(layout, qPrintable(table));
    const FilterNameList names = boundNames(overrides);
    QString error;
    const auto bound = bindOrFail(filter, *layout, names, &error);
    QVERIFY2(bound, qPrintable(error));
    QVERIFY(error.isEmpty());

    for (const QString &row : pass) {
        Record r(*layout);
        QString problem;
        QVERIFY2(fill(r, row, &problem), qPrintable(problem));
        QVERIFY2(bound->matches(r), qPrintable(QStringLiteral("should pass: ") + row));
        // A row that passes lies inside the key ranges the view would read.
        QVERIFY2(someDisjunctHolds(*bound, r), qPrintable(describe(*bound) + QStringLiteral(" misses ") + row));
    }
    for (const QString &row : fail) {
        Record r(*layout);
        QString problem;
        QVERIFY2(fill(r, row, &problem), qPrintable(problem));
        QVERIFY2(!bound->matches(r), qPrintable(QStringLiteral("should fail: ") + row));
    }
}

// The comparison rules, on a table with every field type.
void TestFilterExpression::comparisons_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("bound");
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("expected");

    auto row = [](const char *tag, const QString &filter, const QString &record, bool expected,
                  const QString &bound = QString()) {
        QTest::newRow(tag) << filter << bound << record << expected;
    };
    const QString jan17 = QStringLiteral("DAY=2024-01-17");

    // Texts: trailing blanks never count, leading blanks and case do.
    row("trailing blanks in the literal", QStringLiteral("SAM:NAME = 'Ann   '"), QStringLiteral("NAME=Ann"), true);
    row("trailing blanks in a bound text", QStringLiteral("SAM:NAME = personname"), QStringLiteral("NAME=Ann Lee"), true,
        QStringLiteral("personname=Ann Lee    "));
    row("leading blank counts", QStringLiteral("SAM:NAME = ' Ann'"), QStringLiteral("NAME=Ann"), false);
    row("case counts", QStringLiteral("SAM:NAME = 'ann'"), QStringLiteral("NAME=Ann"), false);
    row("empty literal is a blank field", QStringLiteral("SAM:NAME = ''"), QString(), true);
    row("zero-terminated field", QStringLiteral("SAM:CODE = 'AB  '"), QStringLiteral("CODE=AB"), true);
    row("zero-terminated field differs", QStringLiteral("SAM:CODE = 'ABC'"), QStringLiteral("CODE=AB"), false);
    row("not equal", QStringLiteral("SAM:NAME <> 'Ann'"), QStringLiteral("NAME=Bob"), true);
    row("not equal ignores trailing blanks", QStringLiteral("SAM:NAME <> 'Ann  '"), QStringLiteral("NAME=Ann"), false);
    row("text order", QStringLiteral("SAM:NAME < 'Bob'"), QStringLiteral("NAME=Ann"), true);
    row("longer text sorts after", QStringLiteral("SAM:NAME > 'Ann'"), QStringLiteral("NAME=Ann Lee"), true);
    row("padding is not longer", QStringLiteral("SAM:NAME > 'Ann'"), QStringLiteral("NAME=Ann   "), false);
    row("at most, equal", QStringLiteral("SAM:NAME <= 'Ann'"), QStringLiteral("NAME=Ann"), true);
    row("capitals sort first", QStringLiteral("SAM:NAME >= 'b'"), QStringLiteral("NAME=B"), false);
    row("characters beyond ASCII sort last", QStringLiteral("SAM:NAME > 'z'"), QStringLiteral("NAME=\u00e9"), true);
    row("field against field", QStringLiteral("SAM:NAME = SAM:CODE"), QStringLiteral("NAME=X1|CODE=X1"), true);

    // Case folding.
    row("UPPER of a field", QStringLiteral("UPPER(SAM:NAME) = 'ANN LEE'"), QStringLiteral("NAME=aNn lEe"), true);
    row("UPPER on both sides", QStringLiteral("upper(SAM:NAME) = Upper('ann')"), QStringLiteral("NAME=ANN"), true);
    row("UPPER against a lower-case literal", QStringLiteral("UPPER(SAM:NAME) = 'ann'"), QStringLiteral("NAME=ann"), false);
    row("LOWER", QStringLiteral("LOWER(SAM:NAME) = LOWER('ANN')"), QStringLiteral("NAME=AnN"), true);
    row("UPPER beyond ASCII", QStringLiteral("UPPER(SAM:NAME) = '\u00c4RZTIN'"), QStringLiteral("NAME=\u00e4rztin"), true);
    row("UPPER orders too", QStringLiteral("UPPER(SAM:NAME) < 'B'"), QStringLiteral("NAME=azure"), true);
    row("UPPER of LOWER", QStringLiteral("UPPER(LOWER(SAM:NAME)) = 'ANN'"), QStringLiteral("NAME=Ann"), true);
    row("UPPER of a zero-terminated field", QStringLiteral("UPPER(SAM:CODE) = 'AB'"), QStringLiteral("CODE=ab"), true);
    row("UPPER leaves a number alone", QStringLiteral("UPPER(SAM:COUNT) = 12"), QStringLiteral("COUNT=12"), true);

    // Dates: compared as day numbers, with texts and numbers read as numbers.
    row("date after a blank text", QStringLiteral("SAM:DAY > ''"), jan17, true);
    row("no date is not after a blank text", QStringLiteral("SAM:DAY > ''"), QString(), false);
    row("no date equals a blank text", QStringLiteral("SAM:DAY = ''"), QString(), true);
    row("no date equals 0", QStringLiteral("SAM:DAY = 0"), QString(), true);
    row("date against a day number", QStringLiteral("SAM:DAY = %1").arg(day(2024, 1, 17)), jan17, true);
    row("date against a day number in quotes", QStringLiteral("SAM:DAY = '%1'").arg(day(2024, 1, 17)), jan17, true);
    row("date against a bound date", QStringLiteral("SAM:DAY >= FromDate and SAM:DAY <= ToDate"), jan17, true);
    row("date plus days", QStringLiteral("SAM:DAY + 14 = ToDate"), jan17, true);
    row("days plus date", QStringLiteral("14 + SAM:DAY = ToDate"), jan17, true);
    row("date minus days", QStringLiteral("SAM:DAY - 16 = FromDate"), jan17, true);
    row("date minus date", QStringLiteral("ToDate - SAM:DAY = 14"), jan17, true);
    row("today", QStringLiteral("SAM:DAY = TODAY()"), QStringLiteral("DAY=2024-06-15"), true);
    row("today with a blank before the parenthesis", QStringLiteral("SAM:DAY < Today ( ) - 140"), jan17, true);
    row("today minus a date", QStringLiteral("today() - SAM:DAY = 150"), jan17, true);

    // Numbers of every stored kind, and texts read as numbers.
    row("decimal", QStringLiteral("SAM:AMOUNT = 12.5"), QStringLiteral("AMOUNT=12.50"), true);
    row("decimal cents", QStringLiteral("SAM:AMOUNT = 0.1 AND SAM:AMOUNT >= .1"), QStringLiteral("AMOUNT=0.10"), true);
    row("negative decimal", QStringLiteral("SAM:AMOUNT < -3.2"), QStringLiteral("AMOUNT=-3.25"), true);
    row("real", QStringLiteral("SAM:WEIGHT > 150.25"), QStringLiteral("WEIGHT=150.5"), true);
    row("16-bit", QStringLiteral("SAM:COUNT = -5"), QStringLiteral("COUNT=-5"), true);
    row("negated field", QStringLiteral("-SAM:COUNT = 5"), QStringLiteral("COUNT=-5"), true);
    row("double sign", QStringLiteral("SAM:COUNT = - -5"), QStringLiteral("COUNT=5"), true);
    row("8-bit", QStringLiteral("SAM:FLAG = 255"), QStringLiteral("FLAG=255"), true);
    row("time set", QStringLiteral("SAM:AT > 0"), QStringLiteral("AT=08:30"), true);
    row("no time", QStringLiteral("SAM:AT > 0"), QString(), false);
    row("sum of fields", QStringLiteral("SAM:COUNT + SAM:FLAG - 1 = 14"), QStringLiteral("COUNT=12|FLAG=3"), true);
    row("number against a text field", QStringLiteral("SAM:NAME = 12"), QStringLiteral("NAME=12"), true);
    row("text read up to its number", QStringLiteral("SAM:NAME = 12"), QStringLiteral("NAME=12 apples"), true);
    row("numbers, not text order", QStringLiteral("SAM:NAME > 5"), QStringLiteral("NAME=10"), true);
    row("word reads as 0", QStringLiteral("SAM:NAME = 0"), QStringLiteral("NAME=abc"), true);
    row("number in quotes against a number field", QStringLiteral("SAM:COUNT = '12'"), QStringLiteral("COUNT=12"), true);
    row("bound number", QStringLiteral("SAM:COUNT >= limit"), QStringLiteral("COUNT=7"), true,
        QStringLiteral("limit=n:7"));

    // Conditions.
    row("NOT", QStringLiteral("NOT SAM:NAME = 'Ann'"), QStringLiteral("NAME=Ann"), false);
    row("NOT of a group", QStringLiteral("not (SAM:COUNT > 3 or SAM:FLAG = 1)"), QStringLiteral("COUNT=2"), true);
    row("NOT NOT", QStringLiteral("NOT NOT SAM:COUNT = 2"), QStringLiteral("COUNT=2"), true);
    row("AND before OR", QStringLiteral("SAM:NAME = 'Ann' or SAM:NAME = 'Bob' and SAM:COUNT = 1"),
        QStringLiteral("NAME=Ann"), true);
    row("parentheses first", QStringLiteral("(SAM:NAME = 'Ann' or SAM:NAME = 'Bob') and SAM:COUNT = 1"),
        QStringLiteral("NAME=Ann"), false);
    row("keywords in any case", QStringLiteral("sam:name = 'Ann' AnD sam:count = 0 oR sam:flag = 9"),
        QStringLiteral("NAME=Ann"), true);
    row("line breaks and tabs", QStringLiteral("SAM:NAME\n=\t'Ann'\r\nAND\nSAM:COUNT=0"), QStringLiteral("NAME=Ann"), true);
    row("a text alone", QStringLiteral("SAM:NAME"), QStringLiteral("NAME=Ann"), true);
    row("a blank text alone", QStringLiteral("SAM:NAME"), QString(), false);
    row("a zero alone", QStringLiteral("(SAM:COUNT)"), QString(), false);
    row("true constant", QStringLiteral("1 = 1"), QString(), true);
    row("false constant", QStringLiteral("'a' = 'b'"), QString(), false);
    row("constant decides OR", QStringLiteral("SAM:NAME = 'x' OR 2 > 1"), QString(), true);
    row("constant decides AND", QStringLiteral("SAM:NAME = '' AND 2 < 1"), QString(), false);

    // Names.
    row("bare name is the bound one, not the field", QStringLiteral("name = 'Zed'"), QStringLiteral("NAME=Ann"), true,
        QStringLiteral("name=Zed"));
    row("prefixed field before a bound name", QStringLiteral("SAM:NAME = 'Ann'"), QStringLiteral("NAME=Ann"), true,
        QStringLiteral("SAM:NAME=Zed"));
    row("field of another table", QStringLiteral("SAM:NAME = OTH:NAME"), QStringLiteral("NAME=Ann"), true,
        QStringLiteral("OTH:NAME=Ann"));
}

void TestFilterExpression::comparisons()
{
    QFETCH(QString, filter);
    QFETCH(QString, bound);
    QFETCH(QString, record);
    QFETCH(bool, expected);

    const FilterNameList names = boundNames(bound);
    QString error;
    const auto f = bindOrFail(filter, sample(), names, &error);
    QVERIFY2(f, qPrintable(error));
    Record r(sample());
    QString problem;
    QVERIFY2(fill(r, record, &problem), qPrintable(problem));
    QCOMPARE(f->matches(r), expected);
    if (expected)
        QVERIFY2(someDisjunctHolds(*f, r), qPrintable(describe(*f)));
}

void TestFilterExpression::refusedTexts_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("reason"); // a part of the message

    QTest::newRow("empty") << QString() << QStringLiteral("empty");
    QTest::newRow("blanks only") << QStringLiteral("  \t ") << QStringLiteral("empty");
    QTest::newRow("open parenthesis") << QStringLiteral("(a = 1") << QStringLiteral("expected ')'");
    QTest::newRow("open inner parenthesis") << QStringLiteral("((a = 1) and (b = 2)") << QStringLiteral("expected ')'");
    QTest::newRow("extra close parenthesis") << QStringLiteral("a = 1)") << QStringLiteral("no matching '('");
    QTest::newRow("close parenthesis first") << QStringLiteral(")a = 1(") << QStringLiteral("expected a value");
    QTest::newRow("empty parentheses") << QStringLiteral("()") << QStringLiteral("expected a value");
    QTest::newRow("quote not closed") << QStringLiteral("a = 'abc") << QStringLiteral("not closed");
    QTest::newRow("doubled quote at the end") << QStringLiteral("a = 'it''") << QStringLiteral("not closed");
    QTest::newRow("double quotes") << QStringLiteral("a = \"x\"") << QStringLiteral("unexpected character");
    QTest::newRow("nothing after =") << QStringLiteral("a =") << QStringLiteral("ends where a value");
    QTest::newRow("nothing before =") << QStringLiteral("= a") << QStringLiteral("expected a value");
    QTest::newRow("nothing after AND") << QStringLiteral("a = 1 and") << QStringLiteral("ends where a value");
    QTest::newRow("nothing before OR") << QStringLiteral("or a = 1") << QStringLiteral("expected a value");
    QTest::newRow("OR OR") << QStringLiteral("a = 1 or or b = 2") << QStringLiteral("expected a value");
    QTest::newRow("= =") << QStringLiteral("a = = 1") << QStringLiteral("expected a value");
    QTest::newRow("chained comparison") << QStringLiteral("a < b < c") << QStringLiteral("chained");
    QTest::newRow("nothing after +") << QStringLiteral("a = 1 +") << QStringLiteral("ends where a value");
    QTest::newRow("NOT alone") << QStringLiteral("NOT") << QStringLiteral("ends where a value");
    QTest::newRow("two values") << QStringLiteral("a = b c") << QStringLiteral("unexpected 'c'");
    QTest::newRow("exponent") << QStringLiteral("a = 1e5") << QStringLiteral("unexpected 'e5'");
    QTest::newRow("two points") << QStringLiteral("a = 1.2.3") << QStringLiteral("unexpected");
    QTest::newRow("unknown operator") << QStringLiteral("a # b") << QStringLiteral("unexpected character '#'");
    QTest::newRow("not equal as !=") << QStringLiteral("a != b") << QStringLiteral("unexpected character '!'");
    QTest::newRow("control character") << QStringLiteral("a = 1\x01") << QStringLiteral("U+0001");
    QTest::newRow("letter beyond ASCII") << QStringLiteral("\u00e4 = 1") << QStringLiteral("unexpected character");
    QTest::newRow("blank after the prefix") << QStringLiteral("PRE: Active = 'Y'") << QStringLiteral("must follow the ':'");
    QTest::newRow("colon at the end") << QStringLiteral("a = PRE:") << QStringLiteral("must follow the ':'");
    QTest::newRow("unknown function") << QStringLiteral("TRIM(a) = 'x'") << QStringLiteral("unknown function TRIM");
    QTest::newRow("UPPER without argument") << QStringLiteral("UPPER() = 'x'") << QStringLiteral("expected a value");
    QTest::newRow("UPPER with two arguments") << QStringLiteral("UPPER(a, b) = 'X'") << QStringLiteral("one argument");
    QTest::newRow("UPPER not closed") << QStringLiteral("UPPER(a = 'X'") << QStringLiteral("one argument");
    QTest::newRow("today with an argument") << QStringLiteral("a < today(1)") << QStringLiteral("no argument");
    QTest::newRow("today without parentheses") << QStringLiteral("a < today() + ") << QStringLiteral("ends where a value");
    QTest::newRow("condition added to") << QStringLiteral("(a = b) + 1 = 2") << QStringLiteral("condition cannot");
    QTest::newRow("condition compared") << QStringLiteral("(a = b) = (c = d)") << QStringLiteral("condition cannot");
    QTest::newRow("condition negated") << QStringLiteral("-(a = b)") << QStringLiteral("condition cannot");
    QTest::newRow("condition as argument") << QStringLiteral("UPPER((a = b)) = 'X'") << QStringLiteral("condition cannot");
    QTest::newRow("number too large") << QStringLiteral("a = %1").arg(QString(400, QLatin1Char('9')))
                                      << QStringLiteral("too large");

    const QString deep = QString(FilterExpression::MaxDepth + 1, QLatin1Char('(')) + QStringLiteral("a = 1")
        + QString(FilterExpression::MaxDepth + 1, QLatin1Char(')'));
    QTest::newRow("parentheses too deep") << deep << QStringLiteral("nested deeper than 200");
    QTest::newRow("parentheses too deep, never closed")
        << QString(4000, QLatin1Char('(')) << QStringLiteral("nested deeper than 200");
    QTest::newRow("NOT too deep") << QStringLiteral("NOT ").repeated(FilterExpression::MaxDepth + 1) + QStringLiteral("a")
                                  << QStringLiteral("nested deeper than 200");
    QTest::newRow("signs too deep") << QStringLiteral("a = ") + QString(FilterExpression::MaxDepth + 1, QLatin1Char('-'))
                                           + QStringLiteral("1")
                                    << QStringLiteral("nested deeper than 200");
    QTest::newRow("UPPER too deep") << QStringLiteral("UPPER(").repeated(FilterExpression::MaxDepth + 1)
                                           + QStringLiteral("a") + QString(FilterExpression::MaxDepth + 1, QLatin1Char(')'))
                                    << QStringLiteral("nested deeper than 200");
    QTest::newRow("too long") << QStringLiteral("a = '%1'").arg(QString(FilterExpression::MaxLength, QLatin1Char('x')))
                              << QStringLiteral("longer than 5000");
}

void TestFilterExpression::refusedTexts()
{
    QFETCH(QString, filter);
    QFETCH(QString, reason);

    QString error = QStringLiteral("untouched");
    QVERIFY(!FilterExpression::parse(filter, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(error.startsWith(QLatin1String("Filter refused")), qPrintable(error));
    // A caller that does not want the reason still gets the refusal.
    QVERIFY(!FilterExpression::parse(filter, nullptr));
}

void TestFilterExpression::textsAtTheLimitsAreAccepted()
{
    const int depth = FilterExpression::MaxDepth;
    const QString nested = QString(depth, QLatin1Char('(')) + QStringLiteral("SAM:COUNT = 2") + QString(depth, QLatin1Char(')'));
    QString error;
    QVERIFY2(FilterExpression::parse(nested, &error), qPrintable(error));

    QString longest = QStringLiteral("SAM:NAME = '");
    longest += QString(FilterExpression::MaxLength - int(longest.size()) - 1, QLatin1Char('x')) + QLatin1Char('\'');
    QCOMPARE(int(longest.size()), FilterExpression::MaxLength);
    const auto parsed = FilterExpression::parse(longest, &error);
    QVERIFY2(parsed, qPrintable(error));

    const FilterNameList names;
    const auto f = parsed->bind(sample(), names, &error);
    QVERIFY2(f, qPrintable(error));
    Record r(sample());
    QVERIFY(!f->matches(r));

    const auto deepParsed = FilterExpression::parse(nested, &error);
    QVERIFY2(deepParsed, qPrintable(error));
    const auto deepFilter = deepParsed->bind(sample(), names, &error);
    QVERIFY2(deepFilter, qPrintable(error));
    r.setInteger(QStringLiteral("COUNT"), 2);
    QVERIFY(deepFilter->matches(r));
}

void TestFilterExpression::unknownNames_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("name");

    QTest::newRow("own prefix, no such field") << QStringLiteral("Blo:Weightt = 1") << QStringLiteral("Bloodpre")
                                               << QStringLiteral("Blo:Weightt");
    QTest::newRow("unbound variable") << QStringLiteral("(Blo:personname=nobody)") << QStringLiteral("Bloodpre")
                                      << QStringLiteral("nobody");
    QTest::newRow("field of an unbound table") << QStringLiteral("BLO:PERSONNAME = GLU:PERSONNAME")
                                               << QStringLiteral("Bloodpre") << QStringLiteral("GLU:PERSONNAME");
    QTest::newRow("inside UPPER") << QStringLiteral("UPPER(zzz) = 'A'") << QStringLiteral("Bloodpre")
                                  << QStringLiteral("zzz");
    QTest::newRow("in a part a constant decides") << QStringLiteral("1 = 1 OR zzz = 1") << QStringLiteral("Bloodpre")
                                                  << QStringLiteral("zzz");
    QTest::newRow("in a sum") << QStringLiteral("PRE:RefillReminderDate < today() + days")
                              << QStringLiteral("Prescripts") << QStringLiteral("days");
    QTest::newRow("field without its prefix") << QStringLiteral("Active = 'Y'") << QStringLiteral("Prescripts")
                                              << QStringLiteral("Active");
}

void TestFilterExpression::unknownNames()
{
    QFETCH(QString, filter);
    QFETCH(QString, table);
    QFETCH(QString, name);

    QString error;
    const auto parsed = FilterExpression::parse(filter, &error);
    QVERIFY2(parsed, qPrintable(error));
    const FilterNameList names = boundNames(QString());
    QVERIFY(!parsed->bind(*layoutNamed(table), names, &error, pinnedToday()));
    QVERIFY2(error.contains(QStringLiteral("'%1'").arg(name)), qPrintable(error));
    QVERIFY(!parsed->bind(*layoutNamed(table), names, nullptr, pinnedToday()));
}

void TestFilterExpression::disjuncts_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("expected");

    const QString from = QStringLiteral("d:%1").arg(day(2024, 1, 1));
    const QString to = QStringLiteral("d:%1").arg(day(2024, 1, 31));

    QTest::newRow("name or number")
        << QStringLiteral("(Blo:personname=personname OR Blo:SocialSecurity = ssnum)") << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PERSONNAME = 'Ann Lee' | BLO:SOCIALSECURITY = '123-45-6789'");
    QTest::newRow("name and date range")
        << QStringLiteral("Blo:personname=personname AND (Blo:Date >= FromDate AND Blo:date <= ToDate)")
        << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PERSONNAME = 'Ann Lee' & BLO:DATE >= %1 & BLO:DATE <= %2").arg(from, to);
    QTest::newRow("refill reminders")
        << QStringLiteral("(PRE:RefillReminderDate < today()+30 and PRE:RefillReminderDate > '' and PRE:Active = 'Y')")
        << QStringLiteral("Prescripts")
        << QStringLiteral("PRE:REFILLREMINDERDATE < d:%1 & PRE:REFILLREMINDERDATE > d:0 & PRE:ACTIVE = 'Y'")
               .arg(pinnedToday().dayNumber() + 30);
    QTest::newRow("constant first is turned round")
        << QStringLiteral("FromDate <= Blo:Date and ToDate > Blo:Date and 'Ann Lee' = Blo:personname and 5 >= Blo:Pulse "
                          "and 1 < Blo:Systolic")
        << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:DATE >= %1 & BLO:DATE < %2 & BLO:PERSONNAME = 'Ann Lee' & BLO:PULSE <= 5 & BLO:SYSTOLIC > 1")
               .arg(from, to);
    QTest::newRow("case-insensitive range")
        << QStringLiteral("UPPER(PER:PERSONSNAME) = UPPER('Pat o''Brien')") << QStringLiteral("PersonsName")
        << QStringLiteral("UPPER(PER:PERSONSNAME) = 'PAT O'BRIEN'");
    QTest::newRow("LOWER") << QStringLiteral("LOWER(PER:PERSONSNAME) >= 'm'") << QStringLiteral("PersonsName")
                           << QStringLiteral("LOWER(PER:PERSONSNAME) >= 'm'");
    QTest::newRow("trailing blanks dropped from the value")
        << QStringLiteral("Blo:personname = 'Ann   '") << QStringLiteral("Bloodpre") << QStringLiteral("BLO:PERSONNAME = 'Ann'");
    QTest::newRow("numbers of other field types")
        << QStringLiteral("Blo:Systolic >= 140 and Blo:Time > 0 and Glu:x = 1 or Blo:Pulse = 60.5")
        << QStringLiteral("Bloodpre") << QStringLiteral("BLO:SYSTOLIC >= 140 & BLO:TIME > 0 | BLO:PULSE = 60.5");
    QTest::newRow("decimal") << QStringLiteral("PRE:Cost >= 12.5") << QStringLiteral("Prescripts")
                             << QStringLiteral("PRE:COST >= 12.5");
    QTest::newRow("both sides of an AND of ORs")
        << QStringLiteral("(Blo:personname='A' or Blo:personname='B') and (Blo:Date = 5 or Blo:Date = 6)")
        << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PERSONNAME = 'A' & BLO:DATE = d:5 | BLO:PERSONNAME = 'A' & BLO:DATE = d:6 | "
                          "BLO:PERSONNAME = 'B' & BLO:DATE = d:5 | BLO:PERSONNAME = 'B' & BLO:DATE = d:6");
    QTest::newRow("OR inside OR")
        << QStringLiteral("Blo:personname='A' or (Blo:personname='B' or Blo:Pulse < 50)") << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PERSONNAME = 'A' | BLO:PERSONNAME = 'B' | BLO:PULSE < 50");
    QTest::newRow("arithmetic on the field is left out")
        << QStringLiteral("Blo:personname=personname and Blo:Date + 1 > FromDate") << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PERSONNAME = 'Ann Lee'");
    QTest::newRow("not equal is left out")
        << QStringLiteral("Blo:personname <> 'x' and Blo:Pulse > 1") << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:PULSE > 1");
    QTest::newRow("NOT is left out")
        << QStringLiteral("NOT Blo:personname = 'x' and Blo:Date = FromDate") << QStringLiteral("Bloodpre")
        << QStringLiteral("BLO:DATE = %1").arg(from);
    QTest::newRow("field against field") << QStringLiteral("Blo:Systolic > Blo:Diastolic") << QStringLiteral("Bloodpre")
                                         << QStringLiteral("*");
    QTest::newRow("text field against a number") << QStringLiteral("Blo:personname = 5") << QStringLiteral("Bloodpre")
                                                 << QStringLiteral("*");
    QTest::newRow("date between whole days") << QStringLiteral("Blo:Date > 5.5") << QStringLiteral("Bloodpre")
                                             << QStringLiteral("*");
    QTest::newRow("OR with a part no key serves")
        << QStringLiteral("Blo:personname = 'x' or Blo:Date + 1 = 5") << QStringLiteral("Bloodpre") << QStringLiteral("*");
    QTest::newRow("a field alone") << QStringLiteral("Blo:personname") << QStringLiteral("Bloodpre") << QStringLiteral("*");
    QTest::newRow("always true part") << QStringLiteral("1 = 1 and Blo:personname='x'") << QStringLiteral("Bloodpre")
                                      << QStringLiteral("BLO:PERSONNAME = 'x'");
    QTest::newRow("never true") << QStringLiteral("1 = 0") << QStringLiteral("Bloodpre") << QStringLiteral("*");
    QTest::newRow("never true part of an OR") << QStringLiteral("1 = 0 or Blo:Pulse = 1") << QStringLiteral("Bloodpre")
                                              << QStringLiteral("BLO:PULSE = 1");
    QTest::newRow("bound names only") << QStringLiteral("(NameOnPrescription=personname)") << QStringLiteral("Prescripts")
                                      << QStringLiteral("*");

    // Sixteen combinations are kept; beyond that only the top-level AND.
    QString four;
    QStringList sixteen;
    for (int i = 0; i < 4; ++i)
        four += QStringLiteral(" and (Blo:Pulse = %1 or Blo:Systolic = %1)").arg(i);
    for (int mask = 0; mask < 16; ++mask) {
        QStringList parts{QStringLiteral("BLO:DATE = d:1")};
        for (int i = 0; i < 4; ++i)
            parts << QStringLiteral("%1 = %2").arg(mask & (8 >> i) ? QStringLiteral("BLO:SYSTOLIC") : QStringLiteral("BLO:PULSE")).arg(i);
        sixteen << parts.join(QLatin1String(" & "));
    }
    QTest::newRow("sixteen disjuncts") << QStringLiteral("Blo:Date = 1") + four << QStringLiteral("Bloodpre")
                                       << sixteen.join(QLatin1String(" | "));
    QTest::newRow("too many disjuncts")
        << QStringLiteral("Blo:Date = 1") + four + QStringLiteral(" and (Blo:Pulse = 9 or Blo:Systolic = 9) and Blo:Time > 0")
        << QStringLiteral("Bloodpre") << QStringLiteral("BLO:DATE = d:1 & BLO:TIME > 0");
    QString seventeen = QStringLiteral("Blo:Pulse = 0");
    for (int i = 1; i < 17; ++i)
        seventeen += QStringLiteral(" or Blo:Pulse = %1").arg(i);
    QTest::newRow("too many alternatives") << seventeen << QStringLiteral("Bloodpre") << QStringLiteral("*");
}

void TestFilterExpression::disjuncts()
{
    QFETCH(QString, filter);
    QFETCH(QString, table);
    QFETCH(QString, expected);

    FilterNameList names = boundNames(QString());
    names.set(QStringLiteral("Glu:x"), FilterValue::fromNumber(1));
    QString error;
    const auto f = bindOrFail(filter, *layoutNamed(table), names, &error);
    QVERIFY2(f, qPrintable(error));
    QVERIFY(!f->disjuncts().empty());
    QCOMPARE(describe(*f), expected);
}

void TestFilterExpression::bindingReadsNamesEachTime()
{
    QString error;
    const auto parsed = FilterExpression::parse(QStringLiteral("(Glu:personname=personname)"), &error);
    QVERIFY2(parsed, qPrintable(error));
    Record ann(tables::glucose());
    ann.setText(QStringLiteral("PERSONNAME"), QStringLiteral("Ann Lee"));

    FilterNameList names = boundNames(QString());
    const auto first = parsed->bind(tables::glucose(), names, &error, pinnedToday());
    names.set(QStringLiteral("PersonName"), FilterValue::fromText(QStringLiteral("Bob Roe")));
    const auto second = parsed->bind(tables::glucose(), names, &error, pinnedToday());
    QVERIFY(first && second);
    // The first binding keeps the value it read.
    QVERIFY(first->matches(ann));
    QVERIFY(!second->matches(ann));
    QCOMPARE(describe(*second), QStringLiteral("GLU:PERSONNAME = 'Bob Roe'"));

    names.remove(QStringLiteral("PERSONNAME"));
    QVERIFY(!parsed->bind(tables::glucose(), names, &error, pinnedToday()));
    QVERIFY(!error.isEmpty());
}

void TestFilterExpression::todayIsTheDateOfBinding()
{
    QString error;
    const auto parsed = FilterExpression::parse(QStringLiteral("PRE:RefillReminderDate = today()"), &error);
    QVERIFY2(parsed, qPrintable(error));
    const FilterNameList names;
    Record r(tables::prescripts());
    r.setDate(QStringLiteral("REFILLREMINDERDATE"), pinnedToday());
    const auto pinned = parsed->bind(tables::prescripts(), names, &error, pinnedToday());
    const auto dayAfter = parsed->bind(tables::prescripts(), names, &error, pinnedToday().addDays(1));
    QVERIFY2(pinned && dayAfter, qPrintable(error));
    QVERIFY(pinned->matches(r));
    QVERIFY(!dayAfter->matches(r));

    const Date now = Date::today();
    r.setDate(QStringLiteral("REFILLREMINDERDATE"), now);
    const auto f = parsed->bind(tables::prescripts(), names, &error);
    QVERIFY2(f, qPrintable(error));
    // Binding right at midnight may see the next day.
    QVERIFY(f->matches(r) || Date::today() != now);
}

// Bytes as a damaged or foreign file may hold them: the filter must see the
// same value the record's getters give.
void TestFilterExpression::storedBytesReadAsTheRecordReadsThem_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("filter");

    QTest::newRow("zero-terminated text without its zero")
        << QStringLiteral("CODE") << QByteArray("ABCDEFGHIJ") << QStringLiteral("SAM:CODE = 'ABCDEFGHI'");
    QTest::newRow("zero-terminated text, zero inside")
        << QStringLiteral("CODE") << QByteArray("AB\0CDEFGH", 10) << QStringLiteral("SAM:CODE = 'AB'");
    QTest::newRow("text padded with zeros")
        << QStringLiteral("NAME") << QByteArray("Ann").leftJustified(20, '\0') << QStringLiteral("SAM:NAME = 'Ann'");
    QTest::newRow("text padded with zeros, then blanks")
        << QStringLiteral("NAME") << QByteArray("Ann\0\0 ", 6).leftJustified(20, ' ') << QStringLiteral("SAM:NAME = 'Ann'");
    QTest::newRow("month 13 is no date") << QStringLiteral("DAY") << QByteArray("\x01\x0d\xe8\x07", 4)
                                         << QStringLiteral("SAM:DAY = 0 and not SAM:DAY");
    QTest::newRow("hour 25 is no time") << QStringLiteral("AT") << QByteArray("\x00\x00\x00\x19", 4)
                                        << QStringLiteral("SAM:AT = 0");
    QTest::newRow("packed digit above 9 reads as 9")
        << QStringLiteral("AMOUNT") << QByteArray("\x00\x00\x00\x0f", 4) << QStringLiteral("SAM:AMOUNT = 0.09");
    QTest::newRow("broken UTF-8 compares by its bytes")
        << QStringLiteral("NAME") << QByteArray("\xff").leftJustified(20, ' ') << QStringLiteral("SAM:NAME > 'z' and SAM:NAME");
    QTest::newRow("broken UTF-8 under UPPER")
        << QStringLiteral("NAME") << QByteArray("a\xff").leftJustified(20, ' ')
        << QStringLiteral("UPPER(SAM:NAME) = UPPER('a\ufffd')");
    QTest::newRow("real that is not a number equals nothing")
        << QStringLiteral("WEIGHT") << QByteArray("\x00\x00\x00\x00\x00\x00\xf8\x7f", 8)
        << QStringLiteral("not SAM:WEIGHT = 0 and not SAM:WEIGHT < 0 and not SAM:WEIGHT >= 0 and SAM:WEIGHT <> 0");
}

void TestFilterExpression::storedBytesReadAsTheRecordReadsThem()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, filter);

    Record r(sample());
    const FieldDef &f = sample().field(sample().fieldIndex(field));
    QCOMPARE(int(bytes.size()), f.size);
    std::memcpy(r.data() + f.offset, bytes.constData(), std::size_t(f.size));
    QString error;
    const auto bound = bindOrFail(filter, sample(), FilterNameList(), &error);
    QVERIFY2(bound, qPrintable(error));
    QVERIFY(bound->matches(r));
}

void TestFilterExpression::recordOfAnotherSizeNeverMatches()
{
    QString error;
    const auto f = bindOrFail(QStringLiteral("1 = 1"), tables::bloodpre(), FilterNameList(), &error);
    QVERIFY2(f, qPrintable(error));
    QVERIFY(f->matches(Record(tables::bloodpre())));
    QVERIFY(tables::glucose().recordSize() != tables::bloodpre().recordSize());
    QVERIFY(!f->matches(Record(tables::glucose())));
}

void TestFilterExpression::keepsItsText()
{
    const QString text = QStringLiteral("  (JOU:Person=personname) ");
    QString error = QStringLiteral("old");
    const auto parsed = FilterExpression::parse(text, &error);
    QVERIFY(parsed);
    QCOMPARE(parsed->text(), text);
    QVERIFY(error.isEmpty());
}

QTEST_GUILESS_MAIN(TestFilterExpression)
#include "tst_filterexpression.moc"
