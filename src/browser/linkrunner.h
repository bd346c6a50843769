#pragma once
// Runs link commands for the main window.
//
// The engine asks about a navigation inside its own callback, where nothing may wait or
// process events. So the handler decides there only whether the URL is an ordinary page
// (which then proceeds at once); every command is cancelled and queued, and the queue runs
// from the event loop, one command after the other. A link clicked while a command runs
// (during a download, for instance) is queued behind it, never nested, so each download's
// outcome belongs to the run that asked for it. When a command's handling ends
// uncancelled, the browser is sent to the unchanged URL, which then passes once, together
// with the redirects its server answers with (so a redirect loop ends in the browser's own
// error instead of coming back as a new command).
// The runner knows nothing of the windows: what it needs from them is passed in (Needs).
#include "app/windowneeds.h"
#include "browser/core/linkcommand.h"
#include "browser/core/savetarget.h"
#include "browser/core/origin.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QUrl>
#include <functional>

class LinkCommandRunner : public QObject {
    Q_OBJECT
public:
    // What the link actions need from the window whose links they are.
    struct Needs : WindowNeeds {
        // Opens a file, folder or address with the desktop's opener, saying so on failure.
        std::function<void(const QString&)> open;
        // Shows a URL in the URL field.
        std::function<void(const QString&)> showInField;
        // Sends the browser to a URL (in the engine's form).
        std::function<void(const QUrl&)> navigate;
        // Reads a whole small text file (throws when it cannot).
        std::function<QString(const QString&)> readText;
        // The shared operations a command forwards to. What they write goes only where the
        // gate (SaveTarget::inside) lets it.
        std::function<bool(const QString&, const SaveTarget&)> CopyURL;
        std::function<bool(const QString&, const SaveTarget&)> FFCOPY;
        std::function<void(const QString&, const QString&)> MWEXDL;
        std::function<void(const QString&, const QString&)> MWEXCOPY;
        std::function<void(const QString&, const QString&)> SHELLMWEXE;
        std::function<void(const QString&, const QString&)> EXE123;
        std::function<void(const QString&, const QString&, const QString&, const QString&)>
            DTPCOPY;
        // Closes the shell after a while.
        std::function<void()> OWARI;
        // Ends the running downloads; every later one fails at once.
        std::function<void()> stopDownloads;
    };

    explicit LinkCommandRunner(Needs needs, QObject* parent = nullptr);

    // The load of the URL handed back to the browser is over (in its page or in the
    // browser's error page): its redirects no longer pass.
    void loadFinished() { redirectsPass_ = false; }

    // Inside the navigation callback: true when the navigation is cancelled. A command asked
    // for by a page of another host without the pupil's input is cancelled and nothing else:
    // nothing fetched, made, started or asked (a beep at most).
    bool beforeNavigate(const QString& URL, const origin::Asking& asking = {});
    // Commands held back that way, for tests.
    int heldBack() const { return heldBack_; }
    // A command is waiting or running.
    bool busy() const { return running_ || !pending_.isEmpty(); }
    // Commands waiting behind the one that runs.
    qsizetype waiting() const { return pending_.size(); }
    // Asked by the page about a redirect of the main frame: true lets it through unasked,
    // while the URL handed back to the browser is loading.
    bool passesRedirect(const QString& URL) const;
    // The window closes: the running download ends, the waiting commands are dropped, and
    // nothing more is started, fetched or handed to the browser.
    void stop();

    linkcmd::Context context() const;

signals:
    // One command's handling ended; `cancelled` false: the browser was sent to the URL.
    void handled(const QString& URL, bool cancelled);

private:
    enum class Outcome { Cancelled, NextRow, Uncancelled };

    void runPending();
    bool run(const QString& URL);
    Outcome act(const linkcmd::Step& st);
    Outcome workLocalCopy(const linkcmd::Step& st);
    // A program from the web: true when it may be fetched and started.
    bool programMayRun(const linkcmd::Step& st);
    // Where the row writes its file (MSF): inside the save folder, or the MWEX folder for an
    // install list; nothing when MSF would leave it.
    std::optional<SaveTarget> destination(const linkcmd::Step& st) const;
    bool fetch(const linkcmd::Step& st, const SaveTarget& to);
    // The default beep, navigation cancelled.
    Outcome refuse();
    void open(const QString& thing);
    void notice(const QString& line1, const QString& line2 = QString());
    static void pump();

    Needs n_;
    QQueue<QString> pending_;
    bool running_ = false;
    bool scheduled_ = false;
    // The URL last sent back to the browser, in the forms the engine may report it.
    QStringList passing_;
    // The URL handed back is loading: its redirects pass.
    bool redirectsPass_ = false;
    bool stopped_ = false;
    int heldBack_ = 0;
    // When the last held-back command beeped: a page that keeps trying beeps only now and then.
    QElapsedTimer heldBackBeep_;
};
