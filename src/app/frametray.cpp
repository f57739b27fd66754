#include "frametray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace tavimo {

namespace {

class SystemArea : public FrameTray::Area
{
public:
    SystemArea()
    {
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            // Only the double click does something; the other clicks are left alone.
            if (reason == QSystemTrayIcon::DoubleClick && doubleClicked)
                doubleClicked();
        });
    }
    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    bool add(const QIcon &icon, const QString &toolTip) override
    {
        if (!available())
            return false;
        m_icon.setIcon(icon);
        m_icon.setToolTip(toolTip.left(63));
        m_icon.show();
        return m_icon.isVisible();
    }
    void remove() override { m_icon.hide(); }
    void setMenu(QMenu *menu) override { m_icon.setContextMenu(menu); }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

FrameTray::FrameTray(QWidget *frame, const QIcon &icon, std::unique_ptr<Area> area)
    : QObject(frame), m_frame(frame), m_icon(icon), m_area(area ? std::move(area) : std::make_unique<SystemArea>())
{
    m_area->doubleClicked = [this] { doubleClicked(); };
    m_menu = new QMenu(frame);
    // Through the event queue, as the double click: the menu is still closing.
    connect(m_menu->addAction(tr("Restore")), &QAction::triggered, this, &FrameTray::doubleClicked);
    m_menu->addSeparator();
    connect(m_menu->addAction(tr("Exit")), &QAction::triggered, this,
            [this] { QMetaObject::invokeMethod(this, &FrameTray::exit, Qt::QueuedConnection); });
    m_area->setMenu(m_menu);
}

FrameTray::~FrameTray()
{
    if (m_inTray)
        m_area->remove();
    m_area->setMenu(nullptr);
}

void FrameTray::frameMinimised()
{
    if (!m_enabled || m_inTray || !m_frame)
        return;
    // Without the icon there would be no way back: the frame stays on the task bar.
    if (!m_area->available() || !m_area->add(m_icon, toolTip()))
        return;
    m_placed = m_frame->geometry();
    m_wasMaximised = m_frame->windowState() & Qt::WindowMaximized;
    m_inTray = true;
    m_frame->hide();
}

void FrameTray::doubleClicked()
{
    QMetaObject::invokeMethod(this, &FrameTray::restore, Qt::QueuedConnection);
}

void FrameTray::bringBack()
{
    m_area->remove();
    m_inTray = false;
    if (!m_frame)
        return;
    // A window shown again may be placed anew by the system; it goes back where it was.
    if (m_wasMaximised) {
        m_frame->showMaximized();
    } else {
        m_frame->setGeometry(m_placed);
        m_frame->showNormal();
    }
}

void FrameTray::restore()
{
    if (!m_inTray)
        return;
    bringBack();
    if (m_frame) {
        m_frame->raise();
        m_frame->activateWindow();
    }
}

void FrameTray::frameClosing()
{
    if (m_inTray)
        bringBack();
}

void FrameTray::exit()
{
    // Shown first: a window inside may ask before it closes, and may stay.
    frameClosing();
    if (m_frame)
        m_frame->close();
}

} // namespace tavimo
