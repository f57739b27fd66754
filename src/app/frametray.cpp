#include "frametray.h"

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

private:
    QSystemTrayIcon m_icon;
};

} // namespace

FrameTray::FrameTray(QWidget *frame, const QIcon &icon, std::unique_ptr<Area> area)
    : QObject(frame), m_frame(frame), m_icon(icon), m_area(area ? std::move(area) : std::make_unique<SystemArea>())
{
    m_area->doubleClicked = [this] { doubleClicked(); };
}

FrameTray::~FrameTray()
{
    if (m_inTray)
        m_area->remove();
}

void FrameTray::frameMinimised()
{
    if (!m_enabled || m_inTray || !m_frame)
        return;
    if (m_area->available() && m_area->add(m_icon, toolTip())) {
        m_inTray = true;
        m_frame->hide();
    } else {
        m_frame->showNormal();
    }
}

void FrameTray::doubleClicked()
{
    QMetaObject::invokeMethod(this, &FrameTray::restore, Qt::QueuedConnection);
}

void FrameTray::restore()
{
    if (!m_inTray)
        return;
    m_area->remove();
    m_inTray = false;
    if (m_frame) {
        m_frame->showNormal();
        m_frame->raise();
        m_frame->activateWindow();
    }
}

void FrameTray::frameClosing()
{
    if (!m_inTray)
        return;
    m_area->remove();
    m_inTray = false;
    if (m_frame)
        m_frame->show();
}

} // namespace tavimo
