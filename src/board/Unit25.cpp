// The drawing board TForm25: its controls, chalk, cut-out, transforms and capture.
#include "board/Unit25.h"
#include "app/MAIN.h"
#include "app/guard.h"
#include "board/boardlayout.h"
#include "board/placetold.h"
#include "board/resources.h"
#include "board/screengrab.h"
#include "board/transforms.h"
#include "mwex/resize.h"
#include "platform/platform.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {
constexpr int ToolbarWidth = boardlayout::kToolbarWidth;

QIcon picture(const char *name) {
    return QIcon(QStringLiteral(":/board/%1.svg").arg(QLatin1String(name)));
}

QToolButton *makeButton(QWidget *parent, const char *name, int top, int height, const QString &hint,
                        const char *icon) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(2, top, 46, height);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    if (icon) {
        b->setIcon(picture(icon));
        b->setIconSize(QSize(40, height - 6));
    }
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, int top, const QString &caption) {
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setPixelSize(11);
    l->setFont(f);
    l->setGeometry(2, top, 48, 16);
    return l;
}

QAction *makeItem(QMenu *menu, const char *name, const QString &caption, const char *icon) {
    QAction *a = menu->addAction(picture(icon), caption);
    a->setObjectName(QLatin1String(name));
    return a;
}
} // namespace

TForm25::TForm25(QumoValues &values, platform::Platform &platform, QWidget *parent)
    : QDialog(parent), v_(values), platform_(platform) {
    board::initResources();
    setObjectName(QStringLiteral("Form25"));
    buildControls();
}

TForm25::~TForm25() = default;

