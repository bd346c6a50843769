// Starting, watching and ending other programs on Linux.
//
// The shell starts the Logo program and waits until it is "idle" before it looks for the
// program's window. Linux has no notion of a process waiting for input, so the nearest
// sound rule is used: a process is ready once it exists and has not ended within the
// wait; a process that ends during the wait has failed. The wait therefore never times
// out, and the window search that follows gives the program the time it needs to show
// its window.
//
// Programs are started detached (they run on after this program ends). Each started
// process is kept as a pidfd until it is released, so that ending it can never hit an
// unrelated process that got the same id after it ended.
#include "platform/core/paths.h"
#include "platform/platform.h"
#include "platform/aside.h"
#include "platform/process.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QHash>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

ProgramKind programKind(const QString &hostPath) {
    if (hostPath.isEmpty())
        return ProgramKind::NotRunnable;
    QFile f(hostPath);
    const QFileInfo info(hostPath);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        return ProgramKind::NotRunnable;
    const QByteArray head = f.read(4);
    if (head.startsWith("MZ"))
        return ProgramKind::Windows;
    if ((head == "\x7f"
                 "ELF" ||
         head.startsWith("#!")) &&
        info.isExecutable())
        return ProgramKind::Native;
    return ProgramKind::NotRunnable;
}

QString nativeArgument(const QString &argument) {
    if (argument.size() >= 3 && argument[1] == u':' &&
        (argument[2] == u'\\' || argument[2] == u'/')) {
        const QString host = toHost(argument);
        if (!host.isEmpty())
            return host;
    }
    return argument;
}

namespace {

QString unquoted(const QString &s) {
    QString t = s.trimmed();
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"'))
        t = t.mid(1, t.size() - 2);
    return t;
}

// Started processes that have not been released: id -> pidfd, or one of these.
constexpr int kNoPidfd = -1; // the kernel has none: the id is used as it is
constexpr int kEnded = -2;   // the process had already ended when it was looked at
QHash<qint64, int> &startedProcesses() {
    static QHash<qint64, int> table;
    return table;
}

int openPidfd(qint64 pid) {
#ifdef SYS_pidfd_open
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd >= 0)
        return fd;
    return errno == ESRCH ? kEnded : kNoPidfd;
#else
    Q_UNUSED(pid);
    return kNoPidfd;
#endif
}

// True while the process exists and has not ended.
bool running(qint64 pid) {
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) S ...": the state follows the last ')'. An ended process that nobody
    // has reaped yet is a zombie and counts as ended.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return false;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X' && state != 'x';
}

// Waits at most `ms` for the process to end (`fd`: its pidfd, or kNoPidfd). True when it
// has ended.
bool endsWithin(qint64 pid, int fd, int ms) {
    if (fd == kEnded || !running(pid))
        return true;
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        int r;
        do
            r = ::poll(&p, 1, ms);
        while (r < 0 && errno == EINTR);
        if (r > 0)
            return true; // the pidfd turns readable when the process ends
    } else {
        // No pidfd (an old kernel, or a process not started here): look every 5 ms.
        for (int waited = 0; waited < ms; waited += 5) {
            ::usleep(5000);
            if (!running(pid))
                return true;
        }
    }
    return !running(pid);
}

} // namespace

bool localeInstalled(const QString &name) {
    if (name.isEmpty())
        return false;
    const locale_t loc = ::newlocale(LC_ALL_MASK, name.toLocal8Bit().constData(), locale_t(0));
    if (loc == locale_t(0))
        return false;
    ::freelocale(loc);
    return true;
}

QString windowsProgramLocale() {
    static const QString chosen = [] {
        const QString japanese = QStringLiteral("ja_JP.UTF-8");
        if (localeInstalled(japanese))
            return japanese;
        const QString neutral = QStringLiteral("C.UTF-8");
        if (localeInstalled(neutral)) {
            qWarning("Windows programs run under %s: %s is not installed, so they get the "
                     "Western code page",
                     qPrintable(neutral), qPrintable(japanese));
            return neutral;
        }
        qWarning("Windows programs run without a UTF-8 locale: neither %s nor %s is installed, "
                 "so paths outside ASCII will not reach them",
                 qPrintable(japanese), qPrintable(neutral));
        return QString();
    }();
    return chosen;
}

QProcessEnvironment windowsProgramEnvironment(const QProcessEnvironment &base) {
    QProcessEnvironment env = base;
    const QString loc = windowsProgramLocale();
    for (const QString &name : {QStringLiteral("LC_ALL"), QStringLiteral("LANG")}) {
        if (loc.isEmpty())
            env.remove(name);
        else
            env.insert(name, loc);
    }
    return env;
}

QString winePrefixOf(const QProcessEnvironment &env) {
    const QString prefix = env.value(QStringLiteral("WINEPREFIX"));
    if (!prefix.isEmpty())
        return QDir::cleanPath(prefix);
    const QString home = env.value(QStringLiteral("HOME"), QDir::homePath());
    return QDir::cleanPath(home + QStringLiteral("/.wine"));
}

