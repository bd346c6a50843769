// Bilinear resize: the fast kernel against a literal per-pixel transcription of the
// definition, plus the rows whose results are known by hand.
#include "app/core/errors.h"
#include "mwex/core/resize.h"
#include "support/literalresize.h"
#include "support/coresupport.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

namespace {

QImage randomImage(int w, int h, QImage::Format format, quint32 seed) {
    QRandomGenerator rng(seed);
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate());
    return img.convertToFormat(format);
}

// Only 0 and 255, in a pattern that makes every blend an extreme one.
QImage extremeImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 0, 255) : qRgb(0, 255, 0));
    return img;
}

QImage redRow(std::initializer_list<int> reds) {
    QImage img(int(reds.size()), 1, QImage::Format_RGB888);
    int x = 0;
    for (int r : reds)
        img.setPixel(x++, 0, qRgb(r, 0, 0));
    return img;
}

QList<int> reds(const QImage& img, int y = 0) {
    QList<int> out;
    for (int x = 0; x < img.width(); ++x)
        out.append(qRed(img.pixel(x, y)));
    return out;
}

// Byte comparison that names the first differing pixel.
void compareBytes(const QImage& got, const QImage& want) {
    QCOMPARE(got.format(), QImage::Format_RGB888);
    QCOMPARE(got.size(), want.size());
    for (int y = 0; y < want.height(); ++y) {
        const uchar* g = got.constScanLine(y);
        const uchar* w = want.constScanLine(y);
        for (int k = 0; k < want.width() * 3; ++k)
            if (g[k] != w[k])
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) channel %3: %4, expected %5")
                                     .arg(k / 3)
                                     .arg(y)
                                     .arg(k % 3)
                                     .arg(g[k])
                                     .arg(w[k])));
    }
}

} // namespace

class TestResize : public QObject {
    Q_OBJECT
private slots:
    void setByte_data();
    void setByte();
    void knownResults_data();
    void knownResults();
    void halvingSamplesExactPixels();
    void sameSizeEqualsSource_data();
    void sameSizeEqualsSource();
    void anyFormatGives24Bits_data();
    void anyFormatGives24Bits();
    void matchesDefinition_data();
    void matchesDefinition();
    void plainLoopMatchesDefinition_data() { matchesDefinition_data(); }
    void plainLoopMatchesDefinition();
    void refusesEmptySizes_data();
    void refusesEmptySizes();
    void inputUntouched();
};

void TestResize::setByte_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("byte");
    QTest::newRow("126.5 ties to even 126") << 126.5 << 126;
    QTest::newRow("125.5 ties to even 126") << 125.5 << 126;
    QTest::newRow("0.5 ties to 0") << 0.5 << 0;
    QTest::newRow("127.5 ties to 128") << 127.5 << 128;
    QTest::newRow("just under a half") << 126.49999999999999 << 126;
    QTest::newRow("just over a half") << 126.50000000000001 << 127;
    QTest::newRow("254.5 ties to 254") << 254.5 << 254;
    QTest::newRow("255.5 rounds to 256, limited") << 255.5 << 255;
    QTest::newRow("far above") << 1e9 << 255;
    QTest::newRow("-0.4 rounds to -0") << -0.4 << 0;
    QTest::newRow("-0.5 ties to -0") << -0.5 << 0;
    QTest::newRow("-7 limited") << -7.0 << 0;
}

void TestResize::setByte() {
    QFETCH(double, value);
    QFETCH(int, byte);
    QCOMPARE(int(SetByte(value)), byte);
}

void TestResize::knownResults_data() {
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("doubling 0 255: 127.5 to 128, last column repeated")
        << redRow({0, 255}) << 4 << QList<int>{0, 128, 255, 255};
    QTest::newRow("blend at 126.5 gives 126")
        << redRow({126, 127}) << 4 << QList<int>{126, 126, 127, 127};
    QTest::newRow("blend at 125.5 gives 126")
        << redRow({125, 126}) << 4 << QList<int>{125, 126, 126, 126};
    QTest::newRow("one pixel stretched") << redRow({77}) << 5 << QList<int>{77, 77, 77, 77, 77};
    QTest::newRow("thirds") << redRow({0, 30, 90}) << 2 << QList<int>{0, 60};
}

void TestResize::knownResults() {
    QFETCH(QImage, source);
    QFETCH(int, width);
    QFETCH(QList<int>, expected);
    const QImage out = BitmapResize_Bilinear(source, width, 1);
    QCOMPARE(out.format(), QImage::Format_RGB888);
    QCOMPARE(reds(out), expected);
}

