#pragma once

#include <QString>

#include <array>

namespace tavimo {

// Scores how well a typed text matches a value: each character of the
// query found in the value earns the weight of the position where it was
// found, earlier positions weighing more. Lists use it to rank near matches.
class FuzzyMatcher
{
public:
    enum Option {
        IgnoreCase = 1,  // on by default
        WordsAnyOrder = 2, // off by default
    };

    void init();
    void kill();
    bool isInitialised() const { return m_initialised; }
    void setOption(Option option, bool on);
    bool option(Option option) const;

    // 0 (nothing in common) to 100 (the query starts the value).
    int score(const QString &query, const QString &value) const;

private:
    int scoreWords(const QString &query, const QString &value) const;

    static constexpr int kPositions = 16;
    std::array<int, kPositions> m_weights{};
    bool m_ignoreCase = true;
    bool m_wordsAnyOrder = false;
    bool m_initialised = false;
};

} // namespace tavimo
