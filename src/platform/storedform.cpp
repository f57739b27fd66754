#include "storedform.h"

#include <cstring>

namespace tavimo::stored {

int fittingUtf8Length(const QByteArray &utf8, int max)
{
    if (utf8.size() <= max)
        return int(utf8.size());
    int n = max;
    // Step back over continuation bytes so a character is never cut in two.
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

void putText(std::uint8_t *p, int size, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    const int n = fittingUtf8Length(utf8, size);
    std::memcpy(p, utf8.constData(), std::size_t(n));
    std::memset(p + n, ' ', std::size_t(size - n));
}

QString getText(const std::uint8_t *p, int size)
{
    int n = size;
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == 0))
        --n;
    return QString::fromUtf8(reinterpret_cast<const char *>(p), n);
}

void putCString(std::uint8_t *p, int size, const QString &value)
{
    QByteArray utf8 = value.toUtf8();
    const qsizetype nul = utf8.indexOf('\0');
    if (nul >= 0)
        utf8.truncate(nul);
    const int n = fittingUtf8Length(utf8, size - 1);
    std::memcpy(p, utf8.constData(), std::size_t(n));
    std::memset(p + n, 0, std::size_t(size - n));
}

QString getCString(const std::uint8_t *p, int size)
{
    int n = 0;
    while (n < size - 1 && p[n] != 0)
        ++n;
    return QString::fromUtf8(reinterpret_cast<const char *>(p), n);
}

void putDate(std::uint8_t *p, Date value)
{
    const QDate d = value.toQDate();
    if (!d.isValid() || d.year() > 65535) {
        std::memset(p, 0, 4);
        return;
    }
    p[0] = std::uint8_t(d.day());
    p[1] = std::uint8_t(d.month());
    p[2] = std::uint8_t(d.year() & 0xFF);
    p[3] = std::uint8_t(d.year() >> 8);
}

Date getDate(const std::uint8_t *p)
{
    const int year = p[2] | (p[3] << 8);
    if (p[0] == 0 && p[1] == 0 && year == 0)
        return Date();
    return Date::fromYmd(year, p[1], p[0]);
}

// Midnight is the one real time whose natural stored form is all zeros,
// which means "no time"; it is stored as hour 24 instead so a reading
// taken at 0:00 keeps its time.
void putTime(std::uint8_t *p, Time value)
{
    if (value.isNull()) {
        std::memset(p, 0, 4);
        return;
    }
    p[0] = std::uint8_t(value.hundredths());
    p[1] = std::uint8_t(value.seconds());
    p[2] = std::uint8_t(value.minutes());
    p[3] = std::uint8_t(value.hours());
    if (value.value() == 1)
        p[3] = 24;
}

Time getTime(const std::uint8_t *p)
{
    if (p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0)
        return Time();
    if (p[3] == 24 && p[0] == 0 && p[1] == 0 && p[2] == 0)
        return Time(1);
    return Time::fromHms(p[3], p[2], p[1], p[0]);
}

void putDecimal(std::uint8_t *p, Decimal value)
{
    std::int64_t cents = value.cents();
    const bool negative = cents < 0;
    if (negative)
        cents = -cents;
    if (cents > Decimal::MaxCents)
        cents = Decimal::MaxCents;
    // Eight half-bytes: the sign, then seven digits, most significant first.
    std::uint8_t nibbles[8];
    nibbles[0] = negative ? 0xD : 0x0;
    for (int i = 7; i >= 1; --i) {
        nibbles[i] = std::uint8_t(cents % 10);
        cents /= 10;
    }
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
}

Decimal getDecimal(const std::uint8_t *p)
{
    std::int64_t cents = 0;
    for (int i = 1; i < 8; ++i) {
        const int nibble = (p[i / 2] >> ((i % 2) ? 0 : 4)) & 0xF;
        cents = cents * 10 + (nibble > 9 ? 9 : nibble);
    }
    const bool negative = (p[0] >> 4) != 0;
    return Decimal::fromCents(negative ? -cents : cents);
}

void putReal(std::uint8_t *p, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        p[i] = std::uint8_t(bits >> (8 * i));
}

double getReal(const std::uint8_t *p)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= std::uint64_t(p[i]) << (8 * i);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

void putShort(std::uint8_t *p, std::int16_t value)
{
    const auto u = std::uint16_t(value);
    p[0] = std::uint8_t(u & 0xFF);
    p[1] = std::uint8_t(u >> 8);
}

std::int16_t getShort(const std::uint8_t *p)
{
    return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
}

} // namespace tavimo::stored
