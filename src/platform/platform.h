#pragma once
// Services of the host that act on the outside world. One real implementation per host;
// tests derive from it and record where acting is impossible here (a document opened
// with its associated program, a beep).
#include <QDateTime>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

namespace platform {

// MessageBeep types.
constexpr unsigned BeepDefault = 0;
constexpr unsigned BeepAsterisk = 0x40;

class Platform {
public:
    virtual ~Platform() = default;

    // MessageBeep.
    virtual void messageBeep(unsigned type);
    // The shell's open operation (verb "OPEN", show mode 5): a file with its associated
    // program, a folder in the file manager, a web URL in the default browser. `target`
    // is given as the shell gets it, possibly in double quotes. The result is not examined
    // by the callers; false when nothing could be started.
    virtual bool shellOpen(const QString &target, const QString &parameters,
                           const QString &folder);
    // Told when the desktop's opener reports, after shellOpen returned true, that it could
    // not open `target` (as given to shellOpen). Called from the event loop.
    std::function<void(const QString &target)> openFailedLater;
    // A message box with an error's text, owned by `owner` (may be null).
    virtual void errorBox(QWidget *owner, const QString &text);

    // ---- the Logo program: starting programs, finding and placing their windows ----
    // A process is named by its id, a window by its native handle (an X11 window id on
    // Linux); 0 is "none" for both.
    enum class IdleWait { Idle, TimedOut, Failed };

    // Starts a program (`file`, possibly in double quotes) with a parameter string parsed
    // the way a Windows program parses its command line, in `folder` (empty: this
    // process's current folder). Returns the new process's id, or 0 when nothing could be
    // started: not a program this host can run, or the start failed.
    virtual qint64 startProgram(const QString &file, const QString &parameters,
                                const QString &folder);
    // Waits at most `ms` milliseconds for the process to be ready for input.
    virtual IdleWait waitForInputIdle(qint64 pid, int ms);
    // True while the process exists and has not ended.
    virtual bool processRunning(qint64 pid);
    // Ends a process started by startProgram at once.
    virtual void terminateProcess(qint64 pid);
    // Forgets a process started by startProgram; it runs on.
    virtual void releaseProcess(qint64 pid);
    // Calls `visit` for each top-level window, front to back, until it returns false.
    virtual void enumTopWindows(const std::function<bool(quint64 window)> &visit);
    virtual qint64 windowProcessId(quint64 window);
    virtual bool windowHasOwner(quint64 window);
    // Shown or minimised, as opposed to hidden or withdrawn.
    virtual bool windowVisible(quint64 window);
    // Puts the window in its normal state (restoring a maximised or minimised one) with
    // `outer` as its rectangle, frame included.
    virtual void placeWindow(quint64 window, const QRect &outer);
    // Raises and activates the window.
    virtual void bringToFront(quint64 window);
    // Takes one of this program's own windows off the screen, whatever a window manager
    // would do with it, while the toolkit still counts it as shown (its modal loop goes on).
    virtual void withdrawWindow(quint64 window);
    // True while any part of the window is viewable on the screen.
    virtual bool windowOnScreen(quint64 window);
    // Asks the window manager to offer only the close box in the title bar of one of this
    // program's own windows, before it is first shown. (Some window managers ignore the
    // toolkit's hints for minimise and maximise.)
    virtual void offerOnlyCloseBox(quint64 window);
    // Tells the toolkit where the window system has one of this program's top-level windows
    // now. A window manager may move a new window's frame without saying so to the window
    // (the toolkit read the place while the frame still stood elsewhere), and the toolkit
    // then takes the window for lying there, on another monitor perhaps.
    virtual void tellWindowItsPlace(quint64 window);
    // Where the pointer was at the pointer event of time `time` (the toolkit's event
    // timestamp) in one of this program's own windows, in physical pixels from its corner;
    // false when the window system did not tell. (The toolkit hands scaled positions
    // rounded to whole scaled pixels.) Events close together share a time (a press and
    // the drag after it, on a busy machine): of those, the one nearest `near`.
    virtual bool pointerInWindow(quint64 window, quint64 time, QPoint near, QPoint *at);
    // A modal message box with an OK button.
    virtual void messageBox(QWidget *owner, const QString &text);

    // ---- downloads, usage log, opening works and folders ----
    // The current date and time (the clock of the usage log).
    virtual QDateTime currentDateTime();
    // A modal confirmation with a question icon and the buttons Yes and No, centred on the
    // screen; a CR in `text` breaks the line. True for Yes.
    virtual bool confirmYesNo(QWidget *owner, const QString &text);
    // The same box for a question where No is the safe answer: No is the default button,
    // and Enter, Esc or closing the box answer No.
    virtual bool confirmYesNoDefaultNo(QWidget *owner, const QString &text);
    // Copies the folder `source` (Windows path) with all it holds into the folder
    // `destination`, as destination\<last component of source>; the destination is made
    // when missing and files already there are replaced without questions. A progress
    // window owned by `owner` appears when the copy takes a while, and failures are
    // reported in it. False when something could not be copied or the copy was cancelled.
    // Files for which `leaveOut` (given the path relative to `source`, "/" separated) is
    // true are not copied.
    virtual bool copyFolderTree(QWidget *owner, const QString &source, const QString &destination,
                                const std::function<bool(const QString &)> &leaveOut = {});
};

// The label of a running folder copy: files done of all, and their size done of all.
QString copyProgressText(int filesDone, int filesTotal, qint64 bytesDone, qint64 bytesTotal);

// The implementation for this host.
Platform &hostPlatform();

} // namespace platform
