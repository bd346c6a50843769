// From the board to the capture window on the real (virtual) screen.
#include "app/MAIN.h"
#include "app/program.h"
#include "board/Unit14.h"
#include "board/geometry.h"
#include "board/Unit25.h"
#include "board/countdown.h"
#include "app/Unit2.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "support/patternwindow.h"
#include "support/x11probe.h"

using namespace testsupport;

class TestCaptureFlow : public QObject {
    Q_OBJECT
private slots:
    void delays_data();
    void delays();
    void delaysNeverEarly();
    void frozenPictureHoldsNeitherBoardNorCaptureWindow();
    void realPointerUnderAnyDesktop_data();
    void realPointerUnderAnyDesktop();
    void countdownInACornerGoneBeforeTheGrab();
};

namespace {
// Leaves the capture window with the right button once it shows, however long the grab
// before it takes (a check made too early would leave it open with nobody to close it);
// `seen` is called with its picture first.
void closeCaptureWhenShown(QTimer &closer, TForm14 *capture,
                           const std::function<void(const QImage &)> &seen) {
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, capture, [&closer, capture, seen] {
        if (!capture->isVisible())
            return;
        closer.stop();
        seen(capture->picture());
        capture->Image1MouseDown(Qt::RightButton, 10, 10);
    });
    closer.start();
}
const QColor kOther(0, 200, 0);

// Another program's window, in one colour, over the whole screen.
class OtherProgram : public QWidget {
public:
    OtherProgram() {
        setWindowFlags(Qt::FramelessWindowHint);
        setStyleSheet(u"background: rgb(0, 200, 0)"_qs);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
        show();
    }
};

// Pixels of `picture` (every third in both directions) that are not the other window's.
int foreignPixels(const QImage &picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    int foreign = 0;
    for (int y = 0; y < rgb.height(); y += 3)
        for (int x = 0; x < rgb.width(); x += 3)
            if (rgb.pixelColor(x, y) != kOther)
                ++foreign;
    return foreign;
}
} // namespace

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

// Watches a timer's own timer events: when the first one arrives after its start, measured
// on the monotonic clock. The event is swallowed, so the delay's action does not run.
class FirstTick : public QObject {
public:
    explicit FirstTick(QTimer *t) : timer_(t) { t->installEventFilter(this); }
    void started() { clock_.start(); ms_ = -1; }
    qint64 ms() const { return ms_; }

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (o != timer_ || e->type() != QEvent::Timer ||
            static_cast<QTimerEvent *>(e)->timerId() != timer_->timerId())
            return false;
        if (ms_ < 0)
            ms_ = clock_.nsecsElapsed() / 1000000; // whole milliseconds, rounded down
        timer_->stop();
        return true;
    }

private:
    QTimer *timer_;
    QElapsedTimer clock_;
    qint64 ms_ = -1;
};

