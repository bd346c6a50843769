// Link commands end to end: a teaching page made by the test in a real browser view, links
// clicked in it, downloads from a loopback HTTP server, the stand-in Logo program started
// for real, files checked in temp folders.
#include "linkfixture.h"
#include "app/Unit2.h"
#include "browser/downloader.h"
#include "support/httpserver.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include <algorithm>

using namespace testsupport;
using namespace linktest;

class TestLinkEnd2End : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void viewIsWiredToTheRunner();
    void localWorkOpensWhereItLies();
    void webWorkDownloadsOnceAndStartsTheLogoProgram();
    void clickDuringADownloadWaitsItsTurn();
    void extraFilesPlacedAsTheLinkSays();
    void webInstallListFillsMwexAndIsDeleted();
    void failedDocumentDownloadShowsTheServersAnswer();
    void localProgramWithUnderscoreClosesTheShell();
    void folderLinkOpensAndCopyAsksFirst();
    void programArgumentsAddNoProgram();
    void programFromAnotherHostAsksWithNoAsDefault();
    void redirectLoopEndsInTheBrowsersError();
    void noticeShowsTheDownloadAndStopsIt();
    void closingDuringAStallStopsEverything();
    void programEndsSoonAfterCloseDuringAStall();
    void killedDuringADownloadLeavesNothingAfterTheNextStart();

private:
    // Writes a teaching page with one link per id and shows it.
    void showLinks(const QList<QPair<QString, QString>>& links);
    QString tmp(const QString& rel) const { return room_->tmp(rel); }

    std::unique_ptr<Classroom> room_;
    std::unique_ptr<linktest::HttpServer> http_;
};

void TestLinkEnd2End::init() {
    room_ = std::make_unique<Classroom>();
    room_->platform.realPrograms = true;
    QVERIFY2(room_->start(), qPrintable(room_->platform.errors.join(u'\n')));
    http_ = std::make_unique<linktest::HttpServer>();
}

void TestLinkEnd2End::cleanup() {
    if (room_)
        QVERIFY(room_->idle());
    room_.reset();
    http_.reset();
}

void TestLinkEnd2End::showLinks(const QList<QPair<QString, QString>>& links) {
    QByteArray html = "<html><head><meta charset='utf-8'></head><body>";
    for (const auto& [id, href] : links)
        html += "<p><a id='" + id.toUtf8() + "' href='" + href.toUtf8() + "'>" + id.toUtf8() +
                "</a></p>";
    html += "</body></html>";
    const QString page = tmp(u"material/index.html"_qs);
    writeFile(page, html);
    QVERIFY(room_->showPage(page));
}

