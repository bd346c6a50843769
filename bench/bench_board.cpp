// The drawing board's hot paths on a 1920 x 1080 board: one pointer move while drawing
// (the stroke, the keyed composition of what it touched and its copy to the window's
// backing store) against repainting the same area of the two bitmaps without keying; the
// same for a whole-screen repaint; and the cut-out's rotation against the direct formula.
#include "board/chalk.h"
#include "board/transforms.h"

#include <QGuiApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {
constexpr int W = 1920, H = 1080;

QImage frozen() {
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x)
            row[x] = qRgb(x * 7 % 256, y * 3 % 256, (x ^ y) % 256);
    }
    return img;
}

struct Board {
    QImage background = frozen();
    QImage chalk = background.copy();
    QImage frame = QImage(W, H, QImage::Format_RGB32);
    QImage store = QImage(W, H, QImage::Format_RGB32); // stands for the window's backing store
    board::ChalkPen pen;
    int step = 0;
    Board() {
        pen.color = board::Silver;
        pen.width = 6;
        pen.moveTo(QPoint(-6, H));
        pen.lineTo(chalk, QPoint(6, H));
        pen.color = board::Red;
        pen.width = 5;
        pen.moveTo(next());
    }
    // Pointer positions of a hand moving around the screen, about 12 pixels apart.
    QPoint next() {
        const double a = (step++ % 600) * (2 * M_PI / 600);
        return QPoint(int(W / 2 + 700 * std::cos(a) + 40 * std::sin(9 * a)),
                      int(H / 2 + 400 * std::sin(a) + 40 * std::cos(7 * a)));
    }
};

void BM_MoveKeyed(benchmark::State &state) {
    Board b;
    for (auto _ : state) {
        const QRect dirty = b.pen.lineTo(b.chalk, b.next());
        board::composeLayers(b.chalk, b.background, b.frame, dirty, true);
        QPainter p(&b.store);
        p.drawImage(dirty.topLeft(), b.frame, dirty);
    }
}
BENCHMARK(BM_MoveKeyed)->Unit(benchmark::kMicrosecond);

void BM_MovePlain(benchmark::State &state) {
    Board b;
    for (auto _ : state) {
        const QRect dirty = b.pen.lineTo(b.chalk, b.next());
        QPainter p(&b.store);
        p.drawImage(dirty.topLeft(), b.background, dirty);
        p.drawImage(dirty.topLeft(), b.chalk, dirty);
    }
}
BENCHMARK(BM_MovePlain)->Unit(benchmark::kMicrosecond);

void BM_RepaintKeyedFull(benchmark::State &state) {
    Board b;
    for (auto _ : state) {
        board::composeLayers(b.chalk, b.background, b.frame, b.chalk.rect(), true);
        QPainter p(&b.store);
        p.drawImage(0, 0, b.frame);
    }
}
BENCHMARK(BM_RepaintKeyedFull)->Unit(benchmark::kMicrosecond);

void BM_RepaintPlainFull(benchmark::State &state) {
    Board b;
    for (auto _ : state) {
        QPainter p(&b.store);
        p.drawImage(0, 0, b.background);
        p.drawImage(0, 0, b.chalk);
    }
}
BENCHMARK(BM_RepaintPlainFull)->Unit(benchmark::kMicrosecond);

void BM_KeySelectFull(benchmark::State &state) {
    Board b;
    for (auto _ : state) {
        board::composeLayers(b.chalk, b.background, b.frame, b.chalk.rect(), true);
        benchmark::DoNotOptimize(b.frame.constBits());
    }
}
BENCHMARK(BM_KeySelectFull)->Unit(benchmark::kMicrosecond);

QImage rotateSource() {
    QImage img(800, 600, QImage::Format_RGB888);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            uchar *p = img.scanLine(y) + 3 * x;
            p[0] = uchar(x);
            p[1] = uchar(y);
            p[2] = uchar(x + y);
        }
    return img;
}

void BM_Rotate30(benchmark::State &state) {
    const QImage src = rotateSource();
    for (auto _ : state)
        benchmark::DoNotOptimize(board::rotated(src, 30).constBits());
}
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond);

void BM_Rotate30Literal(benchmark::State &state) {
    const QImage src = rotateSource();
    for (auto _ : state)
        benchmark::DoNotOptimize(board::rotatedReference(src, 30).constBits());
}
BENCHMARK(BM_Rotate30Literal)->Unit(benchmark::kMillisecond);

// Keeps the medians so that the ratios can be printed after the table. The ratios use CPU
// time, which a machine shared with other work disturbs less than wall time.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::pair<double, double>> median; // wall, CPU; nanoseconds
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.aggregate_name != "median")
                continue;
            const double scale = r.time_unit == benchmark::kMillisecond   ? 1e6
                                 : r.time_unit == benchmark::kMicrosecond ? 1e3
                                                                          : 1.0;
            median[r.run_name.function_name] = {r.GetAdjustedRealTime() * scale,
                                                r.GetAdjustedCPUTime() * scale};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

int main(int argc, char **argv) {
    // Only bitmaps are drawn: no window system needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::AddCustomContext("board", "1920x1080 RGB32, pen 5 px, moves of about 12 px");
    std::vector<char *> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=7", agg = "--benchmark_report_aggregates_only=true";
    args.push_back(reps.data());
    args.push_back(agg.data());
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    Collector c;
    benchmark::RunSpecifiedBenchmarks(&c);
    auto &m = c.median;
    auto line = [&](const char *what, const std::string &a, const std::string &b, const char *unit,
                    double scale) {
        if (m.count(a) && m.count(b))
            std::printf("%-40s cpu %9.3f %s vs %9.3f %s  ratio %.2f   (wall %.3f vs %.3f)\n", what,
                        m[a].second / scale, unit, m[b].second / scale, unit,
                        m[a].second / m[b].second, m[a].first / scale, m[b].first / scale);
    };
    line("pointer move: keyed vs plain two-bitmap", "BM_MoveKeyed", "BM_MovePlain", "us", 1e3);
    line("full repaint: keyed vs plain two-bitmap", "BM_RepaintKeyedFull", "BM_RepaintPlainFull",
         "us", 1e3);
    line("rotate 800x600 30deg: literal vs fast", "BM_Rotate30Literal", "BM_Rotate30", "ms", 1e6);
    benchmark::Shutdown();
    return 0;
}
