#include "platform/cmdline.h"

namespace platform {

QStringList splitWindowsCommandLine(const QString &commandLine) {
    QStringList args;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (true) {
        while (i < n && blank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        QString arg;
        bool quoted = false;
        while (i < n && (quoted || !blank(commandLine[i]))) {
            const QChar c = commandLine[i];
            if (c == u'\\') {
                qsizetype slashes = 0;
                while (i < n && commandLine[i] == u'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && commandLine[i] == u'"') {
                    arg += QString(slashes / 2, u'\\');
                    if (slashes % 2) {
                        arg += u'"';
                        ++i;
                    }
                } else {
                    arg += QString(slashes, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == u'"') {
                    arg += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.append(arg);
    }
    return args;
}

} // namespace platform
