#include "board/chalk.h"

#include <QPainter>
#include <QPen>
#include <cstring>

namespace board {

QRect ChalkPen::lineTo(QImage &img, QPoint to) {
    const QPoint from = pos;
    pos = to;
    if (img.isNull())
        return {};
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setPen(QPen(QColor::fromRgb(color), width < 1 ? 1 : width, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawLine(from, to);
    }
    const int m = width / 2 + 2;
    return QRect(from, to).normalized().adjusted(-m, -m, m, m).intersected(img.rect());
}

QRgb keyColour(const QImage &layer) {
    if (layer.isNull())
        return 0;
    return reinterpret_cast<const QRgb *>(layer.constScanLine(layer.height() - 1))[0];
}

void keyedSelect(const QRgb *__restrict top, const QRgb *__restrict under, QRgb *__restrict out,
                 int n, QRgb key) {
    // Both pixels are read every time and merged through a mask, with no branch, so the
    // compiler turns the loop into vector compares and logic.
    for (int i = 0; i < n; ++i) {
        const QRgb t = top[i], u = under[i];
        const QRgb m = 0u - QRgb(t == key);
        out[i] = (u & m) | (t & ~m);
    }
}

void composeLayers(const QImage &top, const QImage &under, QImage &out, const QRect &r,
                   bool keyed) {
    const QRect area = r.intersected(top.rect()).intersected(out.rect());
    if (area.isEmpty())
        return;
    const QRgb key = keyColour(top);
    const int x = area.left(), n = area.width();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *t = reinterpret_cast<const QRgb *>(top.constScanLine(y)) + x;
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(y)) + x;
        if (keyed && y < under.height())
            keyedSelect(t, reinterpret_cast<const QRgb *>(under.constScanLine(y)) + x, o, n, key);
        else
            std::memcpy(o, t, sizeof(QRgb) * size_t(n));
    }
}

QImage keyedToAlpha(const QImage &src) {
    if (src.isNull())
        return {};
    QImage rgb = src.convertToFormat(QImage::Format_RGB32);
    QImage out(rgb.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb key = keyColour(rgb);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *s = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            o[x] = s[x] == key ? 0u : s[x];
    }
    return out;
}

QRect xorFocusRect(QImage &img, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top || img.isNull())
        return {};
    const QRect box = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    const QRect clip = img.rect();
    // Every pixel of the outline exactly once, dotted by the parity of x + y.
    auto flip = [&](int x, int y) {
        if (((x + y) & 1) == 0 && clip.contains(x, y))
            reinterpret_cast<QRgb *>(img.scanLine(y))[x] ^= 0x00FFFFFFu;
    };
    for (int x = left; x < right; ++x) {
        flip(x, top);
        if (bottom - 1 != top)
            flip(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        flip(left, y);
        if (right - 1 != left)
            flip(right - 1, y);
    }
    return box.intersected(clip);
}

} // namespace board
