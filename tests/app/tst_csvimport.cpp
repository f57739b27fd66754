// The CSV import: all or nothing, a bad row named by its row, column and
// value, files of other programs through --map, and each row of a log
// primed from its person as the entry form primes a new record.
#include "csvfixture.h"
#include "currentperson.h"

#include <QCryptographicHash>
#include <QLocale>

using namespace tavimo;
using testing::CsvFixture;

namespace {

const QString Ann = QStringLiteral("Ann Lee");
// Longer than the 35 characters a blood pressure reading keeps of a name.
const QString Long = QStringLiteral("Maximiliana Bartholomew-Featherstonehaugh");

std::vector<std::pair<QString, QString>> mapOf(const QStringList &pairs)
{
    std::vector<std::pair<QString, QString>> map;
    for (const QString &p : pairs)
        map.emplace_back(p.section(QLatin1Char('='), 0, 0), p.section(QLatin1Char('='), 1));
    return map;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badRowImportsNothing_data();
    void badRowImportsNothing();
    void headerOrFileRefused_data();
    void headerOrFileRefused();
    void meterFileThroughMap_data();
    void meterFileThroughMap();
    void unknownPerson_data();
    void unknownPerson();
    void quotedCommaAndLineBreak();
    void rowsArePrimedFromThePerson_data();
    void rowsArePrimedFromThePerson();
    void eachRowNamesItsPerson();
    void dryRunWritesNothing_data();
    void dryRunWritesNothing();
    void peopleAdded();
    void peopleRefused_data();
    void peopleRefused();

private:
    static void addPeople(CsvFixture &f);
};

void TestCsvImport::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestCsvImport::addPeople(CsvFixture &f)
{
    QVERIFY(f.addPerson(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("F"), QDate(1970, 5, 4), 150,
                        QStringLiteral("5'10\""), QStringLiteral("123-45-6789")));
    QVERIFY(f.addPerson(QStringLiteral("Maximiliana"), QStringLiteral("Bartholomew-Featherstonehaugh"),
                        QStringLiteral("F"), QDate(1990, 3, 15), 140, QStringLiteral("5'06\""),
                        QStringLiteral("987-65-4321")));
    QVERIFY(f.addPerson(QStringLiteral("Bob"), QStringLiteral("Stone"), QStringLiteral("M")));
}

void TestCsvImport::badRowImportsNothing_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("good");
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");

    const QByteArray bp = "DATE,TIME,SYSTOLIC,DIASTOLIC,PULSE,COMMENT";
    const QByteArray reading = "2026-10-01,07:30,120,80,60,seated";
    QTest::newRow("not a number") << "Bloodpre" << bp << reading << QByteArray("2026-10-01,07:45,abc,80,60,seated")
                                  << "SYSTOLIC" << "abc";
    QTest::newRow("wider than the form's picture")
        << "Bloodpre" << bp << reading << QByteArray("2026-10-01,07:45,1200,80,60,") << "SYSTOLIC" << "1200";
    QTest::newRow("negative where the picture has no sign")
        << "Bloodpre" << bp << reading << QByteArray("2026-10-01,07:45,120,-80,60,") << "DIASTOLIC" << "-80";
    QTest::newRow("longer than the field")
        << "Bloodpre" << bp << reading << QByteArray("2026-10-01,07:45,120,80,60,") + QByteArray(36, 'x')
        << "COMMENT" << QString(36, QLatin1Char('x'));
    QTest::newRow("no such day") << "Bloodpre" << bp << reading << QByteArray("2026-02-30,07:45,120,80,60,")
                                 << "DATE" << "2026-02-30";
    QTest::newRow("no such time") << "Bloodpre" << bp << reading << QByteArray("2026-10-01,24:30,120,80,60,")
                                  << "TIME" << "24:30";
    QTest::newRow("a decimal where the picture takes none")
        << "Glucose" << QByteArray("DATE,TIME,READING") << QByteArray("2026-10-01,07:30,98")
        << QByteArray("2026-10-01,08:30,98.5") << "READING" << "98.5";
    QTest::newRow("pain beyond the scale's range")
        << "PainEvents" << QByteArray("DATE,TIME,PAINSCALE,PAINTYPE") << QByteArray("2026-10-01,08:00,3,Dull")
        << QByteArray("2026-10-01,09:00,11,Dull") << "PAINSCALE" << "11";
    QTest::newRow("a pain type not in the list")
        << "PainEvents" << QByteArray("DATE,TIME,PAINSCALE,PAINTYPE") << QByteArray("2026-10-01,08:00,3,Dull")
        << QByteArray("2026-10-01,09:00,3,Tingly") << "PAINTYPE" << "Tingly";
    QTest::newRow("more than cents") << "Symptoms" << QByteArray("DATE,TEMPERATURE") << QByteArray("2026-10-01,98.60")
                                     << QByteArray("2026-10-02,98.625") << "TEMPERATURE" << "98.625";
    QTest::newRow("a time of day where the table keeps none")
        << "LabTests" << QByteArray("DATEOFTEST,TESTNAME") << QByteArray("2026-10-01,CBC")
        << QByteArray("2026-10-02 07:30,CBC") << "DATEOFTEST" << "2026-10-02 07:30";
}

