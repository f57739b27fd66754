#include "picture.h"

#include "tablelayout.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavimo {

namespace {

// Bounds what a picture text can make us allocate.
constexpr int kMaxWidth = 4096;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allAsciiDigits(const QString &s)
{
    return std::all_of(s.cbegin(), s.cend(), isAsciiDigit);
}

QString withoutLeadingZeros(const QString &digits)
{
    qsizetype i = 0;
    while (i < digits.size() && digits.at(i) == u'0')
        ++i;
    return digits.mid(i);
}

QString withoutTrailingSpace(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    s.truncate(n);
    return s;
}

// A Qt date format in pieces: a run of one ASCII letter (a field), or a
// literal (quoted text or one other character).
struct FormatToken
{
    QString raw;
    QChar letter; // null for literals
    int count = 0;

    bool isSeparator() const
    {
        return letter.isNull() && raw.size() == 1 && !raw.at(0).isLetterOrNumber()
            && raw.at(0) != u'\'';
    }
};

std::vector<FormatToken> tokenize(const QString &format)
{
    std::vector<FormatToken> tokens;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format.at(j) == u'\'') {
                    if (j + 1 < format.size() && format.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(j + 1, format.size());
            tokens.push_back({format.mid(i, j - i), QChar(), 0});
            i = j;
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            qsizetype j = i;
            while (j < format.size() && format.at(j) == c)
                ++j;
            tokens.push_back({format.mid(i, j - i), c, int(j - i)});
            i = j;
        } else {
            tokens.push_back({QString(c), QChar(), 0});
            ++i;
        }
    }
    return tokens;
}

QString join(const std::vector<FormatToken> &tokens)
{
    QString out;
    for (const FormatToken &t : tokens)
        out += t.raw;
    return out;
}

// A two-digit year on screen is ambiguous for birthdates a century apart.
QString widenYears(const QString &format)
{
    std::vector<FormatToken> tokens = tokenize(format);
    for (FormatToken &t : tokens)
        if (t.letter == u'y' && t.count == 2)
            t.raw = QStringLiteral("yyyy");
    return join(tokens);
}

// The long format without its weekday and the separators that went with it.
QString monthDayYearFormat(const QLocale &locale)
{
    std::vector<FormatToken> tokens = tokenize(widenYears(locale.dateFormat(QLocale::LongFormat)));
    const auto weekday = std::find_if(tokens.begin(), tokens.end(), [](const FormatToken &t) {
        return t.letter == u'd' && t.count >= 3;
    });
    if (weekday == tokens.end())
        return join(tokens);
    const bool fieldBefore = std::any_of(tokens.begin(), weekday, [](const FormatToken &t) {
        return !t.letter.isNull();
    });
    qsizetype at = weekday - tokens.begin();
    tokens.erase(weekday);
    if (fieldBefore) {
        while (at > 0 && tokens[at - 1].isSeparator())
            tokens.erase(tokens.begin() + --at);
    } else {
        while (at < qsizetype(tokens.size()) && tokens[at].isSeparator())
            tokens.erase(tokens.begin() + at);
    }
    return join(tokens);
}

// "MDY", "DMY" or "YMD": the order of the fields in the short format.
QString numericDateOrder(const QLocale &locale)
{
    QString order;
    for (const FormatToken &t : tokenize(locale.dateFormat(QLocale::ShortFormat))) {
        QChar field;
        if (t.letter == u'd' && t.count <= 2)
            field = u'D';
        else if (t.letter == u'M')
            field = u'M';
        else if (t.letter == u'y')
            field = u'Y';
        if (!field.isNull() && !order.contains(field))
            order += field;
    }
    return order.size() == 3 ? order : QStringLiteral("MDY");
}

QString foldName(const QString &name)
{
    QString s = name.toCaseFolded();
    s.remove(u'.');
    return s.trimmed();
}

