#pragma once
// The selection: "切り取り" turns selection mode on, and the next drag on the board draws a
// rubber band inverted into the chalk layer; its release cuts (see cutout.h). "選択解除"
// leaves the mode without a cut.
#include "board/tools/boardtool.h"

class QToolButton;
class TImage;

namespace board {

class UndoTool;

class SelectionTool : public BoardTool {
public:
    SelectionTool(BoardState &state, TImage &chalk, TImage &cutOut, UndoTool &undo,
                  QToolButton &cutButton, QToolButton &leaveButton)
        : s_(state), chalk_(chalk), cutOut_(cutOut), undo_(undo), cutButton_(cutButton),
          leaveButton_(leaveButton) {}

    void start(); // "切り取り"
    void leave(); // "選択解除"
    // The selection's release is over: the chalk layer keyed again, no band left in it.
    void end();

    void activate() override;
    Next press(const Pointer &p) override;
    Next move(const Pointer &p) override;
    Next release(const Pointer &p) override;

private:
    void toggleFocusRect();

    BoardState &s_;
    TImage &chalk_;
    TImage &cutOut_;
    UndoTool &undo_;
    QToolButton &cutButton_;
    QToolButton &leaveButton_;
};

} // namespace board
