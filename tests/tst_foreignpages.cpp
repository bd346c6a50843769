// Pages of another host than the home page's, in the real browser view: what they do on
// their own (scripts, timers, refreshes, frames, new windows, forms) never reaches a link
// command, while the same link clicked by the pupil with the real pointer does, and the
// same pages served from the home page's host keep commanding as the teaching pages do.
// The hosts are two loopback addresses: 127.0.0.1 is the home page's, 127.0.0.2 another.
#include "linkfixture.h"
#include "browser/webpage.h"
#include "support/httpserver.h"

#include <QCursor>
#include <QProcess>
#include <QStandardPaths>

using namespace testsupport;
using namespace linktest;

namespace {
const int kWait = 30000; // a generous bound for a page load on a loaded machine

// How a page navigates by itself to `cmd`; `extra` is put into its body.
QByteArray unaskedPage(const QString &kind, const QString &cmd) {
    QString head, body;
    if (kind == u"script on load"_qs)
        body = u"<script>window.onload = function () { location.href = '%1'; };</script>"_qs;
    else if (kind == u"timer"_qs)
        body = u"<script>setTimeout(function () { location.href = '%1'; }, 300);</script>"_qs;
    else if (kind == u"meta refresh"_qs)
        head = u"<meta http-equiv='refresh' content='0; url=%1'>"_qs;
    else if (kind == u"iframe"_qs)
        body = u"<iframe src='%1'></iframe>"_qs;
    else if (kind == u"window.open"_qs)
        body = u"<script>window.onload = function () { window.open('%1'); };</script>"_qs;
    else if (kind == u"form sent by script"_qs)
        body = u"<form id='f' method='post' action='%1'></form><script>window.onload = "
               "function () { document.getElementById('f').submit(); };</script>"_qs;
    return (u"<html><head><meta charset='utf-8'>"_qs + head.arg(cmd) +
            u"</head><body><h1>page</h1><img src='pic.png'>"_qs + body.arg(cmd) +
            u"</body></html>"_qs)
        .toUtf8();
}

// A page whose link fills its top, so that a click anywhere there follows it.
QByteArray linkPage(const QString &cmd) {
    return (u"<html><body style='margin:0'><img src='pic.png'><a id='go' href='%1' "
            "style='display:block;width:100%;height:300px;background:#cde'>go</a>"
            "</body></html>"_qs)
        .arg(cmd)
        .toUtf8();
}
} // namespace

class TestForeignPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void unaskedNavigations_data();
    void unaskedNavigations();
    void clickedLinkActs_data();
    void clickedLinkActs();

private:
    // The page's own folder on its server: each row has its own paths, so that the server's
    // log speaks for that row alone.
    QString folder() const {
        return u"/r%1/"_qs.arg(QTest::currentDataTag() ? qHash(QString::fromUtf8(
                                                              QTest::currentDataTag()))
                                                        : 0u);
    }
    // Shows `path` of `server` as an address the pupil typed; true once the page and its
    // picture were both asked for (so a command that did not happen cannot be taken for a
    // page that never loaded).
    bool showPage(testsupport::HttpServer &server, const QString &path);
    // The work or document of a row has been acted on.
    bool actedOn(const QString &target, const QString &name);
    // Nothing of a command for `name` happened: no request, no file, nothing started or
    // opened, no question.
    void checkNothingHappened(testsupport::HttpServer &server, const QString &cmdPath, const QString &name);

    std::unique_ptr<Classroom> room_;
    testsupport::HttpServer home_, foreign_;
    qsizetype startsBefore_ = 0;
};

void TestForeignPages::initTestCase() {
    QVERIFY(home_.start(QHostAddress(u"127.0.0.1"_qs)));
    if (!foreign_.start(QHostAddress(u"127.0.0.2"_qs)))
        QSKIP("no second loopback address (127.0.0.2) to stand for another host");
    room_ = std::make_unique<Classroom>();
    QVERIFY2(room_->start(), qPrintable(room_->platform.errors.join(u'\n')));
    // The home page lies on the first loopback host.
    room_->v().HOME = home_.url(u"/index.html"_qs);
    room_->platform.realPrograms = true;
    room_->platform.cautiousAnswer = false;
    room_->platform.confirmAnswer = false;
}

