// Undo and redo of the board's two bitmaps.
#include "board/tools/undo.h"
#include "board/timage.h"

#include <QToolButton>

namespace board {

void UndoTool::touch(const QRect &r) {
    history_.touch(chalk_.Picture(), r);
}

void UndoTool::replacing() {
    history_.replacing(chalk_.Picture());
}

void UndoTool::drawn(const QRect &r) {
    chalk_.changed(r);
}

void UndoTool::commit(const QImage *oldBackground) {
    // The rubber band is inverted into the layer while a selection is dragged: no step ends
    // inside it.
    if (s_.FDrag)
        return;
    if (history_.pending() || oldBackground) {
        const QImage &bg = background_.Picture();
        history_.commit(chalk_.Picture(), oldBackground, oldBackground ? &bg : nullptr);
    }
    showState();
}

void UndoTool::takeStep(bool back) {
    if (s_.FDrag)
        return;
    commit(); // a stroke still being drawn becomes a step of its own first
    History::Change c;
    const bool ok = back ? history_.undo(chalk_.Bitmap(), background_.Bitmap(), &c)
                         : history_.redo(chalk_.Bitmap(), background_.Bitmap(), &c);
    if (!ok)
        return;
    // The background is only seen through the chalk layer.
    background_.changed(c.background);
    chalk_.changed(c.layer | c.background);
    showState();
}

void UndoTool::activate() {
    history_.reset(chalk_.Picture());
    showState();
}

BoardTool::Next UndoTool::press(const Pointer &) {
    commit();
    return Next::Continue;
}

void UndoTool::showState() {
    button_.setEnabled(history_.undoSteps() > 0);
}

} // namespace board
