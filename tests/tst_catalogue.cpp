// Thumbnail catalogues: which folders are visited, the index text, the sheet's geometry and
// pixels, complete catalogues left alone, and pictures that cannot be decoded.
#include "app/MAIN.h"
#include "app/core/textstore.h"
#include "app/core/values.h"
#include "mwex/core/bmpio.h"
#include "mwex/catalogue.h"
#include "mwex/core/jpegio.h"
#include "mwex/core/pictureio.h"
#include "mwex/core/resize.h"
#include "platform/core/fs.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>

#include <jpeglib.h>

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

// Kinds of JPEG file the catalogue meets: sampling of the colour planes, progressive or not,
// grey, CMYK.
enum class JpegKind { Sampled420, Sampled422, Full444, Progressive, Grey, Cmyk };

// Photograph-like pixels: gradients with fine noise, so every row differs.
QImage noisy(int w, int h, quint32 seed) {
    QImage img(w, h, QImage::Format_RGB888);
    quint32 n = 2463534242u + seed;
    for (int y = 0; y < h; ++y) {
        uchar* p = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            n ^= n << 13;
            n ^= n >> 17;
            n ^= n << 5;
            p[3 * x] = uchar(x * 3 + (n & 31));
            p[3 * x + 1] = uchar(y * 5 + ((n >> 5) & 31));
            p[3 * x + 2] = uchar((x ^ y) + ((n >> 10) & 63));
        }
    }
    return img;
}

