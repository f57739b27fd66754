#pragma once

#include <QString>

#include <functional>

namespace tavimo {

// Where the PDF layer's messages go ("Font Error", "GetImageInfo", file
// errors). The layer sits below the error manager, so the owner of a
// generator plugs the presenter in; without one they go to the log.
class PdfMessages
{
public:
    using Handler = std::function<void(const QString &title, const QString &text)>;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void show(const QString &title, const QString &text) const;

private:
    Handler m_handler;
};

} // namespace tavimo
