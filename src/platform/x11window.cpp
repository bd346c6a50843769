// Finding and placing other programs' top-level windows on an X11 display.
#include "platform/x11window.h"
#include "platform/platform.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <unistd.h>

namespace platform::x11 {

namespace {

int ignoreErrors(Display *, XErrorEvent *) {
    return 0;
}

// The connection of this program's own window searches, opened on first use and kept.
// X errors inside an operation (a window that vanished meanwhile) are ignored instead of
// ending the program.
class Connection {
public:
    Connection() : display_(shared()) {
        if (display_)
            previous_ = XSetErrorHandler(ignoreErrors);
    }
    ~Connection() {
        if (display_) {
            XSync(display_, False);
            XSetErrorHandler(previous_);
        }
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    explicit operator bool() const { return display_ != nullptr; }
    Display *d() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    Atom atom(const char *name) const { return XInternAtom(display_, name, False); }

    // The 32-bit items of a property (longs in Xlib's format), empty when missing.
    std::vector<unsigned long> cardinals(Window w, Atom property, Atom type) const {
        std::vector<unsigned long> out;
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display_, w, property, 0, 1024, False, type, &actualType, &format,
                               &count, &after, &data) == Success &&
            data && format == 32) {
            const auto *items = reinterpret_cast<const unsigned long *>(data);
            out.assign(items, items + count);
        }
        if (data)
            XFree(data);
        return out;
    }

    bool hasProperty(Window w, Atom property) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        const bool ok =
            XGetWindowProperty(display_, w, property, 0, 0, False, AnyPropertyType, &actualType,
                               &format, &count, &after, &data) == Success &&
            actualType != 0;
        if (data)
            XFree(data);
        return ok;
    }

    // The window manager that announces itself through _NET_SUPPORTING_WM_CHECK.
    bool windowManagerRuns() const {
        const auto check = cardinals(root(), atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
        if (check.empty() || check[0] == 0)
            return false;
        XWindowAttributes a;
        return XGetWindowAttributes(display_, Window(check[0]), &a) != 0;
    }

    bool supports(const char *name) const {
        const Atom wanted = atom(name);
        for (unsigned long a : cardinals(root(), atom("_NET_SUPPORTED"), XA_ATOM))
            if (a == wanted)
                return true;
        return false;
    }

    // ICCCM WM_STATE: 0 withdrawn, 1 normal, 3 iconic; -1 when not set.
    long wmState(Window w) const {
        const Atom wmStateAtom = atom("WM_STATE");
        const auto v = cardinals(w, wmStateAtom, wmStateAtom);
        return v.empty() ? -1 : long(v[0]);
    }

    void sendToRoot(Window w, Atom type, long l0, long l1 = 0, long l2 = 0, long l3 = 0,
                    long l4 = 0) const {
        XEvent e;
        std::memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = type;
        e.xclient.format = 32;
        e.xclient.data.l[0] = l0;
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    }

private:
    static Display *shared() {
        static Display *display = nullptr;
        if (!display)
            display = XOpenDisplay(nullptr);
        return display;
    }

    Display *display_;
    XErrorHandler previous_ = nullptr;
};

// The window among `w` and its descendants that carries WM_STATE, or 0.
Window findClient(const Connection &c, Window w, int depth = 0) {
    if (c.hasProperty(w, c.atom("WM_STATE")))
        return w;
    if (depth > 3)
        return 0;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(c.d(), w, &rootReturn, &parent, &children, &count)) {
        for (unsigned int i = count; i-- > 0 && !found;)
            found = findClient(c, children[i], depth + 1);
    }
    if (children)
        XFree(children);
    return found;
}

// EWMH source indication: a pager, whose requests window managers honour at once.
constexpr long kSourcePager = 2;
constexpr long kStateRemove = 0;
// How long placement waits for the window manager to carry out a request.
constexpr int kSettleMs = 1000;

// Polls `done` every 10 ms for at most `ms` milliseconds (the window manager works in
// its own process); true once it holds. On the GUI thread the pauses serve its events, so
// a window manager slow to comply never freezes the windows.
template <typename F> bool waitFor(const Connection &c, int ms, F done) {
    const bool gui = QCoreApplication::instance() &&
                     QThread::currentThread() == QCoreApplication::instance()->thread();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        XSync(c.d(), False);
        if (done())
            return true;
        if (clock.elapsed() >= ms)
            return false;
        if (gui) {
            QEventLoop pause;
            QTimer::singleShot(10, Qt::PreciseTimer, &pause, &QEventLoop::quit);
            pause.exec();
        } else {
            ::usleep(10000);
        }
    }
}

