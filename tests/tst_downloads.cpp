// Downloads and copies: the chunked reader against a loopback server, local copies, install
// lists, and the string rules that turn link addresses into paths. They run without the
// main window: the downloads get the values and a real notice window, nothing more.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "app/core/errors.h"
#include "app/notice.h"
#include "browser/downloader.h"
#include "browser/downloads.h"
#include "platform/core/fs.h"
#include "platform/core/savefile.h"
#include "support/httpserver.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <memory>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace testsupport;

Q_DECLARE_METATYPE(DownloadFailure)
Q_DECLARE_METATYPE(testsupport::HttpServer::Framing)

namespace {

// Counts how often the self-closing notice is brought up.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

QByteArray pattern(qsizetype size) {
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

// Every file below `root`, relative to it, sorted.
QStringList filesBelow(const QString &root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(root).relativeFilePath(it.next()));
    out.sort();
    return out;
}

} // namespace

class TestDownloads : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cutNN_data();
    void cutNN();
    void cutNN2_data();
    void cutNN2();
    void urlfFilf_data();
    void urlfFilf();

    void fetch_data();
    void fetch();
    void requestBypassesCaches();
    void presentTargetIsNeverFetched();
    void brokenDownloadIsFetchedAgain();
    void nameWithPercentSequencesIsOneName();
    void japaneseNameIsFetched();
    void missingFoldersAreMade();
    void targetThatCannotBeMadeRaises();
    void diskFullMidwayKeepsTheOldFile();
    void nestedRunsKeepTheirOwnOutcome_data();
    void nestedRunsKeepTheirOwnOutcome();
    void windowsServedDuringDownload();
    void redirectLoopIsBounded();
    void progressRuleEndsSlowServers_data();
    void progressRuleEndsSlowServers();
    void progressText_data();
    void progressText();
    void progressShownWhileDownloading_data();
    void progressShownWhileDownloading();
    void cancelFromTheNotice();
    void reserveRule_data();
    void reserveRule();
    void noRoomLeavesTheReserve_data();
    void noRoomLeavesTheReserve();
    void leftoverTemporaryFilesRemoved();

    void localCopy_data();
    void localCopy();
    void ffcopyReadOnlySource();

    void installLists_data();
    void installLists();

private:
    QString tmp(const QString &rel) const { return dir_->path() + u'/' + rel; }
    // A host path below the temp folder as a place the transfers may write to.
    SaveTarget into(const QString &host) const {
        return SaveTarget::inside(win(dir_->path()) + u'\\', win(host)).value();
    }
    Transfers *transfers() const { return transfers_.get(); }
    void resetNotice();

    std::unique_ptr<QTemporaryDir> dir_;
    QumoValues values_;
    std::unique_ptr<TForm2> notice_;
    std::unique_ptr<Transfers> transfers_;
    std::unique_ptr<HttpServer> server_;
    ShowCounter notices_;
    int beeps_ = 0;
};

void TestDownloads::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    values_.programFile = u"Z:\\nowhere\\QUMOG.x86_64"_qs;
    notice_ = std::make_unique<TForm2>();
    notice_->installEventFilter(&notices_);
    TForm2 *n = notice_.get();
    transfers_ = std::make_unique<Transfers>(Transfers::Needs{
        &values_, [n](const QString &S1, const QString &S2) { showNotice(*n, nullptr, S1, S2); },
        [n] { return n; }, [this] { ++beeps_; }});
}

void TestDownloads::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    server_ = std::make_unique<HttpServer>();
    QVERIFY(server_->start());
    QumoValues &v = values_;
    v.HOZON = u"さくひん"_qs;
    v.MWEXEDIR = win(tmp(u"MWEX"_qs));
    v.QUMOHOZON = win(tmp(u"save"_qs)) + u'\\';
    v.DLFLG = -1;
    QDir().mkpath(tmp(u"MWEX"_qs));
    QDir().mkpath(tmp(u"save"_qs));
    transfers()->downloads()->options = Downloader::Options{};
    resetNotice();
}

void TestDownloads::cleanup() {
    resetNotice();
    server_.reset();
    dir_.reset();
}

void TestDownloads::resetNotice() {
    TForm2 *n = notice_.get();
    if (n->isVisible())
        n->Timer1Timer();
    n->Label1->clear();
    n->Label2->clear();
    notices_.shows = 0;
    beeps_ = 0;
}

// ---- string rules ----

void TestDownloads::cutNN_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("file url with drive and blank")
        << u"file:///C:/kyozai/logo%201/game.mwx"_qs << u"C:\\kyozai\\logo 1\\game.mwx"_qs;
    QTest::newRow("two-slash file url loses its leading backslashes")
        << u"file://server/share/x.mwx"_qs << u"server\\share\\x.mwx"_qs;
    QTest::newRow("windows path with argument unchanged")
        << u"C:\\kyozai\\tool.exe+a.txt"_qs << u"C:\\kyozai\\tool.exe+a.txt"_qs;
    QTest::newRow("web url unchanged, %20 included")
        << u"http://example.org/a%20b/c.mwx"_qs << u"http://example.org/a%20b/c.mwx"_qs;
    QTest::newRow("quote sequence decoded")
        << u"file:///Z:/a/%22q%22.txt"_qs << u"Z:\\a\\\"q\".txt"_qs;
    QTest::newRow("text before the marker dropped")
        << u"xx file:///Z:/t/y.mwa"_qs << u"Z:\\t\\y.mwa"_qs;
    QTest::newRow("other percent sequences kept")
        << u"file:///Z:/a%41b.mwx"_qs << u"Z:\\a%41b.mwx"_qs;
}