void TForm25::buildControls() {
    const guard::Guard guarded(platform_, this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowState(Qt::WindowFullScreen);
    setGeometry(board::screenWindowRect());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(board::Cream));
    setPalette(pal);

    // Layers, bottom to top; each sizes itself to its picture at the top-left corner.
    Image2 = new TImage(QStringLiteral("Image2"), this);
    Image2->setPictureFormat(QImage::Format_RGB32);
    Image2->setAutoSize(true);
    Image1 = new TImage(QStringLiteral("Image1"), this);
    Image1->setPictureFormat(QImage::Format_RGB32);
    Image1->setAutoSize(true);
    Image1->setBackdrop(Image2);
    Image1->setTransparent(true);
    Image1->setMouseTracking(true);
    Image1->setCursor(Qt::ArrowCursor);
    Image3 = new TImage(QStringLiteral("Image3"), this);
    Image3->setPictureFormat(QImage::Format_RGB888);
    Image3->setAutoSize(true);
    Image3->setTransparent(true);
    Image3->setMouseTracking(true);
    Image3->setCursor(Qt::DragMoveCursor);
    Image3->hide();
    Image1->setPointerSource(&platform_);
    Image3->setPointerSource(&platform_);
    connect(Image1, &TImage::mouseDown, this, guarded(&TForm25::Image1MouseDown));
    connect(Image1, &TImage::mouseMove, this, guarded(&TForm25::Image1MouseMove));
    connect(Image1, &TImage::mouseUp, this, guarded(&TForm25::Image1MouseUp));
    connect(Image3, &TImage::mouseDown, this, guarded(&TForm25::Image3MouseDown));
    connect(Image3, &TImage::mouseMove, this, guarded(&TForm25::Image3MouseMove));
    connect(Image3, &TImage::mouseUp, this, guarded(&TForm25::Image3MouseUp));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    QPalette face = Panel1->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Light));
    Panel1->setPalette(face);
    const QRect scr = board::screenWindowRect();
    Panel1->setGeometry(scr.width() - ToolbarWidth, 0, ToolbarWidth, scr.height());

    SpeedButton14 =
        makeButton(Panel1, "SpeedButton14", 0, 30, QStringLiteral("直線/曲線"), "straight");
    SpeedButton15 =
        makeButton(Panel1, "SpeedButton15", 0, 30, QStringLiteral("直線/曲線"), "freehand");
    SpeedButton2 = makeButton(Panel1, "SpeedButton2", 34, 30, QStringLiteral("赤"), "red");
    SpeedButton3 = makeButton(Panel1, "SpeedButton3", 68, 30, QStringLiteral("青"), "blue");
    SpeedButton4 = makeButton(Panel1, "SpeedButton4", 103, 30, QStringLiteral("黄"), "yellow");
    SpeedButton5 = makeButton(Panel1, "SpeedButton5", 137, 30, QStringLiteral("白"), "white");
    SpeedButton6 = makeButton(Panel1, "SpeedButton6", 171, 30, QStringLiteral("黒"), "black");
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 206, 52, 30);
    Panel2->setToolTip(QStringLiteral("今のチョーク色"));
    Panel2->setAutoFillBackground(true);
    SpeedButton9 =
        makeButton(Panel2, "SpeedButton9", 0, 30, QStringLiteral("透明化"), "seethrough");
    Label3 = makeLabel(Panel1, "Label3", 248, QStringLiteral("線の太さ"));
    SpinEdit3 = new TSpinEdit(QStringLiteral("SpinEdit3"), 1, 100, 5, 1, Panel1);
    SpinEdit3->setGeometry(2, 267, 46, 26);
    SpeedButton8 = makeButton(Panel1, "SpeedButton8", 299, 36,
                              QStringLiteral("グレーの透明色で消す"), "eraser");
    SpeedButton7 = makeButton(Panel1, "SpeedButton7", 337, 36, QStringLiteral("再表示"), "wipe");
    Label1 = makeLabel(Panel1, "Label1", 379, QStringLiteral("拡大倍率"));
    SpinEdit1 = new TSpinEdit(QStringLiteral("SpinEdit1"), 0, 10, 1, 1, Panel1);
    SpinEdit1->setGeometry(2, 398, 46, 26);
    Label2 = makeLabel(Panel1, "Label2", 430, QStringLiteral("回転角度"));
    SpinEdit2 = new TSpinEdit(QStringLiteral("SpinEdit2"), -360, 360, 30, 5, Panel1);
    SpinEdit2->setGeometry(2, 449, 46, 26);
    SpeedButton10 = makeButton(Panel1, "SpeedButton10", 481, 36, QStringLiteral("切り取り"), "cut");
    SpeedButton11 =
        makeButton(Panel1, "SpeedButton11", 481, 36, QStringLiteral("選択解除"), "uncut");
    SpeedButton12 =
        makeButton(Panel1, "SpeedButton12", 481, 36, QStringLiteral("イメージクリア"), "clearcut");
    SpeedButton13 =
        makeButton(Panel1, "SpeedButton13", 520, 36, QStringLiteral("キャプチャー"), "camera");
    SpeedButton1 = makeButton(Panel1, "SpeedButton1", 582, 41, QStringLiteral("戻る"), "back");
    SpeedButton1->setAutoRaise(false);
    UndoButton = makeButton(Panel1, "UndoButton", 627, 36, QStringLiteral("もとにもどす"), "undo");
    UndoButton->setEnabled(false);
    SpeedButton11->hide();
    SpeedButton12->hide();
    SpeedButton14->hide();
    layoutToolbar();
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(-120, 0, 100, 22);
    // Read-only, so that its own text undo does not take the board's undo keys.
    Edit1->setReadOnly(true);
    auto *undoKey = new QShortcut(this);
    undoKey->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    auto *redoKey = new QShortcut(this);
    redoKey->setKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(undoKey, &QShortcut::activated, this, guarded(&TForm25::UndoClick));
    connect(redoKey, &QShortcut::activated, this, guarded(&TForm25::RedoClick));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N1 = makeItem(PopupMenu1, "N1", QStringLiteral("拡大"), "zoomin");
    N2 = makeItem(PopupMenu1, "N2", QStringLiteral("縮小"), "zoomout");
    N3 = makeItem(PopupMenu1, "N3", QStringLiteral("右回転"), "turnright");
    N6 = makeItem(PopupMenu1, "N6", QStringLiteral("左回転"), "turnleft");
    N4 = makeItem(PopupMenu1, "N4", QStringLiteral("左右反転"), "mirrorlr");
    N5 = makeItem(PopupMenu1, "N5", QStringLiteral("上下反転"), "mirrortb");
    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    N14 = makeItem(PopupMenu4, "N14", QStringLiteral("キャプチャー"), "capture");
    N51 = makeItem(PopupMenu4, "N51", QStringLiteral("5秒後にキャプチャー"), "clock");
    N101 = makeItem(PopupMenu4, "N101", QStringLiteral("15秒後にキャプチャー"), "clock");
    N301 = makeItem(PopupMenu4, "N301", QStringLiteral("30秒後にキャプチャー"), "clock");
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Panel1->raise();

    connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton2Click));
    connect(SpeedButton3, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton3Click));
    connect(SpeedButton4, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton4Click));
    connect(SpeedButton5, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton5Click));
    connect(SpeedButton6, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton6Click));
    connect(SpeedButton7, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton7Click));
    connect(SpeedButton8, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton8Click));
    connect(SpeedButton9, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton9Click));
    connect(SpeedButton10, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton10Click));
    connect(SpeedButton11, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton11Click));
    connect(SpeedButton12, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton12Click));
    connect(SpeedButton13, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton13Click));
    connect(SpeedButton14, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton14Click));
    connect(SpeedButton15, &QToolButton::clicked, this, guarded(&TForm25::SpeedButton14Click));
    connect(UndoButton, &QToolButton::clicked, this, guarded(&TForm25::UndoClick));
    connect(SpinEdit1, &TSpinEdit::Changed, this, guarded(&TForm25::SpinEdit1Change));
    connect(N1, &QAction::triggered, this, guarded(&TForm25::N1Click));
    connect(N2, &QAction::triggered, this, guarded(&TForm25::N2Click));
    connect(N3, &QAction::triggered, this, guarded(&TForm25::N3Click));
    connect(N6, &QAction::triggered, this, guarded(&TForm25::N6Click));
    connect(N4, &QAction::triggered, this, guarded(&TForm25::N4Click));
    connect(N5, &QAction::triggered, this, guarded(&TForm25::N5Click));
    connect(N14, &QAction::triggered, this, guarded(&TForm25::N14Click));
    connect(N51, &QAction::triggered, this, guarded(&TForm25::N51Click));
    connect(N101, &QAction::triggered, this, guarded(&TForm25::N101Click));
    connect(N301, &QAction::triggered, this, guarded(&TForm25::N301Click));
    connect(Timer1, &QTimer::timeout, this, guarded(&TForm25::Timer1Timer));
}

