// What the drawing board costs in memory on a 4K screen: the program's resident memory
// (VmRSS) before the board is first opened and once it shows at 3840 x 2160, then its growth
// over 100 open/close cycles with chalk drawn in each. The board is opened as the teacher
// opens it (the board button of the main window, its timer, the two grabs, the modal
// showing) on an Xvfb of that size of our own, whatever display the other cases use.
#include "app/MAIN.h"
#include "app/program.h"
#include "board/Unit25.h"
#include "platform/platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <spawn.h>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "harness.h"
#include "stallprobe.h"
#include "x11settle.h"

extern char **environ;

namespace {

constexpr int ScreenWidth = 3840, ScreenHeight = 2160;
constexpr double OpenTargetMiB = 120;
constexpr double GrowthTargetMiB = 5;
constexpr int Cycles = 100;
// Cycles before the growth is counted from: the first showing fills caches that stay
// (fonts, icons, the window's native resources), as any window's does.
constexpr int WarmUpCycles = 2;

double mib(long bytes) { return double(bytes) / (1024.0 * 1024.0); }

// Resident memory of this process, bytes (VmRSS of /proc/self/status).
long residentBytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6) * 1024;
    return -1;
}

// The heap's bytes in use and those free but still held (information beside the RSS).
std::string heapInfo() {
    const struct mallinfo2 m = mallinfo2();
    char s[128];
    std::snprintf(s, sizeof s, "heap in use %.1f MiB, free held %.1f MiB, mmapped %.1f MiB",
                  mib(long(m.uordblks)), mib(long(m.fordblks)), mib(long(m.hblkhd)));
    return s;
}

// An Xvfb of the 4K screen on the first free display from :180 (or within
// QUMO_XVFB_DISPLAYS=FIRST-LAST, as the tests' own displays), ended with this object.
class Xvfb4K {
public:
    bool start() {
        int first = 180, last = 239;
        if (const char *range = std::getenv("QUMO_XVFB_DISPLAYS"))
            std::sscanf(range, "%d-%d", &first, &last);
        for (int n = first; n <= last; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            struct stat st;
            if (::stat(lock.c_str(), &st) == 0 || ::stat(socket.c_str(), &st) == 0)
                continue;
            const std::string display = ":" + std::to_string(n);
            const std::string screen =
                std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) + "x24";
            const char *argv[] = {"Xvfb", display.c_str(), "-screen", "0", screen.c_str(),
                                  "-nolisten", "tcp", nullptr};
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            const int rc = posix_spawnp(&pid_, "Xvfb", &actions, nullptr,
                                        const_cast<char **>(argv), environ);
            posix_spawn_file_actions_destroy(&actions);
            if (rc != 0) {
                pid_ = -1;
                return false;
            }
            // Ready once a client can connect (10 s at most).
            for (int i = 0; i < 200; ++i) {
                if (Display *d = XOpenDisplay(display.c_str())) {
                    XCloseDisplay(d);
                    ::setenv("DISPLAY", display.c_str(), 1);
                    return true;
                }
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                    pid_ = -1; // lost a race for the display: try the next one
                    break;
                }
                ::usleep(50000);
            }
            if (pid_ > 0)
                return false;
        }
        return false;
    }
    ~Xvfb4K() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
};

class QuietPlatform : public platform::Platform {
public:
    void messageBeep(unsigned) override {}
};

using bench::display;
using bench::settle;

