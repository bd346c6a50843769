// The capture window TForm14: the frozen screen under a crosshair, the dragged rectangle.
#include "board/Unit14.h"
#include "app/guard.h"
#include "board/core/picturesave.h"
#include "platform/placetold.h"
#include "platform/aside.h"
#include "board/timage.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>

#include <cmath>

namespace {
// Image1: paints the bitmap 1:1 in physical pixels and hands pointer events to the window's
// handlers, in the same physical pixels.
class CaptureImage : public QWidget {
public:
    CaptureImage(TForm14 *form, platform::Platform &platform)
        : QWidget(form), form_(form), platform_(platform) {
        setObjectName(QStringLiteral("Image1"));
        setCursor(Qt::CrossCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *e) override {
        QPainter p(this);
        for (const QRect &r : e->region())
            board::paintPhysical(p, QPoint(0, 0), form_->picture(), board::physicalCover(this, r));
    }
    QPoint physical(QMouseEvent *e) const {
        // From the event's place in the window, which the window system gives: the
        // toolkit's idea of where the window lies on the desktop plays no part.
        const QPointF inWindow = mapTo(window(), e->position());
        const QPoint rounded = board::physicalPoint(this, inWindow);
        // The toolkit hands positions rounded to whole scaled pixels, which at a scale
        // misses physical pixels; the window system's own event tells the physical pixel.
        // Taken when it agrees with the event (an event made up by a program, not the
        // pointer, keeps its own position).
        QPoint exact;
        const qreal ratio = devicePixelRatioF();
        if (ratio != 1.0 && platform_.pointerInWindow(window()->winId(), e->timestamp(), rounded, &exact) &&
            (exact - rounded).manhattanLength() <= int(std::ceil(ratio)))
            return exact;
        return rounded;
    }
    void mousePressEvent(QMouseEvent *e) override {
        const QPoint at = physical(e);
        guard::run(platform_, form_, [&] { form_->Image1MouseDown(e->button(), at.x(), at.y()); });
    }
    void mouseMoveEvent(QMouseEvent *e) override {
        const QPoint at = physical(e);
        guard::run(platform_, form_, [&] { form_->Image1MouseMove(at.x(), at.y()); });
    }
    void mouseReleaseEvent(QMouseEvent *e) override {
        const QPoint at = physical(e);
        guard::run(platform_, form_, [&] { form_->Image1MouseUp(e->button(), at.x(), at.y()); });
    }

private:
    TForm14 *form_;
    platform::Platform &platform_;
};

// The size readout in the top-right corner: "幅" and its number box, "高" and its box.
constexpr QSize kReadoutSize{129, 25};
constexpr QSize kNumberBox{45, 18};
constexpr QPoint kWidthCaption{4, 8};
constexpr QPoint kWidthBox{18, 4};
constexpr QPoint kHeightCaption{68, 8};
constexpr QPoint kHeightBox{80, 4};
// A caption's text stands this much above the point it is placed at.
constexpr int kCaptionRaise = 4;

QLabel *whiteBox(QWidget *parent, const char *name, QPoint at) {
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(QRect(at, kNumberBox));
    l->setAutoFillBackground(true);
    l->setAlignment(Qt::AlignCenter);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

QLabel *yellowLabel(QWidget *parent, const char *name, const QString &text, QPoint at) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(at - QPoint(0, kCaptionRaise));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::yellow);
    l->setPalette(pal);
    return l;
}
} // namespace

TForm14::TForm14(platform::Platform &platform, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      platform_(platform) {
    setObjectName(QStringLiteral("Form14"));
    setWindowTitle(QStringLiteral("名前を付けて保存"));
    Image1 = new CaptureImage(this, platform_);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->resize(kReadoutSize);
    Panel1->setAutoFillBackground(true);
    Label1 = yellowLabel(Panel1, "Label1", QStringLiteral("幅"), kWidthCaption);
    Panel2 = whiteBox(Panel1, "Panel2", kWidthBox);
    Label2 = yellowLabel(Panel1, "Label2", QStringLiteral("高"), kHeightCaption);
    Panel3 = whiteBox(Panel1, "Panel3", kHeightBox);
    setReadoutColour(false);

}

TForm14::~TForm14() {
    delete SavePictureDialog1;
}

QFileDialog *TForm14::savePictureDialog() {
    if (SavePictureDialog1)
        return SavePictureDialog1;
    // Made on first use, in the folder it is to show: a file dialog starts watching the
    // folder it is made in, and the process's current folder may be anything. It has no
    // parent window: the capture window is off the screen while it shows, and a window
    // manager keeps the dialogs of a hidden or minimised window out of sight as well.
    SavePictureDialog1 = new QFileDialog(nullptr, QString(), platform::toHost(initialFolder_));
    SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));
    // Qt's own dialog: the same on every desktop, and reachable from tests.
    SavePictureDialog1->setOption(QFileDialog::DontUseNativeDialog);
    SavePictureDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SavePictureDialog1->setFileMode(QFileDialog::AnyFile);
    SavePictureDialog1->setDefaultSuffix(QStringLiteral("jpg"));
    SavePictureDialog1->setNameFilters({QStringLiteral("JPEG (*.jpg *.jpeg)"),
                                        QStringLiteral("BMP (*.bmp)"),
                                        QStringLiteral("全て(*.*) (*)")});
    SavePictureDialog1->setSizeGripEnabled(true);
    return SavePictureDialog1;
}

