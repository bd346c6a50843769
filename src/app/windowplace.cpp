// Where the main window stands, and every other window of the program kept above it.
#include "app/MAIN.h"
#include "app/windowplace.h"
#include "platform/desktop.h"

#include <QApplication>
#include <QEvent>
#include <QMoveEvent>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace {
// How long after a size is asked for the frame is watched: a window manager frames a new
// window within a moment of its mapping.
constexpr int kFrameWatchMs = 50;
constexpr int kFrameWatchRounds = 60;

// Every window the program shows over the main window (picker, notices, question boxes,
// board, capture window, save dialog) is put on top of it when it is shown: made its
// transient, which a window manager keeps above it, and raised, which is all a bare X
// server does. A window created before the main window (the picker is) would otherwise
// open under it there: mapping a window does not restack it.
class AboveMain : public QObject {
public:
    explicit AboveMain(TForm1 *main) : QObject(main), main_(main) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            keepAbove(static_cast<QWidget *>(watched));
        return false;
    }

private:
    void keepAbove(QWidget *w) {
        if (w == main_ || !w->isWindow())
            return;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop)
            return;
        QWindow *window = w->windowHandle();
        QWindow *mainWindow = main_->windowHandle();
        if (window && mainWindow && !window->transientParent() && main_->isVisible())
            window->setTransientParent(mainWindow);
        // A question box or the save dialog without a window to stand over opens in the
        // middle of the primary screen, not on the monitor the pointer happens to be on.
        const QWidget *owner = w->parentWidget();
        if ((w->inherits("QMessageBox") || w->inherits("QFileDialog")) &&
            (!owner || !owner->isVisible())) {
            const QRect area = desktop::available();
            const QSize size = w->frameGeometry().size();
            w->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
        }
        w->raise();
    }

    TForm1 *main_;
};
} // namespace

void installAboveMain(TForm1 *main) {
    qApp->installEventFilter(new AboveMain(main));
}

FrameFit::FrameFit(QWidget *window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("frameFit"));
    window->installEventFilter(this);
    watch_ = new QTimer(this);
    watch_->setInterval(kFrameWatchMs);
    connect(watch_, &QTimer::timeout, this, [this] {
        apply();
        if (++rounds_ >= kFrameWatchRounds)
            watch_->stop();
    });
}

FrameFit *FrameFit::of(QWidget *window) {
    auto *f = window->findChild<FrameFit *>(QStringLiteral("frameFit"), Qt::FindDirectChildrenOnly);
    return f ? f : new FrameFit(window);
}

void FrameFit::fit(const QRect &outer) {
    asked_ = outer;
    fitted_ = QMargins(-1, -1, -1, -1);
    apply();
    rounds_ = 0;
    watch_->start();
}

bool FrameFit::eventFilter(QObject *watched, QEvent *event) {
    if (watched == window_ && (event->type() == QEvent::Move || event->type() == QEvent::Show))
        apply();
    return false;
}

void FrameFit::apply() {
    if (!asked_.isValid())
        return;
    QWindow *w = window_->windowHandle();
    QMargins m = w && window_->isVisible() ? w->frameMargins() : QMargins();
    if (m == fitted_)
        return;
    fitted_ = m;
    // The frame is known in scaled pixels rounded from physical ones; at a fractional
    // scale it is taken one scaled pixel wider on each side, so that the whole frame stays
    // inside what was asked for (a physical pixel short rather than one over).
    const qreal ratio = window_->devicePixelRatioF();
    const int pad = (w && m != QMargins() && ratio != std::floor(ratio)) ? 1 : 0;
    m += QMargins(pad, pad, pad, pad);
    window_->resize(qMax(1, asked_.width() - m.left() - m.right()),
                    qMax(1, asked_.height() - m.top() - m.bottom()));
    // Once the frame is known the inside is placed, which every window manager honours the
    // same way (some place a tool bar by its inside whatever the frame's corner asked for);
    // before that, the frame's corner is asked for.
    if (w && window_->isVisible() && m != QMargins())
        w->setPosition(asked_.topLeft() + QPoint(m.left(), m.top()));
    else
        window_->move(asked_.topLeft());
}

void TForm1::setFrameSize(QSize outer) {
    FrameFit::of(this)->fit(QRect(desktop::available().topLeft(), outer));
}

QSize TForm1::frameSizeAskedFor() const {
    auto *f = findChild<FrameFit *>(QStringLiteral("frameFit"), Qt::FindDirectChildrenOnly);
    return f ? f->asked().size() : QSize();
}