void TestDownloads::cutNN() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(TForm1::CutNN(in), out);
}

void TestDownloads::cutNN2_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("quoted argument path")
        << u"%22C:/data/my%20file.txt%22"_qs << u"\"C:\\data\\my file.txt\""_qs;
    QTest::newRow("only the three sequences") << u"a%2Fb%20c%22d%25"_qs << u"a%2Fb c\"d%25"_qs;
    QTest::newRow("empty") << QString() << QString();
}

void TestDownloads::cutNN2() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(TForm1::CutNN2(in), out);
}

void TestDownloads::urlfFilf_data() {
    QTest::addColumn<bool>("web");
    QTest::addColumn<QString>("s1");
    QTest::addColumn<QString>("s2");
    QTest::addColumn<QString>("out");
    QTest::newRow("url folder") << true << u"http://h/a/b/list.css"_qs << u"x.gif"_qs
                                << u"http://h/a/b/x.gif"_qs;
    QTest::newRow("url ending in slash")
        << true << u"http://h/a/"_qs << u"x"_qs << u"http://h/a/x"_qs;
    QTest::newRow("url without slash") << true << u"list.css"_qs << u"x.gif"_qs << u"x.gif"_qs;
    QTest::newRow("backslashes ignored by urlf") << true << u"C:\\a\\b"_qs << u"x"_qs << u"x"_qs;
    QTest::newRow("path folder") << false << u"Z:\\k\\set\\list.css"_qs << u"x.gif"_qs
                                 << u"Z:\\k\\set\\x.gif"_qs;
    QTest::newRow("path without backslash")
        << false << u"list.css"_qs << u"x.gif"_qs << u"x.gif"_qs;
    QTest::newRow("slashes ignored by filf") << false << u"http://h/a/b"_qs << u"x"_qs << u"x"_qs;
}

void TestDownloads::urlfFilf() {
    QFETCH(bool, web);
    QFETCH(QString, s1);
    QFETCH(QString, s2);
    QFETCH(QString, out);
    QCOMPARE(web ? TForm1::URLF(s1, s2) : TForm1::FILF(s1, s2), out);
}

// ---- fetching ----

void TestDownloads::fetch_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("bodySize"); // of the file expected at the target
    // A failed download says why, in the notice's headline.
    QTest::addColumn<DownloadFailure>("failure");
    using F = DownloadFailure;
    QTest::newRow("success writes the exact bytes") << u"/w/game.mwx"_qs << true << 3000 << F::None;
    QTest::newRow("empty body is an empty file") << u"/w/empty.mwx"_qs << true << 0 << F::None;
    QTest::newRow("404 page is not saved") << u"/w/404.mwx"_qs << false << -1 << F::NotFound;
    QTest::newRow("500 page is not saved") << u"/w/500.mwx"_qs << false << -1 << F::NotFound;
    QTest::newRow("redirect followed") << u"/w/moved.mwx"_qs << true << 3000 << F::None;
    QTest::newRow("redirect to an error") << u"/w/moved404.mwx"_qs << false << -1 << F::NotFound;
    QTest::newRow("connection closed half-way") << u"/w/broken.mwx"_qs << false << -1 << F::CutOff;
    // Over before the head is looked at: still a cut body, not a missing file.
    QTest::newRow("connection closed right after the head")
        << u"/w/headonly.mwx"_qs << false << -1 << F::CutOff;
    QTest::newRow("slow dribble completes") << u"/w/slow.mwx"_qs << true << 3000 << F::None;
    QTest::newRow("large file") << u"/w/large.bin"_qs << true << 6 * 1024 * 1024 + 17 << F::None;
    QTest::newRow("unknown route") << u"/w/none.mwx"_qs << false << -1 << F::NotFound;
    QTest::newRow("nobody listening") << u"closed"_qs << false << -1 << F::NoAnswer;
}

void TestDownloads::fetch() {
    QFETCH(QString, route);
    QFETCH(bool, ok);
    QFETCH(int, bodySize);
    QFETCH(DownloadFailure, failure);
    const QByteArray body = pattern(3000);
    server_->addFile(u"/w/game.mwx"_qs, body);
    server_->addFile(u"/w/empty.mwx"_qs, QByteArray());
    server_->addStatus(u"/w/404.mwx"_qs, 404, "<html>not here</html>");
    server_->addStatus(u"/w/500.mwx"_qs, 500, "<html>broken</html>");
    server_->addRedirect(u"/w/moved.mwx"_qs, server_->url(u"/w/game.mwx"_qs));
    server_->addRedirect(u"/w/moved404.mwx"_qs, u"/w/404.mwx"_qs, 301);
    server_->addBroken(u"/w/broken.mwx"_qs, body, 1500);
    server_->addBroken(u"/w/headonly.mwx"_qs, body, 0);
    server_->addDribble(u"/w/slow.mwx"_qs, body, 300, 10);
    server_->addFile(u"/w/large.bin"_qs, pattern(6 * 1024 * 1024 + 17));

    QString source = server_->url(route);
    if (route == u"closed"_qs) {
        HttpServer gone;
        QVERIFY(gone.start());
        source = gone.url(u"/x.mwx"_qs);
        gone.close();
    }
    const QString target = tmp(u"save/sub/target.mwx"_qs);
    const bool result = transfers()->CopyURL(source, into(target));
    QCOMPARE(result, ok);
    QCOMPARE(values_.DLFLG, ok ? 1 : 0);
    QVERIFY(notices_.shows >= 1);
    QCOMPARE(transfers()->downloads()->lastFailure(), failure);
    if (ok) {
        QCOMPARE(notice_.get()->Label1->text(), u"さくひんにダウンロードします。"_qs);
        QCOMPARE(beeps_, 0);
    } else {
        QCOMPARE(notice_.get()->Label1->text(), downloadFailureText(failure));
        QCOMPARE(notice_.get()->Label2->text(), u"target.mwx"_qs);
        QVERIFY(notice_.get()->isVisible());
        QCOMPARE(beeps_, 1);
    }
    if (bodySize < 0) {
        QVERIFY(!QFileInfo::exists(target));
    } else {
        const QByteArray got = readFile(target);
        QCOMPARE(got.size(), bodySize);
        QVERIFY(got == (bodySize == 3000 ? body : pattern(bodySize)));
    }
    // Nothing else is left beside the target: no temporary or partial file.
    QCOMPARE(filesBelow(tmp(u"save"_qs)),
             bodySize < 0 ? QStringList() : QStringList{u"sub/target.mwx"_qs});
}

