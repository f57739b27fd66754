#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace tavimo {

// The frame's icon in the desktop's notification area: a minimised frame
// hides there, and a double click on the icon, or Restore on its menu,
// brings it back where it was. Without an area the frame minimises as any
// window does.
class FrameTray : public QObject
{
    Q_OBJECT
public:
    // What the frame needs of the notification area; the system's by
    // default, a stand-in in tests.
    class Area
    {
    public:
        virtual ~Area() = default;
        virtual bool available() const = 0;
        // Shows the icon; false when the system would not take it.
        virtual bool add(const QIcon &icon, const QString &toolTip) = 0;
        virtual void remove() = 0;
        // The icon's context menu (not owned).
        virtual void setMenu(QMenu *menu) = 0;
        // Set by the tray: the icon was double-clicked.
        std::function<void()> doubleClicked;
    };

    static QString toolTip() { return QStringLiteral("Tavimo: Double Click to Open"); }

    // The system's area when none is given.
    FrameTray(QWidget *frame, const QIcon &icon, std::unique_ptr<Area> area = nullptr);
    ~FrameTray() override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isInTray() const { return m_inTray; }
    Area &area() const { return *m_area; }
    // Restore and Exit.
    QMenu *menu() const { return m_menu; }

    // The frame was minimised: it hides in the notification area, or stays
    // minimised when the area will not have the icon.
    void frameMinimised();
    // A double click asks for the frame back through the event queue.
    void doubleClicked();
    // Out of the notification area, back where and as large as it was;
    // nothing when the frame is not in the area.
    void restore();
    // The frame is about to close: the icon goes and the frame shows first.
    void frameClosing();

private:
    void exit();
    void bringBack();

    QPointer<QWidget> m_frame;
    QIcon m_icon;
    std::unique_ptr<Area> m_area;
    QMenu *m_menu = nullptr; // owned by the frame
    QRect m_placed;          // the frame's geometry when it went into the area
    bool m_wasMaximised = false;
    bool m_enabled = true;
    bool m_inTray = false;
};

} // namespace tavimo