// Every delay the pupil sees ends at its time or after it, never before: the capture delay,
// the board's hover delay, the delayed close and the notice's 2.5 s. A timer that rounds
// its deadline to a coarse boundary of the monotonic clock's second (as Qt's coarse timers
// do, by up to 5 % of the delay) is early or late depending on where in that second it
// starts: every delay here is a multiple of 0.5 s, and one started between 0.13 s and
// 0.24 s past the second would be rounded down by its whole 5 % (50 ms of the 1 s delay),
// the 5 s one by 130 ms or more. So each is started at such a moment, and one real round
// proves them all. Lateness is the machine's; only earliness is a fault.
void TestCaptureFlow::delaysNeverEarly() {
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    TForm1 *main = program.main();
    TForm25 *board = program.forms.Form25;
    TForm2 *notice = program.forms.Form2;
    struct Delay {
        const char *name;
        QTimer *timer;
        int ms;
        std::function<void()> start;
    };
    const std::vector<Delay> delays{
        {"capture after 5 s", board->Timer1, 5000,
         [&] { board->findChild<QAction *>(u"N51"_qs)->trigger(); }},
        {"board opens on hover", main->Timer1, 1000, [&] { main->SpeedButton8MouseEnter(); }},
        {"delayed close", main->Timer2, 1500, [&] { main->OWARI(); }},
        {"notice shown", notice->Timer1, 2500, [&] { notice->showOver(main); }},
    };
    std::vector<std::unique_ptr<FirstTick>> ticks;
    for (const Delay &d : delays)
        ticks.push_back(std::make_unique<FirstTick>(d.timer));
    const auto stopAll = [&] {
        for (const Delay &d : delays)
            d.timer->stop();
        if (auto *countdown = board->findChild<board::CaptureCountdown *>(u"captureCountdown"_qs))
            countdown->stop();
        notice->Timer1Timer(); // gives the pointer back and hides the notice
    };

    // Where in the monotonic clock's second (the clock the timers run on) a start falls.
    const auto now = [] {
        QElapsedTimer clock;
        clock.start();
        return clock.msecsSinceReference();
    };
    const auto phase = [&] { return int(now() % 1000); };
    constexpr int kFrom = 130, kTo = 240; // the moments a coarse timer would be early
    // Between the clock's start and the timer's: what is left of the smallest earliness
    // (50 ms of the 1 s delay) must still show.
    constexpr int kStartSlackMs = 20;
    bool startedInTime = false;
    QString missed;
    for (int attempt = 0; attempt < 30 && !startedInTime; ++attempt) {
        // Closer to the window's start than its end: a loaded machine may wake late.
        QVERIFY(waitFor([&] { return phase() >= kFrom && phase() < kFrom + 30; }, 2000));
        startedInTime = true;
        for (size_t i = 0; i < delays.size() && startedInTime; ++i) {
            const qint64 before = now();
            ticks[i]->started();
            delays[i].start();
            const qint64 after = now();
            if (before % 1000 < kFrom || after - before > kStartSlackMs ||
                after % 1000 >= kTo || after % 1000 < kFrom) {
                // Not started at such a moment: this round proves nothing, so try again.
                startedInTime = false;
                missed = u"%1 started at %2 ms of its second and took %3 ms"_qs
                             .arg(QLatin1String(delays[i].name))
                             .arg(before % 1000)
                             .arg(after - before);
                stopAll();
            }
        }
    }
    QVERIFY2(startedInTime, qPrintable(missed));
    for (size_t i = 0; i < delays.size(); ++i) {
        QTRY_VERIFY_WITH_TIMEOUT(ticks[i]->ms() >= 0, delays[i].ms + 30000);
        QVERIFY2(ticks[i]->ms() >= delays[i].ms,
                 qPrintable(u"%1: %2 ms of %3 ms"_qs.arg(QLatin1String(delays[i].name))
                                .arg(ticks[i]->ms())
                                .arg(delays[i].ms)));
        qInfo("%s: first tick after %lld ms", delays[i].name, ticks[i]->ms());
    }
    stopAll();
}

void TestCaptureFlow::frozenPictureHoldsNeitherBoardNorCaptureWindow() {
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Another program's window, in green, where the board and the capture window would be.
    QWidget other;
    other.setWindowFlags(Qt::FramelessWindowHint);
    other.setStyleSheet(u"background: rgb(0, 200, 0)"_qs);
    other.setGeometry(screen); // the primary screen, wherever it lies
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
        QTimer closer;
        closeCaptureWhenShown(closer, capture, [&](const QImage &picture) {
            captureShown = true;
            frozen = picture;
        });
        QVERIFY(QMetaObject::invokeMethod(board->Timer1, "timeout")); // the 0.8 s delay, driven
    });
    program.main()->Timer1Timer(); // freezes the screen and opens the board modally
    QVERIFY(captureShown);
    QVERIFY(!board->isVisible());
    QVERIFY(!capture->isVisible());
    QCOMPARE(frozen.size(), board::screenRect().size()); // physical pixels
    // Every pixel is the other window's green: no board, no capture window, no pointer.
    const QImage rgb = frozen.convertToFormat(QImage::Format_RGB888);
    int foreign = 0;
    for (int y = 0; y < rgb.height(); y += 3)
        for (int x = 0; x < rgb.width(); x += 3)
            if (rgb.pixelColor(x, y) != QColor(0, 200, 0))
                ++foreign;
    QCOMPARE(foreign, 0);
    // The right button kept the whole screen on the clipboard.
    QCOMPARE(QApplication::clipboard()->image().size(), board::screenRect().size());
    QVERIFY(platform.beeps.count(platform::BeepAsterisk) >= 2);
}

