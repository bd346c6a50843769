#pragma once
// Long work (a catalogue, a folder copy, a big picture file) run on a thread of its own while
// the calling GUI thread keeps serving clicks, repaints and timers in a local event loop. The
// caller goes on when the work is done, as if it had run inline, so the order of what the
// pupil sees and of the files that exist is the same.
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <sys/resource.h>

#include <exception>
#include <functional>
#include <memory>

namespace platform {

// Runs `work` on a new thread and returns when it has ended; what it throws is thrown here.
// Should the application quit meanwhile (every event loop told to end), `stop` is called to
// cut the work short before it is waited for. Without an application object, or off the
// application's thread, the work simply runs here.
// How much nicer than the calling thread the work's thread runs (per thread on Linux).
constexpr int kAsideNice = 5;

// Whether the work runs below the GUI thread; a program started from it would inherit that.
enum class AsidePriority { Lower, Same };

inline void runAside(const std::function<void()> &work, const std::function<void()> &stop = {},
                     AsidePriority priority = AsidePriority::Lower) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    std::exception_ptr thrown;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        // Below the GUI thread, and so are the threads it starts: on a busy two-core PC
        // the window is served first and the work takes what is left.
        if (priority == AsidePriority::Lower)
            ::setpriority(PRIO_PROCESS, 0, ::getpriority(PRIO_PROCESS, 0) + kAsideNice);
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    thread->start();
    loop.exec();
    if (!thread->isFinished() && stop)
        stop();
    thread->wait();
    if (thrown)
        std::rethrow_exception(thrown);
}

} // namespace platform
