// The text file store: encodings, line ends, the shared encoding of BLOAD and BSAVE.
#include "app/core/errors.h"
#include "app/core/textstore.h"
#include "support/coresupport.h"

#include <QDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace testsupport;

class TestTextStore : public QObject {
    Q_OBJECT
private slots:
    void load_data();
    void load();
    void saveUsesEncodingOfLastLoad_data();
    void saveUsesEncodingOfLastLoad();
    void saveBeforeAnyLoadIsAnsi();
    void loadFailureKeepsState();
    void saveFailureRaises();
    void saveLines_data();
    void saveLines();
    void saveLinesIntoMissingFolderIsSilent();
    void savedFilesAreWholeAndAlone();
    void readOnlyFileIsNotReplaced();
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();

private:
    QTemporaryDir dir_;
};

void TestTextStore::load_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("encoding");
    using E = TextStore::Encoding;
    QTest::newRow("utf-8 mark skipped") << QByteArray("\xEF\xBB\xBF" "a\xE3\x81\x82") << u"aあ"_qs << int(E::Utf8);
    QTest::newRow("utf-8 without mark read as ansi")
        << QByteArray("\xE3\x81\x82") << u"\u7E3A\u30FB"_qs << int(E::Ansi);
    QTest::newRow("utf-16 le") << QByteArray("\xFF\xFE" "a\0\x42\x30", 6) << u"aあ"_qs << int(E::Utf16LE);
    QTest::newRow("utf-16 be") << QByteArray("\xFE\xFF\0a\x30\x42", 6) << u"aあ"_qs << int(E::Utf16BE);
    QTest::newRow("shift-jis") << QByteArray("\x82\xA0\x8A\xBF\x8E\x9A") << u"あ漢字"_qs << int(E::Ansi);
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << u"a\r\nb\r\n"_qs << int(E::Ansi);
    QTest::newRow("lone lf") << QByteArray("a\nb") << u"a\r\nb"_qs << int(E::Ansi);
    QTest::newRow("lf then cr gives two ends") << QByteArray("a\n\rb") << u"a\r\n\r\nb"_qs << int(E::Ansi);
    QTest::newRow("crlf kept") << QByteArray("a\r\nb\r\n") << u"a\r\nb\r\n"_qs << int(E::Ansi);
    QTest::newRow("empty file") << QByteArray() << QString() << int(E::Ansi);
    QTest::newRow("cut at nul") << QByteArray("ab\0cd", 5) << u"ab"_qs << int(E::Ansi);
    QTest::newRow("invalid shift-jis is lenient") << QByteArray("a\x82") << u"a・"_qs << int(E::Ansi);
    QTest::newRow("only a mark") << QByteArray("\xEF\xBB\xBF") << QString() << int(E::Utf8);
}

void TestTextStore::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, encoding);
    const QString path = dir_.filePath(QStringLiteral("in.txt"));
    writeFile(path, bytes);
    TextStore store;
    QCOMPARE(store.load(win(path)), text);
    QCOMPARE(int(store.encoding()), encoding);
}

void TestTextStore::saveUsesEncodingOfLastLoad_data() {
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("ansi: exactly five bytes") << QByteArray("Hiragana\r\n") << QByteArray("Kanji");
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBFx") << QByteArray("\xEF\xBB\xBFKanji");
    QTest::newRow("utf-16 le with mark")
        << QByteArray("\xFF\xFEx\0", 4) << QByteArray("\xFF\xFEK\0a\0n\0j\0i\0", 12);
    QTest::newRow("utf-16 be with mark")
        << QByteArray("\xFE\xFF\0x", 4) << QByteArray("\xFE\xFF\0K\0a\0n\0j\0i", 12);
}

void TestTextStore::saveUsesEncodingOfLastLoad() {
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, written);
    const QString in = dir_.filePath(QStringLiteral("read.txt"));
    const QString out = dir_.filePath(QStringLiteral("out.txt"));
    writeFile(in, read);
    TextStore store;
    store.load(win(in));
    store.save(win(out), QStringLiteral("Kanji"));
    QCOMPARE(readFile(out), written);
}

void TestTextStore::saveBeforeAnyLoadIsAnsi() {
    const QString out = dir_.filePath(QStringLiteral("first.txt"));
    TextStore store;
    QCOMPARE(int(store.encoding()), int(TextStore::Encoding::Unset));
    store.save(win(out), QStringLiteral("漢字\r\nx"));
    QCOMPARE(readFile(out), QByteArray("\x8A\xBF\x8E\x9A\r\nx"));
}

void TestTextStore::loadFailureKeepsState() {
    const QString in = dir_.filePath(QStringLiteral("u8.txt"));
    writeFile(in, "\xEF\xBB\xBFok");
    TextStore store;
    store.load(win(in));
    QVERIFY_THROWS_EXCEPTION(QumoError, store.load(win(dir_.filePath(QStringLiteral("missing.txt")))));
    QCOMPARE(int(store.encoding()), int(TextStore::Encoding::Utf8));
    QCOMPARE(store.memo(), QStringLiteral("ok"));
    // A folder is not a file; another drive does not exist here.
    QVERIFY_THROWS_EXCEPTION(QumoError, store.load(win(dir_.path())));
    QVERIFY_THROWS_EXCEPTION(QumoError, store.load(QStringLiteral("C:\\x.txt")));
}

