// From the board to the capture window on the real (virtual) screen.
#include "app/program.h"
#include "board/Unit14.h"
#include "board/Unit25.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace testsupport;

class TestCaptureFlow : public QObject {
    Q_OBJECT
private slots:
    void delays_data();
    void delays();
    void frozenPictureHoldsNeitherBoardNorCaptureWindow();
};

void TestCaptureFlow::delays_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("ms");
    QTest::newRow("at once") << u"N14"_qs << 800;
    QTest::newRow("5 s") << u"N51"_qs << 5000;
    QTest::newRow("15 s") << u"N101"_qs << 15000;
    QTest::newRow("30 s") << u"N301"_qs << 30000;
}

void TestCaptureFlow::delays() {
    QFETCH(QString, item);
    QFETCH(int, ms);
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    TForm25 *board = program.forms.Form25;
    QCOMPARE(board->PopupMenu4->actions().size(), 4);
    auto *action = board->findChild<QAction *>(item);
    QVERIFY(action);
    QVERIFY(!action->icon().isNull());
    action->trigger();
    QVERIFY(board->Timer1->isActive());
    QCOMPARE(board->Timer1->interval(), ms);
    QVERIFY(board->geometry().right() < 0); // out of sight
    board->Timer1->stop();
}

void TestCaptureFlow::frozenPictureHoldsNeitherBoardNorCaptureWindow() {
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Another program's window, in green, where the board and the capture window would be.
    QWidget other;
    other.setWindowFlags(Qt::FramelessWindowHint);
    other.setStyleSheet(u"background: rgb(0, 200, 0)"_qs);
    other.setGeometry(0, 0, screen.width(), screen.height());
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QCursor::setPos(200, 200); // the pointer over the picture

    TForm25 *board = program.forms.Form25;
    TForm14 *capture = program.forms.Form14;
    QImage frozen;
    bool captureShown = false;
    // Inside the board: choose "キャプチャー", let the timer fire, then look at the capture
    // window and leave it with the right button.
    QTimer::singleShot(0, board, [&] {
        QTRY_VERIFY(board->isVisible());
        board->N14->trigger();
        QTimer::singleShot(0, capture, [&] {
            QTRY_VERIFY(capture->isVisible());
            captureShown = true;
            frozen = capture->picture();
            capture->Image1MouseDown(Qt::RightButton, 10, 10);
        });
        QVERIFY(QMetaObject::invokeMethod(board->Timer1, "timeout")); // the 0.8 s delay, driven
    });
    program.main()->Timer1Timer(); // freezes the screen and opens the board modally
    QVERIFY(captureShown);
    QVERIFY(!board->isVisible());
    QVERIFY(!capture->isVisible());
    QCOMPARE(frozen.size(), screen.size());
    // Every pixel is the other window's green: no board, no capture window, no pointer.
    const QImage rgb = frozen.convertToFormat(QImage::Format_RGB888);
    int foreign = 0;
    for (int y = 0; y < rgb.height(); y += 3)
        for (int x = 0; x < rgb.width(); x += 3)
            if (rgb.pixelColor(x, y) != QColor(0, 200, 0))
                ++foreign;
    QCOMPARE(foreign, 0);
    // The right button kept the whole screen on the clipboard.
    QCOMPARE(QApplication::clipboard()->image().size(), screen.size());
    QVERIFY(platform.beeps.count(platform::BeepAsterisk) >= 2);
}

QUMO_TEST_MAIN(TestCaptureFlow)
#include "tst_captureflow.moc"
