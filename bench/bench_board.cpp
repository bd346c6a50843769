// The drawing board's hot paths on a board the size of the screen, in alternating rounds:
// one pointer move while drawing (the stroke, the keyed composition of what it touched and
// its way onto the X server through a real window) against the same move repainted from
// the two bitmaps without keying; the same for a whole-screen repaint; and the cut-out's
// rotation against the literal loop (checked byte-equal first). A paint counts as done when
// the X server has answered a request sent after it (XSync), so the pixels are on the screen.
#include "board/core/chalk.h"
#include "board/core/transforms.h"
#include "support/literalrotate.h"

#include <QApplication>
#include <QScreen>
#include <QPaintEvent>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstring>

#include <X11/Xlib.h>

#include "harness.h"
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {
int W = 1920, H = 1080; // the screen's size, once the application exists

QImage frozen() {
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x)
            row[x] = qRgb(x * 7 % 256, y * 3 % 256, (x ^ y) % 256);
    }
    return img;
}

struct Board {
    QImage background = frozen();
    QImage chalk = background.copy();
    QImage frame = QImage(W, H, QImage::Format_RGB32);
    QImage store = QImage(W, H, QImage::Format_RGB32); // stands for the window's backing store
    board::ChalkPen pen;
    int step = 0;
    Board() {
        pen.color = board::Silver;
        pen.width = 6;
        pen.moveTo(QPoint(-6, H));
        pen.lineTo(chalk, QPoint(6, H));
        pen.color = board::Red;
        pen.width = 5;
        pen.moveTo(next());
    }
    // Pointer positions of a hand moving around the screen, about 12 pixels apart.
    QPoint next() {
        const double a = (step++ % 600) * (2 * M_PI / 600);
        return QPoint(int(W / 2 + 700 * std::cos(a) + 40 * std::sin(9 * a)),
                      int(H / 2 + 400 * std::sin(a) + 40 * std::cos(7 * a)));
    }
};

QImage rotateSource() {
    QImage img(800, 600, QImage::Format_RGB888);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            uchar *p = img.scanLine(y) + 3 * x;
            p[0] = uchar(x);
            p[1] = uchar(y);
            p[2] = uchar(x + y);
        }
    return img;
}


// A full-screen window that shows one board, keyed (the composed frame) or plain (the
// frozen screen, then the chalk layer over it).
class View : public QWidget {
public:
    View() {
        setWindowFlags(Qt::FramelessWindowHint);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    Board *board = nullptr;
    bool keyed = true;

protected:
    void paintEvent(QPaintEvent *e) override {
        const QRect r = e->rect();
        QPainter p(this);
        if (keyed) {
            board::composeLayers(board->chalk, board->background, board->frame, r, true);
            p.drawImage(r.topLeft(), board->frame, r);
        } else {
            p.drawImage(r.topLeft(), board->background, r);
            p.drawImage(r.topLeft(), board->chalk, r);
        }
    }
};

Display *display() {
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    W = screen.width();
    H = screen.height();
    bool allOk = true;

    // Rotation: the same bytes as the literal loop, then the speed.
    const QImage src = rotateSource();
    const QImage fast = board::rotated(src, 30), literal = literalRotate(src, 30);
    bool same = fast.size() == literal.size() && fast.format() == literal.format();
    for (int y = 0; same && y < fast.height(); ++y)
        same = std::memcmp(fast.constScanLine(y), literal.constScanLine(y),
                           size_t(fast.bytesPerLine())) == 0;
    if (!same) {
        allOk &= bench::failed("rotate 800x600 30deg", "differs from the literal loop");
    } else {
        allOk &= bench::report(
            "rotate 800x600 30deg",
            bench::interleave([&] { benchmark::DoNotOptimize(board::rotated(src, 30).constBits()); },
                              [&] {
                                  benchmark::DoNotOptimize(
                                      literalRotate(src, 30).constBits());
                              },
                              bench::Clock::ThreadCpu, bench::Rounds, 3),
            bench::Goal::SpeedAtLeast, 2.5, bench::Ms, "fast", "literal");
    }

    Display *dpy = display();
    if (!dpy) {
        allOk &= bench::failed("board pointer move on screen", "needs an X display");
        allOk &= bench::failed("board keyed full repaint on screen", "needs an X display");
        return allOk ? 0 : 1;
    }
    std::printf("board %dx%d RGB32 on the X server, pen 5 px, moves of about 12 px\n", W, H);
    Board keyedBoard, plainBoard;
    View view;
    view.setGeometry(QRect(QPoint(0, 0), screen));
    view.board = &keyedBoard;
    view.show();
    for (int i = 0; i < 200 && !(view.windowHandle() && view.windowHandle()->isExposed()); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        XSync(dpy, False);
    }
    QCoreApplication::processEvents();

    auto move = [&](Board &b, bool keyed) {
        view.board = &b;
        view.keyed = keyed;
        view.repaint(b.pen.lineTo(b.chalk, b.next()));
        XSync(dpy, False);
    };
    auto full = [&](Board &b, bool keyed) {
        view.board = &b;
        view.keyed = keyed;
        view.repaint();
        XSync(dpy, False);
    };
    allOk &= bench::report(
        "board pointer move on screen",
        bench::interleave([&] { move(keyedBoard, true); }, [&] { move(plainBoard, false); },
                          bench::Clock::Wall, bench::Rounds, 200),
        bench::Goal::TimeAtMost, 1.5, bench::Us, "keyed", "plain");
    allOk &= bench::report(
        "board keyed full repaint on screen",
        bench::interleave([&] { full(keyedBoard, true); }, [&] { full(plainBoard, false); },
                          bench::Clock::Wall, bench::Rounds, 5),
        bench::Goal::TimeAtMost, 1.5, bench::Ms, "keyed", "plain");
    // The same repaint without the X server, as the board helper measures its kernel.
    const bench::Pair inMemory = bench::interleave(
        [&] {
            board::composeLayers(keyedBoard.chalk, keyedBoard.background, keyedBoard.frame,
                                 keyedBoard.chalk.rect(), true);
            QPainter p(&keyedBoard.store);
            p.drawImage(0, 0, keyedBoard.frame);
        },
        [&] {
            QPainter p(&plainBoard.store);
            p.drawImage(0, 0, plainBoard.background);
            p.drawImage(0, 0, plainBoard.chalk);
        },
        bench::Clock::ThreadCpu, bench::Rounds, 5);
    std::printf("board full repaint in memory only (no target): keyed %.3f ms, plain %.3f ms, "
                "ratio %.2f\n",
                bench::stats(inMemory.ours).median * 1e3,
                bench::stats(inMemory.reference).median * 1e3,
                bench::roundRatios(inMemory, bench::Goal::TimeAtMost).median);
    return allOk ? 0 : 1;
}
