#pragma once
// Bilinear resize of bitmaps, shared by the graphics catalogue and the drawing board.
#include <QImage>

// A new 24-bit bitmap (QImage::Format_RGB888) of Width x Height made from `Bitmap` by
// bilinear interpolation; throws QumoError when Width or Height is less than 1.
QImage BitmapResize_Bilinear(const QImage &Bitmap, int Width, int Height);

// Rounds half to even, then limits to 0..255.
quint8 SetByte(double aValue);

// Chooses the processor's vector unit (when it has one: true) or the plain loop for the
// resize kernel; both give the same bytes. For tests and benchmarks.
bool resizeUseVectorUnit(bool enabled);
