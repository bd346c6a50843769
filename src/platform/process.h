#pragma once
// Starting other programs the way the shell's open operation does on Windows: one
// parameter string, split by the started program's own command-line rules.
#include "platform/core/paths.h"

#include <QProcessEnvironment>
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

// ---- Windows programs through the compatibility layer (Wine) ----

// True when the locale `name` ("ja_JP.UTF-8") is installed on this machine.
bool localeInstalled(const QString &name);

// The locale a Windows program is started under: Wine reads the program's path and its
// arguments in the locale's character set, so it must be a UTF-8 locale that exists
// (else "作品" turns into bytes that name no file). Japanese first, so that the program's
// ANSI code page is 932; else C.UTF-8, with a warning. Empty when neither exists.
QString windowsProgramLocale();

// `base` with what the layer needs: the locale above in LANG and LC_ALL (both removed when
// there is none). Nothing else changes; this process's own environment is left alone.
QProcessEnvironment windowsProgramEnvironment(
    const QProcessEnvironment &base = QProcessEnvironment::systemEnvironment());

// The folder in which the layer keeps its registry and drive C: for `env` (WINEPREFIX,
// or ~/.wine).
QString winePrefixOf(const QProcessEnvironment &env);

// The first start of a Windows program in a fresh prefix creates the prefix, which takes
// longer than the search for the program's window allows. So the shell prepares the
// prefix in the background at start-up, and a launch waits for that first.
//
// Starts preparing the prefix of this process's environment when `program` (a Windows
// path) is a Windows program and the layer is installed; does nothing otherwise, or when
// this prefix was already prepared (or is being prepared) during this run. Never blocks.
// The preparation runs on by itself should this program end first.
void prepareForProgram(const QString &program);
// True while the preparation of the prefix that `program` would use is running.
bool preparingForProgram(const QString &program);
// Waits at most `ms` milliseconds for that preparation to end; true when it is not running
// (any more).
bool waitForPreparation(const QString &program, int ms);

} // namespace platform
