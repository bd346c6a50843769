// Opening the drawing board from the main window: the board button's timer, the two
// grabs of the screen, and the real screen grab without the pointer.
#include "app/MAIN.h"
#include "app/program.h"
#include "board/Unit25.h"
#include "board/geometry.h"
#include "board/screengrab.h"
#include "board/boardlayout.h"
#include "board/core/chalk.h"
#include "support/patternwindow.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "support/x11probe.h"

using namespace testsupport;

class TestBoardOpen : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void restingOneSecondOpensBoard();
    void leavingEarlierDoesNotOpen();
    void clickOpensAfterTenMillisecondsEvenWhenLeaving();
    void grabsChalkLayerFirstThenBackground();
    void buttonPictureHintAndPointer();
    void realGrabLeavesPointerOut();
    void boardCoversRealScreenAndShowsChalk();
    void boardShowsTheScreenPixelForPixel_data();
    void boardShowsTheScreenPixelForPixel();
    void chalkLandsUnderTheRealPointer();
    void heldPictureKeepsItsPixelsWhenGrabbedAgain();

private:
    void enter();
    void leave();
    // Closes the board as soon as it shows, noting when; the main window's modal showing
    // then returns.
    void closeBoardWhenShown();

    std::unique_ptr<RecordingPlatform> platform_;
    std::unique_ptr<QumoProgram> program_;
    TForm1 *main_ = nullptr;
    TForm25 *board_ = nullptr;
    QTimer watcher_;
    QElapsedTimer clock_;
    qint64 shownAfter_ = -1;
    int grabs_ = 0;
};

void TestBoardOpen::init() {
    platform_ = std::make_unique<RecordingPlatform>();
    program_ = std::make_unique<QumoProgram>(*platform_, QStringLiteral("Z:\\tmp\\QUMOG.exe"));
    main_ = program_->main();
    board_ = program_->forms.Form25;
    grabs_ = 0;
    shownAfter_ = -1;
    // Each grab gives a different uniform picture, so the order of the grabs shows.
    board::setScreenSource([this](const QRect &r) {
        QImage img(r.size(), QImage::Format_RGB32);
        img.fill(grabs_++ == 0 ? qRgb(10, 20, 30) : qRgb(40, 50, 60));
        return img;
    });
}

void TestBoardOpen::cleanup() {
    watcher_.stop();
    watcher_.disconnect();
    board::setScreenSource({});
    program_.reset();
    platform_.reset();
}

void TestBoardOpen::enter() {
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(main_->SpeedButton8, &e);
}

void TestBoardOpen::leave() {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(main_->SpeedButton8, &e);
}

void TestBoardOpen::closeBoardWhenShown() {
    watcher_.setInterval(5);
    connect(&watcher_, &QTimer::timeout, this, [this] {
        if (board_->isVisible() && shownAfter_ < 0) {
            shownAfter_ = clock_.elapsed();
            board_->SpeedButton1Click();
        }
    });
    watcher_.start();
    clock_.start();
}

