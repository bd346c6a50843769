#include "platform/platform.h"
#include "platform/cmdline.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {
// A native program or a script: an executable file that begins like one. Documents that
// merely carry an execute bit (common on copied media) still go to their program.
bool isStartableProgram(const QString &hostPath) {
    const QFileInfo fi(hostPath);
    if (!fi.isFile() || !fi.isExecutable())
        return false;
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4);
    return head == "\x7f" "ELF" || head.startsWith("#!");
}
} // namespace

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
    QString dir = toHost(folder);
    // A program is started itself in `folder`, with its parameters split as a Windows
    // program would receive them; anything else goes to its associated program.
    if (isStartableProgram(what) &&
        QProcess::startDetached(what, splitWindowsCommandLine(parameters), dir))
        return true;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {what}, dir);
}

void Platform::errorBox(QWidget *owner, const QString &text) {
    QMessageBox::critical(owner, QApplication::applicationName(), text);
}

Platform &hostPlatform() {
    static Platform p;
    return p;
}

} // namespace platform
