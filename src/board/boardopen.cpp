// Freezing the screen and opening the drawing board from the main window.
#include "app/MAIN.h"
#include "app/guard.h"
#include "board/Unit25.h"
#include "board/geometry.h"
#include "board/resources.h"
#include "board/screengrab.h"
#include "platform/platform.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

namespace {
// The board opens when the pointer has rested on its button this long, or right after a click.
constexpr int kOpenAfterHoverMs = 1000;
constexpr int kOpenAfterClickMs = 10;
// The pen picture on the board button.
constexpr QSize kPenPicture{36, 36};

// Pointer entering and leaving the board button.
class BoardButtonWatcher : public QObject {
public:
    explicit BoardButtonWatcher(TForm1 *form) : QObject(form), form_(form) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        guard::run(form_->platform(), form_, [&] {
            if (event->type() == QEvent::Enter)
                form_->SpeedButton8MouseEnter();
            else if (event->type() == QEvent::Leave)
                form_->SpeedButton8MouseLeave();
        });
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1 *form_;
};

// Changes a timer the way the form designer's timers behave: a new interval restarts a
// running timer, enabling a running one changes nothing.
void setTimer(QTimer *t, int interval, bool enabled) {
    if (t->interval() != interval)
        t->setInterval(interval);
    if (!enabled)
        t->stop();
    else if (!t->isActive())
        t->start();
}
} // namespace

void TForm1::setupBoardButton() {
    const guard::Guard guarded(platform_, this);
    board::initResources();
    SpeedButton8->setIcon(QIcon(QStringLiteral(":/board/pen.svg")));
    SpeedButton8->setIconSize(kPenPicture);
    SpeedButton8->setCursor(Qt::WaitCursor);
    SpeedButton8->installEventFilter(new BoardButtonWatcher(this));
    connect(SpeedButton8, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton8Click));
    connect(Timer1, &QTimer::timeout, this, guarded(&TForm1::Timer1Timer));
}

void TForm1::prepareBoard() {
    if (forms_ && forms_->Form25)
        forms_->Form25->prepareFirstShowing();
}

void TForm1::prepareBoardAfterFirstPage() {
    // Beside the first page's load, readying the board (the X server copying the screen
    // into fresh memory, pages touched) slowed the page the class waits for by a tenth of
    // a second or more on two cores. A page that takes long does not hold it up for ever,
    // nor does a start-up that loads none. (The load the start-up asked for is not yet
    // under way when it returns.)
    auto *latest = new QTimer(this);
    latest->setSingleShot(true);
    const auto begin = [this, latest] {
        if (!latest->isActive())
            return; // begun already
        latest->stop();
        latest->deleteLater();
        prepareBoard();
    };
    connect(WebBrowser1, &QWebEngineView::loadFinished, latest, begin);
    connect(latest, &QTimer::timeout, this, [this, latest] {
        latest->deleteLater();
        prepareBoard();
    });
    latest->start(kPrepareBoardLatestMs);
}

void TForm1::SpeedButton8MouseEnter() {
    setTimer(Timer1, v_.CFLG == 0 ? kOpenAfterHoverMs : Timer1->interval(), true);
}

void TForm1::SpeedButton8MouseLeave() {
    if (v_.CFLG > 0)
        v_.CFLG = 0;
    else
        Timer1->stop();
}

void TForm1::SpeedButton8Click() {
    v_.CFLG = 1;
    setTimer(Timer1, kOpenAfterClickMs, true);
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    platform_.messageBeep(platform::BeepAsterisk);
    TForm25 *board = forms_ ? forms_->Form25 : nullptr;
    if (!board)
        return;
    const QRect r = board::screenRect();
    // The last showing's pictures are let go first, so that their memory takes the new
    // grabs rather than standing beside them (two screens' worth at 4K).
    board->Image1->clearPicture();
    board->Image2->clearPicture();
    // Two separate grabs, the chalk layer first; nothing is hidden for them.
    QImage bm;
    CaptureRect(r, bm);
    board->Image1->setPicture(bm);
    CaptureRect(r, bm);
    board->Image2->setPicture(bm);
    board->Image1->update();
    board->exec();
}

void TForm1::CaptureRect(const QRect &r, QImage &BM) {
    board::grabScreen(r, BM);
}
