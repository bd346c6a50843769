// The browser window on a real install: the URL field, history buttons, new windows, the
// before-navigate hook for every kind of navigation, the URL clip and the window's layout.
#include "app/MAIN.h"
#include "app/Unit5.h"
#include "app/form1layout.h"
#include "app/program.h"
#include "app/core/values.h"
#include "browser/webpage.h"
#include "platform/core/paths.h"
#include "support/httpserver.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QToolTip>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <QDialog>
#include <QtTest>

#include <memory>

using namespace testsupport;

namespace {
const int kLoad = 30000; // a generous bound for a page load on a loaded machine

struct Decision {
    QString url;
    QWebEnginePage::NavigationType type;
    bool mainFrame;
};

QString settings(const QString &clip) {
    return QStringLiteral("<TATE>644</TATE><YOKO>714</YOKO><OPEN1>index.html</OPEN1>"
                          "<NAME>さくひん</NAME><CLIP>%1</CLIP><PEN>1</PEN>")
        .arg(clip);
}

QByteArray page(const QString &title, const QString &body = QString()) {
    return QStringLiteral("<html><head><meta charset='utf-8'><title>%1</title></head>"
                          "<body style='margin:0'><h1>%1</h1>%2</body></html>")
        .arg(title, body)
        .toUtf8();
}

// A loopback web server: "/moved" answers with a redirect to "/page.html", anything else
// with a small page.
class LoopbackServer : public QTcpServer {
public:
    LoopbackServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [s] {
                    const QByteArray request = s->readAll();
                    const QByteArray path = request.split(' ').value(1);
                    QByteArray answer;
                    if (path == "/moved") {
                        answer = "HTTP/1.1 302 Found\r\nLocation: /page.html\r\n"
                                 "Content-Length: 0\r\nConnection: close\r\n\r\n";
                    } else {
                        const QByteArray body = "<html><title>Web</title><body>web</body></html>";
                        answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                 QByteArray::number(body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body;
                    }
                    s->write(answer);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QString url(const char *path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path));
    }
};

// The share of a picture's pixels that are not transparent.
double drawn(const QImage &img) {
    if (img.isNull())
        return 0;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y).alpha() > 0;
    return double(n) / (img.width() * img.height());
}

// The application's style, with hints that show without the usual delay.
class QuickHintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 10;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// A widget's rectangle in the window's coordinates.
QRect inWindow(const QWidget *w, const QWidget *window) {
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

// The URL bar across the top, the browser's panel and the button column below it: together
// they cover the window exactly, the column at the right edge.
void checkPanelsTileWindow(const TForm1 *f) {
    const QRect bar = f->Panel3->geometry(), page = f->Panel1->geometry(),
                column = f->Panel2->geometry();
    QCOMPARE(bar.topLeft(), QPoint(0, 0));
    QCOMPARE(bar.width(), f->width());
    QCOMPARE(page.topLeft(), QPoint(0, bar.bottom() + 1));
    QCOMPARE(column.top(), page.top());
    QCOMPARE(column.left(), page.right() + 1);
    QCOMPARE(column.right(), f->width() - 1);
    QCOMPARE(page.bottom(), f->height() - 1);
    QCOMPARE(column.bottom(), f->height() - 1);
}

// A link that fills the top of the page, so a click anywhere there follows it.
QByteArray bigLink(const QString &title, const QString &href, const QString &target = {}) {
    const QString t = target.isEmpty() ? QString() : QStringLiteral(" target='%1'").arg(target);
    return page(title, QStringLiteral("<a id='go' href='%1'%2 style='display:block;"
                                      "width:100%;height:300px;background:#cde'>go</a>")
                           .arg(href, t));
}
} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void urlFieldFollowsTopLevelDocument_data();
    void urlFieldFollowsTopLevelDocument();
    void everyNavigationKindReachesHandler_data();
    void everyNavigationKindReachesHandler();
    void typedAddressWithoutScheme();
    void redirectTargetReachesHandler();
    void cancelledNavigationDoesNotLoad();
    void handlerMayProcessEvents();
    void historyButtonsFollowHistory_data();
    void historyButtonsFollowHistory();
    void reloadButtonReloadsInPlace();
    void historyWithoutEntriesBeeps();
    void newWindowIsSeparateAndShownInField();
    void openOutsideHandsFieldToSystem();

    void clipLeftStoresInEncodingOfLastRead();
    void clipRightClearsAndDeletes();
    void clipRightWithoutClip();
    void clipEmptyFieldOpensHomePage();
    void clipOnReadOnlyMediumWritesNothing();
    void clipWriteFailureHidesOpenButton();
    void openWorkButtonRightPressSetsFlag();
    void missingLocalPageBeepsAndStays();
    void localPageShowsWebPicture();
    void startPageRestoresClip_data();
    void startPageRestoresClip();

    void layoutAtDefaultSize();
    void layoutFollowsWindowSize();
    void hintShowsOnHover_data();
    void hintShowsOnHover();
    void modalNoticeBeepsAndCloses();

private:
    QString host(const QString &name) const { return root_ + u'/' + name; }
    // The URL as the shell forms it when it navigates ("file://Z:\...").
    QString shellNav(const QString &name) const {
        return QStringLiteral("file://") + win(host(name));
    }
    // The URL as the shell sees it coming back from the engine ("file:///Z:/...").
    QString seen(const QString &name) const { return QStringLiteral("file:///Z:") + host(name); }
    bool decided(const QString &name, bool mainFrame = true) const;
    bool navigate(const QString &name);
    // The page has finished loading `name` and the field shows it.
    bool shows(const QString &name) const {
        return !page_->isLoading() && platform::urlFromEngine(page_->url()) == seen(name) &&
               form_->Edit2->text() == seen(name);
    }
    bool clickPageUntil(const std::function<bool()> &done);

    QTemporaryDir dir_;
    QString root_;
    QString programFile_;
    RecordingPlatform platform_;
    std::unique_ptr<QumoProgram> program_;
    TForm1 *form_ = nullptr;
    QumoWebPage *page_ = nullptr;
    QList<Decision> decisions_;
    bool ownProgram_ = false; // this case's program is not shared with the next
};