void TForm25::showEvent(QShowEvent *e) {
    // Borderless over the whole primary screen, so board positions are screen positions.
    // The window belongs to that screen too: a full-screen window takes the geometry of the
    // screen it belongs to, which is the first monitor unless told.
    if (QScreen *primary = QGuiApplication::primaryScreen())
        setScreen(primary);
    setGeometry(board::screenWindowRect());
    QDialog::showEvent(e);
    board::tellPlaceAfterShowing(this, platform_);
    raise();
    activateWindow();
    guard::run(platform_, this, [this] { FormShow(); });
}

void TForm25::keyPressEvent(QKeyEvent *e) {
    // Escape leaves the board as its back button does, with the same beep; not while a
    // delayed capture waits with the board out of sight, whose timer would then fire
    // without a board.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        if (!Timer1->isActive())
            guard::run(platform_, this, [this] { SpeedButton1Click(); });
        return;
    }
    QDialog::keyPressEvent(e);
}

void TForm25::done(int r) {
    FormClose();
    QDialog::done(r);
}

// ---- board, chalk and pens ----

void TForm25::FormShow() {
    KESU = 1;
    const QRect scr = board::screenWindowRect();
    Panel1->setGeometry(scr.width() - Panel1->width(), 0, Panel1->width(), scr.height());
    layoutToolbar();
    CSPENS = KeyPenWidth;
    Pen.color = board::Silver;
    showPenColour();
    setKeyColour();
    Pen.color = board::Red;
    showPenColour();
    XYFLG = false;
    RFLG = false;
    RFLG2 = false;
    FDrag = false;
    Image3->hide();
    Image3->clearPicture();
    Image1->setCursor(Qt::ArrowCursor);
    SpeedButton10->show();
    SpeedButton11->hide();
    SpeedButton12->hide();
    SpeedButton14->setVisible(PREFLG);
    SpeedButton15->setVisible(!PREFLG);
    Edit1->setFocus();
    previewing_ = false;
    Image1->clearPreview();
    history_.reset(Image1->Picture());
    showUndoState();
}