void TestResize::halvingSamplesExactPixels() {
    const QImage src = randomImage(4, 4, QImage::Format_RGB888, 4);
    const QImage out = BitmapResize_Bilinear(src, 2, 2);
    QCOMPARE(out.size(), QSize(2, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            QCOMPARE(out.pixel(x, y), src.pixel(2 * x, 2 * y));
}

void TestResize::sameSizeEqualsSource_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("24-bit") << int(QImage::Format_RGB888);
    QTest::newRow("32-bit") << int(QImage::Format_RGB32);
    QTest::newRow("bgr") << int(QImage::Format_BGR888);
}

void TestResize::sameSizeEqualsSource() {
    QFETCH(int, format);
    const QImage src = randomImage(13, 7, QImage::Format(format), 7);
    compareBytes(BitmapResize_Bilinear(src, 13, 7), src.convertToFormat(QImage::Format_RGB888));
}

void TestResize::anyFormatGives24Bits_data() {
    QTest::addColumn<QImage>("source");
    QImage alpha(9, 5, QImage::Format_ARGB32);
    alpha.fill(qRgba(200, 100, 50, 10)); // faint: alpha dropped, colour kept
    QTest::newRow("32-bit with alpha") << alpha;
    QTest::newRow("premultiplied") << alpha.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage indexed(9, 5, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(250, 0, 128), qRgb(1, 2, 3)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            indexed.setPixel(x, y, (x * y) % 3);
    QTest::newRow("paletted") << indexed;
    QTest::newRow("grey") << randomImage(9, 5, QImage::Format_Grayscale8, 3);
    QTest::newRow("16-bit") << randomImage(9, 5, QImage::Format_RGB16, 5);
    QTest::newRow("monochrome") << randomImage(9, 5, QImage::Format_Mono, 6);
}

void TestResize::anyFormatGives24Bits() {
    QFETCH(QImage, source);
    const QImage out = BitmapResize_Bilinear(source, 17, 3);
    QCOMPARE(out.size(), QSize(17, 3));
    compareBytes(out, literalResize(source, 17, 3));
    if (source.format() == QImage::Format_ARGB32)
        QCOMPARE(out.pixel(16, 2), qRgb(200, 100, 50));
}

void TestResize::matchesDefinition_data() {
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("size");
    const QList<QSize> sources = {{1, 1}, {1, 7}, {7, 1}, {3, 5}, {17, 13}, {64, 48}, {101, 37}};
    const QList<QSize> targets = {{1, 1}, {2, 3}, {5, 1}, {50, 36}, {31, 17}, {129, 97}};
    quint32 seed = 1;
    for (const QSize& s : sources)
        for (const QSize& t : targets) {
            const QString name = QStringLiteral("%1x%2 to %3x%4")
                                     .arg(s.width())
                                     .arg(s.height())
                                     .arg(t.width())
                                     .arg(t.height());
            QTest::newRow(qPrintable(name + " random 24-bit"))
                << randomImage(s.width(), s.height(), QImage::Format_RGB888, seed++) << t;
            QTest::newRow(qPrintable(name + " random 32-bit"))
                << randomImage(s.width(), s.height(), QImage::Format_RGB32, seed++) << t;
            QTest::newRow(qPrintable(name + " extremes"))
                << extremeImage(s.width(), s.height()) << t;
        }
    // Sizes whose factors are not representable, wide rows for the vector path's tails.
    QTest::newRow("1920x1080 to 50x36")
        << randomImage(1920, 1080, QImage::Format_RGB888, 99) << QSize(50, 36);
    QTest::newRow("300x200 to 901x601")
        << randomImage(300, 200, QImage::Format_RGB888, 98) << QSize(901, 601);
    QImage white(7, 3, QImage::Format_RGB888);
    white.fill(Qt::white);
    QTest::newRow("all 255 stays 255") << white << QSize(23, 11);
}

void TestResize::matchesDefinition() {
    QFETCH(QImage, source);
    QFETCH(QSize, size);
    compareBytes(BitmapResize_Bilinear(source, size.width(), size.height()),
                 literalResize(source, size.width(), size.height()));
}

void TestResize::plainLoopMatchesDefinition() {
    resizeUseVectorUnit(false);
    const auto restore = qScopeGuard([] { resizeUseVectorUnit(true); });
    matchesDefinition();
}

void TestResize::refusesEmptySizes_data() {
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("size");
    const QImage src = randomImage(4, 4, QImage::Format_RGB888, 1);
    QTest::newRow("width 0") << src << QSize(0, 5);
    QTest::newRow("height 0") << src << QSize(5, 0);
    QTest::newRow("negative") << src << QSize(-3, 5);
    QTest::newRow("empty source") << QImage() << QSize(5, 5);
}

void TestResize::refusesEmptySizes() {
    QFETCH(QImage, source);
    QFETCH(QSize, size);
    QVERIFY_THROWS_EXCEPTION(QumoError, BitmapResize_Bilinear(source, size.width(), size.height()));
}

void TestResize::inputUntouched() {
    const QImage src = randomImage(11, 9, QImage::Format_RGB32, 12);
    const QImage before = src.copy();
    BitmapResize_Bilinear(src, 30, 2);
    QCOMPARE(src, before);
}

QUMO_CORE_TEST_MAIN(TestResize)
#include "tst_resize.moc"
