// The drawing board: its window and toolbar, chalk strokes, colours, eraser, hiding a
// colour and wiping, undo and redo, checked on the pixels of the chalk layer and of what it
// shows.
#include "board/core/chalk.h"
#include "board/core/history.h"
#include "boardfixture.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace boardtest;
using board::Silver;

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void toolbarControls_data();
    void toolbarControls();
    void toolbarLayout();
    void showingResetsPenKeyAndTools();
    void fieldsAndModeKeptBetweenShowings();

    void freehandDragDrawsThroughEveryPosition();
    void pressAndReleaseDrawNothing();
    void straightLineDrawnOnReleaseAndClicksJoin();
    void rightButtonDragDrawsStraightLine();
    void dragAcrossToolbarStripStopsAndJoinsOnReturn();
    void thicknessText_data();
    void thicknessText();

    void eraserRevealsBackgroundInFourfoldBand();
    void seeThroughHidesCurrentColourAndRedBringsItBack();
    void blueAfterEraserKeepsFourfoldWidth();
    void strokeOverBottomLeftPixelChangesKey();
    void wipeRestoresFrozenScreen();
    void everyPenButtonEndsOnItsRow_data();
    void everyPenButtonEndsOnItsRow();
    void leavingBeepsAndCloses_data();
    void leavingBeepsAndCloses();
    void escapeWaitsWhileCaptureIsPending();
    void straightLinePreviewStaysOutOfTheLayer();

    void undoRedoSteps_data();
    void undoRedoSteps();
    void undoKeepsThirtyStepsAndOpeningStartsFresh();
    void undoWaitsForSelectionToEnd();
    void strokeStepStoresOnlyChangedPixels();

private:
    std::unique_ptr<Board> t;
};

void TestBoard::init() {
    t = std::make_unique<Board>();
    t->open();
}

void TestBoard::cleanup() {
    if (t && t->form)
        t->form->hide();
    t.reset();
}

namespace {
// Width of a vertical cut through a horizontal stroke of colour c at column x, centred on y.
int strokeThickness(const QImage &img, int x, int y, QRgb c) {
    int n = 0;
    for (int dy = -60; dy <= 60; ++dy)
        if (y + dy >= 0 && y + dy < img.height() && img.pixel(x, y + dy) == c)
            ++n;
    return n;
}
} // namespace

void TestBoard::toolbarControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::newRow("straight") << "SpeedButton14" << u"直線/曲線"_qs;
    QTest::newRow("freehand") << "SpeedButton15" << u"直線/曲線"_qs;
    QTest::newRow("red") << "SpeedButton2" << u"赤"_qs;
    QTest::newRow("blue") << "SpeedButton3" << u"青"_qs;
    QTest::newRow("yellow") << "SpeedButton4" << u"黄"_qs;
    QTest::newRow("white") << "SpeedButton5" << u"白"_qs;
    QTest::newRow("black") << "SpeedButton6" << u"黒"_qs;
    QTest::newRow("see-through on the colour panel") << "SpeedButton9" << u"透明化"_qs;
    QTest::newRow("eraser") << "SpeedButton8" << u"グレーの透明色で消す"_qs;
    QTest::newRow("wipe") << "SpeedButton7" << u"再表示"_qs;
    QTest::newRow("cut") << "SpeedButton10" << u"切り取り"_qs;
    QTest::newRow("leave selection") << "SpeedButton11" << u"選択解除"_qs;
    QTest::newRow("clear cut-out") << "SpeedButton12" << u"イメージクリア"_qs;
    QTest::newRow("capture") << "SpeedButton13" << u"キャプチャー"_qs;
    QTest::newRow("back") << "SpeedButton1" << u"戻る"_qs;
    QTest::newRow("undo") << "UndoButton" << u"もとにもどす"_qs;
}

void TestBoard::toolbarControls() {
    QFETCH(QString, name);
    QFETCH(QString, hint);
    auto *b = t->b().findChild<QToolButton *>(name);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), hint);
    QVERIFY(!b->icon().isNull());
    QVERIFY(!b->icon().pixmap(32, 32).isNull());
    QCOMPARE(b->autoRaise(), name != QLatin1String("SpeedButton1"));
}

