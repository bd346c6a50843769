#pragma once
// Finding and placing other programs' top-level windows on an X11 display.
//
// A top-level window is the client window of each child of the root (the child itself
// when no window manager reparents it). Visible means shown or minimised: viewable, or
// in the normal or iconic state of a window manager. The owner of a window is its
// WM_TRANSIENT_FOR, its process the _NET_WM_PID it announces.
#include <QRect>
#include <QtGlobal>

#include <vector>

namespace platform::x11 {

// Without an X11 display every function below finds nothing and places nothing.
// Client windows of the root's children, front to back.
std::vector<quint64> topLevelWindows();
qint64 windowPid(quint64 window);
bool hasOwner(quint64 window);
bool isVisible(quint64 window);
// Restores the window from maximised, full-screen or minimised and gives it `outer` as
// its rectangle, frame included. With a window manager this goes through its EWMH
// requests; without one, the window itself is configured.
void place(quint64 window, const QRect &outer);
// Raises the window and gives it the input focus (activation through the window
// manager when one runs).
void activate(quint64 window);
// Takes the window off the screen whatever a window manager would do with it: unmapped
// and withdrawn (ICCCM 4.1.4). The toolkit still counts it as shown, so a modal loop of the
// window goes on; showing it again after hiding it maps it anew.
void withdraw(quint64 window);
// True while any part of the window is viewable on the screen.
bool onScreen(quint64 window);
// Gives a window not yet shown the window type that window managers decorate with a title
// and a close box but offer neither minimise nor maximise for.
void closeBoxOnly(quint64 window);
// Sends one of this program's own top-level windows the configure notice a window manager
// sends when it moves a frame, with the place the X server has the window at now.
void tellPlace(quint64 window);
bool pointerIn(quint64 window, quint64 time, QPoint near, QPoint *at);

} // namespace platform::x11
