// A captured picture saved by its name: the extension decides the format; what a failure says.
#include "board/core/picturesave.h"
#include "support/coresupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestPictureSave : public QObject {
    Q_OBJECT
private slots:
    void extensionDecidesFormat_data();
    void extensionDecidesFormat();
    void saveFailureSaysWhyFirst_data();
    void saveFailureSaysWhyFirst();

private:
    QTemporaryDir dir_;
};

void TestPictureSave::extensionDecidesFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic"); // empty: nothing written, and no error
    QTest::newRow("bmp") << u"a.bmp"_qs << QByteArray("BM");
    QTest::newRow("BMP in capitals") << u"b.BMP"_qs << QByteArray("BM");
    QTest::newRow("jpg") << u"c.jpg"_qs << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("jpeg") << u"d.JPEG"_qs << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("png writes nothing") << u"e.png"_qs << QByteArray();
    QTest::newRow("no extension writes nothing") << u"f"_qs << QByteArray();
}

void TestPictureSave::extensionDecidesFormat() {
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    const QImage picture = uniquePixels(33, 17).convertToFormat(QImage::Format_RGB888);
    const QString path = dir_.filePath(name);
    QString error;
    QVERIFY(savePictureFile(picture, win(path), &error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    if (magic.isEmpty()) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.startsWith(magic));
    QImage back;
    QVERIFY(back.loadFromData(bytes));
    QCOMPARE(back.size(), picture.size());
    if (magic == "BM") // a BMP keeps every pixel
        QCOMPARE(back.convertToFormat(QImage::Format_RGB888), picture);
}

void TestPictureSave::saveFailureSaysWhyFirst_data() {
    QTest::addColumn<QString>("hostPath");
    QTest::addColumn<QString>("cause");
    QTest::newRow("name too long") << QStringLiteral("a").repeated(300) + u".jpg"_qs
                                   << u"なまえが ながすぎます。"_qs;
    QTest::newRow("folder gone") << u"gone/x.bmp"_qs << u"フォルダが ありません。"_qs;
    QTest::newRow("refused by the system") << u"/proc/qumo-capture.jpg"_qs
                                           << u"ほぞんできませんでした。"_qs;
}

void TestPictureSave::saveFailureSaysWhyFirst() {
    // A short Japanese line first, the system's own text after it.
    QFETCH(QString, hostPath);
    QFETCH(QString, cause);
    const QString path = hostPath.startsWith(u'/') ? hostPath : dir_.filePath(hostPath);
    QString error;
    QVERIFY(!savePictureFile(uniquePixels(40, 30), win(path), &error));
    const QStringList lines = error.split(u'\n');
    QCOMPARE(lines.first(), cause);
    QVERIFY2(lines.size() >= 2 && !lines.at(1).isEmpty(), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

QUMO_CORE_TEST_MAIN(TestPictureSave)
#include "tst_picturesave.moc"
