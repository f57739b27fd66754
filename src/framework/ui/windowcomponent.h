#pragma once

class QEvent;
class QWidget;

namespace tavimo {

class ProcedureWindow;

// A part of a window that takes part in its life: a list, a drop-down
// list, a toolbar handler. It sees the window's events, is reset when the
// window refreshes, and is closed with it.
class WindowComponent
{
public:
    virtual ~WindowComponent() = default;
    // Non-zero when the component asks the window to refresh.
    virtual int takeEvent(ProcedureWindow &, QWidget * /*control*/, QEvent * /*event*/) { return 0; }
    virtual void reset(bool /*force*/) {}
    virtual void kill() {}
};

} // namespace tavimo
