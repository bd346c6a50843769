// Starting the Logo program and placing its window, new works, the menu language.
// Runs the stand-in Logo program for real on the test display and asks the X server
// where its window ended.
#include "app/Unit2.h"
#include "app/core/errors.h"
#include "launchfixture.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/process.h"
#include "support/x11probe.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace testsupport;
using launchtest::Classroom;

namespace {
const QString kRetry = QStringLiteral("もう一度クリックしてください．　");
}

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void placedStart_data();
    void placedStart();
    void plainStart_data();
    void plainStart();
    void retries_data();
    void retries();
    void windowSearchTakesFirstVisibleUnownedWindow();
    void windowSearchServesEvents();

    void parameterSplitting_data();
    void parameterSplitting();
    void programKinds_data();
    void programKinds();
    void windowsProgramNeedsCompatibilityLayer();
    void onlyStartedProcessesAreEnded();

    void newWork_data();
    void newWork();
    void newWorkTwoClicksStartTwice();
    void newWorkPlacedWithSettingsSize_data();
    void newWorkPlacedWithSettingsSize();

    void menuLanguage_data();
    void menuLanguage();
    void menuLanguageOnReadOnlyMediumOnlyBeeps();
    void menuLanguageWriteFailureKeepsButtons();
};

void TestLaunch::initTestCase() {
    x11probe::Probe probe;
    QVERIFY2(probe.ok(), "an X11 display is needed");
}

void TestLaunch::placedStart_data() {
    QTest::addColumn<QString>("work");
    QTest::addColumn<int>("xx");
    QTest::addColumn<int>("yy");
    QTest::newRow("plain name") << QStringLiteral("作品.mwx") << 640 << 480;
    QTest::newRow("blanks and japanese in one argument")
        << QStringLiteral("my works/さくひん 1 2.mwx") << 500 << 700;
}

void TestLaunch::placedStart() {
    QFETCH(QString, work);
    QFETCH(int, xx);
    QFETCH(int, yy);
    Classroom c;
    const QString host = c.save + u'/' + work;
    writeFile(host, "work");
    c.values().XX = xx;
    c.values().YY = yy;
    // A window of this program that comes over the Logo program's before it is placed:
    // the placed window must end in front of it.
    QWidget cover;
    cover.setGeometry(0, 0, 900, 900);
    c.platform.beforePlace = [&] {
        cover.show();
        cover.raise();
        cover.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
    };

    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(host));

    QVERIFY(cover.isVisible());
    TForm2 *notice = c.notice();
    QCOMPARE(notice->Label1->text(), QStringLiteral("はじめます・・・"));
    QCOMPARE(notice->Label2->text(), QFileInfo(host).fileName());
    QCOMPARE(c.platform.messages, QStringList());
    QCOMPARE(c.values().AppFLG, 0);
    QCOMPARE(c.platform.started.size(), 1);
    QCOMPARE(c.platform.terminated.size(), 0);
    QCOMPARE(c.platform.placed.size(), 1);
    QCOMPARE(c.platform.placedRects.value(0), QRect(0, 0, xx, yy));

    const auto starts = c.starts();
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts[0].args, QStringList{host});
    QCOMPARE(starts[0].pid, c.platform.started[0]);
    // The placed start passes no working folder: the program gets this one's.
    QCOMPARE(starts[0].folder, QDir::currentPath());

    const Window w = Window(c.platform.placed[0]);
    x11probe::Probe probe;
    const auto pid = probe.longs(w, "_NET_WM_PID", XA_CARDINAL);
    QCOMPARE(qint64(pid.empty() ? 0 : pid[0]), starts[0].pid);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(w), QRect(0, 0, xx, yy), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(probe.inFront(w), 10000);
    qInfo("window 0x%lx of process %lld measured by the X server: x=%d y=%d w=%d h=%d, in front", w,
          starts[0].pid, probe.outer(w).x(), probe.outer(w).y(), probe.outer(w).width(),
          probe.outer(w).height());
}

