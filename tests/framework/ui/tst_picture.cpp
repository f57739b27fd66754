// Display pictures: how values are shown and how typed entries are read.
#include "picture.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace tavimo;

Q_DECLARE_METATYPE(tavimo::Picture::Kind)

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QLocale localeNamed(const QString &name)
{
    return name.isEmpty() ? kEnglish : QLocale(name);
}

// Values are written in the tables as text, read per the "as" column.
QString formatAs(const Picture &p, const QString &as, const QString &value)
{
    if (as == u"text")
        return p.format(value);
    if (as == u"double") {
        if (value == u"nan")
            return p.format(std::numeric_limits<double>::quiet_NaN());
        if (value == u"inf")
            return p.format(std::numeric_limits<double>::infinity());
        return p.format(value.toDouble());
    }
    if (as == u"decimal")
        return p.format(Decimal::parse(value).value_or(Decimal()));
    if (as == u"date")
        return p.format(value.isEmpty() ? Date() : Date::fromQDate(QDate::fromString(value, Qt::ISODate)));
    if (as == u"time")
        return p.format(value.isEmpty() ? Time() : Time::fromQTime(QTime::fromString(value, Qt::ISODate)));
    return QStringLiteral("<bad row>");
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pictureText_data();
    void pictureText();
    void format_data();
    void format();
    void numberEntry_data();
    void numberEntry();
    void dateEntry_data();
    void dateEntry();
    void twoDigitYears_data();
    void twoDigitYears();
    void timeEntry_data();
    void timeEntry();
    void textEntry_data();
    void textEntry();
    void entryOfAnotherKindIsRefused_data();
    void entryOfAnotherKindIsRefused();
    void samePictureFollowsLocaleChange();
};

void TestPicture::init()
{
    QLocale::setDefault(kEnglish);
}

void TestPicture::cleanup()
{
    QLocale::setDefault(kEnglish);
}

void TestPicture::pictureText_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Picture::Kind>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("isSigned");

    using K = Picture::Kind;
    QTest::newRow("s50") << "s50" << true << K::Text << 50 << 0 << false;
    QTest::newRow("S upper case") << "S5" << true << K::Text << 5 << 0 << false;
    QTest::newRow("n3") << "n3" << true << K::Number << 3 << 0 << false;
    QTest::newRow("n6.2") << "n6.2" << true << K::Number << 6 << 2 << false;
    QTest::newRow("n-10.2") << "n-10.2" << true << K::Number << 10 << 2 << true;
    QTest::newRow("N upper case") << "N5.1" << true << K::Number << 5 << 1 << false;
    QTest::newRow("n3b") << "n3b" << true << K::Number << 3 << 0 << false;
    QTest::newRow("blank zero on a text") << "s5b" << false << K::Text << 0 << 0 << false;
    QTest::newRow("d17") << "d17" << true << K::Date << 0 << 0 << false;
    QTest::newRow("D18") << "D18" << true << K::Date << 0 << 0 << false;
    QTest::newRow("d4") << "d4" << true << K::Date << 0 << 0 << false;
    QTest::newRow("T7") << "T7" << true << K::Time << 0 << 0 << false;
    QTest::newRow("phone") << "(###) ###-####" << true << K::Template << 14 << 0 << false;
    QTest::newRow("height") << "#'##\"" << true << K::Template << 5 << 0 << false;
    QTest::newRow("blood pressure") << "<##/<##" << true << K::Template << 7 << 0 << false;
    QTest::newRow("letter then digits is a template") << "s##" << true << K::Template << 3 << 0 << false;

    QTest::newRow("empty") << "" << false << K::Text << 0 << 0 << false;
    QTest::newRow("plain word") << "abc" << false << K::Text << 0 << 0 << false;
    QTest::newRow("s0") << "s0" << false << K::Text << 0 << 0 << false;
    QTest::newRow("n0") << "n0" << false << K::Text << 0 << 0 << false;
    QTest::newRow("no room before the point") << "n3.2" << false << K::Text << 0 << 0 << false;
    QTest::newRow("point without decimals") << "n6." << false << K::Text << 0 << 0 << false;
    QTest::newRow("signed text") << "s-5" << false << K::Text << 0 << 0 << false;
    QTest::newRow("unknown date") << "d5" << false << K::Text << 0 << 0 << false;
    QTest::newRow("date with decimals") << "d17.2" << false << K::Text << 0 << 0 << false;
    QTest::newRow("unknown time") << "t8" << false << K::Text << 0 << 0 << false;
    QTest::newRow("optional digit inside a group") << "#<#" << false << K::Text << 0 << 0 << false;
    QTest::newRow("optional digit alone") << "<-##" << false << K::Text << 0 << 0 << false;
    QTest::newRow("huge width") << "s9999" << false << K::Text << 0 << 0 << false;
}

