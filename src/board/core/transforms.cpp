// Rotation and mirroring of the board's cut-out on 24-bit bitmaps.
#include "board/core/transforms.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace board {

namespace {
constexpr double DegToRad = 0.017453292519943295;
constexpr uchar CreamBytes[3] = {255, 251, 240}; // red, green, blue as Format_RGB888 stores them

QImage creamImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    if (img.isNull())
        return img;
    for (int y = 0; y < h; ++y) {
        uchar *row = img.scanLine(y);
        for (int x = 0; x < w; ++x)
            std::memcpy(row + 3 * x, CreamBytes, 3);
    }
    return img;
}

QImage as24(const QImage &src) {
    return src.format() == QImage::Format_RGB888 ? src : src.convertToFormat(QImage::Format_RGB888);
}

// floor(t) for |t| well inside the int range, without a library call.
inline int floorInt(double t) {
    const int i = static_cast<int>(t);
    return i - (static_cast<double>(i) > t);
}

// The same for two values at once (GCC and Clang vector extensions; SSE2 on x86-64): truncate,
// then step down where truncation went up.
using Doubles2 = double __attribute__((vector_size(16)));
using Masks2 = long long __attribute__((vector_size(16)));
using Ints2 = int __attribute__((vector_size(8)));

inline Ints2 floorInts2(Doubles2 t) {
    const Ints2 i = __builtin_convertvector(t, Ints2);
    const Masks2 up = __builtin_convertvector(i, Doubles2) > t; // -1 where i > t
    return i + __builtin_convertvector(up, Ints2);
}

// mx[i] = floor((xc[i] - ys) + 0.5) and my[i] = floor((xs[i] + yc) + 0.5) for n columns.
void sourceColumns(const double *xc, const double *xs, double ys, double yc, int *mx, int *my,
                   int n) {
    const Doubles2 half = {0.5, 0.5}, vys = {ys, ys}, vyc = {yc, yc};
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        Doubles2 a, b;
        std::memcpy(&a, xc + i, sizeof a);
        std::memcpy(&b, xs + i, sizeof b);
        const Ints2 x = floorInts2((a - vys) + half), y = floorInts2((b + vyc) + half);
        std::memcpy(mx + i, &x, sizeof x);
        std::memcpy(my + i, &y, sizeof y);
    }
    for (; i < n; ++i) {
        mx[i] = floorInt((xc[i] - ys) + 0.5);
        my[i] = floorInt((xs[i] + yc) + 0.5);
    }
}
// The source bitmap of a rotation, as its rows are copied.
struct RowSource {
    const uchar *bits;
    qsizetype stride;
    qsizetype wideReadEnd; // a pixel starting up to here may be read as four bytes
    int width, height;
};

// One destination row of `dw` pixels from the source positions mx, my of its columns.
void copyRow(const RowSource &src, const int *mx, const int *my, int dw, const uchar *creamRow,
             uchar *out) {
    // Rounding keeps order, so mx and my are monotonic along the row and the columns
    // that find a source pixel are one run [lo, hi); the rest stays cream.
    auto inside = [&](int ix) {
        return unsigned(mx[ix]) < unsigned(src.width) && unsigned(my[ix]) < unsigned(src.height);
    };
    int lo = 0;
    while (lo < dw && !inside(lo))
        ++lo;
    int hi = dw;
    while (hi > lo && !inside(hi - 1))
        --hi;
    std::memcpy(out, creamRow, size_t(3 * lo));
    std::memcpy(out + 3 * hi, creamRow, size_t(3 * (dw - hi)));
    // Four bytes a pixel where allowed: the fourth lands on the next pixel, written next.
    int ix = lo;
    for (; ix < hi - 1; ++ix) {
        Q_ASSERT(inside(ix));
        const qsizetype at = my[ix] * src.stride + 3 * mx[ix];
        if (at <= src.wideReadEnd) [[likely]] {
            quint32 v;
            std::memcpy(&v, src.bits + at, 4);
            std::memcpy(out + 3 * ix, &v, 4);
        } else {
            std::memcpy(out + 3 * ix, src.bits + at, 3);
        }
    }
    if (ix < hi)
        std::memcpy(out + 3 * ix, src.bits + my[ix] * src.stride + 3 * mx[ix], 3);
}
} // namespace