// The toolbar from top to bottom: every control inside the toolbar's width and on the
// screen, none overlapping the next. Controls that take turns share one place.
void TestBoard::toolbarLayout() {
    TForm25 &b = t->b();
    const QList<QList<QWidget *>> places{
        {b.SpeedButton14, b.SpeedButton15},
        {b.SpeedButton2},
        {b.SpeedButton3},
        {b.SpeedButton4},
        {b.SpeedButton5},
        {b.SpeedButton6},
        {b.Panel2},
        {b.Label3},
        {b.SpinEdit3},
        {b.SpeedButton8},
        {b.SpeedButton7},
        {b.Label1},
        {b.SpinEdit1},
        {b.Label2},
        {b.SpinEdit2},
        {b.SpeedButton10, b.SpeedButton11, b.SpeedButton12},
        {b.SpeedButton13},
        {b.SpeedButton1},
        {b.UndoButton}};
    const QRect toolbar = b.Panel1->rect();
    int above = -1;
    for (const QList<QWidget *> &place : places) {
        const QRect r = place.first()->geometry();
        for (QWidget *w : place) {
            const QString name = w->objectName();
            QCOMPARE(w->parentWidget(), b.Panel1);
            QCOMPARE(w->geometry(), r);
            QVERIFY2(r.top() > above, qPrintable(name));
            QVERIFY2(r.bottom() <= toolbar.bottom(), qPrintable(name));
            // The colour panel is allowed to reach past the toolbar (and the screen) on the
            // right; the rest stands within it.
            QVERIFY2(r.left() >= 0, qPrintable(name));
            if (w != b.Panel2)
                QVERIFY2(r.right() <= toolbar.right(), qPrintable(name));
        }
        above = r.bottom();
    }
    // The see-through button fills the colour panel's height.
    QVERIFY(b.Panel2->rect().contains(b.SpeedButton9->geometry()));
    // The captions fit their labels.
    for (QLabel *l : {b.Label1, b.Label2, b.Label3})
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
                 qPrintable(l->objectName()));
}

void TestBoard::showingResetsPenKeyAndTools() {
    TForm25 &b = t->b();
    // Borderless over the whole screen, toolbar at the right edge.
    QVERIFY(b.windowFlags() & Qt::FramelessWindowHint);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(b.geometry(), QRect(QPoint(0, 0), screen));
    // The toolbar stands at the right edge, from top to bottom.
    const QRect toolbar = b.Panel1->geometry();
    QCOMPARE(toolbar.right(), screen.width() - 1);
    QCOMPARE(toolbar.top(), 0);
    QCOMPARE(toolbar.height(), screen.height());
    QCOMPARE(b.Panel2->toolTip(), u"今のチョーク色"_qs);
    QCOMPARE(b.Edit1->geometry().right() < 0, true);
    QCOMPARE(b.focusWidget(), static_cast<QWidget *>(b.Edit1));
    QCOMPARE(b.Image1->Picture().size(), screen);
    QCOMPARE(b.Image2->Picture(), t->frozen);
    // Key silver, pen red and 6 wide, factor 1, tools idle, freehand.
    QCOMPARE(board::keyColour(b.Image1->Picture()), Silver);
    QCOMPARE(b.Pen.color, board::Red);
    QCOMPARE(b.Pen.width, 6);
    QCOMPARE(b.KESU, 1);
    QCOMPARE(b.Panel2->palette().color(QPalette::Window), QColor(Qt::red));
    QVERIFY(b.SpeedButton10->isVisible());
    QVERIFY(!b.SpeedButton11->isVisible());
    QVERIFY(!b.SpeedButton12->isVisible());
    QVERIFY(b.SpeedButton15->isVisible());
    QVERIFY(!b.SpeedButton14->isVisible());
    QVERIFY(!b.Image3->isVisible());
    // Fields and their labels.
    QCOMPARE(b.SpinEdit3->value(), 5);
    QCOMPARE(b.SpinEdit1->value(), 1);
    QCOMPARE(b.SpinEdit2->value(), 30);
    QCOMPARE(b.SpinEdit2->singleStep(), 5);
    QCOMPARE(b.Label3->text(), u"線の太さ"_qs);
    QCOMPARE(b.Label1->text(), u"拡大倍率"_qs);
    QCOMPARE(b.Label2->text(), u"回転角度"_qs);
    // Only the corner stroke differs from the frozen screen.
    const QImage &chalk = b.Image1->Picture();
    QCOMPARE(chalk.copy(0, 0, chalk.width(), chalk.height() - 4),
             t->frozen.copy(0, 0, chalk.width(), chalk.height() - 4));
    QCOMPARE(t->shown(QPoint(0, chalk.height() - 1)), t->frozen.pixel(0, chalk.height() - 1));
}

