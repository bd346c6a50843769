// The start-up sequence on real install layouts built in temp folders.
#include "app/form1layout.h"
#include "app/program.h"
#include "board/Unit14.h"
#include "board/Unit25.h"
#include "platform/core/paths.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

#include "support/x11probe.h"

using namespace testsupport;

namespace {
const QString kSettings = u"<TATE>600</TATE>\r\n<YOKO>800</YOKO>\r\n<MWXX>400</MWXX>\r\n"
                          "<MWYY>300</MWYY>\r\n<HOME>http://example.org/logo/</HOME>\r\n"
                          "<OPEN1>index.html</OPEN1>\r\n<NAME>さくひん</NAME>\r\n<LOAD>w</LOAD>\r\n"
                          "<SAVE></SAVE>\r\n"_qs;
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void installLayouts_data();
    void installLayouts();
    void readOnlyProbe_data();
    void readOnlyProbe();
    void probeCreatesCompanionFolder();
    void saveRoot_data();
    void saveRoot();
    void rosterModeWithoutRoster();
    void startingWorksCopiedOnceNeverOverwritten();
    void homePage_data();
    void homePage();
    void boardReadiedOnceTheFirstPageHasLoaded();
    void clipRestore_data();
    void clipRestore();
    void emptySettingsStops();
    void settingsErrorsStopAtTheirTag_data();
    void settingsErrorsStopAtTheirTag();
    void menuLanguageFileMissing();
    void hostileSettingsFiles_data();
    void hostileSettingsFiles();
    void oldUsageLogDeleted();
    void windowSizesStayOnScreen_data();
    void windowSizesStayOnScreen();

private:
    std::unique_ptr<QumoProgram> start(const InstallLayout &l);
    QString tmp(const QString &rel) const { return dir_->path() + u'/' + rel; }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<RecordingPlatform> platform_;
    QString savedCurrent_;
};

void TestStartup::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    platform_ = std::make_unique<RecordingPlatform>();
    // The desktop and the process's current folder are the test's own.
    qputenv("HOME", tmp(u"home"_qs).toUtf8());
    qputenv("XDG_CONFIG_HOME", tmp(u"home/.config"_qs).toUtf8());
    QDir().mkpath(tmp(u"home/Desktop"_qs));
    QDir().mkpath(tmp(u"cwd"_qs));
    savedCurrent_ = QDir::currentPath();
    QDir::setCurrent(tmp(u"cwd"_qs));
}

void TestStartup::cleanup() {
    QDir::setCurrent(savedCurrent_);
    dir_.reset();
}

std::unique_ptr<QumoProgram> TestStartup::start(const InstallLayout &l) {
    auto p = std::make_unique<QumoProgram>(*platform_, l.programFile);
    p->main()->FormShow();
    return p;
}

void TestStartup::installLayouts_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("companion");
    QTest::addColumn<QString>("base"); // relative to the install root, "" = the root itself
    QTest::newRow("MWEX in the companion folder") << u"QUMOG.x86_64"_qs << true << u"QUMOG/"_qs;
    QTest::newRow("MWEX beside the program") << u"QUMOG.x86_64"_qs << false << QString();
    QTest::newRow("underscore uses the same companion folder") << u"_QUMOG.x86_64"_qs << true << u"QUMOG/"_qs;
    QTest::newRow("japanese program name") << u"授業 ソフト.x86_64"_qs << true << u"授業 ソフト/"_qs;
}

