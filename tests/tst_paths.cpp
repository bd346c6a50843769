// Windows paths inside, host paths at the edge; file URLs mapped both ways; CP932.
#include "platform/core/codec.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "support/coresupport.h"

#include <QtTest>

using namespace testsupport;

class TestPaths : public QObject {
    Q_OBJECT
private slots:
    void toHost_data();
    void toHost();
    void fromHost_data();
    void fromHost();
    void urlFromEngine_data();
    void urlFromEngine();
    void urlToEngine_data();
    void urlToEngine();
    void fileNameParts_data();
    void fileNameParts();
    void codecRoundTrip();
    void fileOperations();
    void createDirectoryCodes();
    void readOnlyAttribute();
};

void TestPaths::toHost_data() {
    QTest::addColumn<QString>("win");
    QTest::addColumn<QString>("host");
    QTest::newRow("drive Z is the root") << u"Z:\\home\\t\\qumo\\MWEX\\mwex.exe"_qs << u"/home/t/qumo/MWEX/mwex.exe"_qs;
    QTest::newRow("lower-case drive") << u"z:\\tmp"_qs << u"/tmp"_qs;
    QTest::newRow("japanese names") << u"Z:\\授業\\マイクロ 1\\作品.mwx"_qs << u"/授業/マイクロ 1/作品.mwx"_qs;
    QTest::newRow("trailing separator kept") << u"Z:\\tmp\\a\\"_qs << u"/tmp/a/"_qs;
    QTest::newRow("relative keeps its place") << u"a\\b\\c.txt"_qs << u"a/b/c.txt"_qs;
    QTest::newRow("root only") << u"Z:\\"_qs << u"/"_qs;
    QTest::newRow("other drive does not exist") << u"C:\\Windows"_qs << QString();
    QTest::newRow("unc share does not exist") << u"\\\\server\\share\\x"_qs << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestPaths::toHost() {
    QFETCH(QString, win);
    QFETCH(QString, host);
    QCOMPARE(platform::toHost(win), host);
}

void TestPaths::fromHost_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("win");
    QTest::newRow("absolute") << u"/home/t/x.html"_qs << u"Z:\\home\\t\\x.html"_qs;
    QTest::newRow("japanese") << u"/tmp/作品/あ.mwx"_qs << u"Z:\\tmp\\作品\\あ.mwx"_qs;
    QTest::newRow("relative") << u"a/b"_qs << u"a\\b"_qs;
    QTest::newRow("folder with final slash") << u"/tmp/"_qs << u"Z:\\tmp\\"_qs;
}

void TestPaths::fromHost() {
    QFETCH(QString, host);
    QFETCH(QString, win);
    QCOMPARE(platform::fromHost(host), win);
    QCOMPARE(platform::toHost(win), host);
}

void TestPaths::urlFromEngine_data() {
    QTest::addColumn<QUrl>("engine");
    QTest::addColumn<QString>("shell");
    QTest::newRow("file url gets the drive") << QUrl(u"file:///home/t/x.html"_qs) << u"file:///Z:/home/t/x.html"_qs;
    QTest::newRow("japanese as characters, blank as %20")
        << QUrl::fromLocalFile(u"/tmp/授業 1/作品.mwx"_qs) << u"file:///Z:/tmp/授業%201/作品.mwx"_qs;
    QTest::newRow("fragment kept") << QUrl(u"file:///tmp/page.htm#top"_qs) << u"file:///Z:/tmp/page.htm#top"_qs;
    QTest::newRow("web unchanged") << QUrl(u"http://example.org/logo1/a.mwx"_qs) << u"http://example.org/logo1/a.mwx"_qs;
    QTest::newRow("web japanese decoded") << QUrl(u"http://example.org/%E4%BD%9C.mwx"_qs) << u"http://example.org/作.mwx"_qs;
    QTest::newRow("bare drive path clicked in a page")
        << QUrl(u"z:%5Ctmp%5Cx y%5C作品.txt"_qs) << u"Z:\\tmp\\x%20y\\作品.txt"_qs;
    QTest::newRow("bare drive path with a command mark")
        << QUrl(u"z:%5Cmat%5Cmeiro!"_qs) << u"Z:\\mat\\meiro!"_qs;
    QTest::newRow("about blank") << QUrl(u"about:blank"_qs) << u"about:blank"_qs;
}

void TestPaths::urlFromEngine() {
    QFETCH(QUrl, engine);
    QFETCH(QString, shell);
    QCOMPARE(platform::urlFromEngine(engine), shell);
}

void TestPaths::urlToEngine_data() {
    QTest::addColumn<QString>("shell");
    QTest::addColumn<QUrl>("engine");
    QTest::newRow("start-up form") << u"file://Z:\\home\\t\\x.html"_qs << QUrl(u"file:///home/t/x.html"_qs);
    QTest::newRow("reported form") << u"file:///Z:/home/t/x.html"_qs << QUrl(u"file:///home/t/x.html"_qs);
    QTest::newRow("bare path") << u"Z:\\tmp\\a b.html"_qs << QUrl::fromLocalFile(u"/tmp/a b.html"_qs);
    QTest::newRow("%20 is a blank") << u"file:///Z:/tmp/a%20b.html"_qs << QUrl::fromLocalFile(u"/tmp/a b.html"_qs);
    QTest::newRow("japanese") << u"file://Z:\\授業\\作品.html"_qs << QUrl::fromLocalFile(u"/授業/作品.html"_qs);
    QTest::newRow("web unchanged") << u"http://example.org/a.html"_qs << QUrl(u"http://example.org/a.html"_qs);
    // Doubled separators after the drive are still the root, never a host named "srv".
    QTest::newRow("doubled separator after the drive")
        << u"Z:\\\\srv\\x.html"_qs << QUrl::fromLocalFile(u"/srv/x.html"_qs);
    QTest::newRow("file URL with doubled separator")
        << u"file:///Z://srv/x.html"_qs << QUrl::fromLocalFile(u"/srv/x.html"_qs);
}

