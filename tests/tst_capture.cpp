// The capture window: rubber band, readout, clipboard and the saved picture file.
#include "board/Unit14.h"
#include "support/testsupport.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <cstring>

using namespace testsupport;

namespace {
// A picture with a different colour in every pixel, so that any shift shows.
QImage patterned(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, QColor((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return img;
}

// Answers the save dialog with `name` (a host path) once it is shown; an empty name cancels.
// The dialog may not take the answer while it is still settling, so it is given again
// until the dialog has closed.
void answerSaveDialog(TForm14 *form, const QString &name, const QString &filter = QString()) {
    auto *timer = new QTimer(form);
    QObject::connect(timer, &QTimer::timeout, form, [=] {
        QFileDialog *d = form->SavePictureDialog1;
        if (!d || !d->isVisible())
            return;
        if (name.isEmpty()) {
            d->reject();
        } else {
            if (!filter.isEmpty())
                d->selectNameFilter(filter);
            // Typed as a pupil would: selectFile() leaves a focused name field alone.
            auto *edit = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (edit)
                edit->setText(name);
            else
                d->selectFile(name);
            static_cast<QDialog *>(d)->accept();
        }
        if (!d->isVisible()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(50);
}
// Records every window that shows while it lives (other than those already showing), and
// closes it, so that a dialog that should not have come does not hold the test.
class WindowWatch {
public:
    WindowWatch() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                before_.append(w);
        QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
        poll_.start(20);
    }
    QStringList seen() {
        look();
        return seen_;
    }

private:
    void look() {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || before_.contains(w))
                continue;
            const QString name = w->objectName();
            seen_.append(name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name);
            if (auto *d = qobject_cast<QDialog *>(w))
                d->reject();
            else
                w->close();
        }
    }
    QTimer poll_;
    QList<QWidget *> before_;
    QStringList seen_;
};
} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readoutColour_data();
    void readoutColour();
    void focusRectIsUndoneByASecondDrawing_data();
    void focusRectIsUndoneByASecondDrawing();
    void selectionGoesToClipboardExactly();
    void rightButtonKeepsWholeScreen();
    void pointerEventsOfOneMomentToldApart();
    void emptySelectionSavesNothing();
    void extensionDecidesFormat_data();
    void extensionDecidesFormat();
    void initialFolderRules();
    void unwritableTargetIsReported();

private:
    void drag(QPoint from, QPoint to);
    RecordingPlatform platform_;
    std::unique_ptr<TForm14> form_;
    QTemporaryDir dir_;
    QImage screen_;
    QStringList notices_;
};

void TestCapture::init() {
    platform_ = RecordingPlatform();
    form_ = std::make_unique<TForm14>(platform_);
    screen_ = patterned(400, 300);
    form_->setPicture(screen_);
    form_->setInitialSaveFolder(win(dir_.path()));
    notices_.clear();
    form_->notice = [this](const QString &S1, const QString &S2) { notices_.append(S1 + u'|' + S2); };
    // Shown as the board shows it; its own beep on showing is not what these tests count.
    form_->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(platform_.beeps, (QList<unsigned>{platform::BeepAsterisk}));
    platform_.beeps.clear();
}

void TestCapture::drag(QPoint from, QPoint to) {
    form_->Image1MouseDown(Qt::LeftButton, from.x(), from.y());
    form_->Image1MouseMove((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
    form_->Image1MouseMove(to.x(), to.y());
}

void TestCapture::readoutColour_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<bool>("blue");
    QTest::newRow("160 x 90 is 16:9") << 160 << 90 << true;
    QTest::newRow("176 x 90 is not") << 176 << 90 << false;
    QTest::newRow("10 x 5 counts as 16:9") << 10 << 5 << true;
    QTest::newRow("175 x 98 still 16:9") << 175 << 98 << true;
    QTest::newRow("tall") << 90 << 160 << false;
}

void TestCapture::readoutColour() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(bool, blue);
    drag({300, 250}, {300 - w, 250 - h}); // dragged up and to the left
    QCOMPARE(form_->Panel2->text(), QString::number(w));
    QCOMPARE(form_->Panel3->text(), QString::number(h));
    QCOMPARE(form_->Panel1->property("readoutBlue").toBool(), blue);
    QCOMPARE(form_->Panel1->palette().color(QPalette::Window),
             blue ? QColor(0, 0, 255) : QColor(255, 0, 0));
    QCOMPARE(form_->R, (TRect{300 - w, 250 - h, 300, 250}));
}

// The capture window draws its rubber band into a 24-bit picture, the board into its 32-bit
// chalk layer: one drawing serves both.
void TestCapture::focusRectIsUndoneByASecondDrawing_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("24 bits") << int(QImage::Format_RGB888);
    QTest::newRow("32 bits") << int(QImage::Format_RGB32);
}