void TestPicture::pictureText()
{
    QFETCH(QString, picture);
    QFETCH(bool, valid);
    const std::optional<Picture> p = Picture::parse(picture);
    QCOMPARE(p.has_value(), valid);
    if (!valid)
        return;
    QFETCH(Picture::Kind, kind);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(bool, isSigned);
    QCOMPARE(p->kind(), kind);
    QCOMPARE(p->text(), picture);
    QCOMPARE(p->width(), width);
    QCOMPARE(p->decimals(), decimals);
    QCOMPARE(p->isSigned(), isSigned);
}

void TestPicture::format_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("as");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    // Texts
    QTest::newRow("text fits") << "s5" << "" << "text" << "abc" << "abc";
    QTest::newRow("text cut to width") << "s5" << "" << "text" << "abcdefg" << "abcde";
    QTest::newRow("text padding dropped") << "s5" << "" << "text" << "ab      " << "ab";
    QTest::newRow("text leading blanks kept") << "s5" << "" << "text" << "  ab" << "  ab";

    // Numbers, right-aligned in their width
    QTest::newRow("n3 zero") << "n3" << "" << "double" << "0" << "  0";
    QTest::newRow("n3 widest") << "n3" << "" << "double" << "999" << "999";
    QTest::newRow("n3b zero blank") << "n3b" << "" << "double" << "0" << "";
    QTest::newRow("n3b not zero") << "n3b" << "" << "double" << "7" << "  7";
    QTest::newRow("n-10.2b zero decimal blank") << "n-10.2b" << "" << "decimal" << "0" << "";
    QTest::newRow("n3 one too many digits") << "n3" << "" << "double" << "1000" << "###";
    QTest::newRow("n3 rounds half away from zero") << "n3" << "" << "double" << "0.5" << "  1";
    QTest::newRow("n3 rounds up into overflow") << "n3" << "" << "double" << "999.5" << "###";
    QTest::newRow("n3 negative unsigned") << "n3" << "" << "double" << "-5" << "###";
    QTest::newRow("n3 negative rounding to zero") << "n3" << "" << "double" << "-0.4" << "  0";
    QTest::newRow("n4 readings") << "n4" << "" << "double" << "1234" << "1234";
    QTest::newRow("n6.2 pads decimals") << "n6.2" << "" << "double" << "120" << "120.00";
    QTest::newRow("n6.2 widest") << "n6.2" << "" << "double" << "999.994" << "999.99";
    QTest::newRow("n6.2 carry overflows") << "n6.2" << "" << "double" << "999.995" << "######";
    QTest::newRow("n6.2 rounds as it reads 1.005") << "n6.2" << "" << "double" << "1.005" << "  1.01";
    QTest::newRow("n6.2 rounds as it reads 2.675") << "n6.2" << "" << "double" << "2.675" << "  2.68";
    QTest::newRow("n6.2 mean of three") << "n6.2" << "" << "double" << QString::number(368.0 / 3, 'g', 17) << "122.67";
    QTest::newRow("n6.2 not a number") << "n6.2" << "" << "double" << "nan" << "######";
    QTest::newRow("n6.2 infinite") << "n6.2" << "" << "double" << "inf" << "######";
    QTest::newRow("n6.2 tiny") << "n6.2" << "" << "double" << "1e-300" << "  0.00";
    QTest::newRow("n-10.2 most negative") << "n-10.2" << "" << "double" << "-999999.99" << "-999999.99";
    QTest::newRow("n-10.2 beyond negative") << "n-10.2" << "" << "double" << "-1000000" << "##########";
    QTest::newRow("n-10.2 most positive") << "n-10.2" << "" << "double" << "9999999.99" << "9999999.99";
    QTest::newRow("n-10.2 no negative zero") << "n-10.2" << "" << "double" << "-0.001" << "      0.00";
    QTest::newRow("n5.1 temperature") << "n5.1" << "" << "double" << "98.6" << " 98.6";
    QTest::newRow("n6.2 decimal comma") << "n6.2" << "de_DE" << "double" << "12.5" << " 12,50";
    QTest::newRow("n-6.2 locale minus sign") << "n-6.2" << "sv_SE" << "double" << "-1.5" << QStringView(u" \u22121,50").toString();

    QTest::newRow("decimal n-10.2") << "n-10.2" << "" << "decimal" << "-123.45" << "   -123.45";
    QTest::newRow("decimal n5.1 half up") << "n5.1" << "" << "decimal" << "98.65" << " 98.7";
    QTest::newRow("decimal n-6.1 half away") << "n-6.1" << "" << "decimal" << "-98.65" << " -98.7";
    QTest::newRow("decimal n3 unsigned negative") << "n3" << "" << "decimal" << "-2.50" << "###";
    QTest::newRow("decimal n6.2 widest") << "n6.2" << "" << "decimal" << "999.99" << "999.99";
    QTest::newRow("decimal n6.2 too wide") << "n6.2" << "" << "decimal" << "1000" << "######";

    QTest::newRow("stored number text") << "n6.2" << "de_DE" << "text" << "12.5" << " 12,50";
    QTest::newRow("blank stored number") << "n3" << "" << "text" << "" << "  0";
    QTest::newRow("stored text not a number") << "n3" << "" << "text" << "abc" << "###";

    // Dates: blank shows nothing
    QTest::newRow("d17 blank") << "d17" << "" << "date" << "" << "";
    QTest::newRow("d18 blank") << "d18" << "" << "date" << "" << "";
    QTest::newRow("d4 blank") << "d4" << "" << "date" << "" << "";
    QTest::newRow("d17 four-digit year") << "d17" << "" << "date" << "2024-03-09" << "3/9/2024";
    QTest::newRow("D17 same as d17") << "D17" << "" << "date" << "2024-03-09" << "3/9/2024";
    QTest::newRow("d17 December") << "d17" << "" << "date" << "1999-12-31" << "12/31/1999";
    QTest::newRow("d18 long") << "d18" << "" << "date" << "2024-03-09" << "Saturday, March 9, 2024";
    QTest::newRow("D18 long") << "D18" << "" << "date" << "2024-03-09" << "Saturday, March 9, 2024";
    QTest::newRow("D4 month day year") << "D4" << "" << "date" << "2024-03-09" << "March 9, 2024";
    QTest::newRow("d4 month day year") << "d4" << "" << "date" << "2024-03-09" << "March 9, 2024";
    QTest::newRow("d17 German") << "d17" << "de_DE" << "date" << "2024-03-09" << "09.03.2024";
    QTest::newRow("d18 German") << "d18" << "de_DE" << "date" << "2024-03-09" << QStringView(u"Samstag, 9. M\u00e4rz 2024").toString();
    QTest::newRow("D4 German") << "D4" << "de_DE" << "date" << "2024-03-09" << QStringView(u"9. M\u00e4rz 2024").toString();
    QTest::newRow("D4 French") << "D4" << "fr_FR" << "date" << "2024-03-09" << "9 mars 2024";

    // Times: blank shows nothing
    QTest::newRow("t7 blank") << "t7" << "" << "time" << "" << "";
    QTest::newRow("t7 afternoon") << "t7" << "" << "time" << "14:30:00" << "2:30 PM";
    QTest::newRow("t7 midnight") << "t7" << "" << "time" << "00:00:00" << "12:00 AM";
    QTest::newRow("t7 seconds not shown") << "t7" << "" << "time" << "09:05:59" << "9:05 AM";
    QTest::newRow("T7 German") << "T7" << "de_DE" << "time" << "14:30:00" << "14:30";

    // Templates: a blank stored text shows nothing
    QTest::newRow("phone stored as shown") << "(###) ###-####" << "" << "text" << "(123) 456-7890" << "(123) 456-7890";
    QTest::newRow("phone digits only") << "(###) ###-####" << "" << "text" << "1234567890" << "(123) 456-7890";
    QTest::newRow("phone blank") << "(###) ###-####" << "" << "text" << "" << "";
    QTest::newRow("phone short shows blanks") << "(###) ###-####" << "" << "text" << "12345" << "(123) 45 -    ";
    QTest::newRow("phone long is cut") << "(###) ###-####" << "" << "text" << "123456789012" << "(123) 456-7890";
    QTest::newRow("social security") << "###-##-####" << "" << "text" << "123456789" << "123-45-6789";
    QTest::newRow("height stored") << "#'##\"" << "" << "text" << "5'10\"" << "5'10\"";
    QTest::newRow("height digits") << "#'##\"" << "" << "text" << "510" << "5'10\"";
    QTest::newRow("pressure three and two") << "<##/<##" << "" << "text" << "120/80" << "120/80";
    QTest::newRow("pressure two and two") << "<##/<##" << "" << "text" << "80/60" << "80/60";
    QTest::newRow("pressure three and three") << "<##/<##" << "" << "text" << "180/100" << "180/100";
    QTest::newRow("pressure digits only") << "<##/<##" << "" << "text" << "12080" << "120/80";
    QTest::newRow("template from a number") << "###-##-####" << "" << "double" << "123456789" << "123-45-6789";

    // A value of another kind goes through the picture's kind
    QTest::newRow("date in a number picture") << "n6" << "" << "date" << "1800-12-29" << "     1";
    QTest::newRow("day number in a date picture") << "d17" << "" << "double" << "1" << "12/29/1800";
    QTest::newRow("zero in a date picture") << "d17" << "" << "double" << "0" << "";
    QTest::newRow("typed date in a date picture") << "d17" << "" << "text" << "2024-03-09" << "3/9/2024";
    QTest::newRow("text in a date picture not a date") << "d17" << "" << "text" << "soon" << "soon";
    QTest::newRow("time in a number picture") << "n8" << "" << "time" << "00:00:01" << "     101";
    QTest::newRow("number in a text picture") << "s10" << "" << "double" << "12.5" << "12.5";
    QTest::newRow("decimal in a text picture") << "s10" << "" << "decimal" << "12.5" << "12.50";
}

