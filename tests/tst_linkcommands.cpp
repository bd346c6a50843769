// The link command runner without the windows, on real temp folders, a loopback server
// and the real downloads, launcher and desktop copies: what it decides inside the engine's
// callback, the actions it runs from the event loop, the queue of clicks, and that hostile
// names write nothing outside the save and MWEX folders. (The real view's wiring to it is
// shown in tst_linkend2end.)
#include "linkfixture.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

using namespace testsupport;
using namespace linktest;

class TestLinkCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void decidedAtOnce_data();
    void decidedAtOnce();
    void actionsRunFromTheEventLoop_data();
    void actionsRunFromTheEventLoop();
    void unwritableDownloadFallsThrough();
    void localInstallList_data();
    void localInstallList();
    void folderExport_data();
    void folderExport();
    void clickDuringACommandIsQueued();
    void uncancelledEndReloadsTheUnchangedUrlOnce_data();
    void uncancelledEndReloadsTheUnchangedUrlOnce();
    void hostileNamesStayInside_data();
    void hostileNamesStayInside();

    void heldBackCommandDoesNothing_data();
    void heldBackCommandDoesNothing();
    void programFromAnotherHostAsksFirst_data();
    void programFromAnotherHostAsksFirst();
    void programAsExtraFileOnlyFromTrustedHost_data();
    void programAsExtraFileOnlyFromTrustedHost();

private:
    QString tmp(const QString& rel) const { return room_->tmp(rel); }
    QumoValues& v() { return room_->v(); }
    LinkCommandRunner* runner() { return room_->runner.get(); }
    QString& field() { return room_->field; }
    // Hands a URL to the handler as the engine would, then lets the queue run out.
    bool handle(const QString& url) {
        const bool cancel = room_->handle(url);
        [&] { QVERIFY(room_->idle()); }();
        return cancel;
    }
    void waitIdle() { QVERIFY(room_->idle()); }

    std::unique_ptr<Host> room_;
    HookPlatform* platform_ = nullptr;
};

void TestLinkCommands::init() {
    room_ = std::make_unique<Host>();
    platform_ = &room_->platform;
    // The loopback servers stand on the home page's host: their programs start unasked.
    v().SYOKIURL = u"http://127.0.0.1/index.html"_qs;
}

void TestLinkCommands::cleanup() {
    if (room_)
        QVERIFY(room_->idle());
    room_.reset();
}

void TestLinkCommands::decidedAtOnce_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("field"); // the URL field right after the call
    QTest::newRow("ordinary page proceeds, field shows it")
        << "http://127.0.0.1:1/m/p.htm#top" << false << "http://127.0.0.1:1/m/p.htm#top";
    QTest::newRow("### without &&& proceeds, field without the marker")
        << "http://127.0.0.1:1/m/p.htm###sub" << false << "http://127.0.0.1:1/m/p.htm";
    QTest::newRow("about:blank leaves the field") << "about:blank" << false << "before";
    QTest::newRow("command @ is cancelled and waits")
        << "http://127.0.0.1:1/m/x.mwx@" << true << "before";
    QTest::newRow("extra files wait for the event loop")
        << "http://127.0.0.1:1/m/p.htm&&&a.txt" << true << "before";
    QTest::newRow("missing local file waits") << "Z:\\nowhere\\x.mwx" << true << "before";
}

void TestLinkCommands::decidedAtOnce() {
    QFETCH(QString, url);
    field() = u"before"_qs;
    const bool cancel = room_->handle(url);
    QTEST(cancel, "cancel");
    QTEST(field(), "field");
    // Nothing acted inside the callback.
    QVERIFY(platform_->opened.isEmpty());
    QVERIFY(platform_->beeps.isEmpty());
    QCOMPARE(runner()->busy(), cancel);
    if (url.contains(u"###sub"_qs))
        QVERIFY(QFileInfo(platform::toHost(v().QUMOHOZON + u"sub"_qs)).isDir());
    waitIdle();
}