void TestDownloads::requestBypassesCaches() {
    QCoreApplication::setApplicationName(u"QUMO"_qs);
    QCoreApplication::setApplicationVersion(u"1.2.3"_qs);
    server_->addFile(u"/a.mwx"_qs, "x");
    QVERIFY(transfers()->CopyURL(server_->url(u"/a.mwx"_qs), into(tmp(u"save/a.mwx"_qs))));
    const QByteArray req = server_->lastRequest(u"/a.mwx"_qs).toLower();
    QVERIFY2(req.contains("cache-control: no-cache"), req.constData());
    QVERIFY2(req.contains("pragma: no-cache"), req.constData());
    // The program's own name and version.
    QVERIFY2(req.contains("user-agent: qumo/1.2.3\r\n"), req.constData());
}

void TestDownloads::presentTargetIsNeverFetched() {
    server_->addFile(u"/a.mwx"_qs, "new content");
    const QString target = tmp(u"save/a.mwx"_qs);
    writeFile(target, "pupil's changes");
    QVERIFY(transfers()->CopyURL(server_->url(u"/a.mwx"_qs), into(target)));
    QCOMPARE(values_.DLFLG, 1);
    QCOMPARE(server_->hits(u"/a.mwx"_qs), 0);
    QCOMPARE(notices_.shows, 0);
    QCOMPARE(readFile(target), QByteArray("pupil's changes"));
}

void TestDownloads::brokenDownloadIsFetchedAgain() {
    const QByteArray body = pattern(4000);
    server_->addBroken(u"/b.mwx"_qs, body, 2000);
    const QString target = tmp(u"save/b.mwx"_qs);
    QVERIFY(!transfers()->CopyURL(server_->url(u"/b.mwx"_qs), into(target)));
    QVERIFY(!QFileInfo::exists(target));
    // The server is mended: the next click fetches the whole file, since no half file
    // was kept that would count as present.
    server_->addFile(u"/b.mwx"_qs, body);
    resetNotice();
    QVERIFY(transfers()->CopyURL(server_->url(u"/b.mwx"_qs), into(target)));
    QCOMPARE(server_->hits(u"/b.mwx"_qs), 2);
    QCOMPARE(notices_.shows, 1);
    QCOMPARE(readFile(target), body);
}

void TestDownloads::nameWithPercentSequencesIsOneName() {
    server_->addFile(u"/my%20work.mwx"_qs, "abc");
    const QString target = tmp(u"save/my%20work.mwx"_qs);
    QVERIFY(transfers()->CopyURL(server_->url(u"/my%20work.mwx"_qs), into(target)));
    QCOMPARE(readFile(target), QByteArray("abc"));
    QVERIFY(!QFileInfo::exists(tmp(u"save/my work.mwx"_qs)));
    // Found under the same name the next time: not fetched again.
    QVERIFY(transfers()->CopyURL(server_->url(u"/my%20work.mwx"_qs), into(target)));
    QCOMPARE(server_->hits(u"/my%20work.mwx"_qs), 1);
}

void TestDownloads::japaneseNameIsFetched() {
    // The page reports the name as characters; the request carries it percent-encoded.
    server_->addFile(u"/w/%E4%BD%9C%E5%93%81%201.mwx"_qs, "sakuhin");
    const QString target = tmp(u"save/作品 1.mwx"_qs);
    QVERIFY(transfers()->CopyURL(server_->url(u"/w/作品%201.mwx"_qs), into(target)));
    QCOMPARE(readFile(target), QByteArray("sakuhin"));
}

void TestDownloads::missingFoldersAreMade() {
    server_->addFile(u"/c.wav"_qs, "wave");
    const QString target = tmp(u"MWEX/Sounds/new/deep/c.wav"_qs);
    QVERIFY(transfers()->CopyURL(server_->url(u"/c.wav"_qs), into(target)));
    QCOMPARE(readFile(target), QByteArray("wave"));
}

void TestDownloads::targetThatCannotBeMadeRaises() {
    server_->addFile(u"/d.mwx"_qs, "data");
    writeFile(tmp(u"save/blocker"_qs), "a file where a folder should be");
    const QString target = tmp(u"save/blocker/d.mwx"_qs);
    QVERIFY_THROWS_EXCEPTION(QumoError, transfers()->CopyURL(server_->url(u"/d.mwx"_qs), into(target)));
    QCOMPARE(values_.DLFLG, 0);
    // A failed download into a folder that cannot exist creates nothing either.
    QVERIFY(!transfers()->CopyURL(server_->url(u"/missing"_qs), into(target)));
    QCOMPARE(filesBelow(tmp(u"save"_qs)), QStringList{u"blocker"_qs});
}