void TForm25::layoutToolbar() {
    // Laid out from the height the toolbar has on this screen: every control on it.
    const int height = Panel1->height();
    for (const boardlayout::Item &item : boardlayout::kItems) {
        auto *w = findChild<QWidget *>(QLatin1String(item.name));
        if (!w)
            continue;
        const QRect r = boardlayout::place(item, height);
        w->setGeometry(r);
        if (auto *b = qobject_cast<QToolButton *>(w); b && item.picture)
            b->setIconSize(QSize(boardlayout::kPictureWidth,
                                 qMax(1, r.height() - boardlayout::kPictureMargin)));
        if (auto *l = qobject_cast<QLabel *>(w)) {
            QFont f = l->font();
            f.setPixelSize(boardlayout::labelFontPixels(height));
            l->setFont(f);
        }
    }
}

int TForm25::toolbarLeft() const {
    // In board coordinates: the physical pixel column where the toolbar begins.
    return board::physicalPoint(this, QPointF(Panel1->x(), 0)).x();
}

void TForm25::FormClose() {
    Image3->hide();
    Image3->clearPicture();
}

void TForm25::setKeyColour() {
    // A short line just below the last row: its width covers the bottom-left pixel, whose
    // colour is the key of the chalk layer.
    const int H = Image1->Picture().height();
    Pen.width = CSPENS;
    constexpr int kReach = 6; // either side of the corner
    Pen.moveTo(QPoint(-kReach, H));
    const QRect r = Pen.lineTo(Image1->Bitmap(), QPoint(kReach, H));
    history_.touch(r);
    Image1->changed(r);
}

void TForm25::showPenColour() {
    QPalette pal = Panel2->palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(Pen.color));
    Panel2->setPalette(pal);
}

void TForm25::setPenColour(QRgb c) {
    // The common row of the colour buttons: the corner in silver, then the new colour.
    CSPENS = KeyPenWidth;
    Pen.width = KeyPenWidth;
    Pen.color = board::Silver;
    showPenColour();
    setKeyColour();
    Pen.color = c;
    showPenColour();
    commitStep();
}

void TForm25::chalkLine(QPoint to) {
    const QRect r = Pen.lineTo(Image1->Bitmap(), to);
    history_.touch(r);
    Image1->changed(r);
}

void TForm25::Image1MouseDown(Qt::MouseButton, int X, int Y) {
    // A stroke whose release was not seen on the board ends here.
    commitStep();
    if (X > toolbarLeft())
        return;
    if (PREFLG) {
        preX = X;
        preY = Y;
    }
    if (XYFLG)
        return;
    previewing_ = PREFLG && !RFLG;
    if (RFLG2) {
        if (Image3->isHidden()) {
            Image3->moveToDevice(QPoint(X, Y));
            Image3->show();
        }
    } else if (RFLG) {
        Image1->setTransparent(false);
        DownPt = QPoint(X, Y);
        FDrag = true;
        R = {X, Y, X, Y};
        toggleFocusRect();
    }
    Image1->setCursor(Qt::ArrowCursor);
}

