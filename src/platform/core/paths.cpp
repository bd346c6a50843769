// Windows-style paths and URLs mapped to and from the host; command-line splitting.
#include "platform/core/paths.h"

namespace platform {

namespace {
int lastDelimiter(const QString &s) {
    for (int i = s.size() - 1; i >= 0; --i)
        if (s[i] == u'\\' || s[i] == u':')
            return i;
    return -1;
}
} // namespace

QString toHost(const QString &winPath) {
    if (winPath.isEmpty())
        return {};
    if (winPath.startsWith(QLatin1String("\\\\")))
        return {}; // UNC share: no such thing here
    QString p = winPath;
    if (p.size() >= 2 && p[1] == u':') {
        const QChar drive = p[0].toUpper();
        if (drive != u'Z')
            return {};
        p = p.mid(2);
        if (!p.startsWith(u'\\') && !p.startsWith(u'/'))
            p.prepend(u'/'); // "Z:x" is taken from the root of the drive
    } else if (p.contains(u':')) {
        return {}; // a colon elsewhere names nothing on this host
    }
    p.replace(u'\\', u'/');
    return p;
}

QString fromHost(const QString &hostPath) {
    QString p = hostPath;
    if (p.startsWith(u'/'))
        return QLatin1String("Z:") + p.replace(u'/', u'\\');
    return p.replace(u'/', u'\\');
}

QString urlFromEngine(const QUrl &url) {
    if (url.isLocalFile() || url.scheme() == QLatin1String("file")) {
        // Path decoded like the original view reported it: characters as such, blanks as %20.
        QString path = url.path(QUrl::FullyDecoded);
        path.replace(QLatin1String(" "), QLatin1String("%20"));
        QString s = QLatin1String("file:///Z:") + path;
        if (url.hasQuery())
            s += u'?' + url.query(QUrl::PrettyDecoded);
        if (url.hasFragment())
            s += u'#' + url.fragment(QUrl::PrettyDecoded);
        return s;
    }
    if (url.scheme().size() == 1 && url.scheme()[0].isLetter()) {
        // A link to a bare Windows path ("Z:\x\y.txt") arrives as a one-letter scheme with
        // its backslashes encoded; give it back in the form the page wrote it.
        QString path = url.path(QUrl::FullyDecoded);
        path.replace(QLatin1String(" "), QLatin1String("%20"));
        QString s = url.scheme().toUpper() + u':' + path;
        if (url.hasQuery())
            s += u'?' + url.query(QUrl::PrettyDecoded);
        if (url.hasFragment())
            s += u'#' + url.fragment(QUrl::PrettyDecoded);
        return s;
    }
    return url.toString(QUrl::PrettyDecoded);
}

bool isLocalUrl(const QString &url) {
    return url.contains(u'\\') || url.contains(QLatin1String("file://"));
}

QUrl urlToEngine(const QString &shellUrl) {
    QString s = shellUrl;
    const bool fileScheme = s.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    const bool barePath = !fileScheme && s.size() >= 2 && s[1] == u':' && s[0].isLetter() &&
                          (s.size() == 2 || s[2] == u'\\' || s[2] == u'/');
    if (!fileScheme && !barePath)
        return QUrl(s, QUrl::TolerantMode);
    if (fileScheme) {
        s = s.mid(5);
        while (s.startsWith(u'/'))
            s.remove(0, 1);
    }
    s.replace(u'\\', u'/');
    // Split off a fragment the way a browser would; "#" in a Windows file name stays
    // part of the name only when nothing follows that looks like an anchor.
    QString fragment;
    const int hash = s.indexOf(u'#');
    if (hash >= 0) {
        fragment = s.mid(hash + 1);
        s.truncate(hash);
    }
    const QString decoded = QUrl::fromPercentEncoding(s.toUtf8());
    QString host;
    if (decoded.size() >= 2 && decoded[1] == u':') {
        if (decoded[0].toUpper() == u'Z')
            host = decoded.mid(2);
        else
            host = QLatin1String("/nonexistent-drive-") + decoded[0] + decoded.mid(2);
        if (!host.startsWith(u'/'))
            host.prepend(u'/');
    } else {
        host = u'/' + decoded;
    }
    // "Z:\\a" names "/a" as any path does; "//a" would make "a" the URL's host.
    while (host.startsWith(QLatin1String("//")))
        host.remove(0, 1);
    QUrl url = QUrl::fromLocalFile(host);
    if (hash >= 0)
        url.setFragment(fragment);
    return url;
}

QString extractFilePath(const QString &winPath) {
    return winPath.left(lastDelimiter(winPath) + 1);
}

QString extractFileName(const QString &winPath) {
    return winPath.mid(lastDelimiter(winPath) + 1);
}

QString extractFileExt(const QString &winPath) {
    for (int i = winPath.size() - 1; i >= 0; --i) {
        if (winPath[i] == u'.')
            return winPath.mid(i);
        if (winPath[i] == u'\\' || winPath[i] == u':')
            break;
    }
    return {};
}

QString stripFileExt(const QString &winPath) {
    return winPath.left(winPath.size() - extractFileExt(winPath).size());
}

QStringList splitWindowsParameters(const QString &parameters) {
    QStringList args;
    QString current;
    bool inQuotes = false, hasArg = false;
    const qsizetype n = parameters.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = parameters[i];
        if (c == u'\\') {
            qsizetype slashes = 0;
            while (i < n && parameters[i] == u'\\') {
                ++slashes;
                ++i;
            }
            if (i < n && parameters[i] == u'"') {
                current += QString(slashes / 2, u'\\');
                if (slashes % 2) {
                    current += u'"';
                    ++i;
                }
            } else {
                current += QString(slashes, u'\\');
            }
            hasArg = true;
            continue;
        }
        if (c == u'"') {
            if (inQuotes && i + 1 < n && parameters[i + 1] == u'"') {
                current += u'"';
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            hasArg = true;
            ++i;
            continue;
        }
        if (!inQuotes && (c == u' ' || c == u'\t')) {
            if (hasArg)
                args.append(current);
            current.clear();
            hasArg = false;
            ++i;
            continue;
        }
        current += c;
        hasArg = true;
        ++i;
    }
    if (hasArg)
        args.append(current);
    return args;
}

} // namespace platform