void TestPicture::format()
{
    QFETCH(QString, picture);
    QFETCH(QString, locale);
    QFETCH(QString, as);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QLocale::setDefault(localeNamed(locale));
    const std::optional<Picture> p = Picture::parse(picture);
    QVERIFY(p);
    QCOMPARE(formatAs(*p, as, value), shown);

    // What is shown reads back to what is shown again.
    if (shown.isEmpty() || shown.startsWith(u'#'))
        return;
    switch (p->kind()) {
    case Picture::Kind::Number: {
        const std::optional<double> n = p->parseNumber(shown);
        QVERIFY(n);
        QCOMPARE(p->format(*n), shown);
        break;
    }
    case Picture::Kind::Date: {
        if (as == u"text" && !p->parseDate(value))
            break; // an unreadable text is passed through, not a date
        const std::optional<Date> d = p->parseDate(shown);
        QVERIFY(d);
        QCOMPARE(p->format(*d), shown);
        break;
    }
    case Picture::Kind::Time: {
        const std::optional<Time> t = p->parseTime(shown);
        QVERIFY(t);
        QCOMPARE(p->format(*t), shown);
        break;
    }
    case Picture::Kind::Template:
        if (!shown.contains(u' ')) {
            QCOMPARE(p->parseText(shown), std::optional<QString>(shown));
        }
        break;
    case Picture::Kind::Text:
        QCOMPARE(p->parseText(shown), std::optional<QString>(shown));
        break;
    }
}

