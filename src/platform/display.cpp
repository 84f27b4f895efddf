#include "platform/display.h"

#include <QByteArray>
#include <QtGlobal>

namespace tellur::platform {

bool hasDisplay()
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (!qpa.isEmpty())
        return true; // offscreen, vnc, xcb: the user chose a platform explicitly
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

} // namespace tellur::platform
