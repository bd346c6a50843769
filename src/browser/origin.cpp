// Whether a program fetched from the web comes from a trusted host.
#include "browser/origin.h"
#include "browser/linkcommand.h"

#include <QUrl>

namespace origin {

namespace {
bool isLocal(const QString& url) {
    return url.contains(u'\\') || url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}
} // namespace

QString hostOf(const QString& url) {
    if (isLocal(url))
        return QString();
    // Read the way the internet reader reads it, so that the host asked about is the one
    // contacted (user names, ports and odd spellings included).
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid())
        return QString();
    return u.host(QUrl::FullyDecoded).toLower();
}

bool trustedProgramSource(const QString& url, const QStringList& homePages) {
    if (isLocal(url))
        return true;
    const QString host = hostOf(url);
    if (host.isEmpty())
        return false;
    QString site = QString::fromLatin1(linkcmd::kMaterialSiteHostPath);
    site = site.mid(1, site.size() - 2); // "/" + host + "/"
    if (host == site.toLower())
        return true;
    for (const QString& home : homePages) {
        // A home page written without its scheme is a web address, as the start-up takes it.
        const QString h = QUrl(home, QUrl::TolerantMode).scheme().isEmpty()
                              ? hostOf(QUrl::fromUserInput(home).toString())
                              : hostOf(home);
        if (!h.isEmpty() && h == host)
            return true;
    }
    return false;
}

} // namespace origin