void TestBoard::fieldsAndModeKeptBetweenShowings() {
    TForm25 &b = t->b();
    b.SpinEdit3->setValue(9);
    b.SpinEdit2->setValue(-45);
    b.SpeedButton15->click();
    QVERIFY(b.PREFLG);
    b.SpeedButton8Click();
    QCOMPARE(b.KESU, 4);
    b.SpeedButton1->click();
    QTRY_VERIFY(!b.isVisible());
    t->open();
    QCOMPARE(b.SpinEdit3->value(), 9);
    QCOMPARE(b.SpinEdit2->value(), -45);
    QVERIFY(b.PREFLG);
    QVERIFY(b.SpeedButton14->isVisible());
    QVERIFY(!b.SpeedButton15->isVisible());
    QCOMPARE(b.KESU, 1);
    QCOMPARE(b.Pen.color, board::Red);
}

void TestBoard::freehandDragDrawsThroughEveryPosition() {
    const QList<QPoint> path = {{100, 100}, {180, 130}, {260, 260}, {150, 300}, {152, 301}};
    t->drag(path);
    const QImage &chalk = t->b().Image1->Picture();
    for (qsizetype i = 1; i < path.size(); ++i)
        QVERIFY2(segmentIs(chalk, path[i - 1], path[i], board::Red),
                 qPrintable(QString::number(i)));
    QCOMPARE(t->shown(QPoint(180, 130)), board::Red);
    // Thickness: the field's 5.
    t->drag({{400, 500}, {600, 500}});
    QCOMPARE(strokeThickness(chalk, 500, 500, board::Red), 5);
}

void TestBoard::pressAndReleaseDrawNothing() {
    const QImage before = t->b().Image1->Picture();
    t->press(QPoint(300, 300));
    t->release(QPoint(300, 300));
    QCOMPARE(t->b().Image1->Picture(), before);
}

void TestBoard::straightLineDrawnOnReleaseAndClicksJoin() {
    TForm25 &b = t->b();
    b.SpeedButton15->click();
    QVERIFY(b.PREFLG);
    QVERIFY(b.SpeedButton14->isVisible());
    const QImage before = b.Image1->Picture();
    const QPoint a(100, 400), mid(300, 200), c(500, 420);
    t->press(a);
    t->move(mid);
    t->move(QPoint(450, 500));
    QCOMPARE(b.Image1->Picture(), before); // nothing while the button is held
    t->release(c);
    QVERIFY(segmentIs(b.Image1->Picture(), a, c, board::Red));
    QVERIFY(b.Image1->Picture().pixel(mid) != board::Red);
    // A click without moving joins the end of the last line to the click point.
    const QPoint d(520, 700);
    t->press(d);
    t->release(d);
    QVERIFY(segmentIs(b.Image1->Picture(), c, d, board::Red));
    const QPoint e(200, 750);
    t->press(e);
    t->release(e);
    QVERIFY(segmentIs(b.Image1->Picture(), d, e, board::Red));
    b.SpeedButton14->click();
    QVERIFY(!b.PREFLG);
    QVERIFY(b.SpeedButton15->isVisible());
}

void TestBoard::rightButtonDragDrawsStraightLine() {
    TForm25 &b = t->b();
    b.SpeedButton14Click();
    t->drag({{100, 100}, {120, 120}}); // sets the pen's width from the field
    const QPoint a(300, 300), c(600, 350);
    t->drag({a, {400, 400}, c}, Qt::RightButton);
    QVERIFY(segmentIs(b.Image1->Picture(), a, c, board::Red));
    // In freehand mode a right-button drag draws nothing.
    b.SpeedButton14Click();
    const QImage before = b.Image1->Picture();
    t->drag({{300, 600}, {400, 650}, {500, 600}}, Qt::RightButton);
    QCOMPARE(b.Image1->Picture(), before);
}

