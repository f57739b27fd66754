#include "stepmanager.h"

#include <algorithm>

namespace tavimo {

namespace {

// A value at or past an end is that end, so a record outside the limits
// (added during the run) never moves the bar backwards or past 100. With
// one value only, its records are the whole run.
int proportion(double value, double low, double high)
{
    if (value >= high)
        return 100;
    if (value <= low)
        return 0;
    return std::clamp(int((value - low) * 100 / (high - low)), 0, 100);
}

constexpr int kDigits = 4;
constexpr double kBase = 65536;

} // namespace

void NumberStepManager::setLimits(const FilterValue &low, const FilterValue &high)
{
    m_low = low.number;
    m_high = high.number;
}

int NumberStepManager::percentile(const FilterValue &value) const
{
    return proportion(value.number, m_low, m_high);
}

void TextStepManager::setLimits(const FilterValue &low, const FilterValue &high)
{
    int shared = 0;
    const int n = int(std::min(low.text.size(), high.text.size()));
    while (shared < n && low.text[shared] == high.text[shared])
        ++shared;
    m_common = low.text.left(shared);
    m_low = weigh(low.text);
    m_high = weigh(high.text);
}

double TextStepManager::weigh(const QString &text) const
{
    // Only what follows the shared part tells values apart; a text that
    // sorts before that part weighs nothing, one after it weighs the most.
    if (!text.startsWith(m_common))
        return text < m_common ? 0 : kBase * kBase * kBase * kBase;
    double weight = 0;
    for (int i = 0; i < kDigits; ++i) {
        const int at = int(m_common.size()) + i;
        weight = weight * kBase + (at < text.size() ? text[at].unicode() : 0);
    }
    return weight;
}

int TextStepManager::percentile(const FilterValue &value) const
{
    return proportion(weigh(value.text), m_low, m_high);
}

} // namespace tavimo