QByteArray jpegKind(const QImage& rgb, JpegKind kind, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    const bool grey = kind == JpegKind::Grey, cmyk = kind == JpegKind::Cmyk;
    c.input_components = grey ? 1 : cmyk ? 4 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == JpegKind::Sampled422)
        c.comp_info[0].v_samp_factor = 1;
    if (kind == JpegKind::Full444)
        c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uchar> row(size_t(rgb.width()) * 4);
    while (c.next_scanline < c.image_height) {
        const uchar* in = rgb.constScanLine(int(c.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            if (grey)
                row[size_t(x)] = in[3 * x + 1];
            else if (cmyk)
                for (int k = 0; k < 4; ++k)
                    row[size_t(4 * x + k)] = in[3 * x + k % 3] ^ uchar(k * 40);
            else
                for (int k = 0; k < 3; ++k)
                    row[size_t(3 * x + k)] = in[3 * x + k];
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buf), qsizetype(size));
    free(buf);
    return out;
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
    void unwritableIndexDoesNotStopTheOthers();
    void catalogueFollowsItsFolder_data();
    void catalogueFollowsItsFolder();
    void onlyOrdinaryFilesRead_data();
    void onlyOrdinaryFilesRead();
    void sampledDecodingGivesTheSameThumbnail_data();
    void sampledDecodingGivesTheSameThumbnail();
    void sheetSameAsFromFullDecoding();
    void sheetMadeAsideSameAsMadeHere();

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
    // Outdated in every way but the names it lists.
    const QString idx = put(QStringLiteral("index.txt"), "a.jpg");
    const QString thumb = put(QStringLiteral("thumb.bmp"), "old sheet");
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    for (const QString& f : {idx, thumb}) {
        QFile file(f);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    runShape();
    QCOMPARE(readFile(idx), QByteArray("a.jpg"));
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

void TestCatalogue::unwritableIndexDoesNotStopTheOthers() {
    // A folder stands where Button's index would be written; Shape comes after it.
    put(QStringLiteral("a.bmp"), bmpio::encode(pattern(4, 4, 1)));
    QVERIFY(QDir().mkpath(folder() + QStringLiteral("/index.txt")));
    put(QStringLiteral("s.bmp"), bmpio::encode(pattern(4, 4, 2)), QStringLiteral("Graphics/Shape"));
    platform_.errors.clear();
    runShape();
    QVERIFY(platform_.errors.isEmpty());
    // The sheet is written all the same; the next start finds the catalogue incomplete.
    QVERIFY(!sheet().isNull());
    QVERIFY(QFileInfo(folder() + QStringLiteral("/index.txt")).isDir());
    QCOMPARE(index(QStringLiteral("Graphics/Shape")), QByteArray("s.bmp"));
}

void TestCatalogue::catalogueFollowsItsFolder_data() {
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QByteArray>("oldIndex");
    QTest::addColumn<bool>("rebuilt");
    const QStringList ab{QStringLiteral("a.jpg"), QStringLiteral("b.bmp")};
    QTest::newRow("same names") << ab << QByteArray("a.jpg b.bmp") << false;
    QTest::newRow("same names, UTF-8 with a byte-order mark")
        << QStringList{QStringLiteral("絵.bmp")} << QByteArray("\xEF\xBB\xBF") + QStringLiteral("絵.bmp").toUtf8()
        << false;
    QTest::newRow("same names, ANSI code page")
        << QStringList{QStringLiteral("絵.bmp")} << sjis(QStringLiteral("絵.bmp")) << false;
    QTest::newRow("no pictures, empty index") << QStringList() << QByteArray() << false;
    QTest::newRow("a picture added") << ab << QByteArray("a.jpg") << true;
    QTest::newRow("a picture taken away") << QStringList{QStringLiteral("a.jpg")}
                                          << QByteArray("a.jpg b.bmp") << true;
    QTest::newRow("a picture renamed") << ab << QByteArray("a.jpg c.bmp") << true;
    QTest::newRow("order differs") << ab << QByteArray("b.bmp a.jpg") << true;
    QTest::newRow("index with a line break") << ab << QByteArray("a.jpg b.bmp\r\n") << true;
}

void TestCatalogue::catalogueFollowsItsFolder() {
    QFETCH(QStringList, pictures);
    QFETCH(QByteArray, oldIndex);
    QFETCH(bool, rebuilt);
    for (const QString& name : pictures)
        put(name, name.endsWith(QLatin1String(".jpg")) ? jpegOf(pattern(8, 8, 1))
                                                       : bmpio::encode(pattern(8, 8, 2)));
    const QString idx = put(QStringLiteral("index.txt"), oldIndex);
    const QString thumb = put(QStringLiteral("thumb.bmp"), "old sheet");
    runShape();
    if (!rebuilt) {
        QCOMPARE(readFile(idx), oldIndex);
        QCOMPARE(readFile(thumb), QByteArray("old sheet"));
        return;
    }
    TextStore::Encoding found;
    QCOMPARE(TextStore::decode(readFile(idx), &found), pictures.join(u' '));
    QCOMPARE(sheet().height(), 140);
    for (int i = 0; i < pictures.size(); ++i)
        QVERIFY(!allWhite(sheet(), catalogue::pictureBox(i)));
    // Built once, the catalogue names the folder's pictures: the next start leaves it alone.
    writeFile(thumb, "kept");
    runShape();
    QCOMPARE(readFile(thumb), QByteArray("kept"));
}

void TestCatalogue::onlyOrdinaryFilesRead_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("listed");
    QTest::newRow("link to a device") << QStringLiteral("device") << false;
    QTest::newRow("FIFO") << QStringLiteral("fifo") << false;
    QTest::newRow("link to a FIFO") << QStringLiteral("fifolink") << false;
    QTest::newRow("link to a folder") << QStringLiteral("folderlink") << false;
    QTest::newRow("dangling link") << QStringLiteral("dangling") << false;
    QTest::newRow("link to an ordinary picture") << QStringLiteral("goodlink") << true;
    // Listed like any picture of the folder, but not read: its cell stays blank.
    QTest::newRow("larger than the cap") << QStringLiteral("huge") << true;
}

void TestCatalogue::onlyOrdinaryFilesRead() {
    QFETCH(QString, kind);
    QFETCH(bool, listed);
    const QByteArray good = jpegOf(pattern(40, 30, 3));
    put(QStringLiteral("a.jpg"), good);
    const QString odd = folder() + QStringLiteral("/b.jpg");
    const QString aside = root_->path() + QStringLiteral("/aside");
    if (kind == QLatin1String("device")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), odd));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0600), 0);
    } else if (kind == QLatin1String("fifolink")) {
        QCOMPARE(::mkfifo(QFile::encodeName(aside).constData(), 0600), 0);
        QVERIFY(QFile::link(aside, odd));
    } else if (kind == QLatin1String("folderlink")) {
        QVERIFY(QDir().mkpath(aside));
        QVERIFY(QFile::link(aside, odd));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(aside, odd));
    } else if (kind == QLatin1String("goodlink")) {
        writeFile(aside, good);
        QVERIFY(QFile::link(aside, odd));
    } else if (kind == QLatin1String("huge")) {
        // A sparse file: its size is over the cap, its blocks are not on disk.
        QFile f(odd);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(good);
        QVERIFY(f.resize(pictureio::MaxFileBytes + 1));
    }
    runShape(); // returns: a FIFO nobody writes to or an endless device would hang it

    QCOMPARE(index(), listed ? QByteArray("a.jpg b.jpg") : QByteArray("a.jpg"));
    const QImage s = sheet();
    QVERIFY(regionIs(s, catalogue::pictureBox(0), expectedThumb(good, true)));
    if (kind == QLatin1String("goodlink"))
        QVERIFY(regionIs(s, catalogue::pictureBox(1), expectedThumb(good, true)));
    else
        QVERIFY(allWhite(s, catalogue::pictureBox(1)));
}