void TestBrowser::initTestCase() {
    QVERIFY(dir_.isValid());
    // Hints come up at once: what is checked is that they come, not the style's delay.
    QApplication::setStyle(new QuickHintStyle);
    // The start-up's writability probe works in the current folder.
    QDir::setCurrent(dir_.path());
    root_ = dir_.filePath(QStringLiteral("install"));
    const InstallLayout l = makeInstall(root_, QStringLiteral("QUMOG.x86_64"), false,
                                        settings(QStringLiteral("1")));
    writeFile(host("index.html"), bigLink("Home", "a.html"));
    writeFile(host("a.html"), page("A"));
    writeFile(host("b.html"), page("B"));
    writeFile(host("c.html"), page("C"));
    writeFile(host("typed.html"), page("Typed"));
    writeFile(host("scripted.html"), page("Scripted"));
    writeFile(host("clicked.html"), page("Clicked"));
    writeFile(host("link.html"), bigLink("Link", "clicked.html"));
    writeFile(host("left.html"), page("Left"));
    writeFile(host("right.html"), page("Right"));
    writeFile(host("inner.html"), page("Inner"));
    writeFile(host("frames.html"),
              "<html><frameset cols='50%,50%'><frame src='left.html'>"
              "<frame src='right.html'></frameset></html>");
    writeFile(host("iframe.html"), page("Outer", "<iframe src='inner.html'></iframe>"));
    writeFile(host("late-frame.html"),
              page("Late", "<iframe id='f' src='about:blank'></iframe><script>"
                           "setTimeout(function(){document.getElementById('f').src="
                           "'inner.html'},300)</script>"));
    writeFile(host("form.html"), page("Form", "<form action='submitted.html'><input name='q' "
                                              "value='x'></form>"));
    writeFile(host("submitted.html"), page("Submitted"));
    writeFile(host("refresh.html"), "<html><head><meta http-equiv='refresh' "
                                    "content='0;url=refreshed.html'></head></html>");
    writeFile(host("refreshed.html"), page("Refreshed"));
    writeFile(host("opener.html"), bigLink("Opener", "second.html", "_blank"));
    writeFile(host("second.html"), page("Second"));
    programFile_ = l.programFile;
}

// Every case gets the program as a pupil finds it at start: the home page loaded, an empty
// history, a fresh platform record. Starting the program (its windows and a new page of the
// browser engine) is the slow part, so the cases that only navigate share one; a case that
// changes the clip, the values, the window's size or place gets a program of its own, and
// so does the case after any failure.
void TestBrowser::init() {
    decisions_.clear();
    platform_ = RecordingPlatform();
    static const QList<QByteArray> ownProgram{
        "clipLeftStoresInEncodingOfLastRead", "clipRightClearsAndDeletes",
        "clipRightWithoutClip",               "clipEmptyFieldOpensHomePage",
        "clipOnReadOnlyMediumWritesNothing",  "clipWriteFailureHidesOpenButton",
        "openWorkButtonRightPressSetsFlag",   "layoutAtDefaultSize",
        "layoutFollowsWindowSize",            "modalNoticeBeepsAndCloses"};
    ownProgram_ = ownProgram.contains(QTest::currentTestFunction());
    if (program_ && !ownProgram_) {
        // Back to the home page, with a history that holds only it. The view drops a
        // navigation asked for while a page is still loading: the last case's load ends first.
        QTRY_VERIFY_WITH_TIMEOUT(!page_->isLoading(), kLoad);
        QVERIFY(navigate("index.html"));
        form_->WebBrowser1->history()->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!form_->SpeedButton2->isEnabled(), kLoad);
        QVERIFY(!form_->SpeedButton4->isEnabled());
        decisions_.clear();
        platform_ = RecordingPlatform();
        return;
    }
    program_.reset();
    QVERIFY(QDir(host("さくひん")).removeRecursively());
    program_ = std::make_unique<QumoProgram>(platform_, programFile_);
    form_ = program_->main();
    page_ = qobject_cast<QumoWebPage *>(form_->WebBrowser1->page());
    QVERIFY(page_);
    connect(page_, &QumoWebPage::navigationDecided, this,
            [this](const QString &url, QWebEnginePage::NavigationType type, bool mainFrame,
                   bool) { decisions_.append({url, type, mainFrame}); });
    form_->show();
    QTRY_VERIFY_WITH_TIMEOUT(form_->startupDone(), kLoad);
    QCOMPARE(form_->lastNavigation(), shellNav("index.html"));
    QTRY_VERIFY_WITH_TIMEOUT(shows("index.html"), kLoad);
}

void TestBrowser::cleanup() {
    // Windows a page opened go first: their pages share the main view's profile.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("BrowserWindow"))
            delete w;
    if (ownProgram_ || QTest::currentTestFailed()) {
        program_.reset();
        form_ = nullptr;
        page_ = nullptr;
    }
}

void TestBrowser::cleanupTestCase() {
    program_.reset();
    QDir::setCurrent(QDir::tempPath());
}

bool TestBrowser::decided(const QString &name, bool mainFrame) const {
    for (const Decision &d : decisions_)
        if (d.url == seen(name) && d.mainFrame == mainFrame)
            return true;
    return false;
}

bool TestBrowser::navigate(const QString &name) {
    QSignalSpy loaded(page_, &QWebEnginePage::loadFinished);
    form_->Navigate(shellNav(name));
    return testsupport::waitFor([&] { return !loaded.isEmpty() && shows(name); }, kLoad);
}

