// Trusted origins of programs fetched from the web.
#include "browser/linkcommand.h"
#include "browser/origin.h"
#include "support/coresupport.h"

#include <QtTest>

class TestOrigin : public QObject {
    Q_OBJECT
private slots:
    void programOrigin_data();
    void programOrigin();
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

QUMO_CORE_TEST_MAIN(TestOrigin)
#include "tst_origin.moc"
