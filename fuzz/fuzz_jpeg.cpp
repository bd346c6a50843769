// libFuzzer target: any bytes through the JPEG decoder (libjpeg with our error manager) and,
// when they decode, the thumbnail resize that the catalogue applies to them; the thumbnail
// made from the coefficients must be the same bytes, and must not exist where decoding fails.
#include "mwex/core/jpegio.h"
#include "mwex/core/jpegthumb.h"
#include "mwex/core/resize.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     qsizetype(size));
    QString error;
    // A lower bound than the program's keeps each run fast; the checks are the same.
    constexpr qint64 MaxPixels = 4'000'000;
    const QImage img = jpegio::decode(bytes, &error, MaxPixels);
    const QImage partial = jpegio::decodeResizedFromCoefficients(bytes, 50, 36, MaxPixels);
    if (!img.isNull()) {
        const QImage t = BitmapResize_Bilinear(img, 50, 36);
        if (t.size() != QSize(50, 36) || t.format() != QImage::Format_RGB888)
            __builtin_trap();
        if (!partial.isNull() && !sameBytes(partial, t))
            __builtin_trap();
        // Small pictures whole: every pixel made from the coefficients.
        if (qint64(img.width()) * img.height() <= 64 * 64) {
            const QImage whole =
                jpegio::decodeResizedFromCoefficients(bytes, img.width(), img.height(), MaxPixels);
            if (!whole.isNull() && !sameBytes(whole, img))
                __builtin_trap();
        }
    } else {
        if (error.isEmpty())
            __builtin_trap(); // a refusal always says why
        if (!partial.isNull())
            __builtin_trap(); // no thumbnail of what cannot be decoded
    }
    return 0;
}
