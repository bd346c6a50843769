#pragma once
// The primary screen in the two units a scaled desktop has: its scaled pixels (what the
// settings' sizes and the windows' geometry are given in) and its physical pixels (what
// pictures of the screen and the X server's own geometry are in).
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <cmath>

namespace desktop {

// The screen assumed when no screen is known.
inline constexpr QSize kFallbackScreenSize{800, 600};

// The screen the board, the capture window and the corner of the main window belong to,
// wherever it lies among the monitors.
inline QScreen *primary() {
    return QGuiApplication::primaryScreen();
}

// Physical pixels per scaled pixel of the primary screen (1, 1.5, 2 ...).
inline qreal scale() {
    const QScreen *s = primary();
    return s ? s->devicePixelRatio() : 1.0;
}

// The primary screen, in scaled pixels of the desktop.
inline QRect geometry() {
    const QScreen *s = primary();
    return s ? s->geometry() : QRect(QPoint(0, 0), kFallbackScreenSize);
}

// The part of the primary screen that windows may use (without panels and docks).
inline QRect available() {
    const QScreen *s = primary();
    return s ? s->availableGeometry() : QRect(QPoint(0, 0), kFallbackScreenSize);
}

// Scaled pixels to physical ones, rounded as the window system rounds them.
inline int toPhysical(int v) {
    return int(std::lround(v * scale()));
}

// The primary screen's own size in physical pixels.
inline QSize physicalSize() {
    const QSize s = geometry().size();
    return QSize(toPhysical(s.width()), toPhysical(s.height()));
}

// A rectangle given in scaled pixels from the primary screen's top-left corner, in the
// physical pixels of the whole X screen (where another program's window is placed). The
// toolkit keeps a screen's corner in physical pixels and scales only its size.
inline QRect toPhysicalOnDesktop(const QRect &onPrimary) {
    const QPoint origin = geometry().topLeft();
    return QRect(origin + QPoint(toPhysical(onPrimary.x()), toPhysical(onPrimary.y())),
                 QSize(toPhysical(onPrimary.width()), toPhysical(onPrimary.height())));
}

} // namespace desktop