void TestLinkCommands::actionsRunFromTheEventLoop_data() {
    QTest::addColumn<QString>("url"); // "%M" is the material folder (Windows form)
    QTest::addColumn<bool>("dl");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QString>("field"); // after the handling
    QTest::addColumn<QString>("saved"); // a file then in the save folder
    // %S: the server, %H: the save folder, %X: the Logo program (all Windows or URL form).

    QTest::newRow("@ opens outside without the @")
        << "http://127.0.0.1:1/m/game.mwx@" << false
        << QStringList{quoted(u"http://127.0.0.1:1/m/game.mwx"_qs)} << 0 << "before"
        << "";
    const QString site = QLatin1String("http:/") + QLatin1String(linkcmd::kMaterialSiteHostPath);
    QTest::newRow("material site page opens outside")
        << site + "a.htm" << false << QStringList{quoted(site + "a.htm")} << 0 << "before"
        << "";
    QTest::newRow("missing local work beeps")
        << "%M\\none.mwx" << false << QStringList{} << 1 << "before"
        << "";
    QTest::newRow("local folder opens")
        << "%M\\game" << false << QStringList{quoted("%M\\game")} << 0 << "before"
        << "";
    QTest::newRow("local document opens where it lies")
        << "%M\\song.wav" << false << QStringList{quoted("%M\\song.wav")} << 0 << "before"
        << "";
    QTest::newRow("local archive opens where it lies, DL too")
        << "%M\\a.zip" << true << QStringList{quoted("%M\\a.zip")} << 0 << "before"
        << "";
    QTest::newRow("desktop name that leaves the desktop beeps")
        << "%M\\game\\..!" << false << QStringList{} << 1 << "before"
        << "";
    QTest::newRow("escaping extra file beeps, page then loads")
        << "http://127.0.0.1:1/m/p.htm&&&..\\..\\x.txt" << false << QStringList{} << 1
        << "http://127.0.0.1:1/m/p.htm"
        << "";
    QTest::newRow("web document downloaded, then opened")
        << "%S/m/a.txt" << false << QStringList{quoted("%Ha.txt")} << 0 << "before"
        << "a.txt";
    QTest::newRow("web archive downloaded, save folder shown")
        << "%S/m/a.zip" << false << QStringList{quoted("%H")} << 0 << "before"
        << "a.zip";
    QTest::newRow("web archive that fails is said, then opens outside")
        << "%S/m/none.zip" << false << QStringList{quoted("%S/m/none.zip")} << 1 << "before"
        << "";
    QTest::newRow("web program downloaded, then started")
        << "%S/m/tool.exe" << false << QStringList{quoted("%Htool.exe")} << 0 << "before"
        << "tool.exe";
    QTest::newRow("local document, DL: copied, opened from the save folder")
        << "%M\\song.wav" << true << QStringList{quoted("%Hsong.wav")} << 0 << "before"
        << "song.wav";
    QTest::newRow("local work opens where it lies")
        << "%M\\game.mwx" << false << QStringList{quoted("%X")} << 0 << "before"
        << "";
    QTest::newRow("local work, DL: copied, opened from the save folder")
        << "%M\\game.mwx" << true << QStringList{quoted("%X")} << 0 << "before"
        << "game.mwx";
    QTest::newRow("local program starts where it lies")
        << "%M\\tool.exe" << false << QStringList{quoted("%M\\tool.exe")} << 0 << "before"
        << "";
}

void TestLinkCommands::actionsRunFromTheEventLoop() {
    QFETCH(QString, url);
    QFETCH(bool, dl);
    QFETCH(QStringList, opened);
    const QString m = win(tmp(u"material"_qs));
    writeFile(tmp(u"material/song.wav"_qs), "RIFF");
    writeFile(tmp(u"material/a.zip"_qs), "PK");
    QDir().mkpath(tmp(u"material/game"_qs));
    writeFile(tmp(u"material/game.mwx"_qs), "work");
    writeFile(tmp(u"material/tool.exe"_qs), "program");
    HttpServer http;
    http.files.insert(u"m/a.txt"_qs, "text");
    http.files.insert(u"m/a.zip"_qs, "PK");
    http.files.insert(u"m/tool.exe"_qs, "program");
    const auto expand = [&](QString t) {
        return t.replace(u"%M"_qs, m)
            .replace(u"%S"_qs, http.url(QString()).chopped(1))
            .replace(u"%H"_qs, v().QUMOHOZON)
            .replace(u"%X"_qs, v().MWEXEXE);
    };
    url = expand(url);
    for (QString& o : opened)
        o = expand(o);
    v().DL = dl;
    field() = u"before"_qs;
    QVERIFY(handle(url));
    QCOMPARE(platform_->opened, opened);
    QTEST(int(platform_->beeps.size()), "beeps");
    QTEST(field(), "field");
    QFETCH(QString, saved);
    if (!saved.isEmpty())
        QVERIFY(QFileInfo(room_->save() + u'/' + saved).isFile());
    QCOMPARE(room_->shellEnds, 0); // nothing here ends the shell
}

