#pragma once
// Small pictures of JPEGs made from the coefficients: only the pixels the bilinear resize
// reads are made, with the same arithmetic libjpeg-turbo uses, so the bytes are the same as
// from resizing the whole decoded picture.
#include "mwex/core/jpegio.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace jpegio {

// BitmapResize_Bilinear(decode(bytes, error, maxPixels), width, height), byte for byte, and
// the same failure and message where decode fails (and the same exception for a width or
// height below 1). Grey and YCbCr pictures sampled 4:4:4, 4:2:2 or 4:2:0, baseline or
// progressive, take the short way; any other picture, and any file the library warns about,
// is decoded whole (only the rows the resize reads are made). Safe on any thread.
QImage decodeResized(const QByteArray& bytes, QString* error, int width, int height,
                     qint64 maxPixels = MaxPixels);

// The short way alone: a null picture where it leaves the picture to the whole decoder
// (for tests and the fuzz target, which compare it with the whole decoder's result).
QImage decodeResizedFromCoefficients(const QByteArray& bytes, int width, int height,
                                     qint64 maxPixels = MaxPixels);

} // namespace jpegio