// The page has to be on screen and laid out before a click reaches its link; the click is
// repeated until it has done what it should.
bool TestBrowser::clickPageUntil(const std::function<bool()> &done) {
    QWidget *surface = form_->WebBrowser1->focusProxy();
    if (!surface)
        return false;
    for (int attempt = 0; attempt < 10 && !done(); ++attempt) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(60, 150));
        if (testsupport::waitFor(done, 3000))
            break;
    }
    return done();
}

void TestBrowser::urlFieldFollowsTopLevelDocument_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("plain page") << "a.html" << QStringList();
    QTest::newRow("frameset ends with the top document") << "frames.html"
                                                         << QStringList{"left.html", "right.html"};
    QTest::newRow("inline frame") << "iframe.html" << QStringList{"inner.html"};
}

void TestBrowser::missingLocalPageBeepsAndStays() {
    // A local link to a file that is not there is no page to show: a beep, and the view
    // and the field stay where they were.
    QVERIFY(navigate("a.html"));
    platform_.beeps.clear();
    form_->Navigate(shellNav("missing.html"));
    QTRY_VERIFY_WITH_TIMEOUT(!platform_.beeps.isEmpty(), kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!page_->isLoading(), kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(platform::urlFromEngine(page_->url()), seen("a.html"), kLoad);
}

void TestBrowser::localPageShowsWebPicture() {
    // Local teaching material shows pictures from the web: the request reaches the server
    // and the picture is decoded at its natural size, not a broken-image placeholder.
    HttpServer server;
    QVERIFY(server.start());
    QImage picture(37, 23, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
    server.addFile(QStringLiteral("/pic.png"), png);
    writeFile(host("remote-picture.html"),
              page("Remote", QStringLiteral("<img id='p' src='%1'>")
                                 .arg(server.url(QStringLiteral("/pic.png")))));
    QVERIFY(navigate("remote-picture.html"));
    QTRY_VERIFY_WITH_TIMEOUT(server.hits(QStringLiteral("/pic.png")) > 0, kLoad);
    // The answer is kept outside the callback's frame: a late answer must not write into a
    // finished lambda.
    auto answer = std::make_shared<QString>();
    QTRY_COMPARE_WITH_TIMEOUT(
        [&] {
            page_->runJavaScript(QStringLiteral("(function(){var i=document.getElementById('p');"
                                                "return i && i.complete ? i.naturalWidth + 'x' + "
                                                "i.naturalHeight : 'pending';})()"),
                                 [answer](const QVariant &v) { *answer = v.toString(); });
            return *answer;
        }(),
        QStringLiteral("37x23"), kLoad);
}

void TestBrowser::urlFieldFollowsTopLevelDocument() {
    QFETCH(QString, name);
    QFETCH(QStringList, frames);
    QVERIFY(navigate(name));
    for (const QString &f : frames)
        QTRY_VERIFY_WITH_TIMEOUT(decided(f, false), kLoad);
    // Frames went through the before-navigate handler, which shows what it lets through;
    // the top document's completion has the last word.
    QTRY_VERIFY_WITH_TIMEOUT(shows(name), kLoad);
    QVERIFY(!form_->WebBrowser1->page()->isLoading());
    QCOMPARE(form_->Edit2->text(), seen(name));
}

void TestBrowser::everyNavigationKindReachesHandler_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("mainFrame");
    QTest::newRow("click in a page") << "click" << "clicked.html" << true;
    QTest::newRow("typed, through the go button") << "typed" << "typed.html" << true;
    QTest::newRow("script") << "script" << "scripted.html" << true;
    QTest::newRow("frame") << "frame" << "inner.html" << false;
    QTest::newRow("frame changed later by script") << "late frame" << "inner.html" << false;
    QTest::newRow("form sent") << "form" << "submitted.html?q=x" << true;
    QTest::newRow("page refreshing to another") << "refresh" << "refreshed.html" << true;
    QTest::newRow("history back") << "back" << "a.html" << true;
    QTest::newRow("history forward") << "forward" << "b.html" << true;
    QTest::newRow("home button") << "home" << "index.html" << true;
}

void TestBrowser::everyNavigationKindReachesHandler() {
    QFETCH(QString, kind);
    QFETCH(QString, target);
    QFETCH(bool, mainFrame);
    if (kind == QLatin1String("click")) {
        QVERIFY(navigate("link.html"));
        decisions_.clear();
        QVERIFY(clickPageUntil([&] { return decided(target); }));
    } else if (kind == QLatin1String("typed")) {
        QVERIFY(navigate("a.html"));
        decisions_.clear();
        form_->Edit2->setText(shellNav(target));
        QTest::mouseClick(form_->SpeedButton11, Qt::LeftButton);
    } else if (kind == QLatin1String("script")) {
        QVERIFY(navigate("a.html"));
        decisions_.clear();
        form_->WebBrowser1->page()->runJavaScript(
            QStringLiteral("location.href = 'scripted.html';"));
    } else if (kind == QLatin1String("frame")) {
        decisions_.clear();
        form_->Navigate(shellNav("iframe.html"));
    } else if (kind == QLatin1String("late frame")) {
        decisions_.clear();
        form_->Navigate(shellNav("late-frame.html"));
    } else if (kind == QLatin1String("form")) {
        QVERIFY(navigate("form.html"));
        decisions_.clear();
        form_->WebBrowser1->page()->runJavaScript(QStringLiteral("document.forms[0].submit();"));
    } else if (kind == QLatin1String("refresh")) {
        decisions_.clear();
        form_->Navigate(shellNav("refresh.html"));
    } else if (kind == QLatin1String("forward")) {
        QVERIFY(navigate("a.html"));
        QVERIFY(navigate("b.html"));
        QTest::mouseClick(form_->SpeedButton2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shows("a.html"), kLoad);
        decisions_.clear();
        QTRY_VERIFY(form_->SpeedButton4->isEnabled());
        QTest::mouseClick(form_->SpeedButton4, Qt::LeftButton);
    } else if (kind == QLatin1String("back")) {
        QVERIFY(navigate("a.html"));
        QVERIFY(navigate("b.html"));
        decisions_.clear();
        QTRY_VERIFY(form_->SpeedButton2->isEnabled());
        QTest::mouseClick(form_->SpeedButton2, Qt::LeftButton);
    } else if (kind == QLatin1String("home")) {
        QVERIFY(navigate("a.html"));
        decisions_.clear();
        QTest::mouseClick(form_->SpeedButton1, Qt::LeftButton);
    }
    QTRY_VERIFY_WITH_TIMEOUT(decided(target, mainFrame), kLoad);
    // What the handler let through is shown in the field. A local URL with a query names
    // no file, so the handler keeps the page where it was.
    if (mainFrame && !target.contains(u'?'))
        QTRY_VERIFY_WITH_TIMEOUT(shows(target), kLoad);
}

void TestBrowser::typedAddressWithoutScheme() {
    // Taken as a web address: the handler sees it, and the field ends on the page that says
    // it cannot be reached.
    form_->Edit2->setText(QStringLiteral("www.example.invalid"));
    QTest::mouseClick(form_->SpeedButton11, Qt::LeftButton);
    const QString expected = QStringLiteral("http://www.example.invalid");
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(decisions_.cbegin(), decisions_.cend(),
                                         [&](const Decision &d) {
                                             return d.url.startsWith(expected) && d.mainFrame;
                                         }),
                             kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!page_->isLoading(), kLoad);
    QVERIFY(form_->Edit2->text().startsWith(expected));
}