namespace {

// How long the server of a prepared prefix stays after its last program has ended.
constexpr int kKeepServerSeconds = 900;

// Prefixes prepared during this run: prefix -> the preparing process.
struct Preparation {
    qint64 pid = 0;
    int fd = kNoPidfd;
};
QHash<QString, Preparation> &preparations() {
    static QHash<QString, Preparation> table;
    return table;
}

bool isWindowsProgram(const QString &program) {
    return programKind(toHost(unquoted(program))) == ProgramKind::Windows;
}

Preparation preparationFor(const QString &program) {
    if (!isWindowsProgram(program))
        return {};
    return preparations().value(winePrefixOf(QProcessEnvironment::systemEnvironment()));
}

} // namespace

void prepareForProgram(const QString &program) {
    if (!isWindowsProgram(program))
        return;
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty())
        return;
    QProcessEnvironment env = windowsProgramEnvironment();
    const QString prefix = winePrefixOf(env);
    if (preparations().contains(prefix))
        return;
    // A fresh prefix would offer to download the .NET and HTML engines in dialogs that
    // nobody in a classroom answers; the Logo program needs neither.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // A prepared prefix still costs a cold start (server, registry, desktop process) of
    // several seconds on a busy PC, when the server has ended before the first click. So
    // the preparation leaves a server that stays kKeepServerSeconds after its last
    // program: a fresh prefix is made first (its server ends by itself), then the staying
    // server is started and booted, which brings up the desktop process as well.
    const QString server = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
    const bool fresh = !QFileInfo::exists(prefix + QStringLiteral("/system.reg"));
    QString script = QStringLiteral("wine=\"$1\"; server=\"$2\"\n");
    if (!server.isEmpty()) {
        if (fresh)
            script += QStringLiteral("\"$wine\" wineboot --init; \"$server\" -w\n");
        script += QStringLiteral("\"$server\" -p%1\n").arg(kKeepServerSeconds);
    }
    script += QStringLiteral("exec \"$wine\" wineboot --init\n");
    QProcess boot;
    boot.setProgram(QStringLiteral("/bin/sh"));
    boot.setArguments({QStringLiteral("-c"), script, QStringLiteral("prepare"), wine, server});
    boot.setProcessEnvironment(env);
    boot.setStandardOutputFile(QProcess::nullDevice());
    boot.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    // Detached: cutting the creation of a prefix short would leave a broken one behind.
    if (!boot.startDetached(&pid) || pid <= 0) {
        qWarning("could not start preparing the Wine prefix %s", qPrintable(prefix));
        return;
    }
    preparations().insert(prefix, Preparation{pid, openPidfd(pid)});
}

bool preparingForProgram(const QString &program) {
    const Preparation p = preparationFor(program);
    return p.fd != kEnded && running(p.pid);
}

bool waitForPreparation(const QString &program, int ms) {
    const Preparation p = preparationFor(program);
    return p.pid <= 0 || endsWithin(p.pid, p.fd, ms);
}

qint64 Platform::startProgram(const QString &file, const QString &parameters,
                              const QString &folder) {
    const QString program = toHost(unquoted(file));
    const QStringList args = splitWindowsParameters(parameters);
    QProcess process;
    switch (programKind(program)) {
    case ProgramKind::Native: {
        QStringList native;
        for (const QString &a : args)
            native.append(nativeArgument(a));
        process.setProgram(program);
        process.setArguments(native);
        break;
    }
    case ProgramKind::Windows: {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty())
            return 0;
        process.setProgram(wine);
        process.setArguments(QStringList{program} + args);
        process.setProcessEnvironment(windowsProgramEnvironment());
        break;
    }
    case ProgramKind::NotRunnable:
        return 0;
    }
    if (!folder.isEmpty()) {
        const QString dir = toHost(folder);
        if (dir.isEmpty())
            return 0;
        process.setWorkingDirectory(dir);
    }
    // Forking a process as large as this one and waiting for the new program to be
    // running takes a while on a busy PC: done aside while the window serves its events,
    // at the window's own priority, which the program inherits.
    qint64 pid = 0;
    bool started = false;
    runAside([&] { started = process.startDetached(&pid); }, {}, AsidePriority::Same);
    if (!started || pid <= 0)
        return 0;
    startedProcesses().insert(pid, openPidfd(pid));
    return pid;
}

bool Platform::processRunning(qint64 pid) { return running(pid); }

Platform::IdleWait Platform::waitForInputIdle(qint64 pid, int ms) {
    const int fd = startedProcesses().value(pid, kNoPidfd);
    return endsWithin(pid, fd, ms) ? IdleWait::Failed : IdleWait::Idle;
}

void Platform::terminateProcess(qint64 pid) {
    if (pid <= 0)
        return;
    auto &table = startedProcesses();
    const auto it = table.constFind(pid);
    if (it == table.constEnd())
        return; // not ours, or already released: never signal a stranger
#ifdef SYS_pidfd_send_signal
    if (*it >= 0) {
        ::syscall(SYS_pidfd_send_signal, *it, SIGKILL, nullptr, 0);
        return;
    }
#endif
    if (*it == kNoPidfd && processRunning(pid))
        ::kill(pid_t(pid), SIGKILL);
}

void Platform::releaseProcess(qint64 pid) {
    auto &table = startedProcesses();
    if (!table.contains(pid))
        return;
    const int fd = table.take(pid);
    if (fd >= 0)
        ::close(fd);
}

void Platform::messageBox(QWidget *owner, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    owner);
    box.exec();
}

} // namespace platform
