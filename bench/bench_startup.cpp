// Start-up as a pupil feels it: from starting the program to its home page loaded, beside a
// bare QWebEngineView program loading the same page in a window of the same size. Both are
// fresh processes, started in alternating rounds on the demo classroom; each reports the
// moment its page finished loading on the machine-wide monotonic clock. Target: at most 1.3
// times the bare view.
//
// The same executable plays three parts: without QUMO_BENCH_ROLE it drives the rounds; with
// "shell" it is the program (started from a copy beside the demo classroom, since the
// program finds its install from its own place); with "bare" it is the bare view.
#include "app/MAIN.h"
#include "app/program.h"
#include "platform/core/fs.h"
#include "platform/platform.h"

#include "classroom.h"
#include "harness.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

qint64 monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Reports "LOADED <ns> <width> <height> <url>" once and ends the process at once: the
// shutdown is not part of what is measured, and the program's own close would write its
// usage log.
void reportLoaded(QWebEngineView *view, QWidget *window) {
    QObject::connect(view, &QWebEngineView::loadFinished, view, [view, window](bool) {
        std::printf("LOADED %lld %d %d %s\n", static_cast<long long>(monotonicNs()),
                    window->width(), window->height(), view->url().toEncoded().constData());
        std::fflush(stdout);
        std::_Exit(0);
    });
}

int runShell(int argc, char **argv) {
    prepareProcess();
    platform::Platform &host = platform::hostPlatform();
    QumoApplication app(argc, argv, host);
    QumoProgram program(host, platform::programFile());
    reportLoaded(program.main()->WebBrowser1, program.main());
    program.main()->show();
    return app.exec();
}

int runBare(int argc, char **argv) {
    prepareProcess();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    QWebEngineView view;
    view.resize(args[2].toInt(), args[3].toInt());
    reportLoaded(&view, &view);
    view.show();
    view.load(QUrl::fromEncoded(args[1].toUtf8()));
    return app.exec();
}

struct Loaded {
    double seconds = -1;
    int width = 0, height = 0;
    QByteArray url;
};

// Starts one process and waits for its report.
Loaded timeOne(const QString &exe, const QByteArray &role, const QStringList &args,
               const QString &workdir) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUMO_BENCH_ROLE"), QString::fromLatin1(role));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workdir);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 start = monotonicNs();
    p.start(exe, args);
    Loaded l;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return l;
    }
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.value(0) == "LOADED" && w.size() >= 5) {
            l.seconds = double(w[1].toLongLong() - start) / 1e9;
            l.width = w[2].toInt();
            l.height = w[3].toInt();
            l.url = w[4];
        }
    }
    return l;
}

} // namespace

int main(int argc, char **argv) {
    const QByteArray role = qgetenv("QUMO_BENCH_ROLE");
    if (role == "shell")
        return runShell(argc, argv);
    if (role == "bare")
        return runBare(argc, argv);

    QCoreApplication app(argc, argv);
    const std::string name = "start-up to home page";
    QTemporaryDir dir;
    if (!layDemo(dir.path()))
        return bench::failed(name, "could not lay the demo classroom out") ? 0 : 1;
    const QString shell = dir.path() + QStringLiteral("/QUMOG.x86_64");
    const QString self = QCoreApplication::applicationFilePath();

    // The first start builds the catalogues and the save folder: a warm-up, which also
    // tells the page and the window size the bare view gets.
    const Loaded first = timeOne(shell, "shell", {}, dir.path());
    if (first.seconds < 0)
        return bench::failed(name, "the program did not load its home page") ? 0 : 1;
    const QStringList bareArgs{QString::fromUtf8(first.url), QString::number(first.width),
                               QString::number(first.height)};
    std::printf("home page %s in a %dx%d window\n", first.url.constData(), first.width,
                first.height);
    bool ok = true;
    auto measure = [&](const QString &exe, const QByteArray &r, const QStringList &args) {
        const Loaded l = timeOne(exe, r, args, dir.path());
        ok &= l.seconds > 0;
        return l.seconds;
    };
    timeOne(self, "bare", bareArgs, dir.path()); // warm-up of the bare side
    bench::Pair p;
    for (int r = 0; r < bench::Rounds && ok; ++r) {
        if (r % 2 == 0) {
            p.ours.push_back(measure(shell, "shell", {}));
            p.reference.push_back(measure(self, "bare", bareArgs));
        } else {
            p.reference.push_back(measure(self, "bare", bareArgs));
            p.ours.push_back(measure(shell, "shell", {}));
        }
    }
    if (!ok)
        return bench::failed(name, "a start did not load its page") ? 0 : 1;
    return bench::report(name, p, bench::Goal::TimeAtMost, 1.3, bench::Ms, "program",
                         "bare QWebEngineView")
               ? 0
               : 1;
}