void TForm25::Image1MouseMove(Qt::MouseButtons Shift, int X, int Y) {
    if (X > toolbarLeft())
        return;
    if (XYFLG)
        return;
    if (RFLG) {
        if (FDrag) {
            toggleFocusRect();
            R = {MIN(DownPt.x(), X), MIN(DownPt.y(), Y), MAX(DownPt.x(), X), MAX(DownPt.y(), Y)};
            RBAK = R;
            RRX = R.right - R.left;
            RRY = R.bottom - R.top;
            toggleFocusRect();
        }
        return;
    }
    if (Shift & Qt::LeftButton) {
        // The text is used as typed; widths beyond any screen are held at a size the
        // arithmetic of a line can take.
        Pen.width = int(std::clamp<qint64>(qint64(SpinEdit3->Value()) * KESU, 0, MaxPenWidth));
        Pen.moveTo(QPoint(preX, preY));
        if (!PREFLG)
            chalkLine(QPoint(X, Y));
    } else {
        Pen.moveTo(QPoint(preX, preY));
    }
    // Only shown: the release draws the line into the layer.
    if (PREFLG && previewing_ && Shift != Qt::NoButton)
        Image1->setPreview(QLine(Pen.pos, QPoint(X, Y)), Pen.color, Pen.width);
    if (!PREFLG) {
        preX = X;
        preY = Y;
    }
}

void TForm25::Image1MouseUp(Qt::MouseButton, int X, int Y) {
    // Whatever the release drew, or the drag before it, is one step.
    const auto endStep = qScopeGuard([this] {
        previewing_ = false;
        Image1->clearPreview();
        commitStep();
    });
    if (X > toolbarLeft())
        return;
    if (RFLG && FDrag) {
        // The rubber band goes before the straight line is drawn, so that inverting it
        // again cannot leave dots on the line.
        toggleFocusRect();
        R = {};
    }
    if (PREFLG) {
        chalkLine(QPoint(X, Y));
        preX = X;
        preY = Y;
    }
    if (!RFLG)
        return;
    Image1->setTransparent(true);
    FDrag = false;
    toggleFocusRect();
    R = {};
    HCOPY(RRX, RRY);
    if (!RFLG2) {
        // The cut was refused: stay in selection mode for another try.
        Image1->setCursor(Qt::CrossCursor);
        return;
    }
    bool ok = false;
    const double zoom = SpinEdit1->Text().trimmed().toDouble(&ok);
    if (ok) {
        PPBAI = zoom;
    } else {
        PPBAI = 3;
        SpinEdit1->setText(QStringLiteral("3"));
    }
    KAKUDAI(PPBAI);
    RFLG = false;
}

bool TForm25::colourButtonStamps() {
    if (SpeedButton12->isHidden())
        return false;
    stamp();
    return true;
}

void TForm25::stamp() {
    // The board as it looks now, cut-out and chalk included, becomes the frozen picture.
    const QRect scr = board::screenRect();
    R = {0, 0, scr.width(), scr.height()};
    const QRect r(QPoint(R.left, R.top), QPoint(R.right - 1, R.bottom - 1));
    QImage bm;
    CaptureRect(r, bm);
    Image1->setPicture(bm);
    const QImage oldBackground = Image2->Picture();
    CaptureRect(r, bm);
    Image2->setPicture(bm);
    Image1->update();
    history_.touch(Image1->Picture().rect());
    commitStep(&oldBackground);
    SpeedButton12Click();
}

void TForm25::SpeedButton2Click() {
    KESU = 1;
    if (colourButtonStamps())
        return;
    setPenColour(board::Red);
}

void TForm25::SpeedButton3Click() {
    // Blue keeps the width factor and the key colour as they are.
    if (colourButtonStamps())
        return;
    CSPENS = KeyPenWidth;
    Pen.width = KeyPenWidth;
    Pen.color = board::Blue;
    showPenColour();
}

void TForm25::SpeedButton4Click() {
    KESU = 1;
    if (colourButtonStamps())
        return;
    setPenColour(board::Yellow);
}

void TForm25::SpeedButton5Click() {
    KESU = 1;
    if (colourButtonStamps())
        return;
    setPenColour(board::White);
}

void TForm25::SpeedButton6Click() {
    KESU = 1;
    if (colourButtonStamps())
        return;
    setPenColour(board::Black);
}

void TForm25::SpeedButton9Click() {
    // The current colour becomes the key: its strokes show the frozen screen instead.
    KESU = 1;
    if (colourButtonStamps())
        return;
    CSPENS = KeyPenWidth;
    Pen.width = KeyPenWidth;
    setKeyColour();
    showPenColour();
    commitStep();
}