void TestStartup::installLayouts() {
    QFETCH(QString, program);
    QFETCH(bool, companion);
    QFETCH(QString, base);
    const QString root = tmp(u"inst 授業"_qs);
    const auto l = makeInstall(root, program, companion, kSettings);
    auto p = start(l);
    const QumoValues &v = p->values;
    const QString winBase = win(root + u'/' + base);
    QVERIFY2(p->main()->startupDone(), qPrintable(platform_->errors.join(u'\n')));
    QCOMPARE(v.MWEXEDIR, winBase + u"MWEX"_qs);
    QCOMPARE(v.MWEXEXE, winBase + u"MWEX\\mwex.exe"_qs);
    QCOMPARE(v.RULE, winBase + u"MWEX\\QUMOの設定.txt"_qs);
    QCOMPARE(v.KANA, winBase + u"MWEX\\MWEx.ini"_qs);
    QCOMPARE(v.QUMOHOZONDIR, winBase);
    QCOMPARE(v.QUMOHOZON, winBase + u"さくひん\\"_qs);
    QVERIFY(QFileInfo(root + u'/' + base + u"さくひん"_qs).isDir());
    QCOMPARE(v.DL, program.startsWith(u'_'));
    QCOMPARE(v.DVD, false);
    QCOMPARE(v.XX, 400);
    QCOMPARE(v.YY, 300);
    QCOMPARE(p->main()->height(), 600);
    QCOMPARE(p->main()->width(), 800);
    QCOMPARE(p->main()->windowTitle(), v.QUMOHOZON);
    QCOMPARE(v.QUMOCLIP, v.QUMOHOZON + u"clip.txt"_qs);
    QCOMPARE(p->main()->SpeedButton7->toolTip(), u"左：さくひんフォルダ／右：今のフォルダ"_qs);
    QCOMPARE(p->forms.Form14->initialSaveFolder(), v.QUMOHOZON);
    QVERIFY(v.CSVDATA.startsWith(u"開始時刻=,"_qs));
    QVERIFY(v.CSVDATA.endsWith(u'\r'));
    // No local page anywhere: the home URL comes from HOME.
    QCOMPARE(v.SYOKIURL, u"http://example.org/logo/index.html"_qs);
    QCOMPARE(v.KIJUNDIR, winBase);
    QCOMPARE(p->main()->lastNavigation(), v.SYOKIURL);
    QVERIFY(platform_->errors.isEmpty());
}

void TestStartup::readOnlyProbe_data() {
    // As root no permission bit stops a folder; the kernel refuses folders in /proc, and
    // refuses writing in the ones it has (as a package's folder refuses a pupil).
    QTest::addColumn<QString>("program");
    QTest::newRow("probe folder cannot be made") << u"QUMOG.x86_64"_qs;
    QTest::newRow("probe folder there but not writable") << u"sys.x86_64"_qs;
}

void TestStartup::readOnlyProbe() {
    QFETCH(QString, program);
    QDir::setCurrent(u"/proc"_qs);
    const auto l = makeInstall(tmp(u"dvd"_qs), program, true, kSettings);
    auto p = start(l);
    QVERIFY(p->values.DVD);
    QCOMPARE(p->values.QUMOHOZONDIR, p->values.DESKTOP);
    QCOMPARE(p->values.DESKTOP, win(tmp(u"home/Desktop"_qs)) + u'\\');
    QVERIFY(QFileInfo(tmp(u"home/Desktop/さくひん"_qs)).isDir());
    QVERIFY(!p->main()->SpeedButton13->isEnabled());
    QVERIFY(!p->main()->SpeedButton14->isEnabled());
    QCOMPARE(p->main()->SpeedButton13->toolTip(), u"マイクロワールドEX→漢字メニュー(DVD以外で可能)"_qs);
    QCOMPARE(p->main()->SpeedButton14->toolTip(), u"マイクロワールドEX→ひらがなメニュー(DVD以外で可能)"_qs);
}

void TestStartup::probeCreatesCompanionFolder() {
    // MWEX beside the program and the current folder is the program's folder: the probe
    // makes an empty companion folder and the medium counts as writable.
    const auto l = makeInstall(tmp(u"here"_qs), u"QUMOG.x86_64"_qs, false, kSettings);
    QDir::setCurrent(tmp(u"here"_qs));
    auto p = start(l);
    QVERIFY(!p->values.DVD);
    QVERIFY(QFileInfo(tmp(u"here/QUMOG"_qs)).isDir());
    QVERIFY(QDir(tmp(u"here/QUMOG"_qs)).isEmpty());
}

void TestStartup::saveRoot_data() {
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("expected"); // "desktop", "abs", or a path below the base folder
    QTest::newRow("empty: the base folder") << QString() << u""_qs;
    QTest::newRow("desktop") << u"デスクトップ"_qs << u"desktop"_qs;
    QTest::newRow("relative, created with parents") << u"保存\\2026"_qs << u"保存/2026/"_qs;
    QTest::newRow("absolute") << u"abs"_qs << u"abs"_qs;
    QTest::newRow("cannot be created: the desktop") << u"C:\\nowhere"_qs << u"desktop"_qs;
    QTest::newRow("desktop with a blank is a relative name") << u" デスクトップ"_qs << u" デスクトップ/"_qs;
}

