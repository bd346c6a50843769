// The whole-screen grab behind the capture of the main window and of the board.
#include "board/screengrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace board {

namespace {
ScreenSource &source() {
    static ScreenSource s;
    return s;
}
} // namespace

void setScreenSource(ScreenSource s) {
    source() = std::move(s);
}

void grabScreen(const QRect &r, QImage &BM) {
    const int width = r.width(), height = r.height();
    QImage got;
    if (source()) {
        got = source()(r);
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        // The window system's copy of the root window: what is on screen, without the
        // pointer, which is drawn apart from the picture.
        got = screen->grabWindow(0, r.left(), r.top(), width, height).toImage();
        got.setDevicePixelRatio(1);
    }
    if (!got.isNull() && got.size() != QSize(width, height))
        got = got.scaled(width, height);
    if (got.isNull() && width > 0 && height > 0) {
        got = QImage(width, height, QImage::Format_RGB32);
        got.fill(Qt::black);
    }
    BM = got;
}

} // namespace board
