#pragma once
// Board geometry: the rectangle type, MIN/MAX, the XOR focus rectangle, the screen rectangle.
#include <QGuiApplication>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QScreen>
#include <QSize>
#include <cmath>

#include "platform/desktop.h"

namespace board {

// Left, top, right, bottom; right and bottom exclusive.
struct TRect {
    qint32 left = 0, top = 0, right = 0, bottom = 0;
    qint32 width() const { return right - left; }
    qint32 height() const { return bottom - top; }
    bool operator==(const TRect &) const = default;
};

// The smaller (Y when X > Y, else X) and the larger (X when X > Y, else Y).
inline qint32 MIN(qint32 X, qint32 Y) {
    return X > Y ? Y : X;
}
inline qint32 MAX(qint32 X, qint32 Y) {
    return X > Y ? X : Y;
}

// Inverts the dotted outline of `r` in a 24- or 32-bit bitmap: every other pixel of the
// border (by the parity of x + y), each visited once, so that drawing it twice restores the
// picture exactly. An empty rectangle, or a bitmap of another depth, draws nothing. Returns
// the part of the bitmap that changed.
inline QRect xorFocusRect(QImage &img, const TRect &r) {
    const int depth = img.depth();
    if (r.right <= r.left || r.bottom <= r.top || img.isNull() || (depth != 24 && depth != 32))
        return {};
    const QRect clip = img.rect();
    auto flip = [&](int x, int y) {
        if (((x + y) & 1) != 0 || !clip.contains(x, y))
            return;
        if (depth == 32) {
            reinterpret_cast<QRgb *>(img.scanLine(y))[x] ^= 0x00FFFFFFu;
        } else {
            uchar *p = img.scanLine(y) + 3 * x;
            p[0] ^= 0xFF;
            p[1] ^= 0xFF;
            p[2] ^= 0xFF;
        }
    };
    const int x0 = r.left, x1 = r.right - 1, y0 = r.top, y1 = r.bottom - 1;
    for (int x = x0; x <= x1; ++x) {
        flip(x, y0);
        if (y1 != y0)
            flip(x, y1);
    }
    for (int y = y0 + 1; y < y1; ++y) {
        flip(x0, y);
        if (x1 != x0)
            flip(x1, y);
    }
    return QRect(QPoint(x0, y0), QPoint(x1, y1)).intersected(clip);
}

// Board coordinates: the physical pixels of the primary screen, from its top-left corner.
// A pixel at board position (X, Y) is the screen's pixel (X, Y) at every desktop scale.
inline QRect screenRect() {
    return QRect(QPoint(0, 0), desktop::physicalSize());
}

// Where a full-screen window of the board goes: the primary screen, in the desktop's
// scaled pixels (the unit of window geometry).
inline QRect screenWindowRect() {
    return desktop::geometry();
}

// The part of the primary screen that windows may use, in scaled pixels.
inline QRect availableScreenRect() {
    return desktop::available();
}

// Physical pixels per scaled pixel.
inline qreal pixelRatio() {
    return desktop::scale();
}

// The scaled-pixel rectangle that covers every physical pixel of `r`.
inline QRect toScaledCover(const QRect &r, qreal ratio) {
    if (r.isEmpty())
        return {};
    const int l = int(std::floor(r.left() / ratio)), t = int(std::floor(r.top() / ratio));
    const int rr = int(std::ceil((r.right() + 1) / ratio)),
              b = int(std::ceil((r.bottom() + 1) / ratio));
    return QRect(l, t, rr - l, b - t);
}

// The physical-pixel rectangle that covers the scaled rectangle `r`.
inline QRect toPhysicalCover(const QRect &r, qreal ratio) {
    if (r.isEmpty())
        return {};
    const int l = int(std::floor(r.left() * ratio)), t = int(std::floor(r.top() * ratio));
    const int rr = int(std::ceil((r.right() + 1) * ratio)),
              b = int(std::ceil((r.bottom() + 1) * ratio));
    return QRect(l, t, rr - l, b - t);
}

} // namespace board
