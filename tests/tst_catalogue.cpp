// Thumbnail catalogues: which folders are visited, the index text, the sheet's geometry and
// pixels, complete catalogues left alone, and pictures that cannot be decoded.
#include "app/MAIN.h"
#include "app/values.h"
#include "mwex/bmpio.h"
#include "mwex/catalogue.h"
#include "mwex/jpegio.h"
#include "mwex/resize.h"
#include "platform/fs.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <QtTest>

using namespace testsupport;

namespace {

QImage pattern(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         qRgb((x * 7 + seed * 40) % 256, (y * 5 + seed * 90) % 256,
                              (x * y + seed * 13) % 256));
    return img;
}

QByteArray jpegOf(const QImage& img) {
    QString error;
    const QByteArray b = jpegio::encode(img, &error);
    if (b.isEmpty())
        qFatal("no JPEG fixture");
    return b;
}

// The thumbnail a picture file must give: its own decoder, then the resize.
QImage expectedThumb(const QByteArray& bytes, bool jpeg) {
    QString error;
    const QImage full = jpeg ? jpegio::decode(bytes, &error) : bmpio::decode(bytes, &error);
    return BitmapResize_Bilinear(full, 50, 36);
}

bool regionIs(const QImage& sheet, const QRect& r, const QImage& expected) {
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x)
            if (sheet.pixel(r.left() + x, r.top() + y) != expected.pixel(x, y))
                return false;
    return true;
}

bool allWhite(const QImage& sheet, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (sheet.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

// Some dark pixel: a caption was drawn.
bool hasInk(const QImage& sheet, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(sheet.pixel(x, y)) < 160)
                return true;
    return false;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void geometry_data();
    void geometry();
    void threePicturesInOneRow();
    void fourthPictureStartsRowOne();
    void emptyFolder();
    void capitalExtensionIsJpeg();
    void onlyOrdinaryPicturesListed();
    void captionClippedToItsBox();
    void undecodablePicturesGiveBlankCells();
    void completeCatalogueUntouched();
    void incompleteCatalogueRebuilt();
    void foldersInOrderMissingSkipped();
    void readOnlyMediumVisitsNothing();
    void indexWrittenLikeBsave();

private:
    QString folder(const QString& sub = QStringLiteral("Graphics/Button")) const {
        return root_->path() + QStringLiteral("/MWEX/") + sub;
    }
    QString put(const QString& name, const QByteArray& bytes,
                const QString& sub = QStringLiteral("Graphics/Button")) {
        const QString path = folder(sub) + u'/' + name;
        writeFile(path, bytes);
        return path;
    }
    void runShape() { form_->MWSHAPE(win(root_->path() + QStringLiteral("/MWEX"))); }
    QImage sheet(const QString& sub = QStringLiteral("Graphics/Button")) {
        QString error;
        const QImage img = bmpio::readFile(win(folder(sub) + QStringLiteral("/thumb.bmp")), &error);
        if (img.isNull())
            qWarning("%s", qPrintable(error));
        return img;
    }
    QByteArray index(const QString& sub = QStringLiteral("Graphics/Button")) {
        return readFile(folder(sub) + QStringLiteral("/index.txt"));
    }

    QumoValues values_;
    RecordingPlatform platform_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<QTemporaryDir> root_;
    QString startFolder_;
};

void TestCatalogue::initTestCase() {
    form_ = std::make_unique<TForm1>(values_, platform_);
    startFolder_ = QDir::currentPath();
}

void TestCatalogue::init() {
    root_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(folder()));
    values_.DVD = false;
}

void TestCatalogue::cleanup() {
    QDir::setCurrent(startFolder_);
    root_.reset();
}

void TestCatalogue::geometry_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("height");
    QTest::newRow("none") << 0 << 140;
    QTest::newRow("one") << 1 << 140;
    QTest::newRow("three") << 3 << 140;
    QTest::newRow("four") << 4 << 210;
    QTest::newRow("six") << 6 << 210;
    QTest::newRow("seven") << 7 << 280;
}

void TestCatalogue::geometry() {
    QFETCH(int, count);
    QFETCH(int, height);
    QCOMPARE(catalogue::sheetHeight(count), height);
    QCOMPARE(catalogue::pictureBox(5), QRect(QPoint(156, 82), QPoint(205, 117)));
    QCOMPARE(catalogue::captionBox(5), QRect(QPoint(156, 124), QPoint(205, 133)));
}

