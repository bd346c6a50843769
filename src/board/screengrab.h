#pragma once
// The whole-screen grab behind CaptureRect of the main window and of the board.
#include <QImage>
#include <QRect>
#include <functional>

namespace board {

// Where grabs come from: given a rectangle in screen coordinates, its picture.
using ScreenSource = std::function<QImage(const QRect &)>;

// Replaces the screen as the source of every grab (tests hand in a frozen picture, or the
// board's own rendering); an empty function restores the real screen.
void setScreenSource(ScreenSource source);

// Copies the rectangle `r` of the primary screen, in its physical pixels from its top-left
// corner, into `BM`, sized to the rectangle, in the display's own
// format. The mouse pointer is never part of the copy. A failed grab leaves a black bitmap
// of the right size.
void grabScreen(const QRect &r, QImage &BM);

// Readies a part (about `sliceBytes`) of what the next grabs of `r` will take, so that the
// first of them costs no more than later ones; true while work remains.
bool prepareGrab(const QRect &r, qsizetype sliceBytes);

} // namespace board
