#pragma once
// JPEG pictures through libjpeg(-turbo): decoding that never ends the process and never
// allocates for absurd sizes, and encoding at quality 100 with the library's defaults.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace jpegio {

// Pictures with more pixels than this are refused from their header, before any pixel
// memory is taken (40 megapixels: 8000 x 5000; a 24-bit copy is 120 MB).
constexpr qint64 MaxPixels = 40'000'000;

// Progressive files can hold any number of scans, each a full pass over the picture; a
// hostile one would keep the decoder busy for minutes. Real encoders write about ten.
constexpr int MaxScans = 200;

// Decodes JPEG bytes to a 24-bit picture (QImage::Format_RGB888). Grey, YCbCr, RGB, CMYK and
// YCCK pictures are accepted; a null image and a short message in `error` when the bytes
// are not a JPEG, are damaged or cut short, or hold more than `maxPixels` pixels.
QImage decode(const QByteArray& bytes, QString* error, qint64 maxPixels = MaxPixels);

// Like decode, but only the rows that `rowsWanted(height)` marks true are made; the bytes of
// the other rows are unspecified. The rows in between are skipped inside the library (their
// coefficients are still read), so a damaged or cut-short file fails exactly as with decode.
// A marked row holds the same bytes as decode gives.
QImage decodeRows(const QByteArray& bytes, QString* error,
                  const std::function<std::vector<bool>(int height)>& rowsWanted,
                  qint64 maxPixels = MaxPixels);

// Reads and decodes a file given by its Windows path (mapped by platform::toHost).
QImage readFile(const QString& path, QString* error, qint64 maxPixels = MaxPixels);

// Encodes a picture of any format as a baseline JPEG at quality 100, every other setting the
// library's default. Empty on failure (a null picture), with a message.
QByteArray encode(const QImage& image, QString* error);

// Encodes and writes a file given by its Windows path; on failure false, a message, and no
// partial file left behind.
bool writeFile(const QImage& image, const QString& path, QString* error);

} // namespace jpegio
