#pragma once
// Command lines as a Windows program receives them.
#include <QString>
#include <QStringList>

namespace platform {

// Splits a command line into arguments the way the C runtime of a Windows program does:
// blanks and tabs separate, double quotes group (a doubled quote inside quotes is one
// literal quote), and backslashes are literal except before a double quote, where each
// pair gives one backslash and an odd one makes the quote literal.
QStringList splitWindowsCommandLine(const QString &commandLine);

} // namespace platform
