// Dates, times and decimals, and their stored forms inside a record.
#include "record.h"
#include "storedform.h"
#include "tablelayout.h"
#include "values.h"

#include <QTest>

using namespace tavimo;

class TestValues : public QObject
{
    Q_OBJECT

private slots:
    void dayNumbers_data();
    void dayNumbers();
    void times_data();
    void times();
    void decimalParsing_data();
    void decimalParsing();
    void storedBytes_data();
    void storedBytes();
    void textFieldsCutOnCharacters();
    void recordRoundTripIsByteForByte();
};

void TestValues::dayNumbers_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("dayNumber");
    QTest::addColumn<int>("weekday");
    QTest::newRow("day after day 0") << QDate(1800, 12, 29) << 1 << 1;
    QTest::newRow("a Sunday") << QDate(1993, 1, 3) << int(QDate(1800, 12, 28).daysTo(QDate(1993, 1, 3))) << 0;
    QTest::newRow("leap day") << QDate(2024, 2, 29) << int(QDate(1800, 12, 28).daysTo(QDate(2024, 2, 29))) << 4;
    QTest::newRow("invalid") << QDate() << 0 << 0;
    QTest::newRow("day 0 itself is no date") << QDate(1800, 12, 28) << 0 << 0;
}

void TestValues::dayNumbers()
{
    QFETCH(QDate, date);
    QFETCH(int, dayNumber);
    QFETCH(int, weekday);
    const Date d = Date::fromQDate(date);
    QCOMPARE(d.dayNumber(), dayNumber);
    QCOMPARE(d.dayOfWeek(), weekday);
    if (dayNumber)
        QCOMPARE(d.toQDate(), date);
    else
        QVERIFY(!d.toQDate().isValid());
}

void TestValues::times_data()
{
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("value");
    QTest::newRow("midnight") << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("noon") << 12 << 0 << 0 << 0 << 12 * 360000 + 1;
    QTest::newRow("last") << 23 << 59 << 59 << 99 << 8640000;
    QTest::newRow("out of range") << 24 << 0 << 0 << 0 << 0;
}

void TestValues::times()
{
    QFETCH(int, hours);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(int, hundredths);
    QFETCH(int, value);
    const Time t = Time::fromHms(hours, minutes, seconds, hundredths);
    QCOMPARE(t.value(), value);
    if (value) {
        QCOMPARE(t.hours(), hours);
        QCOMPARE(t.minutes(), minutes);
        QCOMPARE(t.seconds(), seconds);
        QCOMPARE(t.hundredths(), hundredths);
    }
}

void TestValues::decimalParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole") << "12" << true << qint64(1200) << "12.00";
    QTest::newRow("one place") << "12.5" << true << qint64(1250) << "12.50";
    QTest::newRow("negative") << "-0.07" << true << qint64(-7) << "-0.07";
    QTest::newRow("thousands") << "1,234.56" << true << qint64(123456) << "1234.56";
    QTest::newRow("rounds third place") << "0.125" << true << qint64(13) << "0.13";
    QTest::newRow("no binary error") << "0.29" << true << qint64(29) << "0.29";
    QTest::newRow("blank is zero") << "  " << true << qint64(0) << "0.00";
    QTest::newRow("letters") << "12a" << false << qint64(0) << "";
    QTest::newRow("two points") << "1.2.3" << false << qint64(0) << "";
}

void TestValues::decimalParsing()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qint64, cents);
    QFETCH(QString, shown);
    const auto d = Decimal::parse(text);
    QCOMPARE(d.has_value(), valid);
    if (valid) {
        QCOMPARE(d->cents(), cents);
        QCOMPARE(d->toString(), shown);
    }
}

// The stored forms as they lie in a record buffer.
void TestValues::storedBytes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("date 2024-03-09") << "date" << QByteArray::fromHex("090307e8");
    QTest::newRow("no date") << "date" << QByteArray::fromHex("00000000");
    QTest::newRow("time 13:45:30.25") << "time" << QByteArray::fromHex("191e2d0d");
    QTest::newRow("midnight") << "time" << QByteArray::fromHex("00000018");
    QTest::newRow("no time") << "time" << QByteArray::fromHex("00000000");
    QTest::newRow("decimal 12345.67") << "decimal" << QByteArray::fromHex("01234567");
    QTest::newRow("decimal -0.05") << "decimal" << QByteArray::fromHex("d0000005");
    QTest::newRow("decimal 99999.99") << "decimal" << QByteArray::fromHex("09999999");
    QTest::newRow("short -2") << "short" << QByteArray::fromHex("feff");
}