void TestBoard::dragAcrossToolbarStripStopsAndJoinsOnReturn() {
    const int W = t->width();
    const QPoint a(W - 200, 300), b1(W - 100, 300), in1(W - 30, 300), in2(W - 10, 420),
        back(W - 160, 420);
    t->press(a);
    t->move(b1);
    t->move(in1);
    t->move(in2);
    t->move(back);
    t->release(back);
    const QImage &chalk = t->b().Image1->Picture();
    QVERIFY(segmentIs(chalk, a, b1, board::Red));
    QVERIFY(segmentIs(chalk, b1, back, board::Red)); // one segment on return
    for (int x = W - 50; x < W; ++x)
        for (int y = 280; y < 440; ++y)
            QVERIFY(chalk.pixel(x, y) != board::Red);
    // Presses over the strip are ignored too.
    const QImage before = chalk;
    t->b().Image1MouseDown(Qt::LeftButton, W - 20, 600);
    t->b().Image1MouseMove(Qt::LeftButton, W - 25, 650);
    t->b().Image1MouseUp(Qt::LeftButton, W - 25, 650);
    QCOMPARE(t->b().Image1->Picture(), before);
}

void TestBoard::thicknessText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("thickness");
    QTest::newRow("not a number counts as 1") << "abc" << 1;
    QTest::newRow("empty counts as 1") << "" << 1;
    QTest::newRow("a decimal is not a whole number") << "7.5" << 1;
    QTest::newRow("whole number") << "12" << 12;
    QTest::newRow("beyond the limit is used as typed") << "120" << 120;
    QTest::newRow("huge text held at the widest line") << "2147483647" << int(TForm25::MaxPenWidth);
}

void TestBoard::thicknessText() {
    QFETCH(QString, text);
    QFETCH(int, thickness);
    t->b().SpinEdit3->setText(text);
    t->drag({{200, 500}, {700, 500}});
    QCOMPARE(t->b().Pen.width, thickness);
    if (thickness <= 100)
        QCOMPARE(strokeThickness(t->b().Image1->Picture(), 450, 500, board::Red), thickness);
}

void TestBoard::eraserRevealsBackgroundInFourfoldBand() {
    TForm25 &b = t->b();
    t->drag({{100, 300}, {700, 300}}); // red, 5 thick
    b.SpeedButton8->click();
    QCOMPARE(b.KESU, 4);
    QCOMPARE(b.Pen.color, Silver);
    QCOMPARE(b.Panel2->palette().color(QPalette::Window), QColor::fromRgb(Silver));
    t->drag({{400, 150}, {400, 450}}); // erases a band 20 wide
    QCOMPARE(b.Pen.width, 20);
    const QImage &chalk = b.Image1->Picture();
    for (int dx = -9; dx <= 9; ++dx) {
        const QPoint p(400 + dx, 300);
        QCOMPARE(chalk.pixel(p), Silver);
        QCOMPARE(t->shown(p), t->frozen.pixel(p));
    }
    for (int dx : {-13, 13}) {
        QCOMPARE(chalk.pixel(400 + dx, 300), board::Red);
        QCOMPARE(t->shown(QPoint(400 + dx, 300)), board::Red);
    }
    // Red again: factor 1, the band stays erased.
    b.SpeedButton2->click();
    QCOMPARE(b.KESU, 1);
    QCOMPARE(t->shown(QPoint(400, 300)), t->frozen.pixel(400, 300));
}

void TestBoard::seeThroughHidesCurrentColourAndRedBringsItBack() {
    TForm25 &b = t->b();
    const QPoint p(300, 200);
    t->drag({{100, 200}, {500, 200}});
    QCOMPARE(t->shown(p), board::Red);
    b.SpeedButton9->click();
    QCOMPARE(board::keyColour(b.Image1->Picture()), board::Red);
    QCOMPARE(b.Pen.color, board::Red);
    QCOMPARE(b.Image1->Picture().pixel(p), board::Red); // still there, hidden
    QCOMPARE(t->shown(p), t->frozen.pixel(p));
    // New strokes in it stay invisible; eraser strokes drawn before show as grey.
    t->drag({{100, 600}, {500, 600}});
    QCOMPARE(t->shown(QPoint(300, 600)), t->frozen.pixel(300, 600));
    b.SpeedButton2->click();
    QCOMPARE(board::keyColour(b.Image1->Picture()), Silver);
    QCOMPARE(t->shown(p), board::Red);
    QCOMPARE(t->shown(QPoint(300, 600)), board::Red);
}