// A download that cannot be written where it belongs (a folder stands there) fails like
// one the server refuses: the next row opens the link outside, without a message.
void TestLinkCommands::unwritableDownloadFallsThrough() {
    HttpServer http;
    http.files.insert(u"m/b.zip"_qs, "PK");
    QVERIFY(QDir().mkpath(room_->save() + u"/b.zip"_qs));
    const QString url = http.url(u"m/b.zip"_qs);
    field() = u"before"_qs;
    QVERIFY(handle(url));
    QCOMPARE(platform_->opened, QStringList{quoted(url)});
    QVERIFY(platform_->errors.isEmpty());
    QVERIFY(platform_->beeps.isEmpty());
    QCOMPARE(http.hits(u"m/b.zip"_qs), 1);
    QVERIFY(QFileInfo(room_->save() + u"/b.zip"_qs).isDir());
    QCOMPARE(v().DLFLG, 0);
}

void TestLinkCommands::localInstallList_data() {
    QTest::addColumn<bool>("dl");
    QTest::newRow("DL false") << false;
    QTest::newRow("DL true: read where the link names it") << true;
}

void TestLinkCommands::localInstallList() {
    // Each resource is copied beside the list into its MWEX sub-folder; a missing sub-folder
    // skips its file. A style sheet that is no list ends as a page.
    QFETCH(bool, dl);
    v().DL = dl;
    writeFile(tmp(u"material/res.css"_qs), "a.gif#pics&b.gif#nofolder&");
    writeFile(tmp(u"material/plain.css"_qs), "body { color: red }");
    writeFile(tmp(u"material/a.gif"_qs), "GIF89a");
    writeFile(tmp(u"material/b.gif"_qs), "GIF89a");
    const QString mwex = room_->layout.mwexDir;
    QDir().mkpath(mwex + u"/pics"_qs);
    QSignalSpy handled(runner(), &LinkCommandRunner::handled);
    QVERIFY(handle(win(tmp(u"material/res.css"_qs))));
    QCOMPARE(readFile(mwex + u"/pics/a.gif"_qs), QByteArray("GIF89a"));
    QVERIFY(!QFileInfo::exists(mwex + u"/nofolder"_qs));
    QVERIFY(QFileInfo::exists(tmp(u"material/res.css"_qs))); // a local list stays
    QVERIFY(handle(win(tmp(u"material/plain.css"_qs))));
    QCOMPARE(handled.size(), 2);
    QCOMPARE(handled[0][1].toBool(), true);
    QCOMPARE(handled[1][1].toBool(), false);
    QCOMPARE(field(), win(tmp(u"material/plain.css"_qs)));
}

void TestLinkCommands::folderExport_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes: a package on the desktop") << true;
    QTest::newRow("no: nothing") << false;
}

void TestLinkCommands::folderExport() {
    QFETCH(bool, yes);
    platform_->confirmAnswer = yes;
    writeFile(tmp(u"material/game/page.htm"_qs), "page");
    QVERIFY(handle(win(tmp(u"material/game"_qs)) + u"\\みんなのゲーム$"_qs));
    QCOMPARE(platform_->questions,
             QStringList{u"game を\rデスクトップ上の みんなのゲーム にエクスポートします。"_qs});
    const QString d = tmp(u"home/Desktop/みんなのゲーム"_qs);
    QCOMPARE(QFileInfo::exists(d + u"/game/page.htm"_qs), yes);
    QCOMPARE(QFileInfo::exists(d + u"/game/MWEX/mwex.exe"_qs), yes);
    QCOMPARE(QFileInfo::exists(d + u"/game.x86_64"_qs), yes);
}