void TestLinkEnd2End::viewIsWiredToTheRunner() {
    // A real click in a real page reaches the window's runner: the "@" link is cancelled
    // and opened outside, the page stays.
    room_->platform.realPrograms = false;
    const QString page = tmp(u"material/index.html"_qs);
    writeFile(page, "<html><body><a id='w' href='http://127.0.0.1:1/x/game.mwx@'>w</a>"
                    "</body></html>");
    QVERIFY(room_->showPage(page));
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    room_->click(u"w"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(room_->platform.opened,
                              QStringList{quoted(u"http://127.0.0.1:1/x/game.mwx"_qs)}, 20000);
    QCOMPARE(handled.size(), 1);
    QCOMPARE(handled[0][1].toBool(), true);
    QCOMPARE(room_->form()->WebBrowser1->url(), QUrl::fromLocalFile(page));
}

void TestLinkEnd2End::localWorkOpensWhereItLies() {
    const QString work = tmp(u"material/my game 作品.mwx"_qs);
    writeFile(work, "work");
    showLinks({{u"w"_qs, QUrl::fromLocalFile(work).toString(QUrl::FullyEncoded)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    room_->click(u"w"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(handled[0][1].toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(room_->layout.mwexDir).size(), 1, 30000);
    QCOMPARE(startsLogged(room_->layout.mwexDir)[0], QStringList{work});
    // Nothing was copied into the save folder.
    QVERIFY(!QFileInfo::exists(room_->save() + u"/my game 作品.mwx"_qs));
}

void TestLinkEnd2End::webWorkDownloadsOnceAndStartsTheLogoProgram() {
    http_->files.insert(u"m/game.mwx"_qs, "work bytes");
    showLinks({{u"w"_qs, http_->url(u"m/game.mwx"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    const QString mwex = room_->layout.mwexDir;

    room_->click(u"w"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(handled[0][1].toBool(), true);
    QCOMPARE(readFile(room_->save() + u"/game.mwx"_qs), QByteArray("work bytes"));
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(mwex).size(), 1, 30000);
    QCOMPARE(startsLogged(mwex)[0], QStringList{room_->save() + u"/game.mwx"_qs});

    // The second click opens the saved copy, changes and all, without fetching again.
    writeFile(room_->save() + u"/game.mwx"_qs, "pupil's changes");
    room_->click(u"w"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(mwex).size(), 2, 30000);
    QCOMPARE(http_->hits(u"m/game.mwx"_qs), 1);
    QCOMPARE(readFile(room_->save() + u"/game.mwx"_qs), QByteArray("pupil's changes"));
    // The page stayed.
    QCOMPARE(room_->form()->WebBrowser1->url(),
             QUrl::fromLocalFile(tmp(u"material/index.html"_qs)));
}

void TestLinkEnd2End::clickDuringADownloadWaitsItsTurn() {
    // A second work is clicked while the first is still downloading: it waits its turn, and
    // each run opens the work that it fetched itself.
    const QByteArray slow(20000, 's');
    http_->files.insert(u"m/slow.mwx"_qs, slow);
    http_->held.insert(u"m/slow.mwx"_qs); // half its body, the rest once the pupil clicked
    http_->files.insert(u"m/fast.mwx"_qs, "fast");
    showLinks({{u"s"_qs, http_->url(u"m/slow.mwx"_qs)}, {u"f"_qs, http_->url(u"m/fast.mwx"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    // The download runs inside the event loop: the second click comes from there too.
    bool clicked = false;
    qsizetype waitingSeen = 0, handledThen = -1;
    QTimer pupil;
    QObject::connect(&pupil, &QTimer::timeout, [&] {
        if (!clicked && http_->hits(u"m/slow.mwx"_qs) == 1) {
            clicked = true;
            room_->click(u"f"_qs);
        } else if (clicked && room_->runner()->waiting() > waitingSeen) {
            waitingSeen = room_->runner()->waiting();
            handledThen = handled.size();
            http_->release(u"m/slow.mwx"_qs);
        }
    });
    pupil.start(20);
    room_->click(u"s"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
    QCOMPARE(handled[0][0].toString(), http_->url(u"m/slow.mwx"_qs));
    QCOMPARE(handled[1][0].toString(), http_->url(u"m/fast.mwx"_qs));
    // The second click was taken while the first download ran, and waited.
    QCOMPARE(waitingSeen, 1);
    QCOMPARE(handledThen, 0);
    QCOMPARE(http_->requests, (QStringList{u"m/slow.mwx"_qs, u"m/fast.mwx"_qs}));
    QCOMPARE(readFile(room_->save() + u"/slow.mwx"_qs), slow);
    QCOMPARE(readFile(room_->save() + u"/fast.mwx"_qs), QByteArray("fast"));
    const QString mwex = room_->layout.mwexDir;
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(mwex).size(), 2, 30000);
    // Each opened the work it fetched. The two programs were started in the runs' order
    // (above), but write their lines in whatever order a busy machine runs them.
    QList<QStringList> starts = startsLogged(mwex);
    std::sort(starts.begin(), starts.end());
    QCOMPARE(starts, (QList<QStringList>{{room_->save() + u"/fast.mwx"_qs},
                                         {room_->save() + u"/slow.mwx"_qs}}));
}

void TestLinkEnd2End::extraFilesPlacedAsTheLinkSays() {
    http_->files.insert(u"m/game.mwx"_qs, "work");
    http_->files.insert(u"m/data.txt"_qs, "data");
    http_->files.insert(u"m/face.gif"_qs, "GIF89a");
    showLinks({{u"w"_qs, http_->url(u"m/game.mwx&&&data.txt&&&..face.gif###game"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    room_->click(u"w"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    const QString save = room_->save();
    QCOMPARE(readFile(save + u"/game.mwx"_qs), QByteArray("work"));
    QCOMPARE(readFile(save + u"/game/data.txt"_qs), QByteArray("data"));
    QCOMPARE(readFile(save + u"/face.gif"_qs), QByteArray("GIF89a"));
    QVERIFY(!QFileInfo::exists(save + u"/game/face.gif"_qs));
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(room_->layout.mwexDir).size(), 1, 30000);
    QCOMPARE(startsLogged(room_->layout.mwexDir)[0], QStringList{save + u"/game.mwx"_qs});
}

void TestLinkEnd2End::webInstallListFillsMwexAndIsDeleted() {
    http_->files.insert(u"m/res.css"_qs, "a.gif#pics&b.wav#snd\\sub&");
    http_->files.insert(u"m/a.gif"_qs, "GIF89a");
    http_->files.insert(u"m/b.wav"_qs, "RIFF");
    http_->files.insert(u"m/plain.css"_qs, "body { color: red }");
    showLinks(
        {{u"list"_qs, http_->url(u"m/res.css"_qs)}, {u"plain"_qs, http_->url(u"m/plain.css"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    const QString mwex = room_->layout.mwexDir;
    room_->click(u"list"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(handled[0][1].toBool(), true);
    QCOMPARE(readFile(mwex + u"/pics/a.gif"_qs), QByteArray("GIF89a"));
    QCOMPARE(readFile(mwex + u"/snd/sub/b.wav"_qs), QByteArray("RIFF"));
    QVERIFY(!QFileInfo::exists(mwex + u"/res.css"_qs));

    // A style sheet that is no list stays in the MWEX folder and the browser shows it.
    room_->click(u"plain"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
    QCOMPARE(handled[1][1].toBool(), false);
    QCOMPARE(readFile(mwex + u"/plain.css"_qs), QByteArray("body { color: red }"));
    QTRY_COMPARE_WITH_TIMEOUT(room_->form()->WebBrowser1->url().toString(),
                              http_->url(u"m/plain.css"_qs), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(http_->hits(u"m/plain.css"_qs), 2, 30000);
    QCOMPARE(handled.size(), 2);
}

void TestLinkEnd2End::failedDocumentDownloadShowsTheServersAnswer() {
    http_->statuses.insert(u"m/missing.txt"_qs, {404, "<html><body>nothing here</body></html>"});
    showLinks({{u"d"_qs, http_->url(u"m/missing.txt"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    room_->click(u"d"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(handled[0][1].toBool(), false);
    // The browser loads the unchanged URL itself and shows what the server said.
    QTRY_COMPARE_WITH_TIMEOUT(room_->form()->WebBrowser1->url().toString(),
                              http_->url(u"m/missing.txt"_qs), 30000);
    // The page may still owe an answer when it goes: the text lives on with the callback.
    auto text = std::make_shared<QString>();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            room_->form()->WebBrowser1->page()->toPlainText(
                [text](const QString& t) { *text = t; });
            return text->contains(u"nothing here"_qs);
        }(),
        30000);
    QCOMPARE(handled.size(), 1);
    // No file, not even a partial one.
    QCOMPARE(QDir(room_->save()).entryList({u"missing*"_qs}, QDir::Files | QDir::Hidden),
             QStringList{});
}

void TestLinkEnd2End::localProgramWithUnderscoreClosesTheShell() {
    const QString prog = tmp(u"material/run_me.exe"_qs);
    QDir().mkpath(tmp(u"material"_qs));
    QVERIFY(QFile::copy(standinExe(), prog));
    showLinks({{u"p"_qs, QUrl::fromLocalFile(prog).toString()}});
    room_->form()->Edit2->setText(u"http://example.org/now"_qs);
    room_->click(u"p"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(tmp(u"material"_qs)).size(), 1, 30000);
    // This program's path and the current URL, each quoted, then the (empty) arguments.
    QCOMPARE(startsLogged(tmp(u"material"_qs))[0],
             (QStringList{platform::toHost(room_->v().programFile), u"http://example.org/now"_qs}));
    QVERIFY(room_->form()->Timer2->isActive());
    QCOMPARE(room_->form()->Timer2->interval(), 1500);
    QVERIFY(room_->form()->isVisible());
    // The delay itself is not waited out: the timer is run now.
    room_->form()->Timer2->setInterval(0);
    QTRY_VERIFY_WITH_TIMEOUT(!room_->form()->isVisible(), 30000);
}

void TestLinkEnd2End::folderLinkOpensAndCopyAsksFirst() {
    writeFile(tmp(u"material/game/page.htm"_qs), "page");
    const QString folderUrl = QUrl::fromLocalFile(tmp(u"material/game"_qs)).toString();
    showLinks({{u"f"_qs, folderUrl}, {u"c"_qs, folderUrl + u"/みんなのゲーム!"_qs}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    room_->click(u"f"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(room_->platform.opened, QStringList{quoted(platform::urlFromEngine(QUrl(folderUrl)))});

    // The confirmation is a real modal box: answer it Yes from the event loop.
    QString question;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            }
    });
    answer.start(50);
    room_->click(u"c"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
    QCOMPARE(question, u"game を\nデスクトップ上の みんなのゲーム にコピーします。"_qs);
    QCOMPARE(readFile(tmp(u"home/Desktop/みんなのゲーム/game/page.htm"_qs)), QByteArray("page"));
}

void TestLinkEnd2End::programArgumentsAddNoProgram() {
    // In roster mode a local program is copied into the save folder and started there; the
    // link's arguments arrive as arguments, and shell syntax in them starts nothing.
    room_->v().DL = true;
    const QString prog = tmp(u"material/tool.exe"_qs);
    QDir().mkpath(tmp(u"material"_qs));
    QVERIFY(QFile::copy(standinExe(), prog));
    room_->form()->Edit2->setText(u"page"_qs);
    QVERIFY(room_->handle(win(prog) + u"+a%20%22b%20c%22%20;touch%20pwn%20&&%20touch%20pwn2"_qs));
    QVERIFY(room_->idle());
    QTRY_COMPARE_WITH_TIMEOUT(startsLogged(room_->save()).size(), 1, 30000);
    QCOMPARE(startsLogged(room_->save())[0],
             (QStringList{platform::toHost(room_->v().programFile), u"page"_qs, u"a"_qs, u"b c"_qs,
                          u";touch"_qs, u"pwn"_qs, u"&&"_qs, u"touch"_qs, u"pwn2"_qs}));
    QVERIFY(!QFileInfo::exists(room_->save() + u"/pwn"_qs));
    QVERIFY(!QFileInfo::exists(room_->save() + u"/pwn2"_qs));
    QVERIFY(room_->form()->isVisible()); // no "_": the shell stays
}

void TestLinkEnd2End::programFromAnotherHostAsksWithNoAsDefault() {
    // The home page is on "localhost"; the link's program comes from "127.0.0.1".
    room_->platform.realPrograms = false;
    http_->files.insert(u"m/tool.exe"_qs, "program");
    room_->v().SYOKIURL = room_->v().HOME = u"http://localhost/index.html"_qs;
    showLinks({{u"p"_qs, http_->url(u"m/tool.exe"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);

    // The question is a real modal box: the first time the pupil just presses Enter.
    QStringList questions;
    bool defaultIsNo = false, enterPressed = false;
    QTimer pupil;
    QObject::connect(&pupil, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (questions.isEmpty() || !enterPressed) {
            questions.append(box->text());
            defaultIsNo = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
            enterPressed = true;
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            questions.append(box->text());
            box->button(QMessageBox::Yes)->click();
        }
    });
    pupil.start(50);
    room_->click(u"p"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(questions, QStringList{u"「tool.exe」は 127.0.0.1 からのプログラムです。\n"
                                    "ダウンロードして、はじめますか？"_qs});
    QVERIFY(defaultIsNo);
    QCOMPARE(handled[0][1].toBool(), true);
    QCOMPARE(http_->hits(u"m/tool.exe"_qs), 0);
    QVERIFY(room_->platform.opened.isEmpty());
    QVERIFY(!QFileInfo::exists(room_->save() + u"/tool.exe"_qs));

    // Yes: fetched, then started from the save folder.
    room_->click(u"p"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
    QCOMPARE(questions.size(), 2);
    QCOMPARE(http_->hits(u"m/tool.exe"_qs), 1);
    QCOMPARE(room_->platform.opened, QStringList{quoted(room_->v().QUMOHOZON + u"tool.exe"_qs)});
}

void TestLinkEnd2End::redirectLoopEndsInTheBrowsersError() {
    testsupport::HttpServer server;
    QVERIFY(server.start());
    server.addRedirect(u"/m/a.mwx"_qs, u"/m/b.mwx"_qs);
    server.addRedirect(u"/m/b.mwx"_qs, server.url(u"/m/a.mwx"_qs), 301);
    showLinks({{u"w"_qs, server.url(u"/m/a.mwx"_qs)}});
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    QSignalSpy loaded(room_->form()->WebBrowser1, &QWebEngineView::loadFinished);
    room_->click(u"w"_qs);
    // The download gives up; the browser gets the link and gives up too, with its error.
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QCOMPARE(handled[0][1].toBool(), false);
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 30000);
    QCOMPARE(loaded.last()[0].toBool(), false);
    // Its redirects were never taken for new commands.
    QVERIFY(!room_->runner()->busy());
    QCOMPARE(handled.size(), 1);
    const int requests = server.hits(u"/m/a.mwx"_qs) + server.hits(u"/m/b.mwx"_qs);
    qInfo("requests made by one click on a redirect loop: %d", requests);
    QVERIFY2(requests < 100, qPrintable(QString::number(requests)));
    QTRY_VERIFY_WITH_TIMEOUT(!room_->program->forms.Form2->isVisible(), 30000);
    QCOMPARE(QDir(room_->save()).entryList({u"*.mwx*"_qs, u".*.part"_qs},
                                           QDir::Files | QDir::Hidden),
             QStringList());
}

void TestLinkEnd2End::noticeShowsTheDownloadAndStopsIt() {
    // The main window's notice follows the downloads of its link commands: a stalled one
    // shows its progress and the stop button, and the button ends it.
    testsupport::HttpServer server;
    QVERIFY(server.start());
    server.addDribble(u"/m/stall.mwx"_qs, QByteArray(50000, 's'), 100, 3600 * 1000);
    showLinks({{u"s"_qs, server.url(u"/m/stall.mwx"_qs)}});
    TForm2* notice = room_->program->forms.Form2;
    QSignalSpy handled(room_->runner(), &LinkCommandRunner::handled);
    bool shown = false;
    QTimer pupil;
    QObject::connect(&pupil, &QTimer::timeout, [&] {
        if (shown || !room_->form()->downloads()->running() || !notice->downloading())
            return;
        shown = notice->isVisible() && notice->LabelProgress->isVisible() &&
                notice->ButtonCancel->isVisible();
        if (shown)
            QTest::mouseClick(notice->ButtonCancel, Qt::LeftButton);
    });
    pupil.start(20);
    room_->click(u"s"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    pupil.stop();
    QVERIFY(shown);
    QVERIFY(!room_->form()->downloads()->running());
    QVERIFY(!notice->downloading());
    QCOMPARE(QDir(room_->save()).entryList({u"stall*"_qs, u".*.part"_qs},
                                           QDir::Files | QDir::Hidden),
             QStringList());
    QVERIFY(startsLogged(room_->layout.mwexDir).isEmpty());
}

void TestLinkEnd2End::closingDuringAStallStopsEverything() {
    // A work whose server stalls after its head, and a second work clicked meanwhile.
    testsupport::HttpServer server;
    QVERIFY(server.start());
    server.addDribble(u"/m/stall.mwx"_qs, QByteArray(50000, 's'), 100, 3600 * 1000);
    server.addFile(u"/m/next.mwx"_qs, "next");
    showLinks({{u"s"_qs, server.url(u"/m/stall.mwx"_qs)}, {u"n"_qs, server.url(u"/m/next.mwx"_qs)}});
    const QStringList before = treeOf(room_->dir.path());
    const QUrl page = room_->form()->WebBrowser1->url();
    // The download waits inside the event loop: the pupil's clicks and the close come from
    // there too.
    QElapsedTimer clock;
    bool nextClicked = false;
    QTimer pupil;
    QObject::connect(&pupil, &QTimer::timeout, [&] {
        if (!nextClicked && server.hits(u"/m/stall.mwx"_qs) == 1 &&
            room_->form()->downloads()->running()) {
            nextClicked = true;
            room_->click(u"n"_qs);
        } else if (nextClicked && !clock.isValid() && room_->runner()->waiting() == 1) {
            clock.start();
            room_->form()->close();
        }
    });
    pupil.start(20);
    room_->click(u"s"_qs);
    QTRY_VERIFY_WITH_TIMEOUT(clock.isValid() && !room_->runner()->busy(), 60000);
    pupil.stop();
    qInfo("close to idle during a stall: %lld ms", clock.elapsed());
    QCOMPARE(server.hits(u"/m/next.mwx"_qs), 0);
    QVERIFY(startsLogged(room_->layout.mwexDir).isEmpty());
    QCOMPARE(room_->form()->WebBrowser1->url(), page);
    // Nothing of the stalled download is left; only the engine's own data may change.
    QStringList after;
    for (const QString& f : treeOf(room_->dir.path()))
        if (!before.contains(f) && !f.startsWith(u"/home/."_qs) &&
            !f.endsWith(u"/QUMODATE.csv"_qs)) // the usage log, written at every close
            after.append(f);
    QCOMPARE(after, QStringList());
    // Links do nothing any more.
    QVERIFY(room_->handle(server.url(u"/m/next.mwx"_qs)));
    QVERIFY(room_->idle());
    QCOMPARE(server.hits(u"/m/next.mwx"_qs), 0);
}

void TestLinkEnd2End::programEndsSoonAfterCloseDuringAStall() {
    // The real program: its home page sends it to a work whose server stalls, then to a
    // second work; the demo's screenshot hook closes the window 1.5 s after the page loaded.
    testsupport::HttpServer server;
    QVERIFY(server.start());
    server.addFile(u"/start.html"_qs,
                   "<html><body><a id='s' href='/m/stall.mwx'>s</a><a id='n' href='/m/next.mwx'>n"
                   "</a><script>setTimeout(function () { document.getElementById('s').click(); }, 100);"
                   " setTimeout(function () { document.getElementById('n').click(); }, 400);"
                   "</script></body></html>");
    server.addDribble(u"/m/stall.mwx"_qs, QByteArray(50000, 's'), 100, 3600 * 1000);
    server.addFile(u"/m/next.mwx"_qs, "next");
    const QString settings = QString(kSettings).replace(
        u"<HOME>about:blank</HOME>"_qs, u"<HOME>"_qs + server.url(u"/start.html"_qs) + u"</HOME>"_qs);
    const InstallLayout inst = makeInstall(tmp(u"real"_qs), u"QUMOG.x86_64"_qs, false, settings);
    QFile::remove(tmp(u"real/QUMOG.x86_64"_qs));
    QVERIFY(QFile::copy(QStringLiteral(QUMO_PROGRAM_EXE), tmp(u"real/QUMOG.x86_64"_qs)));
    const QStringList before = treeOf(tmp(u"real"_qs));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QUMO_DEMO_SCREENSHOT"_qs, tmp(u"shot.png"_qs));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer sinceClose;
    QObject::connect(&program, &QProcess::readyReadStandardOutput, [&] {
        if (!sinceClose.isValid())
            sinceClose.start(); // printed right before the window closes
    });
    program.start(tmp(u"real/QUMOG.x86_64"_qs), {});
    QVERIFY(program.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(sinceClose.isValid() || program.state() == QProcess::NotRunning,
                             60000);
    QVERIFY2(sinceClose.isValid(), program.readAllStandardError().constData());
    QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 30000);
    const qint64 ms = sinceClose.elapsed();
    qInfo("close to exit during a stall: %.2f s", ms / 1000.0);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    // It was in the stall when it closed: the server never finished that body.
    QCOMPARE(server.hits(u"/m/stall.mwx"_qs), 1);
    QCOMPARE(server.hits(u"/m/next.mwx"_qs), 0);
    QVERIFY(startsLogged(inst.mwexDir).isEmpty());
    QStringList left;
    for (const QString& f : treeOf(tmp(u"real"_qs)))
        if (!before.contains(f) && (f.contains(u"stall"_qs) || f.contains(u".part"_qs)))
            left.append(f);
    QCOMPARE(left, QStringList());
}

void TestLinkEnd2End::killedDuringADownloadLeavesNothingAfterTheNextStart() {
    // The real program, killed while its home page's work is still downloading: no file
    // under the work's name; its temporary file (and one in a "###" folder, as an extra
    // file's download leaves it) is gone after the next start.
    testsupport::HttpServer server;
    QVERIFY(server.start());
    server.addFile(u"/start.html"_qs,
                   "<html><body><a id='s' href='/m/slow.mwx'>s</a><script>setTimeout(function () "
                   "{ document.getElementById('s').click(); }, 100);</script></body></html>");
    server.addDribble(u"/m/slow.mwx"_qs, QByteArray(400000, 's'), 1000, 50); // 20 s in all
    const QString settings = QString(kSettings).replace(
        u"<HOME>about:blank</HOME>"_qs, u"<HOME>"_qs + server.url(u"/start.html"_qs) + u"</HOME>"_qs);
    const InstallLayout inst = makeInstall(tmp(u"real"_qs), u"QUMOG.x86_64"_qs, false, settings);
    QFile::remove(tmp(u"real/QUMOG.x86_64"_qs));
    QVERIFY(QFile::copy(QStringLiteral(QUMO_PROGRAM_EXE), tmp(u"real/QUMOG.x86_64"_qs)));
    const auto named = [&](const QString& part) {
        QStringList found;
        for (const QString& f : treeOf(tmp(u"real"_qs)))
            if (QFileInfo(f).fileName().contains(part))
                found.append(f);
        return found;
    };
    qsizetype sent = 0;
    connect(&server, &testsupport::HttpServer::pieceSent, this,
            [&](const QString&, qsizetype n) { sent = n; });

    QProcess program;
    program.start(tmp(u"real/QUMOG.x86_64"_qs), {});
    QVERIFY(program.waitForStarted(30000));
    // Killed once some of the work is on the disk, under its temporary name.
    QTRY_VERIFY_WITH_TIMEOUT(sent >= 20000 && !named(u".part"_qs).isEmpty(), 60000);
    program.kill();
    QVERIFY(program.waitForFinished(30000));
    const QStringList parts = named(u".part"_qs);
    QCOMPARE(parts.size(), 1);
    QVERIFY2(QFileInfo(parts[0]).fileName().startsWith(u".slow.mwx."_qs), qPrintable(parts[0]));
    const QString saveFolder = tmp(u"real"_qs) + QFileInfo(parts[0]).path();
    QVERIFY(sent < 400000);
    for (const QString& f : named(u"slow.mwx"_qs))
        QVERIFY2(f.endsWith(u".part"_qs), qPrintable(f));
    writeFile(saveFolder + u"/grp/.data.txt.0badcafe.part"_qs, "left by an extra file");
    writeFile(saveFolder + u"/grp/data.txt"_qs, "the pupil's file");

    // The next start, whose home page asks for nothing: the leftovers go while it runs (its
    // page comes from this process's server, so the loop keeps running while it waits).
    server.addFile(u"/start.html"_qs, "<html><body>start</body></html>");
    QProcess again;
    again.start(tmp(u"real/QUMOG.x86_64"_qs), {});
    QVERIFY(again.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(
        (named(u".part"_qs).isEmpty() && named(u"slow.mwx"_qs).isEmpty()) ||
            again.state() == QProcess::NotRunning,
        90000);
    QVERIFY2(again.state() == QProcess::Running, again.readAllStandardError().constData());
    again.terminate();
    if (!again.waitForFinished(30000)) {
        again.kill();
        again.waitForFinished(30000);
    }
    QCOMPARE(named(u".part"_qs), QStringList());
    QCOMPARE(named(u"slow.mwx"_qs), QStringList());
    QCOMPARE(readFile(saveFolder + u"/grp/data.txt"_qs), QByteArray("the pupil's file"));
    QCOMPARE(server.hits(u"/m/slow.mwx"_qs), 1);
}

QUMO_TEST_MAIN(TestLinkEnd2End)
#include "tst_linkend2end.moc"
