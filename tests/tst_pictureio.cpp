// Picture files: JPEG through libjpeg and our BMP reader and writer, on good files of every
// kind they accept and on damaged, truncated and absurd ones.
#include "mwex/core/bmpio.h"
#include "mwex/core/jpegio.h"
#include "mwex/core/jpegthumb.h"
#include "mwex/core/resize.h"
#include "support/coresupport.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

using namespace testsupport;

namespace {

QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / qMax(1, w - 1), y * 255 / qMax(1, h - 1), 90));
    return img;
}

QByteArray qtWrite(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    if (!img.save(&buf, format))
        qFatal("Qt could not write the fixture");
    return bytes;
}

int maxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = qMax(worst, qAbs(qRed(p) - qRed(q)));
            worst = qMax(worst, qAbs(qGreen(p) - qGreen(q)));
            worst = qMax(worst, qAbs(qBlue(p) - qBlue(q)));
        }
    return worst;
}

// A CMYK JPEG as image programs write it (Adobe marker, inverted values: 255 = no ink).
QByteArray cmykJpeg(const QList<std::array<uchar, 4>>& pixels) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = JDIMENSION(pixels.size());
    cinfo.image_height = 1;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row;
    for (const auto& p : pixels)
        row.append(reinterpret_cast<const char*>(p.data()), 4);
    JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
    jpeg_write_scanlines(&cinfo, &r, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buf), qsizetype(size));
    free(buf);
    return out;
}

// Offset of the first marker 0xFF `code`, or -1.
qsizetype marker(const QByteArray& jpeg, uchar code) {
    for (qsizetype i = 0; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == code)
            return i;
    return -1;
}

// A hand-made BMP: file header, a header of `headerSize` bytes, then `extra` (masks,
// colour table) and the pixel bytes.
QByteArray bmp(int headerSize, qint32 w, qint32 h, int bpp, quint32 compression,
               const QByteArray& extra, const QByteArray& pixels, qint64 offBits = -1) {
    QByteArray header(headerSize, '\0');
    auto* p = reinterpret_cast<uchar*>(header.data());
    qToLittleEndian<quint32>(quint32(headerSize), p);
    if (headerSize == 12) {
        qToLittleEndian<quint16>(quint16(w), p + 4);
        qToLittleEndian<quint16>(quint16(h), p + 6);
        qToLittleEndian<quint16>(1, p + 8);
        qToLittleEndian<quint16>(quint16(bpp), p + 10);
    } else {
        qToLittleEndian<qint32>(w, p + 4);
        qToLittleEndian<qint32>(h, p + 8);
        qToLittleEndian<quint16>(1, p + 12);
        qToLittleEndian<quint16>(quint16(bpp), p + 14);
        qToLittleEndian<quint32>(compression, p + 16);
    }
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const qint64 off = offBits >= 0 ? offBits : 14 + headerSize + extra.size();
    qToLittleEndian<quint32>(quint32(off), reinterpret_cast<uchar*>(file.data()) + 10);
    file += header + extra + pixels;
    qToLittleEndian<quint32>(quint32(file.size()), reinterpret_cast<uchar*>(file.data()) + 2);
    return file;
}

QByteArray le32(std::initializer_list<quint32> values) {
    QByteArray out;
    for (quint32 v : values) {
        uchar b[4];
        qToLittleEndian(v, b);
        out.append(reinterpret_cast<const char*>(b), 4);
    }
    return out;
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QImage rgbImage(int w, int h, std::initializer_list<QRgb> pixels) {
    QImage img(w, h, QImage::Format_RGB888);
    auto it = pixels.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, *it++);
    return img;
}


// A JPEG made by libjpeg of a picture like a photograph (shading with fine noise, so every
// coefficient of every block is busy), in the kind asked for.
struct JpegKind {
    int quality = 90;
    int lumaH = 2, lumaV = 2; // luma sampling against chroma 1x1: 2x2 is 4:2:0
    bool grey = false;
    bool progressive = false;
    int restartInterval = 0; // in MCUs
    bool arithmetic = false;
    bool scanPerComponent = false; // baseline, but one scan for each component
};