int monthFromName(const QString &word, const QLocale &locale)
{
    const QString w = foldName(word);
    for (int m = 1; m <= 12; ++m) {
        for (const auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (w == foldName(locale.monthName(m, type))
                || w == foldName(locale.standaloneMonthName(m, type)))
                return m;
        }
    }
    return 0;
}

bool isDayName(const QString &word, const QLocale &locale)
{
    const QString w = foldName(word);
    for (int d = 1; d <= 7; ++d) {
        for (const auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (w == foldName(locale.dayName(d, type))
                || w == foldName(locale.standaloneDayName(d, type)))
                return true;
        }
    }
    return false;
}

// Digits and words typed for a date, with or without a month name.
QDate readDate(const QString &entry, const QLocale &locale)
{
    std::vector<QString> numbers;
    int month = 0;
    qsizetype i = 0;
    while (i < entry.size()) {
        const QChar c = entry.at(i);
        qsizetype j = i;
        if (isAsciiDigit(c)) {
            while (j < entry.size() && isAsciiDigit(entry.at(j)))
                ++j;
            numbers.push_back(entry.mid(i, j - i));
        } else if (c.isLetter()) {
            while (j < entry.size() && entry.at(j).isLetter())
                ++j;
            const QString word = entry.mid(i, j - i);
            if (const int m = monthFromName(word, locale)) {
                if (month != 0)
                    return {};
                month = m;
            } else if (!isDayName(word, locale)) {
                return {};
            }
        } else if (c.isDigit()) {
            return {};
        } else {
            j = i + 1;
        }
        i = j;
    }

    const int thisYear = QDate::currentDate().year();
    const auto yearOf = [thisYear](const QString &t) {
        if (t.size() == 4)
            return t.toInt();
        if (t.size() == 2)
            return Picture::expandTwoDigitYear(t.toInt(), thisYear);
        return -1;
    };
    const auto smallOf = [](const QString &t) { return t.size() <= 2 ? t.toInt() : -1; };

    int year = thisYear;
    int day = -1;
    if (month != 0) {
        if (numbers.size() == 1) {
            day = smallOf(numbers[0]);
        } else if (numbers.size() == 2) {
            const bool yearFirst = numbers[0].size() > 2;
            year = yearOf(numbers[yearFirst ? 0 : 1]);
            day = smallOf(numbers[yearFirst ? 1 : 0]);
        } else {
            return {};
        }
    } else {
        QString order;
        if (numbers.size() == 3)
            order = numbers[0].size() > 2 ? QStringLiteral("YMD") : numericDateOrder(locale);
        else if (numbers.size() == 2)
            order = numericDateOrder(locale).remove(u'Y');
        else
            return {};
        for (qsizetype k = 0; k < order.size(); ++k) {
            const QString &t = numbers[k];
            switch (order.at(k).unicode()) {
            case 'Y': year = yearOf(t); break;
            case 'M': month = smallOf(t); break;
            default: day = smallOf(t); break;
            }
        }
    }
    return QDate(year, month, day);
}

struct HalfDay
{
    QString text;
    int half; // 1 before noon, 2 after
};

} // namespace

int Picture::expandTwoDigitYear(int twoDigitYear, int referenceYear)
{
    // Household dates lie mostly in the past (births, past visits); future
    // ones (appointments, policy terms) are seldom more than ten years off.
    int year = referenceYear - ((referenceYear % 100) + 100) % 100 + twoDigitYear;
    if (year > referenceYear + 10)
        year -= 100;
    else if (year <= referenceYear - 90)
        year += 100;
    return year;
}

