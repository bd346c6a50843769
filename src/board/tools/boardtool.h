#pragma once
// The one interface every tool of the drawing board implements, and the board's state the
// tools share. The board hands each pointer event on its chalk layer to its tools in a fixed
// order per event (see TForm25::buildTools) and otherwise only forwards its handlers.
#include "board/core/chalk.h"
#include "board/geometry.h"

#include <QPoint>

namespace board {

// The board's unit-level state, 0 or false when the program starts. The names are the
// board's own and several tools read each other's flags (the chalk keeps still while a
// selection or a cut-out drag runs), so they live together; each tool writes its own.
struct BoardState {
    // ---- chalk and pens ----
    qint32 KESU = 0;           // chalk width factor: 1, or 4 for the eraser
    qint32 CSPENS = 0;         // width of the key-colour corner stroke
    bool PREFLG = false;       // straight-line mode
    qint32 preX = 0, preY = 0; // the pen's anchor
    ChalkPen Pen;              // the chalk layer's drawing pen

    // ---- selection ----
    bool RFLG = false;  // selection mode
    bool FDrag = false; // a rubber band is being dragged
    QPoint DownPt;
    TRect R;    // the rubber band as drawn now; also the full-screen rectangle of a grab
    TRect RBAK; // the last rubber band; what a cut copies
    qint32 RRX = 0, RRY = 0;

    // ---- the cut-out ----
    bool RFLG2 = false; // a cut-out exists
    bool XYFLG = false; // the cut-out is being dragged
    qint32 XBAK = 0, YBAK = 0;
    long double PPBAI = 0;  // zoom factor last read
    long double PPKAKU = 0; // rotation angle last read
};

// A pointer event on the chalk layer, in board coordinates (the screen's physical pixels).
struct Pointer {
    Qt::MouseButton button = Qt::NoButton;   // the button pressed or released
    Qt::MouseButtons buttons = Qt::NoButton; // the buttons held during a move
    QPoint at;
};

class BoardTool {
public:
    // Whether the tools after this one see the event.
    enum class Next { Continue, Stop };

    virtual ~BoardTool() = default;
    // The board is shown: what a showing resets, the tool resets here.
    virtual void activate() {}
    // The board closes.
    virtual void deactivate() {}
    virtual Next press(const Pointer &) { return Next::Continue; }
    virtual Next move(const Pointer &) { return Next::Continue; }
    virtual Next release(const Pointer &) { return Next::Continue; }
    // The gesture from press to release is over, whether or not its release reached the
    // tools (a release over the toolbar strip does not).
    virtual void strokeDone() {}
};

} // namespace board
