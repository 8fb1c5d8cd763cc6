#include "num_lock.h"

// Qt before X11: X11's macros (None, Bool, Status) would break Qt's headers.
// clang-format off
#include <QGuiApplication>
#include <X11/XKBlib.h>
// clang-format on

namespace orv::ui {

bool numLockOn() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return false;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success) return false;
    return (state & 0x02) != 0;  // Num Lock is the second indicator
}

}  // namespace orv::ui