void TestLaunch::plainStart_data() {
    QTest::addColumn<int>("xx");
    QTest::addColumn<int>("yy");
    QTest::addColumn<QString>("work");
    QTest::newRow("width empty") << 0 << 480 << QStringLiteral("作品 A.mwx");
    QTest::newRow("height empty") << 640 << 0 << QStringLiteral("作品 A.mwx");
    QTest::newRow("width negative") << -1 << 480 << QStringLiteral("sub dir/b.mwx");
    QTest::newRow("height negative") << 640 << -20 << QStringLiteral("c.mwx");
    QTest::newRow("no work: empty argument in the save folder") << 0 << 0 << QString();
}

void TestLaunch::plainStart() {
    QFETCH(int, xx);
    QFETCH(int, yy);
    QFETCH(QString, work);
    Classroom c;
    c.platform.realShell = true;
    c.values().XX = xx;
    c.values().YY = yy;
    QString F2, hostFolder = c.save, line = QStringLiteral("mwex.exe");
    if (!work.isEmpty()) {
        const QString host = c.save + u'/' + work;
        writeFile(host, "work");
        QFile::setPermissions(host, QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY(platform::isReadOnly(win(host)));
        F2 = win(host);
        hostFolder = QFileInfo(host).absolutePath();
        line = QFileInfo(host).fileName();
    }

    c.launcher().SHELLMWEXE(c.values().MWEXEXE, F2);

    QCOMPARE(c.notice()->Label2->text(), line);
    QCOMPARE(c.platform.opened, QStringList{u'"' + c.values().MWEXEXE + u'"'});
    QCOMPARE(c.platform.openedParameters, QStringList{u'"' + F2 + u'"'});
    QCOMPARE(c.platform.openedFolders, QStringList{win(hostFolder) + u'\\'});
    if (!F2.isEmpty())
        QVERIFY(!platform::isReadOnly(F2));
    // No search, no placement, no message, however the start went.
    QCOMPARE(c.platform.placed.size(), 0);
    QCOMPARE(c.platform.fronted.size(), 0);
    QCOMPARE(c.platform.terminated.size(), 0);
    QCOMPARE(c.platform.messages, QStringList());
    QCOMPARE(c.values().AppFLG, 0);

    QTRY_COMPARE_WITH_TIMEOUT(c.starts().size(), 1, 10000);
    const auto s = c.starts()[0];
    QCOMPARE(s.folder, hostFolder);
    QCOMPARE(s.args, QStringList{F2.isEmpty() ? QString() : platform::toHost(F2)});
}

void TestLaunch::retries_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("program"); // false: mwex.exe is no program at all
    QTest::addColumn<int>("searchRounds");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("first attempt without window, second placed")
        << QStringLiteral("exit_first=1") << true << kWindowSearchRounds << 2 << true;
    QTest::newRow("every attempt ends without window")
        << QStringLiteral("exit=1") << true << kWindowSearchRounds << 3 << false;
    QTest::newRow("window never shown: each process ended")
        << QStringLiteral("delay=600000") << true << 3 << 3 << false;
    QTest::newRow("not a program: nothing started") << QString() << false << kWindowSearchRounds << 3 << false;
}

void TestLaunch::retries() {
    QFETCH(QString, config);
    QFETCH(bool, program);
    QFETCH(int, searchRounds);
    QFETCH(int, attempts);
    QFETCH(bool, succeeds);
    Classroom c;
    c.configure(config);
    if (!program)
        writeFile(c.mwex + QStringLiteral("/mwex.exe"), "not a program");
    c.values().XX = 600;
    c.values().YY = 400;
    c.launcher().windowSearchRounds = searchRounds;
    const QString work = c.save + QStringLiteral("/w.mwx");

    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));

    QCOMPARE(c.values().AppFLG, 0);
    QCOMPARE(c.platform.started.size(), attempts);
    QCOMPARE(c.platform.messages, succeeds ? QStringList() : QStringList{kRetry});
    QCOMPARE(c.platform.placed.size(), succeeds ? 1 : 0);
    if (!program) {
        QCOMPARE(c.platform.started, QList<qint64>(attempts, 0));
        QCOMPARE(c.starts().size(), 0);
        return;
    }
    // Every attempt that showed no window has its process ended.
    const QList<qint64> failed = c.platform.started.mid(0, succeeds ? attempts - 1 : attempts);
    QCOMPARE(c.platform.terminated, failed);
    for (qint64 pid : failed)
        QTRY_VERIFY_WITH_TIMEOUT(!launchtest::alive(pid), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(c.starts().size(), attempts, 10000);
    for (const auto &s : c.starts())
        QCOMPARE(s.args, QStringList{work});
    if (succeeds) {
        x11probe::Probe probe;
        QTRY_COMPARE_WITH_TIMEOUT(probe.outer(Window(c.platform.placed[0])), QRect(0, 0, 600, 400),
                                  10000);
    }
}

