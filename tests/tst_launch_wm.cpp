// The Logo program's window placed under a real window manager: a maximised or minimised
// window is restored to the rectangle, frame included, and brought to the front.
// Runs its own window manager on the test display, so it needs the display to itself.
#include "launchfixture.h"
#include "support/x11probe.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace testsupport;
using launchtest::Classroom;

class TestLaunchWm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void restoredAndPlaced_data();
    void restoredAndPlaced();

private:
    x11probe::OwnWindowManager wm_;
};

namespace {
// The managed window of a process, or 0.
Window clientOf(const x11probe::Probe &probe, qint64 pid) {
    for (unsigned long w : probe.longs(probe.root(), "_NET_CLIENT_LIST", XA_WINDOW)) {
        const auto p = probe.longs(Window(w), "_NET_WM_PID", XA_CARDINAL);
        if (!p.empty() && qint64(p[0]) == pid)
            return Window(w);
    }
    return 0;
}

bool hasAny(const QStringList &states, const QStringList &wanted) {
    for (const QString &s : wanted)
        if (states.contains(s))
            return true;
    return false;
}
} // namespace

void TestLaunchWm::initTestCase() {
    x11probe::Probe probe;
    QVERIFY2(probe.ok(), "an X11 display is needed");
    const auto started = wm_.start(probe);
    if (started == x11probe::OwnWindowManager::Outcome::NotInstalled)
        QSKIP("openbox is not installed");
    QVERIFY(started != x11probe::OwnWindowManager::Outcome::DidNotStart);
}

void TestLaunchWm::cleanupTestCase() {
    wm_.stop();
}

void TestLaunchWm::restoredAndPlaced_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("xx");
    QTest::addColumn<int>("yy");
    QTest::newRow("normal") << QString() << 700 << 500;
    QTest::newRow("maximized") << QStringLiteral("maximized") << 700 << 500;
    QTest::newRow("minimized") << QStringLiteral("minimized") << 640 << 480;
}

void TestLaunchWm::restoredAndPlaced() {
    QFETCH(QString, state);
    QFETCH(int, xx);
    QFETCH(int, yy);
    const QStringList maximised{QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT"),
                                QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")};
    const QString hidden = QStringLiteral("_NET_WM_STATE_HIDDEN");
    x11probe::Probe probe;
    Classroom c;
    c.configure(QStringLiteral("size=300,200\nstate=") + state);
    const QString work = c.save + QStringLiteral("/作品 1.mwx");
    writeFile(work, "work");

    // The state is real: left to itself (plain start), the stand-in comes up in it.
    c.platform.realShell = true;
    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));
    QTRY_COMPARE_WITH_TIMEOUT(c.starts().size(), 1, 10000);
    const qint64 firstPid = c.starts()[0].pid;
    QTRY_VERIFY_WITH_TIMEOUT(clientOf(probe, firstPid) != 0, 10000);
    const Window first = clientOf(probe, firstPid);
    if (state == QLatin1String("maximized"))
        QTRY_VERIFY_WITH_TIMEOUT(probe.netStates(first).contains(maximised[0]), 10000);
    else if (state == QLatin1String("minimized"))
        QTRY_COMPARE_WITH_TIMEOUT(probe.wmState(first), 3L, 10000);
    else
        QTRY_COMPARE_WITH_TIMEOUT(probe.wmState(first), 1L, 10000);
    ::kill(pid_t(firstPid), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(clientOf(probe, firstPid) == 0, 10000);

    // The placed start restores it to the rectangle at the corner, in front.
    c.values().XX = xx;
    c.values().YY = yy;
    c.launcher().SHELLMWEXE(c.values().MWEXEXE, win(work));
    QCOMPARE(c.platform.messages, QStringList());
    QCOMPARE(c.values().AppFLG, 0);
    QCOMPARE(c.platform.placed.size(), 1);
    const Window w = Window(c.platform.placed[0]);
    QCOMPARE(qint64(probe.longs(w, "_NET_WM_PID", XA_CARDINAL).at(0)), c.starts().last().pid);
    QTRY_COMPARE_WITH_TIMEOUT(probe.wmState(w), 1L, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!hasAny(probe.netStates(w), maximised + QStringList{hidden}), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(probe.viewable(w), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.outer(w), QRect(0, 0, xx, yy), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(probe.inFront(w), 10000);
    auto e = probe.longs(w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    e.resize(4, 0);
    const QRect outer = probe.outer(w);
    qInfo("started %s, window 0x%lx measured by the X server: frame x=%d y=%d w=%d h=%d "
          "(frame extents l=%lu r=%lu t=%lu b=%lu), states [%s], active and on top",
          state.isEmpty() ? "normal" : qPrintable(state), w, outer.x(), outer.y(), outer.width(),
          outer.height(), e[0], e[1], e[2], e[3], qPrintable(probe.netStates(w).join(u' ')));
}

QUMO_TEST_MAIN(TestLaunchWm)
#include "tst_launch_wm.moc"