void TestTextStore::saveFailureRaises() {
    TextStore store;
    try {
        store.save(win(dir_.filePath(QStringLiteral("no/such/folder/x.txt"))), QStringLiteral("a"));
        QFAIL("no error raised");
    } catch (const QumoError &e) {
        QVERIFY(e.message().contains(QStringLiteral("x.txt")));
    }
    QCOMPARE(store.memo(), QStringLiteral("a"));
}

void TestTextStore::saveLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("four lines ended by lone cr") << u"a\rb\rc\rd\r"_qs << QByteArray("a\r\nb\r\nc\r\nd\r\n");
    QTest::newRow("last line without end") << u"a\nb"_qs << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty text gives empty file") << QString() << QByteArray();
    QTest::newRow("empty lines kept") << u"\r\n\r\n"_qs << QByteArray("\r\n\r\n");
    QTest::newRow("ansi, no mark") << u"開始時刻=,x"_qs << QByteArray("\x8A\x4A\x8E\x6E\x8E\x9E\x8D\x8F=,x\r\n");
    // A lone high surrogate is one unmappable character; the one after it stays.
    QTest::newRow("lone surrogate keeps the next character")
        << QString(QChar(0xD800)) + u"A\U0001F600B"_qs << QByteArray("?A?B\r\n");
}

void TestTextStore::saveLines() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString out = dir_.filePath(QStringLiteral("lines.txt"));
    writeFile(out, "old content that must go");
    TextStore::saveLines(win(out), text);
    QCOMPARE(readFile(out), bytes);
}

void TestTextStore::saveLinesIntoMissingFolderIsSilent() {
    const QString out = dir_.filePath(QStringLiteral("none/x.csv"));
    TextStore::saveLines(win(out), QStringLiteral("a"));
    QVERIFY(!QFile::exists(out));
}

// Every save goes through a temporary file beside the target: nothing else is left in the
// folder, and the file keeps the permissions it had.
void TestTextStore::savedFilesAreWholeAndAlone() {
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("clip.txt"));
    writeFile(clip, "http://old/");
    QFile::setPermissions(clip, QFile::ReadOwner | QFile::WriteOwner);
    TextStore store;
    store.save(win(clip), QStringLiteral("http://new/"));
    TextStore::saveLines(win(dir.filePath(QStringLiteral("QUMODATE.csv"))), QStringLiteral("a\rb"));
    QCOMPARE(readFile(clip), QByteArray("http://new/"));
    const QFileDevice::Permissions kept = QFile::permissions(clip);
    QVERIFY(kept.testFlag(QFile::WriteOwner));
    QVERIFY(!kept.testFlag(QFile::ReadOther));
    QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    files.sort();
    QCOMPARE(files, (QStringList{QStringLiteral("QUMODATE.csv"), QStringLiteral("clip.txt")}));
}

// A file with the read-only mark is not replaced, even where a rename could pass over it.
void TestTextStore::readOnlyFileIsNotReplaced() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("MWEx.ini"));
    writeFile(ini, "Hiragana");
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadUser);
    TextStore store;
    try {
        store.save(win(ini), QStringLiteral("Kanji"));
        QFAIL("no error raised");
    } catch (const QumoError &e) {
        QCOMPARE(e.message(), QStringLiteral("「MWEx.ini」を保存できませんでした。"));
    }
    QCOMPARE(readFile(ini), QByteArray("Hiragana"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{QStringLiteral("MWEx.ini")});
}

void TestTextStore::fullDiskKeepsOldFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("lines"); // written as lines (errors swallowed) or as a text
    QTest::newRow("the clip") << QStringLiteral("clip.txt") << false;
    QTest::newRow("the menu language") << QStringLiteral("MWEx.ini") << false;
    QTest::newRow("a catalogue index") << QStringLiteral("index.txt") << false;
    QTest::newRow("the usage log") << QStringLiteral("QUMODATE.csv") << true;
}

// On a full disk the old file stays as it was, nothing is left beside it, and a text save
// says in one short message what to do.
void TestTextStore::fullDiskKeepsOldFile() {
    QFETCH(QString, name);
    QFETCH(bool, lines);
    if (::geteuid() != 0)
        QSKIP("mounting the 64 KB file system of this test needs root");
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP(qPrintable(QStringLiteral("a 64 KB tmpfs cannot be mounted here: %1")
                             .arg(QString::fromLocal8Bit(strerror(errno)))));
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });

    const QString target = disk + u'/' + name;
    const QByteArray old = "old content\r\n";
    writeFile(target, old);
    // Fill every block that is left.
    const int fd = ::open(QFile::encodeName(disk + QStringLiteral("/filler")).constData(),
                          O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), block.size()) > 0) {
    }
    ::close(fd);
    const QStringList before = QDir(disk).entryList(QDir::Files | QDir::Hidden | QDir::System);

    const QString text = QString(8000, u'x');
    if (lines) {
        TextStore::saveLines(win(target), text); // silent
    } else {
        TextStore store;
        try {
            store.save(win(target), text);
            QFAIL("no error raised");
        } catch (const QumoError &e) {
            QCOMPARE(e.message(), QStringLiteral("「%1」を保存できませんでした。"
                                                 "ディスクの空きを確かめてください。")
                                      .arg(name));
        }
    }
    QCOMPARE(readFile(target), old);
    QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden | QDir::System), before);
}

QUMO_CORE_TEST_MAIN(TestTextStore)
#include "tst_textstore.moc"
