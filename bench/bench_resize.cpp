// The exact bilinear resize beside OpenCV's cv::resize (INTER_LINEAR, one thread) on the
// same pixels, in alternating rounds; processor time of the calling thread. Every case is
// first checked byte for byte against the literal per-pixel transcription, so a fast but
// wrong kernel cannot pass. Target: at least 0.85 of OpenCV's speed.
#include "mwex/core/resize.h"
#include "support/literalresize.h"

#include "harness.h"

#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstring>
#include <string>
#include <vector>

#ifdef QUMO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr double Target = 0.85;
// Many short rounds: a downscale to 50 x 36 takes microseconds, and the caches it depends on
// are shared with whatever else the machine runs; the median of many rounds is steady.
constexpr int Rounds = 5 * bench::Rounds;

struct Case {
    int sw, sh, dw, dh;
    std::string name() const {
        return "resize " + std::to_string(sw) + "x" + std::to_string(sh) + "->" +
               std::to_string(dw) + "x" + std::to_string(dh);
    }
};

const std::vector<Case> cases = {
    {1920, 1080, 50, 36}, {4000, 3000, 50, 36}, {400, 300, 1200, 900}, {1920, 1080, 3840, 2160}};

// A noisy photograph stand-in: random bytes (the same for every run).
QImage sourceImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    QRandomGenerator rng(42);
    for (int y = 0; y < h; ++y) {
        uchar* p = img.scanLine(y);
        for (int k = 0; k < w * 3; ++k)
            p[k] = static_cast<uchar>(rng.generate());
    }
    return img;
}

bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

} // namespace

int main() {
#ifdef QUMO_HAVE_OPENCV
    cv::setNumThreads(1);
#endif
    bool allOk = true;
    for (const Case& c : cases) {
        const QImage src = sourceImage(c.sw, c.sh);
        if (!sameBytes(BitmapResize_Bilinear(src, c.dw, c.dh), literalResize(src, c.dw, c.dh))) {
            allOk &= bench::failed(c.name(), "differs from the literal transcription");
            continue;
        }
        std::printf("%-40s same bytes as the literal transcription\n", c.name().c_str());
        auto ours = [&] {
            QImage out = BitmapResize_Bilinear(src, c.dw, c.dh);
            benchmark::DoNotOptimize(out.constBits());
        };
#ifdef QUMO_HAVE_OPENCV
        const cv::Mat in(src.height(), src.width(), CV_8UC3, const_cast<uchar*>(src.constBits()),
                         static_cast<size_t>(src.bytesPerLine()));
        auto opencv = [&] {
            cv::Mat out;
            cv::resize(in, out, cv::Size(c.dw, c.dh), 0, 0, cv::INTER_LINEAR);
            benchmark::DoNotOptimize(out.data);
        };
        const int batch = bench::batchFor(ours, 0.05, bench::Clock::ThreadCpu);
        const bench::Pair p =
            bench::interleave(ours, opencv, bench::Clock::ThreadCpu, Rounds, batch);
        allOk &= bench::report(c.name(), p, bench::Goal::SpeedAtLeast, Target, bench::Us, "ours",
                               "opencv");
#else
        allOk &= bench::failed(c.name(), "OpenCV is not installed");
#endif
    }
    return allOk ? 0 : 1;
}
