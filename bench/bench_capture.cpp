// Saving a captured 1920 x 1080 selection: our JPEG writer at quality 100 beside
// libjpeg-turbo called directly with the same settings, on the same pixels, in alternating
// rounds; processor time. Target: at most 1.1 times the library's time. The BMP writer is
// shown beside a plain memory copy of the same bytes, for information.
#include "mwex/core/bmpio.h"
#include "mwex/core/jpegio.h"

#include "harness.h"

#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <vector>

namespace {

// A screen-like picture: flat areas, gradients and some noise.
QImage screenImage() {
    QImage img(1920, 1080, QImage::Format_RGB888);
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y) {
        uchar *p = img.scanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            const bool window = x > 200 && x < 1400 && y > 100 && y < 900;
            p[3 * x] = window ? 240 : static_cast<uchar>(x / 8);
            p[3 * x + 1] = window ? 240 : static_cast<uchar>(y / 5);
            p[3 * x + 2] = window ? static_cast<uchar>(rng.bounded(256)) : 128;
        }
    }
    return img;
}

// The library alone: baseline, quality 100, every other setting its default.
QByteArray referenceJpeg(const QImage &img) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(img.width());
    c.image_height = static_cast<JDIMENSION>(img.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.constScanLine(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    free(out);
    return bytes;
}

} // namespace

int main() {
    const QImage picture = screenImage();
    QString error;
    // Same settings, so the same file: otherwise the comparison would not be of like work.
    if (jpegio::encode(picture, &error) != referenceJpeg(picture))
        return bench::failed("capture jpeg 1920x1080 q100", "differs from the library's file") ? 0
                                                                                              : 1;
    auto ours = [&] {
        QString e;
        benchmark::DoNotOptimize(jpegio::encode(picture, &e).constData());
    };
    auto library = [&] { benchmark::DoNotOptimize(referenceJpeg(picture).constData()); };
    const bool ok = bench::report(
        "capture jpeg 1920x1080 q100",
        bench::interleave(ours, library, bench::Clock::ThreadCpu, bench::Rounds, 3),
        bench::Goal::TimeAtMost, 1.1, bench::Ms, "ours", "libjpeg-turbo");

    std::vector<char> copy(static_cast<size_t>(picture.sizeInBytes()) + 54);
    auto bmp = [&] { benchmark::DoNotOptimize(bmpio::encode(picture).constData()); };
    auto memcopy = [&] {
        std::memcpy(copy.data() + 54, picture.constBits(), static_cast<size_t>(picture.sizeInBytes()));
        benchmark::DoNotOptimize(copy.data());
    };
    const bench::Pair b = bench::interleave(bmp, memcopy, bench::Clock::ThreadCpu, bench::Rounds, 10);
    const bench::Stats o = bench::stats(b.ours), r = bench::stats(b.reference);
    std::printf("capture bmp 1920x1080 (no target): ours median %.3f ms, memory copy median %.3f "
                "ms, ratio %.2f\n",
                o.median * 1e3, r.median * 1e3, bench::roundRatios(b, bench::Goal::TimeAtMost).median);
    return ok ? 0 : 1;
}
