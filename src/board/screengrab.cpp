// The whole-screen grab behind the capture of the main window and of the board.
#include "board/screengrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "platform/desktop.h"
#include "platform/sharedgrab.h"

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
        // that screen lies, without the pointer (drawn apart from the picture). Through
        // shared memory where the X server offers it: the picture is then the only copy, in
        // a buffer that a later grab takes again once this picture is gone, so the board on
        // a 4K screen holds its two layers and no more.
        const QRect physical(desktop::geometry().topLeft(), desktop::physicalSize());
        const QRect onDesktop = r.translated(physical.topLeft());
        if (physical.contains(onDesktop))
            got = platform::grabSharedScreen(onDesktop);
        if (got.isNull()) {
            // Taken whole and cut here, so no rectangle is ever rounded through the
            // desktop's scale.
            got = screen->grabWindow(0).toImage();
            got.setDevicePixelRatio(1);
            if (got.rect() != r)
                got = got.copy(r);
        }
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

bool prepareGrab(const QRect &r, qsizetype sliceBytes) {
    if (source() || r.isEmpty() || !desktop::primary())
        return false;
    const QRect physical(desktop::geometry().topLeft(), desktop::physicalSize());
    if (!physical.contains(r.translated(physical.topLeft())))
        return false;
    return platform::prepareSharedScreen(r.size(), sliceBytes);
}

} // namespace board
