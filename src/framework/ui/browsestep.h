#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tavimo {

// Where the thumb of a list stands for a record, and which value a dropped
// thumb stands for, over a text key. The 100 steps come from a fixed table
// (modes 1 and 2) or from the first and last values of the list (mode 3).
class BrowseStep
{
public:
    enum Flag : int {
        Letters = 1,
        Punctuation = 2,
        Digits = 4,
        CaseSensitive = 8,
        Descending = 16,
    };
    enum Mode : int { FixedThree = 1, FixedTwo = 2, Measured = 3 };

    explicit BrowseStep(int flags = Letters, int mode = Measured);

    int flags() const { return m_flags; }
    int mode() const { return m_mode; }
    bool caseSensitive() const { return m_flags & CaseSensitive; }
    bool descending() const { return m_flags & Descending; }

    // The allowed characters in ascending order, without repeats.
    const QString &characters() const { return m_chars; }

    // Mode 3: the steps between the free-element texts of the first and
    // the last record of the list, in the list's order.
    void measure(const QString &first, const QString &last);
    bool ready() const { return m_steps.size() == 100; }
    const QString &root() const { return m_root; }
    // Ascending, without the root.
    const std::vector<QString> &steps() const { return m_steps; }

    // 1..100 from the top of the list.
    int percentile(const QString &value) const;
    // The value a thumb dropped at percent (1..100) stands for.
    QString valueAt(int percent) const;

    static const std::vector<QString> &fixedThree();
    static const std::vector<QString> &fixedTwo();

private:
    QString fold(const QString &text) const;
    long long number(const QString &four, QChar pad) const;
    QString digits(long long value) const;

    int m_flags;
    int m_mode;
    QString m_chars;
    QString m_root;
    std::vector<QString> m_steps;
};

} // namespace tavimo
