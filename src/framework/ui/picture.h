#pragma once

#include "values.h"

#include <QString>

#include <optional>
#include <vector>

namespace tavimo {

struct FieldDef;

// How forms, lists and reports show a value and read back what the user
// typed. Parsed once from its text; the locale is looked up (QLocale()) on
// every call, so a change of the default locale shows at once.
//
//   s50        text of up to 50 characters
//   n3 n6.2    number: width in characters (point and sign included) and
//   n-10.2     decimals; "-" allows negative values; a trailing "b"
//   n3b        shows zero as a blank
//   d17 d18 d4 date: short, long, month name + day + four-digit year
//   t7         time in the short format
//   (###) ###-####, <##/<##, #'##"
//              template: each '#' takes one digit, '<' is a leading digit
//              of its group that may be left out (no blank is left), so
//              "<##/<##" shows 120/80 and 80/60; anything else is shown as
//              it stands. The stored text is the text as shown.
//
// The case of the letter does not matter ("D17" is "d17").
class Picture
{
public:
    enum class Kind { Text, Number, Date, Time, Template };
    enum class DateStyle {
        Short,        // d17: locale short format, year widened to four digits
        Long,         // d18: locale long format
        MonthDayYear, // d4: locale long format without the weekday
    };

    // Shows text as it stands, with no width limit.
    Picture() = default;
    // std::nullopt for a picture text that has no meaning.
    static std::optional<Picture> parse(const QString &picture);

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }
    // Characters shown at most; 0 for dates and times (the locale decides)
    // and for the default picture (no limit).
    int width() const { return m_width; }
    int decimals() const { return m_decimals; }
    bool isSigned() const { return m_signed; }
    DateStyle dateStyle() const { return m_dateStyle; }

    // A value of another kind than the picture's is first turned into the
    // picture's kind: a date or time becomes its stored number, a number
    // becomes its text (for a text) or its digits (for a template), a
    // number becomes a day number or time value for a date or time, and a
    // text is read as a stored number or as typed date or time.
    //
    // A number that cannot be shown in the width, or a negative number in
    // an unsigned picture, shows as '#' repeated over the width.
    QString format(const QString &text) const;
    QString format(double value) const;
    QString format(Decimal value) const;
    QString format(Date value) const;
    QString format(Time value) const;

    // Entry parsing: std::nullopt refuses the entry, which includes asking
    // a picture of another kind (parseText serves texts and templates).
    // A blank entry gives the empty value: "", zero, no date, no time.
    std::optional<QString> parseText(const QString &entry) const;
    std::optional<double> parseNumber(const QString &entry) const;
    std::optional<Decimal> parseDecimal(const QString &entry) const;
    std::optional<Date> parseDate(const QString &entry) const;
    std::optional<Time> parseTime(const QString &entry) const;

    // How a field is shown when nothing names a picture for it: lists,
    // reports and forms alike.
    static QString naturalFor(const FieldDef &field);

    // The full year meant by a two-digit year typed in referenceYear.
    static int expandTwoDigitYear(int twoDigitYear, int referenceYear);

private:
    struct Group
    {
        int optional = 0;  // leading '<' positions
        int mandatory = 0; // '#' positions
    };
    struct DigitText
    {
        bool negative = false;
        QString whole; // digits, no leading zeros
        QString frac;  // digits
    };

    static std::optional<Picture> parseTemplate(const QString &picture);
    QString overflow() const;
    QString formatDigits(DigitText value) const;
    std::optional<DigitText> acceptNumber(const QString &entry) const;
    QString layOut(const std::vector<QString> &groupDigits) const;
    std::optional<std::vector<QString>> splitDigits(const QString &text, bool strict) const;

    Kind m_kind = Kind::Text;
    QString m_text;
    int m_width = 0;
    int m_decimals = 0;
    bool m_blankZero = false;
    bool m_signed = false;
    DateStyle m_dateStyle = DateStyle::Short;
    std::vector<Group> m_groups;
};

} // namespace tavimo
