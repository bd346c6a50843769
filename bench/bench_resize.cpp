// The exact bilinear resize beside OpenCV's cv::resize (INTER_LINEAR, one thread) on the
// same pixels. Prints Google Benchmark's lines, then one line per case with the ratio
// OpenCV time / our time (1.0 = as fast as OpenCV). Processor time, not wall time: the
// kernels are single-threaded and the machine is shared.
#include "mwex/resize.h"

#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifdef QUMO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

struct Case {
    int sw, sh, dw, dh;
    std::string name() const {
        return std::to_string(sw) + "x" + std::to_string(sh) + "->" + std::to_string(dw) + "x" +
               std::to_string(dh);
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

// Real time per iteration of each run, by benchmark name.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                times[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
#ifdef QUMO_HAVE_OPENCV
    cv::setNumThreads(1);
#endif
    for (const Case& c : cases) {
        const QImage src = sourceImage(c.sw, c.sh);
        benchmark::RegisterBenchmark(("resize/" + c.name() + "/ours").c_str(),
                                     [src, c](benchmark::State& st) {
                                         for (auto _ : st) {
                                             QImage out = BitmapResize_Bilinear(src, c.dw, c.dh);
                                             benchmark::DoNotOptimize(out.constBits());
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond);
#ifdef QUMO_HAVE_OPENCV
        benchmark::RegisterBenchmark(("resize/" + c.name() + "/opencv").c_str(),
                                     [src, c](benchmark::State& st) {
                                         const cv::Mat in(src.height(), src.width(), CV_8UC3,
                                                          const_cast<uchar*>(src.constBits()),
                                                          static_cast<size_t>(src.bytesPerLine()));
                                         for (auto _ : st) {
                                             cv::Mat out;
                                             cv::resize(in, out, cv::Size(c.dw, c.dh), 0, 0,
                                                        cv::INTER_LINEAR);
                                             benchmark::DoNotOptimize(out.data);
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond);
#endif
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    std::printf("\n%-26s %12s %12s %8s\n", "case", "ours cpu us", "opencv cpu us", "ratio");
    for (const Case& c : cases) {
        const auto ours = collector.times.find("resize/" + c.name() + "/ours");
        const auto cv = collector.times.find("resize/" + c.name() + "/opencv");
        if (ours == collector.times.end())
            continue;
        if (cv == collector.times.end()) {
            std::printf("%-26s %12.1f %12s %8s\n", c.name().c_str(), ours->second, "-", "-");
            continue;
        }
        std::printf("%-26s %12.1f %12.1f %8.2f\n", c.name().c_str(), ours->second, cv->second,
                    cv->second / ours->second);
    }
    return 0;
}
