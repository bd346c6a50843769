// The image control of the board: a picture drawn 1:1 at its top-left corner.
#include "board/timage.h"
#include "board/core/chalk.h"
#include "board/geometry.h"
#include "platform/platform.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <cmath>

namespace {
// The largest band of composed rows painted at once.
constexpr int kComposeBandBytes = 1 << 20;
} // namespace

namespace board {
void paintPhysical(QPainter &p, QPoint offset, const QImage &picture, const QRect &source) {
    const QRect src = source.intersected(picture.rect());
    if (src.isEmpty())
        return;
    p.save();
    // Undo the painter's scaling: draw in the physical pixels of whatever is painted on
    // (the window, or a picture of the widget), from the pixel the widget's corner lands on.
    const QTransform toDevice = p.deviceTransform();
    const QPointF corner = toDevice.map(QPointF(0, 0));
    const QPoint base(int(std::lround(corner.x())), int(std::lround(corner.y())));
    p.setWorldTransform(toDevice.inverted());
    p.drawImage(base + offset + src.topLeft(), picture, src);
    p.restore();
}

QRect physicalCover(const QWidget *w, const QRect &r) {
    // One pixel more on each side: the widget's corner may fall between physical pixels.
    return toPhysicalCover(r, w->devicePixelRatioF()).adjusted(-1, -1, 1, 1);
}

QPoint physicalPoint(const QWidget *w, const QPointF &inWindow) {
    const qreal ratio = w->devicePixelRatioF();
    return QPoint(int(std::lround(inWindow.x() * ratio)), int(std::lround(inWindow.y() * ratio)));
}
} // namespace board

TImage::TImage(const QString &name, QWidget *parent) : QWidget(parent) {
    setObjectName(name);
}

QPoint TImage::devicePos() const {
    if (placedOnDevice_)
        return devicePos_;
    return board::physicalPoint(this, QPointF(mapTo(window(), QPoint(0, 0))));
}

void TImage::moveToDevice(QPoint at) {
    devicePos_ = at;
    placedOnDevice_ = true;
    fitToPicture();
    update();
}

void TImage::fitToPicture() {
    const qreal k = ratio();
    if (!placedOnDevice_) {
        if (autoSize_)
            resize(int(std::ceil(picture_.width() / k)), int(std::ceil(picture_.height() / k)));
        return;
    }
    // The scaled rectangle that covers the picture's physical pixels.
    const QRect cover = board::toScaledCover(QRect(devicePos_, picture_.size().expandedTo({1, 1})), k);
    const QPoint parentInWindow =
        parentWidget() ? parentWidget()->mapTo(window(), QPoint(0, 0)) : QPoint(0, 0);
    setGeometry(cover.translated(-parentInWindow));
}

QPoint TImage::pictureOffset() const {
    // Where the picture's corner lies from the widget's own corner, in physical pixels.
    return devicePos() - board::physicalPoint(this, QPointF(mapTo(window(), QPoint(0, 0))));
}

void TImage::updatePicture(const QRect &r) {
    if (r.isEmpty())
        return;
    update(board::toScaledCover(r.translated(pictureOffset()), ratio()).adjusted(-1, -1, 1, 1));
}

QPoint TImage::toPicture(const QPointF &inWindow) const {
    return board::physicalPoint(this, inWindow) - devicePos();
}

void TImage::setPicture(const QImage &picture) {
    picture_ = (format_ != QImage::Format_Invalid && picture.format() != format_)
                   ? picture.convertToFormat(format_)
                   : picture;
    // Nothing of the old picture is held on: its memory may take the next grab.
    display_ = QImage();
    displayValid_ = false;
    fitToPicture();
    update();
}

void TImage::clearPicture() {
    setPicture(QImage());
}

void TImage::changed(const QRect &r) {
    displayValid_ = false;
    if (backdrop_ && transparent_ && board::keyColour(picture_) != paintedKey_)
        update();
    else if (!r.isEmpty())
        updatePicture(r);
}

void TImage::setTransparent(bool on) {
    if (on == transparent_)
        return;
    transparent_ = on;
    displayValid_ = false;
    update();
}

void TImage::setBackdrop(TImage *under) {
    backdrop_ = under;
    setAttribute(Qt::WA_OpaquePaintEvent, under != nullptr);
}

QRect TImage::previewBounds() const {
    if (previewWidth_ <= 0)
        return {};
    const int m = previewWidth_ / 2 + 2;
    return QRect(preview_.p1(), preview_.p2()).normalized().adjusted(-m, -m, m, m);
}

