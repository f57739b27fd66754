#include "scriptedpresenter.h"

namespace tavimo {

int ScriptedPresenter::show(const MessageBoxRequest &request)
{
    m_shown.push_back(request);
    if (m_script.empty())
        return request.defaultButton;
    Answer a = std::move(m_script.front());
    m_script.pop_front();
    if (a.before)
        a.before();
    return a.button;
}

int ScriptedPresenter::showHistory(const QString &caption, const QStringList &messages, int buttons)
{
    MessageBoxRequest r;
    r.caption = caption;
    r.text = messages.join(QLatin1Char('\n'));
    r.buttons = buttons;
    r.defaultButton = buttons & Button::Ok ? Button::Ok : buttons;
    return show(r);
}

} // namespace tavimo
