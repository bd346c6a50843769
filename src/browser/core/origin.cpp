// Whether a program fetched from the web, or a page's command, comes from a trusted host.
#include "browser/core/origin.h"
#include "browser/core/linkcommand.h"

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

namespace {
// The material site's host or the host of one of `homePages`.
bool trustedHost(const QString& host, const QStringList& homePages) {
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
} // namespace

bool trustedProgramSource(const QString& url, const QStringList& homePages) {
    return isLocal(url) || trustedHost(hostOf(url), homePages);
}

Asker askerOf(const QString& pageUrl, const QStringList& homePages) {
    // An empty page has no host: it is trusted with nothing.
    if (pageUrl.isEmpty())
        return Asker::OtherPage;
    // The page's own scheme decides what is local: a web page's address may hold a "\" in
    // its query, which makes no local page of it.
    if (pageUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return Asker::TrustedPage;
    const QString scheme = QUrl(pageUrl, QUrl::TolerantMode).scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return Asker::OtherPage;
    const QUrl u(pageUrl, QUrl::TolerantMode);
    return trustedHost(u.host(QUrl::FullyDecoded).toLower(), homePages) ? Asker::TrustedPage
                                                                         : Asker::OtherPage;
}

bool commandMayAct(const Asking& asking, bool isCommand) {
    return !isCommand || asking.asker != Asker::OtherPage || asking.pupilInput;
}

} // namespace origin
