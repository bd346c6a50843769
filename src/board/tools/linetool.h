#pragma once
// Straight lines: in straight-line mode (PREFLG) a press sets the line's start, the drag only
// shows the line over the layer, and the release draws it into the layer with the pen as it
// last was. Two buttons share one place and show the mode.
#include "board/tools/boardtool.h"

class QToolButton;
class TImage;

namespace board {

class PenTool;

class LineTool : public BoardTool {
public:
    LineTool(BoardState &state, TImage &chalk, PenTool &pens, QToolButton &straightButton,
             QToolButton &freehandButton)
        : s_(state), chalk_(chalk), pens_(pens), straight_(straightButton),
          freehand_(freehandButton) {}

    // Straight lines on or off; nothing else changes.
    void toggle();

    void activate() override;
    Next press(const Pointer &p) override;
    Next move(const Pointer &p) override;
    Next release(const Pointer &p) override;
    void strokeDone() override;

private:
    void showMode();

    BoardState &s_;
    TImage &chalk_;
    PenTool &pens_;
    QToolButton &straight_;
    QToolButton &freehand_;
    bool previewing_ = false; // a straight line is being dragged
};

} // namespace board
