// The rubber-band selection of the board.
#include "board/tools/selection.h"
#include "board/timage.h"
#include "board/tools/undo.h"

#include <QToolButton>

namespace board {

void SelectionTool::start() {
    cutOut_.setTransparent(false);
    s_.RFLG = true;
    chalk_.setCursor(Qt::CrossCursor);
    cutButton_.hide();
    leaveButton_.show();
}

void SelectionTool::leave() {
    chalk_.setCursor(Qt::ArrowCursor);
    s_.RFLG = false;
    cutButton_.show();
    leaveButton_.hide();
}

void SelectionTool::activate() {
    s_.RFLG = false;
    s_.FDrag = false;
    cutButton_.show();
    leaveButton_.hide();
}

void SelectionTool::toggleFocusRect() {
    // The outline's pixels: from the rectangle's corner to one short of its far edges.
    undo_.touch(QRect(QPoint(s_.R.left, s_.R.top), QPoint(s_.R.right - 1, s_.R.bottom - 1)));
    undo_.drawn(xorFocusRect(chalk_.Bitmap(), s_.R));
}

BoardTool::Next SelectionTool::press(const Pointer &p) {
    // With a cut-out on the board a press places it instead (cutout.h).
    if (s_.RFLG2 || !s_.RFLG)
        return Next::Continue;
    // Opaque until the release, so that eraser strokes show as silver.
    chalk_.setTransparent(false);
    s_.DownPt = p.at;
    s_.FDrag = true;
    s_.R = {p.at.x(), p.at.y(), p.at.x(), p.at.y()};
    toggleFocusRect();
    return Next::Continue;
}

BoardTool::Next SelectionTool::move(const Pointer &p) {
    if (!s_.RFLG)
        return Next::Continue;
    // No chalk while selection mode is on.
    if (s_.FDrag) {
        toggleFocusRect();
        const int X = p.at.x(), Y = p.at.y();
        s_.R = {MIN(s_.DownPt.x(), X), MIN(s_.DownPt.y(), Y), MAX(s_.DownPt.x(), X),
                MAX(s_.DownPt.y(), Y)};
        s_.RBAK = s_.R;
        s_.RRX = s_.R.right - s_.R.left;
        s_.RRY = s_.R.bottom - s_.R.top;
        toggleFocusRect();
    }
    return Next::Stop;
}

BoardTool::Next SelectionTool::release(const Pointer &) {
    // The rubber band goes before a straight line is drawn, so that inverting it again
    // cannot leave dots on the line.
    if (s_.RFLG && s_.FDrag) {
        toggleFocusRect();
        s_.R = {};
    }
    return Next::Continue;
}

void SelectionTool::end() {
    chalk_.setTransparent(true);
    s_.FDrag = false;
    toggleFocusRect();
    s_.R = {};
}

} // namespace board