void TestForeignPages::cleanupTestCase() {
    if (room_)
        QVERIFY(room_->idle());
    room_.reset();
}

void TestForeignPages::init() {
    QVERIFY(room_->idle());
    room_->platform.opened.clear();
    room_->platform.beeps.clear();
    room_->platform.questions.clear();
    room_->platform.cautiousQuestions.clear();
    startsBefore_ = startsLogged(room_->layout.mwexDir).size();
}

bool TestForeignPages::showPage(testsupport::HttpServer &server, const QString &path) {
    const QString dir = path.left(path.lastIndexOf(u'/') + 1);
    room_->form()->Navigate(server.url(path));
    return testsupport::waitFor(
        [&] { return server.hits(path) > 0 && server.hits(dir + u"pic.png"_qs) > 0; }, kWait);
}

bool TestForeignPages::actedOn(const QString &target, const QString &name) {
    const QString saved = room_->save() + u'/' + name;
    if (target == u"work"_qs) {
        const QList<QStringList> starts = startsLogged(room_->layout.mwexDir);
        return starts.size() > startsBefore_ && starts.last() == QStringList{saved};
    }
    return room_->platform.opened.contains(quoted(testsupport::win(saved)));
}

void TestForeignPages::checkNothingHappened(testsupport::HttpServer &server, const QString &cmdPath,
                                            const QString &name) {
    QVERIFY(!room_->runner()->busy());
    QCOMPARE(server.hits(cmdPath), 0);
    QVERIFY(!QFileInfo::exists(room_->save() + u'/' + name));
    QCOMPARE(startsLogged(room_->layout.mwexDir).size(), startsBefore_);
    QCOMPARE(room_->platform.opened, QStringList());
    QCOMPARE(room_->platform.questions, QStringList());
    QCOMPARE(room_->platform.cautiousQuestions, QStringList());
    QVERIFY(room_->platform.beeps.size() <= 1);
}

void TestForeignPages::unaskedNavigations_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("target"); // "work" (the Logo program starts) or "document"
    QTest::addColumn<bool>("home");      // served from the home page's host
    QTest::addColumn<bool>("acts");
    const QStringList kinds{u"script on load"_qs, u"timer"_qs, u"meta refresh"_qs,
                            u"iframe"_qs, u"window.open"_qs, u"form sent by script"_qs};
    for (const QString &kind : kinds)
        for (const QString &target : {u"work"_qs, u"document"_qs})
            QTest::addRow("another host, %s, %s", qPrintable(kind), qPrintable(target))
                << kind << target << false << false;
    // An address the pupil typed, which its server sends on to a work: the pupil's doing.
    QTest::addRow("another host, typed address its server redirects, work")
        << u"server redirect"_qs << u"work"_qs << false << true;
    // The same pages from the home page's host command as before. (A window it opens is a
    // plain browser window of its own, which runs no commands, so that row is left out.)
    for (const QString &kind : kinds)
        if (kind != u"window.open"_qs)
            QTest::addRow("home host, %s, work", qPrintable(kind))
                << kind << u"work"_qs << true << true;
    QTest::addRow("home host, script on load, document")
        << u"script on load"_qs << u"document"_qs << true << true;
}

