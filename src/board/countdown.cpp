// The countdown shown in a corner before a delayed capture.
#include "board/countdown.h"
#include "board/geometry.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace board {

namespace {
constexpr int kMargin = 16;
constexpr QSize kSize(150, 110);
} // namespace

CaptureCountdown::CaptureCountdown(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("captureCountdown"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kSize);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 140, 0));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    number_ = new QLabel(this);
    number_->setObjectName(QStringLiteral("countdownNumber"));
    number_->setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(80);
    f.setBold(true);
    number_->setFont(f);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(number_);
    tick_ = new QTimer(this);
    tick_->setInterval(TickMs);
    connect(tick_, &QTimer::timeout, this,
            [this] { showRemaining(int(deadline_.remainingTime())); });
}

void CaptureCountdown::placeInCorner() {
    // The bottom-right corner: the Logo program and the main window stand at the top left.
    const QRect area = board::availableScreenRect();
    move(area.right() + 1 - width() - kMargin, area.bottom() + 1 - height() - kMargin);
}

void CaptureCountdown::start(int ms) {
    deadline_ = QDeadlineTimer(ms);
    placeInCorner();
    tick_->start();
    showRemaining(ms);
}

void CaptureCountdown::stop() {
    tick_->stop();
    hide();
}

void CaptureCountdown::showRemaining(int remainingMs) {
    if (remainingMs <= LeaveBeforeGrabMs) {
        stop();
        return;
    }
    number_->setText(QString::number((remainingMs + 999) / 1000));
    if (!isVisible()) {
        show();
        raise();
    }
}

} // namespace board