void TestPaths::urlToEngine() {
    QFETCH(QString, shell);
    QFETCH(QUrl, engine);
    QCOMPARE(platform::urlToEngine(shell), engine);
}

void TestPaths::fileNameParts_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::newRow("full") << u"Z:\\a\\QUMOG.x86_64"_qs << u"Z:\\a\\"_qs << u"QUMOG.x86_64"_qs << u".x86_64"_qs;
    QTest::newRow("no extension") << u"Z:\\a.b\\c"_qs << u"Z:\\a.b\\"_qs << u"c"_qs << QString();
    QTest::newRow("drive only") << u"Z:x.txt"_qs << u"Z:"_qs << u"x.txt"_qs << u".txt"_qs;
    QTest::newRow("two dots") << u"a.tar.gz"_qs << QString() << u"a.tar.gz"_qs << u".gz"_qs;
}

void TestPaths::fileNameParts() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QCOMPARE(platform::extractFilePath(path), folder);
    QCOMPARE(platform::extractFileName(path), name);
    QCOMPARE(platform::extractFileExt(path), ext);
    QCOMPARE(platform::stripFileExt(path) + ext, path);
}

void TestPaths::codecRoundTrip() {
    const QString text = u"学年1.txt ひらがな カタカナ ①"_qs;
    QCOMPARE(platform::ansiDecode(platform::ansiEncode(text)), text);
    QCOMPARE(platform::ansiEncode(u"漢字"_qs), QByteArray("\x8A\xBF\x8E\x9A"));
    // Characters the code page lacks become "?", nothing is lost silently beyond them.
    QCOMPARE(platform::ansiEncode(u"a😀b"_qs), QByteArray("a?b"));
}

void TestPaths::fileOperations() {
    QTemporaryDir dir;
    const QString base = win(dir.path()) + u"\\作品 フォルダ"_qs;
    QVERIFY(!platform::directoryExists(base));
    QVERIFY(platform::forceDirectories(base + u"\\a\\b"_qs));
    QVERIFY(platform::directoryExists(base + u"\\a\\b"_qs));
    QVERIFY(!platform::fileExists(base + u"\\a"_qs)); // a folder is not a file
    writeFile(dir.path() + u"/作品 フォルダ/x.mwx"_qs, "one");
    const QString x = base + u"\\x.mwx"_qs, y = base + u"\\a\\y.mwx"_qs;
    QVERIFY(platform::fileExists(x));
    QVERIFY(platform::copyFile(x, y, true));
    writeFile(dir.path() + u"/作品 フォルダ/x.mwx"_qs, "two");
    QVERIFY(!platform::copyFile(x, y, true)); // fail if it exists
    QCOMPARE(readFile(dir.path() + u"/作品 フォルダ/a/y.mwx"_qs), QByteArray("one"));
    QVERIFY(platform::copyFile(x, y, false));
    QCOMPARE(readFile(dir.path() + u"/作品 フォルダ/a/y.mwx"_qs), QByteArray("two"));
    QVERIFY(platform::deleteFile(y));
    QVERIFY(!platform::fileExists(y));
    QVERIFY(!platform::deleteFile(y));
    QVERIFY(!platform::fileExists(u"C:\\Windows\\win.ini"_qs));
    QVERIFY(!platform::forceDirectories(u"C:\\x"_qs));
}

void TestPaths::createDirectoryCodes() {
    QTemporaryDir dir;
    const QString d = win(dir.path()) + u"\\one"_qs;
    QCOMPARE(platform::createDirectory(d), platform::ErrorSuccess);
    QCOMPARE(platform::createDirectory(d), platform::ErrorAlreadyExists);
    QCOMPARE(platform::createDirectory(d + u"\\missing\\two"_qs), platform::ErrorPathNotFound);
    // The kernel refuses folders in /proc even for root.
    const int code = platform::createDirectory(u"Z:\\proc\\qumo-probe"_qs);
    QVERIFY(code != platform::ErrorSuccess && code != platform::ErrorAlreadyExists);
}

void TestPaths::readOnlyAttribute() {
    QTemporaryDir dir;
    writeFile(dir.path() + u"/r.txt"_qs, "x");
    const QString f = win(dir.path()) + u"\\r.txt"_qs;
    QVERIFY(!platform::isReadOnly(f));
    QVERIFY(platform::setReadOnly(f, true));
    QVERIFY(platform::isReadOnly(f));
    QVERIFY(platform::setReadOnly(f, false));
    QVERIFY(!platform::isReadOnly(f));
}

QUMO_CORE_TEST_MAIN(TestPaths)
#include "tst_paths.moc"
