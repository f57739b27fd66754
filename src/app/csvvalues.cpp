#include "csvvalues.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace tavimo::csv {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The number of the digits at text[at, at + count), or -1 when they are not all digits.
int digitsAt(QStringView text, qsizetype at, qsizetype count)
{
    if (at < 0 || at + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

void appendDigits(QByteArray &out, int value, int width)
{
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 16);
    while (n < width)
        buffer[n++] = '0';
    while (n > 0)
        out.append(buffer[--n]);
}

// Hours, minutes and optional seconds with a fraction: "7:30", "07:30:15.25".
std::optional<Time> readClock(QStringView t)
{
    const qsizetype colon = t.indexOf(u':');
    if (colon < 1 || colon > 2)
        return std::nullopt;
    const int hours = digitsAt(t, 0, colon);
    const int minutes = digitsAt(t, colon + 1, 2);
    int seconds = 0;
    int hundredths = 0;
    qsizetype at = colon + 3;
    if (at < t.size()) {
        if (t[at] != u':')
            return std::nullopt;
        seconds = digitsAt(t, at + 1, 2);
        at += 3;
        if (at < t.size()) {
            if (t[at] != u'.' && t[at] != u',')
                return std::nullopt;
            const QStringView fraction = t.mid(at + 1);
            if (fraction.isEmpty())
                return std::nullopt;
            for (const QChar c : fraction)
                if (!isDigit(c))
                    return std::nullopt;
            // Hundredths are what a time keeps; further digits are dropped.
            hundredths = (fraction[0].unicode() - u'0') * 10
                + (fraction.size() > 1 ? fraction[1].unicode() - u'0' : 0);
        }
    }
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
        return std::nullopt;
    return Time::fromHms(hours, minutes, seconds, hundredths);
}

std::optional<QDate> readDate(QStringView t)
{
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return std::nullopt;
    const int year = digitsAt(t, 0, 4);
    const int month = digitsAt(t, 5, 2);
    const int day = digitsAt(t, 8, 2);
    if (year < 0 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

// "Z", "+02:00", "+0200" or "-05": seconds ahead of UTC.
std::optional<int> readZone(QStringView t)
{
    if (t == u"Z" || t == u"z")
        return 0;
    if (t.size() < 3 || (t[0] != u'+' && t[0] != u'-'))
        return std::nullopt;
    const int hours = digitsAt(t, 1, 2);
    int minutes = 0;
    if (t.size() == 6 && t[3] == u':')
        minutes = digitsAt(t, 4, 2);
    else if (t.size() == 5)
        minutes = digitsAt(t, 3, 2);
    else if (t.size() != 3)
        return std::nullopt;
    if (hours < 0 || hours > 18 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const int seconds = (hours * 60 + minutes) * 60;
    return t[0] == u'-' ? -seconds : seconds;
}

} // namespace

int Number::shownWidth(int decimals) const
{
    const bool zero = whole.isEmpty() && fraction.isEmpty();
    return (negative && !zero ? 1 : 0) + int(std::max<qsizetype>(1, whole.size())) + (decimals > 0 ? 1 + decimals : 0);
}

std::optional<std::int64_t> Number::integer() const
{
    if (!fraction.isEmpty() || whole.size() > 18)
        return std::nullopt;
    const std::int64_t value = whole.isEmpty() ? 0 : whole.toLongLong();
    return negative ? -value : value;
}

std::optional<Decimal> Number::decimal() const
{
    if (fraction.size() > 2 || whole.size() > 16)
        return std::nullopt;
    const std::int64_t cents = (whole.isEmpty() ? 0 : whole.toLongLong()) * 100
        + (fraction.isEmpty() ? 0 : QString(fraction).leftJustified(2, u'0').toInt());
    return Decimal::fromCents(negative ? -cents : cents);
}

double Number::real() const
{
    QByteArray text;
    text.reserve(whole.size() + fraction.size() + 3);
    if (negative)
        text.append('-');
    text.append(whole.isEmpty() ? QByteArray("0") : whole.toLatin1());
    if (!fraction.isEmpty())
        text.append('.').append(fraction.toLatin1());
    double value = 0;
    std::from_chars(text.constData(), text.constData() + text.size(), value);
    return value;
}

std::optional<Number> parseNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    Number n;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        n.negative = t[i] == u'-';
        ++i;
    }
    const qsizetype wholeStart = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    const QStringView whole = t.mid(wholeStart, i - wholeStart);
    QStringView fraction;
    if (i < t.size() && t[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        fraction = t.mid(fractionStart, i - fractionStart);
    }
    if (i != t.size() || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;
    qsizetype lead = 0;
    while (lead < whole.size() && whole[lead] == u'0')
        ++lead;
    n.whole = whole.mid(lead).toString();
    qsizetype keep = fraction.size();
    while (keep > 0 && fraction[keep - 1] == u'0')
        --keep;
    n.fraction = fraction.left(keep).toString();
    return n;
}

std::optional<Date> parseDate(QStringView text)
{
    const std::optional<QDate> d = readDate(text.trimmed());
    if (!d)
        return std::nullopt;
    const Date date = Date::fromQDate(*d);
    if (date.isNull())
        return std::nullopt;
    return date;
}

std::optional<Time> parseTime(QStringView text)
{
    return readClock(text.trimmed());
}

std::optional<DateTime> parseDateTime(QStringView text)
{
    const QStringView t = text.trimmed();
    const std::optional<QDate> day = readDate(t.left(10));
    if (!day)
        return std::nullopt;
    DateTime result;
    if (t.size() == 10) {
        result.date = Date::fromQDate(*day);
        return result.date.isNull() ? std::nullopt : std::optional<DateTime>(result);
    }
    if (t[10] != u'T' && t[10] != u't' && t[10] != u' ')
        return std::nullopt;
    QStringView rest = t.mid(11).trimmed();
    // The clock ends where a zone begins.
    qsizetype end = 0;
    while (end < rest.size() && (isDigit(rest[end]) || rest[end] == u':' || rest[end] == u'.' || rest[end] == u','))
        ++end;
    const std::optional<Time> clock = readClock(rest.left(end));
    if (!clock)
        return std::nullopt;
    const QStringView zoneText = rest.mid(end).trimmed();
    if (zoneText.isEmpty()) {
        result.date = Date::fromQDate(*day);
        result.time = *clock;
    } else {
        const std::optional<int> zone = readZone(zoneText);
        if (!zone)
            return std::nullopt;
        const QTime q = clock->toQTime();
        const QDateTime local =
            QDateTime(*day, q, *zone == 0 ? QTimeZone::utc() : QTimeZone(*zone)).toLocalTime();
        result.date = Date::fromQDate(local.date());
        result.time = Time::fromQTime(local.time());
    }
    if (result.date.isNull())
        return std::nullopt;
    return result;
}

void appendDate(QByteArray &out, Date date)
{
    const QDate d = date.toQDate();
    if (!d.isValid())
        return;
    appendDigits(out, d.year(), 4);
    out.append('-');
    appendDigits(out, d.month(), 2);
    out.append('-');
    appendDigits(out, d.day(), 2);
}

void appendTime(QByteArray &out, Time time)
{
    if (time.isNull())
        return;
    appendDigits(out, time.hours(), 2);
    out.append(':');
    appendDigits(out, time.minutes(), 2);
    if (time.seconds() == 0 && time.hundredths() == 0)
        return;
    out.append(':');
    appendDigits(out, time.seconds(), 2);
    if (time.hundredths() == 0)
        return;
    out.append('.');
    appendDigits(out, time.hundredths(), 2);
}

void appendReal(QByteArray &out, double value)
{
    // Fixed notation, since the import takes no exponents; the shortest
    // such text reads back as the very same double.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec == std::errc())
        out.append(buffer, result.ptr - buffer);
}

void appendInteger(QByteArray &out, std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendDecimal(QByteArray &out, Decimal value)
{
    std::int64_t cents = value.cents();
    if (cents < 0) {
        out.append('-');
        cents = -cents;
    }
    appendInteger(out, cents / 100);
    out.append('.');
    appendDigits(out, int(cents % 100), 2);
}

} // namespace tavimo::csv