void TestCaptureFlow::realPointerUnderAnyDesktop_data() {
    QTest::addColumn<QStringList>("pointer");
    QTest::addColumn<QSize>("selection"); // empty: closed by the right button
    QTest::newRow("drag, readout, save, notice")
        << QStringList{u"mousemove"_qs, u"100"_qs, u"100"_qs, u"mousedown"_qs, u"1"_qs,
                       u"mousemove"_qs, u"180"_qs, u"150"_qs, u"mousemove"_qs, u"260"_qs,
                       u"190"_qs, u"mouseup"_qs, u"1"_qs}
        << QSize(160, 90);
    QTest::newRow("right press closes")
        << QStringList{u"mousemove"_qs, u"60"_qs, u"60"_qs, u"click"_qs, u"3"_qs} << QSize();
}

void TestCaptureFlow::realPointerUnderAnyDesktop() {
    // The pointer of the X server, not events handed to the widgets: what a window manager
    // does with the windows decides where they go.
    QFETCH(QStringList, pointer);
    QFETCH(QSize, selection);
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_qs);
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed");
    QTemporaryDir dir;
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    program.values.QUMOHOZON = win(dir.path()) + u'\\';
    PatternWindow other;
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    // The primary monitor's physical pixels, read from the X server before the board opens;
    // the pointer moves in them, from the monitor's corner wherever it lies.
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    const QRect monitor = probe.primaryMonitor();
    QImage before;
    QTRY_VERIFY_WITH_TIMEOUT((before = probe.grab(monitor)).pixel(1, 0) == 0xFF000000u + (PatternWindow::at(1, 0) & 0xFFFFFF), 10000);
    for (int i = 1; i + 1 < pointer.size(); ++i)
        if (pointer[i - 1] == u"mousemove"_qs) {
            pointer[i] = QString::number(pointer[i].toInt() + monitor.x());
            pointer[i + 1] = QString::number(pointer[i + 1].toInt() + monitor.y());
        }
    TForm25 *board = program.forms.Form25;
    TForm14 *capture = program.forms.Form14;
    // A lossless file, so that its pixels can be compared.
    const QString target = dir.filePath(u"shot.bmp"_qs);

    QProcess pointerRun;
    bool started = false, answered = false;
    QImage frozen;
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
        if (board->isVisible() && !board->Timer1->isActive() && !started && !capture->isVisible())
            board->N14->trigger(); // the real 0.8 s timer then fires
        if (capture->isVisible() && !started && capture->windowHandle() &&
            capture->windowHandle()->isExposed()) {
            started = true;
            frozen = capture->picture();
            pointerRun.start(xdotool, pointer);
        }
        QFileDialog *d = capture->SavePictureDialog1;
        // Given again until it closes: a dialog still settling may not take it.
        if (d && d->isVisible()) {
            answered = true;
            d->findChild<QLineEdit *>(u"fileNameEdit"_qs)->setText(target);
            static_cast<QDialog *>(d)->accept();
        }
    });
    driver.start(50);
    program.main()->Timer1Timer(); // opens the board; returns when it has closed
    driver.stop();
    pointerRun.waitForFinished(20000);
    QVERIFY(started);
    QCOMPARE(pointerRun.exitCode(), 0);
    QVERIFY(!board->isVisible());
    QVERIFY(!capture->isVisible());
    // The frozen picture is the screen as it was, pixel for pixel.
    QCOMPARE(differingPixels(frozen, before), 0);

    if (selection.isEmpty()) {
        QVERIFY(!answered);
        QCOMPARE(QApplication::clipboard()->image().size(), board::screenRect().size());
        return;
    }
    QVERIFY(answered);
    QCOMPARE(capture->Panel2->text(), QString::number(selection.width()));
    QCOMPARE(capture->Panel3->text(), QString::number(selection.height()));
    QCOMPARE(capture->Panel1->property("readoutBlue").toBool(), true);
    // Exactly the physical pixels under the dragged rectangle, in the file and on the
    // clipboard.
    const QImage under = before.copy(QRect(QPoint(100, 100), selection));
    QImage saved(target);
    qInfo("capture of a %dx%d drag: file %dx%d, %d pixels differing from the root grab; "
          "clipboard %d differing",
          selection.width(), selection.height(), saved.width(), saved.height(),
          differingPixels(saved, under), differingPixels(QApplication::clipboard()->image(), under));
    QCOMPARE(saved.size(), selection);
    QCOMPARE(differingPixels(saved, under), 0);
    QCOMPARE(differingPixels(QApplication::clipboard()->image(), under), 0);
    // The capture ends with a notice that names the file.
    QVERIFY(program.forms.Form2->isVisible());
    QVERIFY2(program.forms.Form2->Label1->text().contains(u"shot.bmp"_qs),
             qPrintable(program.forms.Form2->Label1->text()));
    program.forms.Form2->Timer1Timer();
}