void TestCatalogue::threePicturesInOneRow() {
    const QByteArray a = jpegOf(pattern(120, 80, 1));
    const QByteArray b = bmpio::encode(pattern(33, 17, 2));
    const QByteArray c = jpegOf(pattern(16, 16, 3));
    put(QStringLiteral("c.jpeg"), c);
    put(QStringLiteral("a.jpg"), a);
    put(QStringLiteral("B.bmp"), b);
    runShape();

    QCOMPARE(index(), QByteArray("a.jpg B.bmp c.jpeg"));
    const QImage s = sheet();
    QCOMPARE(s.size(), QSize(catalogue::SheetWidth, 140));
    QVERIFY(regionIs(s, catalogue::pictureBox(0), expectedThumb(a, true)));
    QVERIFY(regionIs(s, catalogue::pictureBox(1), expectedThumb(b, false)));
    QVERIFY(regionIs(s, catalogue::pictureBox(2), expectedThumb(c, true)));
    for (int i = 0; i < 3; ++i)
        QVERIFY(hasInk(s, catalogue::captionBox(i)));
    // Margins and the gaps between cells stay white.
    QVERIFY(allWhite(s, QRect(0, 0, 16, 140)));
    QVERIFY(allWhite(s, QRect(66, 0, 20, 140)));
    QVERIFY(allWhite(s, QRect(206, 0, 16, 140)));
    QVERIFY(allWhite(s, QRect(0, 64, catalogue::SheetWidth, 76)));
    // 24 bits per pixel in the file.
    const QByteArray file = readFile(folder() + QStringLiteral("/thumb.bmp"));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 28), quint16(24));
}

void TestCatalogue::fourthPictureStartsRowOne() {
    QByteArray fourth;
    for (int i = 0; i < 4; ++i) {
        fourth = bmpio::encode(pattern(60 + i, 40, i));
        put(QStringLiteral("p%1.bmp").arg(i), fourth);
    }
    runShape();
    const QImage s = sheet();
    QCOMPARE(s.height(), 210);
    QCOMPARE(catalogue::pictureBox(3).topLeft(), QPoint(16, 82));
    QVERIFY(regionIs(s, catalogue::pictureBox(3), expectedThumb(fourth, false)));
    QVERIFY(hasInk(s, catalogue::captionBox(3)));
    QVERIFY(allWhite(s, QRect(86, 82, 136, 128))); // the rest of row 1 and the spare row
}

void TestCatalogue::emptyFolder() {
    put(QStringLiteral("readme.txt"), "not a picture");
    runShape();
    QCOMPARE(index(), QByteArray());
    QVERIFY(QFileInfo::exists(folder() + QStringLiteral("/index.txt")));
    const QImage s = sheet();
    QCOMPARE(s.size(), QSize(catalogue::SheetWidth, 140));
    QVERIFY(allWhite(s, s.rect()));
}

void TestCatalogue::capitalExtensionIsJpeg() {
    const QByteArray d = jpegOf(pattern(40, 30, 4));
    put(QStringLiteral("D.JPG"), d);
    runShape();
    QCOMPARE(index(), QByteArray("D.JPG"));
    QVERIFY(regionIs(sheet(), catalogue::pictureBox(0), expectedThumb(d, true)));
}

void TestCatalogue::onlyOrdinaryPicturesListed() {
    put(QStringLiteral("b.BMP"), bmpio::encode(pattern(2, 2, 0)));
    put(QStringLiteral("A.jpeg"), jpegOf(pattern(2, 2, 0)));
    put(QStringLiteral(".hidden.jpg"), jpegOf(pattern(2, 2, 0)));
    put(QStringLiteral("c.png"), "png");
    put(QStringLiteral("x.jpgx"), "no");
    QVERIFY(QDir().mkpath(folder() + QStringLiteral("/folder.jpg")));
    put(QStringLiteral("inner.jpg"), jpegOf(pattern(2, 2, 0)),
        QStringLiteral("Graphics/Button/sub"));
    QCOMPARE(catalogue::pictureList(win(folder())), QStringList({"A.jpeg", "b.BMP"}));
}