QByteArray makeJpeg(int w, int h, const JpegKind& kind) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kind.quality, TRUE);
    if (kind.grey) {
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    } else {
        cinfo.comp_info[0].h_samp_factor = kind.lumaH;
        cinfo.comp_info[0].v_samp_factor = kind.lumaV;
    }
    if (kind.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = JDIMENSION(kind.restartInterval);
    jpeg_scan_info scans[3] = {};
    if (kind.scanPerComponent) {
        for (int i = 0; i < 3; ++i) {
            scans[i].comps_in_scan = 1;
            scans[i].component_index[0] = 2 - i; // and not in the components' order
            scans[i].Se = 63;
        }
        cinfo.scan_info = scans;
        cinfo.num_scans = 3;
    }
    cinfo.arith_code = kind.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row(3 * w, '\0');
    quint32 noise = 2463534242u + quint32(w * 31 + h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int n = int(noise & 31);
            row[3 * x] = char((x * 3 + y) % 220 + n);
            row[3 * x + 1] = char((y * 2 + x / 5) % 220 + n);
            row[3 * x + 2] = char(((x ^ y) * 5) % 220 + (n ^ 9));
        }
        JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buf), qsizetype(size));
    free(buf);
    return out;
}

bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

} // namespace

class TestPictureIo : public QObject {
    Q_OBJECT
private slots:
    void jpegRoundTripAtQuality100();
    void jpegDecodesWhatOthersWrite_data();
    void jpegDecodesWhatOthersWrite();
    void jpegCmyk();
    void jpegRefusesBadInput_data();
    void jpegRefusesBadInput();
    void jpegFiles();
    void jpegThumbnailEqualsWholeDecoding_data();
    void jpegThumbnailEqualsWholeDecoding();

    void bmpRoundTripIsExact_data();
    void bmpRoundTripIsExact();
    void bmpWriterLayout();
    void bmpReadsWhatQtWrites_data();
    void bmpReadsWhatQtWrites();
    void bmpHandMadeKinds_data();
    void bmpHandMadeKinds();
    void bmpRefusesBadInput_data();
    void bmpRefusesBadInput();
    void bmpFiles();

private:
    QTemporaryDir dir_;
};

void TestPictureIo::jpegRoundTripAtQuality100() {
    const QImage src = gradient(37, 23);
    QString error;
    const QByteArray jpeg = jpegio::encode(src, &error);
    QVERIFY2(!jpeg.isEmpty(), qPrintable(error));
    // Baseline (SOF0, no progressive SOF2), and quality 100 means every quantiser is 1.
    QVERIFY(marker(jpeg, 0xC0) > 0);
    QCOMPARE(marker(jpeg, 0xC2), qsizetype(-1));
    const qsizetype dqt = marker(jpeg, 0xDB);
    QVERIFY(dqt > 0);
    for (int i = 0; i < 64; ++i)
        QCOMPARE(int(uchar(jpeg[dqt + 5 + i])), 1);

    const QImage back = jpegio::decode(jpeg, &error);
    QCOMPARE(back.format(), QImage::Format_RGB888);
    QCOMPARE(back.size(), src.size());
    QVERIFY(maxDifference(back, src) <= 8);
}

void TestPictureIo::jpegDecodesWhatOthersWrite_data() {
    QTest::addColumn<QImage>("source");
    QTest::newRow("colour") << gradient(64, 48);
    QTest::newRow("grey") << gradient(33, 17).convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("one pixel") << gradient(1, 1);
}

void TestPictureIo::jpegDecodesWhatOthersWrite() {
    QFETCH(QImage, source);
    const QByteArray jpeg = qtWrite(source, "JPG");
    QString error;
    const QImage ours = jpegio::decode(jpeg, &error);
    QVERIFY2(!ours.isNull(), qPrintable(error));
    QCOMPARE(ours.format(), QImage::Format_RGB888);
    const QImage qt = QImage::fromData(jpeg, "JPG").convertToFormat(QImage::Format_RGB888);
    QCOMPARE(ours.size(), qt.size());
    QVERIFY(maxDifference(ours, qt) <= 2); // both libjpeg; colour conversion may differ a bit
}

