#pragma once
// Windows-style paths are the one path model of the shell; this is the edge where they are
// turned into host paths and back. On Linux the drive "Z:" is the root "/".
#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// "Z:\home\t\x" -> "/home/t/x"; "a\b" -> "a/b". Paths on other drives and UNC paths have
// no host equivalent: the result is empty, and every file operation on it fails.
QString toHost(const QString &winPath);

// "/home/t/x" -> "Z:\home\t\x"; "a/b" -> "a\b".
QString fromHost(const QString &hostPath);

// A URL as the engine reports it, in the form the shell sees:
// "file:///home/t/x.html" -> "file:///Z:/home/t/x.html". Non-ASCII characters come back as
// characters, a space as "%20". Web URLs pass unchanged.
QString urlFromEngine(const QUrl &url);

// A URL as the shell forms it, for the engine to load: "file://Z:\home\t\x.html",
// "file:///Z:/home/t/x.html" or a bare "Z:\home\t\x.html" -> "file:///home/t/x.html".
// Anything else is parsed as a web URL.
QUrl urlToEngine(const QString &shellUrl);

// The shell's rule for a local URL: it contains "\" or "file://".
bool isLocalUrl(const QString &url);

// Folder part of a Windows path, up to and including the last "\" (or ":"), as the
// classic ExtractFilePath does.
QString extractFilePath(const QString &winPath);
// File name part after the last "\" (or ":").
QString extractFileName(const QString &winPath);
// The extension with its dot ("" when none), as ExtractFileExt.
QString extractFileExt(const QString &winPath);
// Removes the extension, as ChangeFileExt(path, "").
QString stripFileExt(const QString &winPath);

// Splits a parameter string as a Windows program splits its command line: blanks
// separate arguments outside double quotes; a quoted empty string is one empty argument;
// 2n backslashes before a quote give n backslashes and the quote delimits, 2n + 1 give n
// backslashes and a literal quote; "" inside quotes is a literal quote; other
// backslashes are literal.
QStringList splitWindowsParameters(const QString &parameters);

} // namespace platform