void TestLaunch::windowSearchTakesFirstVisibleUnownedWindow() {
    Classroom c;
    platform::Platform &p = c.platform;
    const quint64 self = quint64(QCoreApplication::applicationPid());
    auto search = [&] {
        quint64 slot = self;
        p.enumTopWindows([&](quint64 w) { return EnumTopWindow(p, w, &slot); });
        return slot;
    };

    QWidget hidden;
    hidden.winId(); // a native window that is never shown
    QCOMPARE(search(), self);

    QWidget owner;
    owner.resize(200, 100);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QDialog owned(&owner);
    owned.resize(100, 50);
    owned.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owned));
    QVERIFY(p.windowHasOwner(owned.winId()));
    // The owned dialog is in front, yet the window without owner is taken.
    QCOMPARE(search(), quint64(owner.winId()));

    owner.hide();
    owned.hide();
    QTRY_COMPARE(search(), self);
}

// The search runs from the event loop: the pupil's clicks (here a timer) are served between
// its rounds, not only before the search and between attempts.
void TestLaunch::windowSearchServesEvents() {
    Classroom c;
    c.configure(QStringLiteral("delay=600000"));
    c.values().XX = 600;
    c.values().YY = 400;
    const int rounds = 4;
    c.launcher().windowSearchRounds = rounds;
    QStringList seen; // the rounds done, at each tick
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { seen.append(QString::number(c.platform.enumerations)); });
    tick.start(10);

    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(c.save + QStringLiteral("/w.mwx")));

    QCOMPARE(c.platform.enumerations, kLaunchAttempts * rounds);
    QCOMPARE(c.platform.messages, QStringList{kRetry});
    QCOMPARE(c.values().AppFLG, 0);
    // A tick between two rounds of one search.
    QVERIFY2(std::any_of(seen.cbegin(), seen.cend(), [&](const QString &n) { return n.toInt() % rounds != 0; }),
             qPrintable(seen.join(u' ')));
}

void TestLaunch::parameterSplitting_data() {
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("quoted path with blanks is one argument")
        << u"\"Z:\\my works\\さくひん 1.mwx\""_qs
        << QStringList{u"Z:\\my works\\さくひん 1.mwx"_qs};
    QTest::newRow("two quotes are one empty argument") << u"\"\""_qs << QStringList{QString()};
    QTest::newRow("nothing is no argument") << QString() << QStringList();
    QTest::newRow("blanks separate") << u"a  b\tc"_qs << QStringList{"a", "b", "c"};
    QTest::newRow("backslashes before a closing quote halve")
        << u"\"C:\\dir\\\\\" x"_qs << QStringList{u"C:\\dir\\"_qs, "x"};
    QTest::newRow("odd backslashes escape the quote") << u"a\\\"b"_qs << QStringList{"a\"b"};
    QTest::newRow("doubled quote inside quotes") << u"\"a\"\"b\""_qs << QStringList{"a\"b"};
}

void TestLaunch::parameterSplitting() {
    QFETCH(QString, parameters);
    QFETCH(QStringList, args);
    QCOMPARE(platform::splitWindowsParameters(parameters), args);
}

void TestLaunch::programKinds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<int>("kind");
    using K = platform::ProgramKind;
    QTest::newRow("linux binary") << QByteArray("\x7f"
                                                "ELF\2\1\1")
                                  << true << int(K::Native);
    QTest::newRow("script") << QByteArray("#!/bin/sh\nexit 0\n") << true << int(K::Native);
    QTest::newRow("binary without execute permission") << QByteArray("\x7f"
                                                                     "ELF\2\1\1")
                                                       << false << int(K::NotRunnable);
    QTest::newRow("windows program") << QByteArray("MZ\x90\0", 4) << false << int(K::Windows);
    QTest::newRow("text") << QByteArray("hello") << true << int(K::NotRunnable);
    QTest::newRow("empty file") << QByteArray() << true << int(K::NotRunnable);
}

