// The self-closing notice raised by MATE: texts, width, placement, the pointer and the
// one deadline shared by notices raised while one shows.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "app/core/values.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "support/x11probe.h"

#include <memory>

using namespace testsupport;

class TestNotices : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void showsTextsAndWidth_data();
    void showsTextsAndWidth();
    void secondNoticeSharesFirstDeadline();
    void closesAndShowsPointerOnce();
    void centredFirstTimeThenKeepsCorner();
    void standsThereOnTheDisplay();
    void withoutNoticeWindowNothingHappens();

private:
    QumoValues values_;
    RecordingPlatform platform_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TForm2> notice_;
    QumoForms forms_;
};

void TestNotices::init() {
    form_ = std::make_unique<TForm1>(values_, platform_);
    notice_ = std::make_unique<TForm2>();
    forms_ = QumoForms();
    forms_.Form1 = form_.get();
    forms_.Form2 = notice_.get();
    form_->setForms(&forms_);
}

void TestNotices::cleanup() {
    // A notice left showing by a failed check gives the pointer back.
    if (notice_->isVisible())
        notice_->Timer1Timer();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    notice_.reset();
    form_.reset();
}

void TestNotices::showsTextsAndWidth_data() {
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("second");
    QTest::newRow("closing") << "おわります" << "--- おまちください ---";
    QTest::newRow("empty second line") << "はじめます・・・" << "";
    QTest::newRow("long headline widens without limit")
        << QStringLiteral("とてもながいフォルダのなまえ").repeated(8) + QStringLiteral("にダウンロードします。")
        << "";
}

void TestNotices::showsTextsAndWidth() {
    QFETCH(QString, headline);
    QFETCH(QString, second);
    form_->MATE(headline, second);
    QVERIFY(notice_->isVisible());
    QCOMPARE(notice_->Label1->text(), headline);
    QCOMPARE(notice_->Label2->text(), second);
    // The headline's label follows its text; the window is wider by a fixed room.
    const int textWidth = notice_->Label1->fontMetrics().horizontalAdvance(headline);
    QVERIFY(notice_->Label1->width() >= textWidth);
    QCOMPARE(notice_->width(), notice_->Label1->width() + TForm2::RoomBesideHeadline);
    // Picture, headline and second line inside the notice: the headline right of the
    // picture, the second line under the headline, each as tall as its text.
    const QRect picture = notice_->Image1->geometry(), head = notice_->Label1->geometry(),
                line2 = notice_->Label2->geometry();
    QVERIFY(notice_->rect().contains(picture));
    QVERIFY(notice_->rect().contains(head));
    QVERIFY(head.left() > picture.right());
    QVERIFY(head.height() >= notice_->Label1->fontMetrics().height());
    QCOMPARE(line2.left(), head.left());
    QVERIFY(line2.top() > head.bottom());
    if (!second.isEmpty()) {
        QVERIFY(notice_->rect().contains(line2));
        QVERIFY(line2.height() >= notice_->Label2->fontMetrics().height());
    }
    QVERIFY(notice_->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(notice_->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!notice_->Image1->pixmap().isNull());
    QVERIFY(notice_->Timer1->isActive());
    QCOMPARE(notice_->Timer1->interval(), 2500);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BlankCursor);
}

void TestNotices::secondNoticeSharesFirstDeadline() {
    form_->MATE(QStringLiteral("さくひんにダウンロードします。"), QString());
    QVERIFY(notice_->Timer1->isActive());
    // Let some of the time pass, then raise a second notice with a longer headline.
    QTRY_VERIFY(notice_->Timer1->remainingTime() < 2400);
    const int left = notice_->Timer1->remainingTime();
    const QPoint corner = notice_->pos();
    form_->MATE(QStringLiteral("はじめます・・・とてもながいなまえ"), QStringLiteral("NEW1.mwx"));
    QCOMPARE(notice_->Label1->text(), QStringLiteral("はじめます・・・とてもながいなまえ"));
    QCOMPARE(notice_->Label2->text(), QStringLiteral("NEW1.mwx"));
    QCOMPARE(notice_->width(), notice_->Label1->width() + TForm2::RoomBesideHeadline);
    QCOMPARE(notice_->pos(), corner);
    // Not restarted: it still closes when the first would have.
    QVERIFY(notice_->Timer1->isActive());
    QVERIFY2(notice_->Timer1->remainingTime() <= left,
             qPrintable(QString::number(notice_->Timer1->remainingTime())));
}