void TestCatalogue::sampledDecodingGivesTheSameThumbnail_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("quality");
    const auto k = [](JpegKind j) { return int(j); };
    QTest::newRow("photograph 1920x1080") << QSize(1920, 1080) << k(JpegKind::Sampled420) << 100;
    QTest::newRow("odd 1001x777, 4:2:0") << QSize(1001, 777) << k(JpegKind::Sampled420) << 85;
    QTest::newRow("odd 999x1003, 4:2:2") << QSize(999, 1003) << k(JpegKind::Sampled422) << 90;
    QTest::newRow("odd 641x479, 4:4:4") << QSize(641, 479) << k(JpegKind::Full444) << 95;
    QTest::newRow("progressive 1280x720") << QSize(1280, 720) << k(JpegKind::Progressive) << 90;
    QTest::newRow("progressive odd 333x1001")
        << QSize(333, 1001) << k(JpegKind::Progressive) << 75;
    QTest::newRow("grey 517x389") << QSize(517, 389) << k(JpegKind::Grey) << 90;
    QTest::newRow("CMYK 300x211") << QSize(300, 211) << k(JpegKind::Cmyk) << 90;
    QTest::newRow("tall and thin 3x2000") << QSize(3, 2000) << k(JpegKind::Sampled420) << 90;
    QTest::newRow("just taller than a cell 50x37")
        << QSize(50, 37) << k(JpegKind::Sampled420) << 90;
    QTest::newRow("cell size 50x36") << QSize(50, 36) << k(JpegKind::Sampled420) << 90;
    QTest::newRow("enlarged 7x5") << QSize(7, 5) << k(JpegKind::Progressive) << 90;
    QTest::newRow("one pixel") << QSize(1, 1) << k(JpegKind::Sampled420) << 90;
}

void TestCatalogue::sampledDecodingGivesTheSameThumbnail() {
    QFETCH(QSize, size);
    QFETCH(int, kind);
    QFETCH(int, quality);
    const QByteArray bytes =
        jpegKind(noisy(size.width(), size.height(), quint32(size.width())), JpegKind(kind), quality);
    const QString path = put(QStringLiteral("p.jpg"), bytes);
    QString error;
    const QImage got = catalogue::thumbnail(win(path), &error);
    QVERIFY2(!got.isNull(), qPrintable(error));
    const QImage want = expectedThumb(bytes, true);
    QCOMPARE(got.format(), want.format());
    QCOMPARE(got.size(), want.size());
    for (int y = 0; y < want.height(); ++y)
        QVERIFY2(std::memcmp(got.constScanLine(y), want.constScanLine(y), 3 * 50) == 0,
                 qPrintable(QStringLiteral("row %1 differs").arg(y)));
}