std::vector<unsigned long> frameExtents(const Connection &c, Window w) {
    auto e = c.cardinals(w, c.atom("_NET_FRAME_EXTENTS"), XA_CARDINAL);
    e.resize(4, 0); // left, right, top, bottom
    return e;
}

// The window's rectangle on the screen with the frame the window manager announces.
QRect frameRect(const Connection &c, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(c.d(), w, &a))
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(c.d(), w, c.root(), 0, 0, &x, &y, &child);
    const auto e = frameExtents(c, w);
    return QRect(x - int(e[0]), y - int(e[2]), a.width + int(e[0] + e[1]),
                 a.height + int(e[2] + e[3]));
}

// Neither maximised, full-screen nor minimised.
bool restored(const Connection &c, Window w) {
    const Atom unwanted[] = {c.atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                             c.atom("_NET_WM_STATE_MAXIMIZED_HORZ"),
                             c.atom("_NET_WM_STATE_FULLSCREEN"), c.atom("_NET_WM_STATE_HIDDEN")};
    for (unsigned long a : c.cardinals(w, c.atom("_NET_WM_STATE"), XA_ATOM))
        for (Atom u : unwanted)
            if (a == u)
                return false;
    return c.wmState(w) != IconicState;
}

// Asks the window manager for the frame rectangle `outer`.
void requestFrame(const Connection &c, Window w, const QRect &outer) {
    const auto e = frameExtents(c, w);
    const long clientW = qMax(1L, long(outer.width()) - long(e[0] + e[1]));
    const long clientH = qMax(1L, long(outer.height()) - long(e[2] + e[3]));
    if (c.supports("_NET_MOVERESIZE_WINDOW")) {
        // NorthWest gravity: x and y are the frame's corner.
        constexpr long kGravityNorthWest = 1;
        const long flags = kGravityNorthWest | (0xFL << 8) | (kSourcePager << 12);
        c.sendToRoot(w, c.atom("_NET_MOVERESIZE_WINDOW"), flags, outer.x(), outer.y(), clientW,
                     clientH);
        return;
    }
    XSizeHints hints;
    long supplied = 0;
    if (!XGetWMNormalHints(c.d(), w, &hints, &supplied))
        hints.flags = 0;
    hints.flags |= PWinGravity;
    hints.win_gravity = NorthWestGravity;
    XSetWMNormalHints(c.d(), w, &hints);
    XMoveResizeWindow(c.d(), w, outer.x(), outer.y(), unsigned(clientW), unsigned(clientH));
}

} // namespace

std::vector<quint64> topLevelWindows() {
    std::vector<quint64> out;
    Connection c;
    if (!c)
        return out;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(c.d(), c.root(), &rootReturn, &parent, &children, &count))
        return out;
    // XQueryTree lists bottom to top.
    for (unsigned int i = count; i-- > 0;) {
        const Window client = findClient(c, children[i]);
        out.push_back(client ? client : children[i]);
    }
    if (children)
        XFree(children);
    return out;
}

qint64 windowPid(quint64 window) {
    Connection c;
    if (!c || !window)
        return 0;
    const auto v = c.cardinals(Window(window), c.atom("_NET_WM_PID"), XA_CARDINAL);
    return v.empty() ? 0 : qint64(v[0]);
}

bool hasOwner(quint64 window) {
    Connection c;
    if (!c || !window)
        return false;
    const auto v = c.cardinals(Window(window), XA_WM_TRANSIENT_FOR, XA_WINDOW);
    return !v.empty() && v[0] != 0;
}

bool isVisible(quint64 window) {
    Connection c;
    if (!c || !window)
        return false;
    XWindowAttributes a;
    if (!XGetWindowAttributes(c.d(), Window(window), &a) || a.c_class == InputOnly)
        return false;
    if (a.map_state == IsViewable)
        return true;
    const long state = c.wmState(Window(window));
    return state == NormalState || state == IconicState;
}