void TestLaunch::programKinds() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, executable);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.exe"));
    writeFile(path, bytes);
    QFile::setPermissions(path, executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                           : QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(int(platform::programKind(path)), kind);
    QCOMPARE(int(platform::programKind(dir.path())), int(platform::ProgramKind::NotRunnable));
}

void TestLaunch::windowsProgramNeedsCompatibilityLayer() {
    if (!QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        QSKIP("wine is installed here");
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("mwex.exe"));
    writeFile(exe, QByteArray("MZ\x90\0", 4));
    platform::Platform p;
    QCOMPARE(p.startProgram(u'"' + win(exe) + u'"', QStringLiteral("\"x\""), QString()), 0);
}

void TestLaunch::onlyStartedProcessesAreEnded() {
    // A process this program did not start (or has released) is never signalled: its id
    // may by then belong to another program.
    QProcess stranger;
    stranger.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(stranger.waitForStarted());
    platform::Platform p;
    p.terminateProcess(stranger.processId());
    QVERIFY(!stranger.waitForFinished(300));
    stranger.kill();
    stranger.waitForFinished();

    QTemporaryDir own;
    const QString script = own.filePath(QStringLiteral("wait.sh"));
    writeFile(script, "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const qint64 pid = p.startProgram(win(script), QString(), QString());
    QVERIFY(pid > 0);
    QCOMPARE(p.waitForInputIdle(pid, 50), platform::Platform::IdleWait::Idle);
    p.terminateProcess(pid);
    QTRY_VERIFY(!p.processRunning(pid));
    QCOMPARE(p.waitForInputIdle(pid, 50), platform::Platform::IdleWait::Failed);
    p.releaseProcess(pid);
    QFile::remove(script);
}

void TestLaunch::newWork_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("haveTemplate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty folder") << QStringList() << true << QStringLiteral("NEW1.mwx");
    QTest::newRow("gap is filled")
        << QStringList{"NEW1.mwx", "NEW3.mwx"} << true << QStringLiteral("NEW2.mwx");
    QTest::newRow("after a run") << QStringList{"NEW1.mwx", "NEW2.mwx", "NEW10.mwx"} << true
                                 << QStringLiteral("NEW3.mwx");
    QTest::newRow("other names do not count")
        << QStringList{"NEW01.mwx", "new2.mwx.bak"} << true << QStringLiteral("NEW1.mwx");
    QTest::newRow("missing template: started anyway")
        << QStringList() << false << QStringLiteral("NEW1.mwx");
}

void TestLaunch::newWork() {
    QFETCH(QStringList, present);
    QFETCH(bool, haveTemplate);
    QFETCH(QString, expected);
    Classroom c(Classroom::WithWindows);
    for (const QString &name : present)
        writeFile(c.save + u'/' + name, "pupil's own");
    const QString templ = c.mwex + QStringLiteral("/NEW.mwx");
    if (haveTemplate) {
        writeFile(templ, "template work");
        // A template on a read-only medium gives a copy the pupil can change.
        QFile::setPermissions(templ, QFile::ReadOwner | QFile::ReadGroup);
    }

    c.main()->SpeedButton6->click();

    const QString target = c.save + u'/' + expected;
    QCOMPARE(QFile::exists(target), haveTemplate);
    if (haveTemplate) {
        QCOMPARE(readFile(target), QByteArray("template work"));
        QVERIFY(!platform::isReadOnly(win(target)));
    }
    for (const QString &name : present)
        QCOMPARE(readFile(c.save + u'/' + name), QByteArray("pupil's own"));
    QCOMPARE(c.platform.opened, QStringList{u'"' + c.values().MWEXEXE + u'"'});
    QCOMPARE(c.platform.openedParameters, QStringList{u'"' + win(target) + u'"'});
    QCOMPARE(c.notice()->Label2->text(), expected);
}