void TestCapture::focusRectIsUndoneByASecondDrawing() {
    QFETCH(int, format);
    const QImage original = screen_.convertToFormat(QImage::Format(format));
    for (const TRect r : {TRect{10, 10, 50, 40}, TRect{5, 5, 6, 30}, TRect{5, 5, 30, 6},
                          TRect{390, 290, 420, 320}, TRect{3, 3, 3, 3}}) {
        QImage img = original;
        const QRect changed = board::xorFocusRect(img, r);
        // Exactly the dotted outline is inverted: every other border pixel, by x + y.
        QString wrong;
        for (int y = 0; y < img.height() && wrong.isEmpty(); ++y) {
            for (int x = 0; x < img.width() && wrong.isEmpty(); ++x) {
                const bool border = x >= r.left && x < r.right && y >= r.top && y < r.bottom &&
                                    (x == r.left || x == r.right - 1 || y == r.top ||
                                     y == r.bottom - 1);
                const bool inverted = border && (x + y) % 2 == 0;
                const QRgb was = original.pixel(x, y);
                if (img.pixel(x, y) != (inverted ? was ^ 0x00FFFFFFu : was) ||
                    (inverted && !changed.contains(x, y)))
                    wrong = QStringLiteral("pixel %1,%2").arg(x).arg(y);
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        board::xorFocusRect(img, r);
        QCOMPARE(img, original);
    }
}

void TestCapture::selectionGoesToClipboardExactly() {
    QApplication::clipboard()->setImage(screen_);
    answerSaveDialog(form_.get(), QString()); // cancel: the clipboard keeps the selection
    drag({40, 30}, {200, 120});
    form_->Image1MouseUp(Qt::LeftButton, 200, 120);
    QCOMPARE(form_->result(), 1);
    QVERIFY(!form_->FDrag);
    QCOMPARE(form_->R, TRect{});
    QCOMPARE(form_->picture(), screen_); // no rubber band left behind
    const QImage clip = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(clip, screen_.copy(40, 30, 160, 90));
    QCOMPARE(platform_.beeps, (QList<unsigned>{platform::BeepAsterisk}));
    QVERIFY(QDir(dir_.path()).isEmpty());
}

// A busy X server handles a drag's requests in one go, so the press and the moves after it
// carry the same time: the physical pixel of each event is still its own, not the last
// one's (a drag from 100 came out one pixel short at 150 %).
void TestCapture::pointerEventsOfOneMomentToldApart() {
    const quint32 window = 0x7ffff01, moment = 4242;
    // Core pointer events as the X server sends them: kind, then time at 4, event window
    // at 12 and the place in it at 24.
    auto send = [&](unsigned char kind, qint16 x, qint16 y) {
        unsigned char e[32] = {};
        e[0] = kind;
        std::memcpy(e + 4, &moment, 4);
        std::memcpy(e + 12, &window, 4);
        std::memcpy(e + 24, &x, 2);
        std::memcpy(e + 26, &y, 2);
        qintptr result = 0;
        QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", e, &result);
    };
    send(4, 100, 100); // press
    send(6, 180, 150); // motion
    send(6, 260, 190); // motion
    send(5, 260, 190); // release
    QPoint at;
    QVERIFY(platform_.pointerInWindow(window, moment, QPoint(101, 101), &at));
    QCOMPARE(at, QPoint(100, 100));
    QVERIFY(platform_.pointerInWindow(window, moment, QPoint(179, 150), &at));
    QCOMPARE(at, QPoint(180, 150));
    QVERIFY(platform_.pointerInWindow(window, moment, QPoint(260, 189), &at));
    QCOMPARE(at, QPoint(260, 190));
    QVERIFY(!platform_.pointerInWindow(window, moment + 1, QPoint(100, 100), &at));
}

void TestCapture::rightButtonKeepsWholeScreen() {
    QApplication::clipboard()->setImage(screen_);
    form_->Image1MouseDown(Qt::RightButton, 10, 10);
    QCOMPARE(form_->result(), 1);
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888), screen_);
    QVERIFY(!form_->SavePictureDialog1 || !form_->SavePictureDialog1->isVisible());
}

void TestCapture::emptySelectionSavesNothing() {
    QApplication::clipboard()->setImage(screen_);
    drag({50, 50}, {50, 120}); // a vertical line: no width
    WindowWatch watch;
    form_->Image1MouseUp(Qt::LeftButton, 50, 120);
    QCOMPARE(form_->result(), 1);
    // No save dialog, nor any other window, was offered; no notice, no beep.
    QCOMPARE(watch.seen(), QStringList());
    QVERIFY(notices_.isEmpty());
    QVERIFY(platform_.beeps.isEmpty());
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888), screen_);
    QVERIFY(QDir(dir_.path()).isEmpty());
}

void TestCapture::extensionDecidesFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QByteArray>("magic"); // empty: nothing written
    QTest::newRow("jpg") << u"a.jpg"_qs << QString() << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("BMP filter with a .jpg name writes JPEG")
        << u"b.jpg"_qs << u"BMP (*.bmp)"_qs << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("JPEG in capitals") << u"c.JPEG"_qs << QString() << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("bmp") << u"d.bmp"_qs << u"BMP (*.bmp)"_qs << QByteArray("BM");
    QTest::newRow("no extension gets jpg") << u"e"_qs << QString() << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("other extension writes nothing") << u"f.png"_qs << u"全て(*.*) (*)"_qs << QByteArray();
}