void TestBoardOpen::restingOneSecondOpensBoard() {
    closeBoardWhenShown();
    enter();
    QVERIFY(main_->Timer1->isActive());
    QCOMPARE(main_->Timer1->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(shownAfter_ >= 0, 10000);
    QVERIFY2(shownAfter_ >= 900, qPrintable(QString::number(shownAfter_)));
    QVERIFY(!main_->Timer1->isActive());
    // Asterisk when freezing, the default sound when leaving the board.
    QCOMPARE(platform_->beeps, (QList<unsigned>{platform::BeepAsterisk, platform::BeepDefault}));
    QTRY_VERIFY(!board_->isVisible());
}

void TestBoardOpen::leavingEarlierDoesNotOpen() {
    enter();
    QVERIFY(main_->Timer1->isActive());
    leave();
    QVERIFY(!main_->Timer1->isActive());
    QCOMPARE(program_->values.CFLG, 0);
    // Entering again rearms from the start.
    enter();
    QCOMPARE(main_->Timer1->interval(), 1000);
    leave();
    QVERIFY(!main_->Timer1->isActive());
    QVERIFY(!board_->isVisible());
    QCOMPARE(grabs_, 0);
}

void TestBoardOpen::clickOpensAfterTenMillisecondsEvenWhenLeaving() {
    closeBoardWhenShown();
    enter();
    main_->SpeedButton8->click();
    QCOMPARE(program_->values.CFLG, 1);
    QCOMPARE(main_->Timer1->interval(), 10);
    leave(); // after a click leaving only clears the flag
    QCOMPARE(program_->values.CFLG, 0);
    QVERIFY(main_->Timer1->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(shownAfter_ >= 0, 10000);
}

void TestBoardOpen::grabsChalkLayerFirstThenBackground() {
    closeBoardWhenShown();
    main_->SpeedButton8Click();
    QTRY_VERIFY_WITH_TIMEOUT(shownAfter_ >= 0, 10000);
    QCOMPARE(grabs_, 2);
    // The screen's physical pixels, at any desktop scale.
    const QSize screen = board::screenRect().size();
    QCOMPARE(board_->Image1->Picture().size(), screen);
    QCOMPARE(board_->Image1->Picture().pixel(100, 100), qRgb(10, 20, 30));
    QCOMPARE(board_->Image2->Picture().pixel(100, 100), qRgb(40, 50, 60));
}

void TestBoardOpen::buttonPictureHintAndPointer() {
    QToolButton *b = main_->SpeedButton8;
    QCOMPARE(b->toolTip(), u"線画"_qs);
    QCOMPARE(b->size(), QSize(40, 40));
    QVERIFY(!b->icon().pixmap(36, 36).isNull());
    QCOMPARE(b->cursor().shape(), Qt::WaitCursor);
}

void TestBoardOpen::realGrabLeavesPointerOut() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real display");
    board::setScreenSource({});
    // A plain window of one colour with the pointer resting in its middle.
    QWidget plain;
    plain.setWindowFlags(Qt::FramelessWindowHint);
    plain.setAutoFillBackground(true);
    QPalette pal = plain.palette();
    pal.setColor(QPalette::Window, QColor(12, 200, 34));
    plain.setPalette(pal);
    plain.setGeometry(100, 100, 200, 200);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QCursor::setPos(200, 200);
    QTRY_COMPARE(QCursor::pos(), QPoint(200, 200));
    const QRect r(150, 150, 100, 100);
    QImage bm;
    QTRY_VERIFY([&] {
        TForm1::CaptureRect(r, bm);
        return bm.pixel(0, 0) == qRgb(12, 200, 34);
    }());
    QCOMPARE(bm.size(), r.size());
    const QImage img = bm.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(img.pixel(x, y), qRgb(12, 200, 34));
}

void TestBoardOpen::boardCoversRealScreenAndShowsChalk() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real display");
    board::setScreenSource({});
    QWidget other; // another window on the screen when the board opens
    other.setWindowFlags(Qt::FramelessWindowHint);
    other.setAutoFillBackground(true);
    QPalette pal = other.palette();
    pal.setColor(QPalette::Window, QColor(250, 160, 0));
    other.setPalette(pal);
    other.setGeometry(QRect(QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(50, 50),
                            QSize(600, 300)));
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTRY_VERIFY([] {
        QImage bm;
        TForm1::CaptureRect(QRect(300, 200, 1, 1), bm);
        return bm.pixel(0, 0) == qRgb(250, 160, 0);
    }());
    // Inside the modal showing: draw across the other window, then look at the real screen
    // until the chalk shows there, and leave the board.
    bool drawn = false, seen = false;
    int ticks = 0;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!board_->isVisible())
            return;
        if (!drawn) {
            board_->Image1MouseMove(Qt::NoButton, 100, 100);
            board_->Image1MouseDown(Qt::LeftButton, 100, 100);
            board_->Image1MouseMove(Qt::LeftButton, 500, 300);
            board_->Image1MouseUp(Qt::LeftButton, 500, 300);
            drawn = true;
            return;
        }
        QImage bm;
        TForm1::CaptureRect(QRect(300, 200, 1, 1), bm);
        seen = bm.pixel(0, 0) == qRgb(255, 0, 0);
        if (seen || ++ticks > 500)
            board_->SpeedButton1Click();
    });
    poll.start();
    main_->Timer1Timer(); // returns when the board closes
    poll.stop();
    QVERIFY(drawn);
    QVERIFY(seen);
    QCOMPARE(board_->Image2->Picture().pixel(300, 200), qRgb(250, 160, 0));
}

void TestBoardOpen::boardShowsTheScreenPixelForPixel_data() {
    QTest::addColumn<bool>("prepared");
    QTest::newRow("opened before anything was readied") << false;
    // As after start-up: the grabs' buffers and the board's own window picture readied
    // beforehand, with pixels of their own in them that must never show.
    QTest::newRow("readied after start-up") << true;
}

