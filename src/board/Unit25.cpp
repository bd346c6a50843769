// The drawing board TForm25: its controls, and its handlers handing the work to its tools
// (board/tools/): pens, eraser and wipe, key colour, straight lines, selection, cut-out, undo.
// The capture menu is in capturemenu.cpp.
#include "board/Unit25.h"
#include "app/MAIN.h"
#include "app/guard.h"
#include "board/boardlayout.h"
#include "platform/placetold.h"
#include "board/resources.h"
#include "board/screengrab.h"
#include "board/tools/eraser.h"
#include "board/tools/keycolour.h"
#include "board/tools/linetool.h"
#include "board/tools/selection.h"
#include "board/tools/toolbarstrip.h"
#include "board/tools/undo.h"
#include "board/core/transforms.h"
#include "platform/platform.h"

#include <QAction>
#include <QBackingStore>
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

namespace {
constexpr int ToolbarWidth = boardlayout::kToolbarWidth;
// The parts of the preparation for the first showing: each well within a frame's time on a
// busy machine, with time for other events between them.
constexpr qsizetype kPrepareSliceBytes = 1 << 20;
constexpr int kPrepareEveryMs = 10;

QIcon picture(const char *name) {
    return QIcon(QStringLiteral(":/board/%1.svg").arg(QLatin1String(name)));
}

// Placed by layoutToolbar() from the toolbar's table.
QToolButton *makeButton(QWidget *parent, const char *name, const QString &hint, const char *icon) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(picture(icon));
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption) {
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
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
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowState(Qt::WindowFullScreen);
    setGeometry(board::screenWindowRect());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(board::Cream));
    setPalette(pal);
    buildLayers();
    buildToolbar();
    buildMenus();
    buildTools();
    connectHandlers();
}

void TForm25::buildLayers() {
    // Bottom to top; each sizes itself to its picture at the top-left corner.
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
}

void TForm25::buildToolbar() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    QPalette face = Panel1->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Light));
    Panel1->setPalette(face);
    const QRect scr = board::screenWindowRect();
    Panel1->setGeometry(scr.width() - ToolbarWidth, 0, ToolbarWidth, scr.height());

    SpeedButton14 = makeButton(Panel1, "SpeedButton14", QStringLiteral("直線/曲線"), "straight");
    SpeedButton15 = makeButton(Panel1, "SpeedButton15", QStringLiteral("直線/曲線"), "freehand");
    SpeedButton2 = makeButton(Panel1, "SpeedButton2", QStringLiteral("赤"), "red");
    SpeedButton3 = makeButton(Panel1, "SpeedButton3", QStringLiteral("青"), "blue");
    SpeedButton4 = makeButton(Panel1, "SpeedButton4", QStringLiteral("黄"), "yellow");
    SpeedButton5 = makeButton(Panel1, "SpeedButton5", QStringLiteral("白"), "white");
    SpeedButton6 = makeButton(Panel1, "SpeedButton6", QStringLiteral("黒"), "black");
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setToolTip(QStringLiteral("今のチョーク色"));
    Panel2->setAutoFillBackground(true);
    SpeedButton9 = makeButton(Panel2, "SpeedButton9", QStringLiteral("透明化"), "seethrough");
    Label3 = makeLabel(Panel1, "Label3", QStringLiteral("線の太さ"));
    SpinEdit3 = new TSpinEdit(QStringLiteral("SpinEdit3"), 1, 100, board::kChalkWidth, 1, Panel1);
    SpeedButton8 =
        makeButton(Panel1, "SpeedButton8", QStringLiteral("グレーの透明色で消す"), "eraser");
    SpeedButton7 = makeButton(Panel1, "SpeedButton7", QStringLiteral("再表示"), "wipe");
    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("拡大倍率"));
    SpinEdit1 = new TSpinEdit(QStringLiteral("SpinEdit1"), 0, 10, 1, 1, Panel1);
    Label2 = makeLabel(Panel1, "Label2", QStringLiteral("回転角度"));
    SpinEdit2 = new TSpinEdit(QStringLiteral("SpinEdit2"), -360, 360, 30, 5, Panel1);
    SpeedButton10 = makeButton(Panel1, "SpeedButton10", QStringLiteral("切り取り"), "cut");
    SpeedButton11 = makeButton(Panel1, "SpeedButton11", QStringLiteral("選択解除"), "uncut");
    SpeedButton12 =
        makeButton(Panel1, "SpeedButton12", QStringLiteral("イメージクリア"), "clearcut");
    SpeedButton13 = makeButton(Panel1, "SpeedButton13", QStringLiteral("キャプチャー"), "camera");
    SpeedButton1 = makeButton(Panel1, "SpeedButton1", QStringLiteral("戻る"), "back");
    SpeedButton1->setAutoRaise(false);
    UndoButton = makeButton(Panel1, "UndoButton", QStringLiteral("もとにもどす"), "undo");
    UndoButton->setEnabled(false);
    SpeedButton11->hide();
    SpeedButton12->hide();
    SpeedButton14->hide();
    layoutToolbar();
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(boardlayout::kFocusHolder);
    // Read-only, so that its own text undo does not take the board's undo keys.
    Edit1->setReadOnly(true);
}