void TForm25::SpeedButton8Click() {
    KESU = 4;
    CSPENS = KeyPenWidth;
    Pen.width = KeyPenWidth;
    Pen.color = board::Silver;
    showPenColour();
    setKeyColour();
    showPenColour();
    commitStep();
}

void TForm25::SpeedButton7Click() {
    KESU = 1;
    Image1->setPicture(Image2->Picture());
    history_.touch(Image1->Picture().rect());
    setPenColour(board::Red);
}

void TForm25::SpeedButton14Click() {
    PREFLG = !PREFLG;
    SpeedButton14->setVisible(PREFLG);
    SpeedButton15->setVisible(!PREFLG);
}

void TForm25::SpeedButton1Click() {
    platform_.messageBeep(platform::BeepDefault);
    close();
}

void TForm25::CaptureRect(const QRect &r, QImage &BM) {
    board::grabScreen(r, BM);
}

// ---- undo and redo ----

void TForm25::commitStep(const QImage *oldBackground) {
    // The rubber band is inverted into the layer while a selection is dragged: no step ends
    // inside it.
    if (FDrag)
        return;
    if (history_.pending() || oldBackground) {
        const QImage &bg = Image2->Picture();
        history_.commit(Image1->Picture(), oldBackground, oldBackground ? &bg : nullptr);
    }
    showUndoState();
}

void TForm25::takeStep(bool back) {
    if (FDrag)
        return;
    commitStep(); // a stroke still being drawn becomes a step of its own first
    board::History::Change c;
    const bool ok = back ? history_.undo(Image1->Bitmap(), Image2->Bitmap(), &c)
                         : history_.redo(Image1->Bitmap(), Image2->Bitmap(), &c);
    if (!ok)
        return;
    // The background is only seen through the chalk layer.
    Image2->changed(c.background);
    Image1->changed(c.layer | c.background);
    showUndoState();
}

void TForm25::UndoClick() {
    takeStep(true);
}

void TForm25::RedoClick() {
    takeStep(false);
}

void TForm25::showUndoState() {
    UndoButton->setEnabled(history_.undoSteps() > 0);
}

// ---- selection and transforms ----

void TForm25::toggleFocusRect() {
    const QRect r = board::xorFocusRect(Image1->Bitmap(), R);
    history_.touch(r);
    Image1->changed(r);
}

void TForm25::SpeedButton10Click() {
    Image3->setTransparent(false);
    RFLG = true;
    Image1->setCursor(Qt::CrossCursor);
    SpeedButton10->hide();
    SpeedButton11->show();
}

void TForm25::SpeedButton11Click() {
    Image1->setCursor(Qt::ArrowCursor);
    RFLG = false;
    SpeedButton10->show();
    SpeedButton11->hide();
}

void TForm25::SpeedButton12Click() {
    Image1->setCursor(Qt::ArrowCursor);
    RFLG2 = false;
    Image3->hide();
    Image3->clearPicture();
    SpeedButton10->show();
    SpeedButton12->hide();
}

void TForm25::SpinEdit1Change() {
    if (SpinEdit1->Value() < 1) {
        SpinEdit1->setValue(1);
        SpinEdit1->setText(QStringLiteral("1"));
    }
}

bool TForm25::fits(long double w, long double h) {
    // Written so that a NaN fails every comparison and is refused too.
    return w >= 1 && h >= 1 && w <= MaxCutSide && h <= MaxCutSide && w * h <= MaxCutPixels;
}

void TForm25::refuse() {
    platform_.messageBeep(platform::BeepDefault);
}

void TForm25::setCutOut(const QImage &picture) {
    Image3->setPicture(picture);
}

void TForm25::HCOPY(qint32 X, qint32 Y) {
    // An empty rectangle cannot become a picture: nothing is cut, the board beeps.
    if (!fits(X, Y)) {
        refuse();
        return;
    }
    const QImage cut = Image1->Picture()
                           .copy(QRect(RBAK.left, RBAK.top, X, Y))
                           .convertToFormat(QImage::Format_RGB888);
    Image3->hide();
    setCutOut(cut);
    Image1->setCursor(Qt::DragMoveCursor);
    RFLG2 = true;
    SpeedButton10->hide();
    SpeedButton11->hide();
    SpeedButton12->show();
}