void TestStartup::saveRoot() {
    QFETCH(QString, save);
    QFETCH(QString, expected);
    const QString root = tmp(u"inst"_qs);
    QString saveValue = save;
    if (expected == u"abs"_qs)
        saveValue = win(tmp(u"abs root/x"_qs));
    QString s = kSettings;
    s.replace(u"<SAVE></SAVE>"_qs, u"<SAVE>"_qs + saveValue + u"</SAVE>"_qs);
    const auto l = makeInstall(root, u"QUMOG.x86_64"_qs, true, s);
    auto p = start(l);
    QString want;
    if (expected == u"desktop"_qs)
        want = win(tmp(u"home/Desktop"_qs)) + u'\\';
    else if (expected == u"abs"_qs)
        want = saveValue + u'\\';
    else
        want = win(root + u"/QUMOG/"_qs + expected).replace(u'/', u'\\');
    if (!want.endsWith(u'\\'))
        want += u'\\';
    QCOMPARE(p->values.QUMOHOZONDIR, want);
    QVERIFY(QFileInfo(platform::toHost(want + u"さくひん"_qs)).isDir());
}

void TestStartup::rosterModeWithoutRoster() {
    const auto l = makeInstall(tmp(u"r"_qs), u"_QUMOG.x86_64"_qs, true, kSettings);
    auto p = start(l);
    QVERIFY(p->values.DL);
    QVERIFY(p->main()->startupDone());
    QCOMPARE(p->values.QUMOHOZON, win(tmp(u"r/QUMOG/さくひん/"_qs)).replace(u'/', u'\\'));
}

