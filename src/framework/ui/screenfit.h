#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace tavimo {

// `wanted` made to lie inside `room`: no larger than the room, yet never
// smaller than `least`, then moved as little as it takes. What is larger
// than the room all the same keeps its top left corner inside it, where a
// window's title and first controls are.
QRect fitRect(const QRect &wanted, const QRect &room, const QSize &least = QSize(0, 0));

// The screen a top-level window shows on: where it has been placed, else
// its owner's, else its own.
QScreen *screenFor(const QWidget *window);

// The frame the window system puts around a top-level window. Before the
// window shows it is only known from the windows on show, which the
// system frames alike; with none on show, the style's guess.
QMargins frameMarginsOf(const QWidget *window);

// Sizes and places a top-level window, frame and all, inside the available
// area of its screen. A window not placed yet is centred where it would
// show: over its owner, else on the screen. Maximised and full-screen
// windows are the system's to fit; child widgets are left alone.
void fitToScreen(QWidget *window);

} // namespace tavimo
