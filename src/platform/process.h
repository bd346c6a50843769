#pragma once
// Starting other programs the way the shell's open operation does on Windows: one
// parameter string, split by the started program's own command-line rules.
#include "platform/paths.h"

#include <QString>
#include <QStringList>

namespace platform {

// The split of a parameter string (splitWindowsParameters) is pure string work: paths.h.

// What this host can do with a program file (a host path).
enum class ProgramKind {
    Native,      // an executable file of this host (a binary or a script with "#!")
    Windows,     // a Windows program, run through the compatibility layer when it is installed
    NotRunnable, // anything else: not started
};
ProgramKind programKind(const QString &hostPath);

// The argument as a native program of this host needs it: a Windows path on the drive
// that maps to this host ("Z:\home\t\a b.mwx") becomes the host path; anything else is
// passed unchanged.
QString nativeArgument(const QString &argument);

} // namespace platform