// The header is row 1, so the sixteenth reading is row 17, as a
// spreadsheet shows it; the rows after it are good.
void TestCsvImport::badRowImportsNothing()
{
    QFETCH(QString, table);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, good);
    QFETCH(QByteArray, bad);
    QFETCH(QString, column);
    QFETCH(QString, value);
    CsvFixture f;
    addPeople(f);
    const TableLayout &layout = *tables::byLabel(table);
    QCOMPARE(f.import(layout, header + '\n' + good + '\n', Ann).outcome, csv::Outcome::Done);
    const std::vector<Record> before = f.records(layout);
    QCOMPARE(before.size(), std::size_t(1));

    QByteArray file = header + '\n';
    for (int i = 0; i < 15; ++i)
        file += good + '\n';
    file += bad + '\n';
    for (int i = 0; i < 3; ++i)
        file += good + '\n';
    const csv::Report report = f.import(layout, file, Ann);
    QCOMPARE(report.outcome, csv::Outcome::BadInput);
    const QString named = QStringLiteral("row 17, column %1: \"%2\"").arg(column, value);
    QVERIFY2(report.message.startsWith(named), qPrintable(report.message));
    QVERIFY2(!report.message.contains(QLatin1Char('\n')), qPrintable(report.message));
    const std::vector<Record> after = f.records(layout);
    QCOMPARE(after.size(), std::size_t(1));
    QVERIFY(after.front() == before.front());
}

void TestCsvImport::headerOrFileRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("map");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown column") << QByteArray("DATE,TIME,MOOD\n2026-10-01,07:30,fine\n") << QStringList()
                                    << "row 1, column \"MOOD\": Bloodpre has no field MOOD";
    QTest::newRow("another table's field") << QByteArray("DATE,READING\n2026-10-01,98\n") << QStringList()
                                           << "row 1, column \"READING\": Bloodpre has no field READING";
    QTest::newRow("mapped onto no field") << QByteArray("DATE,Sys\n2026-10-01,120\n") << QStringList{"Sys=SYSTOLE"}
                                          << "--map Sys=SYSTOLE: Bloodpre has no field SYSTOLE";
    QTest::newRow("mapped heading not in the file") << QByteArray("DATE,SYSTOLIC\n2026-10-01,120\n")
                                                    << QStringList{"Sys=SYSTOLIC"}
                                                    << "--map Sys=SYSTOLIC: the file has no column \"Sys\"";
    QTest::newRow("two columns for one field") << QByteArray("DATE,Sys,SYSTOLIC\n2026-10-01,120,120\n")
                                               << QStringList{"Sys=SYSTOLIC"}
                                               << "row 1: columns \"Sys\" and \"SYSTOLIC\" both fill SYSTOLIC";
    QTest::newRow("empty file") << QByteArray() << QStringList() << "the file is empty: it has no header row";
    QTest::newRow("a value too many") << QByteArray("DATE,SYSTOLIC\n2026-10-01,120\n2026-10-02,121,80\n")
                                      << QStringList() << "row 3 has 3 values, but the header has 2 columns";
    QTest::newRow("a quote never closed") << QByteArray("DATE,COMMENT\n2026-10-01,\"open\n2026-10-02,x\n")
                                          << QStringList() << "row 2: a quoted field is never closed";
    QTest::newRow("not UTF-8") << QByteArray("DATE,COMMENT\n2026-10-01,ok\n2026-10-02,caf\xe9\n") << QStringList()
                               << "row 3 is not UTF-8 text";
    QTest::newRow("a value under no heading") << QByteArray("DATE,,SYSTOLIC\n2026-10-01,,120\n2026-10-02,x,121\n")
                                              << QStringList() << "row 3, column 2: \"x\" has no heading";
}

