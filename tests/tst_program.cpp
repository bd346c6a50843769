// The program entry: seven windows, its name and version, and errors escaping event handlers.
#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/core/errors.h"
#include "app/program.h"
#include "board/Unit14.h"
#include "board/Unit16.h"
#include "board/Unit25.h"
#include "folders/Unit4.h"
#include "platform/internet.h"
#include "support/testsupport.h"

#include <QFile>
#include <QPushButton>
#include <QWebEngineProfile>
#include <QTimer>
#include <QtTest>

using namespace testsupport;

namespace {
RecordingPlatform *gPlatform = nullptr;
}

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void createsSevenHiddenWindows();
    void namesItselfOnTheWeb();
    void errorInHandlerIsShownAndProgramGoesOn();
    void standardExceptionIsShownToo();
};

void TestProgram::createsSevenHiddenWindows() {
    QumoProgram p(*gPlatform, win(u"/tmp/none/QUMOG.x86_64"_qs));
    const QList<QWidget *> windows{p.forms.Form1, p.forms.Form25, p.forms.Form14, p.forms.Form16,
                                   p.forms.Form2, p.forms.Form4,  p.forms.Form5};
    for (QWidget *w : windows) {
        QVERIFY(w);
        QVERIFY(w->isWindow());
        QVERIFY(!w->isVisible());
    }
    QCOMPARE(p.main()->forms(), &p.forms);
    QCOMPARE(p.main()->windowTitle(), u"QUMO"_qs);
}

// Web requests, the downloads' and the browser view's, carry the program's name and the
// version of its packages.
void TestProgram::namesItselfOnTheWeb() {
    QFile changelog(QStringLiteral(QUMO_SOURCE_DIR "/packaging/changelog"));
    QVERIFY(changelog.open(QIODevice::ReadOnly));
    const QByteArray top = changelog.readLine(); // "qumo-shell (1.0.0) bookworm; ..."
    const QString version = QString::fromUtf8(top.mid(top.indexOf('(') + 1,
                                                      top.indexOf(')') - top.indexOf('(') - 1));
    QVERIFY(!version.isEmpty());
    QCOMPARE(platform::programAgent(), u"QUMO/"_qs + version);
    QumoProgram p(*gPlatform, win(u"/tmp/none/QUMOG.x86_64"_qs));
    const QString agent = QWebEngineProfile::defaultProfile()->httpUserAgent();
    QVERIFY2(agent.endsWith(u" QUMO/"_qs + version), qPrintable(agent));
    QVERIFY2(agent.startsWith(u"Mozilla/"_qs), qPrintable(agent)); // the engine's own first
}

void TestProgram::errorInHandlerIsShownAndProgramGoesOn() {
    gPlatform->errors.clear();
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     [] { throw QumoError(u"ファイル x を開けません。"_qs); });
    bool laterHandlerRan = false;
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton); // the press reaches a handler that throws
    QTimer::singleShot(0, [&] { laterHandlerRan = true; });
    QTRY_VERIFY(laterHandlerRan);
    QCOMPARE(gPlatform->errors, QStringList{u"ファイル x を開けません。"_qs});
}

void TestProgram::standardExceptionIsShownToo() {
    gPlatform->errors.clear();
    QTimer::singleShot(0, [] { throw std::runtime_error("out of range"); });
    QTRY_COMPARE(gPlatform->errors.size(), 1);
    QCOMPARE(gPlatform->errors.first(), u"out of range"_qs);
}

int main(int argc, char **argv) {
    prepareTestProcess();
    RecordingPlatform platform;
    gPlatform = &platform;
    QumoApplication app(argc, argv, platform);
    TestProgram tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_program.moc"
