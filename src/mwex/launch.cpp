// Starting the Logo program with a work and placing its window.
#include "mwex/launch.h"
#include "platform/desktop.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/platform.h"
#include "platform/process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>

namespace {
const QString kRetryMessage = QStringLiteral("もう一度クリックしてください．　");
// The longest wait for the preparation of the Windows layer before a placed start; a
// fresh prefix takes half a minute on a busy classroom PC. After it the start goes ahead.
constexpr int kPreparationWaitMs = 180000;
constexpr int kPreparationPollMs = 50;
} // namespace

Launcher::Launcher(Needs needs) : n_(std::move(needs)) {}

bool Launcher::waitForProgramPreparation(const QString &F1, const QString &line) {
    if (!platform::preparingForProgram(F1))
        return true;
    QElapsedTimer waited;
    waited.start();
    while (!platform::waitForPreparation(F1, kPreparationPollMs)) {
        if (n_.closed && n_.closed())
            return false;
        if (waited.elapsed() >= kPreparationWaitMs)
            break;
        // The notice closes itself after a while; the pupil keeps seeing it.
        if (n_.noticeShowing && !n_.noticeShowing())
            n_.notice(QStringLiteral("はじめます・・・"), line);
        QApplication::processEvents();
    }
    return !(n_.closed && n_.closed());
}

void Launcher::SHELLMWEXE(const QString &F1, const QString &F2) {
    QumoValues &v_ = *n_.values;
    // AppFLG counts the failed attempts of the launch in progress.
    for (int failed = 0;;) {
        const Attempt a = attempt(F1, F2);
        if (a != Attempt::NoWindow)
            break;
        v_.AppFLG = ++failed;
        if (failed >= kLaunchAttempts) {
            v_.AppFLG = 0;
            SetPositionSize(0, 0, 0, v_.XX, v_.YY);
            return;
        }
        QApplication::processEvents();
    }
    v_.AppFLG = 0;
}

Launcher::Attempt Launcher::attempt(const QString &F1, const QString &F2) {
    QumoValues &v_ = *n_.values;
    platform::Platform &platform_ = *n_.platform;
    QString line, folder;
    if (F2.isEmpty()) {
        line = platform::extractFileName(F1);
        folder = v_.QUMOHOZON;
    } else {
        line = platform::extractFileName(F2);
        folder = platform::extractFilePath(F2);
    }
    n_.notice(QStringLiteral("はじめます・・・"), line);

    if (v_.XX < 1 || v_.YY < 1) {
        // Plain start: the program places itself; nothing is checked or reported.
        if (platform::isReadOnly(F2))
            platform::setReadOnly(F2, false);
        platform_.shellOpen(u'"' + F1 + u'"', u'"' + F2 + u'"', folder);
        return Attempt::Plain;
    }

    // A Windows program waits for its layer's preparation, so that the window search is
    // not spent on creating the layer's prefix. Closing the window ends the launch.
    if (!waitForProgramPreparation(F1, line))
        return Attempt::Closed;
    const auto closed = [this] { return n_.closed && n_.closed(); };
    const quint64 AppWnd =
        RunExeFile(platform_, n_.owner, F1, F2, QString(), 5, windowSearchRounds, closed);
    if (closed())
        return Attempt::Closed;
    if (AppWnd == 0)
        return Attempt::NoWindow;
    SetPositionSize(AppWnd, 0, 0, v_.XX, v_.YY);
    return Attempt::Placed;
}

void Launcher::SetPositionSize(quint64 AWnd, qint32 X, qint32 Y, qint32 XSize, qint32 YSize) {
    if (AWnd == 0) {
        n_.platform->messageBox(n_.owner, kRetryMessage);
        return;
    }
    // The sizes are the desktop's scaled pixels, like the main window's, from the primary
    // screen's usable corner; the window system places in physical pixels.
    const QRect onPrimary(QPoint(X, Y) + desktop::available().topLeft() -
                              desktop::geometry().topLeft(),
                          QPoint(XSize - 1, YSize - 1) + desktop::available().topLeft() -
                              desktop::geometry().topLeft());
    n_.platform->placeWindow(AWnd, desktop::toPhysicalOnDesktop(onPrimary));
    n_.platform->bringToFront(AWnd);
}

quint64 RunExeFile(platform::Platform &platform, QWidget *hWnd, const QString &AFile,
                   const QString &AParameters, const QString &Verb, int vShow, int searchRounds,
                   const std::function<bool()> &stop) {
    // The owner, the default verb and show mode 5 are what the shell call gets on
    // Windows; a started program here always shows its windows itself.
    Q_UNUSED(hWnd);
    Q_UNUSED(Verb);
    Q_UNUSED(vShow);
    ProgramStart run(platform, searchRounds, stop);
    if (!run.start(u'"' + AFile + u'"', u'"' + AParameters + u'"'))
        return 0;
    // The pupil's other clicks are served while the program gets ready and shows its window.
    QEventLoop loop;
    QObject::connect(&run, &ProgramStart::finished, &loop, &QEventLoop::quit);
    if (!run.done())
        loop.exec();
    // The application is quitting (every event loop was told to end): the process runs on.
    if (!run.done())
        run.abandon();
    return run.window();
}

ProgramStart::ProgramStart(platform::Platform &platform, int rounds, std::function<bool()> stop)
    : p_(platform), rounds_(rounds), stop_(std::move(stop)) {
    connect(&timer_, &QTimer::timeout, this, [this] { searching_ ? searchRound() : idleRound(); });
}

ProgramStart::~ProgramStart() {
    if (!done_ && process_ != 0)
        abandon();
}

bool ProgramStart::start(const QString &file, const QString &parameters) {
    process_ = p_.startProgram(file, parameters, QString());
    if (process_ == 0)
        return false;
    timer_.start(kIdleWaitMs);
    return true;
}

void ProgramStart::abandon() {
    if (!done_)
        finish(0, false);
}

// Linux has no "waiting for input": a process that has not ended by now counts as ready.
void ProgramStart::idleRound() {
    if (stop_ && stop_())
        return abandon();
    const auto ret = p_.waitForInputIdle(process_, 0);
    if (ret == platform::Platform::IdleWait::TimedOut)
        return;
    if (ret != platform::Platform::IdleWait::Idle)
        return finish(0, true);
    searching_ = true;
    timer_.start(kWindowSearchIntervalMs);
}

void ProgramStart::searchRound() {
    if (stop_ && stop_())
        return abandon();
    const quint64 dwIDOrigin = quint64(process_);
    quint64 slot = dwIDOrigin;
    p_.enumTopWindows([&](quint64 w) { return EnumTopWindow(p_, w, &slot); });
    if (slot != dwIDOrigin)
        return finish(slot, false);
    // A program that has ended shows no window any more.
    if (++WaitCount >= rounds_ || !p_.processRunning(process_))
        finish(0, true);
}

void ProgramStart::finish(quint64 window, bool endProcess) {
    timer_.stop();
    done_ = true;
    window_ = window;
    if (endProcess)
        p_.terminateProcess(process_);
    p_.releaseProcess(process_);
    emit finished(window);
}

bool EnumTopWindow(platform::Platform &platform, quint64 hTopWnd, quint64 *lp) {
    if (quint64(platform.windowProcessId(hTopWnd)) == *lp && !platform.windowHasOwner(hTopWnd) &&
        platform.windowVisible(hTopWnd)) {
        *lp = hTopWnd;
        return false;
    }
    return true;
}