void TestBrowser::redirectTargetReachesHandler() {
    // A web server that moves a page: the handler is asked about the new place too, so a
    // moved work is still recognised as a work.
    LoopbackServer server;
    QVERIFY(server.isListening());
    form_->Edit2->setText(server.url("/moved"));
    QTest::mouseClick(form_->SpeedButton11, Qt::LeftButton);
    const auto asked = [&](const QString &url, QWebEnginePage::NavigationType type) {
        return std::any_of(decisions_.cbegin(), decisions_.cend(), [&](const Decision &d) {
            return d.url == url && d.type == type && d.mainFrame;
        });
    };
    const auto redirect = QWebEnginePage::NavigationTypeRedirect;
    QTRY_VERIFY_WITH_TIMEOUT(asked(server.url("/page.html"), redirect), kLoad);
    QVERIFY(asked(server.url("/moved"), QWebEnginePage::NavigationTypeTyped));
    QTRY_COMPARE_WITH_TIMEOUT(form_->Edit2->text(), server.url("/page.html"), kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!page_->isLoading(), kLoad);
}

void TestBrowser::cancelledNavigationDoesNotLoad() {
    // A page whose before-navigate handler refuses every URL naming "c.html".
    QWebEngineView view;
    QStringList asked;
    auto *p = new QumoWebPage(
        [&](const QString &URL, const origin::Asking &, bool &Cancel) {
            asked.append(URL);
            Cancel = URL.contains(QLatin1String("c.html"));
        },
        nullptr, &view);
    view.setPage(p);
    QSignalSpy loaded(p, &QWebEnginePage::loadFinished);
    p->load(QUrl::fromLocalFile(host("a.html")));
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kLoad);
    QCOMPARE(asked, QStringList{seen("a.html")});

    // Typed and scripted navigations to the refused page both stop; the page stays.
    p->load(QUrl::fromLocalFile(host("c.html")));
    QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 2, kLoad);
    p->runJavaScript(QStringLiteral("location.href = 'c.html';"));
    QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 3, kLoad);
    QCOMPARE(asked.last(), seen("c.html"));
    // Both ended as stopped loads; the page never left A.
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 3, kLoad);
    QCOMPARE(loaded.at(1).at(0).toBool(), false);
    QCOMPARE(loaded.at(2).at(0).toBool(), false);
    QCOMPARE(p->url(), QUrl::fromLocalFile(host("a.html")));
    QCOMPARE(p->title(), QStringLiteral("A"));
    // A later allowed navigation proves the engine went on after the refusals.
    p->load(QUrl::fromLocalFile(host("b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(p->url(), QUrl::fromLocalFile(host("b.html")), kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!p->isLoading(), kLoad);
    QCOMPARE(p->history()->count(), 2); // a, b: the refused page never entered the history
}

void TestBrowser::handlerMayProcessEvents() {
    // The link commands show notices and download while the navigation waits for their
    // answer: the engine has to live with events processed inside the handler, and with a
    // second navigation asked for meanwhile.
    QWebEngineView view;
    QStringList asked;
    auto *p = new QumoWebPage(
        [&](const QString &URL, const origin::Asking &, bool &Cancel) {
            asked.append(URL);
            const bool refused = URL.contains(QLatin1String("c.html"));
            // A second navigation arrives while the first is still being decided.
            if (refused)
                QTimer::singleShot(50, &view, [&] {
                    view.page()->load(QUrl::fromLocalFile(host("b.html")));
                });
            QTest::qWait(300);
            Cancel = refused;
        },
        nullptr, &view);
    view.setPage(p);
    view.resize(300, 200);
    view.show();
    p->load(QUrl::fromLocalFile(host("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(p->title(), QStringLiteral("A"), kLoad);
    p->runJavaScript(QStringLiteral("location.href = 'c.html';"));
    QTRY_COMPARE_WITH_TIMEOUT(p->title(), QStringLiteral("B"), kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!p->isLoading(), kLoad);
    QCOMPARE(asked, (QStringList{seen("a.html"), seen("c.html"), seen("b.html")}));
}

// Each row starts from a history that holds only its first page, visits the others, then
// presses the history buttons ("back", "forward") in turn; the buttons must then be
// enabled exactly as the history allows.
void TestBrowser::historyButtonsFollowHistory_data() {
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("forward");
    const QStringList ab{u"a.html"_qs, u"b.html"_qs};
    const QStringList abc{u"a.html"_qs, u"b.html"_qs, u"c.html"_qs};
    QTest::newRow("one page: neither") << QStringList{u"a.html"_qs} << QStringList() << "a.html"
                                       << false << false;
    QTest::newRow("two pages: back only") << ab << QStringList() << "b.html" << true << false;
    QTest::newRow("two pages, back: forward only")
        << ab << QStringList{u"back"_qs} << "a.html" << false << true;
    QTest::newRow("two pages, back, forward: back only")
        << ab << QStringList{u"back"_qs, u"forward"_qs} << "b.html" << true << false;
    QTest::newRow("three pages, back: both") << abc << QStringList{u"back"_qs} << "b.html" << true
                                             << true;
    QTest::newRow("three pages, back twice: forward only")
        << abc << QStringList{u"back"_qs, u"back"_qs} << "a.html" << false << true;
    QTest::newRow("back, then a new page: forward history dropped")
        << QStringList{u"a.html"_qs, u"b.html"_qs, u"back"_qs, u"c.html"_qs} << QStringList()
        << "c.html" << true << false;
}

void TestBrowser::historyButtonsFollowHistory() {
    QFETCH(QStringList, pages);
    QFETCH(QStringList, presses);
    QFETCH(QString, shown);
    QFETCH(bool, back);
    QFETCH(bool, forward);
    QWebEngineHistory *history = form_->WebBrowser1->history();
    const auto press = [&](const QString &which) {
        QToolButton *button = which == u"back"_qs ? form_->SpeedButton2 : form_->SpeedButton4;
        QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), kLoad);
        QSignalSpy loaded(page_, &QWebEnginePage::loadFinished);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && !page_->isLoading(), kLoad);
    };
    QVERIFY(navigate(pages.first()));
    history->clear();
    QTRY_VERIFY_WITH_TIMEOUT(!form_->SpeedButton2->isEnabled(), kLoad);
    QVERIFY(!form_->SpeedButton4->isEnabled());
    for (const QString &step : pages.mid(1)) {
        if (step == u"back"_qs)
            press(step);
        else
            QVERIFY(navigate(step));
        if (QTest::currentTestFailed())
            return;
    }
    for (const QString &step : presses)
        press(step);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(shows(shown), kLoad);
    // The history has settled where the row says; the buttons follow it.
    QTRY_VERIFY_WITH_TIMEOUT(history->canGoBack() == back && history->canGoForward() == forward,
                             kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(form_->SpeedButton2->isEnabled(), back, kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(form_->SpeedButton4->isEnabled(), forward, kLoad);
    QCOMPARE(page_->action(QWebEnginePage::Back)->isEnabled(), back);
    QCOMPARE(page_->action(QWebEnginePage::Forward)->isEnabled(), forward);
    QVERIFY(platform_.beeps.isEmpty());
}

void TestBrowser::reloadButtonReloadsInPlace() {
    QVERIFY(navigate("b.html"));
    QSignalSpy loaded(page_, &QWebEnginePage::loadFinished);
    QTest::mouseClick(form_->SpeedButton3, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kLoad);
    QCOMPARE(form_->Edit2->text(), seen("b.html"));
}

void TestBrowser::historyWithoutEntriesBeeps() {
    QVERIFY(navigate("a.html"));
    form_->WebBrowser1->history()->clear();
    QVERIFY(!form_->WebBrowser1->history()->canGoBack());
    // The buttons are normally disabled then; the handlers are called as a click would.
    form_->SpeedButton2Click();
    form_->SpeedButton4Click();
    QCOMPARE(platform_.beeps, (QList<unsigned>{platform::BeepDefault, platform::BeepDefault}));
    QCOMPARE(form_->WebBrowser1->url(), QUrl::fromLocalFile(host("a.html")));
    QCOMPARE(form_->Edit2->text(), seen("a.html"));
}

void TestBrowser::newWindowIsSeparateAndShownInField() {
    QVERIFY(navigate("opener.html"));
    const auto windows = [] {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("BrowserWindow") && w->isVisible())
                found.append(w);
        return found;
    };
    QVERIFY(windows().isEmpty());
    QVERIFY(clickPageUntil([&] { return !windows().isEmpty(); }));
    QCOMPARE(windows().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(form_->Edit2->text(), seen("second.html"), kLoad);
    auto *w = qobject_cast<QumoBrowserWindow *>(windows().first());
    QVERIFY(w);
    QTRY_COMPARE_WITH_TIMEOUT(w->page()->url(), QUrl::fromLocalFile(host("second.html")), kLoad);
    // The main view stayed where it was, and the new window keeps its own history.
    QCOMPARE(form_->WebBrowser1->url(), QUrl::fromLocalFile(host("opener.html")));
    QVERIFY(!decided("second.html"));
    QVERIFY(w->page() != form_->WebBrowser1->page());
    w->close();
    QTRY_VERIFY(windows().isEmpty());
}

void TestBrowser::openOutsideHandsFieldToSystem() {
    const QUrl before = form_->WebBrowser1->url();
    form_->Edit2->setText(QStringLiteral("http://example.invalid/a b.html"));
    QTest::mouseClick(form_->SpeedButton5, Qt::LeftButton);
    QCOMPARE(platform_.opened, QStringList{"\"http://example.invalid/a b.html\""});
    QCOMPARE(platform_.openedParameters, QStringList{QString()});
    QCOMPARE(form_->WebBrowser1->url(), before);
}

void TestBrowser::clipLeftStoresInEncodingOfLastRead() {
    QumoValues &v = form_->values();
    const QString clip = host("さくひん/clip.txt");
    QCOMPARE(v.QUMOCLIP, win(clip));
    // The last file read carried a UTF-8 mark: the clip is written the same way.
    writeFile(host("utf8.txt"), QByteArray("\xEF\xBB\xBFx"));
    form_->BLOAD(win(host("utf8.txt")));
    form_->Edit2->setText(QStringLiteral("http://example.invalid/ページ.html"));
    QTest::mouseClick(form_->SpeedButton9, Qt::LeftButton);
    QCOMPARE(v.CLIPURL, QStringLiteral("http://example.invalid/ページ.html"));
    QCOMPARE(readFile(clip), QByteArray("\xEF\xBB\xBF") +
                                 QStringLiteral("http://example.invalid/ページ.html").toUtf8());
    QVERIFY(form_->SpeedButton10->isVisibleTo(form_));
    QCOMPARE(form_->SpeedButton10->toolTip(), QStringLiteral("クリップしたページを表示"));
    QCOMPARE(form_->SpeedButton9->toolTip(), QStringLiteral("左：URLをクリップ／右：クリップをクリア"));

    // A later clip replaces the earlier one, now in the ANSI code page.
    writeFile(host("ansi.txt"), sjis(QStringLiteral("あ")));
    form_->BLOAD(win(host("ansi.txt")));
    form_->Edit2->setText(seen("b.html"));
    QTest::mouseClick(form_->SpeedButton9, Qt::MiddleButton);
    QCOMPARE(readFile(clip), sjis(seen("b.html")));

    // The open-clip button goes to the clip, not to the field.
    form_->Edit2->setText(seen("a.html"));
    QTest::mouseClick(form_->SpeedButton10, Qt::LeftButton);
    QCOMPARE(form_->lastNavigation(), seen("b.html"));
    QTRY_VERIFY_WITH_TIMEOUT(shows("b.html"), kLoad);
}

void TestBrowser::clipRightClearsAndDeletes() {
    QumoValues &v = form_->values();
    const QString clip = host("さくひん/clip.txt");
    form_->Edit2->setText(seen("a.html"));
    QTest::mouseClick(form_->SpeedButton9, Qt::LeftButton);
    QVERIFY(QFile::exists(clip));
    QTest::mouseClick(form_->SpeedButton9, Qt::RightButton);
    QVERIFY(v.RFLG);
    QVERIFY(v.CLIPURL.isEmpty());
    QVERIFY(!QFile::exists(clip));
    QVERIFY(!form_->SpeedButton10->isVisibleTo(form_));
    QCOMPARE(form_->SpeedButton10->toolTip(), QStringLiteral("最初のページを開きます"));
    QCOMPARE(form_->SpeedButton9->toolTip(), QStringLiteral("URLのクリップ"));
}

void TestBrowser::clipRightWithoutClip() {
    const QString clip = host("さくひん/clip.txt");
    QFile::remove(clip);
    writeFile(host("さくひん/other.txt"), "keep");
    QTest::mouseClick(form_->SpeedButton9, Qt::RightButton);
    QVERIFY(!form_->SpeedButton10->isVisibleTo(form_));
    QCOMPARE(form_->SpeedButton10->toolTip(), QStringLiteral("最初のページを開きます"));
    QVERIFY(QFile::exists(host("さくひん/other.txt")));
}

void TestBrowser::clipEmptyFieldOpensHomePage() {
    const QString clip = host("さくひん/clip.txt");
    form_->Edit2->clear();
    QTest::mouseClick(form_->SpeedButton9, Qt::LeftButton);
    QVERIFY(form_->values().CLIPURL.isEmpty());
    QVERIFY(QFile::exists(clip));
    QCOMPARE(readFile(clip), QByteArray());
    QVERIFY(form_->SpeedButton10->isVisibleTo(form_));
    QTest::mouseClick(form_->SpeedButton10, Qt::LeftButton);
    QCOMPARE(form_->lastNavigation(), form_->values().SYOKIURL);
    QTRY_VERIFY_WITH_TIMEOUT(shows("index.html"), kLoad);
}

void TestBrowser::clipOnReadOnlyMediumWritesNothing() {
    QumoValues &v = form_->values();
    const QString clip = host("さくひん/clip.txt");
    QFile::remove(clip);
    v.DVD = true;
    form_->Edit2->setText(seen("a.html"));
    QTest::mouseClick(form_->SpeedButton9, Qt::LeftButton);
    QCOMPARE(v.CLIPURL, seen("a.html"));
    QVERIFY(!QFile::exists(clip));
    QVERIFY(!form_->SpeedButton10->isVisibleTo(form_));
    QCOMPARE(form_->SpeedButton10->toolTip(), QStringLiteral("最初のページを開きます"));
}

void TestBrowser::clipWriteFailureHidesOpenButton() {
    QumoValues &v = form_->values();
    v.QUMOCLIP = win(host("missing-folder/clip.txt"));
    form_->Edit2->setText(seen("a.html"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, {});
    form_->SpeedButton9MouseDown(&press);
    // The error goes on to the message box; the button does not offer what was not written.
    QVERIFY_THROWS_EXCEPTION(std::exception, form_->SpeedButton9MouseUp(&press));
    QVERIFY(!form_->SpeedButton10->isVisibleTo(form_));
    QCOMPARE(form_->SpeedButton10->toolTip(), QStringLiteral("最初のページを開きます"));
}

void TestBrowser::openWorkButtonRightPressSetsFlag() {
    QumoValues &v = form_->values();
    // Each release opens the open-work dialog: cancel it whenever it shows.
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            d->reject();
    });
    closer.start(20);
    QTest::mousePress(form_->SpeedButton7, Qt::RightButton);
    QVERIFY(v.RFLG);
    QTest::mouseRelease(form_->SpeedButton7, Qt::RightButton);
    QTest::mousePress(form_->SpeedButton7, Qt::LeftButton);
    QVERIFY(!v.RFLG);
    QTest::mouseRelease(form_->SpeedButton7, Qt::LeftButton);
}

void TestBrowser::startPageRestoresClip_data() {
    QTest::addColumn<QString>("clipTag");
    QTest::addColumn<bool>("restored");
    QTest::newRow("clip file restored") << "1" << true;
    QTest::newRow("CLIP 0 shows the home page") << "0" << false;
}

void TestBrowser::startPageRestoresClip() {
    QFETCH(QString, clipTag);
    QFETCH(bool, restored);
    const QString root = dir_.filePath(QStringLiteral("restart-") + clipTag);
    const InstallLayout l =
        makeInstall(root, QStringLiteral("QUMOG.x86_64"), false, settings(clipTag));
    writeFile(root + QStringLiteral("/index.html"), page("Home"));
    writeFile(root + QStringLiteral("/clipped.html"), page("Clipped"));
    const QString clipped = QStringLiteral("file:///Z:") + root + QStringLiteral("/clipped.html");
    writeFile(root + QStringLiteral("/さくひん/clip.txt"), sjis(clipped));

    QumoProgram program(platform_, l.programFile);
    TForm1 *f = program.main();
    f->show();
    QTRY_VERIFY_WITH_TIMEOUT(f->startupDone(), kLoad);
    QVERIFY(platform_.errors.isEmpty());
    if (restored) {
        QCOMPARE(f->values().CLIPURL, clipped);
        QCOMPARE(f->lastNavigation(), clipped);
        QVERIFY(f->SpeedButton10->isVisibleTo(f));
        QCOMPARE(f->SpeedButton10->toolTip(), QStringLiteral("クリップしたページを表示"));
        QCOMPARE(f->SpeedButton9->toolTip(), QStringLiteral("左：URLをクリップ／右：クリップをクリア"));
        QTRY_COMPARE_WITH_TIMEOUT(f->Edit2->text(), clipped, kLoad);
    } else {
        QVERIFY(f->values().CLIPURL.isEmpty());
        QCOMPARE(f->lastNavigation(), f->values().SYOKIURL);
        QVERIFY(!f->SpeedButton9->isVisibleTo(f));
        QVERIFY(!f->SpeedButton10->isVisibleTo(f));
        QCOMPARE(f->SpeedButton9->toolTip(), QStringLiteral("URLのクリップ"));
        const QString home = QStringLiteral("file:///Z:") + root + QStringLiteral("/index.html");
        QTRY_COMPARE_WITH_TIMEOUT(f->Edit2->text(), home, kLoad);
    }
}

void TestBrowser::layoutAtDefaultSize() {
    using namespace form1layout;
    form_->resize(kDesignSize);
    form_->Edit2->setText(seen("index.html"));
    QVERIFY(navigate("index.html"));
    QTRY_COMPARE(form_->size(), kDesignSize);
    checkPanelsTileWindow(form_);
    // The browser view covers its panel, its frame hidden under the panel's edges.
    const int o = kBrowserOverlap;
    QTRY_COMPARE(form_->WebBrowser1->geometry(), form_->Panel1->rect().adjusted(-o, -o, o, o));

    // Every button that shows is inside the window, shows its picture, and has room of
    // its own; the URL field lies between the open-outside and the go button.
    form_->SpeedButton10->show();
    const QList<QToolButton *> buttons = form_->findChildren<QToolButton *>();
    QList<QPair<QString, QRect>> placed;
    for (QToolButton *b : buttons) {
        if (!b->isVisibleTo(form_))
            continue;
        const QRect r(b->mapTo(form_, QPoint(0, 0)), b->size());
        QVERIFY2(form_->rect().contains(r), qPrintable(b->objectName()));
        QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        QVERIFY2(drawn(b->icon().pixmap(b->iconSize()).toImage()) > 0.2,
                 qPrintable(b->objectName()));
        // Drawn afresh for a high-density screen, not scaled up.
        const QPixmap dense = b->icon().pixmap(b->iconSize(), 2.0);
        QCOMPARE(dense.size(), b->iconSize() * 2);
        QVERIFY2(drawn(dense.toImage()) > 0.2, qPrintable(b->objectName()));
        QCOMPARE(b->cursor().shape(), b == form_->SpeedButton8 ? Qt::WaitCursor
                                                               : Qt::PointingHandCursor);
        QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
        for (const auto &[name, other] : placed)
            QVERIFY2(!r.intersects(other), qPrintable(b->objectName() + " / " + name));
        placed.append({b->objectName(), r});
    }
    // Four on top, eight in the column (one of the two language buttons).
    QCOMPARE(placed.size(), 12);
    const QRect edit = inWindow(form_->Edit2, form_);
    for (const auto &[name, r] : placed)
        QVERIFY2(!edit.intersects(r), qPrintable(name));
    QVERIFY(edit.left() > inWindow(form_->SpeedButton5, form_).right());
    QVERIFY(edit.right() < inWindow(form_->SpeedButton11, form_).left());
    QVERIFY(inWindow(form_->Panel3, form_).contains(edit));
    QVERIFY(edit.height() >= form_->Edit2->fontMetrics().height());
    const QList<QPair<QToolButton *, QString>> hints{
        {form_->SpeedButton1, QStringLiteral("最初のページ")},
        {form_->SpeedButton2, QStringLiteral("前のページ")},
        {form_->SpeedButton3, QStringLiteral("ページの読み直し")},
        {form_->SpeedButton4, QStringLiteral("次のページ")},
        {form_->SpeedButton5, QStringLiteral("URLを別に開く")},
        {form_->SpeedButton11, QStringLiteral("URLを開く")},
        {form_->SpeedButton6, QStringLiteral("新しい作品を作る")},
        {form_->SpeedButton8, QStringLiteral("線画")}};
    for (const auto &[button, hint] : hints)
        QCOMPARE(button->toolTip(), hint);
    // The board button stands at the bottom of the column, below every other button.
    const QRect boardButton = inWindow(form_->SpeedButton8, form_);
    QCOMPARE(boardButton.bottom() + 1 + kBoardButtonBottomMargin, form_->height());
    for (const auto &[name, r] : placed)
        QVERIFY2(name == QLatin1String("SpeedButton8") || r.bottom() < boardButton.top(),
                 qPrintable(name));
    QVERIFY(!form_->windowIcon().isNull());

    // A click on the empty part of the column does nothing.
    const QString before = form_->lastNavigation();
    QTest::mouseClick(form_->Panel2, Qt::LeftButton, {}, QPoint(20, 470));
    QCOMPARE(form_->lastNavigation(), before);

    // A picture of the window for people to look at.
    const QString shot = qEnvironmentVariable("QUMO_SCREENSHOT");
    if (!shot.isEmpty()) {
        form_->raise();
        QTest::qWait(500);
        const QRect g = form_->geometry();
        const QPixmap px = form_->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height());
        QVERIFY(px.save(shot));
    }
}

void TestBrowser::layoutFollowsWindowSize() {
    using namespace form1layout;
    // What the design size gives; other sizes are measured against it.
    form_->resize(kDesignSize);
    QTRY_COMPARE(form_->size(), kDesignSize);
    const int designEditWidth = form_->Edit2->width();
    const int designClipFromRight = form_->width() - inWindow(form_->SpeedButton10, form_).x();
    const QPoint designHome = form_->SpeedButton1->pos();
    for (const QSize size : {QSize(1000, 800), kDesignSize, QSize(900, 500)}) {
        form_->resize(size);
        QTRY_COMPARE(form_->size(), size);
        checkPanelsTileWindow(form_);
        QCOMPARE(form_->Panel2->width(), kColumnWidth);
        QCOMPARE(form_->Panel3->height(), kBarHeight);
        // The browser view overlaps its panel on every side.
        const int o = kBrowserOverlap;
        QCOMPARE(form_->WebBrowser1->geometry(), form_->Panel1->rect().adjusted(-o, -o, o, o));
        // The URL field stretches; the buttons on its right keep their distance to the edge.
        QCOMPARE(form_->Edit2->width() - designEditWidth, size.width() - kDesignSize.width());
        QCOMPARE(size.width() - inWindow(form_->SpeedButton10, form_).x(), designClipFromRight);
        QVERIFY(inWindow(form_->Edit2, form_).right() <
                inWindow(form_->SpeedButton11, form_).left());
        // The column's buttons keep their places in it; the board button its bottom margin.
        QCOMPARE(form_->SpeedButton1->pos(), designHome);
        QCOMPARE(inWindow(form_->SpeedButton8, form_).bottom() + 1 + kBoardButtonBottomMargin,
                 size.height());
    }
}

void TestBrowser::hintShowsOnHover_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("home") << "SpeedButton1" << true;
    QTest::newRow("go") << "SpeedButton11" << true;
    // A disabled button still says what it would do (the language buttons on a DVD).
    QTest::newRow("disabled back") << "SpeedButton2" << false;
}

void TestBrowser::hintShowsOnHover() {
    QFETCH(QString, button);
    QFETCH(bool, enabled);
    auto *b = form_->findChild<QToolButton *>(button);
    QVERIFY(b);
    b->setEnabled(enabled);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    // Hints show in the active window only.
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_));
    // The real pointer goes there too: a late motion of the display's own pointer over another
    // place would otherwise take the hint away again. A hover that a loaded machine lost is
    // made again, as a pupil would.
    const QPoint centre(b->width() / 2, b->height() / 2);
    const auto hover = [&] {
        QCursor::setPos(form_->mapToGlobal(QPoint(300, 300)));
        QTest::mouseMove(form_, QPoint(300, 300));
        QCursor::setPos(b->mapToGlobal(centre));
        QTest::mouseMove(b, centre);
    };
    const auto shown = [&] { return QToolTip::isVisible() && QToolTip::text() == b->toolTip(); };
    for (int tries = 0; tries < 5; ++tries) {
        hover();
        if (testsupport::waitFor(shown, 4000))
            break;
    }
    QVERIFY2(shown(), "no hint over the button");
}