void TestPicture::numberEntry_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("number");
    // -1 when the entry is a number but no exact two-place decimal
    QTest::addColumn<qlonglong>("cents");

    QTest::newRow("n3 widest") << "n3" << "" << "999" << true << 999.0 << 99900LL;
    QTest::newRow("n3 too many digits") << "n3" << "" << "1000" << false << 0.0 << 0LL;
    QTest::newRow("n3 leading zeros do not count") << "n3" << "" << "0042" << true << 42.0 << 4200LL;
    QTest::newRow("n3 surrounding blanks") << "n3" << "" << "  42 " << true << 42.0 << 4200LL;
    QTest::newRow("n3 blank is zero") << "n3" << "" << "" << true << 0.0 << 0LL;
    QTest::newRow("n3 negative refused") << "n3" << "" << "-1" << false << 0.0 << 0LL;
    QTest::newRow("n3 decimals refused") << "n3" << "" << "12.5" << false << 0.0 << 0LL;
    QTest::newRow("n3 zero decimals allowed") << "n3" << "" << "12.00" << true << 12.0 << 1200LL;
    QTest::newRow("n3 plus sign") << "n3" << "" << "+5" << true << 5.0 << 500LL;
    QTest::newRow("n3 words") << "n3" << "" << "abc" << false << 0.0 << 0LL;
    QTest::newRow("n3 trailing letters") << "n3" << "" << "12kg" << false << 0.0 << 0LL;
    QTest::newRow("n3 exponent") << "n3" << "" << "1e2" << false << 0.0 << 0LL;
    QTest::newRow("n3 sign alone") << "n3" << "" << "+" << false << 0.0 << 0LL;
    QTest::newRow("n6.2 widest") << "n6.2" << "" << "999.99" << true << 999.99 << 99999LL;
    QTest::newRow("n6.2 whole too wide") << "n6.2" << "" << "1000" << false << 0.0 << 0LL;
    QTest::newRow("n6.2 three decimals") << "n6.2" << "" << "12.345" << false << 0.0 << 0LL;
    QTest::newRow("n6.2 point first") << "n6.2" << "" << ".5" << true << 0.5 << 50LL;
    QTest::newRow("n6.2 point last") << "n6.2" << "" << "5." << true << 5.0 << 500LL;
    QTest::newRow("n6.2 point alone") << "n6.2" << "" << "." << false << 0.0 << 0LL;
    QTest::newRow("n6.2 two points") << "n6.2" << "" << "1.2.3" << false << 0.0 << 0LL;
    QTest::newRow("n-10.2 grouped") << "n-10.2" << "" << "1,234.56" << true << 1234.56 << 123456LL;
    QTest::newRow("n-10.2 most negative") << "n-10.2" << "" << "-999,999.99" << true << -999999.99 << -99999999LL;
    QTest::newRow("n-10.2 too negative") << "n-10.2" << "" << "-1000000" << false << 0.0 << 0LL;
    QTest::newRow("n-10.2 most positive") << "n-10.2" << "" << "9999999.99" << true << 9999999.99 << 999999999LL;
    QTest::newRow("n-10.2 misgrouped") << "n-10.2" << "" << "1,23" << false << 0.0 << 0LL;
    QTest::newRow("n-10.2 minus zero") << "n-10.2" << "" << "-0" << true << 0.0 << 0LL;
    QTest::newRow("n-10.2 minus then blank") << "n-10.2" << "" << "- 5" << true << -5.0 << -500LL;
    QTest::newRow("n5.1 temperature") << "n5.1" << "" << "98.6" << true << 98.6 << 9860LL;
    QTest::newRow("n5.1 two decimals") << "n5.1" << "" << "98.65" << false << 0.0 << 0LL;
    QTest::newRow("n8.3 not exact in cents") << "n8.3" << "" << "1.234" << true << 1.234 << -1LL;
    QTest::newRow("English refuses a decimal comma") << "n6.2" << "" << "12,5" << false << 0.0 << 0LL;
    QTest::newRow("German decimal comma") << "n6.2" << "de_DE" << "12,5" << true << 12.5 << 1250LL;
    QTest::newRow("German grouping") << "n-10.2" << "de_DE" << "-1.234,5" << true << -1234.5 << -123450LL;
    QTest::newRow("German refuses a decimal point") << "n6.2" << "de_DE" << "12.5" << false << 0.0 << 0LL;
    QTest::newRow("French blank grouping") << "n-10.2" << "fr_FR" << "1 234,5" << true << 1234.5 << 123450LL;
    QTest::newRow("Swedish minus sign") << "n-6.2" << "sv_SE" << QStringView(u"\u22121,5").toString() << true << -1.5 << -150LL;
}

