// The CSV export: every log table exported and imported into an empty data
// folder gives the same records; the order of the first key, the person's
// records and a date range; a file for its owner only, and none when no
// record matched.
#include "csvfixture.h"
#include "csvvalues.h"
#include "formspec.h"
#include "logpriming.h"
#include "picture.h"
#include "recordwindows.h"
#include "tablemanagers.h"

#include <QDir>
#include <QLocale>
#include <QSet>

#include <cmath>

using namespace tavimo;
using testing::CsvFixture;

namespace {

const QString Ann = QStringLiteral("Ann Lee");
const QString Bob = QStringLiteral("Bob Stone");

// Fields an entry form takes through a number picture: their values must fit it.
QSet<int> picturedNumbers(const TableLayout &table)
{
    QSet<int> fields;
    for (const FormSpec *spec : declaredForms())
        if (table.label().compare(QString::fromLatin1(spec->table), Qt::CaseInsensitive) == 0)
            for (const FormTab &tab : spec->tabs)
                for (const FormRow &row : tab.rows)
                    if (const auto p = Picture::parse(QString::fromLatin1(row.picture));
                        *row.picture && p && p->kind() == Picture::Kind::Number)
                        fields.insert(table.fieldIndex(QString::fromLatin1(row.field)));
    return fields;
}

// Record i of a table with a value of its own in every field: texts with
// what CSV must quote, blanks at either end and more than ASCII, dates and
// times with and without a value, midnight and hundredths, fractions that
// no short decimal text holds, the ends of every range.
void fillVaried(Record &r, int i)
{
    static const QStringList texts{
        QString(),
        QStringLiteral("plain"),
        QStringLiteral("with, a comma"),
        QStringLiteral("with \"quotes\""),
        QStringLiteral("two\nlines"),
        QStringLiteral("crlf\r\ninside"),
        QStringLiteral("  leading blanks"),
        QStringLiteral("trailing blanks  "),
        QStringLiteral("na\u00efve caf\u00e9 \u2013 \u65e5\u672c"),
        QStringLiteral("semi;colon"),
        QStringLiteral("=1+2"),
    };
    const TableLayout &layout = r.layout();
    const QSet<int> pictured = picturedNumbers(layout);
    for (int f = 0; f < layout.fieldCount(); ++f) {
        const FieldDef &d = layout.field(f);
        const int k = i * 7 + f;
        switch (d.type) {
        case FieldType::Text:
        case FieldType::CString:
            r.setText(f, k % 13 == 12 ? QString(d.size, QLatin1Char('w')) : texts[k % texts.size()]);
            break;
        case FieldType::Date:
            r.setDate(f, k % 5 == 0 ? Date() : Date::fromYmd(1950 + k % 70, 1 + k % 12, 1 + k % 28));
            break;
        case FieldType::Time:
            r.setTime(f, k % 6 == 0 ? Time() : k % 6 == 1 ? Time(1) : Time::fromHms(k % 24, k % 60, (k * 7) % 60, (k * 13) % 100));
            break;
        case FieldType::Real:
            if (pictured.contains(f))
                r.setReal(f, double(60 + k % 900));
            else
                r.setReal(f, k % 4 == 0 ? 0.0 : (k % 2 ? -1.0 : 1.0) * double(k) / 3.0 * std::pow(10.0, k % 9 - 4));
            break;
        case FieldType::Short:
            r.setInteger(f, pictured.contains(f) ? 40 + k % 900 : (k % 3 == 0 ? -32768 : k % 3 == 1 ? 32767 : k * 31 - 900));
            break;
        case FieldType::Byte:
            r.setInteger(f, k % 3 == 0 ? 255 : k % 3 == 1 ? 0 : k % 256);
            break;
        case FieldType::Decimal:
            r.setDecimal(f, Decimal::fromCents(k % 3 == 0 ? -Decimal::MaxCents : k % 3 == 1 ? Decimal::MaxCents : k * 1234 - 50000));
            break;
        }
    }
    if (layout.memo())
        r.setMemo(i % 3 == 0 ? QString() : QStringLiteral("Notes %1,\n\"quoted\", and more").arg(i));
    // The table's own rules.
    if (&layout == &tables::painEvents()) {
        r.setInteger("PAI:PAINSCALE", i % 11);
        r.setText("PAI:PAINTYPE", QStringLiteral("Chronic(Persistent)"));
    }
    if (&layout == &tables::otherHistory())
        r.setText("OTH:TITLEOFDOCUMENT", QStringLiteral("Document %1, \"copy\"").arg(i));
}

void addVariedPeople(CsvFixture &f)
{
    const QString names[][2] = {{"Ann", "Lee"}, {"Bob", "Stone"}, {"Chlo\u00e9", "Lef\u00e8vre"}};
    for (int i = 0; i < 3; ++i)
        QVERIFY(f.add(tables::personsName(), [&](Record &r) {
            fillVaried(r, 100 + i);
            r.setText("PER:FIRSTNAME", names[i][0]);
            r.setText("PER:LASTNAME", names[i][1]);
            r.setText("PER:PERSONSNAME", names[i][0] + QLatin1Char(' ') + names[i][1]);
            r.setText("PER:HEIGHT", i == 2 ? QString() : QStringLiteral("5'%1\"").arg(i + 3, 2, 10, QLatin1Char('0')));
            r.setDate("PER:BIRTHDATE", i == 1 ? Date() : Date::fromYmd(1960 + i, 2, 28));
        }));
}

void compareRecords(const std::vector<Record> &got, const std::vector<Record> &expected)
{
    QCOMPARE(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Record &a = got[i];
        const Record &b = expected[i];
        for (int f = 0; f < a.layout().fieldCount(); ++f)
            QVERIFY2(a.fieldEquals(b, f), qPrintable(QStringLiteral("record %1, %2: \"%3\" for \"%4\"")
                                                         .arg(i)
                                                         .arg(a.layout().field(f).name, a.text(f), b.text(f))));
        QCOMPARE(a.memo(), b.memo());
    }
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void firstKeyOrderPersonAndRange();
    void refusedRequests_data();
    void refusedRequests();
    void fileForItsOwnerOnly();
    void nothingMatchedWritesNoFile_data();
    void nothingMatchedWritesNoFile();
};

void TestCsvExport::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestCsvExport::roundTrip_data()
{
    QTest::addColumn<QString>("table");
    for (const TableLayout *t : tables::all())
        if (logpriming::personField(*t) >= 0)
            QTest::newRow(qPrintable(t->label())) << t->label();
}

// The people first, so that each log row finds its person by name.
void TestCsvExport::roundTrip()
{
    QFETCH(QString, table);
    const TableLayout &layout = *tables::byLabel(table);
    const int nameField = logpriming::personField(layout);
    CsvFixture a;
    addVariedPeople(a);
    const QString owners[] = {Ann, Bob, QStringLiteral("Chlo\u00e9 Lef\u00e8vre")};
    for (int i = 0; i < 14; ++i)
        QVERIFY(a.add(layout, [&](Record &r) {
            fillVaried(r, i);
            r.setText(nameField, owners[i % 3]);
        }));
    const std::vector<Record> people = a.records(tables::personsName());
    const std::vector<Record> records = a.records(layout);
    QCOMPARE(records.size(), std::size_t(14));

    csv::Report report;
    const QByteArray peopleFile = a.exported(tables::personsName(), {}, {}, {}, &report);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    const QByteArray file = a.exported(layout, {}, {}, {}, &report);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    QCOMPARE(report.records, 14);

    CsvFixture b;
    report = b.import(tables::personsName(), peopleFile);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    report = b.import(layout, file);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    QCOMPARE(report.records, 14);
    compareRecords(b.records(tables::personsName()), people);
    compareRecords(b.records(layout), records);
    QCOMPARE(b.exported(layout), file);
}

// Glucose's first key is the social security number, then date and time.
void TestCsvExport::firstKeyOrderPersonAndRange()
{
    CsvFixture f;
    QVERIFY(f.addPerson(QStringLiteral("Ann"), QStringLiteral("Lee"), {}, {}, 0, {}, QStringLiteral("222-22-2222")));
    QVERIFY(f.addPerson(QStringLiteral("Bob"), QStringLiteral("Stone"), {}, {}, 0, {}, QStringLiteral("111-11-1111")));
    const struct
    {
        QString name, ssn;
        QDate date;
        int reading;
    } readings[] = {
        {Ann, "222-22-2222", {2026, 10, 3}, 103}, {Bob, "111-11-1111", {2026, 10, 2}, 202},
        {Ann, "222-22-2222", {2026, 10, 1}, 101}, {Bob, "111-11-1111", {2026, 10, 5}, 205},
        // Ann's by her number alone, as the profile lists find it.
        {QString(), "222-22-2222", {2026, 10, 2}, 102}, {Ann, "222-22-2222", {}, 100},
    };
    for (const auto &x : readings)
        QVERIFY(f.add(tables::glucose(), [&](Record &r) {
            r.setText("GLU:PERSONNAME", x.name);
            r.setText("GLU:SOCIALSECURITY", x.ssn);
            r.setDate("GLU:DATE", Date::fromQDate(x.date));
            r.setInteger("GLU:READING", x.reading);
        }));
    const auto readingsOf = [](const QByteArray &file) {
        QList<int> out;
        const QList<QByteArray> lines = file.split('\n');
        const int column = int(lines.first().split(',').indexOf("READING"));
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].isEmpty())
                out << lines[i].split(',').at(column).toInt();
        return out;
    };
    QCOMPARE(readingsOf(f.exported(tables::glucose())), (QList<int>{202, 205, 100, 101, 102, 103}));
    QCOMPARE(readingsOf(f.exported(tables::glucose(), QStringLiteral("ann lee"))), (QList<int>{100, 101, 102, 103}));
    QCOMPARE(readingsOf(f.exported(tables::glucose(), {}, Date::fromYmd(2026, 10, 2), Date::fromYmd(2026, 10, 3))),
             (QList<int>{202, 102, 103}));
    QCOMPARE(readingsOf(f.exported(tables::glucose(), Bob, Date::fromYmd(2026, 10, 3))), (QList<int>{205}));
}

