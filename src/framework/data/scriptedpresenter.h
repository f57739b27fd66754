#pragma once

#include "messagepresenter.h"

#include <QList>

#include <deque>
#include <functional>

namespace tavimo {

// A presenter for tests: records every box it is asked to show and answers
// from a script. With nothing scripted it presses the default button.
class ScriptedPresenter final : public MessagePresenter
{
public:
    struct Answer
    {
        int button = 0;                // 0 = close the box without a button
        std::function<void()> before; // runs before the answer is given
    };

    void answer(int button) { m_script.push_back(Answer{button, {}}); }
    void answer(int button, std::function<void()> before) { m_script.push_back(Answer{button, std::move(before)}); }
    void closeBox() { m_script.push_back(Answer{0, {}}); }

    int show(const MessageBoxRequest &request) override;
    int showHistory(const QString &caption, const QStringList &messages, int buttons) override;

    const QList<MessageBoxRequest> &shown() const { return m_shown; }
    const MessageBoxRequest &last() const { return m_shown.back(); }
    int count() const { return int(m_shown.size()); }
    bool scriptUsedUp() const { return m_script.empty(); }
    void clear()
    {
        m_shown.clear();
        m_script.clear();
    }

private:
    QList<MessageBoxRequest> m_shown;
    std::deque<Answer> m_script;
};

} // namespace tavimo