long long roundHalfUp(double v) {
    return static_cast<long long>(std::floor(v + 0.5));
}

RotatedBox rotatedBox(int w, int h, double angle) {
    const double ra = angle * DegToRad;
    const double s = std::sin(ra), c = std::cos(ra);
    const int cx[4] = {0, w - 1, w - 1, 0};
    const int cy[4] = {0, 0, h - 1, h - 1};
    long long minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const long long x = roundHalfUp(c * cx[i] - s * cy[i]);
        const long long y = roundHalfUp(s * cx[i] + c * cy[i]);
        if (i == 0 || x < minX)
            minX = x;
        if (i == 0 || x > maxX)
            maxX = x;
        if (i == 0 || y < minY)
            minY = y;
        if (i == 0 || y > maxY)
            maxY = y;
    }
    return {minX, minY, maxX - minX + 1, maxY - minY + 1};
}

QImage rotated(const QImage &source, double angle) {
    const QImage src = as24(source);
    const int sw = src.width(), sh = src.height();
    const RotatedBox box = rotatedBox(sw, sh, angle);
    QImage dst(int(box.width), int(box.height), QImage::Format_RGB888);
    if (dst.isNull() || src.isNull())
        return creamImage(int(box.width), int(box.height));
    const double ra = -angle * DegToRad;
    const double s = std::sin(ra), c = std::cos(ra);
    const int dw = dst.width(), dh = dst.height();
    // X * cos and X * sin depend on the column only, Y * sin and Y * cos on the row only;
    // the products are the same doubles the direct formula forms, so the sums are too.
    std::vector<double> xc(static_cast<size_t>(dw)), xs(static_cast<size_t>(dw));
    for (int ix = 0; ix < dw; ++ix) {
        const double X = double(ix + box.left);
        xc[size_t(ix)] = X * c;
        xs[size_t(ix)] = X * s;
    }
    std::vector<int> mxs(static_cast<size_t>(dw)), mys(static_cast<size_t>(dw));
    std::vector<uchar> creamRow(static_cast<size_t>(dw) * 3);
    for (int ix = 0; ix < dw; ++ix)
        std::memcpy(creamRow.data() + 3 * ix, CreamBytes, 3);
    const RowSource from{src.constBits(), src.bytesPerLine(), src.sizeInBytes() - 4, sw, sh};
    for (int iy = 0; iy < dh; ++iy) {
        const double Y = double(iy + box.top);
        const double ys = Y * s, yc = Y * c;
        // First the source positions of the whole row, two at a time.
        int *mx = mxs.data(), *my = mys.data();
        sourceColumns(xc.data(), xs.data(), ys, yc, mx, my, dw);
        copyRow(from, mx, my, dw, creamRow.data(), dst.scanLine(iy));
    }
    return dst;
}

QImage mirroredLeftRight(const QImage &source) {
    const QImage src = as24(source);
    QImage dst = creamImage(src.width(), src.height());
    if (dst.isNull())
        return dst;
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uchar *s = src.constScanLine(y);
        uchar *d = dst.scanLine(y);
        for (int x = 0; x < w; ++x)
            std::memcpy(d + 3 * (w - 1 - x), s + 3 * x, 3);
    }
    return dst;
}

QImage mirroredTopBottom(const QImage &source) {
    const QImage src = as24(source);
    QImage dst = creamImage(src.width(), src.height());
    if (dst.isNull())
        return dst;
    const int h = src.height();
    for (int y = 0; y < h; ++y)
        std::memcpy(dst.scanLine(h - 1 - y), src.constScanLine(y), size_t(3 * src.width()));
    return dst;
}

} // namespace board