void TestBoard::blueAfterEraserKeepsFourfoldWidth() {
    TForm25 &b = t->b();
    b.SpeedButton8->click();
    b.SpeedButton3->click();
    QCOMPARE(b.KESU, 4);
    QCOMPARE(b.Pen.color, board::Blue);
    QCOMPARE(b.Panel2->palette().color(QPalette::Window), QColor(Qt::blue));
    t->drag({{200, 400}, {700, 400}});
    QCOMPARE(strokeThickness(b.Image1->Picture(), 450, 400, board::Blue), 20);
    // Blue chosen while red is the key keeps red hidden.
    b.SpeedButton2->click();
    t->drag({{200, 700}, {700, 700}});
    b.SpeedButton9->click();
    b.SpeedButton3->click();
    QCOMPARE(board::keyColour(b.Image1->Picture()), board::Red);
    QCOMPARE(t->shown(QPoint(450, 700)), t->frozen.pixel(450, 700));
}

void TestBoard::strokeOverBottomLeftPixelChangesKey() {
    TForm25 &b = t->b();
    const int H = t->height();
    const QPoint p(400, 300);
    t->drag({{100, 300}, {700, 300}});
    QCOMPARE(t->shown(p), board::Red);
    b.SpinEdit3->setValue(10);
    t->drag({{3, H - 3}, {40, H - 3}});
    QCOMPARE(board::keyColour(b.Image1->Picture()), board::Red);
    QCOMPARE(t->shown(p), t->frozen.pixel(p)); // every red stroke is see-through now
    b.SpeedButton6->click();                   // black repaints the corner silver
    QCOMPARE(board::keyColour(b.Image1->Picture()), Silver);
    QCOMPARE(t->shown(p), board::Red);
}

void TestBoard::wipeRestoresFrozenScreen() {
    TForm25 &b = t->b();
    b.SpeedButton6->click();
    t->drag({{100, 100}, {800, 600}});
    b.SpeedButton8->click();
    b.SpeedButton7->click();
    const QImage &chalk = b.Image1->Picture();
    const int H = chalk.height();
    QCOMPARE(chalk.copy(0, 0, chalk.width(), H - 4), t->frozen.copy(0, 0, chalk.width(), H - 4));
    QCOMPARE(board::keyColour(chalk), Silver);
    QCOMPARE(b.Pen.color, board::Red);
    QCOMPARE(b.Pen.width, 6);
    QCOMPARE(b.KESU, 1);
}

// Every pen button resets the pen in one way: from a board whose pen, key and width factor
// all differ from a fresh one, each ends on its own row, and with a cut-out on the board the
// colour buttons only stamp it while the eraser and the wipe leave it alone.
void TestBoard::everyPenButtonEndsOnItsRow_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("kesu");
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<QRgb>("key");
    QTest::addColumn<bool>("stamps");
    // Before each click: yellow is the key, the pen blue, the width factor 4.
    QTest::newRow("red") << "SpeedButton2" << 1 << board::Red << Silver << true;
    QTest::newRow("blue keeps factor and key") << "SpeedButton3" << 4 << board::Blue
                                               << board::Yellow << true;
    QTest::newRow("yellow") << "SpeedButton4" << 1 << board::Yellow << Silver << true;
    QTest::newRow("white") << "SpeedButton5" << 1 << board::White << Silver << true;
    QTest::newRow("black") << "SpeedButton6" << 1 << board::Black << Silver << true;
    QTest::newRow("see-through keys the pen's colour") << "SpeedButton9" << 1 << board::Blue
                                                       << board::Blue << true;
    QTest::newRow("eraser") << "SpeedButton8" << 4 << Silver << Silver << false;
    QTest::newRow("wipe") << "SpeedButton7" << 1 << board::Red << Silver << false;
}