std::optional<Picture> Picture::parse(const QString &picture)
{
    static const QRegularExpression letterForm(
        QStringLiteral("^([sSnNdDtT])(-?)([0-9]{1,4})(?:\\.([0-9]{1,2}))?([bB]?)$"));
    const QRegularExpressionMatch m = letterForm.match(picture);
    if (!m.hasMatch())
        return parseTemplate(picture);

    const char letter = char(m.captured(1).at(0).toLower().unicode());
    const bool minus = !m.captured(2).isEmpty();
    const int number = m.captured(3).toInt();
    const bool point = m.hasCaptured(4);
    const bool blankZero = !m.captured(5).isEmpty();
    if ((minus || point || blankZero) && letter != 'n')
        return std::nullopt;

    Picture p;
    p.m_text = picture;
    p.m_blankZero = blankZero;
    switch (letter) {
    case 's':
        if (number < 1 || number > kMaxWidth)
            return std::nullopt;
        p.m_kind = Kind::Text;
        p.m_width = number;
        return p;
    case 'n':
        p.m_kind = Kind::Number;
        p.m_width = number;
        p.m_decimals = point ? m.captured(4).toInt() : 0;
        p.m_signed = minus;
        // Room for at least one digit before the point.
        if (number < 1 || number > kMaxWidth || (p.m_decimals > 0 && number < p.m_decimals + 2))
            return std::nullopt;
        return p;
    case 'd':
        p.m_kind = Kind::Date;
        if (number == 17)
            p.m_dateStyle = DateStyle::Short;
        else if (number == 18)
            p.m_dateStyle = DateStyle::Long;
        else if (number == 4)
            p.m_dateStyle = DateStyle::MonthDayYear;
        else
            return std::nullopt;
        return p;
    default:
        if (number != 7)
            return std::nullopt;
        p.m_kind = Kind::Time;
        return p;
    }
}

std::optional<Picture> Picture::parseTemplate(const QString &picture)
{
    if (picture.size() > kMaxWidth)
        return std::nullopt;
    Picture p;
    p.m_kind = Kind::Template;
    p.m_text = picture;
    p.m_width = int(picture.size());
    qsizetype i = 0;
    while (i < picture.size()) {
        if (picture.at(i) != u'<' && picture.at(i) != u'#') {
            ++i;
            continue;
        }
        Group g;
        while (i < picture.size() && picture.at(i) == u'<') {
            ++g.optional;
            ++i;
        }
        while (i < picture.size() && picture.at(i) == u'#') {
            ++g.mandatory;
            ++i;
        }
        // '<' only leads a group: "<" alone or "#<#" has no sound reading.
        if (g.mandatory == 0 || (i < picture.size() && picture.at(i) == u'<'))
            return std::nullopt;
        p.m_groups.push_back(g);
    }
    if (p.m_groups.empty())
        return std::nullopt;
    return p;
}

QString Picture::overflow() const
{
    return QString(m_width, u'#');
}

QString Picture::formatDigits(DigitText value) const
{
    QString whole = withoutLeadingZeros(value.whole);
    QString frac = value.frac;
    if (frac.size() > m_decimals) {
        // Half away from zero, on the digits as written.
        const bool up = frac.at(m_decimals) >= u'5';
        frac.truncate(m_decimals);
        if (up) {
            QString digits = whole + frac;
            qsizetype k = digits.size() - 1;
            while (k >= 0 && digits.at(k) == u'9')
                digits[k--] = u'0';
            if (k < 0)
                digits.prepend(u'1');
            else
                digits[k] = QChar(digits.at(k).unicode() + 1);
            whole = digits.left(digits.size() - m_decimals);
            frac = digits.right(m_decimals);
        }
    }
    frac = frac.leftJustified(m_decimals, u'0');
    whole = withoutLeadingZeros(whole);
    const bool zero = whole.isEmpty() && std::all_of(frac.cbegin(), frac.cend(), [](QChar c) {
        return c == u'0';
    });
    const bool negative = value.negative && !zero;
    if (negative && !m_signed)
        return overflow();

    const QLocale locale;
    QString out;
    if (negative)
        out += locale.negativeSign();
    out += whole.isEmpty() ? QStringLiteral("0") : whole;
    if (m_decimals > 0)
        out += locale.decimalPoint() + frac;
    if (out.size() > m_width)
        return overflow();
    return out.rightJustified(m_width, u' ');
}