void TestNotices::closesAndShowsPointerOnce() {
    form_->MATE(QStringLiteral("A"), QString());
    form_->MATE(QStringLiteral("B"), QString());
    form_->MATE(QStringLiteral("C"), QString());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BlankCursor);
    notice_->Timer1Timer();
    // One hide, one show: nothing is left on the pointer.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!notice_->isVisible());
    QVERIFY(!notice_->Timer1->isActive());

    // The next notice hides the pointer again and starts a fresh deadline.
    form_->MATE(QStringLiteral("D"), QString());
    QVERIFY(notice_->isVisible());
    QVERIFY(notice_->Timer1->remainingTime() > 2000);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BlankCursor);

    // The real timer closes it too (brought forward: its 2.5 s is measured in
    // tst_captureflow's delaysNeverEarly).
    notice_->Timer1->setInterval(50);
    QVERIFY(notice_->Timer1->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!notice_->isVisible(), 10000);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestNotices::centredFirstTimeThenKeepsCorner() {
    // Read from the X server: a window manager may leave the toolkit with a stale idea of
    // where a window it placed stands.
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    form_->move(100, 50);
    form_->MATE(QStringLiteral("さくひんにダウンロードします。"), QString());
    const Window notice = Window(notice_->winId());
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(notice), 10000);
    const QPoint centre = form_->frameGeometry().center();
    QTRY_VERIFY_WITH_TIMEOUT((probe.outer(notice).center() - centre).manhattanLength() <= 2,
                             10000);
    const QPoint corner = probe.outer(notice).topLeft();
    notice_->Timer1Timer();
    QTRY_VERIFY_WITH_TIMEOUT(!probe.viewable(notice), 10000);

    // Later showings keep the corner, whatever the main window and the width do.
    form_->move(300, 200);
    form_->MATE(QStringLiteral("おわります"), QStringLiteral("--- おまちください ---"));
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(notice), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(notice).topLeft(), corner, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(notice).width(),
                              notice_->Label1->width() + TForm2::RoomBesideHeadline, 10000);
}

void TestNotices::standsThereOnTheDisplay() {
    // Where the X server has it, not where the toolkit thinks it asked for it: a window
    // manager may place a window as it likes. A plain window stands in for the main
    // window, whose showing would run the start-up.
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    QWidget mainWindow;
    mainWindow.setGeometry(120, 90, 800, 500);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    const Window main = Window(mainWindow.winId());
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(main), mainWindow.frameGeometry(), 10000);
    const auto raise = [&](const QString &S1, const QString &S2) {
        notice_->Label1->setText(S1);
        notice_->Label2->setText(S2);
        notice_->Label1->adjustSize();
        notice_->resize(notice_->Label1->width() + TForm2::RoomBesideHeadline, notice_->height());
        notice_->showOver(&mainWindow);
    };
    raise(QStringLiteral("さくひんにダウンロードします。"), QString());
    const Window notice = Window(notice_->winId());
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(notice), 10000);
    const QPoint centre = probe.outer(main).center();
    QTRY_VERIFY2_WITH_TIMEOUT(
        (probe.outer(notice).center() - centre).manhattanLength() <= 2,
        qPrintable(QStringLiteral("notice at %1,%2, main window centre %3,%4")
                       .arg(probe.outer(notice).x())
                       .arg(probe.outer(notice).y())
                       .arg(centre.x())
                       .arg(centre.y())),
        10000);
    const QPoint corner = probe.outer(notice).topLeft();
    notice_->Timer1Timer();
    QTRY_VERIFY_WITH_TIMEOUT(!probe.viewable(notice), 10000);

    mainWindow.move(300, 200);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(main).topLeft(), QPoint(300, 200), 10000);
    raise(QStringLiteral("おわります"), QStringLiteral("--- おまちください ---"));
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(notice), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(notice).topLeft(), corner, 10000);
    QCOMPARE(probe.outer(notice).width(), notice_->Label1->width() + TForm2::RoomBesideHeadline);
}

void TestNotices::withoutNoticeWindowNothingHappens() {
    // A notice window that is not the program's: it must stay as it is.
    notice_->Label1->setText(QStringLiteral("before"));
    notice_->move(40, 30);
    const QRect placed = notice_->geometry();
    QumoForms none;
    form_->setForms(&none);
    form_->MATE(QStringLiteral("おわります"), QStringLiteral("--- おまちください ---"));
    form_->setForms(&forms_);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!notice_->isVisible());
    QCOMPARE(notice_->geometry(), placed);
    QCOMPARE(notice_->Label1->text(), QStringLiteral("before"));
    QVERIFY(!notice_->Timer1->isActive());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

QUMO_TEST_MAIN(TestNotices)
#include "tst_notices.moc"