// Pointer events on the chalk layer as the window system delivers them.
void mouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A few strokes of chalk across the board, placed differently in each cycle, then one
// taken back, as a lesson's drawing goes.
void drawChalk(TForm25 *board, int cycle) {
    QWidget *layer = board->Image1;
    const int w = layer->width() - 200, h = layer->height();
    for (int s = 0; s < 4; ++s) {
        const int y0 = 100 + (cycle * 37 + s * 400) % (h - 300);
        QPoint at(50 + (cycle * 53) % 400, y0);
        mouse(layer, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
        mouse(layer, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 24; ++i) {
            at = QPoint(50 + i * (w - 100) / 24, y0 + ((i % 2) ? 150 : 0));
            mouse(layer, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        }
        mouse(layer, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    board->UndoClick();
}

// A summary line of a case measured against a fixed budget, with no reference beside it.
bool budget(const std::string &name, double ours, double target) {
    const bool ok = ours <= target;
    std::printf("SUMMARY %s  %.1f MiB  -  -  <=%.0f MiB  %s\n", name.c_str(), ours, target,
                ok ? "ok" : "MISSED");
    std::fflush(stdout);
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    const std::string openName = "board 4K open, RSS added";
    const std::string growthName = "board 4K 100 open/close, RSS growth";
    Xvfb4K xvfb;
    if (!xvfb.start()) {
        bench::failed(openName, "could not start an Xvfb of 3840x2160");
        bench::failed(growthName, "could not start an Xvfb of 3840x2160");
        return 1;
    }
    ::unsetenv("QT_SCALE_FACTOR");
    prepareProcess();
    QApplication app(argc, argv);
    Display *dpy = display();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (!dpy || screen != QSize(ScreenWidth, ScreenHeight)) {
        bench::failed(openName, "the X display is not 3840x2160");
        bench::failed(growthName, "the X display is not 3840x2160");
        return 1;
    }

    bench::drawDesktop(dpy);
    QuietPlatform quiet;
    QumoProgram program(quiet, QStringLiteral("Z:\\tmp\\QUMOG.exe"));
    TForm1 *main = program.main();
    TForm25 *board = program.forms.Form25;
    settle(dpy);

    long shownRss = -1, drawnRss = -1, peakRss = 0;
    std::vector<double> openSeconds; // click to the board on the X server
    // The longest the GUI thread went without serving events while the board opened (click
    // to shown) and while it closed, over all cycles.
    bench::StallProbe probe;
    double openStallMs = 0, closeStallMs = 0;
    QElapsedTimer openClock;
    bool failed = false;
    // One cycle: the board button clicked, the board shown and painted, chalk drawn, back.
    auto cycle = [&](int n) {
        QEventLoop loop;
        bool measured = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
            failed = true;
            if (board->isVisible())
                board->SpeedButton1Click();
            loop.quit();
        });
        guard.start(60000);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!measured && board->isVisible() && board->Image1->isVisible()) {
                measured = true;
                // Painted and on the X server.
                settle(dpy);
                openSeconds.push_back(openClock.nsecsElapsed() / 1e9);
                openStallMs = std::max(openStallMs, probe.stop());
                shownRss = residentBytes();
                drawChalk(board, n);
                settle(dpy);
                drawnRss = residentBytes();
                peakRss = std::max({peakRss, shownRss, drawnRss});
                probe.start();
                board->SpeedButton1Click();
            } else if (measured && !board->isVisible()) {
                closeStallMs = std::max(closeStallMs, probe.stop());
                loop.quit();
            }
        });
        poll.start(5);
        probe.start();
        openClock.start();
        main->SpeedButton8->click();
        loop.exec();
        settle(dpy);
    };

    const long before = residentBytes();
    std::printf("before the board: RSS %.1f MiB; %s\n", mib(before), heapInfo().c_str());
    // What the program readies for the board once its start-up is done, in parts from the
    // event loop; its memory counts as the board's.
    {
        probe.start();
        main->prepareBoard();
        auto *preparer = board->findChild<QTimer *>(QStringLiteral("preparer"));
        QElapsedTimer waited;
        waited.start();
        while (preparer && preparer->isActive() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        settle(dpy);
        std::printf("board readied after start-up in %.0f ms: RSS %.1f MiB (+%.1f MiB), "
                    "longest GUI stall %.1f ms\n",
                    waited.nsecsElapsed() / 1e6, mib(residentBytes()),
                    mib(residentBytes() - before), probe.stop());
    }
    cycle(0);
    const long openAdded = shownRss - before;
    std::printf("first open: RSS %.1f MiB when shown (+%.1f MiB), %.1f MiB after chalk "
                "(+%.1f MiB)\n",
                mib(shownRss), mib(openAdded), mib(drawnRss), mib(drawnRss - before));
    std::printf("after the first close: RSS %.1f MiB; %s\n", mib(residentBytes()),
                heapInfo().c_str());
    std::printf("longest GUI stall of the first opening (the window made): %.1f ms\n",
                openStallMs);
    openStallMs = 0;
    for (int i = 1; i < WarmUpCycles && !failed; ++i)
        cycle(i);
    const long start = residentBytes();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Cycles && !failed; ++i) {
        cycle(WarmUpCycles + i);
        if ((i + 1) % 25 == 0)
            std::printf("after %d cycles: RSS %.1f MiB\n", i + 1, mib(residentBytes()));
    }
    const long end = residentBytes();
    std::printf("%d cycles in %.1f s: RSS %.1f -> %.1f MiB, peak %.1f MiB; %s\n", Cycles,
                clock.elapsed() / 1000.0, mib(start), mib(end), mib(peakRss),
                heapInfo().c_str());
    const bench::Stats open = bench::stats(openSeconds);
    std::printf("open, click to on screen (with 5 ms polling): median %.0f ms (%.0f-%.0f)\n",
                open.median * 1e3, open.min * 1e3, open.max * 1e3);
    std::printf("longest GUI stall after the first opening (probe every %d ms): board open "
                "%.1f ms, close %.1f ms\n",
                bench::StallProbe::PeriodMs, openStallMs, closeStallMs);
    std::fflush(stdout);
    if (failed) {
        bench::failed(openName, "the board did not show and close within 60 s");
        bench::failed(growthName, "the board did not show and close within 60 s");
        return 1;
    }
    const bool okOpen = budget(openName, mib(openAdded), OpenTargetMiB);
    const bool okGrowth = budget(growthName, mib(end - start), GrowthTargetMiB);
    return okOpen && okGrowth ? 0 : 1;
}
