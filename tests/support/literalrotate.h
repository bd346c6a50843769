#pragma once
// The cut-out's rotation written out pixel by pixel, for the tests and the benchmarks to
// check the fast loop against, byte for byte.
#include "board/core/transforms.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Inverse nearest-neighbour sampling into the bounding box of the rotated corner pixels,
// one pixel at a time, every position computed from the angle's sine and cosine directly;
// places no source pixel reaches are cream.
inline QImage literalRotate(const QImage &source, double angle) {
    const QImage Source = source.convertToFormat(QImage::Format_RGB888);
    double ra = angle * 0.017453292519943295;
    double SinRad = std::sin(ra), CosRad = std::cos(ra);
    const int soWidth = Source.width(), soHeight = Source.height();
    const double cornersX[4] = {0, double(soWidth - 1), double(soWidth - 1), 0};
    const double cornersY[4] = {0, 0, double(soHeight - 1), double(soHeight - 1)};
    long long xs[4], ys[4];
    for (int i = 0; i < 4; ++i) {
        xs[i] = board::roundHalfUp(CosRad * cornersX[i] - SinRad * cornersY[i]);
        ys[i] = board::roundHalfUp(SinRad * cornersX[i] + CosRad * cornersY[i]);
    }
    const long long PicLeft = *std::min_element(xs, xs + 4);
    const long long PicTop = *std::min_element(ys, ys + 4);
    const int deWidth = int(*std::max_element(xs, xs + 4) - PicLeft + 1);
    const int deHeight = int(*std::max_element(ys, ys + 4) - PicTop + 1);
    static const uchar Cream[3] = {255, 251, 240};
    QImage Dest(deWidth, deHeight, QImage::Format_RGB888);
    for (int iy = 0; iy < deHeight; ++iy)
        for (int ix = 0; ix < deWidth; ++ix)
            std::memcpy(Dest.scanLine(iy) + 3 * ix, Cream, 3);
    ra = -angle * 0.017453292519943295;
    SinRad = std::sin(ra);
    CosRad = std::cos(ra);
    for (int iy = 0; iy < deHeight; ++iy) {
        uchar *dr = Dest.scanLine(iy);
        for (int ix = 0; ix < deWidth; ++ix) {
            const double X = double(ix + PicLeft), Y = double(iy + PicTop);
            const long long mx = board::roundHalfUp(X * CosRad - Y * SinRad);
            const long long my = board::roundHalfUp(X * SinRad + Y * CosRad);
            if (mx >= 0 && mx < soWidth && my >= 0 && my < soHeight)
                std::memcpy(dr + 3 * ix, Source.constScanLine(int(my)) + 3 * mx, 3);
        }
    }
    return Dest;
}

} // namespace
