// The cut-out: cut, placed, dragged, zoomed, rotated, mirrored, stamped.
#include "board/tools/cutout.h"
#include "board/screengrab.h"
#include "board/spinedit.h"
#include "board/timage.h"
#include "board/tools/selection.h"
#include "board/tools/undo.h"
#include "board/core/transforms.h"
#include "mwex/core/resize.h"
#include "platform/platform.h"

#include <QMenu>
#include <QToolButton>
#include <cmath>

namespace board {

namespace {
// The zoom right after a cut when the field holds no number.
constexpr long double kZoomAfterCut = 3;
} // namespace

void CutOutTool::activate() {
    s_.XYFLG = false;
    s_.RFLG2 = false;
    cutOut_.hide();
    cutOut_.clearPicture();
    chalk_.setCursor(Qt::ArrowCursor);
    c_.clear.hide();
}

void CutOutTool::deactivate() {
    cutOut_.hide();
    cutOut_.clearPicture();
}

void CutOutTool::clear() {
    chalk_.setCursor(Qt::ArrowCursor);
    s_.RFLG2 = false;
    cutOut_.hide();
    cutOut_.clearPicture();
    c_.cut.show();
    c_.clear.hide();
}

bool CutOutTool::stamp() {
    if (c_.clear.isHidden())
        return false;
    const QRect scr = screenRect();
    s_.R = {0, 0, scr.width(), scr.height()};
    const QRect r(QPoint(s_.R.left, s_.R.top), QPoint(s_.R.right - 1, s_.R.bottom - 1));
    QImage bm;
    grabScreen(r, bm);
    undo_.replacing();
    chalk_.setPicture(bm);
    const QImage oldBackground = background_.Picture();
    grabScreen(r, bm);
    background_.setPicture(bm);
    chalk_.update();
    undo_.commit(&oldBackground);
    clear();
    return true;
}

void CutOutTool::guardZoomField() {
    if (c_.zoom.Value() < 1) {
        c_.zoom.setValue(1);
        c_.zoom.setText(QStringLiteral("1"));
    }
}

bool CutOutTool::fits(long double w, long double h) {
    // Written so that a NaN fails every comparison and is refused too.
    return w >= 1 && h >= 1 && w <= kMaxCutSide && h <= kMaxCutSide && w * h <= kMaxCutPixels;
}

void CutOutTool::refuse() {
    platform_.messageBeep(platform::BeepDefault);
}

void CutOutTool::setPicture(const QImage &picture) {
    cutOut_.setPicture(picture);
}

void CutOutTool::cut(qint32 X, qint32 Y) {
    // An empty rectangle cannot become a picture: nothing is cut, the board beeps.
    if (!fits(X, Y)) {
        refuse();
        return;
    }
    const QImage picture = chalk_.Picture()
                               .copy(QRect(s_.RBAK.left, s_.RBAK.top, X, Y))
                               .convertToFormat(QImage::Format_RGB888);
    cutOut_.hide();
    setPicture(picture);
    chalk_.setCursor(Qt::DragMoveCursor);
    s_.RFLG2 = true;
    c_.cut.hide();
    c_.leave.hide();
    c_.clear.show();
}

void CutOutTool::zoom(long double K) {
    const QImage &pic = cutOut_.Picture();
    if (pic.isNull())
        return;
    const long double w = std::trunc(K * pic.width());
    const long double h = std::trunc(K * pic.height());
    // Below one pixel, or too large to hold: the picture stays as it is.
    if (!fits(w, h)) {
        refuse();
        return;
    }
    s_.KESU = 1;
    setPicture(BitmapResize_Bilinear(pic, int(w), int(h)));
}

void CutOutTool::turn(long double K) {
    const QImage &pic = cutOut_.Picture();
    if (pic.isNull())
        return;
    if (!std::isfinite(K)) {
        refuse();
        return;
    }
    const RotatedBox box = rotatedBox(pic.width(), pic.height(), double(K));
    if (!fits(box.width, box.height)) {
        refuse();
        return;
    }
    s_.KESU = 1;
    setPicture(rotated(pic, double(K)));
}

void CutOutTool::mirrorLeftRight() {
    if (!cutOut_.Picture().isNull())
        setPicture(mirroredLeftRight(cutOut_.Picture()));
}

void CutOutTool::mirrorTopBottom() {
    if (!cutOut_.Picture().isNull())
        setPicture(mirroredTopBottom(cutOut_.Picture()));
}

long double CutOutTool::readZoom(long double fallback, const QString &fallbackText) {
    bool ok = false;
    const double v = c_.zoom.Text().trimmed().toDouble(&ok);
    if (!ok) {
        c_.zoom.setText(fallbackText);
        return fallback;
    }
    if (!(v >= 1)) {
        c_.zoom.setValue(1);
        c_.zoom.setText(QStringLiteral("1"));
        return 1;
    }
    return v;
}

long double CutOutTool::readAngle() {
    bool ok = false;
    const double v = c_.angle.Text().trimmed().toDouble(&ok);
    if (!ok) {
        c_.angle.setText(QStringLiteral("30"));
        return 0;
    }
    return v;
}

void CutOutTool::zoomIn() {
    s_.PPBAI = readZoom(1, QStringLiteral("1"));
    zoom(s_.PPBAI);
    s_.XYFLG = false;
}

void CutOutTool::zoomOut() {
    s_.PPBAI = readZoom(1, QStringLiteral("1"));
    zoom(1 / s_.PPBAI);
    s_.XYFLG = false;
}

void CutOutTool::turnRight() {
    cutOut_.setTransparent(true);
    s_.PPKAKU = readAngle();
    turn(s_.PPKAKU);
    s_.XYFLG = false;
}

void CutOutTool::turnLeft() {
    cutOut_.setTransparent(true);
    s_.PPKAKU = readAngle();
    turn(-s_.PPKAKU);
    s_.XYFLG = false;
}

void CutOutTool::menuMirrorLeftRight() {
    mirrorLeftRight();
    s_.XYFLG = false;
}

void CutOutTool::menuMirrorTopBottom() {
    mirrorTopBottom();
    s_.XYFLG = false;
}

void CutOutTool::cutOutPress(Qt::MouseButton button, QPoint at) {
    // The menu opens without waiting, so its action runs after the drag state is set and
    // ends it; a menu closed without a choice leaves the cut-out following the pointer.
    if (button == Qt::RightButton)
        c_.menu.popup(cutOut_.mapToGlobal((QPointF(at) / cutOut_.devicePixelRatioF()).toPoint()));
    s_.XBAK = at.x();
    s_.YBAK = at.y();
    s_.XYFLG = true;
}

void CutOutTool::cutOutMove(QPoint at) {
    if (!s_.XYFLG)
        return;
    const QPoint now = cutOut_.devicePos();
    cutOut_.moveToDevice(QPoint(now.x() - (s_.XBAK - at.x()), now.y() - (s_.YBAK - at.y())));
}

void CutOutTool::cutOutRelease() {
    s_.XYFLG = false;
}

BoardTool::Next CutOutTool::press(const Pointer &p) {
    if (s_.XYFLG)
        return Next::Stop;
    // A cut-out hidden since its cut is placed by the next press, which goes on as chalk.
    if (s_.RFLG2 && cutOut_.isHidden()) {
        cutOut_.moveToDevice(p.at);
        cutOut_.show();
    }
    return Next::Continue;
}

BoardTool::Next CutOutTool::move(const Pointer &) {
    return s_.XYFLG ? Next::Stop : Next::Continue;
}

BoardTool::Next CutOutTool::release(const Pointer &) {
    // The release of a selection cuts and zooms by the zoom field.
    if (!s_.RFLG)
        return Next::Continue;
    selection_.end();
    cut(s_.RRX, s_.RRY);
    if (!s_.RFLG2) {
        // The cut was refused: stay in selection mode for another try.
        chalk_.setCursor(Qt::CrossCursor);
        return Next::Continue;
    }
    bool ok = false;
    const double factor = c_.zoom.Text().trimmed().toDouble(&ok);
    if (ok) {
        s_.PPBAI = factor;
    } else {
        s_.PPBAI = kZoomAfterCut;
        c_.zoom.setText(QStringLiteral("3"));
    }
    zoom(s_.PPBAI);
    s_.RFLG = false;
    return Next::Continue;
}

} // namespace board
