// libFuzzer target: the conversions between the shell's Windows paths and the host's
// (toHost, fromHost, the file-URL mappings) and the split of a parameter string.
#include "platform/core/paths.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

bool hasDrive(const QString &s) {
    return s.size() >= 2 && s[1] == u':';
}

// The inverse of the split: each argument written so that a Windows program reads it back.
QString quoteArgument(const QString &a) {
    if (!a.isEmpty() && !a.contains(u' ') && !a.contains(u'\t') && !a.contains(u'"'))
        return a;
    QString q = QStringLiteral("\"");
    qsizetype slashes = 0;
    for (const QChar c : a) {
        if (c == u'\\') {
            ++slashes;
            continue;
        }
        if (c == u'"')
            q += QString(slashes * 2 + 1, u'\\') + u'"';
        else
            q += QString(slashes, u'\\') + c;
        slashes = 0;
    }
    q += QString(slashes * 2, u'\\') + u'"';
    return q;
}

// A path made of the input's characters that URLs and paths carry without escaping rules
// of their own; it has to survive the trip to the engine and back.
QString plainPath(const QString &s) {
    QString p;
    for (const QChar c : s)
        if (c.unicode() >= 0x20 && c != u'%' && c != u'#' && c != u'?' && c != u':' &&
            c != u'/' && !c.isSurrogate() && c.unicode() != 0x7f && c != QChar::ReplacementCharacter)
            p += c;
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString s = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    // toHost: nothing but the drive Z: (the root) and relative paths map; the result is a
    // host path without backslashes, and a Z: path stays under "/".
    const QString h = platform::toHost(s);
    check(!h.contains(u'\\'));
    if (s.startsWith(QLatin1String("\\\\")))
        check(h.isEmpty());
    if (hasDrive(s)) {
        check(h.isEmpty() || s[0].toUpper() == u'Z');
        if (!h.isEmpty())
            check(h.startsWith(u'/'));
    } else if (s.contains(u':')) {
        check(h.isEmpty());
    }
    // A host path without "\" or ":" makes the trip to the shell's form and back.
    if (!s.contains(u'\\') && !s.contains(u':'))
        check(platform::toHost(platform::fromHost(s)) == s);
    // So does a Z: path written with "\" only.
    if (s.startsWith(QLatin1String("Z:\\")) && !s.contains(u'/') && !s.mid(2).contains(u':'))
        check(platform::fromHost(h) == s);

    // The file-URL mappings: whatever the shell forms, the engine gets a valid URL, and a
    // local one names a host path under "/".
    const QUrl engine = platform::urlToEngine(s);
    (void)platform::urlFromEngine(engine);
    (void)platform::urlFromEngine(QUrl(s, QUrl::TolerantMode));
    if (s.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        check(engine.isLocalFile());
        check(engine.toLocalFile().startsWith(u'/'));
    }
    // A plain path on Z: comes back from the engine as the shell wrote it.
    const QString plain = plainPath(s);
    if (!plain.isEmpty()) {
        QString rel = plain;
        rel.replace(u'\\', u'/');
        // Separators after the drive's own name the same root; the URL holds none.
        while (rel.startsWith(u'/'))
            rel.remove(0, 1);
        const QString shellUrl = QLatin1String("Z:\\") + plain;
        QString expected = QLatin1String("file:///Z:/") + rel;
        expected.replace(QLatin1String(" "), QLatin1String("%20"));
        const QString back = platform::urlFromEngine(platform::urlToEngine(shellUrl));
        check(back == expected);
    }

    // The name parts always put the path back together.
    check(platform::extractFilePath(s) + platform::extractFileName(s) == s);
    check(platform::stripFileExt(s) + platform::extractFileExt(s) == s);

    // The parameter split: arguments written back the Windows way split the same again.
    const QStringList args = platform::splitWindowsParameters(s);
    QStringList quoted;
    for (const QString &a : args)
        quoted.append(quoteArgument(a));
    check(platform::splitWindowsParameters(quoted.join(u' ')) == args);
    return 0;
}
