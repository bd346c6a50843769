// Download throughput of CopyURL (520-byte reads, the windows served after each one)
// against curl fetching the same 50 MB file from the same loopback server in the same run,
// and the longest time the event loop went unserved during a download.
#include "app/MAIN.h"
#include "app/program.h"
#include "platform/internet.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 kSize = 50LL * 1024 * 1024;

// A plain HTTP/1.1 file server on its own thread, so that it never waits for the GUI
// thread of the reader it serves.
class FileServer : public QThread {
public:
    explicit FileServer(QByteArray body) : body_(std::move(body)) {}
    ~FileServer() override {
        stop_ = true;
        wait();
    }
    quint16 start() {
        QThread::start();
        ready_.acquire();
        return port_;
    }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port_ = server.serverPort();
        ready_.release();
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                "Content-Length: " +
                                QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n";
        while (!stop_) {
            if (!server.waitForNewConnection(100))
                continue;
            std::unique_ptr<QTcpSocket> s(server.nextPendingConnection());
            QByteArray request;
            while (!request.contains("\r\n\r\n") && s->waitForReadyRead(5000))
                request += s->readAll();
            s->write(head);
            for (qint64 off = 0; off < body_.size();) {
                const qint64 n =
                    s->write(body_.constData() + off, qMin<qint64>(1 << 20, body_.size() - off));
                if (n <= 0)
                    break;
                off += n;
                while (s->bytesToWrite() > (4 << 20))
                    if (!s->waitForBytesWritten(5000))
                        break;
            }
            while (s->bytesToWrite() > 0 && s->waitForBytesWritten(5000)) {
            }
            s->disconnectFromHost();
            if (s->state() != QAbstractSocket::UnconnectedState)
                s->waitForDisconnected(5000);
        }
    }

private:
    QByteArray body_;
    QSemaphore ready_;
    std::atomic<bool> stop_{false};
    quint16 port_ = 0;
};

class QuietPlatform : public platform::Platform {
public:
    void messageBeep(unsigned) override {}
};

struct Fixture {
    QTemporaryDir dir;
    QuietPlatform platform;
    std::unique_ptr<QumoProgram> program;
    std::unique_ptr<FileServer> server;
    QString url;
    double curlSeconds = 0; // mean curl time of this run
};
Fixture *fx = nullptr;

void BM_Curl50MB(benchmark::State &state) {
    double sum = 0;
    for (auto _ : state) {
        QProcess curl;
        curl.start(QStringLiteral("curl"),
                   {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                    QStringLiteral("-w"), QStringLiteral("%{time_total} %{size_download}"),
                    fx->url});
        curl.waitForFinished(120000);
        const QList<QByteArray> out = curl.readAllStandardOutput().trimmed().split(' ');
        const double seconds = out.value(0).toDouble();
        if (curl.exitCode() != 0 || out.value(1).toLongLong() != kSize || seconds <= 0) {
            state.SkipWithError("curl failed");
            return;
        }
        state.SetIterationTime(seconds);
        sum += seconds;
    }
    fx->curlSeconds = sum / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_CopyURL50MB(benchmark::State &state) {
    TForm1 *form = fx->program->main();
    const QString target = fx->dir.filePath(QStringLiteral("big.bin"));
    double sum = 0;
    qint64 worstGapUs = 0;
    for (auto _ : state) {
        QFile::remove(target);
        // A 1 ms timer of the window: the longest interval between two of its ticks is
        // the longest time the event loop went unserved.
        QElapsedTimer clock;
        qint64 lastTick = 0, maxGapUs = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed() / 1000;
            maxGapUs = qMax(maxGapUs, now - lastTick);
            lastTick = now;
        });
        ticker.start(1);
        clock.start();
        const bool ok = form->CopyURL(fx->url, platform::fromHost(target));
        const double seconds = clock.nsecsElapsed() / 1e9;
        maxGapUs = qMax(maxGapUs, clock.nsecsElapsed() / 1000 - lastTick);
        ticker.stop();
        if (!ok || QFile(target).size() != kSize) {
            state.SkipWithError("CopyURL failed");
            return;
        }
        state.SetIterationTime(seconds);
        sum += seconds;
        worstGapUs = qMax(worstGapUs, maxGapUs);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    const double mean = sum / double(state.iterations());
    state.counters["MB/s"] = kSize / mean / 1e6;
    if (fx->curlSeconds > 0) {
        state.counters["curl_MB/s"] = kSize / fx->curlSeconds / 1e6;
        state.counters["ratio_vs_curl"] = fx->curlSeconds / mean;
    }
    state.counters["max_gap_ms"] = worstGapUs / 1000.0;
}

// The ceiling that the platform's reader sets by itself: the same reader taking 64 KiB at a
// time and serving the windows only while it waits for data.
void BM_ReaderBulk50MB(benchmark::State &state) {
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        platform::InternetSession session(QStringLiteral("MyApp"));
        platform::InternetUrl url(session);
        qint64 total = 0;
        if (url.open(fx->url)) {
            for (qint64 n; (n = url.read(buffer.data(), buffer.size())) > 0;)
                total += n;
        }
        if (total != kSize) {
            state.SkipWithError("reader failed");
            return;
        }
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

BENCHMARK(BM_Curl50MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReaderBulk50MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyURL50MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    prepareProcess();
    QApplication app(argc, argv);
    Fixture f;
    fx = &f;
    QByteArray body(kSize, Qt::Uninitialized);
    for (qint64 i = 0; i < kSize; ++i)
        body[i] = char((i * 131) >> 3);
    f.server = std::make_unique<FileServer>(body);
    f.url = QStringLiteral("http://127.0.0.1:%1/big.bin").arg(f.server->start());
    f.program = std::make_unique<QumoProgram>(
        f.platform, platform::fromHost(QCoreApplication::applicationFilePath()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    f.program.reset();
    return 0;
}