void TestCsvImport::headerOrFileRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, map);
    QFETCH(QString, message);
    CsvFixture f;
    addPeople(f);
    const csv::Report report = f.import(tables::bloodpre(), file, Ann, mapOf(map));
    QCOMPARE(report.outcome, csv::Outcome::BadInput);
    QVERIFY2(report.message.startsWith(message), qPrintable(report.message));
    QVERIFY(f.records(tables::bloodpre()).empty());
}

void TestCsvImport::meterFileThroughMap_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("map");

    // A meter's own export: byte-order mark, semicolons, CRLF, headings of its own.
    const QByteArray bom = "\xEF\xBB\xBF";
    QTest::newRow("date and time apart")
        << bom + "Datum;Uhrzeit;Sys;Dia;Puls;Ger\xC3\xA4t\r\n2026-10-01;07:30;132;84;71;BM-54\r\n"
                 "2026-10-02;19:05;128;80;66;BM-54\r\n"
        << QStringList{"Datum=DATE", "Uhrzeit=TIME", "Sys=SYSTOLIC", "Dia=DIASTOLIC", "Puls=PULSE",
                       QStringLiteral("Ger\u00e4t=")};
    QTest::newRow("date and time in one column")
        << bom + "Zeit;Sys;Dia;Puls\r\n2026-10-01 07:30;132;84;71\r\n2026-10-02 19:05;128;80;66\r\n"
        << QStringList{"Zeit=DATE", "Sys=SYSTOLIC", "Dia=DIASTOLIC", "Puls=PULSE"};
    QTest::newRow("ISO 8601") << bom + "when;sys;dia;pulse\r\n2026-10-01T07:30:00;132;84;71\r\n"
                                       "2026-10-02T19:05:00;128;80;66"
                              << QStringList{"when=DATE", "sys=SYSTOLIC", "dia=DIASTOLIC"};
}

void TestCsvImport::meterFileThroughMap()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, map);
    CsvFixture f;
    addPeople(f);
    const csv::Report report = f.import(tables::bloodpre(), file, Ann, mapOf(map));
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    QCOMPARE(report.records, 2);
    const std::vector<Record> readings = f.records(tables::bloodpre());
    QCOMPARE(readings.size(), std::size_t(2));
    const struct
    {
        QDate date;
        QTime time;
        double systolic, diastolic, pulse;
    } expected[] = {{{2026, 10, 1}, {7, 30}, 132, 84, 71}, {{2026, 10, 2}, {19, 5}, 128, 80, 66}};
    for (std::size_t i = 0; i < 2; ++i) {
        const Record &r = readings[i];
        QCOMPARE(r.date("BLO:DATE").toQDate(), expected[i].date);
        QCOMPARE(r.time("BLO:TIME").toQTime(), expected[i].time);
        QCOMPARE(r.real("BLO:SYSTOLIC"), expected[i].systolic);
        QCOMPARE(r.real("BLO:DIASTOLIC"), expected[i].diastolic);
        // "pulse" is the field's own name, in another case.
        QCOMPARE(r.real("BLO:PULSE"), expected[i].pulse);
        QCOMPARE(r.text("BLO:PERSONNAME"), Ann);
    }
}