void TestCsvExport::refusedRequests_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("person");
    QTest::addColumn<bool>("range");
    QTest::addColumn<QString>("message");
    QTest::newRow("a person of a reference list") << "Doctors" << Ann << false
                                                  << "Doctors is nobody's log: --person does not apply to it";
    QTest::newRow("a range over no date") << "Wallet" << "" << true
                                          << "Wallet has no date to choose records by";
    QTest::newRow("nobody") << "Bloodpre" << "Nobody Here" << false << "no person named \"Nobody Here\"";
}

void TestCsvExport::refusedRequests()
{
    QFETCH(QString, table);
    QFETCH(QString, person);
    QFETCH(bool, range);
    QFETCH(QString, message);
    CsvFixture f;
    QVERIFY(f.addPerson(QStringLiteral("Ann"), QStringLiteral("Lee")));
    csv::Report report;
    const QByteArray out = f.exported(*tables::byLabel(table), person, range ? Date::fromYmd(2026, 1, 1) : Date(),
                                      Date(), &report);
    QCOMPARE(report.outcome, csv::Outcome::BadInput);
    QVERIFY2(report.message.startsWith(message), qPrintable(report.message));
    QVERIFY(out.isEmpty());
}

void TestCsvExport::fileForItsOwnerOnly()
{
    CsvFixture f;
    QVERIFY(f.addPerson(QStringLiteral("Ann"), QStringLiteral("Lee")));
    const QString path = f.tmp.filePath(QStringLiteral("people.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                            | QFileDevice::ReadOther));
    const csv::Report report = csv::exportCsvFile(f.folder(), csv::ExportRequest{&tables::personsName(), {}, {}, {}}, path);
    QVERIFY2(report.outcome == csv::Outcome::Done, qPrintable(report.message));
    QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("FIRSTNAME,LASTNAME,"));
}

void TestCsvExport::nothingMatchedWritesNoFile_data()
{
    QTest::addColumn<bool>("tableMade");
    QTest::addColumn<bool>("fileThere");
    QTest::newRow("no table, no file") << false << false;
    QTest::newRow("a table, nothing in the range, a file from before") << true << true;
}

void TestCsvExport::nothingMatchedWritesNoFile()
{
    QFETCH(bool, tableMade);
    QFETCH(bool, fileThere);
    CsvFixture f;
    QVERIFY(f.addPerson(QStringLiteral("Ann"), QStringLiteral("Lee")));
    if (tableMade)
        QVERIFY(f.add(tables::bloodpre(), [](Record &r) {
            r.setText("BLO:PERSONNAME", Ann);
            r.setDate("BLO:DATE", Date::fromYmd(2025, 5, 5));
        }));
    const QString path = f.tmp.filePath(QStringLiteral("bp.csv"));
    if (fileThere) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    const QString table = f.context->table(tables::bloodpre()).path();
    const csv::Report report =
        csv::exportCsvFile(f.folder(), csv::ExportRequest{&tables::bloodpre(), Ann, Date::fromYmd(2026, 1, 1), {}}, path);
    QCOMPARE(report.outcome, csv::Outcome::NothingMatched);
    QCOMPARE(QFileInfo::exists(path), fileThere);
    if (fileThere) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }
    // Looking made no table.
    QCOMPARE(QFileInfo::exists(table), tableMade);
    QCOMPARE(QDir(f.tmp.path()).entryList({QStringLiteral("*.csv.*")}, QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
