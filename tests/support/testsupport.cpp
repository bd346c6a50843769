#include "support/testsupport.h"
#include "app/program.h"
#include "platform/codec.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

void prepareTestProcess() { prepareProcess(); }

QString win(const QString &hostPath) { return platform::fromHost(hostPath); }

void writeFile(const QString &hostPath, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile f(hostPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(hostPath));
    f.write(bytes);
}

QByteArray readFile(const QString &hostPath) {
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray sjis(const QString &text) { return platform::ansiEncode(text); }

QString standinExe() { return QStringLiteral(QUMO_STANDIN_EXE); }

InstallLayout makeInstall(const QString &root, const QString &programName, bool companion,
                          const QString &settingsText, const QString &menuWord) {
    InstallLayout l;
    l.root = root;
    QDir().mkpath(root);
    writeFile(root + u'/' + programName, QByteArray());
    l.programFile = win(root + u'/' + programName);
    QString base = root;
    if (companion) {
        QString stem = QFileInfo(programName).completeBaseName();
        if (stem.startsWith(u'_'))
            stem.remove(0, 1);
        base = root + u'/' + stem;
    }
    l.mwexDir = base + QStringLiteral("/MWEX");
    QDir().mkpath(l.mwexDir);
    QFile::copy(standinExe(), l.mwexDir + QStringLiteral("/mwex.exe"));
    writeFile(l.mwexDir + QStringLiteral("/QUMOの設定.txt"), sjis(settingsText));
    writeFile(l.mwexDir + QStringLiteral("/MWEx.ini"), menuWord.toLatin1());
    return l;
}

} // namespace testsupport
