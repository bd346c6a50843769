// Chalk and pens: the pen buttons' rows and the freehand chalk.
#include "board/tools/pens.h"
#include "board/spinedit.h"
#include "board/timage.h"
#include "board/tools/keycolour.h"
#include "board/tools/undo.h"

#include <QFrame>
#include <algorithm>

namespace board {

PenTool::PenTool(BoardState &state, TImage &chalk, QFrame &colourPanel, TSpinEdit &thickness,
                 KeyColour &key, UndoTool &undo, std::function<bool()> stampCutOut)
    : s_(state), chalk_(chalk), colourPanel_(colourPanel), thickness_(thickness), key_(key),
      undo_(undo), stampCutOut_(std::move(stampCutOut)) {}

void PenTool::choose(const PenRow &row) {
    // The width factor changes even when the click only stamps the cut-out.
    if (row.kesu != 0)
        s_.KESU = row.kesu;
    if (row.stamps && stampCutOut_ && stampCutOut_())
        return;
    apply(row);
    undo_.commit();
}

void PenTool::apply(const PenRow &row) {
    s_.CSPENS = kKeyPenWidth;
    s_.Pen.width = kKeyPenWidth;
    if (row.kesu != 0)
        s_.KESU = row.kesu;
    if (row.key == KeyStroke::Silver) {
        s_.Pen.color = Silver;
        showColour();
    }
    if (row.key != KeyStroke::Keep)
        key_.paint();
    if (row.colour)
        s_.Pen.color = *row.colour;
    showColour();
}

void PenTool::showColour() {
    QPalette pal = colourPanel_.palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(s_.Pen.color));
    colourPanel_.setPalette(pal);
}

void PenTool::drawLine(QPoint to) {
    undo_.touch(s_.Pen.reach(chalk_.Picture(), to));
    undo_.drawn(s_.Pen.lineTo(chalk_.Bitmap(), to));
}

BoardTool::Next PenTool::press(const Pointer &) {
    chalk_.setCursor(Qt::ArrowCursor);
    return Next::Continue;
}

BoardTool::Next PenTool::move(const Pointer &p) {
    const QPoint anchor(s_.preX, s_.preY);
    if (p.buttons & Qt::LeftButton) {
        // The text is used as typed; widths beyond any screen are held at a size the
        // arithmetic of a line can take.
        s_.Pen.width =
            int(std::clamp<qint64>(qint64(thickness_.Value()) * s_.KESU, 0, kMaxPenWidth));
        s_.Pen.moveTo(anchor);
        if (!s_.PREFLG)
            drawLine(p.at);
    } else {
        s_.Pen.moveTo(anchor);
    }
    // Freehand: the anchor follows the pointer. Straight lines keep it where they start.
    if (!s_.PREFLG) {
        s_.preX = p.at.x();
        s_.preY = p.at.y();
    }
    return Next::Continue;
}

} // namespace board