void TestLinkCommands::clickDuringACommandIsQueued() {
    const QString a = u"http://127.0.0.1:1/a.htm@"_qs, b = u"http://127.0.0.1:1/b.htm@"_qs;
    bool secondCancelled = false;
    QStringList openedWhenSecondArrived;
    platform_->onOpen = [&] {
        // The pupil clicks again while the first command is still running.
        openedWhenSecondArrived = platform_->opened;
        secondCancelled = room_->handle(b);
    };
    QSignalSpy handled(runner(), &LinkCommandRunner::handled);
    QVERIFY(handle(a));
    QVERIFY(secondCancelled);
    // Not nested: the second ran after the first had finished.
    QCOMPARE(openedWhenSecondArrived.size(), 1);
    QCOMPARE(platform_->opened, (QStringList{quoted(u"http://127.0.0.1:1/a.htm"_qs),
                                             quoted(u"http://127.0.0.1:1/b.htm"_qs)}));
    QCOMPARE(handled.size(), 2);
    QCOMPARE(handled[0][0].toString(), a);
    QCOMPARE(handled[1][0].toString(), b);
}

void TestLinkCommands::uncancelledEndReloadsTheUnchangedUrlOnce_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("saved"); // the file a download would have made
    QTest::newRow("plain") << "m/missing.txt"
                           << "missing.txt";
    QTest::newRow("blank in the name") << "m/my%20list.txt"
                                       << "my%20list.txt";
    QTest::newRow("japanese name") << u"m/ことば.txt"_qs << u"ことば.txt"_qs;
    QTest::newRow("markers kept") << "m/missing.txt###sub"
                                  << "missing.txt";
    QTest::newRow("web program") << "m/tool.exe+x"
                                 << "tool.exe";
}

void TestLinkCommands::uncancelledEndReloadsTheUnchangedUrlOnce() {
    // A web document or program whose download fails: the handling ends uncancelled and the
    // browser is sent to the unchanged URL; that URL passes the runner once, not again.
    QFETCH(QString, path);
    QFETCH(QString, saved);
    HttpServer http;
    const QString url = http.url(path);
    QSignalSpy handled(runner(), &LinkCommandRunner::handled);
    QVERIFY(handle(url));
    QCOMPARE(handled.size(), 1);
    QCOMPARE(handled[0][1].toBool(), false);
    QVERIFY(!http.requests.isEmpty()); // the download was tried
    QCOMPARE(room_->navigated, QList<QUrl>{platform::urlToEngine(url)});
    // The engine asks about it, in the form it reports URLs: it loads, and while it loads
    // the redirects its server answers with pass too.
    const QString reported = platform::urlFromEngine(room_->navigated.first());
    QVERIFY(!room_->handle(reported));
    QVERIFY(!runner()->busy());
    QVERIFY(runner()->passesRedirect(reported));
    runner()->loadFinished();
    QVERIFY(!runner()->passesRedirect(reported));
    QCOMPARE(handled.size(), 1);
    QVERIFY(!QFileInfo::exists(platform::toHost(v().QUMOHOZON + saved)));
    // Asked again later (a new click), it is a command again.
    QVERIFY(room_->handle(reported));
    waitIdle();
    QCOMPARE(handled.size(), 2);
}

void TestLinkCommands::hostileNamesStayInside_data() {
    // %S: the server's base URL, %M: the material folder, %R: the test's temporary folder
    // (host form), %W: the same in Windows form.
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("dl");
    const auto web = [](const char* name, const char* marks) {
        QTest::newRow(name) << u"%S/m/game.mwx"_qs + QString::fromUtf8(marks) << false;
    };
    web("raw .. in an extra file", "&&&a/../../../../x.txt");
    web(".. after the marker", "&&&..../x.txt");
    web("backslash .. after the marker", "&&&..\\..\\x.txt");
    web("encoded ..", "&&&%2e%2e%2f%2e%2e%2fx.txt");
    web("encoded backslash", "&&&..%5c..%5cx.txt");
    web("double encoded", "&&&%252e%252e%252fx.txt");
    web("drive", "&&&%W\\x.txt");
    web("leading slash", "&&&%R/x.txt");
    web("leading backslash", "&&&%B\\x.txt");
    web("unc", "&&&\\\\server\\share\\x.txt");
    web("nul", "&&&x%00.txt");
    web("control character", "&&&x\ty.txt");
    web("sub-folder ..", "&&&x.txt###..\\..\\out");
    web("sub-folder encoded ..", "&&&x.txt###%2e%2e%2f%2e%2e");
    web("sub-folder absolute", "&&&x.txt###%W\\out");
    web("sub-folder only", "###../../../out");
    QTest::newRow("local, DL: .. in an extra file") << u"%M\\game.mwx&&&..\\..\\x.txt"_qs << true;
    QTest::newRow("local, DL: sub-folder ..") << u"%M\\game.mwx&&&x.txt###..\\out"_qs << true;
    QTest::newRow("desktop name ..") << u"%M\\game\\..!"_qs << false;
    QTest::newRow("desktop name encoded ..") << u"file:///%F/game/..%5C..%5Cout$"_qs << false;
    QTest::newRow("desktop name with a drive") << u"%M\\game\\Z:!"_qs << false;
}