void TestBoard::everyPenButtonEndsOnItsRow() {
    QFETCH(QString, button);
    QFETCH(int, kesu);
    QFETCH(QRgb, colour);
    QFETCH(QRgb, key);
    QFETCH(bool, stamps);
    TForm25 &b = t->b();
    auto *clicked = b.findChild<QToolButton *>(button);
    QVERIFY(clicked);

    b.SpeedButton10->click();
    t->drag({{100, 100}, {140, 130}});
    QVERIFY(b.SpeedButton12->isVisible());
    const QRgb before = b.Pen.color;
    clicked->click();
    QCOMPARE(b.SpeedButton12->isVisible(), !stamps);
    if (stamps)
        QCOMPARE(b.Pen.color, before);
    else
        b.SpeedButton12->click();

    b.SpeedButton4->click();
    b.SpeedButton9->click();
    b.SpeedButton3->click();
    b.KESU = 4;
    b.Pen.width = 33;
    b.CSPENS = 33;
    QCOMPARE(board::keyColour(b.Image1->Picture()), board::Yellow);
    clicked->click();
    QCOMPARE(b.KESU, kesu);
    QCOMPARE(b.Pen.color, colour);
    QCOMPARE(b.Pen.width, TForm25::KeyPenWidth);
    QCOMPARE(b.CSPENS, TForm25::KeyPenWidth);
    QCOMPARE(board::keyColour(b.Image1->Picture()), key);
    QCOMPARE(b.Panel2->palette().color(QPalette::Window), QColor::fromRgb(colour));
}

void TestBoard::leavingBeepsAndCloses_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("back button") << false;
    QTest::newRow("Escape, as the back button") << true;
}

void TestBoard::leavingBeepsAndCloses() {
    QFETCH(bool, escape);
    TForm25 &b = t->b();
    QCOMPARE(b.focusWidget(), static_cast<QWidget *>(b.Edit1));
    if (escape)
        QTest::keyClick(b.Edit1, Qt::Key_Escape);
    else
        b.SpeedButton1->click();
    QTRY_VERIFY(!b.isVisible());
    QCOMPARE(t->platform.beeps, QList<unsigned>{platform::BeepDefault});
}

void TestBoard::escapeWaitsWhileCaptureIsPending() {
    TForm25 &b = t->b();
    b.startDelayedCapture(30000); // the board steps out of sight and waits
    QTest::keyClick(b.Edit1, Qt::Key_Escape);
    QVERIFY(b.isVisible());
    QVERIFY(b.Timer1->isActive());
    QVERIFY(t->platform.beeps.isEmpty());
    b.Timer1->stop();
}

void TestBoard::straightLinePreviewStaysOutOfTheLayer() {
    TForm25 &b = t->b();
    b.SpeedButton15->click();
    const QImage before = b.Image1->Picture();
    const QPoint a(100, 400), first(300, 200), c(500, 420);
    const QPoint firstMid = (a + first) / 2, mid = (a + c) / 2;
    t->press(a);
    t->move(first);
    QVERIFY(b.Image1->hasPreview());
    QCOMPARE(t->shown(firstMid), board::Red); // shown over the board
    QCOMPARE(b.Image1->Picture(), before);   // but not drawn into the layer
    t->move(c);
    QCOMPARE(t->shown(firstMid), t->frozen.pixel(firstMid)); // it follows the pointer
    QCOMPARE(t->shown(mid), board::Red);
    QCOMPARE(b.Image1->Picture(), before);
    QCOMPARE(b.history().undoSteps(), 0);
    t->release(c);
    QVERIFY(!b.Image1->hasPreview());
    QVERIFY(segmentIs(b.Image1->Picture(), a, c, board::Red));
    QCOMPARE(b.Image1->Picture().pixel(firstMid), before.pixel(firstMid));
    QCOMPARE(b.history().undoSteps(), 1);
    // A release over the toolbar strip draws nothing and takes the preview away too.
    const QImage drawn = b.Image1->Picture();
    t->press(QPoint(200, 550));
    t->move(QPoint(400, 550));
    QVERIFY(b.Image1->hasPreview());
    t->release(QPoint(t->width() - 10, 550));
    QVERIFY(!b.Image1->hasPreview());
    QCOMPARE(t->shown(QPoint(300, 550)), t->frozen.pixel(300, 550));
    QCOMPARE(b.Image1->Picture(), drawn);
}

namespace {
enum class Step {
    Freehand,
    Straight,
    Eraser,
    Wipe,
    SeeThrough,
    ColourShowsHidden,
    KeyCorner,
    Stamp
};
enum class Keys { Button, CtrlZ };
enum class RedoKeys { CtrlY, CtrlShiftZ };
} // namespace
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Keys)
Q_DECLARE_METATYPE(RedoKeys)

