#pragma once
// The eraser and the wipe. The eraser is silver chalk four times as thick as the thickness
// field, and since silver is the normal key colour it uncovers the frozen screen; the wipe
// gives the chalk layer the frozen screen back whole. Neither looks for a cut-out.
class TImage;

namespace board {

class PenTool;
class UndoTool;

class EraserTool {
public:
    EraserTool(TImage &chalk, TImage &background, PenTool &pens, UndoTool &undo)
        : chalk_(chalk), background_(background), pens_(pens), undo_(undo) {}

    void choose(); // "グレーの透明色で消す"
    void wipe();   // "再表示"

private:
    TImage &chalk_;
    TImage &background_;
    PenTool &pens_;
    UndoTool &undo_;
};

} // namespace board