// The disk fills up while a large download is being written (a file size limit stands in
// for the full disk): the failure is reported, the earlier file of that name stays as it
// was, and no piece of the new one is left in the folder.
void TestDownloads::diskFullMidwayKeepsTheOldFile() {
    const QByteArray body = pattern(6 << 20);
    server_->addFile(u"/big.mwx"_qs, body);
    const QString target = tmp(u"save/big.mwx"_qs);
    writeFile(target, "the pupil's earlier work");

    struct Limit {
        rlimit old{};
        void (*oldHandler)(int) = nullptr;
        Limit() {
            getrlimit(RLIMIT_FSIZE, &old);
            oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed program
            rlimit small = old;
            small.rlim_cur = 1 << 20;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit() {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
    };
    Downloader downloader;
    {
        Limit limit;
        QVERIFY_THROWS_EXCEPTION(QumoError,
                                 downloader.fetch(server_->url(u"/big.mwx"_qs), win(target)));
    }
    QCOMPARE(readFile(target), QByteArray("the pupil's earlier work"));
    QCOMPARE(filesBelow(tmp(u"save"_qs)), QStringList{u"big.mwx"_qs});
    // The next download of it, with room on the disk, is whole.
    QVERIFY(downloader.fetch(server_->url(u"/big.mwx"_qs), win(target)));
    QCOMPARE(readFile(target), body);
}

void TestDownloads::nestedRunsKeepTheirOwnOutcome_data() {
    QTest::addColumn<bool>("outerOk");
    QTest::addColumn<bool>("innerOk");
    QTest::newRow("both succeed") << true << true;
    QTest::newRow("inner fails, outer succeeds") << true << false;
    QTest::newRow("inner succeeds, outer breaks off") << false << true;
}

void TestDownloads::nestedRunsKeepTheirOwnOutcome() {
    QFETCH(bool, outerOk);
    QFETCH(bool, innerOk);
    const QByteArray outerBody = pattern(6000);
    const QByteArray innerBody = pattern(2500).toBase64();
    server_->addDribble(u"/outer.mwx"_qs, outerBody, 400, 15, outerOk ? 0 : 4000);
    if (innerOk)
        server_->addFile(u"/inner.mwx"_qs, innerBody);
    const QString outerTarget = tmp(u"save/outer.mwx"_qs);
    const QString innerTarget = tmp(u"save/inner.mwx"_qs);

    bool outerReturned = false, innerRan = false, innerResult = !innerOk;
    bool outerPendingWhenInnerEnded = false;
    int flagAfterInner = -1;
    // The second run starts from an event processed while the first one is receiving.
    connect(server_.get(), &HttpServer::pieceSent, this, [&](const QString &, qsizetype sent) {
        if (innerRan || sent < 1200)
            return;
        innerRan = true;
        QTimer::singleShot(0, this, [&] {
            innerResult = transfers()->CopyURL(server_->url(u"/inner.mwx"_qs), into(innerTarget));
            flagAfterInner = values_.DLFLG;
            outerPendingWhenInnerEnded = !outerReturned;
        });
    });
    const bool outerResult = transfers()->CopyURL(server_->url(u"/outer.mwx"_qs), into(outerTarget));
    outerReturned = true;

    QVERIFY(innerRan);
    QVERIFY(outerPendingWhenInnerEnded);
    QCOMPARE(outerResult, outerOk);
    QCOMPARE(innerResult, innerOk);
    QCOMPARE(flagAfterInner, innerOk ? 1 : 0);
    QCOMPARE(values_.DLFLG, outerOk ? 1 : 0);
    if (outerOk)
        QCOMPARE(readFile(outerTarget), outerBody);
    else
        QVERIFY(!QFileInfo::exists(outerTarget));
    if (innerOk)
        QCOMPARE(readFile(innerTarget), innerBody);
    else
        QVERIFY(!QFileInfo::exists(innerTarget));
}

void TestDownloads::windowsServedDuringDownload() {
    // A timer of the window keeps firing while a slow download runs.
    server_->addDribble(u"/slow.mwx"_qs, pattern(2000), 100, 10);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(5);
    QVERIFY(transfers()->CopyURL(server_->url(u"/slow.mwx"_qs), into(tmp(u"save/slow.mwx"_qs))));
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

void TestDownloads::redirectLoopIsBounded() {
    server_->addRedirect(u"/a.mwx"_qs, u"/b.mwx"_qs);
    server_->addRedirect(u"/b.mwx"_qs, server_->url(u"/a.mwx"_qs), 301);
    QVERIFY(!transfers()->CopyURL(server_->url(u"/a.mwx"_qs), into(tmp(u"save/a.mwx"_qs))));
    QCOMPARE(values_.DLFLG, 0);
    // The first request and the redirects followed; Qt may send a request again when the
    // server closed the connection it meant to reuse, so each hop counts at most twice.
    const int requests = server_->hits(u"/a.mwx"_qs) + server_->hits(u"/b.mwx"_qs);
    QVERIFY2(requests > 2 && requests <= 2 * (platform::InternetUrl::kMaxRedirects + 2),
             qPrintable(QString::number(requests)));
    QCOMPARE(filesBelow(tmp(u"save"_qs)), QStringList());
}

void TestDownloads::progressRuleEndsSlowServers_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ok");
    QTest::newRow("silent after the request") << u"silent"_qs << false;
    QTest::newRow("stalls after its head") << u"stall"_qs << false;
    QTest::newRow("trickles below the rate") << u"trickle"_qs << false;
    QTest::newRow("trickles below the rate, size unknown") << u"trickle-unsized"_qs << false;
    QTest::newRow("slow but above the rate completes") << u"slow"_qs << true;
}

void TestDownloads::progressRuleEndsSlowServers() {
    QFETCH(QString, kind);
    QFETCH(bool, ok);
    // The rule of the classroom in small: 0.3 s without data, or under 1 KB/s over 0.6 s
    // (the slow server below sends every 50 ms, and lasts longer than the window).
    transfers()->downloads()->options.rule = platform::ProgressRule{300, 600, 1024};
    const QByteArray body = pattern(kind == u"slow"_qs ? 8000 : 40000);
    const QString path = u"/w/x.mwx"_qs;
    if (kind == u"silent"_qs)
        server_->addSilent(path);
    else if (kind == u"stall"_qs)
        server_->addDribble(path, body, 100, 3600 * 1000);
    else if (kind.startsWith(u"trickle"_qs)) // 250 bytes a second: the whole would take 160 s
        server_->addDribble(path, body, 10, 40, 0, kind == u"trickle"_qs);
    else // 8 KB/s
        server_->addDribble(path, body, 400, 50);
    qsizetype sent = 0;
    connect(server_.get(), &HttpServer::pieceSent, this,
            [&](const QString &, qsizetype n) { sent = n; });

    const QString target = tmp(u"save/x.mwx"_qs);
    QCOMPARE(transfers()->CopyURL(server_->url(path), into(target)), ok);
    QCOMPARE(values_.DLFLG, ok ? 1 : 0);
    if (ok) {
        QCOMPARE(readFile(target), body);
        return;
    }
    // Ended by the rule while the server still had most of the body to give.
    QVERIFY2(sent < body.size() / 2, qPrintable(QString::number(sent)));
    QVERIFY(!transfers()->downloads()->lastError().isEmpty());
    QCOMPARE(filesBelow(tmp(u"save"_qs)), QStringList());
    QVERIFY(!notice_.get()->downloading());
    // Said as a server that does not answer, with the beep.
    QCOMPARE(transfers()->downloads()->lastFailure(), DownloadFailure::NoAnswer);
    QCOMPARE(notice_.get()->Label1->text(), downloadFailureText(DownloadFailure::NoAnswer));
    QVERIFY(notice_.get()->isVisible());
    QCOMPARE(beeps_, 1);
}

void TestDownloads::progressText_data() {
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("size unknown: kilobytes so far") << 5000LL << -1LL << u"4KB"_qs;
    QTest::newRow("size unknown, nothing yet") << 0LL << -1LL << u"0KB"_qs;
    QTest::newRow("size known: percent, rounded down") << 999LL << 1000LL << u"99%"_qs;
    QTest::newRow("more than announced stays at 100%") << 2000LL << 1000LL << u"100%"_qs;
    QTest::newRow("announced empty body") << 0LL << 0LL << u"0KB"_qs;
}

void TestDownloads::progressText() {
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QTEST(downloadProgressText(received, total), "text");
}

void TestDownloads::progressShownWhileDownloading_data() {
    QTest::addColumn<bool>("sized");
    QTest::newRow("size announced: percent") << true;
    QTest::newRow("size unknown: kilobytes") << false;
}

void TestDownloads::progressShownWhileDownloading() {
    QFETCH(bool, sized);
    const QByteArray body = pattern(60000);
    server_->addDribble(u"/p.mwx"_qs, body, 1000, 10, 0, sized);
    // Told every 50 ms instead of the 250 ms of the classroom: a dozen texts in 0.6 s.
    transfers()->downloads()->options.progressMs = 50;
    TForm2 *n = notice_.get();
    QStringList texts; // as the notice showed them while bytes were going out
    bool shownEachTime = true;
    connect(server_.get(), &HttpServer::pieceSent, this, [&](const QString &, qsizetype) {
        shownEachTime = shownEachTime && n->isVisible() && n->LabelProgress->isVisible() &&
                        n->ButtonCancel->isVisible();
        if (texts.isEmpty() || texts.last() != n->LabelProgress->text())
            texts.append(n->LabelProgress->text());
    });
    QVERIFY(transfers()->CopyURL(server_->url(u"/p.mwx"_qs), into(tmp(u"save/p.mwx"_qs))));
    QVERIFY(shownEachTime);
    // The fixed texts stay; the added controls use the free column right of the headline.
    QCOMPARE(n->Label1->text(), u"さくひんにダウンロードします。"_qs);
    QCOMPARE(n->Label1->pos(), QPoint(80, 24));
    QCOMPARE(n->Label2->pos(), QPoint(80, 63));
    for (QWidget *added : {static_cast<QWidget *>(n->LabelProgress),
                           static_cast<QWidget *>(n->ButtonCancel)}) {
        QVERIFY(n->rect().contains(added->geometry()));
        for (QWidget *fixed : {static_cast<QWidget *>(n->Label1), static_cast<QWidget *>(n->Image1)})
            QVERIFY(!added->geometry().intersects(fixed->geometry()));
        QVERIFY(added->geometry().bottom() < n->Label2->y());
    }
    const QRegularExpression form(sized ? u"^(\\d+)%$"_qs : u"^(\\d+)KB$"_qs);
    QList<int> values;
    for (const QString &t : std::as_const(texts)) {
        if (t.isEmpty())
            continue;
        const auto m = form.match(t);
        QVERIFY2(m.hasMatch(), qPrintable(t));
        values.append(m.captured(1).toInt());
    }
    QVERIFY2(values.size() >= 3, qPrintable(texts.join(u' ')));
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QVERIFY(values.last() < (sized ? 100 : 59)); // seen while running, before the end
    // Done: the controls go, and the notice with them once its time is up.
    QVERIFY(!n->LabelProgress->isVisible());
    QVERIFY(!n->ButtonCancel->isVisible());
}

void TestDownloads::cancelFromTheNotice() {
    const QByteArray body = pattern(200000);
    server_->addDribble(u"/c.mwx"_qs, body, 500, 20);
    TForm2 *n = notice_.get();
    qsizetype sentAtClick = -1, sent = 0;
    connect(server_.get(), &HttpServer::pieceSent, this, [&](const QString &, qsizetype s) {
        sent = s;
        if (sentAtClick >= 0 || s < 5000)
            return;
        sentAtClick = s;
        QVERIFY(n->ButtonCancel->isVisible());
        QTimer::singleShot(0, n->ButtonCancel, [n] {
            QTest::mouseClick(n->ButtonCancel, Qt::LeftButton);
        });
    });
    const QStringList before = filesBelow(dir_->path());
    const QString target = tmp(u"save/c.mwx"_qs);
    QVERIFY(!transfers()->CopyURL(server_->url(u"/c.mwx"_qs), into(target)));
    QVERIFY(sentAtClick >= 0);
    QVERIFY(sent < body.size());
    QCOMPARE(values_.DLFLG, 0);
    QVERIFY(!QFileInfo::exists(target));
    // Nothing of it anywhere in the temp tree, no part file either.
    QCOMPARE(filesBelow(dir_->path()), before);
    QVERIFY(!n->downloading());
    // The pupil stopped it: no notice of a failure, no beep.
    QCOMPARE(transfers()->downloads()->lastFailure(), DownloadFailure::Cancelled);
    QCOMPARE(beeps_, 0);
    // The notice goes when its own time is up (its timer driven here).
    QVERIFY(n->Timer1->isActive());
    QVERIFY(QMetaObject::invokeMethod(n->Timer1, "timeout"));
    QVERIFY(!n->isVisible());
    // The next download runs as usual.
    server_->addFile(u"/d.mwx"_qs, "next");
    QVERIFY(transfers()->CopyURL(server_->url(u"/d.mwx"_qs), into(tmp(u"save/d.mwx"_qs))));
}

// ---- local copies ----

void TestDownloads::reserveRule_data() {
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("available");
    QTest::addColumn<qint64>("more");
    QTest::addColumn<bool>("fits");
    const qint64 MiB = 1 << 20, GiB = qint64(1) << 30;
    // 5 % of a small disk, 64 MiB of a large one.
    QTest::newRow("small disk: 5 % kept, just fits") << 100 * MiB << 30 * MiB << 25 * MiB << true;
    QTest::newRow("small disk: one byte into the 5 %")
        << 100 * MiB << 30 * MiB << 25 * MiB + 1 << false;
    QTest::newRow("large disk: 64 MiB kept, just fits") << 500 * GiB << GiB << GiB - 64 * MiB << true;
    QTest::newRow("large disk: one byte into the 64 MiB")
        << 500 * GiB << GiB << GiB - 64 * MiB + 1 << false;
    QTest::newRow("already below the reserve: nothing fits") << 100 * MiB << 4 * MiB << 1LL << false;
    QTest::newRow("already below the reserve, nothing to add") << 100 * MiB << 4 * MiB << 0LL << false;
    QTest::newRow("space unknown: not held back") << -1LL << -1LL << 10 * GiB << true;
}

void TestDownloads::reserveRule() {
    QFETCH(qint64, total);
    QFETCH(qint64, available);
    QFETCH(qint64, more);
    QTEST(platform::leavesReserve(platform::DiskSpace{total, available}, more), "fits");
}

namespace {
// A small file system of its own for the save folder, mounted for the test (as root).
class SmallDisk {
public:
    SmallDisk(const QString &path, int mebibytes) : path_(path) {
        QDir().mkpath(path);
        if (::geteuid() != 0 || QStandardPaths::findExecutable(u"mount"_qs).isEmpty())
            return;
        mounted_ = QProcess::execute(u"mount"_qs, {u"-t"_qs, u"tmpfs"_qs, u"-o"_qs,
                                                  u"size=%1m"_qs.arg(mebibytes), u"tmpfs"_qs,
                                                  path}) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            QProcess::execute(u"umount"_qs, {path_});
    }
    bool mounted() const { return mounted_; }
    platform::DiskSpace space() const {
        struct statvfs fs {};
        if (::statvfs(QFile::encodeName(path_).constData(), &fs) != 0)
            return {};
        return {qint64(fs.f_blocks) * qint64(fs.f_frsize), qint64(fs.f_bavail) * qint64(fs.f_frsize)};
    }

private:
    QString path_;
    bool mounted_ = false;
};

qint64 bytesBelow(const QString &root) {
    qint64 n = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        n += it.fileInfo().size();
    }
    return n;
}
} // namespace

void TestDownloads::noRoomLeavesTheReserve_data() {
    QTest::addColumn<HttpServer::Framing>("framing");
    QTest::newRow("size announced: refused before the first byte") << HttpServer::Framing::Length;
    QTest::newRow("chunked: stopped as it arrives") << HttpServer::Framing::Chunked;
    QTest::newRow("ends with the connection: stopped as it arrives") << HttpServer::Framing::Close;
}

// A 200 MB work into a save folder on a 100 MB disk: the download stops before the disk's
// reserve (5 % of it here) is touched, leaves nothing, says so, and the shell's own small
// files can still be written.
void TestDownloads::noRoomLeavesTheReserve() {
    QFETCH(HttpServer::Framing, framing);
    constexpr qint64 kSize = 200ll << 20;
    SmallDisk disk(tmp(u"small"_qs), 100);
    if (!disk.mounted())
        QSKIP("needs root and a tmpfs mount for a small disk");
    const platform::DiskSpace empty = disk.space();
    const qint64 reserve = platform::downloadReserve(empty.total);
    values_.QUMOHOZON = win(tmp(u"small"_qs)) + u'\\';
    server_->addStream(u"/big.mwx"_qs, kSize, framing);

    // What the disk looks like while the download runs (the windows are served meanwhile).
    qint64 leastFree = empty.available, mostWritten = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        leastFree = std::min(leastFree, disk.space().available);
        mostWritten = std::max(mostWritten, bytesBelow(tmp(u"small"_qs)));
    });
    watch.start(1);
    const bool ok = transfers()->CopyURL(server_->url(u"/big.mwx"_qs), into(tmp(u"small/big.mwx"_qs)));
    watch.stop();
    const platform::DiskSpace after = disk.space();
    qInfo("disk %lld bytes, reserve %lld; least free during %lld, most written %lld, free after %lld",
          empty.total, reserve, leastFree, mostWritten, after.available);

    QVERIFY(!ok);
    QCOMPARE(values_.DLFLG, 0);
    QCOMPARE(transfers()->downloads()->lastFailure(), DownloadFailure::NoRoom);
    QCOMPARE(notice_.get()->Label1->text(), downloadFailureText(DownloadFailure::NoRoom));
    QCOMPARE(notice_.get()->Label2->text(), u"big.mwx"_qs);
    QCOMPARE(beeps_, 1);
    QCOMPARE(filesBelow(tmp(u"small"_qs)), QStringList());
    QVERIFY2(leastFree >= reserve, qPrintable(QString::number(leastFree)));
    QCOMPARE(after.available, empty.available);
    if (framing == HttpServer::Framing::Length)
        QCOMPARE(mostWritten, 0); // never began
    else
        QVERIFY(mostWritten > empty.available / 2); // written on until the reserve was near
    // The shell's own small files still fit.
    QCOMPARE(platform::saveWholeFile(win(tmp(u"small/clip.txt"_qs)), "http://x/a.html", nullptr),
             platform::WriteFailure::None);
    QCOMPARE(readFile(tmp(u"small/clip.txt"_qs)), QByteArray("http://x/a.html"));
}