void TestBoard::undoRedoSteps_data() {
    QTest::addColumn<Step>("step");
    QTest::addColumn<Keys>("undo");
    QTest::addColumn<RedoKeys>("redo");
    QTest::addColumn<QPoint>("probe"); // a place whose look the step changes
    QTest::newRow("freehand stroke") << Step::Freehand << Keys::Button << RedoKeys::CtrlY
                                     << QPoint(300, 300);
    QTest::newRow("straight line") << Step::Straight << Keys::CtrlZ << RedoKeys::CtrlShiftZ
                                   << QPoint(300, 410);
    QTest::newRow("eraser stroke over chalk") << Step::Eraser << Keys::CtrlZ << RedoKeys::CtrlY
                                              << QPoint(400, 300);
    QTest::newRow("wipe") << Step::Wipe << Keys::Button << RedoKeys::CtrlY << QPoint(400, 300);
    QTest::newRow("see-through") << Step::SeeThrough << Keys::CtrlZ << RedoKeys::CtrlY
                                 << QPoint(400, 300);
    QTest::newRow("a colour showing the hidden one again")
        << Step::ColourShowsHidden << Keys::Button << RedoKeys::CtrlShiftZ << QPoint(400, 300);
    QTest::newRow("stroke over the key corner") << Step::KeyCorner << Keys::CtrlZ
                                                << RedoKeys::CtrlY << QPoint(400, 300);
    QTest::newRow("stamp of a cut-out") << Step::Stamp << Keys::Button << RedoKeys::CtrlY
                                        << QPoint(410, 320);
}

