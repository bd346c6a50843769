// A browser view whose render process dies: loaded again once, then a notice with a button.
#include "app/program.h"
#include "browser/crashrecovery.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace testsupport;

class TestCrashRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void deathReloadsOnceThenOffersAButton();
    void deathsFarApartReloadEachTime();
    void mainWindowViewIsWatched();

private:
    // Kills the view's render process (a child of this test) and waits for the page to
    // notice.
    void killRenderer();

    std::unique_ptr<QWebEngineView> view_;
    CrashRecovery *recovery_ = nullptr;
    std::unique_ptr<QSignalSpy> loads_, deaths_;
};

void TestCrashRecovery::init() {
    view_ = std::make_unique<QWebEngineView>();
    view_->resize(400, 300);
    recovery_ = new CrashRecovery(view_.get());
    // "Soon" is wide enough for a slow machine; the rule, not the clock, is under test.
    recovery_->setAgainWithinMs(10 * 60 * 1000);
    loads_ = std::make_unique<QSignalSpy>(view_->page(), &QWebEnginePage::loadFinished);
    deaths_ = std::make_unique<QSignalSpy>(view_->page(), &QWebEnginePage::renderProcessTerminated);
    view_->show();
    view_->setHtml(QStringLiteral("<html><body><p id='p'>lesson</p></body></html>"));
    QTRY_VERIFY_WITH_TIMEOUT(loads_->size() == 1 && view_->page()->renderProcessPid() > 0, 30000);
}

void TestCrashRecovery::cleanup() {
    loads_.reset();
    deaths_.reset();
    view_.reset();
}

void TestCrashRecovery::killRenderer() {
    const qint64 pid = view_->page()->renderProcessPid();
    QVERIFY(pid > 0);
    const qsizetype before = deaths_->size();
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(deaths_->size() > before, 30000);
    QVERIFY(deaths_->last().at(0).value<QWebEnginePage::RenderProcessTerminationStatus>() !=
            QWebEnginePage::NormalTerminationStatus);
}

void TestCrashRecovery::deathReloadsOnceThenOffersAButton() {
    QWidget *notice = recovery_->notice();
    QVERIFY(notice && !notice->isVisible());

    // The first death: the page comes back by itself, in a new render process.
    killRenderer();
    QTRY_VERIFY_WITH_TIMEOUT(loads_->size() >= 2 && loads_->last().at(0).toBool(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(view_->page()->renderProcessPid() > 0, 30000);
    QVERIFY(!notice->isVisible());

    // Dead again soon after: no endless reloading, a short notice and a button instead.
    const qsizetype loadsBefore = loads_->size();
    killRenderer();
    QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 30000);
    QCOMPARE(notice->geometry(), view_->rect());
    auto *text = notice->findChild<QLabel *>(QStringLiteral("crashNoticeText"));
    QVERIFY(text);
    QCOMPARE(text->text(), CrashRecovery::NoticeText);
    auto *button = notice->findChild<QPushButton *>(QStringLiteral("crashNoticeReload"));
    QVERIFY(button && button->isVisible());
    QCOMPARE(button->text(), CrashRecovery::ReloadText);

    // The button brings the page back and the notice goes.
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(loads_->size() > loadsBefore && loads_->last().at(0).toBool(), 30000);
    QVERIFY(!notice->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(view_->page()->renderProcessPid() > 0, 30000);
    QString body;
    view_->page()->runJavaScript(QStringLiteral("document.getElementById('p').textContent"),
                                 [&body](const QVariant &v) { body = v.toString(); });
    QTRY_COMPARE_WITH_TIMEOUT(body, QStringLiteral("lesson"), 30000);

    // After the button the next death is again met by a reload.
    const qsizetype loadsThen = loads_->size();
    killRenderer();
    QTRY_VERIFY_WITH_TIMEOUT(loads_->size() > loadsThen && loads_->last().at(0).toBool(), 30000);
    QVERIFY(!notice->isVisible());
}

// A page that dies now and then, not soon after its reload, is simply loaded again.
void TestCrashRecovery::deathsFarApartReloadEachTime() {
    recovery_->setAgainWithinMs(0);
    for (int death = 0; death < 2; ++death) {
        const qsizetype loadsBefore = loads_->size();
        killRenderer();
        QTRY_VERIFY_WITH_TIMEOUT(loads_->size() > loadsBefore && loads_->last().at(0).toBool(),
                                 30000);
        QTRY_VERIFY_WITH_TIMEOUT(view_->page()->renderProcessPid() > 0, 30000);
        QVERIFY(!recovery_->notice()->isVisible());
    }
}

// The main window's view is the one watched.
void TestCrashRecovery::mainWindowViewIsWatched() {
    RecordingPlatform platform;
    QumoProgram program(platform, win(QDir::tempPath() + QStringLiteral("/none/QUMOG.x86_64")));
    auto *recovery =
        program.main()->WebBrowser1->findChild<CrashRecovery *>(QStringLiteral("crashRecovery"));
    QVERIFY(recovery);
    QVERIFY(recovery->notice()->parentWidget() == program.main()->WebBrowser1);
}

QUMO_TEST_MAIN(TestCrashRecovery)
#include "tst_crashrecovery.moc"