void TestCapture::extensionDecidesFormat() {
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QByteArray, magic);
    // A smooth picture: quality 100 then keeps every pixel close, while a shifted or
    // mirrored selection would not be.
    QImage smooth(400, 300, QImage::Format_RGB888);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            smooth.setPixelColor(x, y, QColor(x / 2, y / 2 + 50, 128 + (x - y) / 4));
    screen_ = smooth;
    form_->setPicture(smooth);
    answerSaveDialog(form_.get(), dir_.filePath(name), filter);
    drag({10, 20}, {170, 110});
    form_->Image1MouseUp(Qt::LeftButton, 170, 110);
    const QString written = name == u"e"_qs ? dir_.filePath(u"e.jpg"_qs) : dir_.filePath(name);
    if (magic.isEmpty()) {
        QVERIFY(!QFile::exists(written));
        QVERIFY(platform_.errors.isEmpty());
        QVERIFY(notices_.isEmpty()); // nothing written, nothing announced
        return;
    }
    // A saved capture ends with a notice that names the file and its folder.
    QCOMPARE(notices_.size(), 1);
    QVERIFY2(notices_.first().startsWith(QFileInfo(written).fileName() + u' '),
             qPrintable(notices_.first()));
    QVERIFY2(notices_.first().endsWith(u'|' + win(dir_.path()) + u'\\'), qPrintable(notices_.first()));
    const QByteArray bytes = readFile(written);
    QVERIFY2(bytes.startsWith(magic), qPrintable(written));
    QImage back;
    QVERIFY(back.loadFromData(bytes));
    QCOMPARE(back.size(), QSize(160, 90));
    const QImage want = screen_.copy(10, 20, 160, 90);
    back = back.convertToFormat(QImage::Format_RGB888);
    if (magic == "BM") {
        QCOMPARE(back, want); // bit-exact
    } else {
        int worst = 0; // quality 100: only small errors
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 160; ++x) {
                const QColor a = back.pixelColor(x, y), b = want.pixelColor(x, y);
                worst = std::max({worst, std::abs(a.red() - b.red()),
                                  std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
            }
        QVERIFY2(worst <= 6, qPrintable(QString::number(worst)));
    }
    QFile::remove(written);
}

void TestCapture::initialFolderRules() {
    QCOMPARE(form_->initialSaveFolder(), win(dir_.path()));
    QString openFolder; // the open-work dialog not used yet: empty
    form_->openWorkFolder = [&] { return openFolder; };
    // Then the pupil's own folder, never the system's choice (which would be the root).
    QVERIFY(QDir(dir_.path()).mkpath(u"pupil"_qs));
    const QString pupil = win(dir_.filePath(u"pupil"_qs)) + u'\\';
    form_->pupilFolder = [pupil] { return pupil; };
    answerSaveDialog(form_.get(), dir_.filePath(u"one.bmp"_qs));
    drag({0, 0}, {20, 20});
    form_->Image1MouseUp(Qt::LeftButton, 20, 20);
    QCOMPARE(form_->initialSaveFolder(), pupil);
    openFolder = u"Z:\\material\\"_qs;
    answerSaveDialog(form_.get(), dir_.filePath(u"two.bmp"_qs));
    drag({0, 0}, {20, 20});
    form_->Image1MouseUp(Qt::LeftButton, 20, 20);
    QCOMPARE(form_->initialSaveFolder(), openFolder);
    // A cancelled dialog leaves it as it was.
    openFolder = u"Z:\\other\\"_qs;
    answerSaveDialog(form_.get(), QString());
    drag({0, 0}, {20, 20});
    form_->Image1MouseUp(Qt::LeftButton, 20, 20);
    QCOMPARE(form_->initialSaveFolder(), u"Z:\\material\\"_qs);
}

void TestCapture::unwritableTargetIsReported() {
    // The kernel refuses new files in /proc, even for root.
    const QString target = u"/proc/qumo-capture.jpg"_qs;
    QApplication::clipboard()->setImage(screen_);
    answerSaveDialog(form_.get(), target);
    drag({0, 0}, {30, 30});
    form_->Image1MouseUp(Qt::LeftButton, 30, 30);
    QCOMPARE(form_->result(), 1); // closes as after a save
    QCOMPARE(platform_.errors.size(), 1);
    QVERIFY2(platform_.errors.first().contains(u"qumo-capture.jpg"_qs), qPrintable(platform_.errors.first()));
    QVERIFY(notices_.isEmpty());
    // The selection is still on the clipboard.
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888),
             screen_.copy(0, 0, 30, 30));
}

QUMO_TEST_MAIN(TestCapture)
#include "tst_capture.moc"