void TForm25::buildMenus() {
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
}

void TForm25::buildTools() {
    using namespace board;
    BoardState &s = *this;
    undo_ = std::make_unique<UndoTool>(s, *Image1, *Image2, *UndoButton);
    key_ = std::make_unique<KeyColour>(s, *Image1, *undo_);
    selection_ = std::make_unique<SelectionTool>(s, *Image1, *Image3, *undo_, *SpeedButton10,
                                                 *SpeedButton11);
    cutOut_ = std::make_unique<CutOutTool>(
        s, *Image1, *Image2, *Image3, *selection_, *undo_, platform_,
        CutOutTool::Controls{*SpeedButton10, *SpeedButton11, *SpeedButton12, *SpinEdit1,
                             *SpinEdit2, *PopupMenu1});
    pens_ = std::make_unique<PenTool>(s, *Image1, *Panel2, *SpinEdit3, *key_, *undo_,
                                      [this] { return cutOut_->stamp(); });
    eraser_ = std::make_unique<EraserTool>(*Image1, *Image2, *pens_, *undo_);
    line_ = std::make_unique<LineTool>(s, *Image1, *pens_, *SpeedButton14, *SpeedButton15);
    strip_ = std::make_unique<ToolbarStrip>([this] { return toolbarLeft(); });
    // What each event must see first: a press ends an unfinished step, takes a straight
    // line's start even while the cut-out is dragged, and lets the cut-out (placed or
    // dragged) go before a selection starts; a move goes to the chalk only outside a drag
    // and a selection, and the line's preview follows the pen; a release takes the rubber
    // band away before a straight line is drawn, and the line is drawn before the cut.
    pressOrder_ = {undo_.get(), strip_.get(), line_.get(), cutOut_.get(), selection_.get(),
                   pens_.get()};
    moveOrder_ = {strip_.get(), cutOut_.get(), selection_.get(), pens_.get(), line_.get()};
    releaseOrder_ = {strip_.get(), selection_.get(), line_.get(), cutOut_.get()};
    // Shown afresh in this order; the history starts from the layer as it then is.
    all_ = {pens_.get(), selection_.get(), cutOut_.get(), line_.get(), undo_.get()};
}

