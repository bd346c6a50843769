// Errors inside handlers: the guard through which the windows' handlers are connected shows
// the error's text in a message box, and the program goes on.
//
// The application object here is a plain one, without the program's last net in notify():
// an exception that crossed the event loop would end this test instead of being shown.
#include "app/MAIN.h"
#include "app/core/errors.h"
#include "app/guard.h"
#include "app/core/values.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <stdexcept>

using namespace testsupport;

namespace {

enum class Thrown { ProgramError, StandardException, Other };

[[noreturn]] void throwAs(Thrown kind) {
    switch (kind) {
    case Thrown::ProgramError:
        throw QumoError(QStringLiteral("ファイル x を開けません。"));
    case Thrown::StandardException:
        throw std::runtime_error("out of range");
    case Thrown::Other:
        throw 42;
    }
    throw 0;
}

// A window with a handler method, fired by its own repeating timer.
class TickingWindow : public QWidget {
public:
    TickingWindow(platform::Platform &platform, Thrown kind) : kind_(kind) {
        const guard::Guard guarded(platform, this);
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, guarded(&TickingWindow::TimerTick));
    }
    void TimerTick() {
        ++ticks;
        if (ticks <= 2)
            throwAs(kind_);
        timer.stop();
    }
    QTimer timer;
    int ticks = 0;

private:
    Thrown kind_;
};

} // namespace

Q_DECLARE_METATYPE(Thrown)

class TestGuard : public QObject {
    Q_OBJECT
private slots:
    void init();
    void errorEndsHandlerAndIsShown_data();
    void errorEndsHandlerAndIsShown();
    void timerHandlerErrorsAndTimerGoesOn_data();
    void timerHandlerErrorsAndTimerGoesOn();
    void signalArgumentsReachTheHandler();
    void mainWindowButtonErrorIsShown_data();
    void mainWindowButtonErrorIsShown();

private:
    RecordingPlatform platform_;
};

void TestGuard::init() { platform_.errors.clear(); }

void TestGuard::errorEndsHandlerAndIsShown_data() {
    QTest::addColumn<Thrown>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("the program's error: its message")
        << Thrown::ProgramError << QStringLiteral("ファイル x を開けません。");
    QTest::newRow("a standard exception: its text")
        << Thrown::StandardException << QStringLiteral("out of range");
    QTest::newRow("anything else: a general message")
        << Thrown::Other << guard::unknownErrorText();
}

void TestGuard::errorEndsHandlerAndIsShown() {
    QFETCH(Thrown, kind);
    QFETCH(QString, shown);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("go"), &window);
    int started = 0, finished = 0;
    QObject::connect(button, &QPushButton::clicked, &window,
                     guard::guarded(platform_, &window, [&] {
                         ++started;
                         throwAs(kind);
                         ++finished;
                     }));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(started, 1);
    QCOMPARE(finished, 0); // the error ended the handler
    QCOMPARE(platform_.errors, QStringList{shown});

    // The program goes on: the event loop runs, and the next click reaches the handler.
    bool later = false;
    QTimer::singleShot(0, &window, [&] { later = true; });
    QTRY_VERIFY(later);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(started, 2);
    QCOMPARE(platform_.errors, (QStringList{shown, shown}));
}

void TestGuard::timerHandlerErrorsAndTimerGoesOn_data() {
    QTest::addColumn<Thrown>("kind");
    QTest::newRow("the program's error") << Thrown::ProgramError;
    QTest::newRow("anything else") << Thrown::Other;
}

void TestGuard::timerHandlerErrorsAndTimerGoesOn() {
    QFETCH(Thrown, kind);
    TickingWindow window(platform_, kind);
    window.timer.start();
    // Two ticks fail, each shown; the third runs to its end and stops the timer.
    QTRY_VERIFY_WITH_TIMEOUT(!window.timer.isActive(), 10000);
    QCOMPARE(window.ticks, 3);
    QCOMPARE(platform_.errors.size(), 2);
}

void TestGuard::signalArgumentsReachTheHandler() {
    // The slot takes the handler's parameters; a signal that carries more drops the rest.
    QWidget window;
    QLineEdit edit(&window);
    QStringList texts;
    QObject::connect(&edit, &QLineEdit::textEdited, &window,
                     guard::guarded(platform_, &window, [&](const QString &t) {
                         texts.append(t);
                         if (t == QLatin1String("ab"))
                             throw QumoError(QStringLiteral("no ab"));
                     }));
    QPushButton button(&window);
    bool clicked = false;
    QObject::connect(&button, &QPushButton::clicked, &window,
                     guard::guarded(platform_, &window, [&] { clicked = true; }));
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    QCOMPARE(texts, (QStringList{u"a"_qs, u"ab"_qs, u"abc"_qs}));
    QCOMPARE(platform_.errors, QStringList{u"no ab"_qs});
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(clicked);
}

// A main window button, pressed with the mouse, cannot write its file: the press ends with
// the reason in a message box, and the window goes on taking presses. The clip button is
// handled by the window's event filter, the language button by its clicked signal.
void TestGuard::mainWindowButtonErrorIsShown_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::newRow("URL clip") << u"SpeedButton9"_qs << u"clip.txt"_qs;
    QTest::newRow("menu language") << u"SpeedButton13"_qs << u"MWEx.ini"_qs;
}

void TestGuard::mainWindowButtonErrorIsShown() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QumoValues values;
    values.QUMOHOZON = win(dir.filePath(u"missing-folder"_qs)) + u'\\';
    values.QUMOCLIP = values.QUMOHOZON + u"clip.txt"_qs;
    values.KANA = values.QUMOHOZON + u"MWEx.ini"_qs;
    TForm1 form(values, platform_);
    form.Edit2->setText(u"http://example.org/"_qs);
    auto *b = form.findChild<QToolButton *>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    const QString reason = u"「"_qs + file + u"」を保存できませんでした。"_qs;
    QCOMPARE(platform_.errors, QStringList{reason});

    // The next press is handled the same way.
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(platform_.errors, (QStringList{reason, reason}));

    // Once the folder exists the same press writes the file.
    QVERIFY(QDir().mkpath(dir.filePath(u"missing-folder"_qs)));
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(platform_.errors.size(), 2);
    QVERIFY(QFileInfo::exists(dir.filePath(u"missing-folder/"_qs + file)));
}

QUMO_TEST_MAIN(TestGuard)
#include "tst_guard.moc"
