#pragma once
// Reading and writing whole picture files by Windows path, shared by the JPEG and BMP code.
#include <QByteArray>
#include <QString>
#include <optional>

namespace pictureio {

// Files larger than this are not read at all (no picture we accept comes near it).
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

// The whole file, or nullopt and a message (missing, a folder, unreadable, too large, or
// anything but an ordinary file: a device, a FIFO, a socket, a link to one of them).
std::optional<QByteArray> readPictureFile(const QString& path, QString* error);

// Creates or replaces the file whole; on failure false and a message, with any old file
// left untouched and no partial file beside it.
bool writePictureFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace pictureio