namespace {

// Sign, whole digits and fraction digits of a number written in a locale.
std::optional<QString> takeSign(QString &s, const QLocale &locale)
{
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();
    for (const QString &m : {minus, QStringLiteral("-"), QString(u'\u2212')}) {
        if (!m.isEmpty() && s.startsWith(m)) {
            s = s.mid(m.size()).trimmed();
            return QStringLiteral("-");
        }
    }
    for (const QString &p : {plus, QStringLiteral("+")}) {
        if (!p.isEmpty() && s.startsWith(p)) {
            s = s.mid(p.size()).trimmed();
            return QStringLiteral("+");
        }
    }
    return std::nullopt;
}

bool groupedCorrectly(const QStringList &parts)
{
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const qsizetype n = parts.at(k).size();
        if (k == 0 ? (n < 1 || n > 3) : n != 3)
            return false;
    }
    return true;
}

} // namespace

std::optional<Picture::DigitText> Picture::acceptNumber(const QString &entry) const
{
    if (m_kind != Kind::Number)
        return std::nullopt;
    QString s = entry.trimmed();
    if (s.isEmpty())
        return DigitText{};

    const QLocale locale;
    DigitText v;
    const std::optional<QString> sign = takeSign(s, locale);
    v.negative = sign && *sign == u'-';
    if (v.negative && !m_signed)
        return std::nullopt;

    const QString point = locale.decimalPoint();
    QString whole = s;
    const qsizetype at = s.indexOf(point);
    if (at >= 0) {
        whole = s.left(at);
        v.frac = s.mid(at + point.size());
    }
    const QString group = locale.groupSeparator();
    if (!group.isEmpty()) {
        // Spaces typed for a space-like separator (U+00A0, U+202F).
        if (group.size() == 1 && group.at(0).isSpace())
            whole.replace(u' ', group.at(0));
        if (whole.contains(group)) {
            if (!groupedCorrectly(whole.split(group)))
                return std::nullopt;
            whole.remove(group);
        }
    }
    if (!allAsciiDigits(whole) || !allAsciiDigits(v.frac) || (whole.isEmpty() && v.frac.isEmpty()))
        return std::nullopt;
    v.whole = withoutLeadingZeros(whole);
    while (v.frac.endsWith(u'0'))
        v.frac.chop(1);
    if (v.whole.isEmpty() && v.frac.isEmpty())
        v.negative = false;
    if (v.frac.size() > m_decimals)
        return std::nullopt;
    const qsizetype shown = (v.negative ? 1 : 0) + std::max<qsizetype>(1, v.whole.size())
        + (m_decimals > 0 ? 1 + m_decimals : 0);
    if (shown > m_width)
        return std::nullopt;
    return v;
}

std::optional<double> Picture::parseNumber(const QString &entry) const
{
    const std::optional<DigitText> v = acceptNumber(entry);
    if (!v)
        return std::nullopt;
    const QString text = QStringLiteral("%1%2.%3")
                             .arg(v->negative ? QStringLiteral("-") : QString(),
                                  v->whole.isEmpty() ? QStringLiteral("0") : v->whole,
                                  v->frac.isEmpty() ? QStringLiteral("0") : v->frac);
    bool ok = false;
    const double d = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return d;
}

std::optional<Decimal> Picture::parseDecimal(const QString &entry) const
{
    const std::optional<DigitText> v = acceptNumber(entry);
    // Cents are exact: a third significant decimal or a whole part beyond
    // 64-bit cents cannot be held.
    if (!v || v->frac.size() > 2 || v->whole.size() > 16)
        return std::nullopt;
    std::int64_t cents = (v->whole.isEmpty() ? 0 : v->whole.toLongLong()) * 100
        + v->frac.leftJustified(2, u'0').toInt();
    return Decimal::fromCents(v->negative ? -cents : cents);
}