void TForm25::connectHandlers() {
    const guard::Guard guarded(platform_, this);
    connect(Image1, &TImage::mouseDown, this, guarded(&TForm25::Image1MouseDown));
    connect(Image1, &TImage::mouseMove, this, guarded(&TForm25::Image1MouseMove));
    connect(Image1, &TImage::mouseUp, this, guarded(&TForm25::Image1MouseUp));
    connect(Image3, &TImage::mouseDown, this, guarded(&TForm25::Image3MouseDown));
    connect(Image3, &TImage::mouseMove, this, guarded(&TForm25::Image3MouseMove));
    connect(Image3, &TImage::mouseUp, this, guarded(&TForm25::Image3MouseUp));
    using F = TForm25;
    const std::pair<QToolButton *, void (F::*)()> buttons[] = {
        {SpeedButton1, &F::SpeedButton1Click},   {SpeedButton2, &F::SpeedButton2Click},
        {SpeedButton3, &F::SpeedButton3Click},   {SpeedButton4, &F::SpeedButton4Click},
        {SpeedButton5, &F::SpeedButton5Click},   {SpeedButton6, &F::SpeedButton6Click},
        {SpeedButton7, &F::SpeedButton7Click},   {SpeedButton8, &F::SpeedButton8Click},
        {SpeedButton9, &F::SpeedButton9Click},   {SpeedButton10, &F::SpeedButton10Click},
        {SpeedButton11, &F::SpeedButton11Click}, {SpeedButton12, &F::SpeedButton12Click},
        {SpeedButton13, &F::SpeedButton13Click}, {SpeedButton14, &F::SpeedButton14Click},
        {SpeedButton15, &F::SpeedButton14Click}, {UndoButton, &F::UndoClick}};
    for (const auto &[button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, guarded(handler));
    const std::pair<QAction *, void (F::*)()> items[] = {
        {N1, &F::N1Click},   {N2, &F::N2Click},   {N3, &F::N3Click},     {N6, &F::N6Click},
        {N4, &F::N4Click},   {N5, &F::N5Click},   {N14, &F::N14Click},   {N51, &F::N51Click},
        {N101, &F::N101Click}, {N301, &F::N301Click}};
    for (const auto &[item, handler] : items)
        connect(item, &QAction::triggered, this, guarded(handler));
    connect(SpinEdit1, &TSpinEdit::Changed, this, guarded(&TForm25::SpinEdit1Change));
    connect(Timer1, &QTimer::timeout, this, guarded(&TForm25::Timer1Timer));
    auto *undoKey = new QShortcut(this);
    undoKey->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    auto *redoKey = new QShortcut(this);
    redoKey->setKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(undoKey, &QShortcut::activated, this, guarded(&TForm25::UndoClick));
    connect(redoKey, &QShortcut::activated, this, guarded(&TForm25::RedoClick));
}

void TForm25::prepareFirstShowing() {
    if (shownOnce_)
        return;
    if (!preparer_) {
        preparer_ = new QTimer(this);
        preparer_->setObjectName(QStringLiteral("preparer"));
        preparer_->setInterval(kPrepareEveryMs);
        connect(preparer_, &QTimer::timeout, this, [this] {
            if (shownOnce_ || isVisible() || !prepareStep())
                preparer_->stop();
        });
    }
    preparer_->start();
}

bool TForm25::prepareStep() {
    // The buffers of the two grabs first: a first grab into fresh memory cost more than the
    // rest of the opening.
    if (board::prepareGrab(board::screenRect(), kPrepareSliceBytes))
        return true;
    // Then the window's own picture, which the first paint would otherwise fill page by
    // page: the native window made (not shown) and its backing store sized as it will be
    // shown. The first showing paints all of it over whatever is there.
    QBackingStore *store = backingStore();
    if (!store) {
        winId();
        return backingStore() != nullptr;
    }
    if (store->size() != size()) {
        store->resize(size());
        preparedRows_ = 0;
        return true;
    }
    auto *picture = dynamic_cast<QImage *>(store->paintDevice());
    if (!picture || picture->isNull() || preparedRows_ >= picture->height())
        return false;
    const qsizetype bpl = picture->bytesPerLine();
    const int rows = int(qBound(qsizetype(1), kPrepareSliceBytes / bpl,
                                qsizetype(picture->height() - preparedRows_)));
    // A write to every page (constBits: the picture's memory is the backing store's own).
    auto *first = const_cast<uchar *>(picture->constBits()) + preparedRows_ * bpl;
    const qsizetype bytes = rows * bpl;
    constexpr qsizetype kPage = 4096;
    for (qsizetype at = 0; at < bytes; at += kPage)
        *reinterpret_cast<volatile uchar *>(first + at) = 0;
    preparedRows_ += rows;
    return preparedRows_ < picture->height();
}

void TForm25::showEvent(QShowEvent *e) {
    shownOnce_ = true;
    // Borderless over the whole primary screen, so board positions are screen positions.
    // The window belongs to that screen too: a full-screen window takes the geometry of the
    // screen it belongs to, which is the first monitor unless told.
    if (QScreen *primary = QGuiApplication::primaryScreen())
        setScreen(primary);
    setGeometry(board::screenWindowRect());
    QDialog::showEvent(e);
    platform::tellPlaceAfterShowing(this, platform_);
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
    const QRect scr = board::screenWindowRect();
    Panel1->setGeometry(scr.width() - Panel1->width(), 0, Panel1->width(), scr.height());
    layoutToolbar();
    for (board::BoardTool *tool : all_)
        tool->activate();
    Edit1->setFocus();
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
    for (board::BoardTool *tool : all_)
        tool->deactivate();
}

void TForm25::dispatch(const std::vector<board::BoardTool *> &tools, Step step,
                       const board::Pointer &p) {
    for (board::BoardTool *tool : tools)
        if ((tool->*step)(p) == board::BoardTool::Next::Stop)
            return;
}

void TForm25::Image1MouseDown(Qt::MouseButton Button, int X, int Y) {
    dispatch(pressOrder_, &board::BoardTool::press, {Button, Button, QPoint(X, Y)});
}

void TForm25::Image1MouseMove(Qt::MouseButtons Shift, int X, int Y) {
    dispatch(moveOrder_, &board::BoardTool::move, {Qt::NoButton, Shift, QPoint(X, Y)});
}

void TForm25::Image1MouseUp(Qt::MouseButton Button, int X, int Y) {
    // Whatever the release drew, or the drag before it, is one step.
    const auto done = qScopeGuard([this] {
        for (board::BoardTool *tool : all_)
            tool->strokeDone();
    });
    dispatch(releaseOrder_, &board::BoardTool::release, {Button, Qt::NoButton, QPoint(X, Y)});
}

void TForm25::SpeedButton2Click() { pens_->choose(board::pens::Red); }
void TForm25::SpeedButton3Click() { pens_->choose(board::pens::Blue); }
void TForm25::SpeedButton4Click() { pens_->choose(board::pens::Yellow); }
void TForm25::SpeedButton5Click() { pens_->choose(board::pens::White); }
void TForm25::SpeedButton6Click() { pens_->choose(board::pens::Black); }
void TForm25::SpeedButton9Click() { pens_->choose(board::pens::SeeThrough); }
void TForm25::SpeedButton8Click() { eraser_->choose(); }
void TForm25::SpeedButton7Click() { eraser_->wipe(); }
void TForm25::SpeedButton14Click() { line_->toggle(); }

void TForm25::SpeedButton1Click() {
    platform_.messageBeep(platform::BeepDefault);
    close();
}

void TForm25::CaptureRect(const QRect &r, QImage &BM) {
    board::grabScreen(r, BM);
}

// ---- undo and redo ----

void TForm25::UndoClick() { undo_->undo(); }
void TForm25::RedoClick() { undo_->redo(); }
const board::History &TForm25::history() const { return undo_->history(); }

// ---- selection and transforms ----

void TForm25::SpeedButton10Click() { selection_->start(); }
void TForm25::SpeedButton11Click() { selection_->leave(); }
void TForm25::SpeedButton12Click() { cutOut_->clear(); }
void TForm25::SpinEdit1Change() { cutOut_->guardZoomField(); }
void TForm25::HCOPY(qint32 X, qint32 Y) { cutOut_->cut(X, Y); }
void TForm25::KAKUDAI(long double K) { cutOut_->zoom(K); }
void TForm25::KAITEN(long double K) { cutOut_->turn(K); }
void TForm25::Rotate(QImage &Source, double Angle) { Source = board::rotated(Source, Angle); }
void TForm25::SAYU() { cutOut_->mirrorLeftRight(); }
void TForm25::JOUGE() { cutOut_->mirrorTopBottom(); }

void TForm25::Image3MouseDown(Qt::MouseButton Button, int X, int Y) {
    cutOut_->cutOutPress(Button, QPoint(X, Y));
}
void TForm25::Image3MouseMove(Qt::MouseButtons, int X, int Y) {
    cutOut_->cutOutMove(QPoint(X, Y));
}
void TForm25::Image3MouseUp(Qt::MouseButton, int, int) { cutOut_->cutOutRelease(); }

void TForm25::N1Click() { cutOut_->zoomIn(); }
void TForm25::N2Click() { cutOut_->zoomOut(); }
void TForm25::N3Click() { cutOut_->turnRight(); }
void TForm25::N6Click() { cutOut_->turnLeft(); }
void TForm25::N4Click() { cutOut_->menuMirrorLeftRight(); }
void TForm25::N5Click() { cutOut_->menuMirrorTopBottom(); }
