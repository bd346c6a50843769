// The Windows Logo program on Linux: the Windows build of the stand-in started through
// Wine under a window manager, its work's "Z:\" path arriving whole, its window placed;
// the locale Wine gets, and the preparation of a fresh prefix that the first start waits
// for. Runs its own window manager on the test display, so it needs the display to itself.
#include "launchfixture.h"
#include "app/program.h"
#include "platform/process.h"
#include "support/x11probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <csignal>

using namespace testsupport;
using launchtest::Classroom;

namespace {
#ifdef QUMO_WIN32_STANDIN_EXE
const QString kWindowsStandin = QStringLiteral(QUMO_WIN32_STANDIN_EXE);
#else
const QString kWindowsStandin;
#endif

// Prefix creation is slow (half a minute and more on a loaded machine).
constexpr int kPrefixTimeoutMs = 300000;
constexpr int kWindowTimeoutMs = 30000;

QString wine() {
    return QStandardPaths::findExecutable(QStringLiteral("wine"));
}

// Ends every Wine process of `prefix` and its server.
void killWineserver(const QString &prefix) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    if (p.waitForStarted(10000) && !p.waitForFinished(60000))
        p.kill();
    p.waitForFinished(10000);
}

// Ends at once every Wine process that runs with WINEPREFIX=`prefix` and the preparation's
// shell (so that it starts no further step), then that prefix's server. Cases that only
// need a preparation to have begun stop it this way instead of letting Wine finish a
// prefix that is thrown away.
void endPreparation(const QString &prefix) {
    const QByteArray wanted = "WINEPREFIX=" + QFile::encodeName(prefix);
    const qint64 self = QCoreApplication::applicationPid();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || pid == self)
            continue;
        // Only Wine's own processes (and the shell that runs wineboot): the browser engine's
        // helpers of this test carry the variable too. Wine's programs name themselves by
        // their Windows path ("C:\windows\system32\services.exe"), but run Wine's binary.
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        const bool wine =
            (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("wine")) ||
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget().contains(
                u"wine");
        if (!wine)
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(entry));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(wanted))
            ::kill(pid_t(pid), SIGKILL);
    }
    killWineserver(prefix);
}

// Sets an environment variable for one scope (empty value: unset) and restores it.
class EnvOverride {
public:
    EnvOverride(const char *name, const QByteArray &value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvOverride() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

// Wine has made the prefix (its registry reaches the disk only when the server ends).
bool prefixMade(const QString &prefix) {
    return QFile::exists(prefix + QStringLiteral("/.update-timestamp")) &&
           QFileInfo(prefix + QStringLiteral("/drive_c/windows/system32")).isDir();
}

bool hasAny(const QStringList &states, const QStringList &wanted) {
    for (const QString &s : wanted)
        if (states.contains(s))
            return true;
    return false;
}
} // namespace

// (initTestCase skips the whole suite when Wine or the Windows stand-in is missing.)
#define REQUIRE_WINE()                                                                     \
    QVERIFY2(prepareSharedPrefix(), "the shared Wine prefix could not be prepared")

class TestLaunchWine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void wineLocale_data();
    void wineLocale();
    // First: the prefix it makes is the one the cases after it share.
    void freshPrefixCostsNoAttempt();
    void placed_data();
    void placed();
    void firstStartFailsSecondIsPlaced();
    void closingStopsTheWaitForPreparation();
    void startupPreparesTheLayer();

private:
    // Checks that the stand-in's window of the last start is placed at the corner, in
    // front and in the normal state, and that it got `work` as its one argument.
    void verifyPlaced(Classroom &c, const QString &work, int xx, int yy);
    // The prepared prefix the cases share: the one the first start on a fresh prefix made,
    // or, when that case did not run first, one made here.
    bool prepareSharedPrefix();

    x11probe::OwnWindowManager wm_;
    QTemporaryDir prefixRoot_;
    QString sharedPrefix_;
    bool sharedPrefixReady_ = false;
};

