// Download of a 50 MB file from a loopback server: CopyURL beside curl writing the same
// file to the same disk followed by an fsync of that file (CopyURL syncs the file to the disk
// before it puts it in place, so that a work that is present is whole), in alternating rounds
// (wall time; curl's own transfer time, so its process start is not counted against it).
// Targets: at least as fast as curl + fsync, and the event loop never unserved for 20 ms or
// more during a download. curl without the fsync and curl to /dev/null are shown for
// information.
#include "app/MAIN.h"
#include "app/program.h"
#include "browser/core/savetarget.h"
#include "platform/internet.h"
#include "platform/core/paths.h"
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
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <vector>

#include "harness.h"

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

// Seconds curl took for the transfer, or a negative value when it failed.
double curl(const QString &url, const QString &out) {
    QProcess p;
    p.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), out,
                                     QStringLiteral("-w"),
                                     QStringLiteral("%{time_total} %{size_download}"), url});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return -1;
    const QList<QByteArray> words = p.readAllStandardOutput().trimmed().split(' ');
    if (words.value(1).toLongLong() != kSize)
        return -1;
    return words.value(0).toDouble();
}

} // namespace

int main(int argc, char **argv) {
    prepareProcess();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QuietPlatform quiet;
    QByteArray body(kSize, Qt::Uninitialized);
    for (qint64 i = 0; i < kSize; ++i)
        body[i] = char((i * 131) >> 3);
    FileServer server(body);
    const QString url = QStringLiteral("http://127.0.0.1:%1/big.bin").arg(server.start());
    QumoProgram program(quiet, platform::fromHost(QCoreApplication::applicationFilePath()));
    TForm1 *form = program.main();
    const QString target = dir.filePath(QStringLiteral("big.bin"));
    const QString curlTarget = dir.filePath(QStringLiteral("curl.bin"));

    qint64 worstGapUs = 0;
    bool ok = true;
    auto ours = [&]() -> double {
        QFile::remove(target);
        // A 1 ms timer of the window: the longest interval between two of its ticks is the
        // longest time the event loop went unserved.
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
        const auto to = SaveTarget::inside(platform::fromHost(dir.path()) + u'\\',
                                           platform::fromHost(target));
        const bool done = to && form->CopyURL(url, *to);
        const double seconds = clock.nsecsElapsed() / 1e9;
        maxGapUs = qMax(maxGapUs, clock.nsecsElapsed() / 1000 - lastTick);
        ticker.stop();
        ok &= done && QFile(target).size() == kSize;
        worstGapUs = qMax(worstGapUs, maxGapUs);
        return seconds;
    };
    auto sameDisk = [&] {
        QFile::remove(curlTarget);
        const double s = curl(url, curlTarget);
        ok &= s > 0;
        return s;
    };
    // curl's file synced to the disk afterwards, as CopyURL does before the rename.
    auto sameDiskSynced = [&] {
        const double s = sameDisk();
        QElapsedTimer t;
        t.start();
        const int fd = ::open(QFile::encodeName(curlTarget).constData(), O_WRONLY);
        ok &= fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        return s + t.nsecsElapsed() / 1e9;
    };
    auto devNull = [&] {
        const double s = curl(url, QStringLiteral("/dev/null"));
        ok &= s > 0;
        return s;
    };
    // Warm-up, then rounds in which the three take turns going first.
    ours();
    sameDisk();
    devNull();
    worstGapUs = 0;
    bench::Pair disk, null, synced;
    for (int r = 0; r < bench::Rounds && ok; ++r) {
        double o = 0, d = 0, n = 0;
        switch (r % 3) {
        case 0: o = ours(); d = sameDisk(); n = devNull(); break;
        case 1: d = sameDisk(); n = devNull(); o = ours(); break;
        default: n = devNull(); o = ours(); d = sameDisk(); break;
        }
        const double ds = sameDiskSynced();
        synced.ours.push_back(o);
        synced.reference.push_back(ds);
        disk.ours.push_back(o);
        disk.reference.push_back(d);
        null.ours.push_back(o);
        null.reference.push_back(n);
    }
    if (!ok) {
        bench::failed("download 50MB vs curl same disk + fsync", "a transfer failed");
        return 1;
    }
    bool met = bench::report("download 50MB vs curl same disk + fsync", synced,
                             bench::Goal::SpeedAtLeast, 1.0, bench::Ms, "CopyURL",
                             "curl -o file + fsync");
    for (const auto &[what, pair] : {std::pair{"curl -o file (no sync)", &disk},
                                     std::pair{"curl -o /dev/null", &null}}) {
        const bench::Stats o = bench::stats(pair->ours), r = bench::stats(pair->reference),
                           q = bench::roundRatios(*pair, bench::Goal::SpeedAtLeast);
        std::printf("download 50MB vs %s (no target): CopyURL median %.4g ms, %s median %.4g "
                    "ms, ratio median %.3f (%.3f-%.3f)\n",
                    what, o.median * 1e3, what, r.median * 1e3, q.median, q.min, q.max);
    }
    const double gapMs = worstGapUs / 1000.0;
    std::printf("download longest event gap over all rounds: %.1f ms\n", gapMs);
    met &= bench::summary("download longest event gap", gapMs, 20.0, "ms", gapMs / 20.0,
                          bench::Goal::TimeAtMost, 1.0);
    return met ? 0 : 1;
}
