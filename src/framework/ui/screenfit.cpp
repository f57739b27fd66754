#include "screenfit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace tavimo {

namespace {

QMargins marginsBetween(const QRect &outer, const QRect &inner)
{
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

bool isFramedWindow(const QWidget *w)
{
    if (!w->isWindow() || !w->isVisible() || w->isMinimized())
        return false;
    const Qt::WindowType type = w->windowType();
    return (type == Qt::Window || type == Qt::Dialog) && !(w->windowFlags() & Qt::FramelessWindowHint);
}

} // namespace

QRect fitRect(const QRect &wanted, const QRect &room, const QSize &least)
{
    QRect r(wanted.topLeft(), wanted.size().boundedTo(room.size()).expandedTo(least));
    if (r.right() > room.right())
        r.moveRight(room.right());
    if (r.bottom() > room.bottom())
        r.moveBottom(room.bottom());
    if (r.left() < room.left())
        r.moveLeft(room.left());
    if (r.top() < room.top())
        r.moveTop(room.top());
    return r;
}

QScreen *screenFor(const QWidget *window)
{
    if (window->isVisible() || window->testAttribute(Qt::WA_Moved))
        if (QScreen *at = QGuiApplication::screenAt(window->frameGeometry().center()))
            return at;
    if (const QWidget *owner = window->parentWidget())
        return owner->window()->screen();
    return window->screen();
}

QMargins frameMarginsOf(const QWidget *window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return QMargins();
    if (window->isVisible())
        return marginsBetween(window->frameGeometry(), window->geometry());
    // Framed as its owner is, or as any window on show; a window whose frame
    // the system has not told yet shows none, so one that has one wins.
    QList<const QWidget *> shown;
    if (const QWidget *owner = window->parentWidget())
        shown << owner->window();
    for (const QWidget *w : QApplication::topLevelWidgets())
        shown << w;
    bool anyShown = false;
    for (const QWidget *w : shown) {
        if (w == window || !isFramedWindow(w))
            continue;
        anyShown = true;
        const QMargins m = marginsBetween(w->frameGeometry(), w->geometry());
        if (!m.isNull())
            return m;
    }
    if (anyShown)
        return QMargins();
    const int edge = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QMargins(edge, title + edge, edge, edge);
}

void fitToScreen(QWidget *window)
{
    if (!window || !window->isWindow() || window->isMaximized() || window->isFullScreen())
        return;
    QScreen *screen = screenFor(window);
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QMargins frame = frameMarginsOf(window);

    // The size show() would give it: the one asked for, else what the contents want.
    QSize size = window->size();
    if (!window->testAttribute(Qt::WA_Resized) && !window->isVisible() && window->sizeHint().isValid())
        size = window->sizeHint();
    size = size.expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()).grownBy(frame);

    // A top-level window's position is its frame's.
    QRect outer(window->pos(), size.grownBy(frame));
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Moved)) {
        const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        outer.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center() : room.center());
    }
    const QRect fitted = fitRect(outer, room, least);
    const QSize inner = fitted.size().shrunkBy(frame);
    if (inner != window->size() || !window->testAttribute(Qt::WA_Resized))
        window->resize(inner);
    if (fitted.topLeft() != window->pos() || !window->testAttribute(Qt::WA_Moved))
        window->move(fitted.topLeft());
}

} // namespace tavimo
