#pragma once
// A temp classroom for the launch tests: the stand-in Logo program in an MWEX folder, a
// save folder whose name has a blank and Japanese characters, and a launcher on a platform
// that records what it does and really starts and places programs. The launcher gets the
// values and a real notice window; the program's windows are built only for the tests that
// click the main window's buttons or close it.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "app/notice.h"
#include "app/program.h"
#include "mwex/launch.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

namespace launchtest {

// The recording platform that, when asked, also lets the shell open things for real (the
// plain start of the Logo program is the shell's open of a program).
class LaunchPlatform : public testsupport::RecordingPlatform {
public:
    bool realShell = false;
    bool shellOpen(const QString &target, const QString &parameters,
                   const QString &folder) override {
        RecordingPlatform::shellOpen(target, parameters, folder);
        return realShell ? platform::Platform::shellOpen(target, parameters, folder) : true;
    }
    // Runs just before a program is started, with the program.
    std::function<void(const QString &)> beforeStart;
    qint64 startProgram(const QString &file, const QString &parameters,
                        const QString &folder) override {
        if (beforeStart)
            beforeStart(file);
        return RecordingPlatform::startProgram(file, parameters, folder);
    }
    // Rounds of window search so far.
    int enumerations = 0;
    void enumTopWindows(const std::function<bool(quint64)> &visit) override {
        ++enumerations;
        RecordingPlatform::enumTopWindows(visit);
    }
    // Runs just before a window is placed (to put another window over it, say).
    std::function<void()> beforePlace;
    void placeWindow(quint64 window, const QRect &outer) override {
        if (beforePlace)
            beforePlace();
        RecordingPlatform::placeWindow(window, outer);
    }
};

// One line of the stand-in's log.
struct Start {
    qint64 pid = 0;
    QString folder;
    QStringList args;
    QString commandLine; // the Windows stand-in's command line as it received it
};

inline bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close > 0 && close + 2 < s.size() && s[close + 2] != 'Z';
}

struct Classroom {
    enum Windows { NoWindows, WithWindows };

    QTemporaryDir tmp;
    QString mwex; // host path of the MWEX folder
    QString save; // host path of the save folder, no final "/"
    LaunchPlatform platform;
    // Without the windows: the values, the notice and the launcher of this classroom, and
    // whether the main window counts as closed.
    QumoValues ownValues;
    std::unique_ptr<TForm2> ownNotice;
    std::unique_ptr<Launcher> ownLauncher;
    bool closed = false;
    // With the windows.
    std::unique_ptr<QumoProgram> program;

    explicit Classroom(Windows windows = NoWindows) {
        mwex = tmp.filePath(QStringLiteral("MWEX"));
        save = tmp.filePath(QStringLiteral("保存 フォルダ/さくひん"));
        QDir().mkpath(mwex);
        QDir().mkpath(save);
        QFile::copy(testsupport::standinExe(), mwex + QStringLiteral("/mwex.exe"));
        const QString programFile =
            testsupport::win(tmp.filePath(QStringLiteral("QUMOG.x86_64")));
        if (windows == WithWindows) {
            program = std::make_unique<QumoProgram>(platform, programFile);
        } else {
            ownValues.programFile = programFile;
            ownNotice = std::make_unique<TForm2>();
            TForm2 *n = ownNotice.get();
            ownLauncher = std::make_unique<Launcher>(Launcher::Needs{
                {&ownValues, &platform, nullptr,
                 [n](const QString &S1, const QString &S2) { showNotice(*n, nullptr, S1, S2); }},
                [n] { return n->isVisible(); },
                [this] { return closed; }});
        }
        QumoValues &v = values();
        v.MWEXEDIR = testsupport::win(mwex);
        v.MWEXEXE = v.MWEXEDIR + QStringLiteral("\\mwex.exe");
        v.KANA = v.MWEXEDIR + QStringLiteral("\\MWEx.ini");
        v.QUMOHOZON = testsupport::win(save) + u'\\';
        v.HOZON = QStringLiteral("さくひん");
    }
    ~Classroom() {
        // Leave no stand-in behind on the display.
        for (const Start &s : starts())
            if (alive(s.pid))
                ::kill(pid_t(s.pid), SIGKILL);
    }

    // Puts another stand-in (the Windows build, say) in place of mwex.exe.
    bool useStandin(const QString &exe) {
        const QString target = mwex + QStringLiteral("/mwex.exe");
        QFile::remove(target);
        return QFile::copy(exe, target);
    }

    // The main window: only for a classroom built WithWindows.
    TForm1 *main() const {
        Q_ASSERT(program);
        return program->main();
    }
    QumoValues &values() { return program ? program->values : ownValues; }
    TForm2 *notice() const { return program ? program->forms.Form2 : ownNotice.get(); }
    Launcher &launcher() { return program ? program->main()->launcher() : *ownLauncher; }

    void configure(const QString &cfg) {
        testsupport::writeFile(mwex + QStringLiteral("/mwex.cfg"), cfg.toUtf8());
    }

    QList<Start> starts() const {
        QList<Start> out;
        const QString log =
            QString::fromUtf8(testsupport::readFile(mwex + QStringLiteral("/mwex.log")));
        for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u'\t');
            Start s;
            s.pid = f.value(0).toLongLong();
            s.folder = f.value(1);
            const int count = f.value(2).toInt();
            s.args = f.mid(3, count);
            s.commandLine = f.value(3 + count);
            if (count != s.args.size() || f.size() > 4 + count)
                s.args.append(QStringLiteral("<argument count differs>"));
            out.append(s);
        }
        return out;
    }
};

} // namespace launchtest
