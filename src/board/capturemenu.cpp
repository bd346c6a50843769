// The board's capture menu: the board steps aside, and after the chosen delay the screen is
// frozen once more into the capture window.
#include "app/MAIN.h"
#include "board/Unit14.h"
#include "board/Unit25.h"
#include "board/countdown.h"
#include "board/geometry.h"
#include "platform/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace {
// Delays from this long on show a countdown.
constexpr int kCountdownFromMs = TForm25::CaptureAfter5sMs;
// The menu opens this far to the left of the pointer, beside the toolbar.
constexpr int kMenuLeftOfPointer = 120;
// Time the windows under a board that had to be taken off late get to draw themselves.
constexpr int kRedrawAfterLateWithdrawMs = 300;

board::CaptureCountdown *countdownOf(TForm25 *form) {
    auto *c = form->findChild<board::CaptureCountdown *>(QStringLiteral("captureCountdown"));
    return c ? c : new board::CaptureCountdown(form);
}
} // namespace

void TForm25::SpeedButton13Click() {
    const QPoint P = QCursor::pos();
    PopupMenu4->popup(QPoint(P.x() - kMenuLeftOfPointer, P.y()));
}

void TForm25::startDelayedCapture(int milliseconds) {
    // Out of sight but still the modal window: hiding it would end its modal loop. A window
    // manager keeps a strip of a window on the screen wherever it is moved, so the board
    // also leaves the screen at the display's level.
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    move(-width(), y());
    platform_.withdrawWindow(winId());
    // Never before its time: what the pupil arranges in the last moment is in the picture.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(milliseconds);
    Timer1->start();
    if (milliseconds >= kCountdownFromMs)
        countdownOf(this)->start(milliseconds);
}

void TForm25::N14Click() { startDelayedCapture(CaptureAtOnceMs); }
void TForm25::N51Click() { startDelayedCapture(CaptureAfter5sMs); }
void TForm25::N101Click() { startDelayedCapture(CaptureAfter15sMs); }
void TForm25::N301Click() { startDelayedCapture(CaptureAfter30sMs); }

void TForm25::Timer1Timer() {
    platform_.messageBeep(platform::BeepAsterisk);
    Timer1->stop();
    countdownOf(this)->stop();
    TForm14 *capture = forms_ && forms_->Form1 ? forms_->Form14 : nullptr;
    if (!capture) {
        close();
        return;
    }
    // Checked, not assumed: whatever put the board back, it is not in the picture.
    if (platform_.windowOnScreen(winId())) {
        platform_.withdrawWindow(winId());
        QEventLoop redraw;
        QTimer::singleShot(kRedrawAfterLateWithdrawMs, &redraw, &QEventLoop::quit);
        redraw.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The capture window is not on screen while the picture is taken.
    capture->hide();
    const QRect screen = board::screenRect();
    R = TRect{0, 0, screen.width(), screen.height()};
    QImage bm;
    CaptureRect(screen, bm);
    capture->setPicture(bm);
    QApplication::clipboard()->setImage(capture->picture());
    capture->Image1->update();
    const QRect window = board::screenWindowRect();
    capture->Panel1->move(window.width() - capture->Panel1->width(), 0);
    capture->setGeometry(window);
    // Full screen rather than maximised: a window manager gives a maximised window its work
    // area only, and the picture must lie 1:1 under the pointer.
    capture->setWindowState(Qt::WindowFullScreen);
    capture->exec();
    close();
}