void TestStartup::startingWorksCopiedOnceNeverOverwritten() {
    const auto l = makeInstall(tmp(u"w"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
    writeFile(l.mwexDir + u"/w1.mwx"_qs, "template 1");
    writeFile(l.mwexDir + u"/w3.mwx"_qs, "template 3");
    writeFile(l.mwexDir + u"/w100.mwx"_qs, "template 100");
    writeFile(l.mwexDir + u"/w101.mwx"_qs, "beyond the range");
    writeFile(l.mwexDir + u"/1.mwx"_qs, "no prefix");
    QFile::setPermissions(l.mwexDir + u"/w3.mwx"_qs, QFile::ReadOwner | QFile::ReadGroup);
    {
        auto p = start(l);
    }
    const QString save = tmp(u"w/QUMOG/さくひん/"_qs);
    QCOMPARE(readFile(save + u"w1.mwx"_qs), QByteArray("template 1"));
    QCOMPARE(readFile(save + u"w3.mwx"_qs), QByteArray("template 3"));
    QCOMPARE(readFile(save + u"w100.mwx"_qs), QByteArray("template 100"));
    QVERIFY(!QFile::exists(save + u"w101.mwx"_qs));
    QVERIFY(!QFile::exists(save + u"1.mwx"_qs));
    QVERIFY(QFileInfo(save + u"w3.mwx"_qs).permissions() & QFile::WriteOwner); // mark cleared
    // The pupil changes a work; the next start leaves it alone.
    writeFile(save + u"w1.mwx"_qs, "pupil's changes");
    QFile::remove(save + u"w100.mwx"_qs);
    {
        auto p = start(l);
    }
    QCOMPARE(readFile(save + u"w1.mwx"_qs), QByteArray("pupil's changes"));
    QCOMPARE(readFile(save + u"w100.mwx"_qs), QByteArray("template 100"));
}

void TestStartup::homePage_data() {
    QTest::addColumn<QString>("pages"); // files to create, relative to the install root, ";"-separated
    QTest::addColumn<bool>("companion");
    QTest::addColumn<QString>("opens"); // OPEN1..OPEN5 values, ";"-separated
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("url"); // expected; "$R" is the install root in Windows form
    QTest::newRow("found in the companion folder")
        << u"QUMOG/index.html"_qs << true << u"index.html"_qs << QString()
        << u"file://$R\\QUMOG\\index.html"_qs;
    QTest::newRow("MWEX beside, pages in the companion folder: first pass")
        << u"QUMOG/top.html;top.html"_qs << false << u"top.html"_qs << QString()
        << u"file://$R\\QUMOG\\top.html"_qs;
    QTest::newRow("second pass beside the program")
        << u"b.html"_qs << true << u"a.html;b.html"_qs << QString() << u"file://$R\\b.html"_qs;
    QTest::newRow("candidates in order")
        << u"QUMOG/c.html;QUMOG/b.html"_qs << true << u";b.html;c.html"_qs << QString()
        << u"file://$R\\QUMOG\\b.html"_qs;
    QTest::newRow("subfolder candidate")
        << u"QUMOG/pages/start.html"_qs << true << u"pages\\start.html"_qs << QString()
        << u"file://$R\\QUMOG\\pages\\start.html"_qs;
    QTest::newRow("none found, HOME empty") << QString() << true << u"x.html"_qs << QString() << u"index.html"_qs;
    QTest::newRow("none found, HOME a web address")
        << QString() << true << u"x.html"_qs << u"https://example.org/a/"_qs
        << u"https://example.org/a/index.html"_qs;
    QTest::newRow("none found, HOME with a backslash")
        << QString() << true << u"x.html"_qs << u"skip\\local\\home.html"_qs
        << u"file://$R\\QUMOG\\local\\home.html"_qs;
}

void TestStartup::homePage() {
    QFETCH(QString, pages);
    QFETCH(bool, companion);
    QFETCH(QString, opens);
    QFETCH(QString, home);
    QFETCH(QString, url);
    const QString root = tmp(u"h"_qs);
    QString s = u"<TATE>600</TATE><YOKO>800</YOKO><HOME>"_qs + home + u"</HOME>"_qs;
    const QStringList o = opens.split(u';');
    for (int i = 0; i < o.size(); ++i)
        s += QStringLiteral("<OPEN%1>%2</OPEN%1>").arg(i + 1).arg(o[i]);
    const auto l = makeInstall(root, u"QUMOG.x86_64"_qs, companion, s);
    for (const QString &page : pages.split(u';', Qt::SkipEmptyParts))
        writeFile(root + u'/' + QString(page).replace(u'\\', u'/'), "<html>page</html>");
    auto p = start(l);
    url.replace(u"$R"_qs, win(root));
    QCOMPARE(p->values.SYOKIURL, url);
    QCOMPARE(p->main()->lastNavigation(), url);
}

void TestStartup::boardReadiedOnceTheFirstPageHasLoaded() {
    const QString root = tmp(u"h"_qs);
    const auto l = makeInstall(root, u"QUMOG.x86_64"_qs, true,
                               u"<TATE>600</TATE><YOKO>800</YOKO><OPEN1>index.html</OPEN1>"_qs);
    writeFile(root + u"/QUMOG/index.html"_qs, "<html>page</html>");
    auto p = start(l);
    QVERIFY(p->main()->startupDone());
    QWebEngineView *view = p->main()->WebBrowser1;
    TForm25 *board = p->forms.Form25;
    auto preparer = [board] { return board->findChild<QTimer *>(u"preparer"_qs); };
    // Not beside the first page's load; begun once it has loaded, long before the latest
    // moment.
    QVERIFY(!preparer());
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(20000));
    QTRY_VERIFY_WITH_TIMEOUT(preparer(), TForm1::kPrepareBoardLatestMs / 2);
}

void TestStartup::clipRestore_data() {
    QTest::addColumn<QString>("clipTag");
    QTest::addColumn<bool>("restored");
    QTest::newRow("clip restored") << u"1"_qs << true;
    QTest::newRow("no CLIP tag: restored") << QString() << true;
    QTest::newRow("CLIP 0: home page") << u"0"_qs << false;
}

void TestStartup::clipRestore() {
    QFETCH(QString, clipTag);
    QFETCH(bool, restored);
    QString s = kSettings + u"<CLIP>"_qs + clipTag + u"</CLIP>"_qs;
    const auto l = makeInstall(tmp(u"c"_qs), u"QUMOG.x86_64"_qs, true, s);
    writeFile(tmp(u"c/QUMOG/さくひん/clip.txt"_qs), "\xEF\xBB\xBFhttp://example.org/clipped.html");
    auto p = start(l);
    TForm1 *f = p->main();
    if (restored) {
        QCOMPARE(p->values.CLIPURL, u"http://example.org/clipped.html"_qs);
        QCOMPARE(f->lastNavigation(), p->values.CLIPURL);
        QVERIFY(!f->SpeedButton10->isHidden());
        QCOMPARE(f->SpeedButton10->toolTip(), u"クリップしたページを表示"_qs);
        QCOMPARE(f->SpeedButton9->toolTip(), u"左：URLをクリップ／右：クリップをクリア"_qs);
        QCOMPARE(f->textStore().encoding(), TextStore::Encoding::Utf8); // the clip was read last
    } else {
        QVERIFY(p->values.CLIPURL.isEmpty());
        QCOMPARE(f->lastNavigation(), p->values.SYOKIURL);
        QVERIFY(f->SpeedButton10->isHidden());
        QVERIFY(f->SpeedButton9->isHidden());
        QCOMPARE(f->SpeedButton10->toolTip(), u"最初のページを開きます"_qs);
    }
}

void TestStartup::emptySettingsStops() {
    const auto l = makeInstall(tmp(u"e"_qs), u"QUMOG.x86_64"_qs, true, QString());
    auto p = start(l);
    QVERIFY(!p->main()->startupDone());
    QVERIFY(p->main()->lastNavigation().isEmpty());
    QVERIFY(platform_->errors.isEmpty());
    QCOMPARE(QDir(tmp(u"e/QUMOG"_qs)).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{u"MWEX"_qs});
}

void TestStartup::settingsErrorsStopAtTheirTag_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("yy");
    QTest::addColumn<int>("width");
    // A size not applied stays the window's design size.
    const QSize design = form1layout::kDesignSize;
    QTest::newRow("TATE missing") << u"<YOKO>800</YOKO>"_qs << design.height() << 0
                                  << design.width();
    QTest::newRow("TATE on the next line")
        << u"<TATE>\r\n600</TATE><YOKO>800</YOKO>"_qs << design.height() << 0 << design.width();
    QTest::newRow("MWYY invalid: TATE applied")
        << u"<TATE>500</TATE><MWYY>3x</MWYY><YOKO>800</YOKO>"_qs << 500 << 0 << design.width();
    QTest::newRow("YOKO invalid: MWYY applied")
        << u"<TATE>500</TATE><MWYY>300</MWYY><YOKO>8 0</YOKO>"_qs << 500 << 300
        << design.width();
    QTest::newRow("MWXX invalid after YOKO")
        << u"<TATE>500</TATE><MWYY>300</MWYY><YOKO>700</YOKO><MWXX>--1</MWXX>"_qs << 500 << 300 << 700;
}

