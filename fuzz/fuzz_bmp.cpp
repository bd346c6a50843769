// libFuzzer target: any bytes through the BMP reader and, when they decode, the thumbnail
// resize that the catalogue applies to them.
#include "mwex/core/bmpio.h"
#include "mwex/core/resize.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     qsizetype(size));
    QString error;
    // A lower bound than the program's keeps each run fast; the checks are the same.
    const QImage img = bmpio::decode(bytes, &error, 4'000'000);
    if (!img.isNull()) {
        const QImage t = BitmapResize_Bilinear(img, 50, 36);
        if (t.size() != QSize(50, 36) || t.format() != QImage::Format_RGB888)
            __builtin_trap();
    } else if (error.isEmpty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
