// Trusted origins: of programs fetched from the web, and of pages that give link commands.
#include "browser/core/linkcommand.h"
#include "browser/core/origin.h"
#include "support/coresupport.h"

#include <QtTest>

class TestOrigin : public QObject {
    Q_OBJECT
private slots:
    void programOrigin_data();
    void programOrigin();
    void commandGate_data();
    void commandGate();
};

void TestOrigin::programOrigin_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("home");
    QTest::addColumn<bool>("trusted");
    const QString site = u"http:/"_qs + QLatin1String(linkcmd::kMaterialSiteHostPath);
    const QString host = site.mid(7).chopped(1);
    QTest::newRow("material site") << site + u"logo1/t.exe"_qs << u"about:blank"_qs << true;
    QTest::newRow("material site over https, in capitals")
        << u"https://"_qs + host.toUpper() + u"/logo1/t.exe"_qs << u"about:blank"_qs << true;
    QTest::newRow("home page's host") << u"http://school.example/p/t.exe"_qs
                                      << u"http://school.example/top/index.html"_qs << true;
    QTest::newRow("home page's host, another port") << u"http://school.example:8080/t.exe"_qs
                                                    << u"http://school.example/"_qs << true;
    QTest::newRow("home page written without scheme")
        << u"http://school.example/t.exe"_qs << u"school.example/index.html"_qs << true;
    QTest::newRow("local program") << u"Z:\\k\\t.exe"_qs << u"about:blank"_qs << true;
    QTest::newRow("file url") << u"file:///Z:/k/t.exe"_qs << u"about:blank"_qs << true;
    QTest::newRow("another host") << u"http://evil.example/t.exe"_qs
                                  << u"http://school.example/"_qs << false;
    QTest::newRow("site's name in the path")
        << u"http://evil.example/"_qs + host + u"/logo1/t.exe"_qs << u"about:blank"_qs << false;
    QTest::newRow("site's name as a user name")
        << u"http://"_qs + host + u"@evil.example/t.exe"_qs << u"about:blank"_qs << false;
    QTest::newRow("site's name as a sub-domain")
        << u"http://"_qs + host + u".evil.example/t.exe"_qs << u"about:blank"_qs << false;
    QTest::newRow("site's name as a suffix")
        << u"http://x"_qs + host + u"/t.exe"_qs << u"about:blank"_qs << false;
    QTest::newRow("home's host as a sub-domain") << u"http://school.example.evil.example/t.exe"_qs
                                                 << u"http://school.example/"_qs << false;
    QTest::newRow("local home page trusts no web host")
        << u"http://127.0.0.1/t.exe"_qs << u"file://Z:\\k\\index.html"_qs << false;
    QTest::newRow("blank home page trusts no web host")
        << u"http://127.0.0.1/t.exe"_qs << u"about:blank"_qs << false;
    QTest::newRow("no host") << u"http:///t.exe"_qs << u"about:blank"_qs << false;
}

void TestOrigin::programOrigin() {
    QFETCH(QString, url);
    QFETCH(QString, home);
    QTEST(origin::trustedProgramSource(url, {home}), "trusted");
}

// Who may give a command: the page's kind (from its address and the home page), the
// pupil's input (how long ago, on which document) and whether the URL is a command at all.
void TestOrigin::commandGate_data() {
    QTest::addColumn<QString>("page");    // the page shown; "shell" for the shell itself
    QTest::addColumn<qint64>("inputAgo"); // ms since the pupil's input; -1: none yet
    QTest::addColumn<bool>("sameDocument");
    QTest::addColumn<bool>("command");
    QTest::addColumn<bool>("acts");
    const QString site = u"http:/"_qs + QLatin1String(linkcmd::kMaterialSiteHostPath);
    const QString other = u"http://127.0.0.2:8080/p.html"_qs;
    QTest::newRow("shell") << u"shell"_qs << -1LL << true << true << true;
    QTest::newRow("local page") << u"file:///Z:/k/index.html"_qs << -1LL << true << true << true;
    QTest::newRow("material site") << site + u"logo1/a.html"_qs << -1LL << true << true << true;
    QTest::newRow("home page's host, another port")
        << u"http://127.0.0.1:9999/x.html"_qs << -1LL << true << true << true;
    QTest::newRow("other host, no input") << other << -1LL << true << true << false;
    QTest::newRow("other host, input just now") << other << 0LL << true << true << true;
    QTest::newRow("other host, input a second ago") << other << 1000LL << true << true << true;
    QTest::newRow("other host, input just over a second ago")
        << other << 1001LL << true << true << false;
    QTest::newRow("other host, input on the page before") << other << 10LL << false << true << false;
    QTest::newRow("other host, an ordinary page") << other << -1LL << true << false << true;
    QTest::newRow("other host with a backslash in its query")
        << u"http://127.0.0.2/p.html?a=\\x"_qs << -1LL << true << true << false;
    QTest::newRow("home host's name in the path")
        << u"http://127.0.0.2/127.0.0.1/p.html"_qs << -1LL << true << true << false;
    QTest::newRow("blank page") << u"about:blank"_qs << -1LL << true << true << false;
    QTest::newRow("data page") << u"data:text/html,x"_qs << -1LL << true << true << false;
    QTest::newRow("no page yet") << QString() << -1LL << true << true << false;
}

void TestOrigin::commandGate() {
    QFETCH(QString, page);
    QFETCH(qint64, inputAgo);
    QFETCH(bool, sameDocument);
    QFETCH(bool, command);
    const QStringList homes{u"http://127.0.0.1/index.html"_qs, u"about:blank"_qs};
    origin::Asking asking;
    if (page != u"shell"_qs)
        asking.asker = origin::askerOf(page, homes);
    const qint64 now = 50000;
    const origin::PupilInput input{inputAgo < 0 ? -1 : now - inputAgo, 7};
    if (page != u"shell"_qs)
        asking.pupilInput = input.counts(now, sameDocument ? 7 : 8);
    QTEST(origin::commandMayAct(asking, command), "acts");
}

QUMO_CORE_TEST_MAIN(TestOrigin)
#include "tst_origin.moc"
