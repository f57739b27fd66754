#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <compare>
#include <cstdint>
#include <optional>

namespace tavimo {

// A calendar date held as a day number. Day 0 is 28 December 1800, so the
// number modulo 7 gives the weekday (0 = Sunday); 0 itself means "no date".
class Date
{
public:
    constexpr Date() = default;
    constexpr explicit Date(std::int32_t dayNumber) : m_day(dayNumber) {}

    static Date fromYmd(int year, int month, int day);
    static Date fromQDate(const QDate &date);
    static Date today();

    constexpr std::int32_t dayNumber() const { return m_day; }
    constexpr bool isNull() const { return m_day == 0; }
    QDate toQDate() const; // invalid QDate for no date
    int year() const { return toQDate().year(); }
    int month() const { return toQDate().month(); }
    int day() const { return toQDate().day(); }
    int dayOfWeek() const; // 0 = Sunday .. 6 = Saturday

    constexpr Date addDays(int days) const { return Date(m_day + days); }
    constexpr auto operator<=>(const Date &) const = default;

private:
    std::int32_t m_day = 0;
};

// A time of day in hundredths of a second, counted from 1 so that midnight
// (1) differs from "no time" (0).
class Time
{
public:
    constexpr Time() = default;
    constexpr explicit Time(std::int32_t value) : m_value(value) {}

    static Time fromHms(int hours, int minutes, int seconds = 0, int hundredths = 0);
    static Time fromQTime(const QTime &time);
    static Time now();

    constexpr std::int32_t value() const { return m_value; }
    constexpr bool isNull() const { return m_value == 0; }
    QTime toQTime() const; // invalid QTime for no time
    int hours() const { return isNull() ? 0 : (m_value - 1) / 360000; }
    int minutes() const { return isNull() ? 0 : (m_value - 1) / 6000 % 60; }
    int seconds() const { return isNull() ? 0 : (m_value - 1) / 100 % 60; }
    int hundredths() const { return isNull() ? 0 : (m_value - 1) % 100; }

    constexpr auto operator<=>(const Time &) const = default;

private:
    std::int32_t m_value = 0;
};

// An exact decimal with two places after the point, as money and
// temperatures are kept. Never goes through binary floating point.
class Decimal
{
public:
    static constexpr std::int64_t MaxCents = 9999999; // 7 digits: 99999.99

    constexpr Decimal() = default;
    static constexpr Decimal fromCents(std::int64_t cents) { Decimal d; d.m_cents = cents; return d; }
    static std::optional<Decimal> parse(const QString &text); // "12.5", "-3", "1,234.50"

    constexpr std::int64_t cents() const { return m_cents; }
    constexpr bool isZero() const { return m_cents == 0; }
    constexpr bool fitsPacked() const { return m_cents >= -MaxCents && m_cents <= MaxCents; }
    QString toString() const; // always two decimals, '.' as the point
    double toDouble() const { return double(m_cents) / 100.0; }

    constexpr Decimal operator+(Decimal o) const { return fromCents(m_cents + o.m_cents); }
    constexpr Decimal operator-(Decimal o) const { return fromCents(m_cents - o.m_cents); }
    constexpr Decimal operator-() const { return fromCents(-m_cents); }
    constexpr auto operator<=>(const Decimal &) const = default;

private:
    std::int64_t m_cents = 0;
};

} // namespace tavimo
