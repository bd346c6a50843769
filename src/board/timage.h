#pragma once
// An image control of the board: a picture drawn 1:1 in physical pixels (whatever the
// desktop's scale) at the control's corner, optionally colour-keyed (pixels of the colour of the picture's bottom-left pixel are not
// painted). The chalk layer composes itself over the background layer's picture, so one
// opaque paint covers both; only the dirty part is composed, row by row.
#include <QImage>
#include <QLine>
#include <QWidget>

class QMouseEvent;
class QPainter;
namespace platform {
class Platform;
}

class TImage : public QWidget {
    Q_OBJECT
public:
    TImage(const QString &name, QWidget *parent);

    const QImage &Picture() const { return picture_; }
    // Draw into it, then call changed() with what was touched.
    QImage &Bitmap() { return picture_; }
    // Replaces the picture. With a backdrop (the chalk layer) or as a backdrop (the
    // background) it is kept as RGB32, otherwise as given.
    void setPicture(const QImage &picture);
    void clearPicture();
    // Marks `r` of the picture as changed and schedules its repaint; the whole control
    // when the key colour changed since the last paint.
    void changed(const QRect &r);

    bool Transparent() const { return transparent_; }
    void setTransparent(bool on);
    // The control sizes itself to its picture.
    void setAutoSize(bool on) { autoSize_ = on; }
    // Puts the picture's top-left pixel at the physical pixel `at` of the window (the
    // control itself can only stand on scaled pixels); devicePos() tells where it is.
    void moveToDevice(QPoint at);
    QPoint devicePos() const;
    // The layer this one is shown over when keyed (the chalk layer over the background).
    void setBackdrop(TImage *under);
    void setPictureFormat(QImage::Format f) { format_ = f; }
    // A line shown over the picture without being drawn into it: the straight line while it
    // is dragged. Solid, in the pen's colour and width, without smoothing like the chalk.
    void setPreview(QLine line, QRgb colour, int width);
    void clearPreview();
    bool hasPreview() const { return previewWidth_ > 0; }

    // Pointer events and the picture are in the picture's physical pixels. The toolkit hands
    // pointer places rounded to whole scaled pixels; with the platform the window system's
    // own physical pixel is taken.
    void setPointerSource(platform::Platform *platform) { platform_ = platform; }
signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void mouseMove(Qt::MouseButtons buttons, int x, int y);
    void mouseUp(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    QRect previewBounds() const;
    qreal ratio() const { return devicePixelRatioF(); }
    // Schedules the repaint of `r`, in the picture's pixels.
    void updatePicture(const QRect &r);
    QPoint pictureOffset() const;
    void fitToPicture();
    QPoint toPicture(const QPointF &inWindow) const;
    QPoint toPicture(QMouseEvent *e) const;

    QImage picture_;
    QImage band_;    // a few rows of chalk composed over the background, ready to paint
    QImage display_; // the picture ready to paint, for a control without backdrop
    bool displayValid_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
    QRgb paintedKey_ = 0;
    TImage *backdrop_ = nullptr;
    QLine preview_;
    QRgb previewColour_ = 0;
    int previewWidth_ = 0; // 0: no preview
    QImage::Format format_ = QImage::Format_Invalid;
    QPoint devicePos_;
    bool placedOnDevice_ = false;
    platform::Platform *platform_ = nullptr;
};

namespace board {
// Draws `source` of `picture` with the picture's top-left pixel `offset` physical pixels
// from the painted widget's corner: no scaling, so every physical pixel stays itself.
void paintPhysical(QPainter &p, QPoint offset, const QImage &picture, const QRect &source);
// The physical pixels from the widget's corner that its scaled rectangle `r` covers.
QRect physicalCover(const QWidget *w, const QRect &r);
// A pointer position (scaled, in the window) as the window's physical pixel under it.
QPoint physicalPoint(const QWidget *w, const QPointF &inWindow);
} // namespace board
