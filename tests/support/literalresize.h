#pragma once
// The bilinear resize written out literally, for the tests and the benchmarks to check the
// fast kernel against, byte for byte.
#include "mwex/core/resize.h"

#include <QImage>
#include <cmath>

namespace {

// The definition, one pixel at a time, kept deliberately naive: every read goes through
// the picture, every value is computed where the definition computes it.
inline QImage literalResize(const QImage& Bitmap, int Width, int Height) {
    const int SrcWidth = Bitmap.width();
    const int SrcHeight = Bitmap.height();
    const double wfactor = static_cast<double>(SrcWidth) / Width;
    const double hfactor = static_cast<double>(SrcHeight) / Height;
    // 24 bits, alpha dropped (premultiplied colours restored first).
    const QImage SrcBM = Bitmap.convertToFormat(QImage::Format_ARGB32);
    QImage NewBM(Width, Height, QImage::Format_RGB888);
    auto channel = [&](int x, int y, int c) {
        const QRgb p = SrcBM.pixel(x, y);
        return c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p);
    };
    for (int iy = 0; iy < Height; ++iy) {
        for (int ix = 0; ix < Width; ++ix) {
            const double xx = ix * wfactor;
            const double yy = iy * hfactor;
            int x0 = static_cast<int>(std::trunc(xx));
            if (x0 < 0)
                x0 = 0;
            int x1 = x0 + 1;
            if (x1 > SrcWidth - 1)
                x1 = x0;
            int y0 = static_cast<int>(std::trunc(yy));
            if (y0 < 0)
                y0 = 0;
            int y1 = y0 + 1;
            if (y1 > SrcHeight - 1)
                y1 = y0;
            const double xRatio1 = xx - x0;
            const double xRatio0 = 1 - xRatio1;
            const double yRatio1 = yy - y0;
            const double yRatio0 = 1 - yRatio1;
            uchar* d = NewBM.scanLine(iy) + ix * 3;
            for (int c = 0; c < 3; ++c) {
                const double top = channel(x0, y0, c) * xRatio0 + channel(x1, y0, c) * xRatio1;
                const double bottom = channel(x0, y1, c) * xRatio0 + channel(x1, y1, c) * xRatio1;
                d[c] = SetByte(top * yRatio0 + bottom * yRatio1);
            }
        }
    }
    return NewBM;
}

} // namespace
