#pragma once
// Pictures of the screen taken through memory shared with the X server, into buffers that
// are kept and taken again once every picture of them is gone.
#include <QImage>
#include <QRect>

namespace platform {

// The rectangle `onDesktop` (physical pixels of the whole X screen) as a 32-bit picture
// (QImage::Format_RGB32) whose pixels lie in a shared buffer: no copy is made on our side.
// The buffer is taken again by a later grab of the same size once no QImage refers to it any
// more, so that a full-screen picture taken again and again costs its memory once. Null
// when the X server cannot share memory with this program, its pixels are not 32-bit
// RGB, or the rectangle is not on the screen: the caller grabs another way. GUI thread only;
// the pictures themselves may go to any thread.
QImage grabSharedScreen(const QRect &onDesktop);

// Makes the buffers that the next grabs of `size` will take ready ahead of them, a part of
// at most about `sliceBytes` per call: a fresh buffer costs a page fault for every page on
// both sides (this program's and the X server's), hundreds of milliseconds for a 4K screen
// at once. Returns true while work remains. GUI thread only; does nothing where grabs do
// not go through shared memory.
bool prepareSharedScreen(QSize size, qsizetype sliceBytes);

} // namespace platform