void TestCatalogue::captionClippedToItsBox() {
    put(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWW.bmp"), bmpio::encode(pattern(5, 5, 1)));
    runShape();
    const QImage s = sheet();
    const QRect box = catalogue::captionBox(0);
    QVERIFY(hasInk(s, box));
    // Nothing right of the box (the next cell's caption area is empty) nor below it.
    QVERIFY(allWhite(s, QRect(box.right() + 1, box.top(), 150, box.height())));
    QVERIFY(allWhite(s, QRect(0, box.bottom() + 1, catalogue::SheetWidth, 10)));
}

void TestCatalogue::undecodablePicturesGiveBlankCells() {
    const QByteArray good = jpegOf(pattern(64, 48, 5));
    QByteArray corrupt = good;
    for (qsizetype i = 0; i + 1 < corrupt.size(); ++i)
        if (uchar(corrupt[i]) == 0xFF && uchar(corrupt[i + 1]) == 0xDA) {
            corrupt[i + 5] = char(0x77); // scan of a component that does not exist
            break;
        }
    const QByteArray bmp = bmpio::encode(pattern(30, 30, 6));
    QByteArray huge = bmp;
    qToLittleEndian<qint32>(200000, reinterpret_cast<uchar*>(huge.data()) + 18);
    qToLittleEndian<qint32>(200000, reinterpret_cast<uchar*>(huge.data()) + 22);
    put(QStringLiteral("1corrupt.jpg"), corrupt);
    put(QStringLiteral("2good.jpg"), good);
    put(QStringLiteral("3truncated.bmp"), bmp.left(bmp.size() / 2));
    put(QStringLiteral("4huge.bmp"), huge);
    put(QStringLiteral("5text.jpg"), "just some text");
    put(QStringLiteral("6good.bmp"), bmp);
    runShape();

    QCOMPARE(index(),
             QByteArray("1corrupt.jpg 2good.jpg 3truncated.bmp 4huge.bmp 5text.jpg 6good.bmp"));
    const QImage s = sheet();
    QCOMPARE(s.height(), 210);
    for (int i : {0, 2, 3, 4})
        QVERIFY2(allWhite(s, catalogue::pictureBox(i)), qPrintable(QString::number(i)));
    QVERIFY(regionIs(s, catalogue::pictureBox(1), expectedThumb(good, true)));
    QVERIFY(regionIs(s, catalogue::pictureBox(5), expectedThumb(bmp, false)));
    for (int i = 0; i < 6; ++i)
        QVERIFY(hasInk(s, catalogue::captionBox(i)));
}

void TestCatalogue::completeCatalogueUntouched() {
    put(QStringLiteral("a.jpg"), jpegOf(pattern(8, 8, 1)));
    const QString idx = put(QStringLiteral("index.txt"), "old index");
    const QString thumb = put(QStringLiteral("thumb.bmp"), "old sheet");
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    for (const QString& f : {idx, thumb}) {
        QFile file(f);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    runShape();
    QCOMPARE(readFile(idx), QByteArray("old index"));
    QCOMPARE(readFile(thumb), QByteArray("old sheet"));
    QCOMPARE(QFileInfo(idx).lastModified(), old);
    QCOMPARE(QFileInfo(thumb).lastModified(), old);
}

void TestCatalogue::incompleteCatalogueRebuilt() {
    put(QStringLiteral("a.jpg"), jpegOf(pattern(8, 8, 1)));
    put(QStringLiteral("index.txt"), "stale");
    runShape();
    QCOMPARE(index(), QByteArray("a.jpg"));
    QCOMPARE(sheet().height(), 140);
}

void TestCatalogue::foldersInOrderMissingSkipped() {
    // Button (made by init) stays empty; Illustrations and Shape get pictures;
    // Landscape1 and Landscape2 are missing.
    QDir(folder()).removeRecursively();
    put(QStringLiteral("i.bmp"), bmpio::encode(pattern(4, 4, 1)),
        QStringLiteral("Graphics/Illustrations"));
    put(QStringLiteral("s.bmp"), bmpio::encode(pattern(4, 4, 2)), QStringLiteral("Graphics/Shape"));
    runShape();
    QCOMPARE(index(QStringLiteral("Graphics/Illustrations")), QByteArray("i.bmp"));
    QCOMPARE(index(QStringLiteral("Graphics/Shape")), QByteArray("s.bmp"));
    QVERIFY(!QFileInfo::exists(folder()));
    QVERIFY(!QFileInfo::exists(folder(QStringLiteral("Graphics/Landscape1"))));
    // The last catalogued folder that exists is the current folder afterwards.
    QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(),
             QFileInfo(folder(QStringLiteral("Graphics/Shape"))).canonicalFilePath());
}

void TestCatalogue::readOnlyMediumVisitsNothing() {
    put(QStringLiteral("a.jpg"), jpegOf(pattern(8, 8, 1)));
    values_.DVD = true;
    const QString before = QDir::currentPath();
    runShape();
    QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/index.txt")));
    QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/thumb.bmp")));
    QCOMPARE(QDir::currentPath(), before);
}

void TestCatalogue::indexWrittenLikeBsave() {
    put(QStringLiteral("絵.bmp"), bmpio::encode(pattern(4, 4, 1)));
    put(QStringLiteral("え.bmp"), bmpio::encode(pattern(4, 4, 2)));
    TForm1 fresh(values_, platform_); // no text read yet: BSAVE writes the ANSI code page
    fresh.MWSHAPE(win(root_->path() + QStringLiteral("/MWEX")));
    QCOMPARE(index(), sjis(QStringLiteral("え.bmp 絵.bmp")));
}

QUMO_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
