#pragma once
// Bilinear resize of bitmaps, shared by the graphics catalogue and the drawing board.
#include <QImage>
#include <vector>

// A new 24-bit bitmap (QImage::Format_RGB888) of Width x Height made from `Bitmap` by
// bilinear interpolation; throws QumoError when Width or Height is less than 1.
QImage BitmapResize_Bilinear(const QImage &Bitmap, int Width, int Height);

// The source rows that BitmapResize_Bilinear reads when it makes a picture Height rows high
// from one SrcHeight rows high (true at their index); the bytes of every other row do not
// matter to the result. Lets a decoder skip the rows no output row reads.
std::vector<bool> bilinearRowsRead(int SrcHeight, int Height);

// Rounds half to even, then limits to 0..255.
quint8 SetByte(double aValue);

// Chooses the processor's vector unit (when it has one: true) or the plain loop for the
// resize kernel; both give the same bytes. For tests and benchmarks.
bool resizeUseVectorUnit(bool enabled);
