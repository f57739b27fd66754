// What the profile works out from a person: name, age, height and BMI.
#include "currentperson.h"

#include <QTest>

using namespace tavimo;

class TestCurrentPerson : public QObject
{
    Q_OBJECT

private slots:
    void age_data();
    void age();
    void bmi_data();
    void bmi();
};

void TestCurrentPerson::age_data()
{
    QTest::addColumn<QDate>("born");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<double>("age");
    const QDate today(2026, 12, 10);
    QTest::newRow("birthday today") << QDate(1990, 12, 10) << today << 36.0;
    QTest::newRow("birthday tomorrow") << QDate(1990, 12, 11) << today << 35.0;
    QTest::newRow("leap day, not yet") << QDate(2000, 2, 29) << QDate(2026, 2, 28) << 25.0;
    QTest::newRow("two exactly") << QDate(2024, 12, 10) << today << 2.0;
    QTest::newRow("eighteen months") << QDate(2025, 6, 10) << today << 1.5;
    QTest::newRow("newborn") << today << today << 0.0;
    QTest::newRow("future") << today.addDays(1) << today << 0.0;
    QTest::newRow("no birthdate") << QDate() << today << 0.0;
}

void TestCurrentPerson::age()
{
    QFETCH(QDate, born);
    QFETCH(QDate, today);
    QFETCH(double, age);
    const Date birth = born.isValid() ? Date::fromQDate(born) : Date();
    QCOMPARE(person::ageOn(birth, Date::fromQDate(today)), age);
}

void TestCurrentPerson::bmi_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("inches");
    QTest::addColumn<QString>("bmi");
    QTest::newRow("5'10\" and 150") << "5'10\"" << 150 << 70 << "21.52";
    QTest::newRow("6'00\" and 200") << "6'00\"" << 200 << 72 << "27.12";
    QTest::newRow("inches blank") << "5'  \"" << 120 << 60 << "23.43";
    QTest::newRow("no height") << "" << 150 << 0 << "0.00";
    QTest::newRow("no weight") << "5'10\"" << 0 << 70 << "0.00";
    QTest::newRow("not a height") << "tall" << 150 << 0 << "0.00";
}

void TestCurrentPerson::bmi()
{
    QFETCH(QString, height);
    QFETCH(int, weight);
    QFETCH(int, inches);
    QFETCH(QString, bmi);
    QCOMPARE(person::heightInches(height), inches);
    QCOMPARE(QString::number(person::bmi(weight, height), 'f', 2), bmi);
}

QTEST_MAIN(TestCurrentPerson)
#include "tst_currentperson.moc"
