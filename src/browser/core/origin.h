#pragma once
// Where a program fetched from the web may come from without asking the pupil, and which
// pages may give link commands without the pupil's own input.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace origin {

// The host of a URL, lower case, as the internet reader will contact it; empty for local
// URLs ("\", "file:") and for anything without a host.
QString hostOf(const QString& url);
// A program at `url` starts without a question when it is local, or when its host is the
// material site's or the host of one of `homePages` (the configured home page).
bool trustedProgramSource(const QString& url, const QStringList& homePages);

// Who asks for a navigation of the browser view.
enum class Asker {
    Shell,       // the shell itself: start-up, a toolbar button, an address typed or handed back
    TrustedPage, // a local page, the material site, or the home page's host
    OtherPage,   // a page of any other host (or of none, such as "about:blank")
};
// Who asked for a navigation: the shell, or the page shown (which kind, and whether the
// pupil's own input on it came just before).
struct Asking {
    Asker asker = Asker::Shell;
    bool pupilInput = false;
};

// The kind of page that shows `pageUrl` (in the shell's form), with the trusted hosts of
// trustedProgramSource().
Asker askerOf(const QString& pageUrl, const QStringList& homePages);

// A click or key press of the pupil counts for a navigation this long afterwards, and only
// while the document it was made on is still the one shown.
inline constexpr qint64 kPupilInputMs = 1000;

// The pupil's last input on a view: when, and on which document (a number the view counts
// up whenever its top-level document changes).
struct PupilInput {
    qint64 atMs = -1;
    quint64 document = 0;
    // The input is recent enough, and made on the document still shown.
    bool counts(qint64 nowMs, quint64 currentDocument) const {
        return atMs >= 0 && document == currentDocument && nowMs - atMs >= 0 &&
               nowMs - atMs <= kPupilInputMs;
    }
};

// Whether a navigation that is a link command (anything but the ordinary page load) may
// act: the shell's and trusted pages' always, another page's only on the pupil's input.
// An ordinary page load is never held back here.
bool commandMayAct(const Asking& asking, bool isCommand);

} // namespace origin
