// Starting the Logo program with a work and placing its window.
#include "mwex/launch.h"
#include "platform/desktop.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

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
        return;
    }

    // A Windows program waits for its layer's preparation, so that the window search is
    // not spent on creating the layer's prefix. Closing the window ends the launch.
    if (!waitForProgramPreparation(F1, line)) {
        v_.AppFLG = 0;
        return;
    }
    const quint64 AppWnd = RunExeFile(platform_, n_.owner, F1, F2, QString(), 5, windowSearchRounds);
    if (AppWnd == 0) {
        ++v_.AppFLG;
        if (v_.AppFLG < 3) {
            QApplication::processEvents();
            SHELLMWEXE(F1, F2);
            v_.AppFLG = 0;
            return;
        }
        v_.AppFLG = 0;
        SetPositionSize(0, 0, 0, v_.XX, v_.YY);
        return;
    }
    SetPositionSize(AppWnd, 0, 0, v_.XX, v_.YY);
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
                   const QString &AParameters, const QString &Verb, int vShow, int searchRounds) {
    // The owner, the default verb and show mode 5 are what the shell call gets on
    // Windows; a started program here always shows its windows itself.
    Q_UNUSED(hWnd);
    Q_UNUSED(Verb);
    Q_UNUSED(vShow);
    quint64 Result = 0;
    const qint64 process =
        platform.startProgram(u'"' + AFile + u'"', u'"' + AParameters + u'"', QString());
    if (process == 0)
        return 0;

    // The pupil's other clicks are served while the program gets ready.
    platform::Platform::IdleWait ret;
    do {
        ret = platform.waitForInputIdle(process, 50);
        QApplication::processEvents();
    } while (ret == platform::Platform::IdleWait::TimedOut);

    if (ret == platform::Platform::IdleWait::Idle) {
        const quint64 dwIDOrigin = quint64(process);
        for (int WaitCount = 0; WaitCount < searchRounds; ++WaitCount) {
            QThread::msleep(kWindowSearchIntervalMs);
            quint64 slot = dwIDOrigin;
            platform.enumTopWindows([&](quint64 w) { return EnumTopWindow(platform, w, &slot); });
            if (slot != dwIDOrigin) {
                Result = slot;
                break;
            }
            // A program that has ended shows no window any more.
            if (!platform.processRunning(process))
                break;
        }
    }
    if (Result == 0)
        platform.terminateProcess(process);
    platform.releaseProcess(process);
    return Result;
}

bool EnumTopWindow(platform::Platform &platform, quint64 hTopWnd, quint64 *lp) {
    if (quint64(platform.windowProcessId(hTopWnd)) == *lp && !platform.windowHasOwner(hTopWnd) &&
        platform.windowVisible(hTopWnd)) {
        *lp = hTopWnd;
        return false;
    }
    return true;
}