void TestBoardOpen::boardShowsTheScreenPixelForPixel() {
    QFETCH(bool, prepared);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real display");
    board::setScreenSource({});
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    if (prepared) {
        main_->prepareBoard();
        auto *preparer = board_->findChild<QTimer *>(QStringLiteral("preparer"));
        QVERIFY(preparer);
        QTRY_VERIFY_WITH_TIMEOUT(!preparer->isActive(), 60000);
        // Readied out of sight: the native window made, never mapped.
        QVERIFY(board_->backingStore());
        QVERIFY(!board_->isVisible());
        QVERIFY(!probe.viewable(Window(board_->winId())));
    }
    PatternWindow other;
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    // The primary monitor's physical pixels from the X server before the board opens, and
    // again while it shows: left of its toolbar they are the same, pixel for pixel.
    const QRect monitor = probe.primaryMonitor();
    QImage before;
    QTRY_VERIFY_WITH_TIMEOUT((before = probe.grab(monitor)).pixel(1, 0) ==
                                 (0xFF000000u | PatternWindow::at(1, 0)),
                             10000);
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    const int toolbar = int(std::ceil(boardlayout::kToolbarWidth * ratio)) + 2;
    const QRect picture(0, 0, monitor.width() - toolbar, monitor.height());
    int differing = -1, ticks = 0, reachable = 0;
    QRect boardPlace;
    QStringList offScreen;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!board_->isVisible() || !board_->windowHandle() || !board_->windowHandle()->isExposed())
            return;
        // The board itself covers the primary monitor on the X server (the same pixels
        // would show without it).
        boardPlace = probe.outer(Window(board_->winId()));
        differing = differingPixels(probe.grab(monitor).copy(picture), before.copy(picture));
        // Every button of the toolbar within the monitor on the X server, where a pupil can
        // reach it; and where the toolkit takes it to be (its menus and hints go there).
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        offScreen.clear();
        reachable = 0;
        for (const QToolButton *b : board_->findChildren<QToolButton *>()) {
            if (!b->isVisibleTo(board_))
                continue;
            const QRect inBoard(b->mapTo(board_, QPoint(0, 0)), b->size());
            const QRect onServer =
                board::toPhysicalCover(inBoard, ratio).translated(boardPlace.topLeft());
            const QPoint global = b->mapToGlobal(QPoint(0, 0));
            if (monitor.contains(onServer) && screen.contains(QRect(global, b->size())))
                ++reachable;
            else
                offScreen << QStringLiteral("%1 at %2,%3 (toolkit %4,%5)")
                                 .arg(b->objectName()).arg(onServer.x()).arg(onServer.y())
                                 .arg(global.x()).arg(global.y());
        }
        if ((differing != 0 || boardPlace != monitor || !offScreen.isEmpty()) && ++ticks <= 250)
            return;
        // A picture of the board as shown, when asked for.
        const QString shots = qEnvironmentVariable("QUMO_BOARD_SHOTS");
        if (!shots.isEmpty())
            probe.grab(monitor).save(shots + QStringLiteral("/board-%1.png").arg(int(ratio * 100)));
        board_->SpeedButton1Click();
    });
    poll.start();
    main_->Timer1Timer(); // returns when the board closes
    poll.stop();
    qInfo("board at %d,%d %dx%d on the X server; pixels differing from the root grab: %d of %d",
          boardPlace.x(), boardPlace.y(), boardPlace.width(), boardPlace.height(), differing,
          picture.width() * picture.height());
    QCOMPARE(boardPlace, monitor);
    QCOMPARE(differing, 0);
    QVERIFY2(offScreen.isEmpty(), qPrintable(offScreen.join(u' ')));
    qInfo("toolbar buttons on the screen: %d", reachable);
}