// A whole sheet built the way the catalogue builds it (rows skipped, pictures decoded on
// several threads) against one drawn picture by picture from fully decoded pictures.
void TestCatalogue::sheetSameAsFromFullDecoding() {
    QStringList names;
    QList<QByteArray> files;
    const QList<std::pair<QSize, JpegKind>> kinds = {
        {{1920, 1080}, JpegKind::Sampled420}, {{1001, 777}, JpegKind::Progressive},
        {{641, 479}, JpegKind::Full444},      {{999, 1003}, JpegKind::Sampled422},
        {{517, 389}, JpegKind::Grey},         {{7, 5}, JpegKind::Sampled420},
        {{800, 600}, JpegKind::Progressive},  {{333, 1001}, JpegKind::Sampled420}};
    for (int i = 0; i < kinds.size(); ++i) {
        const auto [size, kind] = kinds[i];
        names << QStringLiteral("p%1.jpg").arg(i);
        files << jpegKind(noisy(size.width(), size.height(), quint32(i)), kind, 90);
        put(names.last(), files.last());
    }
    names << QStringLiteral("z-cut.jpg"); // damaged: blank in both
    files << files[0].left(files[0].size() * 3 / 4);
    put(names.last(), files.last());

    const catalogue::Sheet built = catalogue::build(win(folder()), names);
    QImage old(catalogue::SheetWidth, catalogue::sheetHeight(int(names.size())),
               QImage::Format_RGB888);
    old.fill(Qt::white);
    for (int i = 0; i < names.size(); ++i) {
        QString error;
        const QImage full = jpegio::decode(files[i], &error);
        catalogue::drawCell(old, i, full.isNull() ? QImage() : BitmapResize_Bilinear(full, 50, 36),
                            names[i]);
    }
    QCOMPARE(built.image.size(), old.size());
    QCOMPARE(built.image.format(), old.format());
    for (int y = 0; y < old.height(); ++y)
        QVERIFY2(std::memcmp(built.image.constScanLine(y), old.constScanLine(y),
                             size_t(3 * old.width())) == 0,
                 qPrintable(QStringLiteral("sheet row %1 differs").arg(y)));
    QCOMPARE(built.failed.size(), 1);
    QVERIFY(built.failed[0].startsWith(QLatin1String("z-cut.jpg")));
}

// The catalogue of the start-up is made on a thread of its own, captions included: its files
// are byte for byte the ones made on this thread.
void TestCatalogue::sheetMadeAsideSameAsMadeHere() {
    const QStringList names{QStringLiteral("うみ.jpg"), QStringLiteral("Yama.bmp"),
                            QStringLiteral("かわ と そら.jpeg"), QStringLiteral("long name of a tree.jpg"),
                            QStringLiteral("漢字の絵.bmp")};
    for (int i = 0; i < names.size(); ++i)
        put(names[i], names[i].endsWith(QLatin1String(".bmp"))
                          ? bmpio::encode(pattern(90 + 13 * i, 61 + 7 * i, i))
                          : jpegOf(pattern(300 + 31 * i, 200 + 17 * i, i)));
    runShape();
    QStringList listed = catalogue::pictureList(win(folder()));
    listed.removeAll(QStringLiteral("thumb.bmp"));
    const catalogue::Sheet here = catalogue::build(win(folder()), listed, 1);
    QCOMPARE(here.names.size(), names.size());
    QCOMPARE(readFile(folder() + QStringLiteral("/thumb.bmp")), bmpio::encode(here.image));
    QCOMPARE(form_->Memo1->toPlainText(), here.index);
}

QUMO_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