void TestPicture::numberEntry()
{
    QFETCH(QString, picture);
    QFETCH(QString, locale);
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    QFETCH(double, number);
    QFETCH(qlonglong, cents);
    QLocale::setDefault(localeNamed(locale));
    const std::optional<Picture> p = Picture::parse(picture);
    QVERIFY(p);

    const std::optional<double> n = p->parseNumber(entry);
    QCOMPARE(n.has_value(), accepted);
    const std::optional<Decimal> d = p->parseDecimal(entry);
    QCOMPARE(d.has_value(), accepted && cents != -1);
    if (!accepted)
        return;
    QCOMPARE(*n, number);
    if (d)
        QCOMPARE(d->cents(), cents);
    // Whatever is accepted can be shown in the picture.
    QVERIFY(!p->format(*n).contains(u'#'));
}

void TestPicture::dateEntry_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QDate>("date"); // invalid: no date

    const QDate d(2024, 3, 9);
    const int thisYear = QDate::currentDate().year();
    QTest::newRow("blank is no date") << "d17" << "" << "  " << true << QDate();
    QTest::newRow("short") << "d17" << "" << "3/9/2024" << true << d;
    QTest::newRow("short with zeros") << "d17" << "" << "03/09/2024" << true << d;
    QTest::newRow("ISO") << "d17" << "" << "2024-03-09" << true << d;
    QTest::newRow("ISO with slashes") << "d17" << "" << "2024/3/9" << true << d;
    QTest::newRow("two-digit year this century") << "d17" << "" << "3/9/24" << true << d;
    QTest::newRow("two-digit year last century") << "d17" << "" << "3-9-99" << true << QDate(1999, 3, 9);
    QTest::newRow("month name first") << "D18" << "" << "March 9, 2024" << true << d;
    QTest::newRow("month abbreviated") << "d4" << "" << "Mar. 9 2024" << true << d;
    QTest::newRow("day first with name") << "d17" << "" << "9 march 2024" << true << d;
    QTest::newRow("with weekday") << "d18" << "" << "Saturday, March 9, 2024" << true << d;
    QTest::newRow("year first with name") << "d17" << "" << "2024 Mar 9" << true << d;
    QTest::newRow("no year means this year") << "d17" << "" << "3/9" << true << QDate(thisYear, 3, 9);
    QTest::newRow("name without year") << "d17" << "" << "March 9" << true << QDate(thisYear, 3, 9);
    QTest::newRow("first day held") << "d17" << "" << "12/29/1800" << true << QDate(1800, 12, 29);
    QTest::newRow("before the first day") << "d17" << "" << "12/28/1800" << false << QDate();
    QTest::newRow("no such day") << "d17" << "" << "2/30/2024" << false << QDate();
    QTest::newRow("no such month") << "d17" << "" << "13/1/2024" << false << QDate();
    QTest::newRow("three-digit year") << "d17" << "" << "3/9/202" << false << QDate();
    QTest::newRow("too many parts") << "d17" << "" << "3/9/2024/1" << false << QDate();
    QTest::newRow("one number") << "d17" << "" << "9" << false << QDate();
    QTest::newRow("words") << "d17" << "" << "next week" << false << QDate();
    QTest::newRow("two month names") << "d17" << "" << "March April 2024" << false << QDate();
    QTest::newRow("not a month") << "d17" << "" << "Smarch 9 2024" << false << QDate();
    QTest::newRow("German short") << "d17" << "de_DE" << "09.03.2024" << true << d;
    QTest::newRow("German two-digit year") << "d17" << "de_DE" << "9.3.24" << true << d;
    QTest::newRow("German month name") << "d4" << "de_DE" << QStringView(u"9. M\u00e4rz 2024").toString() << true << d;
    QTest::newRow("German reads day first") << "d17" << "de_DE" << "3/9/2024" << true << QDate(2024, 9, 3);
    QTest::newRow("German ISO") << "d17" << "de_DE" << "2024-03-09" << true << d;
    QTest::newRow("Japanese long") << "d18" << "ja_JP" << QStringView(u"2024\u5e743\u67089\u65e5").toString() << true << d;
}