void TestStartup::settingsErrorsStopAtTheirTag() {
    QFETCH(QString, settings);
    QFETCH(int, height);
    QFETCH(int, yy);
    QFETCH(int, width);
    const auto l = makeInstall(tmp(u"s"_qs), u"QUMOG.x86_64"_qs, true, settings);
    auto p = start(l);
    QCOMPARE(platform_->errors.size(), 1);
    QVERIFY(!p->main()->startupDone());
    QCOMPARE(p->main()->height(), height);
    QCOMPARE(p->values.YY, yy);
    QCOMPARE(p->main()->width(), width);
    QVERIFY(p->main()->lastNavigation().isEmpty());
    QVERIFY(!QFileInfo(tmp(u"s/QUMOG/さくひん"_qs)).exists());
}

void TestStartup::menuLanguageFileMissing() {
    const auto l = makeInstall(tmp(u"m"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
    QFile::remove(l.mwexDir + u"/MWEx.ini"_qs);
    auto p = start(l);
    QCOMPARE(platform_->errors.size(), 1);
    QVERIFY(platform_->errors.first().contains(u"MWEx.ini"_qs));
    QVERIFY(p->main()->lastNavigation().isEmpty()); // no start page
    QVERIFY(QFileInfo(tmp(u"m/QUMOG/さくひん"_qs)).isDir()); // earlier steps done
}

void TestStartup::hostileSettingsFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("completes");
    QTest::addColumn<int>("messages"); // error boxes shown
    QByteArray huge(10 * 1024 * 1024, 'x');
    huge.prepend("<TATE>600</TATE><YOKO>800</YOKO>");
    QTest::newRow("10 MB of text") << huge << true << 0;
    QTest::newRow("NUL first: an empty text, stops quietly")
        << QByteArray("\0<TATE>600</TATE><YOKO>800</YOKO>", 34) << false << 0;
    QTest::newRow("NUL before the tags: no TATE")
        << QByteArray("junk\0<TATE>600</TATE><YOKO>800</YOKO>", 38) << false << 1;
    QTest::newRow("invalid shift-jis around tags")
        << QByteArray("\x82\xFF\x81<TATE>600</TATE>\x83<YOKO>800</YOKO>\x82") << true << 0;
    QTest::newRow("repeated and interleaved tags")
        << QByteArray("<TATE>600</TATE><TATE>1</TATE><YOKO>800<NAME></YOKO>x</NAME>") << false
        << 1;
}

void TestStartup::hostileSettingsFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, completes);
    QFETCH(int, messages);
    const auto l = makeInstall(tmp(u"x"_qs), u"QUMOG.x86_64"_qs, true, QString());
    writeFile(l.mwexDir + u"/QUMOの設定.txt"_qs, bytes);
    auto p = start(l);
    QCOMPARE(p->main()->startupDone(), completes);
    QCOMPARE(platform_->errors.size(), messages);
}