void TestLinkCommands::hostileNamesStayInside() {
    QFETCH(QString, url);
    QFETCH(bool, dl);
    HttpServer http;
    const QString root = room_->dir.path();
    for (const char* p : {"m/x.txt", "m/game.mwx", "x.txt"})
        http.files.insert(QString::fromLatin1(p), "data");
    // What an absolute name would fetch, were it taken as a path on the server.
    http.files.insert(root.mid(1) + u"/x.txt"_qs, "data");
    writeFile(tmp(u"material/game.mwx"_qs), "work");
    writeFile(tmp(u"material/x.txt"_qs), "data");
    writeFile(tmp(u"material/game/page.htm"_qs), "page");
    url.replace(u"%S"_qs, http.url(QString()).chopped(1));
    url.replace(u"%M"_qs, win(tmp(u"material"_qs)));
    url.replace(u"%F"_qs, win(tmp(u"material"_qs)).replace(u'\\', u'/'));
    url.replace(u"%W"_qs, win(root));
    url.replace(u"%B"_qs, win(root).mid(2));
    url.replace(u"%R"_qs, root);
    v().DL = dl;
    // Whatever is fetched or copied, only the save folder and the MWEX folder may change.
    const QString save = platform::toHost(v().QUMOHOZON);
    const QString mwex = room_->layout.mwexDir + u'/';
    const auto outside = [&] {
        QStringList t;
        for (const QString& f : treeOf(root)) {
            const QString full = root + f;
            if (!full.startsWith(save) && !full.startsWith(mwex))
                t.append(f);
        }
        return t;
    };
    const QStringList before = outside();
    handle(url);
    QCOMPARE(outside(), before);
    QVERIFY(!QFileInfo::exists(root + u"/x.txt"_qs));
    QVERIFY(!QFileInfo::exists(root + u"/out"_qs));
    QCOMPARE(platform_->beeps.size(), 1);
}

// A command held back: cancelled, and nothing else happens, whatever the row would do.
void TestLinkCommands::heldBackCommandDoesNothing_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("work") << u"w/h.mwx"_qs;
    QTest::newRow("document") << u"w/h.txt"_qs;
    QTest::newRow("program") << u"w/h.exe"_qs;
    QTest::newRow("install list") << u"w/h.css"_qs;
    QTest::newRow("archive") << u"w/h.zip"_qs;
    QTest::newRow("opened outside") << u"w/h.html@"_qs;
    QTest::newRow("page with extra files") << u"w/p.html&&&h.txt"_qs;
    QTest::newRow("page with a sub-folder") << u"w/p.html###held"_qs;
}

