#include "platform/Display.h"

#include <QGuiApplication>

#ifdef TEXTBOOK_XCB
#include <xcb/xcb.h>
#endif

namespace platform {

void flushDisplay()
{
#ifdef TEXTBOOK_XCB
    // Only on X11; elsewhere (offscreen tests, Wayland) there is nothing to flush this way.
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (xcb_connection_t *connection = x11->connection())
            xcb_flush(connection);
    }
#endif
}

} // namespace platform