void TestCsvImport::unknownPerson_data()
{
    QTest::addColumn<QString>("person");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");

    QTest::newRow("--person names nobody") << "Nobody Here" << QByteArray("DATE,SYSTOLIC\n2026-10-01,120\n")
                                           << "no person named \"Nobody Here\"";
    QTest::newRow("a row names nobody")
        << "" << QByteArray("PERSONNAME,DATE,SYSTOLIC\nAnn Lee,2026-10-01,120\nNobody Here,2026-10-02,121\n")
        << "row 3, column PERSONNAME: \"Nobody Here\" is no person";
    QTest::newRow("a row names another than --person")
        << "Ann Lee" << QByteArray("PERSONNAME,DATE\nann lee,2026-10-01\nBob Stone,2026-10-02\n")
        << "row 3, column PERSONNAME: \"Bob Stone\" is not Ann Lee";
    QTest::newRow("a row names nobody at all") << "" << QByteArray("PERSONNAME,DATE\n,2026-10-01\n")
                                               << "row 2, column PERSONNAME: the person's name is blank";
    QTest::newRow("nobody's readings") << "" << QByteArray("DATE,SYSTOLIC\n2026-10-01,120\n")
                                       << "whose records are these?";
}

void TestCsvImport::unknownPerson()
{
    QFETCH(QString, person);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    CsvFixture f;
    addPeople(f);
    const csv::Report report = f.import(tables::bloodpre(), file, person);
    QCOMPARE(report.outcome, csv::Outcome::BadInput);
    QVERIFY2(report.message.startsWith(message), qPrintable(report.message));
    QVERIFY(f.records(tables::bloodpre()).empty());
}

void TestCsvImport::quotedCommaAndLineBreak()
{
    CsvFixture f;
    addPeople(f);
    const QByteArray file = "DATE,TIME,SYSTOLIC,COMMENT\n"
                            "2026-10-01,07:30,120,\"after coffee, seated\nleft \"\"arm\"\"\"\n"
                            "2026-10-01,08:30,121,plain\n";
    const csv::Report report = f.import(tables::bloodpre(), file, Ann);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    const std::vector<Record> readings = f.records(tables::bloodpre());
    QCOMPARE(readings.size(), std::size_t(2));
    QCOMPARE(readings[0].text("BLO:COMMENT"), QStringLiteral("after coffee, seated\nleft \"arm\""));
    QCOMPARE(readings[1].text("BLO:COMMENT"), QStringLiteral("plain"));

    // The field over two lines is one row: the next bad one is row 4.
    const csv::Report bad = f.import(tables::bloodpre(), file + "2026-10-01,09:30,x,\n", Ann);
    QCOMPARE(bad.outcome, csv::Outcome::BadInput);
    QVERIFY2(bad.message.startsWith(QStringLiteral("row 4, column SYSTOLIC: \"x\"")), qPrintable(bad.message));
}

void TestCsvImport::rowsArePrimedFromThePerson_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("nameField");

    QTest::newRow("blood pressure") << "Bloodpre" << QByteArray("DATE,TIME,SYSTOLIC\n2026-10-01,07:30,120\n")
                                    << "BLO:PERSONNAME";
    QTest::newRow("glucose") << "Glucose" << QByteArray("DATE,READING\n2026-10-01,98\n") << "GLU:PERSONNAME";
    QTest::newRow("lab test") << "LabTests" << QByteArray("DATEOFTEST,TESTNAME\n2026-10-01,CBC\n")
                              << "LAB:PERSONSNAME";
    QTest::newRow("surgery") << "Surgeries" << QByteArray("DATEOFSURGERY,SURGICALPROCEDURE\n2020-02-02,Knee\n")
                             << "SUR:PERSON";
}

