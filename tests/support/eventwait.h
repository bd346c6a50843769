#pragma once
// Waits that serve the event loop the whole time they wait, and the QTRY_ macros built on them.
//
// Qt Test's own waits (QTRY_*, qWait, qWaitFor) sleep 10 ms between passes over the pending
// events. The browser engine does the work of a page load in many small steps on this
// thread, each posted from one of its own threads, so each step waited out such a sleep: a
// local page took 1.5 s to load instead of 50 ms, and the browser suites spent most of their
// time asleep. These waits block in the event dispatcher instead, which wakes for every event.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

namespace testsupport {

// How often a condition is looked at again while events come and go.
inline constexpr int kConditionPollMs = 10;

// Serves events until `done()` holds or `timeoutMs` have passed; returns the milliseconds
// waited. Objects deleted later go at once, as in Qt Test's waits. Unlike a nested
// QEventLoop it goes on when someone asked the application to quit.
template <typename Done>
int waitForMs(Done done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    QElapsedTimer waited;
    waited.start();
    if (done())
        return 0;
    bool look = false;
    QTimer poll; // wakes the dispatcher when nothing else does
    QObject::connect(&poll, &QTimer::timeout, [&look] { look = true; });
    poll.start(kConditionPollMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!look)
            continue;
        look = false;
        if (done() || deadline.hasExpired())
            return int(waited.elapsed());
    }
}

// Serves events until `done()` holds or `timeoutMs` have passed; true when it holds.
template <typename Done>
bool waitFor(Done done, int timeoutMs = 5000) {
    waitForMs(done, timeoutMs);
    return done();
}

} // namespace testsupport

// The QTRY_ macros of Qt Test (their checks, messages and timeouts unchanged) wait through
// waitForMs. qt_test_i is the time waited, as the macro that reports a too short timeout
// expects.
#undef QTRY_LOOP_IMPL
#define QTRY_LOOP_IMPL(expr, timeoutValue, step)                                            \
    [[maybe_unused]] const int qt_test_i = testsupport::waitForMs(                                        \
        [&] { return (QTest::runningTest() && QTest::currentTestFailed()) || !!(expr); },  \
        (timeoutValue));                                                                   \
    Q_UNUSED(step)
