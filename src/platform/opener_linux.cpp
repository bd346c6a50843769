// The desktop's opener on Linux (xdg-open) and its bounded wait for a failure.
#include "platform/core/opener.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace platform {

bool startDesktopOpener(const QString &what, const QString &folder,
                        std::function<void()> failed) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || what.isEmpty())
        return false;
    // Not owned by anything: it lives until the opener ends, also when the opener waits
    // for the program it started (as it does on a desktop without a file manager service).
    auto *process = new QProcess;
    process->setProgram(opener);
    process->setArguments({what});
    if (!folder.isEmpty() && QDir(folder).exists())
        process->setWorkingDirectory(folder);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto clock = std::make_shared<QElapsedTimer>();
    QObject::connect(process, &QProcess::finished, process,
                     [process, clock, failed = std::move(failed)](int code,
                                                                  QProcess::ExitStatus status) {
                         const bool opened = status == QProcess::NormalExit && code == 0;
                         if (!opened && clock->elapsed() < OpenerVerdictMs && failed)
                             failed();
                         process->deleteLater();
                     });
    clock->start();
    process->start();
    if (!process->waitForStarted(5000)) {
        delete process;
        return false;
    }
    return true;
}

} // namespace platform
