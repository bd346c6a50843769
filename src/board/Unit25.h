#pragma once
// The drawing board: the frozen screen with a chalk layer over it, the cut-out, and the
// toolbar at the right edge. Shown modally by the main window; created once, so its
// fields and state persist between showings.
#include "board/geometry.h"
#include "board/core/history.h"
#include "board/spinedit.h"
#include "board/timage.h"
#include "board/tools/boardtool.h"
#include "board/tools/cutout.h"
#include "board/tools/pens.h"

#include <QDialog>
#include <QImage>
#include <memory>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolButton;
struct QumoValues;
struct QumoForms;
namespace platform {
class Platform;
}
namespace board {
class EraserTool;
class KeyColour;
class LineTool;
class SelectionTool;
class UndoTool;
} // namespace board

class TForm25 : public QDialog, public board::BoardState {
    Q_OBJECT
public:
    TForm25(QumoValues &values, platform::Platform &platform, QWidget *parent = nullptr);
    ~TForm25() override;

    void setForms(QumoForms *forms) { forms_ = forms; }
    QumoForms *forms() const { return forms_; }
    QumoValues &values() { return v_; }
    platform::Platform &platform() { return platform_; }

    using TRect = board::TRect;

    // ---- controls ----
    TImage *Image2 = nullptr;             // background: the frozen screen
    TImage *Image1 = nullptr;             // chalk layer: a second frozen copy, chalk drawn into it
    TImage *Image3 = nullptr;             // the cut-out
    QFrame *Panel1 = nullptr;             // toolbar at the right edge
    QFrame *Panel2 = nullptr;             // shows the current chalk colour
    QToolButton *SpeedButton1 = nullptr;  // back to the main window
    QToolButton *SpeedButton2 = nullptr;  // red
    QToolButton *SpeedButton3 = nullptr;  // blue
    QToolButton *SpeedButton4 = nullptr;  // yellow
    QToolButton *SpeedButton5 = nullptr;  // white
    QToolButton *SpeedButton6 = nullptr;  // black
    QToolButton *SpeedButton7 = nullptr;  // wipe all chalk
    QToolButton *SpeedButton8 = nullptr;  // eraser
    QToolButton *SpeedButton9 = nullptr;  // hide the current colour
    QToolButton *SpeedButton10 = nullptr; // cut
    QToolButton *SpeedButton11 = nullptr; // leave selection mode
    QToolButton *SpeedButton12 = nullptr; // clear the cut-out
    QToolButton *SpeedButton13 = nullptr; // capture menu
    QToolButton *SpeedButton14 = nullptr; // straight lines (shown in straight-line mode)
    QToolButton *SpeedButton15 = nullptr; // freehand (shown in freehand mode)
    QToolButton *UndoButton = nullptr;    // takes the last change of the bitmaps back
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    TSpinEdit *SpinEdit1 = nullptr; // zoom factor
    TSpinEdit *SpinEdit2 = nullptr; // rotation angle
    TSpinEdit *SpinEdit3 = nullptr; // chalk thickness
    QLineEdit *Edit1 = nullptr;     // off-screen, holds the keyboard focus
    QMenu *PopupMenu1 = nullptr;    // cut-out transforms
    QAction *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N6 = nullptr, *N4 = nullptr,
            *N5 = nullptr;
    QMenu *PopupMenu4 = nullptr; // capture delays
    QAction *N14 = nullptr, *N51 = nullptr, *N101 = nullptr, *N301 = nullptr;
    QTimer *Timer1 = nullptr; // the delayed capture

    // ---- state of the board ----
    // KESU, CSPENS, PREFLG, preX, preY, Pen, RFLG, RFLG2, FDrag, DownPt, R, RBAK, RRX, RRY,
    // XYFLG, XBAK, YBAK, PPBAI, PPKAKU: board::BoardState, shared by the board's tools.

    // Readies what the first showing would otherwise make while the teacher waits (the
    // buffers of the two grabs), a small part at a time from the event loop; stops when the
    // board shows.
    void prepareFirstShowing();

