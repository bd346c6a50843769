#pragma once
// The demo classroom laid out for a benchmark as script/run lays it out, with the running
// benchmark executable as the program.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QString>

namespace {

inline bool copyTree(const QString &from, const QString &to) {
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QDir().mkpath(to);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = to + src.mid(from.size());
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(dst))
                return false;
        } else if (!QFile::copy(src, dst)) {
            return false;
        }
    }
    return true;
}

// The demo classroom as script/run lays it out, with this executable as the program.
inline bool layDemo(const QString &root) {
    const QString classroom = root + QStringLiteral("/QUMOG");
    if (!copyTree(QStringLiteral(QUMO_SOURCE_DIR "/demo/classroom"), classroom))
        return false;
    // Settings and roster files are kept as UTF-8 and installed in CP932.
    for (const QString &name : QDir(classroom + QStringLiteral("/MWEX"))
                                   .entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        const QString f = classroom + QStringLiteral("/MWEX/") + name;
        QProcess iconv;
        iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"),
                                              QStringLiteral("-t"), QStringLiteral("CP932"), f});
        if (!iconv.waitForFinished(30000) || iconv.exitCode() != 0)
            return false;
        QFile out(f);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        out.write(iconv.readAllStandardOutput());
    }
    QFile::copy(QStringLiteral(QUMO_BUILD_DIR "/tools/mwex.exe"),
                classroom + QStringLiteral("/MWEX/mwex.exe"));
    const QString pictures = QStringLiteral(QUMO_SOURCE_DIR "/demo/make-pictures.sh");
    if (QFile::exists(pictures))
        QProcess::execute(QStringLiteral("bash"), {pictures, classroom});
    return QFile::copy(QCoreApplication::applicationFilePath(),
                       root + QStringLiteral("/QUMOG.x86_64"));
}

} // namespace
