#pragma once

namespace tavimo {

// The desktop's "show window contents while dragging" setting. The program
// switches it off while it runs and gives it back at exit.
class DesktopSettings
{
public:
    virtual ~DesktopSettings() = default;
    virtual bool dragFullWindows() const = 0;
    virtual void setDragFullWindows(bool on) = 0;
};

// The real setting on Windows (saved to the user profile and broadcast to
// other programs); elsewhere there is no such setting: it reads as off and
// setting it does nothing.
class SystemDesktopSettings final : public DesktopSettings
{
public:
    bool dragFullWindows() const override;
    void setDragFullWindows(bool on) override;
};

// An in-memory setting for tests.
class FakeDesktopSettings final : public DesktopSettings
{
public:
    explicit FakeDesktopSettings(bool on = false) : m_on(on) {}

    bool dragFullWindows() const override { return m_on; }
    void setDragFullWindows(bool on) override
    {
        m_on = on;
        ++m_setCalls;
    }

    int setCalls() const { return m_setCalls; }

private:
    bool m_on;
    int m_setCalls = 0;
};

// Switches full-window dragging off for the run when it was on, and on again
// at stop() only in that case; a setting that was off is never touched.
// The destructor stops.
class DragSettingGuard
{
public:
    explicit DragSettingGuard(DesktopSettings &settings) : m_settings(settings) {}
    ~DragSettingGuard() { stop(); }
    DragSettingGuard(const DragSettingGuard &) = delete;
    DragSettingGuard &operator=(const DragSettingGuard &) = delete;

    void start(); // does nothing while already started
    void stop();  // does nothing unless started

    bool isActive() const { return m_active; }
    bool wasOn() const { return m_wasOn; } // as read at the last start

private:
    DesktopSettings &m_settings;
    bool m_active = false;
    bool m_wasOn = false;
};

} // namespace tavimo
