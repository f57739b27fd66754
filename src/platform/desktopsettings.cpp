#include "desktopsettings.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  ifdef _MSC_VER
#    pragma comment(lib, "user32")
#  endif
#endif

namespace tavimo {

bool SystemDesktopSettings::dragFullWindows() const
{
#ifdef Q_OS_WIN
    BOOL on = FALSE;
    if (!SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &on, 0))
        return false;
    return on != FALSE;
#else
    return false;
#endif
}

void SystemDesktopSettings::setDragFullWindows(bool on)
{
#ifdef Q_OS_WIN
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, on ? TRUE : FALSE, nullptr,
                          SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
#else
    Q_UNUSED(on);
#endif
}

void DragSettingGuard::start()
{
    if (m_active)
        return;
    m_active = true;
    m_wasOn = m_settings.dragFullWindows();
    if (m_wasOn)
        m_settings.setDragFullWindows(false);
}

void DragSettingGuard::stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_wasOn)
        m_settings.setDragFullWindows(true);
}

} // namespace tavimo
