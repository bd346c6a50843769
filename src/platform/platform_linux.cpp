#include "platform/platform.h"
#include "platform/paths.h"
#include "platform/opener.h"
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
    QString t = target.trimmed();
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"'))
        t = t.mid(1, t.size() - 2);
    if (t.isEmpty())
        return false;
    QString what;
    if (t.contains(QLatin1String("://")) && !t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        what = t; // a web address: the default browser
    else if (t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        what = urlToEngine(t).toLocalFile();
    else
        what = toHost(t);
    if (what.isEmpty())
        return false;
    // A program is started with the parameters, as the shell runs one on Windows.
    if (programKind(what) != ProgramKind::NotRunnable) {
        const qint64 pid = startProgram(fromHost(what), parameters, folder);
        releaseProcess(pid);
        return pid != 0;
    }
    QString dir = toHost(folder);
    return startDesktopOpener(what, dir, [this, target] {
        if (openFailedLater)
            openFailedLater(target);
    });
}

void Platform::errorBox(QWidget *owner, const QString &text) {
    QMessageBox::critical(owner, QApplication::applicationName(), text);
}

Platform &hostPlatform() {
    static Platform p;
    return p;
}

} // namespace platform