void TestBoardOpen::chalkLandsUnderTheRealPointer() {
    // The X server's pointer drags a line on the board; the chalk shows on the X server
    // centred on the physical pixels the pointer went through, at any scale and wherever
    // the primary monitor lies.
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_qs);
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed");
    board::setScreenSource({});
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    const QRect monitor = probe.primaryMonitor();
    // Physical pixels that fall between scaled ones at 150 %.
    const QPoint from = monitor.topLeft() + QPoint(301, 211);
    const int length = 200;
    QStringList pointer{u"mousemove"_qs, QString::number(from.x()), QString::number(from.y()),
                        u"sleep"_qs, u"0.2"_qs, u"mousedown"_qs, u"1"_qs};
    for (int step = 1; step <= 4; ++step)
        pointer << u"mousemove"_qs << QString::number(from.x() + step * length / 4)
                << QString::number(from.y()) << u"sleep"_qs << u"0.05"_qs;
    pointer << u"mouseup"_qs << u"1"_qs;
    QProcess pointerRun;
    QImage shown;
    bool started = false;
    int ticks = 0;
    const QPoint middle = from - monitor.topLeft() + QPoint(length / 2, 0);
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!board_->isVisible() || !board_->windowHandle() || !board_->windowHandle()->isExposed())
            return;
        if (!started) {
            started = true;
            pointerRun.start(xdotool, pointer);
            return;
        }
        if (pointerRun.state() != QProcess::NotRunning)
            return;
        shown = probe.grab(monitor);
        if (shown.pixel(middle) != board::Red && ++ticks <= 250)
            return;
        board_->SpeedButton1Click();
    });
    poll.start();
    main_->Timer1Timer(); // returns when the board closes
    poll.stop();
    QVERIFY(started);
    QCOMPARE(pointerRun.exitCode(), 0);
    QCOMPARE(shown.pixel(middle), board::Red);
    // Across the line: the chalk's rows centred on the pointer's row.
    int top = middle.y(), bottom = middle.y();
    while (top > 0 && shown.pixel(middle.x(), top - 1) == board::Red)
        --top;
    while (bottom + 1 < shown.height() && shown.pixel(middle.x(), bottom + 1) == board::Red)
        ++bottom;
    QVERIFY2(std::abs(top + bottom - 2 * middle.y()) <= 1,
             qPrintable(u"chalk rows %1..%2 for the pointer's row %3"_qs.arg(top).arg(bottom).arg(middle.y())));
    // Along it: it starts where the pointer was pressed, a pen's half width before it.
    const int start = from.x() - monitor.x();
    int left = middle.x();
    while (left > 0 && shown.pixel(left - 1, middle.y()) == board::Red)
        --left;
    QVERIFY2(std::abs(left + (bottom - top) / 2 - start) <= 1,
             qPrintable(u"chalk from %1, half width %2, pressed at %3"_qs.arg(left).arg((bottom - top) / 2).arg(start)));
}

QUMO_TEST_MAIN(TestBoardOpen)
// The real grab reuses the memory of pictures that are gone: one still held must keep its
// pixels through later grabs, and pictures are written to without touching each other.
void TestBoardOpen::heldPictureKeepsItsPixelsWhenGrabbedAgain() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real display");
    board::setScreenSource({});
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    QWidget cover;
    cover.setWindowFlags(Qt::FramelessWindowHint);
    cover.setGeometry(QGuiApplication::primaryScreen()->geometry());
    cover.setAutoFillBackground(true);
    const QRect monitor = probe.primaryMonitor();
    const QRect whole = board::screenRect();
    // Shows `colour` over the primary screen and waits until the X server has it.
    auto show = [&](QRgb colour) {
        QPalette pal = cover.palette();
        pal.setColor(QPalette::Window, QColor::fromRgb(colour));
        cover.setPalette(pal);
        cover.show();
        cover.update();
        const QPoint middle(monitor.width() / 2, monitor.height() / 2);
        return QTest::qWaitFor(
            [&] { return probe.grab(monitor).pixel(middle) == (0xFF000000u | colour); }, 10000);
    };
    const QRgb first = qRgb(200, 30, 40), second = qRgb(20, 180, 90);
    const QPoint middle(whole.width() / 2, whole.height() / 2);
    QVERIFY(show(first));
    QImage a;
    board::grabScreen(whole, a);
    QCOMPARE(a.size(), whole.size());
    QCOMPARE(a.pixel(middle), 0xFF000000u | first);
    for (int round = 0; round < 3; ++round) {
        const QRgb now = round % 2 ? first : second;
        QVERIFY(show(now));
        QImage b;
        board::grabScreen(whole, b);
        QCOMPARE(b.pixel(middle), 0xFF000000u | now);
        QCOMPARE(a.pixel(middle), 0xFF000000u | first); // not taken over by the later grab
        // Drawing into one picture leaves the other alone.
        b.setPixel(middle, qRgb(1, 2, 3));
        QCOMPARE(a.pixel(middle), 0xFF000000u | first);
    }
    a.setPixel(middle, qRgb(4, 5, 6));
    QImage c;
    board::grabScreen(whole, c);
    QCOMPARE(a.pixel(middle), qRgb(4, 5, 6));
    QCOMPARE(c.pixel(middle), 0xFF000000u | second);
}

#include "tst_boardopen.moc"