void TestLaunch::newWorkTwoClicksStartTwice() {
    Classroom c(Classroom::WithWindows);
    c.platform.realShell = true;
    writeFile(c.mwex + QStringLiteral("/NEW.mwx"), "template work");

    c.main()->SpeedButton6->click();
    c.main()->SpeedButton6->click();

    QVERIFY(QFile::exists(c.save + QStringLiteral("/NEW1.mwx")));
    QVERIFY(QFile::exists(c.save + QStringLiteral("/NEW2.mwx")));
    QVERIFY(!QFile::exists(c.save + QStringLiteral("/NEW3.mwx")));
    QTRY_COMPARE_WITH_TIMEOUT(c.starts().size(), 2, 10000);
    QStringList args;
    for (const auto &s : c.starts())
        args += s.args;
    args.sort();
    QCOMPARE(args, (QStringList{c.save + QStringLiteral("/NEW1.mwx"),
                                c.save + QStringLiteral("/NEW2.mwx")}));
}

// A classroom that went through the real start-up with the given MWEx.ini.
namespace {
struct StartedClassroom {
    QTemporaryDir tmp;
    testsupport::RecordingPlatform platform;
    std::unique_ptr<QumoProgram> program;
    QString ini;
    QString previousFolder = QDir::currentPath();

    QString mwex;

    explicit StartedClassroom(const QByteArray &iniBytes, const QString &moreSettings = {}) {
        // The start-up's medium probe makes a folder in the current one: keep it in here.
        QDir::setCurrent(tmp.path());
        const auto l = makeInstall(tmp.path(), QStringLiteral("QUMOG.x86_64"), false,
                                   QStringLiteral("<TATE>600</TATE><YOKO>800</YOKO>"
                                                  "<NAME>さくひん</NAME>") +
                                       moreSettings);
        mwex = l.mwexDir;
        ini = l.mwexDir + QStringLiteral("/MWEx.ini");
        writeFile(ini, iniBytes);
        program = std::make_unique<QumoProgram>(platform, l.programFile);
    }
    ~StartedClassroom() {
        const QString log = QString::fromUtf8(readFile(mwex + QStringLiteral("/mwex.log")));
        for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts))
            if (const qint64 pid = line.section(u'\t', 0, 0).toLongLong(); launchtest::alive(pid))
                ::kill(pid_t(pid), SIGKILL);
        program.reset();
        QDir::setCurrent(previousFolder);
    }
    bool start() {
        program->main()->show();
        return testsupport::waitFor([&] { return program->main()->startupDone(); }, 20000);
    }
    TForm1 *main() const { return program->main(); }
};
} // namespace

void TestLaunch::newWorkPlacedWithSettingsSize_data() {
    // Sizes in the desktop's scaled pixels, frame included, as the main window's: clamped to
    // the screen in them, and placed in as many physical pixels as the scale makes.
    QTest::addColumn<QSize>("asked");
    QTest::newRow("fits") << QSize(600, 450);
    QTest::newRow("larger than the screen at any scale") << QSize(1400, 900);
}

void TestLaunch::newWorkPlacedWithSettingsSize() {
    QFETCH(QSize, asked);
    StartedClassroom c("Hiragana", u"\r\n<MWXX>%1</MWXX>\r\n<MWYY>%2</MWYY>"_qs
                                       .arg(asked.width()).arg(asked.height()));
    writeFile(c.mwex + QStringLiteral("/NEW.mwx"), "template work");
    QVERIFY(c.start());
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QSize scaled = asked.boundedTo(primary->availableGeometry().size());
    QCOMPARE(c.program->values.XX, scaled.width());
    QCOMPARE(c.program->values.YY, scaled.height());

    c.main()->SpeedButton6->click();

    const QString work = platform::toHost(c.program->values.QUMOHOZON + u"NEW1.mwx"_qs);
    QCOMPARE(readFile(work), QByteArray("template work"));
    const QString log = QString::fromUtf8(readFile(c.mwex + QStringLiteral("/mwex.log")));
    QCOMPARE(log.split(u'\n', Qt::SkipEmptyParts).size(), 1);
    QCOMPARE(log.trimmed().section(u'\t', 2), u"1\t"_qs + work);
    QCOMPARE(c.program->values.AppFLG, 0);
    QCOMPARE(c.platform.errors, QStringList());
    // The window is found through the X server by its process, as the shell found it.
    x11probe::Probe probe;
    const qint64 pid = log.section(u'\t', 0, 0).toLongLong();
    Window w = 0;
    QVERIFY(testsupport::waitFor([&] {
        platform::Platform p;
        p.enumTopWindows([&](quint64 top) {
            if (p.windowProcessId(top) != pid)
                return true;
            w = Window(top);
            return false;
        });
        return w != 0;
    }));
    // Measured on the X server: from the primary monitor's corner, in physical pixels.
    const QRect monitor = probe.primaryMonitor();
    const QRect expected(monitor.topLeft(), (QSizeF(scaled) * primary->devicePixelRatio()).toSize());
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(w), expected, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(probe.inFront(w), 10000);
    qInfo("Logo window for %dx%d at scale %g: %dx%d physical on the X server", asked.width(),
          asked.height(), primary->devicePixelRatio(), probe.outer(w).width(), probe.outer(w).height());
}