std::optional<std::vector<QString>> Picture::splitDigits(const QString &text, bool strict) const
{
    std::vector<QString> runs;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isAsciiDigit(text.at(i))) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < text.size() && isAsciiDigit(text.at(j)))
            ++j;
        runs.push_back(text.mid(i, j - i));
        i = j;
    }

    if (runs.size() == m_groups.size()) {
        bool fits = true;
        for (size_t k = 0; k < runs.size(); ++k) {
            const qsizetype n = runs[k].size();
            fits = fits && n >= m_groups[k].mandatory
                && n <= m_groups[k].mandatory + m_groups[k].optional;
        }
        if (fits)
            return runs;
        // The groups were typed apart, but wrongly: "1200/80" is no reading.
        if (strict && m_groups.size() > 1)
            return std::nullopt;
    }

    // Digits not split the way the template groups them: fill in order.
    QString digits;
    for (const QString &r : runs)
        digits += r;
    int mandatory = 0;
    int optional = 0;
    int groupsWithOptional = 0;
    for (const Group &g : m_groups) {
        mandatory += g.mandatory;
        optional += g.optional;
        groupsWithOptional += g.optional > 0 ? 1 : 0;
    }
    const qsizetype count = digits.size();
    if (strict && (count < mandatory || count > mandatory + optional))
        return std::nullopt;
    int extra = int(std::clamp<qsizetype>(count - mandatory, 0, optional));
    // "12080" for "<##/<##" could be 120/80 or 12/080: refuse to guess.
    if (strict && extra > 0 && extra < optional && groupsWithOptional > 1)
        return std::nullopt;

    std::vector<QString> groups;
    qsizetype at = 0;
    for (const Group &g : m_groups) {
        const int take = g.mandatory + std::min(g.optional, extra);
        extra -= take - g.mandatory;
        groups.push_back(digits.mid(at, take).leftJustified(take, u' '));
        at += take;
    }
    return groups;
}

QString Picture::layOut(const std::vector<QString> &groupDigits) const
{
    QString out;
    size_t group = 0;
    qsizetype i = 0;
    while (i < m_text.size()) {
        const QChar c = m_text.at(i);
        if (c != u'<' && c != u'#') {
            out += c;
            ++i;
            continue;
        }
        const Group &g = m_groups[group];
        const QString &digits = groupDigits[group];
        const qsizetype capacity = g.optional + g.mandatory;
        // Digits sit at the right of their group; unused '<' vanish.
        out += digits;
        i += capacity;
        ++group;
    }
    return out;
}

std::optional<QString> Picture::parseText(const QString &entry) const
{
    if (m_kind == Kind::Text) {
        const QString t = withoutTrailingSpace(entry);
        if (m_width > 0 && t.size() > m_width)
            return std::nullopt;
        return t;
    }
    if (m_kind != Kind::Template)
        return std::nullopt;
    bool anyDigit = false;
    for (const QChar c : entry) {
        if (c.isLetter() || (c.isDigit() && !isAsciiDigit(c)))
            return std::nullopt;
        anyDigit = anyDigit || isAsciiDigit(c);
    }
    if (!anyDigit)
        return QString();
    const std::optional<std::vector<QString>> groups = splitDigits(entry, true);
    if (!groups)
        return std::nullopt;
    // Stored as shown, so the record holds "(123) 456-7890".
    return layOut(*groups);
}

std::optional<Date> Picture::parseDate(const QString &entry) const
{
    if (m_kind != Kind::Date)
        return std::nullopt;
    const QString s = entry.trimmed();
    if (s.isEmpty())
        return Date();
    const QLocale locale;
    QDate date = readDate(s, locale);
    if (!date.isValid()) {
        // Locale formats the word reader cannot split, e.g. "2024年3月9日".
        for (const QString &format : {widenYears(locale.dateFormat(QLocale::ShortFormat)),
                                      widenYears(locale.dateFormat(QLocale::LongFormat)),
                                      monthDayYearFormat(locale)}) {
            date = locale.toDate(s, format);
            if (date.isValid())
                break;
        }
    }
    const Date d = Date::fromQDate(date);
    if (d.isNull())
        return std::nullopt;
    return d;
}