void TestLinkCommands::heldBackCommandDoesNothing() {
    QFETCH(QString, path);
    HttpServer server;
    for (const QString& p : {u"w/h.mwx"_qs, u"w/h.txt"_qs, u"w/h.exe"_qs, u"w/h.css"_qs,
                             u"w/h.zip"_qs, u"w/p.html"_qs})
        server.files.insert(p, "x#y&");
    platform_->cautiousAnswer = true;
    platform_->confirmAnswer = true;
    const QStringList before = treeOf(tmp(QString()));
    const origin::Asking foreign{origin::Asker::OtherPage, false};
    QSignalSpy handled(runner(), &LinkCommandRunner::handled);
    QVERIFY(runner()->beforeNavigate(server.url(path), foreign));
    waitIdle();
    QCOMPARE(handled.size(), 0);
    QCOMPARE(runner()->heldBack(), 1);
    QCOMPARE(server.requests, QStringList());
    QCOMPARE(treeOf(tmp(QString())), before);
    QCOMPARE(platform_->opened, QStringList());
    QCOMPARE(platform_->questions, QStringList());
    QCOMPARE(platform_->cautiousQuestions, QStringList());
    QCOMPARE(platform_->beeps.size(), 1);
    // A second try soon after is held back without another beep.
    QVERIFY(runner()->beforeNavigate(server.url(path), foreign));
    QCOMPARE(platform_->beeps.size(), 1);
    // The same page without its markers is an ordinary page, and loads.
    QVERIFY(!runner()->beforeNavigate(server.url(u"w/p.html"_qs), foreign));
    // The pupil's own click on a document link of that page acts.
    if (path == u"w/h.txt"_qs) {
        QVERIFY(runner()->beforeNavigate(server.url(path), {origin::Asker::OtherPage, true}));
        waitIdle();
        QCOMPARE(handled.size(), 1);
        QCOMPARE(server.requests, QStringList{path});
        QCOMPARE(platform_->opened.size(), 1);
    }
}

void TestLinkCommands::programFromAnotherHostAsksFirst_data() {
    QTest::addColumn<QString>("home");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::newRow("other host, no: nothing fetched or started") << u"http://localhost/"_qs << 0;
    QTest::newRow("other host, yes: fetched and started") << u"http://localhost/"_qs << 1;
    QTest::newRow("home page's host: no question") << u"http://127.0.0.1/"_qs << -1;
}

void TestLinkCommands::programFromAnotherHostAsksFirst() {
    QFETCH(QString, home);
    QFETCH(int, answer);
    v().SYOKIURL = home;
    v().HOME = home;
    if (answer >= 0)
        platform_->cautiousAnswer = answer == 1;
    HttpServer http;
    http.files.insert(u"m/tool.exe"_qs, "program");
    const QString url = http.url(u"m/tool.exe+x"_qs);
    QVERIFY(handle(url));
    const QStringList expectedQuestions{
        u"「tool.exe」は 127.0.0.1 からのプログラムです。\rダウンロードして、はじめますか？"_qs};
    QCOMPARE(platform_->cautiousQuestions, answer >= 0 ? expectedQuestions : QStringList());
    const bool runs = answer != 0;
    QCOMPARE(http.hits(u"m/tool.exe"_qs), runs ? 1 : 0);
    QCOMPARE(QFileInfo::exists(room_->save() + u"/tool.exe"_qs), runs);
    QCOMPARE(platform_->opened,
             runs ? QStringList{quoted(v().QUMOHOZON + u"tool.exe"_qs)} : QStringList());
    // Never the question whose default is Yes.
    QVERIFY(platform_->questions.isEmpty());
}

void TestLinkCommands::programAsExtraFileOnlyFromTrustedHost_data() {
    QTest::addColumn<QString>("home");
    QTest::addColumn<bool>("fetched");
    QTest::newRow("other host: the program is not fetched") << u"http://localhost/"_qs << false;
    QTest::newRow("home page's host: fetched") << u"http://127.0.0.1/"_qs << true;
}

// An extra file that is a program would land in the save folder, where a local link could
// start it unasked.
void TestLinkCommands::programAsExtraFileOnlyFromTrustedHost() {
    QFETCH(QString, home);
    QFETCH(bool, fetched);
    v().SYOKIURL = home;
    v().HOME = home;
    HttpServer http;
    http.files.insert(u"m/p.htm"_qs, "<html></html>");
    http.files.insert(u"m/tool.EXE"_qs, "program");
    http.files.insert(u"m/a.txt"_qs, "text");
    QVERIFY(handle(http.url(u"m/p.htm&&&tool.EXE&&&a.txt"_qs)));
    QCOMPARE(http.hits(u"m/tool.EXE"_qs), fetched ? 1 : 0);
    QCOMPARE(QFileInfo::exists(room_->save() + u"/tool.EXE"_qs), fetched);
    // The other extra files still come, and a refused one is heard.
    QCOMPARE(http.hits(u"m/a.txt"_qs), 1);
    QVERIFY(QFileInfo::exists(room_->save() + u"/a.txt"_qs));
    QCOMPARE(platform_->beeps.isEmpty(), fetched);
}

QUMO_TEST_MAIN(TestLinkCommands)
#include "tst_linkcommands.moc"
