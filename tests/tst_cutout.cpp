// The cut-out: mirror arithmetic, and the tool driven by pointer events: select, cut,
// place, drag, the pop-up menu, zoom, rotate, stamp, and the refusals. (The rotation's
// arithmetic alone is tst_transforms.)
#include "board/core/chalk.h"
#include "board/core/transforms.h"
#include "boardfixture.h"

#include <QMenu>
#include <QToolButton>

using namespace boardtest;
using testsupport::uniquePixels;

namespace {
const QRgb CreamPixel = qRgb(255, 251, 240);
} // namespace

class TestCutOut : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void mirrorTwiceRestores();

    void menuItems();
    void selectionIndependentOfDirection_data();
    void selectionIndependentOfDirection();
    void pressAndReleaseCutsPreviousRectangleAgain();
    void placeAndDrag();
    void menuClosedWithoutChoiceLeavesDragState();
    void zoomByFactorAndBack();
    void zoomFieldGuard_data();
    void zoomFieldGuard();
    void rotateThroughMenu();
    void angleTextNotANumberTurnsByZero();
    void straightLineModeDrawsIntoTheCut();
    void emptyCutIsRefused();
    void zoomBelowOnePixelOrTooLargeIsRefused();
    void colourButtonStampsCutOutFirst();

private:
    // A board with a 40 x 30 cut from (100, 100), not yet placed.
    void cut(Board &t, QPoint from = {100, 100}, QPoint to = {140, 130});
    void place(Board &t, QPoint at);
};

void TestCutOut::cleanup() {
    board::setScreenSource({});
}

void TestCutOut::cut(Board &t, QPoint from, QPoint to) {
    t.b().SpeedButton10->click();
    QVERIFY(t.b().RFLG);
    t.drag({from, to});
}

void TestCutOut::place(Board &t, QPoint at) {
    t.press(at);
    t.release(at);
    QVERIFY(t.b().Image3->isVisible());
    QCOMPARE(t.b().Image3->pos(), at);
}

void TestCutOut::mirrorTwiceRestores() {
    const QImage src = uniquePixels(37, 21);
    const QImage lr = board::mirroredLeftRight(src);
    const QImage tb = board::mirroredTopBottom(src);
    QCOMPARE(lr.pixel(0, 5), src.pixel(36, 5));
    QCOMPARE(tb.pixel(4, 0), src.pixel(4, 20));
    QCOMPARE(board::mirroredLeftRight(lr), src);
    QCOMPARE(board::mirroredTopBottom(tb), src);
    // Through the board: size, transparency and the width factor stay.
    Board t;
    t.open();
    cut(t);
    TForm25 &b = t.b();
    const QImage before = b.Image3->Picture();
    b.SpeedButton8->click();
    b.N4Click();
    QCOMPARE(b.Image3->Picture().pixel(0, 0), before.pixel(39, 0));
    b.N4Click();
    QCOMPARE(b.Image3->Picture(), before);
    b.N5Click();
    b.N5Click();
    QCOMPARE(b.Image3->Picture(), before);
    QCOMPARE(b.KESU, 4);
    QVERIFY(!b.Image3->Transparent());
}

void TestCutOut::menuItems() {
    Board t;
    t.open();
    const QList<QAction *> items = t.b().PopupMenu1->actions();
    const QStringList names = {"N1", "N2", "N3", "N6", "N4", "N5"};
    const QStringList captions = {u"拡大"_qs,   u"縮小"_qs,     u"右回転"_qs,
                                  u"左回転"_qs, u"左右反転"_qs, u"上下反転"_qs};
    QCOMPARE(items.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(items[i]->objectName(), names[i]);
        QCOMPARE(items[i]->text(), captions[i]);
        QVERIFY(!items[i]->icon().pixmap(16, 16).isNull());
    }
    const QStringList capture = {u"キャプチャー"_qs, u"5秒後にキャプチャー"_qs,
                                 u"15秒後にキャプチャー"_qs, u"30秒後にキャプチャー"_qs};
    QCOMPARE(t.b().PopupMenu4->actions().size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(t.b().PopupMenu4->actions()[i]->text(), capture[i]);
    QVERIFY(!t.b().Timer1->isActive());
}

void TestCutOut::selectionIndependentOfDirection_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("upper left to lower right") << QPoint(100, 100) << QPoint(140, 130);
    QTest::newRow("lower right to upper left") << QPoint(140, 130) << QPoint(100, 100);
    QTest::newRow("lower left to upper right") << QPoint(100, 130) << QPoint(140, 100);
}