// What a program killed while writing leaves is removed by the next start; only names of
// its own temporary files, not held by a running writer, and never through a link.
void TestDownloads::leftoverTemporaryFilesRemoved() {
    const QString save = tmp(u"save"_qs);
    const QStringList leftovers{u"/.slow.mwx.0123abcd.part"_qs, u"/grp/.data.txt.89abcdef.part"_qs,
                                u"/grp/deeper/.x.0000ffff.part"_qs};
    const QStringList kept{u"/game.mwx"_qs,
                           u"/slow.mwx.0123abcd.part"_qs,   // no leading dot
                           u"/.slow.mwx.0123ABCD.part"_qs,  // capitals: not ours
                           u"/.slow.mwx.0123abc.part"_qs,   // seven digits
                           u"/.slow.mwx.0123abcd.part.bak"_qs,
                           u"/.0123abcd.part"_qs,           // no name
                           u"/grp/.d.0123abcd.part/inner.txt"_qs}; // a folder of that name
    for (const QString &f : leftovers + kept)
        writeFile(save + f, "x");
    writeFile(tmp(u"outside.txt"_qs), "not the save folder's");
    QVERIFY(QFile::link(tmp(u"outside.txt"_qs), save + u"/.l.0123abcd.part"_qs));
    // A file another run of the program is writing right now.
    platform::SaveFile live;
    QVERIFY(live.open(win(save + u"/live.mwx"_qs), nullptr));
    QStringList before = filesBelow(save);
    const QString liveTemp = [&] {
        for (const QString &f : before)
            if (f.startsWith(u".live.mwx."_qs))
                return f;
        return QString();
    }();
    QVERIFY(!liveTemp.isEmpty());

    QCOMPARE(platform::removeLeftoverTemporaryFiles(win(save) + u'\\'), int(leftovers.size()));
    QStringList expected;
    for (const QString &f : kept + QStringList{u"/.l.0123abcd.part"_qs, u'/' + liveTemp})
        expected.append(f.mid(1));
    expected.sort();
    QCOMPARE(filesBelow(save), expected);
    QCOMPARE(readFile(tmp(u"outside.txt"_qs)), QByteArray("not the save folder's"));
}

