// Link commands end to end: a teaching page made by the test in a real browser view, links
// clicked in it, downloads from a loopback HTTP server, the stand-in Logo program started
// for real, files checked in temp folders.
#include "linkfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

using namespace testsupport;
using namespace linktest;

class TestLinkEnd2End : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void localWorkOpensWhereItLies();
    void failedDocumentDownloadShowsTheServersAnswer();

private:
    // Writes a teaching page with one link per id and shows it.
    void showLinks(const QList<QPair<QString, QString>>& links);
    QString tmp(const QString& rel) const { return room_->tmp(rel); }

    std::unique_ptr<Classroom> room_;
    std::unique_ptr<HttpServer> http_;
};

void TestLinkEnd2End::init() {
    room_ = std::make_unique<Classroom>();
    room_->platform.realPrograms = true;
    QVERIFY2(room_->start(), qPrintable(room_->platform.errors.join(u'\n')));
    http_ = std::make_unique<HttpServer>();
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

QUMO_TEST_MAIN(TestLinkEnd2End)
#include "tst_linkend2end.moc"