void TestCutOut::selectionIndependentOfDirection() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Board t;
    t.open();
    TForm25 &b = t.b();
    const QImage before = b.Image1->Picture();
    b.SpeedButton10->click();
    QVERIFY(b.SpeedButton11->isVisible());
    QVERIFY(!b.SpeedButton10->isVisible());
    QCOMPARE(b.Image1->cursor().shape(), Qt::CrossCursor);
    t.press(from);
    QVERIFY(!b.Image1->Transparent()); // opaque while the band is dragged
    t.move((from + to) / 2);
    t.move(to);
    QVERIFY(b.Image1->Picture() != before); // the band is in the layer
    t.release(to);
    QCOMPARE(b.RBAK, (TForm25::TRect{100, 100, 140, 130}));
    QCOMPARE(b.RRX, 40);
    QCOMPARE(b.RRY, 30);
    QCOMPARE(b.R, TForm25::TRect{});
    QCOMPARE(b.Image1->Picture(), before); // the band is gone, no chalk drawn
    QVERIFY(b.Image1->Transparent());
    QCOMPARE(b.Image3->Picture(),
             before.copy(100, 100, 40, 30).convertToFormat(QImage::Format_RGB888));
    QVERIFY(!b.Image3->isVisible());
    QVERIFY(!b.RFLG);
    QVERIFY(b.RFLG2);
    QVERIFY(b.SpeedButton12->isVisible());
    QVERIFY(!b.SpeedButton10->isVisible());
    QVERIFY(!b.SpeedButton11->isVisible());
    QCOMPARE(b.Image1->cursor().shape(), Qt::DragMoveCursor);
    // "イメージクリア" returns to idle.
    b.SpeedButton12->click();
    QVERIFY(!b.RFLG2);
    QVERIFY(b.Image3->Picture().isNull());
    QVERIFY(b.SpeedButton10->isVisible());
    QVERIFY(!b.SpeedButton12->isVisible());
}

void TestCutOut::pressAndReleaseCutsPreviousRectangleAgain() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t);
    const QImage first = b.Image3->Picture();
    b.SpeedButton12->click();
    b.SpeedButton10->click();
    t.press(QPoint(500, 500));
    t.release(QPoint(500, 500));
    QCOMPARE(b.RBAK, (TForm25::TRect{100, 100, 140, 130}));
    QCOMPARE(b.Image3->Picture(), first);
    // Leaving selection mode without a press returns to idle.
    b.SpeedButton12->click();
    b.SpeedButton10->click();
    b.SpeedButton11->click();
    QVERIFY(!b.RFLG);
    QVERIFY(b.SpeedButton10->isVisible());
    QCOMPARE(b.Image1->cursor().shape(), Qt::ArrowCursor);
}

