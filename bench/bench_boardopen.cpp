// Opening the drawing board as the teacher feels it: from the click on the board button to
// the frozen screen shown full-screen on the X server, beside a bare Qt overlay that does
// the least the same job needs: after the same 10 ms timer, the screen grabbed twice (the
// chalk layer and the frozen screen) and shown in a frameless full-screen window.
// Alternating rounds, wall time; a window counts as on screen after its first paint, once
// the X server has answered a request sent after it (XSync).
#include "app/MAIN.h"
#include "app/program.h"
#include "board/Unit25.h"
#include "platform/platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "harness.h"
#include "stallprobe.h"
#include "x11settle.h"

namespace {

constexpr double Target = 1.5; // measured 1.18 and 1.35 on a busy two-core machine
constexpr int ClickDelayMs = 10;
// A round takes a tenth of a second: more of them steady the median on a busy machine.
constexpr int Rounds = 3 * bench::Rounds;

class QuietPlatform : public platform::Platform {
public:
    void messageBeep(unsigned) override {}
};

// The reference: a frameless full-screen window showing a picture of the screen.
class Overlay : public QWidget {
public:
    Overlay() { setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint); }
    QPixmap shot;
    QImage chalk;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, shot); }
};

// Notes the first paint of any widget of `window` and, once the event loop is past it (so
// the backing store has been flushed), waits for the X server and calls `done`.
class FirstPaint : public QObject {
public:
    QWidget *window = nullptr;
    std::function<void()> done;
    bool armed = false;

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (armed && e->type() == QEvent::Paint && o->isWidgetType() &&
            static_cast<QWidget *>(o)->window() == window) {
            armed = false;
            QTimer::singleShot(0, this, [this] { done(); });
        }
        return false;
    }
};

using bench::display;
using bench::settle;

} // namespace

int main(int argc, char **argv) {
    prepareProcess();
    QApplication app(argc, argv);
    const std::string name = "board open, click to on screen";
    Display *dpy = display();
    if (!dpy)
        return bench::failed(name, "needs an X display") ? 0 : 1;

    bench::drawDesktop(dpy);
    QuietPlatform quiet;
    QumoProgram program(quiet, QStringLiteral("Z:\\tmp\\QUMOG.exe"));
    TForm1 *main = program.main();
    TForm25 *board = program.forms.Form25;
    Overlay overlay;
    FirstPaint watch;
    app.installEventFilter(&watch);
    QElapsedTimer clock;
    bool failed = false;
    // The longest the GUI thread went without serving events from the click to the board on
    // screen: the first opening (the window made) apart from the later ones.
    bench::StallProbe probe;
    std::vector<double> stalls;

    auto ours = [&]() -> double {
        double seconds = -1;
        QEventLoop loop;
        watch.window = board;
        watch.done = [&] {
            XSync(dpy, False);
            seconds = clock.nsecsElapsed() / 1e9;
            stalls.push_back(probe.stop());
            board->SpeedButton1Click(); // "戻る": the board's modal showing returns
        };
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
            failed = true;
            if (board->isVisible())
                board->SpeedButton1Click();
            loop.quit();
        });
        guard.start(30000);
        watch.armed = true;
        probe.start();
        clock.start();
        main->SpeedButton8->click();
        // The board is shown modally from the button's timer, inside this loop; its showing
        // has ended once it is hidden again after the measurement.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (seconds >= 0 && !board->isVisible())
                loop.quit();
        });
        poll.start(5);
        loop.exec();
        settle(dpy);
        return seconds;
    };
    auto reference = [&]() -> double {
        double seconds = -1;
        QEventLoop loop;
        watch.window = &overlay;
        watch.done = [&] {
            XSync(dpy, False);
            seconds = clock.nsecsElapsed() / 1e9;
            overlay.hide();
            loop.quit();
        };
        QTimer::singleShot(30000, &loop, [&] {
            failed = true;
            overlay.hide();
            loop.quit();
        });
        watch.armed = true;
        clock.start();
        // The same work the board must do by design: a 10 ms timer after the click, then the
        // screen grabbed twice (chalk layer and frozen screen), then shown.
        QTimer::singleShot(ClickDelayMs, &loop, [&] {
            QScreen *screen = QGuiApplication::primaryScreen();
            overlay.chalk = screen->grabWindow(0).toImage();
            overlay.shot = screen->grabWindow(0);
            overlay.setGeometry(screen->geometry());
            overlay.showFullScreen();
        });
        loop.exec();
        settle(dpy);
        return seconds;
    };

    // What the program readies for the board once its start-up is done, in parts from the
    // event loop, before the teacher first clicks.
    {
        probe.start();
        main->prepareBoard();
        auto *preparer = board->findChild<QTimer *>(QStringLiteral("preparer"));
        QElapsedTimer waited;
        waited.start();
        while (preparer && preparer->isActive() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        settle(dpy);
        std::printf("board readied after start-up in %.0f ms, longest GUI stall %.1f ms\n",
                    waited.nsecsElapsed() / 1e6, probe.stop());
    }
    ours();
    reference();
    bench::Pair p;
    for (int r = 0; r < Rounds && !failed; ++r) {
        if (r % 2 == 0) {
            p.ours.push_back(ours());
            p.reference.push_back(reference());
        } else {
            p.reference.push_back(reference());
            p.ours.push_back(ours());
        }
    }
    if (failed)
        return bench::failed(name, "a window did not show within 30 s") ? 0 : 1;
    const double later = stalls.size() > 1 ? *std::max_element(stalls.begin() + 1, stalls.end()) : 0;
    std::printf("longest GUI stall from the click to the board on screen (probe every %d ms): "
                "first opening (the window made) %.1f ms, later openings %.1f ms\n",
                bench::StallProbe::PeriodMs, stalls.empty() ? 0.0 : stalls.front(), later);
    std::fflush(stdout);
    return bench::report(name, p, bench::Goal::TimeAtMost, Target, bench::Ms, "board",
                         "bare overlay")
               ? 0
               : 1;
}
