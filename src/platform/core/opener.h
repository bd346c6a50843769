#pragma once
// Where the shell's open operation sends a target, and the desktop's opener that takes
// what is not a program.
//
// A program is started only when its name says so (".exe", as the shell on Windows
// decides); everything else goes to the desktop's opener, and a target that the opener
// itself would run (a script, a launcher, an installer, a file of unknown kind whose bytes
// are a program, a URL scheme other than the web's) is not opened at all. A file's bytes
// never make it a program.
#include <QString>

#include <functional>

namespace platform {

enum class OpenRoute {
    Program, // start it as a program
    Opener,  // hand it to the desktop's opener
    Refused, // neither
};

struct OpenDecision {
    OpenRoute route = OpenRoute::Refused;
    QString what; // the host path or the web URL to act on
};

// `target` as the shell gets it: a Windows path, a "file:" URL or a web URL, possibly in
// double quotes.
OpenDecision decideOpen(const QString &target);

// An opener that ends with a failure within this time could not open the thing; a later
// end is the end of the program it started, and says nothing about the opening.
constexpr int OpenerVerdictMs = 20000;

// Starts the desktop's opener (xdg-open) on `what` (a host path or a web address) in
// `folder` (may be empty). False when there is no opener or it could not be started.
// `failed` is called from the event loop when the opener reports within OpenerVerdictMs
// that it could not open `what` (no program for it, a missing file).
bool startDesktopOpener(const QString &what, const QString &folder,
                        std::function<void()> failed);

} // namespace platform
