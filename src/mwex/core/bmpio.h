#pragma once
// Windows bitmap (BMP) files: a reader that checks every size and offset against the bytes
// it has, and a writer of plain 24-bit files.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace bmpio {

// Pictures with more pixels than this are refused from their header, before any pixel
// memory is taken (the same bound as for JPEG pictures).
constexpr qint64 MaxPixels = 40'000'000;

// Decodes BMP bytes to a 24-bit picture (QImage::Format_RGB888): 1, 4 and 8 bits with a
// colour table, 16 and 32 bits (plain or with bit-field masks), 24 bits, 8-bit and 4-bit
// run-length coding, rows stored bottom-up or top-down, the core, info and V2 to V5
// headers. A null image and a short message in `error` for anything else: not a BMP, cut
// short, inconsistent, more than `maxPixels` pixels.
QImage decode(const QByteArray& bytes, QString* error, qint64 maxPixels = MaxPixels);

// Reads and decodes a file given by its Windows path (mapped by platform::toHost).
QImage readFile(const QString& path, QString* error, qint64 maxPixels = MaxPixels);

// A 24-bit uncompressed BMP (info header, rows bottom-up) of a picture of any format;
// alpha is dropped. Empty for a null picture.
QByteArray encode(const QImage& image);

// Encodes and writes a file given by its Windows path; on failure false, a message, and no
// partial file left behind.
bool writeFile(const QImage& image, const QString& path, QString* error);

} // namespace bmpio
