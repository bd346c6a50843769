#pragma once
// The X display of the benchmarks that show the board, and a settle step between rounds.
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <cstdlib>

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

// Draws the whole screen once, as a desktop's background does before a pupil starts anything.
// A fresh Xvfb has never written its screen memory, and the first window to cover the
// screen would pay the X server's first touch of every page of it (a quarter of a second at
// 3840x2160 on a virtual machine), which no classroom screen does. BENCH_UNDRAWN_SCREEN=1
// leaves the screen as the X server started it.
inline void drawDesktop(Display *dpy) {
    if (std::getenv("BENCH_UNDRAWN_SCREEN"))
        return;
    const Window root = DefaultRootWindow(dpy);
    XSetWindowBackground(dpy, root, 0x3a6ea5); // a plain desktop blue
    XClearWindow(dpy, root);
    XSync(dpy, False);
}

} // namespace bench
