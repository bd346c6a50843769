// Shared test fixtures: temp install layouts, a recording platform, the test main.
#include "support/testsupport.h"
#include "app/program.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

void prepareTestProcess() { prepareProcess(); }

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
