#pragma once
// The X display of the benchmarks that show the board, and a settle step between rounds.
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace bench {

inline Display *display() {
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Lets the display settle after a window was hidden, so each round starts alike.
inline void settle(Display *dpy) {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        XSync(dpy, False);
    }
}

} // namespace bench
