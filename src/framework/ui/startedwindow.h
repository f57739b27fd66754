#pragma once

#include "procedurewindow.h"
#include "threadcontext.h"

#include <QObject>

#include <memory>

namespace tavimo {

namespace detail {
// Keeps a started window and its context together; the window goes first.
template <typename Window>
class StartedWindow : public QObject
{
public:
    std::shared_ptr<ThreadContext> context;
    std::unique_ptr<Window> window;
    ~StartedWindow() override
    {
        window.reset();
        context.reset();
    }
};
} // namespace detail

// Starts a window procedure in the context given, without waiting, and
// keeps the context alive until the window closes; the window goes away
// then. Null when it could not start.
template <typename Window, typename Make>
Window *startWindowIn(std::shared_ptr<ThreadContext> context, Make make)
{
    auto *holder = new detail::StartedWindow<Window>;
    holder->context = std::move(context);
    holder->window = make(*holder->context);
    Window *started = holder->window.get();
    QObject::connect(started, &ProcedureWindow::finished, holder, [holder] { holder->deleteLater(); });
    // A window that could not start has finished already and is on its way out.
    return started->start() ? started : nullptr;
}

template <typename Window>
Window *startWindowIn(std::shared_ptr<ThreadContext> context)
{
    return startWindowIn<Window>(std::move(context),
                                 [](ThreadContext &c) { return std::make_unique<Window>(c); });
}

} // namespace tavimo
