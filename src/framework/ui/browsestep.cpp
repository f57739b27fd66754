#include "browsestep.h"

#include <algorithm>

namespace tavimo {

namespace {

constexpr int kSteps = 100;
constexpr int kDigits = 4;
constexpr int kMaxValue = 80;
constexpr int kMaxRoot = 40;

} // namespace

const std::vector<QString> &BrowseStep::fixedThree()
{
    static const std::vector<QString> table = [] {
        std::vector<QString> t{QStringLiteral("   ")};
        const char *names =
            "ALB AME ARN BAK BAT BEN BIA BOB BRA BRO BUA CAC CAR CEN CHR COE CON COR CRU DAS DEL DIA DON DUR "
            "ELD EVE FEL FIS FLO FRE FUT GAR GIB GOL GOS GRE GUT HAM HEM HOB HOT ING JAS JON KAG KEA KIR KOR "
            "KYO LAT LEO LIG LOU MAC MAQ MAR MAU MCK MER MIL MON MOR NAT NOL OKE PAG PAU PET PIN POR PUL RAU "
            "REY ROB ROS RUB SAL SCA SCH SCR SHA SIG SKI SNA SOU STE STI SUN TAY TIR TUC VAN WAC WAS WEI WIE "
            "WIM WOL YOR";
        for (const QString &n : QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            t.push_back(n);
        return t;
    }();
    return table;
}

const std::vector<QString> &BrowseStep::fixedTwo()
{
    static const std::vector<QString> table = [] {
        std::vector<QString> t{QStringLiteral("  "), QStringLiteral("AF"), QStringLiteral("AN"), QStringLiteral("AT")};
        for (char c = 'B'; c <= 'Y'; ++c) {
            if (c == 'Q') {
                t.push_back(QStringLiteral("Q "));
                t.push_back(QStringLiteral("QN"));
                continue;
            }
            for (char second : {' ', 'F', 'N', 'T'})
                t.push_back(QString(QLatin1Char(c)) + QLatin1Char(second));
        }
        t.push_back(QStringLiteral("Z "));
        t.push_back(QStringLiteral("ZN"));
        return t;
    }();
    return table;
}

BrowseStep::BrowseStep(int flags, int mode) : m_flags(flags), m_mode(mode)
{
    QString set;
    if (flags & Letters) {
        for (char c = 'A'; c <= 'Z'; ++c)
            set += QLatin1Char(c);
        if (flags & CaseSensitive)
            for (char c = 'a'; c <= 'z'; ++c)
                set += QLatin1Char(c);
    }
    if (flags & Punctuation)
        set += QStringLiteral("`!\"\u00a3$%%^&*()'-=_+[]#;~@:/.,?\\| ");
    if (flags & Digits)
        set += QStringLiteral("0123456789");
    if (set.isEmpty())
        set = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    // One digit value per character, in the order the key sorts them.
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    m_chars = set;

    if (mode == FixedThree)
        m_steps = fixedThree();
    else if (mode == FixedTwo)
        m_steps = fixedTwo();
}

QString BrowseStep::fold(const QString &text) const
{
    return caseSensitive() ? text : text.toUpper();
}

// A character outside the set counts as the highest allowed one below it.
long long BrowseStep::number(const QString &four, QChar pad) const
{
    const long long base = m_chars.size();
    long long n = 0;
    for (int i = 0; i < kDigits; ++i) {
        const QChar c = i < four.size() ? four.at(i) : pad;
        const auto at = std::upper_bound(m_chars.begin(), m_chars.end(), c);
        const long long digit = at == m_chars.begin() ? 0 : (at - m_chars.begin()) - 1;
        n = n * base + digit;
    }
    return n;
}

QString BrowseStep::digits(long long value) const
{
    const long long base = m_chars.size();
    QString out(kDigits, m_chars.front());
    for (int i = kDigits - 1; i >= 0; --i) {
        out[i] = m_chars.at(int(value % base));
        value /= base;
    }
    return out;
}

void BrowseStep::measure(const QString &first, const QString &last)
{
    if (m_mode != Measured)
        return;
    QString low = fold(first.left(kMaxValue));
    QString high = fold(last.left(kMaxValue));
    // The top of a descending list holds the highest value.
    if (descending())
        std::swap(low, high);
    if (high < low)
        std::swap(low, high);

    int common = 0;
    while (common < kMaxRoot && common < low.size() && common < high.size() && low.at(common) == high.at(common))
        ++common;
    m_root = low.left(common);

    const long long from = number(low.mid(common, kDigits), m_chars.front());
    const long long to = number(high.mid(common, kDigits), m_chars.back());
    m_steps.clear();
    m_steps.reserve(kSteps);
    for (int i = 0; i < kSteps; ++i)
        m_steps.push_back(digits(from + (to - from) * i / (kSteps - 1)));
}

int BrowseStep::percentile(const QString &value) const
{
    if (!ready())
        return 50;
    QString v = fold(value.left(kMaxValue));
    // Ascending: the steps at or below the value; descending: those above it.
    int count = 0;
    if (v.startsWith(m_root)) {
        v = v.mid(m_root.size());
        count = descending() ? int(m_steps.end() - std::upper_bound(m_steps.begin(), m_steps.end(), v))
                             : int(std::upper_bound(m_steps.begin(), m_steps.end(), v) - m_steps.begin());
    } else {
        const bool below = v < m_root;
        count = below == descending() ? kSteps : 0;
    }
    return std::clamp(count, 1, kSteps);
}

QString BrowseStep::valueAt(int percent) const
{
    if (!ready())
        return QString();
    percent = std::clamp(percent, 1, kSteps);
    const int index = descending() ? kSteps - percent : percent - 1;
    return m_root + m_steps[std::size_t(index)];
}

} // namespace tavimo