void TestLaunchWine::initTestCase() {
    qputenv("WINEDEBUG", "-all");
    // Without Wine or the Windows stand-in the whole suite is skipped, and says why.
    if (wine().isEmpty())
        QSKIP("wine is not installed (apt-get install wine wine64)");
    if (kWindowsStandin.isEmpty() || !QFile::exists(kWindowsStandin))
        QSKIP("no Windows stand-in: the cross compiler x86_64-w64-mingw32-gcc is missing "
              "(apt-get install gcc-mingw-w64-x86-64)");
    x11probe::Probe probe;
    QVERIFY2(probe.ok(), "an X11 display is needed");
    const auto started = wm_.start(probe);
    if (started == x11probe::OwnWindowManager::Outcome::NotInstalled)
        QSKIP("openbox is not installed");
    QVERIFY(started != x11probe::OwnWindowManager::Outcome::DidNotStart);
    // One prepared prefix for every case that is not about a fresh one. Making a prefix
    // takes most of this suite's time, so the fresh one of the first start is kept for them.
    QVERIFY(prefixRoot_.isValid());
    sharedPrefix_ = prefixRoot_.filePath(QStringLiteral("home/.wine"));
    QVERIFY(QDir().mkpath(prefixRoot_.filePath(QStringLiteral("home")))); // Wine makes no parents
    qputenv("WINEPREFIX", sharedPrefix_.toLocal8Bit());
}

bool TestLaunchWine::prepareSharedPrefix() {
    if (sharedPrefixReady_)
        return true;
    const QString exe = win(kWindowsStandin);
    platform::prepareForProgram(exe);
    if (!testsupport::waitFor([&] { return platform::waitForPreparation(exe, 200); },
                              kPrefixTimeoutMs))
        return false;
    sharedPrefixReady_ = prefixMade(sharedPrefix_);
    return sharedPrefixReady_;
}

void TestLaunchWine::cleanupTestCase() {
    if (!sharedPrefix_.isEmpty())
        killWineserver(sharedPrefix_);
    wm_.stop();
}

void TestLaunchWine::wineLocale_data() {
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("lcAll");
    QTest::newRow("LANG names a locale that is not installed") << QByteArray("xx_YY.UTF-8")
                                                               << QByteArray();
    QTest::newRow("LC_ALL names a locale that is not installed")
        << QByteArray("C.UTF-8") << QByteArray("xx_YY.UTF-8");
    QTest::newRow("no locale at all") << QByteArray() << QByteArray();
}

void TestLaunchWine::wineLocale() {
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, lcAll);
    QVERIFY(!platform::localeInstalled(QStringLiteral("xx_YY.UTF-8")));
    QVERIFY(platform::localeInstalled(QStringLiteral("C.UTF-8")));

    QProcessEnvironment base;
    base.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin"));
    base.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    if (!lang.isEmpty())
        base.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
    if (!lcAll.isEmpty())
        base.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(lcAll));
    const QProcessEnvironment env = platform::windowsProgramEnvironment(base);

    // Japanese when it is there, else the neutral UTF-8 locale; always one that exists.
    const QString expected = platform::localeInstalled(QStringLiteral("ja_JP.UTF-8"))
                                 ? QStringLiteral("ja_JP.UTF-8")
                                 : QStringLiteral("C.UTF-8");
    QCOMPARE(env.value(QStringLiteral("LC_ALL")), expected);
    QCOMPARE(env.value(QStringLiteral("LANG")), expected);
    QVERIFY(platform::localeInstalled(env.value(QStringLiteral("LC_ALL"))));
    // Only the child's locale changes.
    QCOMPARE(env.value(QStringLiteral("PATH")), QStringLiteral("/usr/bin"));
    qInfo("Windows programs run under %s here", qPrintable(expected));
}

