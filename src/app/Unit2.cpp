// The self-closing notice TForm2, with the download progress and its stop button.
#include "app/Unit2.h"
#include "app/guard.h"
#include "app/pictures.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int kHeight = 84;
constexpr int kFirstWidth = 329; // until the first headline sets it
constexpr QRect kPicture{32, 24, 32, 32};
constexpr QPoint kHeadline{80, 24};
constexpr int kHeadlinePixels = 24;
constexpr QPoint kSecondLine{80, 63};
constexpr int kSecondLinePixels = 11;
constexpr int kProgressPixels = 14;
constexpr int kShownMs = 2500;
// The download controls stand in the column that the notice keeps free to the right of its
// headline (RoomBesideHeadline less the headline's left edge).
static_assert(TForm2::RoomBesideHeadline - kHeadline.x() >= 120);
constexpr int kControlsFromRight = 112;
constexpr int kControlsWidth = 100;
constexpr QRect kCancelRow{0, 6, kControlsWidth, 28};
constexpr QRect kProgressRow{0, 38, kControlsWidth, 22};
} // namespace

TForm2::TForm2(QWidget *parent, platform::Platform &platform)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      platform_(platform) {
    const guard::Guard guarded(platform_, this);
    setObjectName(QStringLiteral("Form2"));
    setFixedHeight(kHeight);
    resize(kFirstWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x00, 0x54, 0xE3)); // active caption colour
    setPalette(pal);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kPicture);
    Image1->setPixmap(picture("notice").pixmap(kPicture.size()));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(kHeadline);
    QFont f1(QStringLiteral("ＭＳ ゴシック"));
    f1.setPixelSize(kHeadlinePixels);
    Label1->setFont(f1);
    Label1->setStyleSheet(QStringLiteral("color: yellow"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(kSecondLine);
    QFont f2(QStringLiteral("Tahoma"));
    f2.setPixelSize(kSecondLinePixels);
    Label2->setFont(f2);
    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    LabelProgress->setAlignment(Qt::AlignCenter);
    QFont f3(QStringLiteral("Tahoma"));
    f3.setPixelSize(kProgressPixels);
    f3.setBold(true);
    LabelProgress->setFont(f3);
    LabelProgress->setStyleSheet(QStringLiteral("color: white"));
    LabelProgress->hide();
    ButtonCancel = new QPushButton(QStringLiteral("やめる"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setFocusPolicy(Qt::NoFocus);
    ButtonCancel->hide();
    connect(ButtonCancel, &QPushButton::clicked, this, guarded([this] {
                if (cancel_)
                    cancel_();
            }));
    placeDownloadControls();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kShownMs);
    Timer1->setTimerType(Qt::PreciseTimer); // shown its whole time, never less
    connect(Timer1, &QTimer::timeout, this, guarded(&TForm2::Timer1Timer));
}

void TForm2::showOver(QWidget *over) {
    if (isVisible())
        return;
    if (!placed_ && over) {
        const QRect g = over->frameGeometry();
        corner_ = g.center() - QPoint(width() / 2, height() / 2);
        placed_ = true;
    }
    // Asked for before every showing, so that the window manager places it there.
    if (placed_)
        move(corner_);
    show();
    FormShow();
}

void TForm2::FormShow() {
    if (!pointerHidden_) {
        QApplication::setOverrideCursor(Qt::BlankCursor);
        pointerHidden_ = true;
    }
    Timer1->start();
}

void TForm2::Timer1Timer() {
    Timer1->stop();
    if (pointerHidden_) {
        QApplication::restoreOverrideCursor();
        pointerHidden_ = false;
    }
    // A download still running keeps its notice, now with the pointer back for the button.
    if (downloads_ > 0)
        return;
    hide();
}

void TForm2::beginDownload(std::function<void()> cancel) {
    if (downloads_++ == 0) {
        cancel_ = std::move(cancel);
        LabelProgress->clear();
        LabelProgress->show();
        ButtonCancel->show();
    }
}

void TForm2::setProgressText(const QString &text) {
    if (downloads_ > 0)
        LabelProgress->setText(text);
}

void TForm2::endDownload() {
    if (downloads_ == 0 || --downloads_ > 0)
        return;
    cancel_ = nullptr;
    LabelProgress->hide();
    ButtonCancel->hide();
    // Its 2.5 s are over: the notice only stayed for the download.
    if (isVisible() && !Timer1->isActive())
        hide();
}

void TForm2::placeDownloadControls() {
    const int left = width() - kControlsFromRight;
    ButtonCancel->setGeometry(kCancelRow.translated(left, 0));
    LabelProgress->setGeometry(kProgressRow.translated(left, 0));
}

void TForm2::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    placeDownloadControls();
}
