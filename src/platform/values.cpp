#include "values.h"

#include <QDateTime>

namespace tavimo {

namespace {
// A function, not a namespace-scope constant: dates built during static
// initialisation elsewhere must not see it unset.
qint64 dayZeroJulian()
{
    static const qint64 julian = QDate(1800, 12, 28).toJulianDay();
    return julian;
}
} // namespace

Date Date::fromYmd(int year, int month, int day)
{
    return fromQDate(QDate(year, month, day));
}

Date Date::fromQDate(const QDate &date)
{
    if (!date.isValid())
        return Date();
    const qint64 n = date.toJulianDay() - dayZeroJulian();
    // Dates on or before day 0 cannot be told from "no date"; there are no
    // such dates in a household's records.
    if (n <= 0 || n > INT32_MAX)
        return Date();
    return Date(std::int32_t(n));
}

Date Date::today()
{
    return fromQDate(QDate::currentDate());
}

QDate Date::toQDate() const
{
    if (m_day <= 0)
        return QDate();
    return QDate::fromJulianDay(dayZeroJulian() + m_day);
}

int Date::dayOfWeek() const
{
    return ((m_day % 7) + 7) % 7;
}

Time Time::fromHms(int hours, int minutes, int seconds, int hundredths)
{
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59
        || hundredths < 0 || hundredths > 99)
        return Time();
    return Time(((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths + 1);
}

Time Time::fromQTime(const QTime &time)
{
    if (!time.isValid())
        return Time();
    return fromHms(time.hour(), time.minute(), time.second(), time.msec() / 10);
}

Time Time::now()
{
    return fromQTime(QTime::currentTime());
}

QTime Time::toQTime() const
{
    if (isNull())
        return QTime();
    return QTime(hours(), minutes(), seconds(), hundredths() * 10);
}

std::optional<Decimal> Decimal::parse(const QString &text)
{
    QString s = text.trimmed();
    s.remove(QLatin1Char(','));
    if (s.isEmpty())
        return fromCents(0);
    bool negative = false;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
        negative = s.startsWith(QLatin1Char('-'));
        s = s.mid(1).trimmed();
    }
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? s : s.left(point);
    QString frac = point < 0 ? QString() : s.mid(point + 1);
    if (whole.isEmpty() && frac.isEmpty())
        return std::nullopt;
    for (const QChar c : whole + frac)
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
    if (whole.size() > 15)
        return std::nullopt;
    // A third decimal is rounded half away from zero.
    std::int64_t cents = whole.isEmpty() ? 0 : whole.toLongLong() * 100;
    while (frac.size() < 3)
        frac += QLatin1Char('0');
    cents += frac.left(2).toInt();
    if (frac.at(2).unicode() >= '5')
        cents += 1;
    return fromCents(negative ? -cents : cents);
}

QString Decimal::toString() const
{
    const std::int64_t a = m_cents < 0 ? -m_cents : m_cents;
    return QStringLiteral("%1%2.%3")
        .arg(m_cents < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(int(a % 100), 2, 10, QLatin1Char('0'));
}

} // namespace tavimo
