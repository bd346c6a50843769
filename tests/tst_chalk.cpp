// Chalk on a layer bitmap and the colour-keyed composition of the board's layers.
#include "board/core/chalk.h"
#include "support/coresupport.h"

#include <QtTest>

using board::ChalkPen;

namespace {
QImage layer(QSize size, QRgb fill) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}
} // namespace

class TestChalk : public QObject {
    Q_OBJECT
private slots:
    void lineReplacesPixelsInsideItsRect_data();
    void lineReplacesPixelsInsideItsRect();
    void keyIsTheBottomLeftPixel();
    void compositionKeyedByTheTopLayer_data();
    void compositionKeyedByTheTopLayer();
    void keyColourTurnsTransparent();
};

// A line covers its pixels with exactly the pen's colour (no smoothing), as thick as the
// pen, and the rectangle it reports holds every pixel that changed.
void TestChalk::lineReplacesPixelsInsideItsRect_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("draws");
    QTest::newRow("thin horizontal") << QPoint(10, 50) << QPoint(90, 50) << 1 << true;
    QTest::newRow("five wide horizontal") << QPoint(10, 50) << QPoint(90, 50) << 5 << true;
    QTest::newRow("wide diagonal") << QPoint(20, 20) << QPoint(80, 70) << 20 << true;
    QTest::newRow("no length: nothing, as a click leaves no dot")
        << QPoint(50, 50) << QPoint(50, 50) << 9 << false;
    QTest::newRow("partly outside the bitmap") << QPoint(-30, 40) << QPoint(40, 40) << 7 << true;
}

void TestChalk::lineReplacesPixelsInsideItsRect() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, width);
    QFETCH(bool, draws);
    const QImage before = layer(QSize(100, 100), board::Silver);
    QImage img = before;
    ChalkPen pen;
    pen.color = board::Red;
    pen.width = width;
    pen.moveTo(from);
    const QRect changed = pen.lineTo(img, to);
    QCOMPARE(pen.pos, to);
    int changedPixels = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) == before.pixel(x, y))
                continue;
            ++changedPixels;
            QCOMPARE(img.pixel(x, y), board::Red);
            QVERIFY2(changed.contains(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    QCOMPARE(changedPixels > 0, draws);
    if (from.y() == to.y() && from.x() < to.x() && from.x() >= 0) {
        // Across a horizontal line, halfway: as many pixels as the pen is wide.
        const int x = (from.x() + to.x()) / 2;
        int thickness = 0;
        for (int y = 0; y < img.height(); ++y)
            thickness += img.pixel(x, y) == board::Red;
        QCOMPARE(thickness, width);
    }
}

void TestChalk::keyIsTheBottomLeftPixel() {
    QImage img = layer(QSize(4, 3), board::Silver);
    QCOMPARE(board::keyColour(img), board::Silver);
    img.setPixel(0, 2, board::Red);
    QCOMPARE(board::keyColour(img), board::Red);
    img.setPixel(0, 0, board::Blue); // the top-left pixel does not count
    QCOMPARE(board::keyColour(img), board::Red);
    QCOMPARE(board::keyColour(QImage()), QRgb(0));
}

void TestChalk::compositionKeyedByTheTopLayer_data() {
    QTest::addColumn<bool>("keyed");
    QTest::newRow("keyed: the key colour shows the layer under it") << true;
    QTest::newRow("not keyed: the top layer alone") << false;
}

void TestChalk::compositionKeyedByTheTopLayer() {
    QFETCH(bool, keyed);
    const QSize size(8, 6);
    QImage top = layer(size, board::Silver);
    top.setPixel(3, 2, board::Red);
    const QImage under = testsupport::uniquePixels(8, 6).convertToFormat(QImage::Format_RGB32);
    QImage out = layer(size, board::Black);
    const QRect r(1, 1, 5, 4);
    board::composeLayers(top, under, out, r, keyed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            QRgb want = board::Black; // outside the rectangle: untouched
            if (r.contains(x, y))
                want = top.pixel(x, y) == board::Silver && keyed ? under.pixel(x, y) : top.pixel(x, y);
            QCOMPARE(out.pixel(x, y), want);
        }
    // The same rule, pixel by pixel.
    const QRgb t[] = {board::Silver, board::Red, board::Silver};
    const QRgb u[] = {board::Blue, board::Blue, board::Yellow};
    QRgb o[3] = {};
    board::keyedSelect(t, u, o, 3, board::Silver);
    QCOMPARE(o[0], board::Blue);
    QCOMPARE(o[1], board::Red);
    QCOMPARE(o[2], board::Yellow);
}

void TestChalk::keyColourTurnsTransparent() {
    QImage img = layer(QSize(5, 5), board::Cream);
    img.setPixel(2, 2, board::Blue);
    const QImage see = board::keyedToAlpha(img);
    QCOMPARE(see.size(), img.size());
    QCOMPARE(qAlpha(see.pixel(0, 4)), 0);
    QCOMPARE(qAlpha(see.pixel(4, 0)), 0);
    QCOMPARE(see.pixel(2, 2), board::Blue);
}

QUMO_CORE_TEST_MAIN(TestChalk)
#include "tst_chalk.moc"