    // ---- board, chalk and pens ----
    void FormShow();
    void FormClose();
    void Image1MouseDown(Qt::MouseButton Button, int X, int Y);
    void Image1MouseMove(Qt::MouseButtons Shift, int X, int Y);
    void Image1MouseUp(Qt::MouseButton Button, int X, int Y);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton14Click();
    static void CaptureRect(const QRect &r, QImage &BM);

    // ---- undo and redo ----
    // Every change of the chalk layer's pixels is one step: a stroke from press to release,
    // a straight line, a wipe, a stamp (with the background), a change of the key colour's
    // corner. Opening the board starts a fresh history.
    void UndoClick();
    void RedoClick();
    const board::History &history() const;

    // ---- selection and transforms ----
    void SpeedButton10Click();
    void SpeedButton11Click();
    void SpeedButton12Click();
    void SpinEdit1Change();
    void Image3MouseDown(Qt::MouseButton Button, int X, int Y);
    void Image3MouseMove(Qt::MouseButtons Shift, int X, int Y);
    void Image3MouseUp(Qt::MouseButton Button, int X, int Y);
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N5Click();
    void N6Click();
    void HCOPY(qint32 X, qint32 Y);
    void KAKUDAI(long double K);
    void KAITEN(long double K);
    void Rotate(QImage &Source, double Angle);
    void SAYU();
    void JOUGE();
    static qint32 MIN(qint32 X, qint32 Y) { return board::MIN(X, Y); }
    static qint32 MAX(qint32 X, qint32 Y) { return board::MAX(X, Y); }
    // The largest cut-out the board makes, in pixels per side and in all; a transform
    // beyond it is refused like one below a pixel.
    static constexpr qint64 MaxCutSide = board::kMaxCutSide;
    static constexpr qint64 MaxCutPixels = board::kMaxCutPixels;
    // The widest chalk line drawn, far beyond any screen.
    static constexpr qint64 MaxPenWidth = board::kMaxPenWidth;
    // The pen of the colour buttons, and of the stroke that sets the key colour's corner.
    static constexpr qint32 KeyPenWidth = board::kKeyPenWidth;

    // ---- screen capture ----
    // The capture menu's delays: at once (time for the board to leave the screen), then
    // after 5, 15 and 30 seconds.
    static constexpr int CaptureAtOnceMs = 800;
    static constexpr int CaptureAfter5sMs = 5000;
    static constexpr int CaptureAfter15sMs = 15000;
    static constexpr int CaptureAfter30sMs = 30000;
    void SpeedButton13Click();
    void N14Click();
    void N51Click();
    void N101Click();
    void N301Click();
    void Timer1Timer();
    // Moves the board out of sight and starts the capture timer.
    void startDelayedCapture(int milliseconds);

protected:
    void showEvent(QShowEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

public slots:
    void done(int r) override;

private:
    using Step = board::BoardTool::Next (board::BoardTool::*)(const board::Pointer &);
    // One part of prepareFirstShowing(); false once nothing is left.
    bool prepareStep();
    void buildControls();
    void buildLayers();
    void buildToolbar();
    void buildMenus();
    void buildTools();
    void connectHandlers();
    void layoutToolbar();
    int toolbarLeft() const;
    // Hands a pointer event on the chalk layer to `tools` in order, until one stops it.
    static void dispatch(const std::vector<board::BoardTool *> &tools, Step step,
                         const board::Pointer &p);

    QumoValues &v_;
    platform::Platform &platform_;
    QumoForms *forms_ = nullptr;
    QTimer *preparer_ = nullptr; // the parts of prepareFirstShowing()
    int preparedRows_ = 0;       // rows of the backing store's picture touched so far
    bool shownOnce_ = false;

    // The tools, and the order in which each pointer event on the chalk layer reaches them.
    std::unique_ptr<board::UndoTool> undo_;
    std::unique_ptr<board::KeyColour> key_;
    std::unique_ptr<board::PenTool> pens_;
    std::unique_ptr<board::EraserTool> eraser_;
    std::unique_ptr<board::LineTool> line_;
    std::unique_ptr<board::SelectionTool> selection_;
    std::unique_ptr<board::CutOutTool> cutOut_;
    std::unique_ptr<board::BoardTool> strip_; // ends every event over the toolbar strip
    std::vector<board::BoardTool *> all_, pressOrder_, moveOrder_, releaseOrder_;
};
