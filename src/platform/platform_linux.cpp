#include "platform/platform.h"
#include "platform/paths.h"

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
    Q_UNUSED(parameters);
    QString dir = toHost(folder);
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