void TestCaptureFlow::countdownInACornerGoneBeforeTheGrab() {
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    RecordingPlatform platform;
    QumoProgram program(platform, win(u"/tmp/x/QUMOG.x86_64"_qs));
    OtherProgram other;
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    TForm25 *board = program.forms.Form25;
    TForm14 *capture = program.forms.Form14;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QImage frozen, under;
    QString shown, later;
    QRect place;
    bool done = false;
    QTimer::singleShot(0, board, [&] {
        QTRY_VERIFY(board->isVisible());
        board->N51->trigger();
        auto *countdown = board->findChild<board::CaptureCountdown *>(u"captureCountdown"_qs);
        QVERIFY(countdown);
        const Window w = Window(countdown->winId());
        QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(w), 10000);
        shown = countdown->number()->text();
        place = probe.outer(w);
        countdown->showRemaining(3200);
        later = countdown->number()->text();
        // Near the grab it leaves, and what it covered is drawn again before the grab.
        countdown->showRemaining(board::CaptureCountdown::LeaveBeforeGrabMs);
        QTRY_VERIFY_WITH_TIMEOUT(!probe.viewable(w), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(foreignPixels(probe.grab(place)) == 0, 10000);
        QTimer closer;
        closeCaptureWhenShown(closer, capture, [&](const QImage &picture) {
            frozen = picture;
            done = true;
        });
        QVERIFY(QMetaObject::invokeMethod(board->Timer1, "timeout")); // the 5 s, driven
    });
    program.main()->Timer1Timer();
    QVERIFY(done);
    QCOMPARE(shown, u"5"_qs);
    QCOMPARE(later, u"4"_qs);
    // In the bottom-right corner of the screen's free area, whole (physical pixels).
    const QRect monitor = probe.primaryMonitor();
    const QRect areaOnRoot =
        board::toPhysicalCover(area.translated(-QGuiApplication::primaryScreen()->geometry().topLeft()),
                               QGuiApplication::primaryScreen()->devicePixelRatio())
            .translated(monitor.topLeft())
            .intersected(monitor);
    QVERIFY2(areaOnRoot.contains(place) && areaOnRoot.right() - place.right() < 60 &&
                 areaOnRoot.bottom() - place.bottom() < 60,
             qPrintable(u"%1,%2 %3x%4"_qs.arg(place.x()).arg(place.y()).arg(place.width()).arg(
                 place.height())));
    QCOMPARE(foreignPixels(frozen), 0);
}

QUMO_TEST_MAIN(TestCaptureFlow)
#include "tst_captureflow.moc"
