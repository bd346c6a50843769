// The board's undo history: the newest steps kept within its byte cap.
#include "board/history.h"
#include "support/coresupport.h"

#include <QPainter>
#include <QtTest>

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void historyKeepsNewestStepsWithinCap_data();
    void historyKeepsNewestStepsWithinCap();
};

void TestHistory::historyKeepsNewestStepsWithinCap_data() {
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QSize>("change"); // every pixel of a square this big changes per step
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("kept");
    const QSize screen(1920, 1080);
    const qsizetype frame = qsizetype(screen.width()) * screen.height() * 4;
    QTest::newRow("30 large strokes fit the default cap")
        << board::History::DefaultByteCap << QSize(700, 700) << 30 << 30;
    QTest::newRow("whole-screen steps past the cap drop the oldest")
        << board::History::DefaultByteCap << screen << 10
        << int(board::History::DefaultByteCap / frame);
    QTest::newRow("a step larger than the cap leaves none")
        << qsizetype(1024) << QSize(50, 50) << 3 << 0;
}

void TestHistory::historyKeepsNewestStepsWithinCap() {
    QFETCH(qsizetype, cap);
    QFETCH(QSize, change);
    QFETCH(int, steps);
    QFETCH(int, kept);
    board::History h(cap);
    QImage layer = testsupport::frozenScreen(QSize(1920, 1080)), background = layer.copy();
    h.reset(layer);
    QList<QImage> states = {layer};
    for (int i = 0; i < steps; ++i) {
        const QRect r(QPoint(0, 0), change);
        QImage next = states.last().copy();
        {
            QPainter p(&next);
            p.fillRect(r, QColor(i, 255 - i, 128)); // colours the frozen picture lacks
        }
        layer = next;
        h.touch(r);
        h.commit(layer);
        states.append(layer);
        QVERIFY2(h.bytes() <= cap, qPrintable(QString::number(h.bytes())));
    }
    QCOMPARE(h.undoSteps(), kept);
    for (int i = steps - 1; i >= steps - kept; --i) {
        QVERIFY(h.undo(layer, background));
        QVERIFY2(layer == states[i], qPrintable(QString::number(i)));
    }
    const QImage oldest = layer;
    QVERIFY(!h.undo(layer, background));
    QVERIFY(layer == oldest);
    QVERIFY(background == states[0]);
}

QUMO_CORE_TEST_MAIN(TestHistory)
#include "tst_history.moc"
