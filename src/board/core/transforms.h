#pragma once
// Picture transforms of the board's cut-out, on 24-bit bitmaps (QImage::Format_RGB888;
// other formats are converted first). Pure functions, no window needed.
#include <QImage>

namespace board {

// N(v): v rounded to the nearest integer, halves upward (floor(v + 0.5)), negatives too.
long long roundHalfUp(double v);

// The size of the bounding box of the four corner pixels of a w x h picture turned by
// `angle` degrees, and the offset of its top-left corner.
struct RotatedBox {
    long long left = 0, top = 0, width = 0, height = 0;
};
RotatedBox rotatedBox(int w, int h, double angle);

// Turns `src` by `angle` degrees (clockwise on screen for positive angles) by inverse
// nearest-neighbour sampling into the bounding box of its rotated corner pixels; places no
// source pixel reaches are cream. Per-column and per-row products are computed once, so
// every pixel costs two subtractions, two roundings and a copy, with results equal to the
// direct formula.
QImage rotated(const QImage &src, double angle);

// Mirror images of `src` in a new 24-bit bitmap of the same size.
QImage mirroredLeftRight(const QImage &src);
QImage mirroredTopBottom(const QImage &src);

} // namespace board