void TestDownloads::localCopy_data() {
    QTest::addColumn<QString>("source"); // relative to the temp folder
    QTest::addColumn<bool>("asUrl");     // a "file:" URL with "/" only goes through the reader
    QTest::addColumn<bool>("ok");
    QTest::newRow("local path copied") << u"kyozai/w1.mwx"_qs << false << true;
    QTest::newRow("missing source") << u"kyozai/none.mwx"_qs << false << false;
    QTest::newRow("file url read") << u"kyozai/w1.mwx"_qs << true << true;
    QTest::newRow("file url of a missing file") << u"kyozai/none.mwx"_qs << true << false;
}

void TestDownloads::localCopy() {
    QFETCH(QString, source);
    QFETCH(bool, asUrl);
    QFETCH(bool, ok);
    writeFile(tmp(u"kyozai/w1.mwx"_qs), "work one");
    const QString target = tmp(u"save/new/w1.mwx"_qs);
    const QString from =
        asUrl ? u"file:///"_qs + win(tmp(source)).replace(u'\\', u'/') : win(tmp(source));
    QCOMPARE(transfers()->CopyURL(from, into(target)), ok);
    QCOMPARE(values_.DLFLG, ok ? 1 : 0);
    QCOMPARE(notices_.shows, 1);
    QCOMPARE(QFileInfo::exists(target), ok);
    if (ok)
        QCOMPARE(readFile(target), QByteArray("work one"));
}

