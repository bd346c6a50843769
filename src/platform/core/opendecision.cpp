// What the shell's open operation does with a target: start it as a program, hand it to the
// desktop's opener, or refuse it. Decided from the name (and, without an extension, the
// bytes) only; nothing is started here.
#include "platform/core/opener.h"
#include "platform/core/paths.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

namespace platform {

namespace {

// Kinds that a desktop runs rather than shows: programs and the scripts, launchers,
// installers and shortcuts that lead to one.
bool isRunnableKind(const QMimeType &type) {
    static const char *const kinds[] = {
        "application/x-executable",          "application/x-sharedlib",
        "application/x-ms-dos-executable",   "application/vnd.microsoft.portable-executable",
        "application/x-msdownload",          "application/x-msi",
        "application/x-ms-shortcut",         "application/x-desktop",
        "application/x-shellscript",         "application/x-bat",
        "application/x-java-archive",        "application/x-java-jnlp-file",
        "application/x-appimage",            "application/x-executable-script",
    };
    if (!type.isValid())
        return false;
    for (const char *k : kinds)
        if (type.inherits(QLatin1String(k)))
            return true;
    return false;
}

// Windows kinds that run something when opened and that the host's database may not know.
bool isWindowsLaunchSuffix(const QString &suffix) {
    static const char *const suffixes[] = {"bat", "cmd", "com", "pif", "scr", "lnk",
                                           "vbs", "vbe", "wsf", "hta", "ps1", "reg"};
    for (const char *x : suffixes)
        if (suffix.compare(QLatin1String(x), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString unquoted(const QString &s) {
    QString t = s.trimmed();
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"'))
        t = t.mid(1, t.size() - 2);
    return t;
}

} // namespace

OpenDecision decideOpen(const QString &target) {
    const QString t = unquoted(target);
    OpenDecision d;
    if (t.isEmpty())
        return d;
    const bool fileUrl = t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    if (t.contains(QLatin1String("://")) && !fileUrl) {
        // The web goes to the default browser; other schemes may belong to any program.
        const QString scheme = QUrl(t).scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("ftp")) {
            d.route = OpenRoute::Opener;
            d.what = t;
        }
        return d;
    }
    const QString host = fileUrl ? urlToEngine(t).toLocalFile() : toHost(t);
    if (host.isEmpty())
        return d;
    d.what = host;
    const QFileInfo info(host);
    if (info.isDir()) {
        d.route = OpenRoute::Opener;
        return d;
    }
    const QString suffix = info.suffix();
    if (suffix.compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0) {
        d.route = OpenRoute::Program;
        return d;
    }
    static const QMimeDatabase db;
    if (!suffix.isEmpty()) {
        d.route = isWindowsLaunchSuffix(suffix) ||
                          isRunnableKind(db.mimeTypeForFile(host, QMimeDatabase::MatchExtension))
                      ? OpenRoute::Refused
                      : OpenRoute::Opener;
        return d;
    }
    // Without an extension the opener can only go by the bytes.
    d.route = isRunnableKind(db.mimeTypeForFile(host, QMimeDatabase::MatchContent))
                  ? OpenRoute::Refused
                  : OpenRoute::Opener;
    return d;
}

} // namespace platform