void TestBoard::undoRedoSteps() {
    QFETCH(Step, step);
    QFETCH(Keys, undo);
    QFETCH(RedoKeys, redo);
    QFETCH(QPoint, probe);
    TForm25 &b = t->b();
    const QList<QPoint> redLine = {{100, 300}, {700, 300}};
    // What the board holds before the step.
    switch (step) {
    case Step::Eraser:
        t->drag(redLine);
        b.SpeedButton8->click();
        break;
    case Step::Wipe:
        t->drag(redLine);
        b.SpeedButton8->click();
        t->drag({{100, 600}, {300, 650}});
        break;
    case Step::SeeThrough:
    case Step::KeyCorner:
        t->drag(redLine);
        break;
    case Step::ColourShowsHidden:
        t->drag(redLine);
        b.SpeedButton9->click();
        break;
    case Step::Straight:
        b.SpeedButton15->click();
        break;
    case Step::Stamp:
        // The screen is the board as it looks now.
        board::setScreenSource([&](const QRect &r) { return b.grab(r).toImage(); });
        t->drag(redLine);
        b.SpeedButton10->click();
        t->drag({{100, 280}, {140, 310}});
        t->press(QPoint(400, 300)); // places the cut-out
        t->release(QPoint(400, 300));
        QVERIFY(b.Image3->isVisible());
        break;
    default:
        break;
    }
    const int stepsBefore = b.history().undoSteps();
    const QImage layerBefore = b.Image1->Picture(), backgroundBefore = b.Image2->Picture();
    const QRgb shownBefore = t->shown(probe);
    switch (step) {
    case Step::Freehand:
        t->drag({{200, 200}, {400, 400}, {600, 250}});
        break;
    case Step::Straight:
        t->press(QPoint(100, 400));
        t->move(QPoint(250, 500));
        t->release(QPoint(500, 420));
        break;
    case Step::Eraser:
        t->drag({{400, 150}, {400, 450}});
        break;
    case Step::Wipe:
        b.SpeedButton7->click();
        break;
    case Step::SeeThrough:
        b.SpeedButton9->click();
        break;
    case Step::ColourShowsHidden:
        b.SpeedButton4->click();
        break;
    case Step::KeyCorner:
        b.SpinEdit3->setValue(10);
        t->drag({{3, t->height() - 3}, {40, t->height() - 3}});
        break;
    case Step::Stamp:
        b.SpeedButton2->click();
        QVERIFY(!b.RFLG2);
        break;
    }
    const QImage layerAfter = b.Image1->Picture(), backgroundAfter = b.Image2->Picture();
    const QRgb shownAfter = t->shown(probe);
    QVERIFY(layerAfter != layerBefore);
    QVERIFY(shownAfter != shownBefore);
    QCOMPARE(b.history().undoSteps(), stepsBefore + 1);
    QVERIFY(b.UndoButton->isEnabled());

    if (undo == Keys::Button)
        b.UndoButton->click();
    else
        QTest::keyClick(b.Edit1, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(b.Image1->Picture() == layerBefore);
    QVERIFY(b.Image2->Picture() == backgroundBefore);
    QCOMPARE(t->shown(probe), shownBefore);
    QCOMPARE(b.history().redoSteps(), 1);

    if (redo == RedoKeys::CtrlY)
        QTest::keyClick(b.Edit1, Qt::Key_Y, Qt::ControlModifier);
    else
        QTest::keyClick(b.Edit1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(b.Image1->Picture() == layerAfter);
    QVERIFY(b.Image2->Picture() == backgroundAfter);
    QCOMPARE(t->shown(probe), shownAfter);
    QCOMPARE(b.history().redoSteps(), 0);
    if (step == Step::Stamp)
        QCOMPARE(backgroundAfter.pixel(probe), board::Red); // the stamp went into both layers
}

void TestBoard::undoKeepsThirtyStepsAndOpeningStartsFresh() {
    TForm25 &b = t->b();
    QVERIFY(!b.UndoButton->isEnabled());
    constexpr int Strokes = 31;
    QList<QImage> states = {b.Image1->Picture()};
    for (int i = 0; i < Strokes; ++i) {
        const int y = 20 + 18 * i;
        t->drag({{100 + 7 * i, y}, {500, y + 10}});
        states.append(b.Image1->Picture());
    }
    QCOMPARE(b.history().undoSteps(), Strokes);
    for (int i = Strokes - 1; i >= 0; --i) {
        b.UndoButton->click();
        QVERIFY2(b.Image1->Picture() == states[i], qPrintable(QString::number(i)));
    }
    QVERIFY(!b.UndoButton->isEnabled());
    QTest::keyClick(b.Edit1, Qt::Key_Z, Qt::ControlModifier); // nothing left to take back
    QVERIFY(b.Image1->Picture() == states[0]);
    // Redo two, then a new stroke: what was undone beyond it cannot come back.
    QTest::keyClick(b.Edit1, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(b.Edit1, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(b.Image1->Picture() == states[2]);
    t->drag({{600, 500}, {700, 520}});
    const QImage fresh = b.Image1->Picture();
    QTest::keyClick(b.Edit1, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(b.Image1->Picture() == fresh);
    QCOMPARE(b.history().undoSteps(), 3);
    // Opening the board again: a new frozen screen and no steps to take back.
    b.SpeedButton1->click();
    QTRY_VERIFY(!b.isVisible());
    t->open();
    QCOMPARE(b.history().undoSteps(), 0);
    QVERIFY(!b.UndoButton->isEnabled());
    const QImage opened = b.Image1->Picture();
    QTest::keyClick(b.Edit1, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(b.Image1->Picture() == opened);
}

void TestBoard::undoWaitsForSelectionToEnd() {
    TForm25 &b = t->b();
    t->drag({{100, 300}, {700, 300}});
    const QImage drawn = b.Image1->Picture();
    b.SpeedButton10->click();
    t->press(QPoint(200, 250));
    t->move(QPoint(300, 350));
    // The rubber band is inverted into the layer now; undo must neither take it for chalk
    // nor take the stroke back under it.
    QTest::keyClick(b.Edit1, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(b.FDrag);
    t->release(QPoint(300, 350));
    QVERIFY(b.RFLG2);
    QVERIFY(b.Image1->Picture() == drawn);
    QCOMPARE(b.history().undoSteps(), 1);
    b.UndoButton->click();
    QCOMPARE(b.Image1->Picture().copy(0, 0, 700, 500), t->frozen.copy(0, 0, 700, 500));
}

void TestBoard::strokeStepStoresOnlyChangedPixels() {
    // A long diagonal stroke spans a large rectangle but changes few of its pixels.
    TForm25 &b = t->b();
    const QPoint from(50, 50), to(650, 550);
    t->drag({from, to});
    const qsizetype box = qsizetype(to.x() - from.x()) * (to.y() - from.y()) * 4;
    QCOMPARE(b.history().undoSteps(), 1);
    QVERIFY2(b.history().bytes() < box / 20, qPrintable(QString::number(b.history().bytes())));
}

BOARD_TEST_MAIN(TestBoard)
#include "tst_board.moc"