void TestDownloads::ffcopyReadOnlySource() {
    const QString from = tmp(u"dvd/w.mwx"_qs);
    writeFile(from, "from the disc");
    QVERIFY(platform::setReadOnly(win(from), true));
    const QString to = tmp(u"save/w.mwx"_qs);
    QVERIFY(transfers()->FFCOPY(win(from), into(to)));
    QCOMPARE(readFile(to), QByteArray("from the disc"));
    QVERIFY(!platform::isReadOnly(win(to)));
    QVERIFY(platform::isReadOnly(win(from)));
    // Never overwrites: a changed copy stays as the pupil left it.
    writeFile(to, "changed by the pupil");
    QVERIFY(transfers()->FFCOPY(win(from), into(to)));
    QCOMPARE(readFile(to), QByteArray("changed by the pupil"));
    QVERIFY(!transfers()->FFCOPY(win(tmp(u"dvd/none.mwx"_qs)), into(tmp(u"save/none.mwx"_qs))));
}

// ---- install lists ----

void TestDownloads::installLists_data() {
    QTest::addColumn<bool>("web");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("installed"); // below MWEX

    const QString hostile = u"..\\..\\evil.txt#Pictures&"
                            "a.gif#..\\..\\..&"
                            "a.gif#Z:\\tmp&"
                            "a.gif#\\\\server\\share&"
                            "a.gif#\\abs&"
                            "a.gif#/abs&"
                            "a.gif#Pictures\\..\\..&"
                            "b.wav#Sounds&"_qs;
    for (const bool web : {true, false}) {
        const char *p = web ? "web: " : "local: ";
        QTest::newRow(QByteArray(p).append("one record").constData())
            << web << u"a.gif#Pictures&"_qs << QStringList{u"Pictures/a.gif"_qs};
        QTest::newRow(QByteArray(p).append("several records").constData())
            << web << u"a.gif#Pictures&b.wav#Sounds\\Extra&"_qs
            << QStringList{u"Pictures/a.gif"_qs, u"Sounds/Extra/b.wav"_qs};
        // The line break becomes part of the second file name, which names no file.
        QTest::newRow(QByteArray(p).append("several lines").constData())
            << web << u"a.gif#Pictures&\r\nb.wav#Sounds&"_qs << QStringList{u"Pictures/a.gif"_qs};
        QTest::newRow(QByteArray(p).append("folder missing").constData())
            << web << u"a.gif#NewFolder\\Deep&b.wav#Sounds&"_qs
            << (web ? QStringList{u"NewFolder/Deep/a.gif"_qs, u"Sounds/b.wav"_qs}
                    : QStringList{u"Sounds/b.wav"_qs});
        QTest::newRow(QByteArray(p).append("hostile names skipped, the rest goes on").constData())
            << web << hostile << QStringList{u"Sounds/b.wav"_qs};
    }
}