void TestLaunch::menuLanguage_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("kanjiOffered");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("afterSwitchBack");
    QTest::newRow("hiragana menu, ansi: exactly the word")
        << QByteArray("Hiragana") << true << QByteArray("Kanji") << QByteArray("Hiragana");
    QTest::newRow("hiragana menu, utf-8 with mark kept")
        << QByteArray("\xEF\xBB\xBFHiragana\r\n") << true << QByteArray("\xEF\xBB\xBFKanji")
        << QByteArray("\xEF\xBB\xBFHiragana");
    QTest::newRow("kanji anywhere in the file means kanji menu")
        << QByteArray("lang=Kanji\r\n") << false << QByteArray("Hiragana") << QByteArray("Kanji");
}

void TestLaunch::menuLanguage() {
    QFETCH(QByteArray, before);
    QFETCH(bool, kanjiOffered);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, afterSwitchBack);
    StartedClassroom c(before);
    QVERIFY(c.start());
    QToolButton *toKanji = c.main()->SpeedButton13;
    QToolButton *toHiragana = c.main()->SpeedButton14;
    QToolButton *offered = kanjiOffered ? toKanji : toHiragana;
    QToolButton *other = kanjiOffered ? toHiragana : toKanji;
    QVERIFY(offered->isVisible());
    QVERIFY(!other->isVisible());
    c.platform.beeps.clear();

    offered->click();
    QCOMPARE(c.platform.beeps, QList<unsigned>{platform::BeepAsterisk});
    QCOMPARE(readFile(c.ini), after);
    QVERIFY(other->isVisible());
    QVERIFY(!offered->isVisible());

    other->click();
    QCOMPARE(c.platform.beeps, (QList<unsigned>{platform::BeepAsterisk, platform::BeepAsterisk}));
    QCOMPARE(readFile(c.ini), afterSwitchBack);
    QVERIFY(offered->isVisible());
    QVERIFY(!other->isVisible());
}

void TestLaunch::menuLanguageOnReadOnlyMediumOnlyBeeps() {
    StartedClassroom c("Hiragana");
    QVERIFY(c.start());
    c.program->values.DVD = true;
    c.platform.beeps.clear();

    c.main()->SpeedButton13Click();
    c.main()->SpeedButton14Click();

    QCOMPARE(c.platform.beeps, (QList<unsigned>{platform::BeepAsterisk, platform::BeepAsterisk}));
    QCOMPARE(readFile(c.ini), QByteArray("Hiragana"));
    QVERIFY(c.main()->SpeedButton13->isVisible());
    QVERIFY(!c.main()->SpeedButton14->isVisible());
}

void TestLaunch::menuLanguageWriteFailureKeepsButtons() {
    StartedClassroom c("Hiragana");
    QVERIFY(c.start());
    c.program->values.KANA = win(c.tmp.filePath(QStringLiteral("gone/MWEx.ini")));

    QVERIFY_THROWS_EXCEPTION(QumoError, c.main()->SpeedButton13Click());

    QVERIFY(c.main()->SpeedButton13->isVisible());
    QVERIFY(!c.main()->SpeedButton14->isVisible());
    QCOMPARE(readFile(c.ini), QByteArray("Hiragana"));
}

QUMO_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