void TestStartup::oldUsageLogDeleted() {
    const auto l = makeInstall(tmp(u"u"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
    writeFile(tmp(u"u/QUMOG/さくひん/QUMODATE.csv"_qs), "old");
    auto p = start(l);
    QVERIFY(!QFile::exists(tmp(u"u/QUMOG/さくひん/QUMODATE.csv"_qs)));
}

// Sizes from the settings are kept on the screen; the start-up still completes. A value of
// -1 in the expected columns stands for the screen's available width or height.
void TestStartup::windowSizesStayOnScreen_data() {
    QTest::addColumn<QString>("tate");
    QTest::addColumn<QString>("yoko");
    QTest::addColumn<QString>("mwyy");
    QTest::addColumn<QString>("mwxx");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("yy");
    QTest::addColumn<int>("xx");
    QTest::newRow("ordinary") << u"600"_qs << u"800"_qs << u"300"_qs << u"400"_qs << 600 << 800 << 300 << 400;
    QTest::newRow("zero: the least, the Logo program not placed")
        << u"0"_qs << u"0"_qs << u"0"_qs << u"0"_qs << 150 << 200 << 0 << 0;
    QTest::newRow("negative") << u"-5"_qs << u"-5"_qs << u"-5"_qs << u"-5"_qs << 150 << 200 << -5 << -5;
    QTest::newRow("huge: the screen")
        << u"999999999"_qs << u"999999999"_qs << u"999999999"_qs << u"999999999"_qs << -1 << -1 << -1 << -1;
    QTest::newRow("small Logo window: the least") << u"600"_qs << u"800"_qs << u"10"_qs << u"10"_qs
                                                   << 600 << 800 << 150 << 200;
}

void TestStartup::windowSizesStayOnScreen() {
    QFETCH(QString, tate);
    QFETCH(QString, yoko);
    QFETCH(QString, mwyy);
    QFETCH(QString, mwxx);
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(int, yy);
    QFETCH(int, xx);
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    // Sizes beyond the screen (a small one at a high scale too) are the screen's.
    const auto orScreen = [](int v, int s) { return v == -1 ? s : qMin(v, s); };
    const QString settings = u"<TATE>%1</TATE><YOKO>%2</YOKO><MWYY>%3</MWYY><MWXX>%4</MWXX>"
                             "<NAME>さくひん</NAME>"_qs.arg(tate, yoko, mwyy, mwxx);
    const auto l = makeInstall(tmp(u"w"_qs), u"QUMOG.x86_64"_qs, true, settings);
    auto p = start(l);
    QVERIFY2(p->main()->startupDone(), qPrintable(platform_->errors.join(u'\n')));
    QCOMPARE(p->main()->height(), orScreen(height, screen.height()));
    QCOMPARE(p->main()->width(), orScreen(width, screen.width()));
    QCOMPARE(p->values.YY, orScreen(yy, screen.height()));
    QCOMPARE(p->values.XX, orScreen(xx, screen.width()));
    // On the X server the whole window, frame included (as the window manager announces
    // it), lies on the primary monitor.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    p->main()->show();
    const Window w = Window(p->main()->winId());
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(w), 10000);
    const QRect monitor = probe.primaryMonitor();
    const bool framed = probe.windowManagerRuns();
    QTRY_VERIFY_WITH_TIMEOUT(!framed || !probe.longs(w, "_NET_FRAME_EXTENTS", XA_CARDINAL).empty(), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(monitor.contains(probe.outer(w)),
                              qPrintable(u"window %1,%2 %3x%4 on the monitor %5,%6 %7x%8"_qs
                                             .arg(probe.outer(w).x()).arg(probe.outer(w).y())
                                             .arg(probe.outer(w).width()).arg(probe.outer(w).height())
                                             .arg(monitor.x()).arg(monitor.y())
                                             .arg(monitor.width()).arg(monitor.height())),
                              10000);
    const QRect outer = probe.outer(w);
    qInfo("main window with its frame on the X server: %d,%d %dx%d (monitor %d,%d %dx%d)",
          outer.x(), outer.y(), outer.width(), outer.height(), monitor.x(), monitor.y(),
          monitor.width(), monitor.height());
}

QUMO_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