void TestCutOut::placeAndDrag() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t);
    place(t, QPoint(300, 200));
    // Only the first press places it.
    place(t, QPoint(300, 200));
    t.press(QPoint(600, 600));
    t.release(QPoint(600, 600));
    QCOMPARE(b.Image3->pos(), QPoint(300, 200));
    // The grabbed point stays under the pointer.
    QTest::mousePress(b.Image3, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(b.XYFLG);
    QTest::mouseMove(b.Image3, QPoint(25, 15));
    QCOMPARE(b.Image3->pos(), QPoint(320, 210));
    QTest::mouseMove(b.Image3, QPoint(1, 1));
    QCOMPARE(b.Image3->pos(), QPoint(316, 206));
    QTest::mouseRelease(b.Image3, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    QVERIFY(!b.XYFLG);
    // The cut-out is shown opaque after "切り取り": what it covers is its own picture.
    const QImage shown =
        b.grab(QRect(316, 206, 40, 30)).toImage().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(shown, b.Image3->Picture());
}

void TestCutOut::menuClosedWithoutChoiceLeavesDragState() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t);
    place(t, QPoint(300, 200));
    QTest::mousePress(b.Image3, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_VERIFY(b.PopupMenu1->isVisible());
    QVERIFY(b.XYFLG);
    b.PopupMenu1->close();
    QTRY_VERIFY(!b.PopupMenu1->isVisible());
    QVERIFY(b.XYFLG);
    // It follows the pointer without a button held.
    QMouseEvent hover(QEvent::MouseMove, QPointF(20, 14), b.Image3->mapToGlobal(QPointF(20, 14)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(b.Image3, &hover);
    QCOMPARE(b.Image3->pos(), QPoint(310, 204));
    // The board ignores presses and moves.
    const QImage before = b.Image1->Picture();
    t.drag({{600, 600}, {700, 650}});
    QCOMPARE(b.Image1->Picture(), before);
    // A press and release on the cut-out ends it.
    QTest::mouseClick(b.Image3, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QVERIFY(!b.XYFLG);
    t.drag({{600, 600}, {700, 650}});
    QVERIFY(segmentIs(b.Image1->Picture(), {600, 600}, {700, 650}, board::Red));
    // A menu choice ends the drag state it began.
    QTest::mousePress(b.Image3, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_VERIFY(b.PopupMenu1->isVisible());
    b.N4->trigger();
    b.PopupMenu1->close();
    QVERIFY(!b.XYFLG);
}

void TestCutOut::zoomByFactorAndBack() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    b.SpinEdit1->setValue(2);
    b.SpeedButton8->click(); // the eraser's factor goes back to 1 with a zoom
    cut(t);
    QCOMPARE(b.PPBAI, 2.0L);
    QCOMPARE(b.Image3->Picture().size(), QSize(80, 60));
    QCOMPARE(b.Image3->Picture().format(), QImage::Format_RGB888);
    QCOMPARE(b.KESU, 1);
    b.N2Click();
    QCOMPARE(b.Image3->Picture().size(), QSize(40, 30));
    b.N1Click();
    QCOMPARE(b.Image3->Picture().size(), QSize(80, 60));
    // A number typed beyond the field's limits is used as typed.
    b.SpinEdit1->setText(QStringLiteral("12"));
    b.N2Click();
    QCOMPARE(b.Image3->Picture().size(), QSize(6, 5));
}

void TestCutOut::zoomFieldGuard_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("emptied becomes 1") << ""
                                       << "1";
    QTest::newRow("zero becomes 1") << "0"
                                    << "1";
    QTest::newRow("negative becomes 1") << "-3"
                                        << "1";
    QTest::newRow("a decimal point becomes 1") << "2."
                                               << "1";
    QTest::newRow("letters become 1") << "x"
                                      << "1";
    QTest::newRow("whole number kept") << "7"
                                       << "7";
    QTest::newRow("beyond the limit kept while typing") << "15"
                                                        << "15";
}

void TestCutOut::zoomFieldGuard() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    Board t;
    t.open();
    t.b().SpinEdit1->setText(typed);
    QCOMPARE(t.b().SpinEdit1->Text(), text);
}

void TestCutOut::rotateThroughMenu() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t);
    place(t, QPoint(300, 200));
    const QImage before = b.Image3->Picture();
    QVERIFY(!b.Image3->Transparent());
    b.SpinEdit2->setValue(90);
    b.N3Click();
    QVERIFY(b.Image3->Transparent());
    QCOMPARE(b.Image3->Picture().size(), QSize(30, 40));
    QCOMPARE(b.Image3->Picture().pixel(29, 0), before.pixel(0, 0)); // clockwise
    QCOMPARE(b.Image3->pos(), QPoint(300, 200));
    b.N6Click();
    QCOMPARE(b.Image3->Picture(), before);
    // At 45 degrees the cream corners are see-through: the chalk layer shows there.
    b.SpinEdit2->setValue(45);
    b.N3Click();
    const QImage &pic = b.Image3->Picture();
    QCOMPARE(pic.pixel(0, 0), CreamPixel);
    const QPoint corner = b.Image3->pos();
    QCOMPARE(b.grab(QRect(corner, QSize(1, 1))).toImage().pixel(0, 0), t.frozen.pixel(corner));
    const QPoint middle = corner + QPoint(pic.width() / 2, pic.height() / 2);
    QCOMPARE(b.grab(QRect(middle, QSize(1, 1))).toImage().pixel(0, 0),
             pic.pixel(pic.width() / 2, pic.height() / 2));
}

void TestCutOut::angleTextNotANumberTurnsByZero() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t);
    const QImage before = b.Image3->Picture();
    b.SpinEdit2->setText(QStringLiteral("abc"));
    b.N3Click();
    QCOMPARE(b.PPKAKU, 0.0L);
    QCOMPARE(b.SpinEdit2->Text(), u"30"_qs);
    QCOMPARE(b.Image3->Picture(), before);
    QVERIFY(b.Image3->Transparent());
}