void TestBrowser::modalNoticeBeepsAndCloses() {
    TForm5 *f5 = program_->forms.Form5;
    form_->move(40, 30);
    f5->Label1->setText(QStringLiteral("なまえをえらんでください"));
    bool shownWhileOpen = false;
    QRect geometry;
    // The pupil presses OK once the notice shows.
    QTimer::singleShot(0, f5, [&] {
        QTRY_VERIFY(f5->isVisible());
        shownWhileOpen = f5->isModal();
        geometry = f5->geometry();
        QTest::mouseClick(f5->BitBtn1, Qt::LeftButton);
    });
    // Never left blocking, whatever goes wrong above.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, f5, &QDialog::reject);
    guard.start(20000);
    f5->exec();
    QVERIFY(guard.isActive());
    QVERIFY(shownWhileOpen);
    QVERIFY(!f5->isVisible());
    QCOMPARE(platform_.beeps, QList<unsigned>{platform::BeepDefault});
    QCOMPARE(f5->windowTitle(), QStringLiteral("Form5"));
    QCOMPARE(geometry.size(), QSize(645, 309));
    QVERIFY((geometry.center() - form_->geometry().center()).manhattanLength() <= 40);
    QCOMPARE(f5->BitBtn1->text(), QStringLiteral("OK"));
    QCOMPARE(f5->BitBtn1->geometry(), QRect(264, 240, 113, 49));
    // The label follows its text.
    QVERIFY(f5->Label1->width() >=
            f5->Label1->fontMetrics().horizontalAdvance(f5->Label1->text()));
}

QUMO_TEST_MAIN(TestBrowser)
#include "tst_browser.moc"