std::optional<Time> Picture::parseTime(const QString &entry) const
{
    if (m_kind != Kind::Time)
        return std::nullopt;
    QString s = entry.trimmed();
    if (s.isEmpty())
        return Time();

    const QLocale locale;
    std::vector<HalfDay> markers{{locale.amText(), 1},       {locale.pmText(), 2},
                                 {QStringLiteral("a.m."), 1}, {QStringLiteral("p.m."), 2},
                                 {QStringLiteral("am"), 1},   {QStringLiteral("pm"), 2},
                                 {QStringLiteral("a"), 1},    {QStringLiteral("p"), 2}};
    std::stable_sort(markers.begin(), markers.end(), [](const HalfDay &a, const HalfDay &b) {
        return a.text.size() > b.text.size();
    });
    int half = 0;
    const QString folded = s.toCaseFolded();
    for (const HalfDay &m : markers) {
        const QString t = m.text.toCaseFolded();
        if (t.isEmpty() || !folded.endsWith(t))
            continue;
        const QString rest = s.left(s.size() - t.size()).trimmed();
        if (!rest.isEmpty() && isAsciiDigit(rest.back())) {
            half = m.half;
            s = rest;
            break;
        }
    }

    static const QRegularExpression clock(QStringLiteral(
        "^([0-9]{1,2})(?::([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]{1,2}))?)?)?$"));
    static const QRegularExpression compact(QStringLiteral("^([0-9]{3,4})$"));
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int hundredths = 0;
    if (const QRegularExpressionMatch m = clock.match(s); m.hasMatch()) {
        hours = m.captured(1).toInt();
        minutes = m.captured(2).toInt();
        seconds = m.captured(3).toInt();
        hundredths = m.captured(4).leftJustified(2, u'0').toInt();
    } else if (const QRegularExpressionMatch c = compact.match(s); c.hasMatch()) {
        const int hhmm = c.captured(1).toInt();
        hours = hhmm / 100;
        minutes = hhmm % 100;
    } else {
        const QTime t = locale.toTime(entry.trimmed(), locale.timeFormat(QLocale::ShortFormat));
        if (!t.isValid())
            return std::nullopt;
        return Time::fromQTime(t);
    }

    if (half != 0) {
        if (hours < 1 || hours > 12)
            return std::nullopt;
        hours = hours % 12 + (half == 2 ? 12 : 0);
    }
    if (hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return Time::fromHms(hours, minutes, seconds, hundredths);
}

QString Picture::format(const QString &text) const
{
    switch (m_kind) {
    case Kind::Text: {
        const QString t = withoutTrailingSpace(text);
        return m_width > 0 ? t.left(m_width) : t;
    }
    case Kind::Template: {
        if (!std::any_of(text.cbegin(), text.cend(), isAsciiDigit))
            return QString();
        // Lenient: a stored text that is short shows blanks, a long one is cut.
        const std::optional<std::vector<QString>> groups = splitDigits(text, false);
        return groups ? layOut(*groups) : QString();
    }
    case Kind::Number: {
        QString s = text.trimmed();
        if (s.isEmpty())
            return formatDigits(DigitText{});
        // Stored numbers are written with '.' whatever the locale.
        const std::optional<QString> sign = takeSign(s, QLocale::c());
        const qsizetype at = s.indexOf(u'.');
        DigitText v;
        v.negative = sign && *sign == u'-';
        v.whole = at < 0 ? s : s.left(at);
        v.whole.remove(u',');
        v.frac = at < 0 ? QString() : s.mid(at + 1);
        if (!allAsciiDigits(v.whole) || !allAsciiDigits(v.frac)
            || (v.whole.isEmpty() && v.frac.isEmpty()))
            return overflow();
        return formatDigits(v);
    }
    case Kind::Date: {
        if (text.trimmed().isEmpty())
            return QString();
        const std::optional<Date> d = parseDate(text);
        return d ? format(*d) : text.trimmed();
    }
    case Kind::Time: {
        if (text.trimmed().isEmpty())
            return QString();
        const std::optional<Time> t = parseTime(text);
        return t ? format(*t) : text.trimmed();
    }
    }
    return QString();
}

QString Picture::format(double value) const
{
    if (m_blankZero && value == 0)
        return QString();
    switch (m_kind) {
    case Kind::Number: {
        if (!std::isfinite(value))
            return overflow();
        // The shortest text that reads back as the value, so 1.005 rounds
        // as it reads (to 1.01) rather than as its binary neighbour.
        const QString s = QString::number(std::fabs(value), 'f', QLocale::FloatingPointShortest);
        const qsizetype at = s.indexOf(u'.');
        DigitText v;
        v.negative = value < 0;
        v.whole = at < 0 ? s : s.left(at);
        v.frac = at < 0 ? QString() : s.mid(at + 1);
        return formatDigits(v);
    }
    case Kind::Text:
        return format(QString::number(value, 'g', QLocale::FloatingPointShortest));
    case Kind::Template:
        if (!std::isfinite(value))
            return QString();
        return format(QString::number(std::round(std::fabs(value)), 'f', 0));
    case Kind::Date:
        if (!std::isfinite(value) || value < 1 || value > INT32_MAX)
            return QString();
        return format(Date(std::int32_t(value)));
    case Kind::Time:
        if (!std::isfinite(value) || value < 1 || value > INT32_MAX)
            return QString();
        return format(Time(std::int32_t(value)));
    }
    return QString();
}

QString Picture::format(Decimal value) const
{
    if (m_kind == Kind::Text)
        return format(value.toString());
    if (m_kind != Kind::Number)
        return format(value.toDouble());
    if (m_blankZero && value.cents() == 0)
        return QString();
    const std::int64_t cents = value.cents();
    const std::uint64_t magnitude = cents < 0 ? 0 - std::uint64_t(cents) : std::uint64_t(cents);
    DigitText v;
    v.negative = cents < 0;
    v.whole = QString::number(magnitude / 100);
    v.frac = QString::number(magnitude % 100).rightJustified(2, u'0');
    return formatDigits(v);
}

QString Picture::format(Date value) const
{
    if (value.isNull())
        return QString();
    if (m_kind != Kind::Date)
        return format(double(value.dayNumber()));
    const QLocale locale;
    const QDate date = value.toQDate();
    switch (m_dateStyle) {
    case DateStyle::Short:
        return locale.toString(date, widenYears(locale.dateFormat(QLocale::ShortFormat)));
    case DateStyle::Long:
        return locale.toString(date, widenYears(locale.dateFormat(QLocale::LongFormat)));
    case DateStyle::MonthDayYear:
        return locale.toString(date, monthDayYearFormat(locale));
    }
    return QString();
}

QString Picture::format(Time value) const
{
    if (value.isNull())
        return QString();
    if (m_kind != Kind::Time)
        return format(double(value.value()));
    const QLocale locale;
    return locale.toString(value.toQTime(), locale.timeFormat(QLocale::ShortFormat));
}

QString Picture::naturalFor(const FieldDef &f)
{
    switch (f.type) {
    case FieldType::Text:
        return QStringLiteral("s%1").arg(f.size);
    case FieldType::CString:
        return QStringLiteral("s%1").arg(std::max(1, f.size - 1));
    case FieldType::Date:
        return QStringLiteral("d17");
    case FieldType::Time:
        return QStringLiteral("t7");
    case FieldType::Decimal:
    case FieldType::Real:
        return QStringLiteral("n-12.2");
    case FieldType::Short:
        return QStringLiteral("n-7");
    case FieldType::Byte:
        return QStringLiteral("n3");
    }
    return QString();
}

} // namespace tavimo
