#pragma once
// Starting the Logo program with a work, finding its window and placing it: a small object
// that gets what it needs from the main window (values, platform, the notice) passed in.
#include "app/windowneeds.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// A placed start is tried this many times before the pupil is asked to click again.
inline constexpr int kLaunchAttempts = 3;
// The window search after a start: this many rounds, this far apart (about ten seconds).
inline constexpr int kWindowSearchRounds = 101;
inline constexpr int kWindowSearchIntervalMs = 100;
// How often a started program is asked whether it is ready for input.
inline constexpr int kIdleWaitMs = 50;

class Launcher {
public:
    // What the launcher needs from the window that owns it.
    struct Needs : WindowNeeds {
        // The notice is on screen.
        std::function<bool()> noticeShowing;
        // The main window was closed: waits on the outside world stop.
        std::function<bool()> closed;
    };

    explicit Launcher(Needs needs);

    // Starts the Logo program `F1` with the work `F2` and places its window; returns when
    // the launch has ended (placed, given up or the window closed), the events served
    // meanwhile. A placed start makes at most kLaunchAttempts attempts.
    void SHELLMWEXE(const QString &F1, const QString &F2);
    // Places window `AWnd` with the rectangle X, Y, XSize, YSize (right and bottom); the
    // null window shows the retry message instead.
    void SetPositionSize(quint64 AWnd, qint32 X, qint32 Y, qint32 XSize, qint32 YSize);
    // Before a placed start of a Windows program: waits, events processed and the notice
    // with `line` shown, until the layer's preparation has ended (bounded). False when the
    // main window was closed meanwhile.
    bool waitForProgramPreparation(const QString &F1, const QString &line);

    // Rounds of the search for the started program's window (tests shorten it to keep a
    // program that never shows a window from taking ten seconds).
    int windowSearchRounds = kWindowSearchRounds;

private:
    enum class Attempt { Placed, Plain, NoWindow, Closed };
    // One attempt: the notice, then the plain start, or the start and the window search.
    Attempt attempt(const QString &F1, const QString &F2);

    Needs n_;
};

// One start of a program and the search for its window, run by the event loop: the process
// is asked every kIdleWaitMs whether it is ready, then the top-level windows are searched
// once every kWindowSearchIntervalMs, at most `rounds` times. finished() tells the window
// found, or 0: the process showed none and was ended. The GUI thread never waits here.
class ProgramStart : public QObject {
    Q_OBJECT
public:
    // `stop`, asked before each round, ends the wait early: the process runs on unplaced.
    ProgramStart(platform::Platform &platform, int rounds, std::function<bool()> stop = {});
    ~ProgramStart() override;
    // Starts `file` with `parameters` (both as the shell call gets them). False when
    // nothing was started; finished() then does not come.
    bool start(const QString &file, const QString &parameters);
    // Ends the wait now, as `stop` would.
    void abandon();
    bool done() const { return done_; }
    quint64 window() const { return window_; }

signals:
    void finished(quint64 window);

private:
    void idleRound();
    void searchRound();
    void finish(quint64 window, bool endProcess);

    platform::Platform &p_;
    const int rounds_;
    const std::function<bool()> stop_;
    qint64 process_ = 0;
    int WaitCount = 0;
    bool searching_ = false;
    bool done_ = false;
    quint64 window_ = 0;
    QTimer timer_;
};

// Starts `AFile` with `AParameters` in double quotes as its only argument and runs a
// ProgramStart for it, serving events until it ends (bounded by `searchRounds`). Returns
// the program's first visible top-level window without owner, or 0; a process that showed
// no window is ended. `stop` ends the wait early, the process left running. `hWnd`, `Verb`
// and `vShow` are the owner, verb and show mode of the shell call.
quint64 RunExeFile(platform::Platform &platform, QWidget *hWnd, const QString &AFile,
                   const QString &AParameters, const QString &Verb, int vShow,
                   int searchRounds = kWindowSearchRounds, const std::function<bool()> &stop = {});
// The window-enumeration callback of that search: `*lp` holds the process id on entry and
// the window once found. Returns true to go on, false to stop.
bool EnumTopWindow(platform::Platform &platform, quint64 hTopWnd, quint64 *lp);
