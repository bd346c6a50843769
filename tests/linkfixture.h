#pragma once
// Temp classrooms for the link command tests, on a recording platform with an install of
// the stand-in Logo program: `Host` runs the link commands without any window (the runner
// with the real downloads, launcher and desktop copies behind it); `Classroom` shows the
// main window, whose browser view has loaded its start page, to click links in a page.
#include "app/program.h"
#include "app/core/textstore.h"
#include "browser/downloader.h"
#include "browser/downloads.h"
#include "browser/linkrunner.h"
#include "browser/opening.h"
#include "mwex/launch.h"
#include "platform/core/paths.h"
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>

namespace linktest {

// A loopback HTTP server: GET of a known path gives its bytes with the content type of its
// extension, a path given a status answers with it, anything else is 404.
class HttpServer : public QObject {
public:
    HttpServer() {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                serve(s);
        });
        if (!server_.listen(QHostAddress::LocalHost))
            qFatal("no loopback port");
    }
    // "http://127.0.0.1:<port>/" + path.
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(path);
    }
    int hits(const QString& path) const { return int(requests.count(path)); }

    QMap<QString, QByteArray> files; // path without the leading "/"
    QMap<QString, QPair<int, QByteArray>> statuses;
    QSet<QString> held;   // half the body at once, the rest when release() is called
    QStringList requests; // in order, as sent

    // Sends the rest of a held file's bodies, now and from then on.
    void release(const QString& path) {
        held.remove(path);
        for (const auto& send : waiting_.take(path))
            send();
    }