void TestCutOut::straightLineModeDrawsIntoTheCut() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    b.SpeedButton15->click(); // straight lines
    t.drag({{40, 40}, {50, 50}});
    QCOMPARE(b.Pen.pos, QPoint(50, 50));
    cut(t, {100, 100}, {200, 180});
    // The line from the pen's position to the release point, then the cut.
    QVERIFY(segmentIs(b.Image1->Picture(), {50, 50}, {200, 180}, board::Red));
    const QImage &pic = b.Image3->Picture();
    QCOMPARE(pic.size(), QSize(100, 80));
    QCOMPARE(pic,
             b.Image1->Picture().copy(100, 100, 100, 80).convertToFormat(QImage::Format_RGB888));
    QCOMPARE(pic.pixel(50, 37), qRgb(255, 0, 0)); // (150, 137) lies on the line
}

void TestCutOut::emptyCutIsRefused() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    // No selection since the start: the rectangle to cut again is empty.
    b.SpeedButton10->click();
    t.press(QPoint(300, 300));
    t.release(QPoint(300, 300));
    // A drag along a vertical line.
    t.drag({{100, 100}, {100, 150}});
    QCOMPARE(b.RRX, 0);
    QCOMPARE(t.platform.beeps, (QList<unsigned>{platform::BeepDefault, platform::BeepDefault}));
    QVERIFY(!b.RFLG2);
    QVERIFY(b.Image3->Picture().isNull());
    QVERIFY(b.RFLG); // still selecting: another drag can cut
    QVERIFY(b.SpeedButton11->isVisible());
    QCOMPARE(b.Image1->cursor().shape(), Qt::CrossCursor);
    t.drag({{100, 100}, {110, 120}});
    QCOMPARE(b.Image3->Picture().size(), QSize(10, 20));
}

void TestCutOut::zoomBelowOnePixelOrTooLargeIsRefused() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    cut(t, {100, 100}, {103, 103});
    const QImage small = b.Image3->Picture();
    QCOMPARE(small.size(), QSize(3, 3));
    b.SpinEdit1->setValue(5);
    b.SpeedButton8->click();
    b.N2Click(); // 0.6 x 0.6
    QCOMPARE(b.Image3->Picture(), small);
    QCOMPARE(t.platform.beeps, QList<unsigned>{platform::BeepDefault});
    QCOMPARE(b.KESU, 4);
    b.SpinEdit1->setValue(10);
    b.N1Click(); // 30 x 30
    b.N1Click(); // 300 x 300
    b.N1Click(); // 3000 x 3000
    const QImage big = b.Image3->Picture();
    QCOMPARE(big.size(), QSize(3000, 3000));
    b.N1Click(); // 30000 x 30000 is more than the board holds
    QCOMPARE(b.Image3->Picture().size(), QSize(3000, 3000));
    QCOMPARE(t.platform.beeps.size(), 2);
}

void TestCutOut::colourButtonStampsCutOutFirst() {
    Board t;
    t.open();
    TForm25 &b = t.b();
    // The screen is the board as it looks now.
    board::setScreenSource([&](const QRect &r) { return b.grab(r).toImage(); });
    b.SpeedButton6->click(); // black chalk
    t.drag({{200, 50}, {350, 50}});
    cut(t);
    place(t, QPoint(400, 300));
    const QImage pic = b.Image3->Picture();
    b.SpeedButton2->click(); // stamps, colour stays black
    QVERIFY(!b.RFLG2);
    QVERIFY(!b.Image3->isVisible());
    QVERIFY(b.SpeedButton10->isVisible());
    QVERIFY(!b.SpeedButton12->isVisible());
    QCOMPARE(b.Pen.color, board::Black);
    const QImage layer = b.Image1->Picture().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(layer.copy(400, 300, 40, 30), pic);
    QCOMPARE(b.Image2->Picture().pixel(410, 310), b.Image1->Picture().pixel(410, 310));
    // The chalk drawn before the stamp is in both bitmaps now: wiping keeps it.
    b.SpeedButton7->click();
    QCOMPARE(b.Image1->Picture().pixel(300, 50), board::Black);
    // The next click changes the colour.
    b.SpeedButton5->click();
    QCOMPARE(b.Pen.color, board::White);
}

BOARD_TEST_MAIN(TestCutOut)
#include "tst_cutout.moc"