void place(quint64 window, const QRect &outer) {
    Connection c;
    if (!c || !window)
        return;
    const Window w = Window(window);
    if (!c.windowManagerRuns()) {
        XMapWindow(c.d(), w);
        XMoveResizeWindow(c.d(), w, outer.x(), outer.y(), unsigned(qMax(1, outer.width())),
                          unsigned(qMax(1, outer.height())));
        return;
    }
    // Restore first: the frame of a maximised or minimised window differs from the normal
    // one, and the size asked for the client must account for the normal frame.
    if (!restored(c, w)) {
        const Atom netState = c.atom("_NET_WM_STATE");
        c.sendToRoot(w, netState, kStateRemove, long(c.atom("_NET_WM_STATE_MAXIMIZED_VERT")),
                     long(c.atom("_NET_WM_STATE_MAXIMIZED_HORZ")), kSourcePager);
        c.sendToRoot(w, netState, kStateRemove, long(c.atom("_NET_WM_STATE_FULLSCREEN")), 0,
                     kSourcePager);
        if (c.wmState(w) == IconicState) {
            // Mapping an iconic window asks for its normal state; activation de-iconifies
            // with window managers that ignore the map.
            XMapWindow(c.d(), w);
            c.sendToRoot(w, c.atom("_NET_ACTIVE_WINDOW"), kSourcePager, CurrentTime, 0);
        }
        waitFor(c, kSettleMs, [&] { return restored(c, w); });
    }
    // The window manager answers asynchronously and may adjust its frame meanwhile: ask
    // again once if the frame has not come where it was asked.
    for (int attempt = 0; attempt < 2; ++attempt) {
        requestFrame(c, w, outer);
        if (waitFor(c, kSettleMs, [&] { return frameRect(c, w) == outer; }))
            return;
    }
}

void activate(quint64 window) {
    Connection c;
    if (!c || !window)
        return;
    const Window w = Window(window);
    XRaiseWindow(c.d(), w);
    if (c.windowManagerRuns()) {
        c.sendToRoot(w, c.atom("_NET_ACTIVE_WINDOW"), kSourcePager, CurrentTime, 0);
        return;
    }
    XWindowAttributes a;
    if (XGetWindowAttributes(c.d(), w, &a) && a.map_state == IsViewable)
        XSetInputFocus(c.d(), w, RevertToParent, CurrentTime);
}