private:
    static QByteArray typeOf(const QString& path) {
        if (path.endsWith(QLatin1String(".html")) || path.endsWith(QLatin1String(".htm")))
            return "text/html; charset=utf-8";
        if (path.endsWith(QLatin1String(".css")))
            return "text/css";
        if (path.endsWith(QLatin1String(".txt")))
            return "text/plain";
        return "application/octet-stream";
    }
    void serve(QTcpSocket* s) {
        auto buf = std::make_shared<QByteArray>();
        connect(s, &QTcpSocket::readyRead, s, [this, s, buf] {
            if (buf->contains("\r\n\r\n"))
                return;
            buf->append(s->readAll());
            if (!buf->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> first = buf->left(buf->indexOf("\r\n")).split(' ');
            const QString path = first.size() > 1 ? QString::fromUtf8(first[1]).mid(1) : QString();
            requests.append(path);
            int status = 404;
            QByteArray body = "<html><body>not found</body></html>", type = "text/html";
            if (files.contains(path)) {
                status = 200;
                body = files[path];
                type = typeOf(path);
            } else if (statuses.contains(path)) {
                status = statuses[path].first;
                body = statuses[path].second;
            }
            const QByteArray head = "HTTP/1.1 " + QByteArray::number(status) +
                                    (status == 200 ? " OK" : " Error") +
                                    "\r\nContent-Type: " + type +
                                    "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                    "\r\nConnection: close\r\n\r\n";
            if (held.contains(path)) {
                const qsizetype half = body.size() / 2;
                s->write(head + body.left(half));
                QPointer<QTcpSocket> socket(s);
                waiting_[path].append([socket, rest = body.mid(half)] {
                    if (socket) {
                        socket->write(rest);
                        socket->disconnectFromHost();
                    }
                });
                return;
            }
            s->write(head + body);
            s->disconnectFromHost();
        });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
    QTcpServer server_;
    QMap<QString, QList<std::function<void()>>> waiting_; // held bodies' rest, by path
};

// Records what it is asked; programs (".exe") really start when `realPrograms` is set; a
// hook can act from inside an open (a click that arrives while a command runs).
class HookPlatform : public testsupport::RecordingPlatform {
public:
    bool shellOpen(const QString& target, const QString& parameters,
                   const QString& folder) override {
        RecordingPlatform::shellOpen(target, parameters, folder);
        if (onOpen) {
            auto hook = std::move(onOpen);
            onOpen = nullptr;
            hook();
        }
        QString t = target;
        t.remove(u'"');
        if (realPrograms && t.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
            return platform::Platform::shellOpen(target, parameters, folder);
        return true;
    }
    // With an answer set, the confirmation is recorded and answered without a box.
    bool confirmYesNo(QWidget* owner, const QString& text) override {
        if (!confirmAnswer)
            return platform::Platform::confirmYesNo(owner, text);
        questions.append(text);
        return *confirmAnswer;
    }
    // The same for the question whose default is No (a program from an unknown host).
    bool confirmYesNoDefaultNo(QWidget* owner, const QString& text) override {
        if (!cautiousAnswer)
            return platform::Platform::confirmYesNoDefaultNo(owner, text);
        cautiousQuestions.append(text);
        return *cautiousAnswer;
    }
    std::function<void()> onOpen;
    bool realPrograms = false;
    std::optional<bool> confirmAnswer;
    QStringList questions;
    std::optional<bool> cautiousAnswer;
    QStringList cautiousQuestions;
};

inline const QString kSettings =
    u"<TATE>600</TATE>\r\n<YOKO>800</YOKO>\r\n<MWXX>0</MWXX>\r\n<MWYY>0</MWYY>\r\n"
    "<HOME>about:blank</HOME>\r\n<NAME>さくひん</NAME>\r\n<LOAD>w</LOAD>\r\n<SAVE></SAVE>\r\n"_qs;

inline QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

// Every file and folder below `root`, relative to it, sorted.
inline QStringList treeOf(const QString& root) {
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all.append(it.next().mid(root.size()));
    all.sort();
    return all;
}

// The starts that the stand-in logged beside itself: its arguments, one list per start.
inline QList<QStringList> startsLogged(const QString& hostFolder) {
    QList<QStringList> starts;
    QFile f(hostFolder + QStringLiteral("/mwex.log"));
    if (!f.open(QIODevice::ReadOnly))
        return starts;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        starts.append(fields.mid(3));
    }
    return starts;
}

// Kills the stand-ins that the tests started below `root`, found by the ids they logged.
inline void endStartedPrograms(const QString& root) {
    QDirIterator it(root, {QStringLiteral("mwex.log")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (const qint64 pid = line.split('\t').value(0).toLongLong(); pid > 0)
                ::kill(pid_t(pid), SIGTERM);
    }
}

// The link commands without the windows: the runner gets the values, the platform, a
// recorded notice, URL field and browser, and the real downloads, launcher and desktop
// copies, all in this test's own temporary folder.
class Host {
public:
    Host() {
        qputenv("HOME", tmp(u"home"_qs).toUtf8());
        qputenv("XDG_CONFIG_HOME", tmp(u"home/.config"_qs).toUtf8());
        QDir().mkpath(tmp(u"home/Desktop"_qs));
        QDir().mkpath(tmp(u"save"_qs));
        layout = testsupport::makeInstall(tmp(u"inst"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
        values.programFile = layout.programFile;
        values.MWEXEDIR = testsupport::win(layout.mwexDir);
        values.RULEDIR = values.MWEXEDIR;
        values.MWEXEXE = values.MWEXEDIR + u"\\mwex.exe"_qs;
        values.DESKTOP = testsupport::win(tmp(u"home/Desktop"_qs)) + u'\\';
        values.HOME = u"about:blank"_qs;
        values.SYOKIURL = u"about:blank"_qs;
        values.HOZON = u"さくひん"_qs;
        values.QUMOHOZON = testsupport::win(tmp(u"save"_qs)) + u'\\';

        const auto notice = [this](const QString& S1, const QString& S2) {
            notices.append(S2.isEmpty() ? S1 : S1 + u'|' + S2);
        };
        transfers = std::make_unique<Transfers>(Transfers::Needs{
            &values, notice, [] { return static_cast<TForm2*>(nullptr); },
            [this] { platform.messageBeep(platform::BeepDefault); }});
        const WindowNeeds window{&values, &platform, nullptr, notice};
        launcher = std::make_unique<Launcher>(
            Launcher::Needs{window, [] { return true; }, [] { return false; }});
        opening = std::make_unique<Opening>(Opening::Needs{window, [this] { return field; }});

        LinkCommandRunner::Needs n{window};
        n.open = [this](const QString& thing) {
            if (!platform.shellOpen(u'"' + thing + u'"', QString(), QString())) {
                platform.messageBeep(platform::BeepDefault);
                notices.append(u"ひらけませんでした。|"_qs + thing);
            }
        };
        n.showInField = [this](const QString& url) { field = url; };
        n.navigate = [this](const QUrl& url) { navigated.append(url); };
        n.readText = [this](const QString& F) { return store.load(F); };
        n.CopyURL = [this](const QString& S, const SaveTarget& D) { return transfers->CopyURL(S, D); };
        n.FFCOPY = [](const QString& S, const SaveTarget& D) { return Transfers::FFCOPY(S, D); };
        n.MWEXDL = [this](const QString& S1, const QString& S2) { transfers->MWEXDL(S1, S2); };
        n.MWEXCOPY = [this](const QString& S1, const QString& S2) { transfers->MWEXCOPY(S1, S2); };
        n.SHELLMWEXE = [this](const QString& F1, const QString& F2) { launcher->SHELLMWEXE(F1, F2); };
        n.EXE123 = [this](const QString& FF, const QString& F2) { opening->EXE123(FF, F2); };
        n.DTPCOPY = [this](const QString& F1, const QString& FF, const QString& F2,
                           const QString& MW) { opening->DTPCOPY(F1, FF, F2, MW); };
        n.OWARI = [this] { ++shellEnds; };
        n.stopDownloads = [this] { transfers->downloads()->shutdown(); };
        runner = std::make_unique<LinkCommandRunner>(std::move(n));
    }
    ~Host() {
        runner.reset();
        endStartedPrograms(dir.path());
    }

    QString tmp(const QString& rel) const { return dir.path() + u'/' + rel; }
    QumoValues& v() { return values; }
    // The save folder's host path, without a final "/".
    QString save() const { return platform::toHost(values.QUMOHOZON).chopped(1); }
    bool idle() {
        return testsupport::waitFor([&] { return !runner->busy(); }, 30000);
    }
    // Hands a URL to the runner as the view's navigation callback would; true when it was
    // cancelled.
    bool handle(const QString& url) { return runner->beforeNavigate(url); }

    QTemporaryDir dir;
    HookPlatform platform;
    testsupport::InstallLayout layout;
    QumoValues values;
    TextStore store;
    QStringList notices;   // "line 1|line 2"
    QString field;         // the URL field
    QList<QUrl> navigated; // where the browser was sent
    int shellEnds = 0;     // the delayed close was asked for
    std::unique_ptr<Transfers> transfers;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Opening> opening;
    std::unique_ptr<LinkCommandRunner> runner;
};

class Classroom {
public:
    Classroom() {
        qputenv("HOME", tmp(u"home"_qs).toUtf8());
        qputenv("XDG_CONFIG_HOME", tmp(u"home/.config"_qs).toUtf8());
        QDir().mkpath(tmp(u"home/Desktop"_qs));
        layout = testsupport::makeInstall(tmp(u"inst"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
        program = std::make_unique<QumoProgram>(platform, layout.programFile);
    }
    ~Classroom() {
        endStartedPrograms(dir.path());
        program.reset();
    }

    // Shows the main window: the start-up sequence runs and the start page loads. The
    // view drops a navigation asked for while its first page is still loading, so the
    // tests begin after that.
    bool start() {
        QSignalSpy firstLoad(form()->WebBrowser1, &QWebEngineView::loadFinished);
        form()->show();
        if (!testsupport::waitFor([&] { return form()->startupDone(); }, 30000))
            return false;
        if (!testsupport::waitFor([&] { return !firstLoad.isEmpty(); }, 30000))
            return false;
        platform.opened.clear();
        platform.openedParameters.clear();
        return true;
    }

    QString tmp(const QString& rel) const { return dir.path() + u'/' + rel; }
    QumoValues& v() { return program->values; }
    TForm1* form() { return program->main(); }
    LinkCommandRunner* runner() { return form()->linkCommands(); }
    // The save folder's host path, without a final "/".
    QString save() const { return platform::toHost(program->values.QUMOHOZON).chopped(1); }
    bool idle() {
        return testsupport::waitFor([&] { return !runner()->busy(); }, 30000);
    }

    // Hands a URL to the handler as the engine would; true when it was cancelled.
    bool handle(const QString& url) {
        bool cancel = false;
        form()->WebBrowser1BeforeNavigate2(url, cancel);
        return cancel;
    }

    // Shows a local page and waits until it has loaded.
    bool showPage(const QString& hostPath) {
        const QUrl want = QUrl::fromLocalFile(hostPath);
        bool done = false;
        auto c = QObject::connect(form()->WebBrowser1, &QWebEngineView::loadFinished, form(),
                                  [&](bool ok) {
                                      if (ok && form()->WebBrowser1->url() == want)
                                          done = true;
                                  });
        form()->Navigate(u"file://"_qs + testsupport::win(hostPath));
        const bool ok = testsupport::waitFor([&] { return done; }, 30000);
        QObject::disconnect(c);
        return ok;
    }

    // Clicks the link with this id in the shown page, as the pupil would.
    void click(const QString& id) {
        form()->WebBrowser1->page()->runJavaScript(
            QStringLiteral("document.getElementById('%1').click();").arg(id));
    }

    QTemporaryDir dir;
    HookPlatform platform;
    testsupport::InstallLayout layout;
    std::unique_ptr<QumoProgram> program;
};

} // namespace linktest