void TestForeignPages::unaskedNavigations() {
    QFETCH(QString, kind);
    QFETCH(QString, target);
    QFETCH(bool, home);
    QFETCH(bool, acts);
    testsupport::HttpServer &server = home ? home_ : foreign_;
    const QString dir = folder();
    const QString name = (target == u"work"_qs ? u"w%1.mwx"_qs : u"d%1.txt"_qs).arg(dir.mid(2).chopped(1));
    const QString cmdPath = dir + name;
    if (kind == u"server redirect"_qs)
        server.addRedirect(dir + u"page.html"_qs, server.url(cmdPath));
    else
        server.addFile(dir + u"page.html"_qs, unaskedPage(kind, server.url(cmdPath)));
    server.addFile(dir + u"pic.png"_qs, "picture");
    server.addFile(cmdPath, "the bytes of " + name.toUtf8());
    auto *page = qobject_cast<QumoWebPage *>(room_->form()->WebBrowser1->page());
    QVERIFY(page);
    QSignalSpy decided(page, &QumoWebPage::navigationDecided);
    QSignalSpy refused(page, &QumoWebPage::windowRefused);
    const int heldBefore = room_->runner()->heldBack();

    if (kind == u"server redirect"_qs)
        room_->form()->Navigate(server.url(dir + u"page.html"_qs));
    else
        QVERIFY(showPage(server, dir + u"page.html"_qs));
    if (acts) {
        QTRY_VERIFY_WITH_TIMEOUT(actedOn(target, name), kWait);
        QCOMPARE(server.hits(cmdPath), 1);
        return;
    }
    // The page asked (for a window, or for the command's navigation), and was refused.
    const QString cmdUrl = server.url(cmdPath);
    if (kind == u"window.open"_qs) {
        QTRY_VERIFY_WITH_TIMEOUT(!refused.isEmpty(), kWait);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(decided.begin(), decided.end(),
                                             [&](const QList<QVariant> &d) {
                                                 return d[0].toString() == cmdUrl &&
                                                        d[3].toBool();
                                             }),
                                 kWait);
        QVERIFY(room_->runner()->heldBack() > heldBefore);
    }
    QVERIFY(room_->idle());
    checkNothingHappened(server, cmdPath, name);
}

void TestForeignPages::clickedLinkActs_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("work") << u"work"_qs;
    QTest::newRow("document") << u"document"_qs;
}

// The pupil clicks the link of a page of another host with the real pointer: the command
// runs as it would from a teaching page.
void TestForeignPages::clickedLinkActs() {
    QFETCH(QString, target);
    const QString dir = folder();
    const QString name = (target == u"work"_qs ? u"c%1.mwx"_qs : u"c%1.txt"_qs).arg(dir.mid(2).chopped(1));
    const QString cmdPath = dir + name;
    foreign_.addFile(dir + u"page.html"_qs, linkPage(foreign_.url(cmdPath)));
    foreign_.addFile(dir + u"pic.png"_qs, "picture");
    foreign_.addFile(cmdPath, "clicked");
    QSignalSpy loaded(room_->form()->WebBrowser1, &QWebEngineView::loadFinished);
    QVERIFY(showPage(foreign_, dir + u"page.html"_qs));
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kWait);
    // Nothing happens until the click.
    QCOMPARE(foreign_.hits(cmdPath), 0);

    QWidget *surface = room_->form()->WebBrowser1->focusProxy();
    QVERIFY(surface);
    // The Logo programs the rows before started may cover the page: ended, and the window
    // brought to the front.
    endStartedPrograms(room_->dir.path());
    room_->form()->raise();
    room_->form()->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(room_->form()));
    const QPoint at = surface->mapToGlobal(QPoint(60, 150));
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_qs);
    // The page has to be laid out before the click finds its link: clicked again until it
    // did (a later click only opens what the first one saved).
    for (int attempt = 0; attempt < 10 && !actedOn(target, name); ++attempt) {
        if (!xdotool.isEmpty()) {
            // "--sync" waits for the pointer to move, and for seconds when it is there
            // already (as the row before leaves it).
            QStringList args;
            if (QCursor::pos() != at)
                args << u"mousemove"_qs << u"--sync"_qs << QString::number(at.x())
                     << QString::number(at.y());
            QProcess::execute(xdotool, args << u"click"_qs << u"1"_qs);
        } else
            QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(60, 150));
        testsupport::waitFor([&] { return actedOn(target, name); }, 3000);
    }
    QVERIFY(actedOn(target, name));
    QCOMPARE(foreign_.hits(cmdPath), 1);
    QCOMPARE(readFile(room_->save() + u'/' + name), QByteArray("clicked"));
}

QUMO_TEST_MAIN(TestForeignPages)

#include "tst_foreignpages.moc"
