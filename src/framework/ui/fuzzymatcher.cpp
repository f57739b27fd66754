#include "fuzzymatcher.h"

#include <QStringList>

#include <algorithm>

namespace tavimo {

void FuzzyMatcher::init()
{
    for (int i = 0; i < kPositions; ++i)
        m_weights[std::size_t(i)] = kPositions - i;
    m_ignoreCase = true;
    m_wordsAnyOrder = false;
    m_initialised = true;
}

void FuzzyMatcher::kill()
{
    m_weights.fill(0);
    m_initialised = false;
}

void FuzzyMatcher::setOption(Option option, bool on)
{
    if (option == IgnoreCase)
        m_ignoreCase = on;
    else if (option == WordsAnyOrder)
        m_wordsAnyOrder = on;
}

bool FuzzyMatcher::option(Option option) const
{
    return option == IgnoreCase ? m_ignoreCase : m_wordsAnyOrder;
}

int FuzzyMatcher::score(const QString &query, const QString &value) const
{
    if (!m_initialised || query.trimmed().isEmpty() || value.trimmed().isEmpty())
        return 0;
    if (m_wordsAnyOrder)
        return scoreWords(query, value);

    const Qt::CaseSensitivity cs = m_ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString q = query.trimmed();
    const QString v = value.trimmed();
    int earned = 0;
    int possible = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i < q.size(); ++i) {
        const int weight = m_weights[std::size_t(std::min<qsizetype>(i, kPositions - 1))];
        possible += weight;
        const qsizetype at = v.indexOf(q.at(i), from, cs);
        if (at < 0)
            continue;
        // A character found where it was expected earns its full weight,
        // one found further on earns less.
        const qsizetype late = at - i;
        earned += std::max<int>(1, weight - int(std::max<qsizetype>(0, late)));
        from = at + 1;
    }
    return possible ? std::clamp(earned * 100 / possible, 0, 100) : 0;
}

int FuzzyMatcher::scoreWords(const QString &query, const QString &value) const
{
    const QStringList words = query.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList targets = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    FuzzyMatcher inOrder = *this;
    inOrder.m_wordsAnyOrder = false;
    int total = 0;
    for (const QString &w : words) {
        int best = 0;
        for (const QString &t : targets)
            best = std::max(best, inOrder.score(w, t));
        total += best;
    }
    return words.isEmpty() ? 0 : total / int(words.size());
}

} // namespace tavimo