void TestPictureIo::jpegCmyk() {
    const QByteArray jpeg = cmykJpeg({{255, 255, 255, 255}, {255, 0, 0, 255}, {0, 0, 0, 0}});
    QString error;
    const QImage img = jpegio::decode(jpeg, &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    QVERIFY(maxDifference(
                img, rgbImage(3, 1, {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 0)})) <= 8);
}

void TestPictureIo::jpegRefusesBadInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("maxPixels");
    const QByteArray good = qtWrite(gradient(64, 64), "JPG");
    QTest::newRow("empty") << QByteArray() << jpegio::MaxPixels;
    QTest::newRow("not a jpeg") << QByteArray("GIF89a not a jpeg at all") << jpegio::MaxPixels;
    QTest::newRow("only the start marker") << good.left(2) << jpegio::MaxPixels;
    QTest::newRow("cut inside the header") << good.left(100) << jpegio::MaxPixels;
    QTest::newRow("cut inside the picture") << good.left(good.size() / 2) << jpegio::MaxPixels;
    const QByteArray tall = qtWrite(gradient(64, 1024), "JPG");
    QTest::newRow("tall picture cut near its end")
        << tall.left(tall.size() * 9 / 10) << jpegio::MaxPixels;
    QByteArray corrupt = good;
    corrupt[marker(corrupt, 0xDA) + 5] = char(0x77); // a scan of a component that is not there
    QTest::newRow("corrupt scan header") << corrupt << jpegio::MaxPixels;
    QByteArray garbage = good;
    for (qsizetype i = marker(garbage, 0xDA) + 20; i < garbage.size() - 2; ++i)
        garbage[i] = char(0xFF); // entropy data replaced by fill bytes: no picture follows
    QTest::newRow("garbage instead of the picture") << garbage << jpegio::MaxPixels;
    // Header claiming 65000 x 65000 pixels: refused before any pixel memory is taken.
    QByteArray huge = good;
    const qsizetype sof = marker(huge, 0xC0);
    for (int k : {5, 6, 7, 8})
        huge[sof + k] = char(k % 2 ? 0xFD : 0xE8);
    QTest::newRow("absurd dimensions") << huge << jpegio::MaxPixels;
    QTest::newRow("above a given bound") << good << qint64(64 * 64 - 1);
}

void TestPictureIo::jpegRefusesBadInput() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, maxPixels);
    QString error;
    QVERIFY(jpegio::decode(bytes, &error, maxPixels).isNull());
    QVERIFY(!error.isEmpty());
    // Skipping rows must not let a damaged or cut-short file pass.
    error.clear();
    const auto firstRowOnly = [](int height) {
        std::vector<bool> rows(size_t(height), false);
        rows[0] = true;
        return rows;
    };
    QVERIFY(jpegio::decodeRows(bytes, &error, firstRowOnly, maxPixels).isNull());
    QVERIFY(!error.isEmpty());
}

