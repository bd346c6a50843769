// The eraser and the wipe of all chalk.
#include "board/tools/eraser.h"
#include "board/timage.h"
#include "board/tools/pens.h"
#include "board/tools/undo.h"

namespace board {

namespace {
// Four times the thickness, in the key colour; the corner is repainted silver first.
constexpr qint32 kEraserFactor = 4;
constexpr PenRow kEraser{kEraserFactor, false, KeyStroke::Silver, Silver};
// After a wipe the board draws as freshly shown: red, the key silver.
constexpr PenRow kAfterWipe{1, false, KeyStroke::Silver, Red};
} // namespace

void EraserTool::choose() {
    pens_.choose(kEraser);
}

void EraserTool::wipe() {
    undo_.replacing();
    chalk_.setPicture(background_.Picture());
    pens_.choose(kAfterWipe);
}

} // namespace board
