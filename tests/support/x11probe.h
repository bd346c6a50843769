#pragma once
// Asks the X server directly (not through the shell's platform layer) where a window is,
// what state it is in, whether it is in front, where the primary monitor lies and what
// pixels the screen shows. Header-only.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>

#include "support/eventwait.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

namespace x11probe {

inline int quiet(Display *, XErrorEvent *) {
    return 0;
}

class Probe {
public:
    Probe() : d_(XOpenDisplay(nullptr)) { XSetErrorHandler(quiet); }
    ~Probe() {
        if (d_)
            XCloseDisplay(d_);
    }
    Probe(const Probe &) = delete;
    Probe &operator=(const Probe &) = delete;

    bool ok() const { return d_ != nullptr; }
    Atom atom(const char *name) const { return XInternAtom(d_, name, False); }

    std::vector<unsigned long> longs(Window w, const char *property, Atom type) const {
        std::vector<unsigned long> out;
        Atom actual = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char *data = nullptr;
        XSync(d_, False);
        if (XGetWindowProperty(d_, w, atom(property), 0, 4096, False, type, &actual, &format, &n,
                               &after, &data) == Success &&
            data && format == 32) {
            const auto *v = reinterpret_cast<const unsigned long *>(data);
            out.assign(v, v + n);
        }
        if (data)
            XFree(data);
        return out;
    }

    Window root() const { return DefaultRootWindow(d_); }

    bool windowManagerRuns() const {
        const auto v = longs(root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
        return !v.empty() && v[0] != 0;
    }

    // The window's outer rectangle on the screen: its client area plus the frame the
    // window manager announces.
    QRect outer(Window w) const {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d_, w, &a))
            return {};
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(d_, w, root(), 0, 0, &x, &y, &child);
        auto e = longs(w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        e.resize(4, 0);
        return QRect(x - int(e[0]), y - int(e[2]), a.width + int(e[0] + e[1]),
                     a.height + int(e[2] + e[3]));
    }

    bool viewable(Window w) const {
        XWindowAttributes a;
        return XGetWindowAttributes(d_, w, &a) && a.map_state == IsViewable;
    }

    // ICCCM WM_STATE: 1 normal, 3 iconic, -1 none.
    long wmState(Window w) const {
        Atom a = atom("WM_STATE");
        Atom actual = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char *data = nullptr;
        long state = -1;
        if (XGetWindowProperty(d_, w, a, 0, 2, False, a, &actual, &format, &n, &after, &data) ==
                Success &&
            data && n > 0)
            state = long(reinterpret_cast<const unsigned long *>(data)[0]);
        if (data)
            XFree(data);
        return state;
    }

    // The names of the window's _NET_WM_STATE atoms.
    QStringList netStates(Window w) const {
        QStringList names;
        for (unsigned long a : longs(w, "_NET_WM_STATE", XA_ATOM)) {
            char *name = XGetAtomName(d_, Atom(a));
            if (name) {
                names.append(QString::fromLatin1(name));
                XFree(name);
            }
        }
        return names;
    }

    // In front: the active window of the window manager, above every other normal
    // window; without one, the topmost viewable child of the root.
    bool inFront(Window w) const {
        if (windowManagerRuns()) {
            const auto active = longs(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
            if (active.empty() || active[0] != w)
                return false;
            const auto stack = longs(root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
            for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
                if (*it == w)
                    return true;
                if (!netStates(Window(*it)).contains(QStringLiteral("_NET_WM_STATE_ABOVE")))
                    return false;
            }
            return false;
        }
        Window r = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        bool front = false;
        XSync(d_, False);
        if (XQueryTree(d_, root(), &r, &parent, &children, &n)) {
            for (unsigned int i = n; i-- > 0;) {
                if (viewable(children[i])) {
                    front = children[i] == w;
                    break;
                }
            }
        }
        if (children)
            XFree(children);
        return front;
    }

    // The primary monitor in the root window's pixels, as the X server lists its monitors
    // (xrandr); the whole root window when it names none.
    QRect primaryMonitor() const {
        QProcess p;
        p.start(QStringLiteral("xrandr"), {QStringLiteral("--listmonitors")});
        if (p.waitForFinished(10000)) {
            static const QRegularExpression line(
                QStringLiteral(R"(\*\S*\s+(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+))"));
            for (const QString &l : QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n')) {
                const auto m = line.match(l);
                if (m.hasMatch())
                    return QRect(m.captured(3).toInt(), m.captured(4).toInt(),
                                 m.captured(1).toInt(), m.captured(2).toInt());
            }
        }
        XWindowAttributes a;
        XGetWindowAttributes(d_, root(), &a);
        return QRect(0, 0, a.width, a.height);
    }

    // What the screen shows in `r` (root pixels), read from the X server.
    QImage grab(const QRect &r) const {
        XSync(d_, False);
        XImage *x = XGetImage(d_, root(), r.x(), r.y(), unsigned(r.width()), unsigned(r.height()),
                              AllPlanes, ZPixmap);
        if (!x)
            return {};
        QImage out(r.size(), QImage::Format_RGB32);
        for (int y = 0; y < r.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int xx = 0; xx < r.width(); ++xx)
                line[xx] = 0xFF000000u | QRgb(XGetPixel(x, xx, y) & 0xFFFFFF);
        }
        XDestroyImage(x);
        return out;
    }

    // The root's children, bottom to top, that are viewable.
    std::vector<Window> stacking() const {
        std::vector<Window> out;
        Window r = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        XSync(d_, False);
        if (XQueryTree(d_, root(), &r, &parent, &children, &n))
            for (unsigned int i = 0; i < n; ++i)
                if (viewable(children[i]))
                    out.push_back(children[i]);
        if (children)
            XFree(children);
        return out;
    }

    // The root's child that holds `w` (its frame under a window manager, or itself).
    Window topLevelOf(Window w) const {
        for (;;) {
            Window r = 0, parent = 0, *children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(d_, w, &r, &parent, &children, &n))
                return 0;
            if (children)
                XFree(children);
            if (parent == r || parent == 0)
                return w;
            w = parent;
        }
    }

    // Position of `w`'s top-level in the stacking order (higher is nearer the top), -1
    // when it is not viewable.
    int stackIndex(Window w) const {
        const Window top = topLevelOf(w);
        const auto s = stacking();
        for (size_t i = 0; i < s.size(); ++i)
            if (s[i] == top)
                return int(i);
        return -1;
    }

private:
    Display *d_;
};

// openbox started for a suite's cases when no window manager runs on the display, and
// ended again with the suite.
class OwnWindowManager {
public:
    enum class Outcome { AlreadyRuns, Started, NotInstalled, DidNotStart };

    ~OwnWindowManager() { stop(); }

    Outcome start(const Probe &probe) {
        if (probe.windowManagerRuns())
            return Outcome::AlreadyRuns;
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty())
            return Outcome::NotInstalled;
        wm_.setProgram(openbox);
        wm_.setArguments({QStringLiteral("--sm-disable")});
        wm_.start();
        if (!wm_.waitForStarted() || !testsupport::waitFor([&] { return probe.windowManagerRuns(); }, 20000))
            return Outcome::DidNotStart;
        return Outcome::Started;
    }

    void stop() {
        if (wm_.state() == QProcess::NotRunning)
            return;
        wm_.terminate();
        if (!wm_.waitForFinished(10000))
            wm_.kill();
        wm_.waitForFinished(10000);
    }

private:
    QProcess wm_;
};

} // namespace x11probe