void TestPictureIo::jpegFiles() {
    const QString path = dir_.filePath(QStringLiteral("写真.jpg"));
    QString error;
    QVERIFY2(jpegio::writeFile(gradient(20, 10), win(path), &error), qPrintable(error));
    QCOMPARE(jpegio::readFile(win(path), &error).size(), QSize(20, 10));

    const QString missingFolder = dir_.filePath(QStringLiteral("no/such/x.jpg"));
    QVERIFY(!jpegio::writeFile(gradient(2, 2), win(missingFolder), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(jpegio::readFile(win(dir_.filePath(QStringLiteral("none.jpg"))), &error).isNull());
    QVERIFY(!jpegio::writeFile(QImage(), win(path), &error));
}

void TestPictureIo::jpegThumbnailEqualsWholeDecoding_data() {
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QSize>("thumb");
    QTest::addColumn<bool>("shortWay"); // made from the coefficients, not by the whole decoder
    const QSize t(50, 36);
    const JpegKind k420;
    JpegKind k422;
    k422.lumaV = 1;
    JpegKind k444;
    k444.lumaH = k444.lumaV = 1;
    JpegKind grey;
    grey.grey = true;
    // Sizes: edges of blocks and of chroma samples cut anywhere, shrinking and enlarging.
    QTest::newRow("1x1 (chroma one sample wide: whole)") << makeJpeg(1, 1, k420) << t << false;
    QTest::newRow("7x5") << makeJpeg(7, 5, k420) << t << true;
    QTest::newRow("17x9") << makeJpeg(17, 9, k420) << t << true;
    QTest::newRow("50x36 exact") << makeJpeg(50, 36, k420) << t << true;
    QTest::newRow("30x20 enlarged") << makeJpeg(30, 20, k420) << t << true;
    QTest::newRow("1920x1080") << makeJpeg(1920, 1080, k420) << t << true;
    QTest::newRow("4000x3000") << makeJpeg(4000, 3000, k420) << t << true;
    // Every pixel read: a "thumbnail" of the picture's own size is the whole picture.
    for (const auto& [name, kind] : {std::pair{"4:2:0", k420}, std::pair{"4:2:2", k422},
                                     std::pair{"4:4:4", k444}, std::pair{"grey", grey}}) {
        QTest::addRow("whole 333x217 %s", name) << makeJpeg(333, 217, kind) << QSize(333, 217)
                                                << true;
        QTest::addRow("whole 21x13 %s", name) << makeJpeg(21, 13, kind) << QSize(21, 13) << true;
        QTest::addRow("1001x601 %s", name) << makeJpeg(1001, 601, kind) << t << true;
        JpegKind progressive = kind;
        progressive.progressive = true;
        QTest::addRow("whole 333x217 progressive %s", name)
            << makeJpeg(333, 217, progressive) << QSize(333, 217) << true;
        QTest::addRow("1001x601 progressive %s", name) << makeJpeg(1001, 601, progressive) << t
                                                       << true;
        JpegKind restarts = kind;
        restarts.restartInterval = 3;
        QTest::addRow("whole 333x217 restarts %s", name)
            << makeJpeg(333, 217, restarts) << QSize(333, 217) << true;
        JpegKind arithmetic = kind;
        arithmetic.arithmetic = true;
        QTest::addRow("whole 333x217 arithmetic %s", name)
            << makeJpeg(333, 217, arithmetic) << QSize(333, 217) << true;
    }
    for (const int quality : {50, 100}) {
        JpegKind q = k420;
        q.quality = quality;
        QTest::addRow("whole 333x217 quality %d", quality) << makeJpeg(333, 217, q)
                                                           << QSize(333, 217) << true;
        QTest::addRow("640x480 quality %d", quality) << makeJpeg(640, 480, q) << t << true;
    }
    JpegKind perComponent = k420;
    perComponent.scanPerComponent = true;
    QTest::newRow("whole 333x217 one scan per component")
        << makeJpeg(333, 217, perComponent) << QSize(333, 217) << true;
    JpegKind everyMcu = k420;
    everyMcu.restartInterval = 1;
    QTest::newRow("restart every block") << makeJpeg(640, 480, everyMcu) << t << true;
    // Sampling the library upsamples without the triangle filter or by other factors.
    JpegKind k440 = k420;
    k440.lumaH = 1;
    QTest::newRow("4:4:0 (whole)") << makeJpeg(333, 217, k440) << t << false;
    JpegKind k411 = k420;
    k411.lumaH = 4;
    k411.lumaV = 1;
    QTest::newRow("4:1:1 (whole)") << makeJpeg(333, 217, k411) << t << false;
    QTest::newRow("CMYK (whole)") << cmykJpeg({{255, 0, 0, 255}, {0, 0, 0, 0}}) << t << false;

    // Damaged files fail as the whole decoder fails, with its message.
    const QByteArray good = makeJpeg(640, 480, k420);
    QTest::newRow("cut short") << good.left(good.size() / 2) << t << false;
    JpegKind progressive = k420;
    progressive.progressive = true;
    const QByteArray goodProgressive = makeJpeg(640, 480, progressive);
    QTest::newRow("progressive cut short")
        << goodProgressive.left(goodProgressive.size() * 3 / 4) << t << false;
    QTest::newRow("not a JPEG") << QByteArray("GIF89a not a jpeg at all") << t << false;
    QByteArray marker = good;
    marker[marker.size() / 2] = char(0xFF);
    marker[marker.size() / 2 + 1] = char(0xC4);
    QTest::newRow("a marker inside the picture data") << marker << t << false;
    const QByteArray restarted = makeJpeg(640, 480, everyMcu);
    QByteArray wrongRestart = restarted;
    const qsizetype rst = wrongRestart.indexOf(QByteArray("\xFF\xD3", 2));
    wrongRestart[rst + 1] = char(0xD5);
    QTest::newRow("restart marker out of order") << wrongRestart << t << false;
    // A Huffman table whose second code of length 1 is all ones (the library refuses it).
    QByteArray allOnes = good;
    const qsizetype dht = allOnes.indexOf(QByteArray("\xFF\xC4", 2));
    QCOMPARE(QByteArray(allOnes.constData() + dht + 5, 3), QByteArray("\0\1\5", 3));
    allOnes[dht + 5] = char(2); // two codes of one bit
    allOnes[dht + 7] = char(3); // two fewer of three
    QTest::newRow("Huffman code of all ones") << allOnes << t << false;
    // The whole decoder reads a little ahead: data that ends without its end marker is
    // cut short to it, what follows the last block otherwise does not matter.
    QTest::newRow("no end marker") << good.left(good.size() - 2) << t << false;
    // Fill bytes where the end marker's code should follow: the data ends inside a marker.
    QTest::newRow("ends with fill bytes, no marker code")
        << good.left(good.size() - 2) + QByteArray("\xFF\xFF", 2) << t << false;
    QTest::newRow("bytes after the picture") << good.left(good.size() - 2) + QByteArray(64, 'x')
                                             << t << true;
}

void TestPictureIo::jpegThumbnailEqualsWholeDecoding() {
    QFETCH(QByteArray, jpeg);
    QFETCH(QSize, thumb);
    QFETCH(bool, shortWay);
    QString wholeError, error;
    const QImage whole = jpegio::decode(jpeg, &wholeError);
    const QImage partial =
        jpegio::decodeResizedFromCoefficients(jpeg, thumb.width(), thumb.height());
    QCOMPARE(!partial.isNull(), shortWay);
    const QImage small = jpegio::decodeResized(jpeg, &error, thumb.width(), thumb.height());
    if (whole.isNull()) {
        QVERIFY(small.isNull());
        QVERIFY(!error.isEmpty());
        QCOMPARE(error, wholeError);
        return;
    }
    const QImage expected = BitmapResize_Bilinear(whole, thumb.width(), thumb.height());
    QVERIFY(sameBytes(small, expected));
    if (shortWay)
        QVERIFY(sameBytes(partial, expected));
}

void TestPictureIo::bmpRoundTripIsExact_data() {
    QTest::addColumn<QImage>("source");
    QTest::newRow("odd width needs padding") << gradient(7, 5);
    QTest::newRow("width 4, no padding") << gradient(4, 3);
    QTest::newRow("one pixel") << gradient(1, 1);
    QImage alpha(3, 2, QImage::Format_ARGB32);
    alpha.fill(qRgba(10, 20, 30, 40));
    QTest::newRow("alpha dropped") << alpha;
}

void TestPictureIo::bmpRoundTripIsExact() {
    QFETCH(QImage, source);
    QString error;
    const QImage back = bmpio::decode(bmpio::encode(source), &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QCOMPARE(back.format(), QImage::Format_RGB888);
    QCOMPARE(back.size(), source.size());
    QCOMPARE(maxDifference(back, source.convertToFormat(QImage::Format_ARGB32)
                                     .convertToFormat(QImage::Format_RGB888)),
             0);
    if (source.format() == QImage::Format_ARGB32)
        QCOMPARE(back.pixel(0, 0), qRgb(10, 20, 30));
}

void TestPictureIo::bmpWriterLayout() {
    const QByteArray b =
        bmpio::encode(rgbImage(3, 2,
                               {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12),
                                qRgb(13, 14, 15), qRgb(16, 17, 18)}));
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<quint32>(p + 2), quint32(b.size()));
    QCOMPARE(qFromLittleEndian<quint32>(p + 10), 54u);
    QCOMPARE(qFromLittleEndian<quint32>(p + 14), 40u);
    QCOMPARE(qFromLittleEndian<qint32>(p + 22), 2); // positive height: bottom-up
    QCOMPARE(qFromLittleEndian<quint16>(p + 28), quint16(24));
    QCOMPARE(b.size(), 54 + 2 * 12);
    // First stored row is the bottom one, blue first, padded to 12 bytes.
    QCOMPARE(b.mid(54, 12), bytesOf({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
    QVERIFY(bmpio::encode(QImage()).isEmpty());
    // Another reader agrees.
    QCOMPARE(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB888).pixel(2, 1),
             qRgb(16, 17, 18));
}

void TestPictureIo::bmpReadsWhatQtWrites_data() {
    QTest::addColumn<QImage>("source");
    QTest::newRow("24-bit") << gradient(13, 9);
    QTest::newRow("32-bit with alpha") << gradient(6, 4).convertToFormat(QImage::Format_ARGB32);
    QImage indexed = gradient(11, 7).convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("8-bit colour table") << indexed;
    QTest::newRow("1-bit") << gradient(19, 5).convertToFormat(QImage::Format_Mono);
}

void TestPictureIo::bmpReadsWhatQtWrites() {
    QFETCH(QImage, source);
    const QByteArray bytes = qtWrite(source, "BMP");
    QString error;
    const QImage ours = bmpio::decode(bytes, &error);
    QVERIFY2(!ours.isNull(), qPrintable(error));
    const QImage qt = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(ours.size(), qt.size());
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            QCOMPARE(ours.pixel(x, y), qt.pixel(x, y) | 0xFF000000u);
}

void TestPictureIo::bmpHandMadeKinds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    const QRgb R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255),
               W = qRgb(255, 255, 255);
    // 2 x 2: top row red green, bottom row blue white.
    const QImage rgbw = rgbImage(2, 2, {R, G, B, W});
    QTest::newRow("24-bit bottom-up")
        << bmp(40, 2, 2, 24, 0, {},
               bytesOf({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}))
        << rgbw;
    QTest::newRow("24-bit top-down")
        << bmp(40, 2, -2, 24, 0, {},
               bytesOf({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}))
        << rgbw;
    QTest::newRow("core header") << bmp(12, 2, 2, 24, 0, {},
                                        bytesOf({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255,
                                                 0, 0, 0}))
                                 << rgbw;
    QTest::newRow("32-bit plain, fourth byte ignored")
        << bmp(40, 2, 1, 32, 0, {}, bytesOf({0, 0, 255, 7, 255, 0, 0, 99}))
        << rgbImage(2, 1, {R, B});
    QTest::newRow("16-bit 5-6-5 masks after the header")
        << bmp(40, 2, 1, 16, 3, le32({0xF800, 0x07E0, 0x001F}), bytesOf({0x00, 0xF8, 0x1F, 0x00}))
        << rgbImage(2, 1, {R, B});
    QTest::newRow("16-bit plain is 5-5-5")
        << bmp(40, 2, 1, 16, 0, {}, bytesOf({0xE0, 0x03, 0xFF, 0x7F})) << rgbImage(2, 1, {G, W});
    QByteArray v5Masks(124 - 40, '\0');
    v5Masks.replace(0, 12, le32({0x000000FF, 0x0000FF00, 0x00FF0000}));
    QByteArray v5 = bmp(124, 1, 1, 32, 3, {}, bytesOf({255, 0, 0, 0}));
    v5.replace(14 + 40, 12, le32({0x000000FF, 0x0000FF00, 0x00FF0000}));
    QTest::newRow("V5 header, masks inside") << v5 << rgbImage(1, 1, {R});
    const QByteArray palette = le32({0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF});
    QTest::newRow("4-bit colour table")
        << bmp(40, 3, 1, 4, 0, palette, bytesOf({0x01, 0x20, 0, 0})) << rgbImage(3, 1, {R, G, B});
    QTest::newRow("1-bit") << bmp(40, 9, 1, 1, 0, le32({0, 0x00FFFFFF}),
                                  bytesOf({0xA0, 0x80, 0, 0}))
                           << rgbImage(9, 1,
                                       {W, qRgb(0, 0, 0), W, qRgb(0, 0, 0), qRgb(0, 0, 0),
                                        qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), W});
    // Run-length: bottom row "run of 2 x index 2", end of row; top row absolute 1,3 then end.
    // Run-length: bottom row a run, end of row; top row stored as it is (three indices and
    // a pad byte), end of picture.
    QTest::newRow("8-bit run-length")
        << bmp(40, 3, 2, 8, 1, palette, bytesOf({3, 2, 0, 0, 0, 3, 0, 3, 1, 0, 0, 1}))
        << rgbImage(3, 2, {R, W, G, B, B, B});
    // A jump over pixels leaves them at colour 0.
    QTest::newRow("4-bit run-length with a jump")
        << bmp(40, 3, 2, 4, 2, palette, bytesOf({3, 0x12, 0, 0, 0, 2, 1, 0, 1, 0x30, 0, 1}))
        << rgbImage(3, 2, {R, W, R, G, B, G});
    QTest::newRow("run longer than the row is cut")
        << bmp(40, 2, 1, 8, 1, palette, bytesOf({200, 1, 0, 1})) << rgbImage(2, 1, {G, G});
    QTest::newRow("last row without padding")
        << bmp(40, 1, 2, 24, 0, {}, bytesOf({255, 0, 0, 0, 0, 0, 255})) << rgbImage(1, 2, {R, B});
}

