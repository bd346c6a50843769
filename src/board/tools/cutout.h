#pragma once
// The cut-out: the picture a selection cuts from the chalk layer, floating above it. The next
// press on the board places it; it is dragged by the pointer, and its menu zooms, rotates and
// mirrors it. A pen button stamps it into the board. While it is dragged (XYFLG) the board
// ignores presses and moves.
#include "board/tools/boardtool.h"

#include <QString>

class QMenu;
class QToolButton;
class TImage;
class TSpinEdit;
namespace platform {
class Platform;
}

namespace board {

class SelectionTool;
class UndoTool;

// The largest cut-out the board makes, in pixels per side and in all; a transform beyond it
// is refused like one below a pixel.
inline constexpr qint64 kMaxCutSide = 32767;
inline constexpr qint64 kMaxCutPixels = qint64(32) << 20;

class CutOutTool : public BoardTool {
public:
    struct Controls {
        QToolButton &cut, &leave, &clear; // the three buttons of the tool's place
        TSpinEdit &zoom, &angle;
        QMenu &menu;
    };
    CutOutTool(BoardState &state, TImage &chalk, TImage &background, TImage &cutOut,
               SelectionTool &selection, UndoTool &undo, platform::Platform &platform,
               Controls controls)
        : s_(state), chalk_(chalk), background_(background), cutOut_(cutOut),
          selection_(selection), undo_(undo), platform_(platform), c_(controls) {}

    // "イメージクリア": no cut-out any more.
    void clear();
    // The board as it looks now, cut-out and chalk included, becomes the frozen picture;
    // false, and nothing done, without a cut-out.
    bool stamp();
    void guardZoomField();

    void cut(qint32 X, qint32 Y);  // HCOPY: RBAK of the chalk layer, X by Y
    void zoom(long double K);      // KAKUDAI
    void turn(long double K);      // KAITEN: degrees, clockwise on screen
    void mirrorLeftRight();        // SAYU
    void mirrorTopBottom();        // JOUGE
    // The menu's six items; each ends the drag that the press opening the menu began.
    void zoomIn();
    void zoomOut();
    void turnRight();
    void turnLeft();
    void menuMirrorLeftRight();
    void menuMirrorTopBottom();

    // Pointer events on the cut-out itself, in its own pixels.
    void cutOutPress(Qt::MouseButton button, QPoint at);
    void cutOutMove(QPoint at);
    void cutOutRelease();

    void activate() override;
    void deactivate() override;
    Next press(const Pointer &p) override;
    Next move(const Pointer &p) override;
    Next release(const Pointer &p) override;

private:
    static bool fits(long double w, long double h);
    void refuse();
    void setPicture(const QImage &picture);
    long double readZoom(long double fallback, const QString &fallbackText);
    long double readAngle();

    BoardState &s_;
    TImage &chalk_;
    TImage &background_;
    TImage &cutOut_;
    SelectionTool &selection_;
    UndoTool &undo_;
    platform::Platform &platform_;
    Controls c_;
};

} // namespace board