void TestValues::storedBytes()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    auto *p = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    std::uint8_t out[8] = {};
    if (kind == QLatin1String("date"))
        stored::putDate(out, stored::getDate(p));
    else if (kind == QLatin1String("time"))
        stored::putTime(out, stored::getTime(p));
    else if (kind == QLatin1String("decimal"))
        stored::putDecimal(out, stored::getDecimal(p));
    else
        stored::putShort(out, stored::getShort(p));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), bytes.size()), bytes);
}

void TestValues::textFieldsCutOnCharacters()
{
    std::uint8_t buf[6];
    stored::putText(buf, 6, QStringLiteral("Zoë Ann"));
    QCOMPARE(stored::getText(buf, 6), QStringLiteral("Zoë A")); // ë takes two bytes
    stored::putText(buf, 4, QStringLiteral("abcé"));
    QCOMPARE(stored::getText(buf, 4), QStringLiteral("abc")); // é would not fit whole
    QCOMPARE(buf[3], std::uint8_t(' '));
    stored::putCString(buf, 4, QStringLiteral("abcd"));
    QCOMPARE(stored::getCString(buf, 4), QStringLiteral("abc"));
    QCOMPARE(buf[3], std::uint8_t(0));
}

void TestValues::recordRoundTripIsByteForByte()
{
    static const TableLayout layout = TableLayout::Builder("All", "ALL", "all")
                                          .text("T", 10)
                                          .cstring("C", 6)
                                          .date("D")
                                          .time("TM")
                                          .real("R")
                                          .int16("S")
                                          .uint8("B")
                                          .decimal("P")
                                          .memo("M", 20)
                                          .build();
    QCOMPARE(layout.recordSize(), 10 + 6 + 4 + 4 + 8 + 2 + 1 + 4);
    Record r(layout);
    // A cleared record: texts blank, everything else zero.
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.data()), 10), QByteArray(10, ' '));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.data()) + 10, r.size() - 10), QByteArray(r.size() - 10, '\0'));

    r.setText("all:t", QStringLiteral("hello"));
    r.setText("C", QStringLiteral("toolong"));
    r.setDate("D", Date::fromYmd(2001, 2, 3));
    r.setTime("TM", Time::fromHms(4, 5, 6, 7));
    r.setReal("R", -1.5);
    r.setInteger("S", 70000); // clamped
    r.setInteger("B", -4);    // clamped
    r.setDecimal("P", Decimal::fromCents(20000000)); // more than seven digits: clamped
    r.setMemo(QString(30, QLatin1Char('x')));
    QCOMPARE(r.text("T"), QStringLiteral("hello"));
    QCOMPARE(r.text("C"), QStringLiteral("toolo"));
    QCOMPARE(r.date("D"), Date::fromYmd(2001, 2, 3));
    QCOMPARE(r.time("TM"), Time::fromHms(4, 5, 6, 7));
    QCOMPARE(r.real("R"), -1.5);
    QCOMPARE(r.integer("S"), 32767);
    QCOMPARE(r.integer("B"), 0);
    QCOMPARE(r.decimal("P").cents(), Decimal::MaxCents);
    QCOMPARE(r.memo().size(), 20);

    // Reading every field and writing it back reproduces the buffer exactly.
    Record copy(layout);
    copy.setText("T", r.text("T"));
    copy.setText("C", r.text("C"));
    copy.setDate("D", r.date("D"));
    copy.setTime("TM", r.time("TM"));
    copy.setReal("R", r.real("R"));
    copy.setInteger("S", r.integer("S"));
    copy.setInteger("B", r.integer("B"));
    copy.setDecimal("P", r.decimal("P"));
    copy.setMemo(r.memo());
    QVERIFY(copy == r);

    // A field of another type is neither read nor written through the wrong call.
    r.setDate("T", Date::fromYmd(2000, 1, 1));
    QCOMPARE(r.text("T"), QStringLiteral("hello"));
    QVERIFY(r.date("T").isNull());
}

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