void TestLaunchWine::verifyPlaced(Classroom &c, const QString &work, int xx, int yy) {
    const QStringList maximised{QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT"),
                                QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")};
    x11probe::Probe probe;
    QCOMPARE(c.platform.messages, QStringList());
    QCOMPARE(c.values().AppFLG, 0);
    QCOMPARE(c.platform.placed.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!c.starts().isEmpty(), kWindowTimeoutMs);
    const launchtest::Start last = c.starts().last();
    // The exact path, Japanese folder names and blanks included, as the one argument.
    QCOMPARE(last.args, QStringList{win(work)});
    QVERIFY2(last.commandLine.endsWith(QStringLiteral(" \"") + win(work) + u'"'),
             qPrintable(last.commandLine));
    // The placed window is the started process's own (Wine puts the Unix pid there).
    const Window w = Window(c.platform.placed[0]);
    QCOMPARE(qint64(probe.longs(w, "_NET_WM_PID", XA_CARDINAL).at(0)), last.pid);
    QCOMPARE(c.platform.started.last(), last.pid);
    QTRY_COMPARE_WITH_TIMEOUT(probe.wmState(w), 1L, kWindowTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!hasAny(probe.netStates(w), maximised), kWindowTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(w), kWindowTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(w), QRect(0, 0, xx, yy), kWindowTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(probe.inFront(w), kWindowTimeoutMs);
}

void TestLaunchWine::placed_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<int>("xx");
    QTest::addColumn<int>("yy");
    QTest::newRow("normal") << QString() << QByteArray() << 700 << 500;
    QTest::newRow("maximised is restored") << QStringLiteral("maximized") << QByteArray() << 640
                                           << 480;
    QTest::newRow("LANG names a locale that is not installed")
        << QString() << QByteArray("xx_YY.UTF-8") << 700 << 500;
}

void TestLaunchWine::placed() {
    REQUIRE_WINE();
    QFETCH(QString, state);
    QFETCH(QByteArray, lang);
    QFETCH(int, xx);
    QFETCH(int, yy);
    // The shell's own locale stays whatever the desktop gives it; only Wine's is chosen.
    std::unique_ptr<EnvOverride> langOverride, allOverride, ctypeOverride;
    if (!lang.isEmpty()) {
        langOverride = std::make_unique<EnvOverride>("LANG", lang);
        allOverride = std::make_unique<EnvOverride>("LC_ALL", QByteArray());
        ctypeOverride = std::make_unique<EnvOverride>("LC_CTYPE", QByteArray());
    }
    Classroom c;
    QVERIFY(c.useStandin(kWindowsStandin));
    c.configure(QStringLiteral("size=300,200\nstate=") + state);
    const QString work = c.save + QStringLiteral("/作品 1.mwx");
    writeFile(work, "work");
    c.values().XX = xx;
    c.values().YY = yy;

    QElapsedTimer clock;
    clock.start();
    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));
    const qint64 ms = clock.elapsed();
    verifyPlaced(c, work, xx, yy);
    qInfo("prepared prefix: click to placed window %lld ms", ms);
}

void TestLaunchWine::firstStartFailsSecondIsPlaced() {
    REQUIRE_WINE();
    Classroom c;
    QVERIFY(c.useStandin(kWindowsStandin));
    c.configure(QStringLiteral("exit_first=1"));
    const QString work = c.save + QStringLiteral("/さくひん 2.mwx");
    writeFile(work, "work");
    c.values().XX = 600;
    c.values().YY = 400;
    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));
    verifyPlaced(c, work, 600, 400);
    // On a busy machine a later attempt may miss the search as well; the first never shows.
    QVERIFY(c.starts().size() >= 2);
    QCOMPARE(c.platform.started.size(), c.starts().size());
}

void TestLaunchWine::freshPrefixCostsNoAttempt() {
    // A pupil's first start of the day: no prefix yet in the (new) home folder. Its prefix
    // becomes the shared one, unless an earlier case has made that already.
    QTemporaryDir spareHome;
    const bool makesShared = !sharedPrefixReady_;
    const QString home = makesShared ? prefixRoot_.filePath(QStringLiteral("home")) : spareHome.path();
    QVERIFY(QDir().mkpath(home));
    EnvOverride homeOverride("HOME", home.toLocal8Bit());
    EnvOverride prefixOverride("WINEPREFIX", QByteArray());
    const QString prefix = home + QStringLiteral("/.wine");
    QCOMPARE(platform::winePrefixOf(QProcessEnvironment::systemEnvironment()), prefix);
    QVERIFY(!QFile::exists(prefix));

    Classroom c;
    QVERIFY(c.useStandin(kWindowsStandin));
    const QString work = c.save + QStringLiteral("/はじめて の 作品.mwx");
    writeFile(work, "work");
    c.values().XX = 700;
    c.values().YY = 500;
    // What the start-up does once it knows the program; the click comes at once.
    platform::prepareForProgram(c.values().MWEXEXE);
    QVERIFY(platform::preparingForProgram(c.values().MWEXEXE));
    QList<bool> preparingAtStart;
    c.platform.beforeStart = [&](const QString &file) {
        preparingAtStart.append(platform::preparingForProgram(file));
    };
    QElapsedTimer clock;
    clock.start();
    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));
    const qint64 ms = clock.elapsed();
    verifyPlaced(c, work, 700, 500);
    // The program was started once the prefix was made, so its window search was not
    // spent on making it.
    QVERIFY(!preparingAtStart.isEmpty());
    QCOMPARE(preparingAtStart.first(), false);
    QVERIFY(prefixMade(prefix));
    qInfo("fresh prefix: click to placed window %lld ms", ms);
    if (makesShared)
        sharedPrefixReady_ = true; // its server stays for the next cases, as a prepared one
    else
        killWineserver(prefix);
}

