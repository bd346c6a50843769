// Chalk strokes into the layer bitmap and the colour-keyed composition over the screen.
#include "board/core/chalk.h"

#include <QPainter>
#include <QPen>
#include <cstring>

namespace board {

QRect ChalkPen::reach(const QImage &img, QPoint to) const {
    if (img.isNull())
        return {};
    const int m = width / 2 + 2;
    return QRect(pos, to).normalized().adjusted(-m, -m, m, m).intersected(img.rect());
}

QRect ChalkPen::lineTo(QImage &img, QPoint to) {
    const QRect changed = reach(img, to);
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
    return changed;
}

QRgb keyColour(const QImage &layer) {
    if (layer.isNull())
        return 0;
    return reinterpret_cast<const QRgb *>(layer.constScanLine(layer.height() - 1))[0];
}

namespace {
// Four pixels in one vector register (GCC and Clang vector extensions; SSE2 on x86-64).
using Pixels4 = QRgb __attribute__((vector_size(16)));
using Halves = quint64 __attribute__((vector_size(16)));

inline Pixels4 load4(const QRgb *p) {
    Pixels4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store4(QRgb *p, Pixels4 v) {
    std::memcpy(p, &v, sizeof v);
}
} // namespace

void keyedSelect(const QRgb *__restrict top, const QRgb *__restrict under, QRgb *__restrict out,
                 int n, QRgb key) {
    // Blocks of one cache line: where no pixel of a block has the key colour, which is most
    // of a board, the background is not read at all. Inside a block both pixels are merged
    // through the compare mask, without a branch.
    constexpr int Block = 16;
    const Pixels4 k = {key, key, key, key};
    int i = 0;
    for (; i + Block <= n; i += Block) {
        const Pixels4 t0 = load4(top + i), t1 = load4(top + i + 4), t2 = load4(top + i + 8),
                      t3 = load4(top + i + 12);
        const Pixels4 m0 = Pixels4(t0 == k), m1 = Pixels4(t1 == k), m2 = Pixels4(t2 == k),
                      m3 = Pixels4(t3 == k);
        const Halves any = Halves((m0 | m1) | (m2 | m3));
        if ((any[0] | any[1]) == 0) {
            store4(out + i, t0);
            store4(out + i + 4, t1);
            store4(out + i + 8, t2);
            store4(out + i + 12, t3);
            continue;
        }
        store4(out + i, (load4(under + i) & m0) | (t0 & ~m0));
        store4(out + i + 4, (load4(under + i + 4) & m1) | (t1 & ~m1));
        store4(out + i + 8, (load4(under + i + 8) & m2) | (t2 & ~m2));
        store4(out + i + 12, (load4(under + i + 12) & m3) | (t3 & ~m3));
    }
    for (; i < n; ++i) {
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

} // namespace board
