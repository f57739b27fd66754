// Dates, times and numbers as CSV files carry them, in every locale, and
// written back so that they read as the very same value.
#include "csvvalues.h"

#include <QDateTime>
#include <QLocale>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <cstring>
#include <random>

using namespace tavimo;

class TestCsvValues : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dates_data();
    void dates();
    void times_data();
    void times();
    void numbers_data();
    void numbers();
    void realsReadBackExactly();
    void writtenForms_data();
    void writtenForms();
};

// The values must not follow the desktop's locale.
void TestCsvValues::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestCsvValues::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: refused
    QTest::addColumn<QTime>("time"); // invalid: none
    QTest::newRow("date") << "2026-10-01" << QDate(2026, 10, 1) << QTime();
    QTest::newRow("blanks around") << "  2026-10-01 " << QDate(2026, 10, 1) << QTime();
    QTest::newRow("with a time") << "2026-10-01 07:30" << QDate(2026, 10, 1) << QTime(7, 30);
    QTest::newRow("ISO 8601") << "2026-10-01T07:30:05" << QDate(2026, 10, 1) << QTime(7, 30, 5);
    QTest::newRow("ISO 8601 with hundredths") << "2026-10-01T07:30:05.257" << QDate(2026, 10, 1) << QTime(7, 30, 5, 250);
    QTest::newRow("an hour of one digit") << "2026-10-01 7:30" << QDate(2026, 10, 1) << QTime(7, 30);
    QTest::newRow("leap day") << "2024-02-29" << QDate(2024, 2, 29) << QTime();
    QTest::newRow("no leap day") << "2026-02-29" << QDate() << QTime();
    QTest::newRow("month 13") << "2026-13-01" << QDate() << QTime();
    QTest::newRow("day first") << "01.10.2026" << QDate() << QTime();
    QTest::newRow("US order") << "10/01/2026" << QDate() << QTime();
    QTest::newRow("short year") << "26-10-01" << QDate() << QTime();
    QTest::newRow("a time beyond the day") << "2026-10-01 24:00" << QDate() << QTime();
    QTest::newRow("something after the time") << "2026-10-01 07:30 am" << QDate() << QTime();
    QTest::newRow("before the first day") << "1800-01-01" << QDate() << QTime();
}

void TestCsvValues::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    const std::optional<csv::DateTime> got = csv::parseDateTime(text);
    QCOMPARE(got.has_value(), date.isValid());
    if (!got)
        return;
    QCOMPARE(got->date.toQDate(), date);
    QCOMPARE(got->time.toQTime(), time);
    QCOMPARE(csv::parseDate(text).has_value(), !time.isValid());
}

void TestCsvValues::times_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time");
    QTest::newRow("hours and minutes") << "07:30" << QTime(7, 30);
    QTest::newRow("seconds") << "07:30:15" << QTime(7, 30, 15);
    QTest::newRow("hundredths") << "23:59:59.99" << QTime(23, 59, 59, 990);
    QTest::newRow("a decimal comma") << "07:30:15,5" << QTime(7, 30, 15, 500);
    QTest::newRow("midnight") << "00:00" << QTime(0, 0);
    QTest::newRow("one digit of minutes") << "7:3" << QTime();
    QTest::newRow("minute 60") << "07:60" << QTime();
    QTest::newRow("hour 24") << "24:00" << QTime();
    QTest::newRow("half-day marker") << "7:30 PM" << QTime();
    QTest::newRow("a point after the minutes") << "07:30.5" << QTime();
}

void TestCsvValues::times()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    const std::optional<Time> got = csv::parseTime(text);
    QCOMPARE(got.has_value(), time.isValid());
    if (got)
        QCOMPARE(got->toQTime(), time);
}

