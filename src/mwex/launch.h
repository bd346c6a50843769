#pragma once
// Starting the Logo program with a work, finding its window and placing it: a small object
// that gets what it needs from the main window (values, platform, the notice) passed in.
#include "app/windowneeds.h"

#include <QString>
#include <functional>

// The window search after a start: this many rounds, this far apart (about ten seconds).
inline constexpr int kWindowSearchRounds = 101;
inline constexpr int kWindowSearchIntervalMs = 100;

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
    Needs n_;
};

// Starts `AFile` with `AParameters` in double quotes as its only argument, waits until it
// is ready and searches `searchRounds` times, kWindowSearchIntervalMs apart, for its first
// visible top-level window without owner. Returns that window, or 0; a process that showed
// no window is ended. `hWnd`, `Verb` and `vShow` are the owner, verb and show mode of the
// shell call.
quint64 RunExeFile(platform::Platform &platform, QWidget *hWnd, const QString &AFile,
                   const QString &AParameters, const QString &Verb, int vShow,
                   int searchRounds = kWindowSearchRounds);
// The window-enumeration callback of that search: `*lp` holds the process id on entry and
// the window once found. Returns true to go on, false to stop.
bool EnumTopWindow(platform::Platform &platform, quint64 hTopWnd, quint64 *lp);