void TestPicture::dateEntry()
{
    QFETCH(QString, picture);
    QFETCH(QString, locale);
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    QFETCH(QDate, date);
    QLocale::setDefault(localeNamed(locale));
    const std::optional<Picture> p = Picture::parse(picture);
    QVERIFY(p);
    const std::optional<Date> d = p->parseDate(entry);
    QCOMPARE(d.has_value(), accepted);
    if (!accepted)
        return;
    QCOMPARE(d->toQDate(), date);
    QCOMPARE(d->isNull(), !date.isValid());
}

void TestPicture::twoDigitYears_data()
{
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("referenceYear");
    QTest::addColumn<int>("year");

    QTest::newRow("this year") << 25 << 2025 << 2025;
    QTest::newRow("last year of the window") << 35 << 2025 << 2035;
    QTest::newRow("first year back") << 36 << 2025 << 1936;
    QTest::newRow("turn of the century") << 0 << 2025 << 2000;
    QTest::newRow("99") << 99 << 2025 << 1999;
    QTest::newRow("window crosses a century ahead") << 5 << 2095 << 2105;
    QTest::newRow("window crosses a century back") << 6 << 2095 << 2006;
    QTest::newRow("reference at a century") << 11 << 2000 << 1911;
}

void TestPicture::twoDigitYears()
{
    QFETCH(int, typed);
    QFETCH(int, referenceYear);
    QFETCH(int, year);
    QCOMPARE(Picture::expandTwoDigitYear(typed, referenceYear), year);
}

