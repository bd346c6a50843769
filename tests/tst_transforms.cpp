// The cut-out's rotation arithmetic on plain pictures: quarter and half turns, the
// bounding box and its cream corners, rounding, and the fast loop against the literal one.
#include "board/core/transforms.h"
#include "support/coresupport.h"
#include "support/literalrotate.h"

#include <QtTest>
#include <cmath>
#include <set>

using testsupport::uniquePixels;

namespace {
std::set<QRgb> colours(const QImage &img) {
    std::set<QRgb> s;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            s.insert(img.pixel(x, y));
    return s;
}

const QRgb CreamPixel = qRgb(255, 251, 240);
} // namespace

class TestTransforms : public QObject {
    Q_OBJECT
private slots:
    void rotateQuarterAndHalfTurns_data();
    void rotateQuarterAndHalfTurns();
    void rotate45GivesBoundingBoxWithCreamCorners();
    void rotateThereAndBackGrowsTheBox();
    void rotateMatchesDirectFormula_data();
    void rotateMatchesDirectFormula();
    void roundingHalvesUpward_data();
    void roundingHalvesUpward();
};

void TestTransforms::rotateQuarterAndHalfTurns_data() {
    QTest::addColumn<double>("angle");
    QTest::addColumn<QSize>("size");
    QTest::newRow("90 clockwise") << 90.0 << QSize(50, 100);
    QTest::newRow("-90") << -90.0 << QSize(50, 100);
    QTest::newRow("180") << 180.0 << QSize(100, 50);
    QTest::newRow("270 as -90") << 270.0 << QSize(50, 100);
    QTest::newRow("360 unchanged") << 360.0 << QSize(100, 50);
}

void TestTransforms::rotateQuarterAndHalfTurns() {
    QFETCH(double, angle);
    QFETCH(QSize, size);
    const QImage src = uniquePixels(100, 50);
    const QImage dst = board::rotated(src, angle);
    QCOMPARE(dst.size(), size);
    QCOMPARE(dst.format(), QImage::Format_RGB888);
    QVERIFY(colours(dst) == colours(src)); // every source pixel, no cream
    // Where source pixel (x, y) lands; positive angles turn clockwise on screen.
    auto where = [&](int x, int y) {
        switch (int(std::lround(angle)) % 360) {
        case 90:
            return QPoint(49 - y, x);
        case -90:
        case 270:
            return QPoint(y, 99 - x);
        case 180:
            return QPoint(99 - x, 49 - y);
        default:
            return QPoint(x, y);
        }
    };
    for (int y = 0; y < 50; y += 7)
        for (int x = 0; x < 100; x += 9)
            QCOMPARE(dst.pixel(where(x, y)), src.pixel(x, y));
}

void TestTransforms::rotate45GivesBoundingBoxWithCreamCorners() {
    // Corners (0,0) (99,0) (99,49) (0,49) turn to (0,0) (70,70) (35,105) (-35,35).
    const QImage dst = board::rotated(uniquePixels(100, 50), 45);
    QCOMPARE(dst.size(), QSize(106, 106));
    for (QPoint corner : {QPoint(0, 0), QPoint(105, 0), QPoint(0, 105), QPoint(105, 105)})
        QCOMPARE(dst.pixel(corner), CreamPixel);
    QCOMPARE(dst.pixel(35, 0), qRgb(0, 0, 77)); // source (0, 0)
    const auto box = board::rotatedBox(100, 50, 45);
    QCOMPARE(box.left, -35);
    QCOMPARE(box.top, 0);
}

void TestTransforms::rotateThereAndBackGrowsTheBox() {
    const QImage src = uniquePixels(100, 50);
    const QImage back = board::rotated(board::rotated(src, 30), -30);
    QVERIFY(back.width() > 100 && back.height() > 50);
    for (QPoint corner : {QPoint(0, 0), QPoint(back.width() - 1, 0), QPoint(0, back.height() - 1),
                          QPoint(back.width() - 1, back.height() - 1)})
        QCOMPARE(back.pixel(corner), CreamPixel);
}

void TestTransforms::rotateMatchesDirectFormula_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("angle");
    // Widths of 4 and 800 leave no padding after a row: the last source pixel ends the bitmap.
    for (QSize s : {QSize(1, 1), QSize(2, 1), QSize(3, 7), QSize(4, 4), QSize(100, 50),
                    QSize(37, 61), QSize(800, 600)})
        for (double a :
             {0.0, 0.1, 1.0, 12.5, 30.0, -30.0, 45.0, 89.9, 90.0, -137.0, 180.0, 359.0, 725.0})
            QTest::addRow("%dx%d by %g", s.width(), s.height(), a) << s << a;
}

void TestTransforms::rotateMatchesDirectFormula() {
    QFETCH(QSize, size);
    QFETCH(double, angle);
    const QImage src = uniquePixels(size.width(), size.height());
    QCOMPARE(board::rotated(src, angle), literalRotate(src, angle));
}

void TestTransforms::roundingHalvesUpward_data() {
    QTest::addColumn<double>("v");
    QTest::addColumn<qlonglong>("n");
    QTest::newRow("2.5 up") << 2.5 << 3LL;
    QTest::newRow("-2.5 up to -2") << -2.5 << -2LL;
    QTest::newRow("-2.6") << -2.6 << -3LL;
    QTest::newRow("0.49") << 0.49 << 0LL;
    QTest::newRow("-0.5 to 0") << -0.5 << 0LL;
}

void TestTransforms::roundingHalvesUpward() {
    QFETCH(double, v);
    QFETCH(qlonglong, n);
    QCOMPARE(board::roundHalfUp(v), n);
}

QUMO_CORE_TEST_MAIN(TestTransforms)
#include "tst_transforms.moc"
