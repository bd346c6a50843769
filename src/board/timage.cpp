// The image control of the board: a picture drawn 1:1 at its top-left corner.
#include "board/timage.h"
#include "board/chalk.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

TImage::TImage(const QString &name, QWidget *parent) : QWidget(parent) {
    setObjectName(name);
}

void TImage::setPicture(const QImage &picture) {
    picture_ = (format_ != QImage::Format_Invalid && picture.format() != format_)
                   ? picture.convertToFormat(format_)
                   : picture;
    displayValid_ = false;
    if (autoSize_)
        resize(picture_.size());
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
        update(r);
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
    update(old | previewBounds());
}

void TImage::clearPreview() {
    const QRect old = previewBounds();
    previewWidth_ = 0;
    if (!old.isEmpty())
        update(old);
}

void TImage::paintEvent(QPaintEvent *e) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    if (backdrop_) {
        const QImage &under = backdrop_->Picture();
        const bool keyed = transparent_ && under.size() == picture_.size();
        if (!keyed) {
            for (const QRect &r : e->region())
                p.drawImage(r.topLeft(), picture_, r);
        } else {
            if (frame_.size() != picture_.size())
                frame_ = QImage(picture_.size(), QImage::Format_RGB32);
            paintedKey_ = board::keyColour(picture_);
            for (const QRect &r : e->region()) {
                board::composeLayers(picture_, under, frame_, r, true);
                p.drawImage(r.topLeft(), frame_, r);
            }
        }
    } else {
        if (!displayValid_) {
            display_ = transparent_ ? board::keyedToAlpha(picture_)
                                    : picture_.convertToFormat(QImage::Format_RGB32);
            displayValid_ = true;
        }
        for (const QRect &r : e->region())
            p.drawImage(r.topLeft(), display_, r);
    }
    if (previewWidth_ > 0 && e->rect().intersects(previewBounds())) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor::fromRgb(previewColour_), previewWidth_, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawLine(preview_);
    }
}

void TImage::mousePressEvent(QMouseEvent *e) {
    const QPoint pos = e->position().toPoint();
    emit mouseDown(e->button(), pos.x(), pos.y());
}

void TImage::mouseMoveEvent(QMouseEvent *e) {
    const QPoint pos = e->position().toPoint();
    emit mouseMove(e->buttons(), pos.x(), pos.y());
}

void TImage::mouseReleaseEvent(QMouseEvent *e) {
    const QPoint pos = e->position().toPoint();
    emit mouseUp(e->button(), pos.x(), pos.y());
}
