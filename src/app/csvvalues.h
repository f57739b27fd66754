#pragma once

#include "values.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace tavimo::csv {

// Values as CSV files carry them, the same in every locale: dates
// 2026-10-01, times 07:30, 07:30:15 or 07:30:15.25, numbers with a point.

// A number as written: sign, whole digits and fraction digits, without
// leading zeros in the whole part or trailing zeros in the fraction.
struct Number
{
    bool negative = false;
    QString whole;
    QString fraction;

    bool isWhole() const { return fraction.isEmpty(); }
    // Characters it takes when shown with `decimals` places: sign, digits, point.
    int shownWidth(int decimals) const;
    std::optional<std::int64_t> integer() const; // for whole numbers that fit 64 bits
    std::optional<Decimal> decimal() const;      // at most two places
    double real() const;
};
std::optional<Number> parseNumber(QStringView text); // "-12.50", "7", ".5"; blanks around are fine

std::optional<Date> parseDate(QStringView text); // YYYY-MM-DD
std::optional<Time> parseTime(QStringView text); // HH:MM, HH:MM:SS, HH:MM:SS.ff

// A date with a time in one value: "2026-10-01 07:30", "2026-10-01T07:30:00",
// with a zone ("Z", "+02:00") turned into this machine's time. A value
// without a time gives a null time.
struct DateTime
{
    Date date;
    Time time;
};
std::optional<DateTime> parseDateTime(QStringView text);

// The same forms written out, appended as UTF-8; null values write nothing.
void appendDate(QByteArray &out, Date date);
void appendTime(QByteArray &out, Time time); // seconds and hundredths only when there are any
void appendReal(QByteArray &out, double value); // the shortest text that reads back the same
void appendInteger(QByteArray &out, std::int64_t value);
void appendDecimal(QByteArray &out, Decimal value);

} // namespace tavimo::csv