void TForm14::setPicture(const QImage &image) {
    picture_ = image.convertToFormat(QImage::Format_RGB888);
    picture_.setDevicePixelRatio(1);
    // Scaled pixels that cover every physical pixel of the picture.
    Image1->setGeometry(board::toScaledCover(picture_.rect(), Image1->devicePixelRatioF()));
    Image1->update();
}

void TForm14::showEvent(QShowEvent *e) {
    QDialog::showEvent(e);
    platform::tellPlaceAfterShowing(this, platform_);
    // Only a real showing; the window system's own show after a minimize is none.
    if (!e->spontaneous())
        guard::run(platform_, this, [this] { FormShow(); });
}

void TForm14::FormShow() {
    platform_.messageBeep(platform::BeepAsterisk);
    setReadoutColour(false);
    raise(); // the window is made to stay on top at creation
}

void TForm14::setReadoutColour(bool blue) {
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, blue ? QColor(0, 0, 255) : QColor(255, 0, 0));
    Panel1->setPalette(pal);
    Panel1->setProperty("readoutBlue", blue);
}

void TForm14::invalidate(const TRect &r) {
    Image1->update(board::toScaledCover(QRect(r.left, r.top, r.width() + 1, r.height() + 1),
                                        Image1->devicePixelRatioF()));
}

QPoint TForm14::onPicture(int X, int Y) const {
    // The pointer may leave the window while it drags (onto another monitor): the
    // selection stops at the picture's edge, so only pixels that were shown are saved.
    return QPoint(qBound(0, X, picture_.width()), qBound(0, Y, picture_.height()));
}

void TForm14::Image1MouseDown(Qt::MouseButton Button, int X, int Y) {
    if (Button == Qt::RightButton) {
        done(1);
        return;
    }
    board::xorFocusRect(picture_, R);
    invalidate(R);
    DownPt = onPicture(X, Y);
    FDrag = true;
    R = TRect{DownPt.x(), DownPt.y(), DownPt.x(), DownPt.y()};
    board::xorFocusRect(picture_, R);
    invalidate(R);
}

void TForm14::Image1MouseMove(int X, int Y) {
    if (!FDrag)
        return;
    const QPoint at = onPicture(X, Y);
    X = at.x();
    Y = at.y();
    board::xorFocusRect(picture_, R);
    invalidate(R);
    R = TRect{MIN(DownPt.x(), X), MIN(DownPt.y(), Y), MAX(DownPt.x(), X), MAX(DownPt.y(), Y)};
    Panel2->setText(QString::number(R.width()));
    Panel3->setText(QString::number(R.height()));
    setReadoutColour(nearSixteenNine(R.width(), R.height()));
    board::xorFocusRect(picture_, R);
    invalidate(R);
}

void TForm14::Image1MouseUp(Qt::MouseButton, int, int) {
    FDrag = false;
    board::xorFocusRect(picture_, R);
    invalidate(R);
    HCOPY();
    R = TRect{};
    done(1);
}

void TForm14::HCOPY() {
    const QImage bitmap = picture_.copy(R.left, R.top, R.width(), R.height())
                              .convertToFormat(QImage::Format_RGB888);
    if (R.width() <= 0 || R.height() <= 0) {
        // Nothing selected: the clipboard keeps the whole screen put there before.
        hide();
        return;
    }
    QApplication::clipboard()->setImage(bitmap);
    // Off the screen, so that the save dialog shows over the real desktop. Hidden rather
    // than minimised: a window manager may refuse to minimise a window without a frame,
    // and this one stays on top of every other.
    hide();
    platform_.messageBeep(platform::BeepAsterisk);
    QFileDialog *dialog = savePictureDialog();
    if (initialFolder_.isEmpty() && pupilFolder)
        initialFolder_ = pupilFolder();
    dialog->setDirectory(platform::toHost(initialFolder_));
    dialog->selectNameFilter(dialog->nameFilters().constFirst());
    if (!lastName_.isEmpty())
        dialog->selectFile(lastName_);
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty())
        return;
    const QString F = platform::fromHost(chosen.constFirst());
    lastName_ = QFileInfo(chosen.constFirst()).fileName();
    initialFolder_ = openWorkFolder ? openWorkFolder() : QString();
    // Never the file system's root for a bare name: the pupil's own folder.
    if (initialFolder_.isEmpty() && pupilFolder)
        initialFolder_ = pupilFolder();
    QString error;
    // A picture of a large screen takes a while to encode and sync: on a thread of its own,
    // the notice following once the file is in place.
    bool saved = false;
    platform::runAside([&] { saved = savePictureFile(bitmap, F, &error); });
    if (!saved) {
        platform_.errorBox(nullptr, error);
        return;
    }
    const QString ext = platform::extractFileExt(F).toLower();
    const bool written = ext == QLatin1String(".bmp") || ext == QLatin1String(".jpg") ||
                         ext == QLatin1String(".jpeg");
    if (written && notice)
        notice(platform::extractFileName(F) + QStringLiteral(" をほぞんしました。"),
               platform::extractFilePath(F));
}
