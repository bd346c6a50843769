// The program entry: seven windows, and errors escaping event handlers.
#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/errors.h"
#include "app/program.h"
#include "board/Unit14.h"
#include "board/Unit16.h"
#include "board/Unit25.h"
#include "folders/Unit4.h"
#include "support/testsupport.h"

#include <QPushButton>
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
