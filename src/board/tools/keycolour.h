#pragma once
// The chalk layer's key colour: the colour of its bitmap's bottom-left pixel, set by painting
// that corner. Strokes of the key colour show the frozen screen instead.
#include "board/tools/boardtool.h"

class TImage;

namespace board {

class UndoTool;

class KeyColour {
public:
    KeyColour(BoardState &state, TImage &chalk, UndoTool &undo)
        : s_(state), chalk_(chalk), undo_(undo) {}

    // A short line in the pen's colour, CSPENS wide, just below the last row: its width
    // covers the bottom-left pixel, whose colour becomes the key at the next repaint.
    void paint();

private:
    BoardState &s_;
    TImage &chalk_;
    UndoTool &undo_;
};

} // namespace board
