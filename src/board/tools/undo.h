#pragma once
// Undo and redo of the board: every change of the chalk layer's pixels is one step (a
// stroke from press to release, a straight line, a wipe, a stamp with the background, a
// change of the key colour's corner). Opening the board starts a fresh history.
#include "board/core/history.h"
#include "board/tools/boardtool.h"

class QToolButton;
class TImage;

namespace board {

class UndoTool : public BoardTool {
public:
    UndoTool(BoardState &state, TImage &chalk, TImage &background, QToolButton &button)
        : s_(state), chalk_(chalk), background_(background), button_(button) {}

    // Part of the chalk layer that a tool is about to change: kept for the step. Called
    // before the pixels change.
    void touch(const QRect &r);
    // The chalk layer is about to be replaced whole (setPicture): kept for the step.
    void replacing();
    // Part of the chalk layer that a tool drew into (touched before): repainted.
    void drawn(const QRect &r);
    // Ends the step under way; with `oldBackground`, the background changed too.
    void commit(const QImage *oldBackground = nullptr);
    void undo() { takeStep(true); }
    void redo() { takeStep(false); }
    const History &history() const { return history_; }

    void activate() override;
    // A stroke whose release was not seen on the board ends at the next press.
    Next press(const Pointer &) override;
    void strokeDone() override { commit(); }

private:
    void takeStep(bool back);
    void showState();

    BoardState &s_;
    TImage &chalk_;
    TImage &background_;
    QToolButton &button_;
    History history_;
};

} // namespace board
