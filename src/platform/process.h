#pragma once
// Starting other programs the way the shell's open operation does on Windows: one
// parameter string, split by the started program's own command-line rules.
#include <QString>
#include <QStringList>

namespace platform {

// Splits a parameter string as a Windows program splits its command line: blanks
// separate arguments outside double quotes; a quoted empty string is one empty argument;
// 2n backslashes before a quote give n backslashes and the quote delimits, 2n + 1 give n
// backslashes and a literal quote; "" inside quotes is a literal quote; other
// backslashes are literal.
QStringList splitWindowsParameters(const QString &parameters);

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
