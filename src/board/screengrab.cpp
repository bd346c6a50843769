// The whole-screen grab behind the capture of the main window and of the board.
#include "board/screengrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "platform/desktop.h"

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
    } else if (QScreen *screen = desktop::primary()) {
        // The window system's copy of the primary screen in its physical pixels, wherever
        // that screen lies, without the pointer (drawn apart from the picture). Taken whole
        // and cut here, so no rectangle is ever rounded through the desktop's scale.
        got = screen->grabWindow(0).toImage();
        got.setDevicePixelRatio(1);
        if (got.rect() != r)
            got = got.copy(r);
    }
    // Only a source that does not keep its pixels 1:1 could give another size.
    if (!got.isNull() && got.size() != QSize(width, height))
        got = got.scaled(width, height);
    if (got.isNull() && width > 0 && height > 0) {
        got = QImage(width, height, QImage::Format_RGB32);
        got.fill(Qt::black);
    }
    BM = got;
}

} // namespace board
