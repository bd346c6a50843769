// The board's capture menu: the board steps aside, and after the chosen delay the screen is
// frozen once more into the capture window.
#include "app/MAIN.h"
#include "board/Unit14.h"
#include "board/Unit25.h"
#include "platform/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace {
QRect wholeScreen() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return QRect(QPoint(0, 0), screen ? screen->geometry().size() : QSize(800, 600));
}
} // namespace

void TForm25::SpeedButton13Click() {
    const QPoint P = QCursor::pos();
    // Opens to the left of the toolbar.
    PopupMenu4->popup(QPoint(P.x() - 120, P.y()));
}

void TForm25::startDelayedCapture(int milliseconds) {
    // Out of sight but still the modal window: hiding it would end its modal loop.
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    move(-width(), y());
    Timer1->setInterval(milliseconds);
    Timer1->start();
}

void TForm25::N14Click() { startDelayedCapture(800); }
void TForm25::N51Click() { startDelayedCapture(5000); }
void TForm25::N101Click() { startDelayedCapture(15000); }
void TForm25::N301Click() { startDelayedCapture(30000); }

void TForm25::Timer1Timer() {
    platform_.messageBeep(platform::BeepAsterisk);
    Timer1->stop();
    TForm14 *capture = forms_ && forms_->Form1 ? forms_->Form14 : nullptr;
    if (!capture) {
        close();
        return;
    }
    // The capture window is not on screen while the picture is taken.
    capture->hide();
    const QRect screen = wholeScreen();
    R = TRect{0, 0, screen.width(), screen.height()};
    QImage bm;
    CaptureRect(screen, bm);
    capture->setPicture(bm);
    QApplication::clipboard()->setImage(capture->picture());
    capture->Image1->update();
    capture->Panel1->move(screen.width() - capture->Panel1->width(), 0);
    capture->setGeometry(screen);
    capture->setWindowState(Qt::WindowMaximized);
    capture->exec();
    close();
}
