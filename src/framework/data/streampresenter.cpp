#include "streampresenter.h"

namespace tavimo {

int StreamPresenter::show(const MessageBoxRequest &request)
{
    QString text = request.text;
    text.replace(QLatin1Char('\n'), QLatin1String("\n    "));
    const QByteArray line = (request.caption + QLatin1String(": ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fputs(line.constData(), m_stream);
    std::fflush(m_stream);
    return request.defaultButton;
}

int StreamPresenter::showHistory(const QString &caption, const QStringList &messages, int buttons)
{
    MessageBoxRequest request;
    request.caption = caption;
    request.text = messages.join(QLatin1Char('\n'));
    request.buttons = buttons;
    request.defaultButton = buttons & Button::Ok ? Button::Ok : 0;
    return show(request);
}

} // namespace tavimo