// As the log forms prime a new record for the person the profile form
// opened on: the name cut to the field, the age worked out for today, the
// other details as the person record keeps them.
void TestCsvImport::rowsArePrimedFromThePerson()
{
    QFETCH(QString, table);
    QFETCH(QByteArray, file);
    QFETCH(QString, nameField);
    CsvFixture f;
    addPeople(f);
    const TableLayout &layout = *tables::byLabel(table);
    const csv::Report report = f.import(layout, file, Long.toUpper());
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    const std::vector<Record> added = f.records(layout);
    QCOMPARE(added.size(), std::size_t(1));
    const Record &r = added.front();
    const int name = layout.fieldIndex(nameField);
    // The current person's forty characters, cut again to the field.
    QCOMPARE(r.text(name), Long.left(std::min(40, layout.field(name).size)));
    const QString p = layout.prefix() + QLatin1Char(':');
    QCOMPARE(r.text(p + "SEX"), QStringLiteral("F"));
    QCOMPARE(r.real(p + "AGE"), person::ageOn(Date::fromYmd(1990, 3, 15), Date::today()));
    QVERIFY(r.real(p + "AGE") > 30);
    QCOMPARE(r.real(p + "BMI"), person::bmi(140, QStringLiteral("5'06\"")));
    QCOMPARE(r.integer(p + "WEIGHT"), 140);
    QCOMPARE(r.text(p + "HEIGHT"), QStringLiteral("5'06\""));
    QCOMPARE(r.text(p + "FIRSTNAME"), QStringLiteral("Maximiliana"));
    QCOMPARE(r.text(p + "LASTNAME"), QStringLiteral("Bartholomew-Featherstonehaugh"));
    QCOMPARE(r.text(p + "SOCIALSECURITY"), QStringLiteral("987-65-4321"));
}

// Without --person each row's name finds its person, also a name as a
// blood pressure reading keeps it, cut to 35 characters.
void TestCsvImport::eachRowNamesItsPerson()
{
    CsvFixture f;
    addPeople(f);
    const QByteArray file = "PERSONNAME,DATE,SYSTOLIC\n" + Long.left(35).toUtf8() + ",2026-10-01,120\nANN LEE ,2026-10-02,121\n";
    const csv::Report report = f.import(tables::bloodpre(), file);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    const std::vector<Record> readings = f.records(tables::bloodpre());
    QCOMPARE(readings.size(), std::size_t(2));
    // In the order of the first key, by name.
    QCOMPARE(readings[0].text("BLO:SOCIALSECURITY"), QStringLiteral("123-45-6789"));
    QCOMPARE(readings[1].text("BLO:SOCIALSECURITY"), QStringLiteral("987-65-4321"));
    QCOMPARE(readings[1].text("BLO:PERSONNAME"), Long.left(35));
}

void TestCsvImport::dryRunWritesNothing_data()
{
    QTest::addColumn<bool>("tableMade");
    QTest::addColumn<bool>("badRow");
    QTest::newRow("a table not made yet") << false << false;
    QTest::newRow("a table with a record") << true << false;
    QTest::newRow("a bad row, found as an import finds it") << true << true;
    QTest::newRow("a bad row in a table not made yet") << false << true;
}

void TestCsvImport::dryRunWritesNothing()
{
    QFETCH(bool, tableMade);
    QFETCH(bool, badRow);
    CsvFixture f;
    addPeople(f);
    const QString path = f.context->table(tables::painEvents()).path();
    if (tableMade)
        QVERIFY(f.add(tables::painEvents(), [](Record &r) {
            r.setText("PAI:PERSONSNAME", Ann);
            r.setInteger("PAI:PAINSCALE", 2);
            r.setText("PAI:PAINTYPE", QStringLiteral("Dull"));
        }));
    QCOMPARE(QFileInfo::exists(path), tableMade);
    const QByteArray before = fileHash(path);

    QByteArray file = "DATE,TIME,PAINSCALE,PAINTYPE\n2026-10-01,08:00,3,Dull\n2026-10-01,09:00,4,Sharp\n";
    if (badRow)
        file += "2026-10-01,10:00,12,Dull\n";
    const csv::Report report = f.import(tables::painEvents(), file, Ann, {}, true);
    if (badRow) {
        QCOMPARE(report.outcome, csv::Outcome::BadInput);
        QVERIFY2(report.message.startsWith(QStringLiteral("row 4, column PAINSCALE: \"12\"")), qPrintable(report.message));
    } else {
        QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
        QCOMPARE(report.records, 2);
    }
    QCOMPARE(QFileInfo::exists(path), tableMade);
    QCOMPARE(fileHash(path), before);
    QCOMPARE(f.records(tables::painEvents()).size(), std::size_t(tableMade ? 1 : 0));
}

