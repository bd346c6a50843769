// Straight chalk lines.
#include "board/tools/linetool.h"
#include "board/timage.h"
#include "board/tools/pens.h"

#include <QLine>
#include <QToolButton>

namespace board {

void LineTool::toggle() {
    s_.PREFLG = !s_.PREFLG;
    showMode();
}

void LineTool::showMode() {
    straight_.setVisible(s_.PREFLG);
    freehand_.setVisible(!s_.PREFLG);
}

void LineTool::activate() {
    showMode();
    previewing_ = false;
    chalk_.clearPreview();
}

BoardTool::Next LineTool::press(const Pointer &p) {
    // The start is taken even by a press that the cut-out's drag then ignores.
    if (s_.PREFLG) {
        s_.preX = p.at.x();
        s_.preY = p.at.y();
    }
    previewing_ = s_.PREFLG && !s_.RFLG && !s_.XYFLG;
    return Next::Continue;
}

BoardTool::Next LineTool::move(const Pointer &p) {
    // Only shown: the release draws the line into the layer.
    if (s_.PREFLG && previewing_ && p.buttons != Qt::NoButton)
        chalk_.setPreview(QLine(s_.Pen.pos, p.at), s_.Pen.color, s_.Pen.width);
    return Next::Continue;
}

BoardTool::Next LineTool::release(const Pointer &p) {
    if (s_.PREFLG) {
        pens_.drawLine(p.at);
        s_.preX = p.at.x();
        s_.preY = p.at.y();
    }
    return Next::Continue;
}

void LineTool::strokeDone() {
    previewing_ = false;
    chalk_.clearPreview();
}

} // namespace board
