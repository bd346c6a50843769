// Shared test fixtures: temp install layouts, a recording platform, the test main.
#include "support/testsupport.h"
#include "app/program.h"
#include "platform/core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

namespace {
// One temporary folder for everything this test process and its children put in the
// temporary directory: the suites' temp folders, the Wine server's folder, and what the
// toolkit writes at exit into a home that lay in a temp folder already removed. It goes
// after everything else, the application object included.
class ProcessTemp {
public:
    ProcessTemp() {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + '/' +
                              program_invocation_short_name + "-XXXXXX";
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
            ::setenv("TMPDIR", path_.c_str(), 1);
        }
    }
    ~ProcessTemp() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }

private:
    std::string path_;
};
} // namespace

void prepareTestProcess() {
    // Made before the application object and anything it makes, so removed after them.
    static ProcessTemp temp;
    prepareProcess();
}

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
