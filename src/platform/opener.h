#pragma once
// Where the shell's open operation sends a target. A program is started only when its
// name says so (".exe", as the shell on Windows decides); everything else goes to the
// desktop's opener, and a target that the opener itself would run (a script, a launcher,
// an installer, a file of unknown kind whose bytes are a program, a URL scheme other than
// the web's) is not opened at all. A file's bytes never make it a program.
#include <QString>

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

} // namespace platform
