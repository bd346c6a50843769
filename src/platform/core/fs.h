#pragma once
// File-system operations on Windows-style paths (mapped by toHost at this edge).
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Windows error codes the shell's logic compares with.
constexpr int ErrorSuccess = 0;
constexpr int ErrorFileNotFound = 2;
constexpr int ErrorPathNotFound = 3;
constexpr int ErrorAccessDenied = 5;
constexpr int ErrorWriteProtect = 19;
constexpr int ErrorAlreadyExists = 183;

bool fileExists(const QString &path);      // a file, not a folder
bool directoryExists(const QString &path); // a folder
// Creates one folder level; returns ErrorSuccess, ErrorAlreadyExists (also when a file of
// that name is there) or another error code.
int createDirectory(const QString &path);
// Creates a folder with every missing parent; true when the folder exists afterwards.
bool forceDirectories(const QString &path);
// Copies a file; with failIfExists an existing target is left untouched and false returned.
bool copyFile(const QString &from, const QString &to, bool failIfExists);
bool deleteFile(const QString &path);
// The read-only attribute; on POSIX hosts it is the absence of every write bit.
bool isReadOnly(const QString &path);
bool setReadOnly(const QString &path, bool readOnly);
// Whether this user may create files in the folder: false on a read-only file system and,
// for an ordinary user, in a folder installed by the administrator.
bool canWriteInFolder(const QString &path);

// The user's desktop folder without a final "\" (XDG on Linux).
QString desktopFolder();
// The process's current folder without a final "\".
QString currentFolder();
bool setCurrentFolder(const QString &path);
// The full path of the running program file.
QString programFile();

// Reads a whole file, sharing it for reading only; nullopt with a message on failure.
std::optional<QByteArray> readWholeFile(const QString &path, QString *error);
// Creates or replaces a file with the bytes; false with a message on failure.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace platform