void withdraw(quint64 window) {
    Connection c;
    if (!c || !window)
        return;
    const Window w = Window(window);
    XUnmapWindow(c.d(), w);
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xunmap.type = UnmapNotify;
    e.xunmap.event = c.root();
    e.xunmap.window = w;
    e.xunmap.from_configure = False;
    XSendEvent(c.d(), c.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

bool onScreen(quint64 window) {
    Connection c;
    if (!c || !window)
        return false;
    XWindowAttributes a;
    if (!XGetWindowAttributes(c.d(), Window(window), &a) || a.map_state != IsViewable)
        return false;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(c.d(), Window(window), c.root(), 0, 0, &x, &y, &child);
    XWindowAttributes r;
    if (!XGetWindowAttributes(c.d(), c.root(), &r))
        return true;
    return QRect(x, y, a.width, a.height).intersects(QRect(0, 0, r.width, r.height));
}

void closeBoxOnly(quint64 window) {
    Connection c;
    if (!c || !window)
        return;
    // A utility window keeps its title bar and close box, and window managers neither
    // minimise nor maximise it (some ignore the Motif functions the toolkit announces from
    // the window's flags); unlike a tool bar it is placed by its frame, so its title bar
    // stays on the screen. A dialog follows for a window manager that knows neither.
    const unsigned long types[] = {c.atom("_NET_WM_WINDOW_TYPE_TOOLBAR"),
                                   c.atom("_NET_WM_WINDOW_TYPE_DIALOG")};
    XChangeProperty(c.d(), Window(window), c.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(types), 2);
}

void tellPlace(quint64 window) {
    Connection c;
    if (!c || !window)
        return;
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(c.d(), Window(window), &a) || a.map_state != IsViewable ||
        !XTranslateCoordinates(c.d(), Window(window), c.root(), 0, 0, &x, &y, &child))
        return;
    // A synthetic notice gives the place in root coordinates (ICCCM 4.1.5), which the
    // toolkit takes as it is.
    XEvent e{};
    e.xconfigure.type = ConfigureNotify;
    e.xconfigure.display = c.d();
    e.xconfigure.event = Window(window);
    e.xconfigure.window = Window(window);
    e.xconfigure.x = x;
    e.xconfigure.y = y;
    e.xconfigure.width = a.width;
    e.xconfigure.height = a.height;
    e.xconfigure.border_width = a.border_width;
    e.xconfigure.above = None;
    e.xconfigure.override_redirect = a.override_redirect;
    XSendEvent(c.d(), Window(window), False, StructureNotifyMask, &e);
}

namespace {
// The pointer events of the X server as they arrive, before the toolkit rounds their
// positions to scaled pixels: the last few, by window and time. Both the XInput 2 events
// the toolkit selects and the core ones are read (their wire layout is fixed by the
// protocol; xcb puts the full sequence number at byte 32 of a generic event).
class PointerLog : public QAbstractNativeEventFilter {
public:
    struct Entry {
        quint32 window = 0;
        quint32 time = 0;
        QPoint at;
    };
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *bytes = static_cast<const unsigned char *>(message);
        const unsigned kind = bytes[0] & 0x7F;
        auto u32 = [bytes](int at) { quint32 v; std::memcpy(&v, bytes + at, 4); return v; };
        auto s16 = [bytes](int at) { qint16 v; std::memcpy(&v, bytes + at, 2); return v; };
        auto s32 = [bytes](int at) { qint32 v; std::memcpy(&v, bytes + at, 4); return v; };
        if (kind == 4 || kind == 5 || kind == 6) { // core press, release, motion
            note(u32(12), u32(4), QPoint(s16(24), s16(26)));
        } else if (kind == 35) { // XInput 2: press 4, release 5, motion 6
            quint16 evtype;
            std::memcpy(&evtype, bytes + 8, 2);
            if (evtype == 4 || evtype == 5 || evtype == 6)
                note(u32(24), u32(12), QPoint(s32(44) >> 16, s32(48) >> 16));
        }
        return false;
    }
    bool find(quint32 window, quint32 time, QPoint near, QPoint *at) const {
        int best = -1;
        for (int i = 0; i < kKept; ++i) {
            const Entry &e = entries_[i];
            if (e.window == window && e.time == time &&
                (best < 0 || (e.at - near).manhattanLength() <
                                 (entries_[best].at - near).manhattanLength()))
                best = i;
        }
        if (best >= 0)
            *at = entries_[best].at;
        return best >= 0;
    }

private:
    static constexpr int kKept = 64;
    void note(quint32 window, quint32 time, QPoint at) {
        entries_[next_] = Entry{window, time, at};
        next_ = (next_ + 1) % kKept;
    }
    Entry entries_[kKept];
    int next_ = 0;
};

PointerLog *pointerLog = nullptr;

void watchPointer() {
    if (pointerLog)
        return;
    pointerLog = new PointerLog;
    QCoreApplication::instance()->installNativeEventFilter(pointerLog);
}
} // namespace

bool pointerIn(quint64 window, quint64 time, QPoint near, QPoint *at) {
    return pointerLog && window && pointerLog->find(quint32(window), quint32(time), near, at);
}

} // namespace platform::x11

// From the application's start, so that the first press is seen too.
static void watchPointerFromStart() {
    platform::x11::watchPointer();
}
Q_COREAPP_STARTUP_FUNCTION(watchPointerFromStart)

namespace platform {

void Platform::enumTopWindows(const std::function<bool(quint64)> &visit) {
    for (quint64 w : x11::topLevelWindows())
        if (!visit(w))
            return;
}

qint64 Platform::windowProcessId(quint64 window) {
    return x11::windowPid(window);
}
bool Platform::windowHasOwner(quint64 window) {
    return x11::hasOwner(window);
}
bool Platform::windowVisible(quint64 window) {
    return x11::isVisible(window);
}
void Platform::placeWindow(quint64 window, const QRect &outer) {
    x11::place(window, outer);
}
void Platform::bringToFront(quint64 window) {
    x11::activate(window);
}

void Platform::withdrawWindow(quint64 window) {
    x11::withdraw(window);
}

bool Platform::windowOnScreen(quint64 window) {
    return x11::onScreen(window);
}

void Platform::offerOnlyCloseBox(quint64 window) {
    x11::closeBoxOnly(window);
}

void Platform::tellWindowItsPlace(quint64 window) {
    x11::tellPlace(window);
}

bool Platform::pointerInWindow(quint64 window, quint64 time, QPoint near, QPoint *at) {
    return x11::pointerIn(window, time, near, at);
}

} // namespace platform
