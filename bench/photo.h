#pragma once
// A picture like a photograph, for the benchmarks: smooth shading with fine detail, so a
// JPEG of it has a photograph's size (a few hundred kilobytes at 1920x1080) and decode cost.
#include <QImage>

namespace bench {

inline QImage photo(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB888);
    quint32 noise = 2463534242u + quint32(seed);
    for (int y = 0; y < img.height(); ++y) {
        uchar *p = img.scanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int n = int(noise & 15);
            p[3 * x] = uchar((x / 8 + seed * 11) % 200 + n);
            p[3 * x + 1] = uchar((y / 5 + x / 17) % 200 + n);
            p[3 * x + 2] = uchar(((x ^ y) / 9 + seed) % 200 + n);
        }
    }
    return img;
}

} // namespace bench