void TForm25::KAKUDAI(long double K) {
    const QImage &pic = Image3->Picture();
    if (pic.isNull())
        return;
    const long double w = std::trunc(K * pic.width());
    const long double h = std::trunc(K * pic.height());
    // Below one pixel, or too large to hold: the picture stays as it is.
    if (!fits(w, h)) {
        refuse();
        return;
    }
    KESU = 1;
    setCutOut(BitmapResize_Bilinear(pic, int(w), int(h)));
}

void TForm25::KAITEN(long double K) {
    const QImage &pic = Image3->Picture();
    if (pic.isNull())
        return;
    if (!std::isfinite(K)) {
        refuse();
        return;
    }
    const board::RotatedBox box = board::rotatedBox(pic.width(), pic.height(), double(K));
    if (!fits(box.width, box.height)) {
        refuse();
        return;
    }
    KESU = 1;
    QImage copy = pic;
    Rotate(copy, double(K));
    setCutOut(copy);
}

void TForm25::Rotate(QImage &Source, double Angle) {
    Source = board::rotated(Source, Angle);
}

void TForm25::SAYU() {
    if (!Image3->Picture().isNull())
        setCutOut(board::mirroredLeftRight(Image3->Picture()));
}

void TForm25::JOUGE() {
    if (!Image3->Picture().isNull())
        setCutOut(board::mirroredTopBottom(Image3->Picture()));
}

void TForm25::Image3MouseDown(Qt::MouseButton Button, int X, int Y) {
    // The menu opens without waiting, so its action runs after the drag state is set and
    // ends it; a menu closed without a choice leaves the cut-out following the pointer.
    if (Button == Qt::RightButton)
        PopupMenu1->popup(
            Image3->mapToGlobal((QPointF(X, Y) / Image3->devicePixelRatioF()).toPoint()));
    XBAK = X;
    YBAK = Y;
    XYFLG = true;
}

void TForm25::Image3MouseMove(Qt::MouseButtons, int X, int Y) {
    if (!XYFLG)
        return;
    const QPoint at = Image3->devicePos();
    Image3->moveToDevice(QPoint(at.x() - (XBAK - X), at.y() - (YBAK - Y)));
}

void TForm25::Image3MouseUp(Qt::MouseButton, int, int) {
    XYFLG = false;
}

long double TForm25::readZoom(long double fallback, const QString &fallbackText) {
    bool ok = false;
    const double v = SpinEdit1->Text().trimmed().toDouble(&ok);
    if (!ok) {
        SpinEdit1->setText(fallbackText);
        return fallback;
    }
    if (!(v >= 1)) {
        SpinEdit1->setValue(1);
        SpinEdit1->setText(QStringLiteral("1"));
        return 1;
    }
    return v;
}

long double TForm25::readAngle() {
    bool ok = false;
    const double v = SpinEdit2->Text().trimmed().toDouble(&ok);
    if (!ok) {
        SpinEdit2->setText(QStringLiteral("30"));
        return 0;
    }
    return v;
}

void TForm25::N1Click() {
    PPBAI = readZoom(1, QStringLiteral("1"));
    KAKUDAI(PPBAI);
    XYFLG = false;
}

void TForm25::N2Click() {
    PPBAI = readZoom(1, QStringLiteral("1"));
    KAKUDAI(1 / PPBAI);
    XYFLG = false;
}

void TForm25::N3Click() {
    Image3->setTransparent(true);
    PPKAKU = readAngle();
    KAITEN(PPKAKU);
    XYFLG = false;
}

void TForm25::N6Click() {
    Image3->setTransparent(true);
    PPKAKU = readAngle();
    KAITEN(-PPKAKU);
    XYFLG = false;
}

void TForm25::N4Click() {
    SAYU();
    XYFLG = false;
}

void TForm25::N5Click() {
    JOUGE();
    XYFLG = false;
}