void TestPicture::timeEntry_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QTime>("time"); // invalid: no time

    QTest::newRow("blank is no time") << "" << "" << true << QTime();
    QTest::newRow("h:mm") << "" << "9:05" << true << QTime(9, 5);
    QTest::newRow("24-hour") << "" << "14:30" << true << QTime(14, 30);
    QTest::newRow("h:mm PM") << "" << "2:30 PM" << true << QTime(14, 30);
    QTest::newRow("hh:mm pm no blank") << "" << "02:30pm" << true << QTime(14, 30);
    QTest::newRow("p.m.") << "" << "2:30 p.m." << true << QTime(14, 30);
    QTest::newRow("a") << "" << "9:15a" << true << QTime(9, 15);
    QTest::newRow("midnight") << "" << "12:00 AM" << true << QTime(0, 0);
    QTest::newRow("noon") << "" << "12:15 PM" << true << QTime(12, 15);
    QTest::newRow("h:mm:ss") << "" << "14:30:15" << true << QTime(14, 30, 15);
    QTest::newRow("hundredths") << "" << "14:30:15.5" << true << QTime(14, 30, 15, 500);
    QTest::newRow("hour only") << "" << "9" << true << QTime(9, 0);
    QTest::newRow("hour and PM") << "" << "9 pm" << true << QTime(21, 0);
    QTest::newRow("compact") << "" << "930" << true << QTime(9, 30);
    QTest::newRow("compact 24-hour") << "" << "1430" << true << QTime(14, 30);
    QTest::newRow("hour 24") << "" << "24:00" << false << QTime();
    QTest::newRow("minute 60") << "" << "12:60" << false << QTime();
    QTest::newRow("second 60") << "" << "12:00:60" << false << QTime();
    QTest::newRow("13 PM") << "" << "13:00 PM" << false << QTime();
    QTest::newRow("0 AM") << "" << "0:30 AM" << false << QTime();
    QTest::newRow("one-digit minutes") << "" << "2:3" << false << QTime();
    QTest::newRow("words") << "" << "noon" << false << QTime();
    QTest::newRow("marker alone") << "" << "PM" << false << QTime();
    QTest::newRow("German") << "de_DE" << "14:30" << true << QTime(14, 30);
    QTest::newRow("Swedish afternoon marker") << "sv_SE" << "2:30 em" << true << QTime(14, 30);
}

void TestPicture::timeEntry()
{
    QFETCH(QString, locale);
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    QFETCH(QTime, time);
    QLocale::setDefault(localeNamed(locale));
    const std::optional<Picture> p = Picture::parse(QStringLiteral("t7"));
    QVERIFY(p);
    const std::optional<Time> t = p->parseTime(entry);
    QCOMPARE(t.has_value(), accepted);
    if (!accepted)
        return;
    QCOMPARE(t->toQTime(), time);
    QCOMPARE(t->isNull(), !time.isValid());
}