// A person as the profile form saves one.
void TestCsvImport::peopleAdded()
{
    CsvFixture f;
    addPeople(f);
    const QByteArray file = "FIRSTNAME,LASTNAME,BIRTHDATE,WEIGHT,HEIGHT,SOCIALSECURITY\n"
                            "Carl,Berg,1980-02-01,180,\"5'11\"\"\",111-22-3333\n"
                            "Dora,Berg,,,6 1,\n";
    const csv::Report report = f.import(tables::personsName(), file);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    QCOMPARE(report.records, 2);
    std::vector<Record> people = f.records(tables::personsName());
    QCOMPARE(people.size(), std::size_t(5));
    const auto named = [&](const QString &name) {
        for (const Record &r : people)
            if (r.text("PER:PERSONSNAME") == name)
                return r;
        return Record(tables::personsName());
    };
    const Record carl = named(QStringLiteral("Carl Berg"));
    QCOMPARE(carl.text("PER:LASTNAME"), QStringLiteral("Berg"));
    QCOMPARE(carl.real("PER:AGE"), person::ageOn(Date::fromYmd(1980, 2, 1), Date::today()));
    QCOMPARE(carl.real("PER:BMI"), person::bmi(180, QStringLiteral("5'11\"")));
    QCOMPARE(carl.date("PER:DATEUPDATED"), Date::today());
    const Record dora = named(QStringLiteral("Dora Berg"));
    QCOMPARE(dora.text("PER:HEIGHT"), QStringLiteral("6'01\""));
    QCOMPARE(dora.real("PER:AGE"), 0.0);

    // The new people have logs at once.
    QCOMPARE(f.import(tables::glucose(), "DATE,READING\n2026-10-01,101\n", QStringLiteral("carl berg")).outcome,
             csv::Outcome::Done);
}

void TestCsvImport::peopleRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    const QByteArray tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate).toLatin1();

    QTest::newRow("no last name") << QByteArray("FIRSTNAME,LASTNAME\nCarl,\n")
                                  << "row 2, column LASTNAME: a person needs a last name";
    QTest::newRow("no last name column") << QByteArray("FIRSTNAME,PERSONSNAME\nCarl,Carl Berg\n")
                                         << "row 2, LASTNAME (not in the file): a person needs a last name";
    QTest::newRow("a name taken") << QByteArray("FIRSTNAME,LASTNAME\nann,LEE\n")
                                  << "row 2, PERSONSNAME (from FIRSTNAME and LASTNAME): \"ann LEE\" is one of the people";
    QTest::newRow("twice in the file") << QByteArray("FIRSTNAME,LASTNAME\nCarl,Berg\nCarl,Berg\n")
                                       << "row 3, PERSONSNAME (from FIRSTNAME and LASTNAME): \"Carl Berg\" is one of the people";
    QTest::newRow("born tomorrow") << QByteArray("LASTNAME,BIRTHDATE\nBerg," + tomorrow + "\n")
                                   << "row 2, column BIRTHDATE: \"" + QString::fromLatin1(tomorrow) + "\" is after today";
    QTest::newRow("not a height") << QByteArray("LASTNAME,HEIGHT\nBerg,tall\n")
                                  << "row 2, column HEIGHT: \"tall\" is not a height";
}

void TestCsvImport::peopleRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    CsvFixture f;
    addPeople(f);
    const csv::Report report = f.import(tables::personsName(), file);
    QCOMPARE(report.outcome, csv::Outcome::BadInput);
    QVERIFY2(report.message.startsWith(message), qPrintable(report.message));
    QCOMPARE(f.records(tables::personsName()).size(), std::size_t(3));
}

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