void TestLaunchWine::closingStopsTheWaitForPreparation() {
    REQUIRE_WINE();
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    EnvOverride prefixOverride("WINEPREFIX", prefix.toLocal8Bit());
    Classroom c(Classroom::WithWindows);
    QVERIFY(c.useStandin(kWindowsStandin));
    const QString work = c.save + QStringLiteral("/作品.mwx");
    writeFile(work, "work");
    c.values().XX = 700;
    c.values().YY = 500;
    const QString exe = c.values().MWEXEXE;
    platform::prepareForProgram(exe);
    QVERIFY(platform::preparingForProgram(exe));

    // The pupil closes the window while the launch waits: it ends without a start.
    bool stillPreparingAtClose = false;
    QTimer::singleShot(300, c.main(), [&] {
        stillPreparingAtClose = platform::preparingForProgram(exe);
        c.main()->close();
    });
    c.main()->SHELLMWEXE(exe, win(work));
    QVERIFY(stillPreparingAtClose);
    QCOMPARE(c.platform.started, QList<qint64>());
    QCOMPARE(c.platform.messages, QStringList());
    QCOMPARE(c.values().AppFLG, 0);

    // Wine's processes of this prefix go; a server can still be on its way up.
    QTRY_VERIFY_WITH_TIMEOUT((endPreparation(prefix), platform::waitForPreparation(exe, 100)),
                             kPrefixTimeoutMs);
}

void TestLaunchWine::startupPreparesTheLayer() {
    REQUIRE_WINE();
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    EnvOverride prefixOverride("WINEPREFIX", prefix.toLocal8Bit());
    EnvOverride homeOverride("HOME", root.filePath(QStringLiteral("home")).toLocal8Bit());
    QDir().mkpath(root.filePath(QStringLiteral("home/Desktop")));
    QDir().mkpath(root.filePath(QStringLiteral("cwd")));
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(root.filePath(QStringLiteral("cwd")));
    const auto l = makeInstall(root.filePath(QStringLiteral("授業")), QStringLiteral("QUMOG.x86_64"),
                               true,
                               QStringLiteral("<TATE>600</TATE>\r\n<YOKO>800</YOKO>\r\n"
                                              "<MWXX>400</MWXX>\r\n<MWYY>300</MWYY>\r\n"
                                              "<NAME>さくひん</NAME>\r\n"));
    QFile::remove(l.mwexDir + QStringLiteral("/mwex.exe"));
    QVERIFY(QFile::copy(kWindowsStandin, l.mwexDir + QStringLiteral("/mwex.exe")));

    launchtest::LaunchPlatform recording;
    QumoProgram program(recording, l.programFile);
    QElapsedTimer clock;
    clock.start();
    program.main()->FormShow();
    const qint64 ms = clock.elapsed();
    QDir::setCurrent(savedCurrent);
    QVERIFY2(program.main()->startupDone(), qPrintable(recording.errors.join(u'\n')));
    // The start-up has begun making the prefix and has not waited for it.
    QVERIFY(platform::preparingForProgram(program.values.MWEXEXE));
    qInfo("start-up with a fresh prefix took %lld ms", ms);

    QTRY_VERIFY_WITH_TIMEOUT(
        (endPreparation(prefix), platform::waitForPreparation(program.values.MWEXEXE, 100)),
        kPrefixTimeoutMs);
}

QUMO_TEST_MAIN(TestLaunchWine)
#include "tst_launch_wine.moc"