void TestDownloads::installLists() {
    QFETCH(bool, web);
    QFETCH(QString, list);
    QFETCH(QStringList, installed);
    // The temp tree: MWEX with two existing sub-folders (one file in it), the list's own
    // folder with the files it names, and a place a hostile list might aim at.
    QDir().mkpath(tmp(u"MWEX/Pictures"_qs));
    QDir().mkpath(tmp(u"MWEX/Sounds/Extra"_qs));
    writeFile(tmp(u"MWEX/mwex.exe"_qs), "program");
    writeFile(tmp(u"tmp/keep"_qs), "k");
    const QByteArray gif = "GIF89a....", wav = "RIFF....WAVE";
    writeFile(tmp(u"site/set/a.gif"_qs), gif);
    writeFile(tmp(u"site/set/b.wav"_qs), wav);
    writeFile(tmp(u"site/set/evil.txt"_qs), "evil");
    writeFile(tmp(u"site/evil.txt"_qs), "evil");
    writeFile(tmp(u"evil.txt"_qs), "evil");
    for (const QString &name : {u"a.gif"_qs, u"b.wav"_qs, u"evil.txt"_qs})
        server_->addFile(u"/set/"_qs + name, readFile(tmp(u"site/set/"_qs + name)));
    server_->addFile(u"/evil.txt"_qs, "evil");
    const QStringList before = filesBelow(dir_->path());
    // Z:\tmp is the host's /tmp: point MWEXEDIR's drive rows at our own temp tree instead.
    values_.MWEXEDIR = win(tmp(u"MWEX"_qs));

    if (web)
        transfers()->MWEXDL(server_->url(u"/set/list.css"_qs), list);
    else
        transfers()->MWEXCOPY(win(tmp(u"site/set/list.css"_qs)), list);

    QStringList expected = before;
    for (const QString &f : installed)
        expected.append(u"MWEX/"_qs + f);
    expected.sort();
    QCOMPARE(filesBelow(dir_->path()), expected);
    for (const QString &f : installed)
        QCOMPARE(readFile(tmp(u"MWEX/"_qs + f)), f.endsWith(u".gif"_qs) ? gif : wav);
    QVERIFY(!QFileInfo::exists(u"/tmp/a.gif"_qs) ||
            QFileInfo(u"/tmp/a.gif"_qs).lastModified() < QDateTime::currentDateTime().addSecs(-60));
    QVERIFY(!QFileInfo::exists(u"/abs/a.gif"_qs));
}

QUMO_TEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
