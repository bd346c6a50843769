// Saving a captured 1920 x 1080 selection: our JPEG writer at quality 100 beside
// libjpeg-turbo called directly with the same settings, on the same pixels, and the BMP
// writer beside a plain memory copy of the same bytes. Processor time; one line per case
// with the ratio ours / reference (target: JPEG at most 1.1, BMP near 1).
#include "mwex/bmpio.h"
#include "mwex/jpegio.h"

#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <map>
#include <string>
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

const QImage &picture() {
    static const QImage img = screenImage();
    return img;
}

// The library alone: baseline, quality 100, every other setting its default.
size_t referenceJpeg(const QImage &img) {
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
    free(out);
    return size;
}

std::map<std::string, double> cpuTime;

void BM_OurJpeg(benchmark::State &state) {
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(jpegio::encode(picture(), &error));
    }
}
void BM_LibraryJpeg(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(referenceJpeg(picture()));
}
void BM_OurBmp(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(bmpio::encode(picture()));
}
void BM_MemoryCopy(benchmark::State &state) {
    std::vector<char> out(static_cast<size_t>(picture().sizeInBytes()) + 54);
    for (auto _ : state) {
        std::memcpy(out.data() + 54, picture().constBits(), static_cast<size_t>(picture().sizeInBytes()));
        benchmark::DoNotOptimize(out.data());
    }
}

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration)
                cpuTime[r.benchmark_name().substr(0, r.benchmark_name().find('/'))] =
                    r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(BM_OurJpeg)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibraryJpeg)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OurBmp)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MemoryCopy)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    std::printf("capture jpeg 1920x1080 q100: ours %.2f ms, libjpeg-turbo %.2f ms, ratio %.3f\n",
                cpuTime["BM_OurJpeg"], cpuTime["BM_LibraryJpeg"],
                cpuTime["BM_OurJpeg"] / cpuTime["BM_LibraryJpeg"]);
    std::printf("capture bmp 1920x1080: ours %.2f ms, memory copy %.2f ms, ratio %.3f\n",
                cpuTime["BM_OurBmp"], cpuTime["BM_MemoryCopy"],
                cpuTime["BM_OurBmp"] / cpuTime["BM_MemoryCopy"]);
    return 0;
}
