// The Linux host: the beep, the shell's open and the error box.
#include "platform/platform.h"
#include "platform/core/opener.h"
#include "platform/core/paths.h"
#include "platform/process.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace platform {

void Platform::messageBeep(unsigned) { QApplication::beep(); }

bool Platform::shellOpen(const QString &target, const QString &parameters,
                         const QString &folder) {
    const OpenDecision d = decideOpen(target);
    switch (d.route) {
    case OpenRoute::Program: {
        // A program named so is started with the parameters, as the shell runs one on Windows.
        const qint64 pid = startProgram(fromHost(d.what), parameters, folder);
        releaseProcess(pid);
        return pid != 0;
    }
    case OpenRoute::Opener:
        return startDesktopOpener(d.what, toHost(folder), [this, target] {
            if (openFailedLater)
                openFailedLater(target);
        });
    case OpenRoute::Refused:
        break;
    }
    return false;
}

void Platform::errorBox(QWidget *owner, const QString &text) {
    QMessageBox::critical(owner, QApplication::applicationName(), text);
}

Platform &hostPlatform() {
    static Platform p;
    return p;
}

} // namespace platform
