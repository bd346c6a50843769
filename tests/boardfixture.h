#pragma once
// A drawing board shown over a synthetic frozen screen, for the board's test suites.
#include "app/core/values.h"
#include "board/Unit25.h"
#include "board/screengrab.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest>
#include <memory>

namespace boardtest {

using testsupport::frozenScreen;

struct Board {
    testsupport::RecordingPlatform platform;
    QumoValues values;
    std::unique_ptr<TForm25> form;
    QImage frozen;

    // Freezes the synthetic screen into both layers and shows the board, as the main
    // window does.
    void open() {
        if (!form)
            form = std::make_unique<TForm25>(values, platform);
        const QSize size = QGuiApplication::primaryScreen()->geometry().size();
        frozen = frozenScreen(size);
        board::setScreenSource([this](const QRect &r) { return frozen.copy(r); });
        const QRect r(QPoint(0, 0), size);
        QImage bm;
        TForm25::CaptureRect(r, bm);
        form->Image1->setPicture(bm);
        TForm25::CaptureRect(r, bm);
        form->Image2->setPicture(bm);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    ~Board() { board::setScreenSource({}); }

    TForm25 &b() { return *form; }
    QRgb chalk(int x, int y) const { return form->Image1->Picture().pixel(x, y); }
    QRgb chalk(QPoint p) const { return chalk(p.x(), p.y()); }
    // What the board shows of the two layers at a point: the chalk layer painted over the
    // background, colour-keyed.
    QRgb shown(QPoint p) const {
        return form->Image1->grab(QRect(p, QSize(1, 1))).toImage().pixel(0, 0);
    }
    int width() const { return form->width(); }
    int height() const { return form->height(); }

    // Pointer events on the chalk layer, as the window system delivers them.
    // The pointer comes to a point before it presses there.
    void hover(QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, form->Image1->mapToGlobal(p), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form->Image1, &e);
    }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        hover(p);
        QTest::mousePress(form->Image1, b, Qt::NoModifier, p);
    }
    void move(QPoint p) { QTest::mouseMove(form->Image1, p); }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(form->Image1, b, Qt::NoModifier, p);
    }
    void drag(const QList<QPoint> &path, Qt::MouseButton b = Qt::LeftButton) {
        press(path.first(), b);
        for (qsizetype i = 1; i < path.size(); ++i)
            move(path[i]);
        release(path.last(), b);
    }
};

// Every point of the segment a-b (sampled finely) has colour c in `img`.
inline bool segmentIs(const QImage &img, QPoint a, QPoint b, QRgb c) {
    for (int i = 0; i <= 40; ++i) {
        const QPointF p = QPointF(a) + (QPointF(b) - QPointF(a)) * (i / 40.0);
        if (img.pixel(p.toPoint()) != c)
            return false;
    }
    return true;
}

} // namespace boardtest

// A test main for the board's pixel suites. They run on the offscreen platform unless one is
// named: every pointer event then comes from the test itself, never from a pointer that
// another program moves over the full-screen board on a shared display.
#define BOARD_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char **argv) {                                                      \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                       \
        testsupport::prepareTestProcess();                                                 \
        QApplication app(argc, argv);                                                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                           \
        TestObject tc;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&tc, argc, argv);                                              \
    }