void TestCsvValues::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("fraction");
    QTest::addColumn<int>("widthWithTwoDecimals");
    QTest::newRow("whole") << "120" << true << false << "120" << "" << 6;
    QTest::newRow("zeros that say nothing") << "0120.500" << true << false << "120" << "5" << 6;
    QTest::newRow("negative") << "-3.25" << true << true << "3" << "25" << 5;
    QTest::newRow("plus") << "+7" << true << false << "7" << "" << 4;
    QTest::newRow("point first") << ".5" << true << false << "" << "5" << 4;
    QTest::newRow("minus zero shows no sign") << "-0" << true << true << "" << "" << 4;
    QTest::newRow("blanks around") << " 98.6 " << true << false << "98" << "6" << 5;
    QTest::newRow("decimal comma") << "98,6" << false << false << "" << "" << 0;
    QTest::newRow("grouped") << "1,200" << false << false << "" << "" << 0;
    QTest::newRow("exponent") << "1e3" << false << false << "" << "" << 0;
    QTest::newRow("a word") << "abc" << false << false << "" << "" << 0;
    QTest::newRow("a sign alone") << "-" << false << false << "" << "" << 0;
    QTest::newRow("a point alone") << "." << false << false << "" << "" << 0;
}

void TestCsvValues::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(bool, negative);
    QFETCH(QString, whole);
    QFETCH(QString, fraction);
    QFETCH(int, widthWithTwoDecimals);
    const std::optional<csv::Number> n = csv::parseNumber(text);
    QCOMPARE(n.has_value(), number);
    if (!n)
        return;
    QCOMPARE(n->negative, negative);
    QCOMPARE(n->whole, whole);
    QCOMPARE(n->fraction, fraction);
    QCOMPARE(n->shownWidth(2), widthWithTwoDecimals);
}

// Every double the export writes reads back as the same bits.
void TestCsvValues::realsReadBackExactly()
{
    std::mt19937_64 random(20261001);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    std::vector<double> values{0.0, -0.0, 0.1, 1.0 / 3.0, 21.520408163265305, 1e-300, 5e-324, 1.7976931348623157e308,
                               120.0, -32768.0};
    for (int i = 0; i < 2000; ++i)
        values.push_back(wide(random) * std::pow(10.0, double(int(random() % 40) - 20)));
    for (const double v : values) {
        QByteArray text;
        csv::appendReal(text, v);
        const std::optional<csv::Number> n = csv::parseNumber(QString::fromLatin1(text));
        QVERIFY2(n.has_value(), text.constData());
        const double back = n->real();
        QVERIFY2(std::memcmp(&back, &v, sizeof v) == 0, text.constData());
    }
}

void TestCsvValues::writtenForms_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("date") << "date" << "2026-10-01" << QByteArray("2026-10-01");
    QTest::newRow("an early date") << "date" << "1801-01-02" << QByteArray("1801-01-02");
    QTest::newRow("no date") << "date" << "" << QByteArray();
    QTest::newRow("time") << "time" << "07:30" << QByteArray("07:30");
    QTest::newRow("time with seconds") << "time" << "07:30:05" << QByteArray("07:30:05");
    QTest::newRow("time with hundredths") << "time" << "07:30:00.07" << QByteArray("07:30:00.07");
    QTest::newRow("midnight") << "time" << "00:00" << QByteArray("00:00");
    QTest::newRow("no time") << "time" << "" << QByteArray();
    QTest::newRow("decimal") << "decimal" << "-1234.05" << QByteArray("-1234.05");
    QTest::newRow("whole decimal") << "decimal" << "7" << QByteArray("7.00");
    QTest::newRow("real") << "real" << "36.6" << QByteArray("36.6");
    QTest::newRow("whole real") << "real" << "120" << QByteArray("120");
    QTest::newRow("large real, no exponent") << "real" << "100000000" << QByteArray("100000000");
}

// Written as written in the file, whatever the locale.
void TestCsvValues::writtenForms()
{
    QFETCH(QString, kind);
    QFETCH(QString, value);
    QFETCH(QByteArray, written);
    QByteArray out;
    if (kind == QLatin1String("date")) {
        csv::appendDate(out, value.isEmpty() ? Date() : *csv::parseDate(value));
    } else if (kind == QLatin1String("time")) {
        csv::appendTime(out, value.isEmpty() ? Time() : *csv::parseTime(value));
    } else if (kind == QLatin1String("decimal")) {
        csv::appendDecimal(out, *csv::parseNumber(value)->decimal());
    } else {
        csv::appendReal(out, csv::parseNumber(value)->real());
    }
    QCOMPARE(out, written);
}

QTEST_GUILESS_MAIN(TestCsvValues)
#include "tst_csvvalues.moc"