void TestPictureIo::bmpHandMadeKinds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    QString error;
    const QImage img = bmpio::decode(bytes, &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    QCOMPARE(img.size(), expected.size());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(img.pixel(x, y), expected.pixel(x, y));
}

void TestPictureIo::bmpRefusesBadInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = bmpio::encode(gradient(9, 7));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only the signature") << QByteArray("BM");
    QTest::newRow("not a BMP") << qtWrite(gradient(4, 4), "PNG");
    QTest::newRow("cut inside the header") << good.left(30);
    QTest::newRow("cut inside the pixels") << good.left(good.size() - 40);
    QTest::newRow("200000 x 200000 pixels claimed")
        << bmp(40, 200000, 200000, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("width 0") << bmp(40, 0, 5, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("height 0") << bmp(40, 5, 0, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("negative width") << bmp(40, -5, 5, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("height -2^31") << bmp(40, 1, INT_MIN, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("7 bits per pixel") << bmp(40, 1, 1, 7, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("JPEG inside") << bmp(40, 1, 1, 24, 4, {}, QByteArray(64, 'x'));
    QTest::newRow("unknown header size") << bmp(20, 1, 1, 24, 0, {}, QByteArray(64, 'x'));
    QTest::newRow("pixel offset past the end")
        << bmp(40, 1, 1, 24, 0, {}, QByteArray(4, 'x'), 100000);
    QTest::newRow("masks missing") << bmp(40, 1, 1, 32, 3, {}, {});
    QTest::newRow("run-length top-down") << bmp(40, 2, -2, 8, 1, {}, bytesOf({0, 1}));
    QTest::newRow("run-length cut short") << bmp(40, 2, 2, 8, 1, {}, bytesOf({2, 1, 0}));
    QTest::newRow("absolute run past the end") << bmp(40, 8, 1, 8, 1, {}, bytesOf({0, 8, 1, 2}));
}

void TestPictureIo::bmpRefusesBadInput() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(bmpio::decode(bytes, &error).isNull());
    QVERIFY(!error.isEmpty());
}

void TestPictureIo::bmpFiles() {
    const QString path = dir_.filePath(QStringLiteral("絵.bmp"));
    QString error;
    QVERIFY2(bmpio::writeFile(gradient(5, 3), win(path), &error), qPrintable(error));
    QCOMPARE(maxDifference(bmpio::readFile(win(path), &error), gradient(5, 3)), 0);
    QVERIFY(
        !bmpio::writeFile(gradient(2, 2), win(dir_.filePath(QStringLiteral("no/x.bmp"))), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(bmpio::readFile(win(dir_.path()), &error).isNull()); // a folder

    // A picture that cannot be replaced (marked read-only) stays as it was.
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    QVERIFY(!bmpio::writeFile(gradient(7, 7), win(path), &error));
    QVERIFY(!error.isEmpty());
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
    QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("*絵*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("絵.bmp")});
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QUMO_CORE_TEST_MAIN(TestPictureIo)
#include "tst_pictureio.moc"
