// The board's undo history: the newest steps kept within its byte cap.
#include "board/core/history.h"
#include "support/coresupport.h"

#include <QPainter>
#include <QtTest>

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void historyKeepsNewestStepsWithinCap_data();
    void historyKeepsNewestStepsWithinCap();
    void undoAndRedoRestoreEveryState_data();
    void undoAndRedoRestoreEveryState();
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
        h.touch(layer, r); // before the pixels change
        {
            QPainter p(&layer);
            p.fillRect(r, QColor(i, 255 - i, 128)); // colours the frozen picture lacks
        }
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

// One step of a test: rectangles filled one after another (each touched just before), and
// whether the layer is then replaced whole by a picture of its own.
struct StepPlan {
    QList<QRect> fills;
    bool replaceAfter = false;
};
Q_DECLARE_METATYPE(QList<StepPlan>)

void TestHistory::undoAndRedoRestoreEveryState_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<StepPlan>>("steps");
    const int T = board::History::TileSide;
    QTest::newRow("strokes across tile borders")
        << QSize(300, 200)
        << QList<StepPlan>{{{QRect(T - 3, T - 3, 10, 10)}},
                           {{QRect(10, 5, 250, 3), QRect(T * 2 - 1, 0, 2, 199)}}};
    QTest::newRow("edge tiles of a size not a multiple of the tile")
        << QSize(T * 3 + 7, T * 2 + 5)
        << QList<StepPlan>{{{QRect(T * 3, T * 2, 7, 5)}}, {{QRect(0, T * 2 + 4, T * 3 + 7, 1)}}};
    QTest::newRow("one part drawn over twice in a step keeps its first state")
        << QSize(200, 150)
        << QList<StepPlan>{{{QRect(20, 20, 40, 40), QRect(30, 30, 40, 40), QRect(20, 20, 5, 5)}}};
    QTest::newRow("layer replaced after a stroke in the same step")
        << QSize(200, 150)
        << QList<StepPlan>{{{QRect(5, 5, 30, 30)}, true}, {{QRect(50, 50, 20, 20)}}};
    QTest::newRow("layer replaced, then drawn into in the same step")
        << QSize(200, 150) << QList<StepPlan>{{{}, true}, {{QRect(0, 0, 200, 150)}}};
}

void TestHistory::undoAndRedoRestoreEveryState() {
    QFETCH(QSize, size);
    QFETCH(QList<StepPlan>, steps);
    board::History h;
    QImage layer = testsupport::frozenScreen(size), background = layer.copy();
    h.reset(layer);
    QList<QImage> states = {layer.copy()};
    int colour = 0;
    for (const StepPlan &step : steps) {
        for (const QRect &r : step.fills) {
            h.touch(layer, r);
            QPainter(&layer).fillRect(r, QColor(++colour * 40 % 256, 7, 200));
        }
        if (step.replaceAfter) {
            h.replacing(layer);
            layer = testsupport::frozenScreen(size).mirrored(true, false);
            // Drawn into after the replacement, still the same step.
            h.touch(layer, QRect(1, 1, 3, 3));
            QPainter(&layer).fillRect(QRect(1, 1, 3, 3), Qt::green);
        }
        QVERIFY(h.commit(layer));
        states.append(layer.copy());
    }
    for (int i = int(steps.size()) - 1; i >= 0; --i) {
        QVERIFY(h.undo(layer, background));
        QVERIFY2(layer == states[i], qPrintable(QString::number(i)));
    }
    QVERIFY(!h.undo(layer, background));
    for (int i = 1; i <= int(steps.size()); ++i) {
        QVERIFY(h.redo(layer, background));
        QVERIFY2(layer == states[i], qPrintable(QString::number(i)));
    }
    QVERIFY(background == states[0]);
}

QUMO_CORE_TEST_MAIN(TestHistory)
#include "tst_history.moc"