void TImage::setPreview(QLine line, QRgb colour, int width) {
    const QRect old = previewBounds();
    preview_ = line;
    previewColour_ = colour;
    previewWidth_ = width < 1 ? 1 : width;
    updatePicture(old | previewBounds());
}

void TImage::clearPreview() {
    const QRect old = previewBounds();
    previewWidth_ = 0;
    if (!old.isEmpty())
        updatePicture(old);
}

void TImage::paintEvent(QPaintEvent *e) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    const QPoint origin = pictureOffset();
    // Each scaled rectangle to repaint as the picture's physical pixels it covers.
    QList<QRect> parts;
    for (const QRect &r : e->region())
        parts.append(board::physicalCover(this, r).translated(-origin).intersected(picture_.rect()));
    if (backdrop_) {
        const QImage &under = backdrop_->Picture();
        const bool keyed = transparent_ && under.size() == picture_.size();
        if (!keyed) {
            for (const QRect &r : parts)
                board::paintPhysical(p, origin, picture_, r);
        } else {
            paintedKey_ = board::keyColour(picture_);
            for (const QRect &r : parts) {
                if (r.isEmpty())
                    continue;
                // Composed a band of rows at a time, so that no second screen-sized
                // picture is held (32 MiB at 3840 x 2160).
                const int rows = qBound(1, kComposeBandBytes / (4 * r.width()), r.height());
                if (band_.width() < r.width() || band_.height() < rows)
                    band_ = QImage(QSize(r.width(), rows).expandedTo(band_.size()),
                                   QImage::Format_RGB32);
                for (int y = r.top(); y <= r.bottom(); y += rows) {
                    const int n = qMin(rows, r.bottom() - y + 1);
                    for (int i = 0; i < n; ++i)
                        board::keyedSelect(
                            reinterpret_cast<const QRgb *>(picture_.constScanLine(y + i)) + r.left(),
                            reinterpret_cast<const QRgb *>(under.constScanLine(y + i)) + r.left(),
                            reinterpret_cast<QRgb *>(band_.scanLine(i)), r.width(), paintedKey_);
                    board::paintPhysical(p, origin + QPoint(r.left(), y), band_,
                                         QRect(0, 0, r.width(), n));
                }
            }
        }
    } else {
        if (!displayValid_) {
            display_ = transparent_ ? board::keyedToAlpha(picture_)
                                    : picture_.convertToFormat(QImage::Format_RGB32);
            displayValid_ = true;
        }
        for (const QRect &r : parts)
            board::paintPhysical(p, origin, display_, r);
    }
    if (previewWidth_ > 0) {
        const QTransform toDevice = p.deviceTransform();
        const QPointF corner = toDevice.map(QPointF(0, 0));
        p.setWorldTransform(toDevice.inverted());
        p.translate(QPoint(int(std::lround(corner.x())), int(std::lround(corner.y()))) + origin);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor::fromRgb(previewColour_), previewWidth_, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawLine(preview_);
    }
}

QPoint TImage::toPicture(QMouseEvent *e) const {
    // From the event's own place in the window, not from the desktop's: the toolkit may
    // take the window's place on the desktop to be on another monitor.
    const QPointF inWindow = mapTo(window(), e->position());
    const QPoint rounded = board::physicalPoint(this, inWindow);
    // At a scale the toolkit's place is rounded to whole scaled pixels; the window system's
    // own event tells the physical pixel. Taken when it agrees with the event (an event
    // made up by a program, not the pointer, keeps its own place).
    QPoint exact;
    const qreal k = ratio();
    if (platform_ && k != 1.0 &&
        platform_->pointerInWindow(window()->winId(), e->timestamp(), rounded, &exact) &&
        (exact - rounded).manhattanLength() <= int(std::ceil(k)))
        return exact - devicePos();
    return rounded - devicePos();
}

void TImage::mousePressEvent(QMouseEvent *e) {
    const QPoint pos = toPicture(e);
    emit mouseDown(e->button(), pos.x(), pos.y());
}

void TImage::mouseMoveEvent(QMouseEvent *e) {
    const QPoint pos = toPicture(e);
    emit mouseMove(e->buttons(), pos.x(), pos.y());
}

void TImage::mouseReleaseEvent(QMouseEvent *e) {
    const QPoint pos = toPicture(e);
    emit mouseUp(e->button(), pos.x(), pos.y());
}