void TestPicture::textEntry_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");

    const QString phone = QStringLiteral("(###) ###-####");
    const QString ssn = QStringLiteral("###-##-####");
    const QString height = QStringLiteral("#'##\"");
    const QString pressure = QStringLiteral("<##/<##");

    QTest::newRow("text fits") << "s5" << "abcde" << true << "abcde";
    QTest::newRow("text trailing blanks") << "s5" << "abc    " << true << "abc";
    QTest::newRow("text too long") << "s5" << "abcdef" << false << "";
    QTest::newRow("text blank") << "s5" << "" << true << "";

    QTest::newRow("phone digits") << phone << "1234567890" << true << "(123) 456-7890";
    QTest::newRow("phone as shown") << phone << "(123) 456-7890" << true << "(123) 456-7890";
    QTest::newRow("phone dashes") << phone << "123-456-7890" << true << "(123) 456-7890";
    QTest::newRow("phone dots") << phone << "123.456.7890" << true << "(123) 456-7890";
    QTest::newRow("phone partly grouped") << phone << " (123)4567890 " << true << "(123) 456-7890";
    QTest::newRow("phone too few digits") << phone << "123456789" << false << "";
    QTest::newRow("phone too many digits") << phone << "1 (123) 456-7890" << false << "";
    QTest::newRow("phone groups typed wrongly") << phone << "123-4567-890" << false << "";
    QTest::newRow("phone letter") << phone << "(123) 456-789O" << false << "";
    QTest::newRow("phone blank") << phone << "" << true << "";
    QTest::newRow("phone literals only") << phone << "(   )    -    " << true << "";
    QTest::newRow("ssn digits") << ssn << "123456789" << true << "123-45-6789";
    QTest::newRow("ssn as shown") << ssn << "123-45-6789" << true << "123-45-6789";
    QTest::newRow("ssn blanks") << ssn << "123 45 6789" << true << "123-45-6789";
    QTest::newRow("ssn too few") << ssn << "12345678" << false << "";
    QTest::newRow("height digits") << height << "510" << true << "5'10\"";
    QTest::newRow("height as shown") << height << "5'10\"" << true << "5'10\"";
    QTest::newRow("height without the inch mark") << height << "5'10" << true << "5'10\"";
    QTest::newRow("height with a blank") << height << "5 10" << true << "5'10\"";
    QTest::newRow("height one inch digit") << height << "5'9\"" << false << "";
    QTest::newRow("height feet only") << height << "6" << false << "";
    QTest::newRow("pressure") << pressure << "120/80" << true << "120/80";
    QTest::newRow("pressure two digits each") << pressure << "80/60" << true << "80/60";
    QTest::newRow("pressure with blanks") << pressure << "120 / 80" << true << "120/80";
    QTest::newRow("pressure all digits filled") << pressure << "120080" << true << "120/080";
    QTest::newRow("pressure no optional digits") << pressure << "8060" << true << "80/60";
    QTest::newRow("pressure ambiguous digits") << pressure << "12080" << false << "";
    QTest::newRow("pressure four digits in a group") << pressure << "1200/80" << false << "";
    QTest::newRow("pressure one digit in a group") << pressure << "120/8" << false << "";
    QTest::newRow("pressure three groups") << pressure << "120/80/70" << false << "";
}

void TestPicture::textEntry()
{
    QFETCH(QString, picture);
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);
    const std::optional<Picture> p = Picture::parse(picture);
    QVERIFY(p);
    const std::optional<QString> s = p->parseText(entry);
    QCOMPARE(s.has_value(), accepted);
    if (!accepted)
        return;
    QCOMPARE(*s, stored);
    // The stored form shows as itself and reads back unchanged.
    QCOMPARE(p->format(*s), stored);
    QCOMPARE(p->parseText(stored), std::optional<QString>(stored));
}

void TestPicture::entryOfAnotherKindIsRefused_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("entry");

    QTest::newRow("number picture") << "n6.2" << "12";
    QTest::newRow("date picture") << "d17" << "3/9/2024";
    QTest::newRow("time picture") << "t7" << "14:30";
    QTest::newRow("text picture") << "s10" << "12";
    QTest::newRow("template picture") << "###-##-####" << "123456789";
}

void TestPicture::entryOfAnotherKindIsRefused()
{
    QFETCH(QString, picture);
    QFETCH(QString, entry);
    const std::optional<Picture> p = Picture::parse(picture);
    QVERIFY(p);
    const Picture::Kind k = p->kind();
    const bool takesText = k == Picture::Kind::Text || k == Picture::Kind::Template;
    QCOMPARE(p->parseText(entry).has_value(), takesText);
    QCOMPARE(p->parseNumber(entry).has_value(), k == Picture::Kind::Number);
    QCOMPARE(p->parseDecimal(entry).has_value(), k == Picture::Kind::Number);
    QCOMPARE(p->parseDate(entry).has_value(), k == Picture::Kind::Date);
    QCOMPARE(p->parseTime(entry).has_value(), k == Picture::Kind::Time);
}

void TestPicture::samePictureFollowsLocaleChange()
{
    const std::optional<Picture> date = Picture::parse(QStringLiteral("d17"));
    const std::optional<Picture> number = Picture::parse(QStringLiteral("n6.2"));
    QVERIFY(date && number);
    const Date d = Date::fromYmd(2024, 3, 9);
    QCOMPARE(date->format(d), QStringLiteral("3/9/2024"));
    QCOMPARE(number->format(12.5), QStringLiteral(" 12.50"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(date->format(d), QStringLiteral("09.03.2024"));
    QCOMPARE(number->format(12.5), QStringLiteral(" 12,50"));
    QCOMPARE(date->parseDate(QStringLiteral("09.03.2024")), std::optional<Date>(d));
}

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
