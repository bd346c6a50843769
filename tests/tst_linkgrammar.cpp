// The link command grammar without a browser: URL shape, preparation and the decision rows.
#include "browser/core/linkcommand.h"
#include "support/coresupport.h"

#include <QtTest>

using namespace linkcmd;

namespace {
const QString kSave = QStringLiteral("Z:\\save\\");
const QString kMwex = QStringLiteral("Z:\\inst\\MWEX");
// No row: the action never gives up.
constexpr int kNoRow = 0;

// Rows are compared by name, so that a failure says which row acted.
QString rowText(int r) {
    return r == kNoRow ? QStringLiteral("no row") : QString::fromLatin1(rowName(Row(r)));
}

Context contextWith(bool dl, const QStringList& existing) {
    return Context{dl, kSave, kMwex, [existing](const QString& p) { return existing.contains(p); }};
}

// The values of a step that its action uses beyond target and MSF.
QString detail(const Step& st) {
    switch (st.action) {
    case Action::FolderCopy:
    case Action::FolderExport:
    case Action::RefuseDesktopName:
        return st.target + u'|' + st.name + u'|' + st.desktopName;
    case Action::WorkLocalCopy:
    case Action::ArchiveOpen:
        return st.name;
    case Action::ProgramFetch:
        return QStringLiteral("args:") + st.arguments;
    case Action::ProgramLocal:
        return st.name + (st.endsShell ? QStringLiteral("|ends shell") : QString());
    case Action::Page:
        return st.showInField ? QStringLiteral("field") : QStringLiteral("field unchanged");
    default:
        return {};
    }
}
} // namespace

class TestLinkGrammar : public QObject {
    Q_OBJECT
private slots:
    void shape_data();
    void shape();
    void decision_data();
    void decision();
    void preparation_data();
    void preparation();
    void containedNames_data();
    void containedNames();
    void cutNN_data();
    void cutNN();
};

void TestLinkGrammar::shape_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("URLL");
    QTest::addColumn<QString>("KAKUTYO");
    QTest::addColumn<QString>("URMDIR");
    QTest::addColumn<QString>("EN");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<bool>("local");

    QTest::newRow("markers split in order")
        << "http://h.jp/m/game.mwx&&&data.txt&&&..face.gif###game"
        << "http://h.jp/m/game.mwx"
        << "data.txt&&&..face.gif"
        << "game"
        << "/"
        << ".mwx" << false;
    QTest::newRow("&&& after ### belongs to the sub-folder")
        << "http://h.jp/m/p.htm###game&&&data.txt"
        << "http://h.jp/m/p.htm"
        << ""
        << "game&&&data.txt"
        << "/"
        << ".htm" << false;
    QTest::newRow("windows path") << "Z:\\m\\tool.exe+a"
                                  << "Z:\\m\\tool.exe+a"
                                  << ""
                                  << ""
                                  << "\\"
                                  << ".exe+a" << true;
    QTest::newRow("extension from the last dot") << "Z:\\m\\tool.exe+a.txt"
                                                 << "Z:\\m\\tool.exe+a.txt"
                                                 << ""
                                                 << ""
                                                 << "\\"
                                                 << ".txt" << true;
    QTest::newRow("file URL is local") << "file:///Z:/m/page.htm#top"
                                       << "file:///Z:/m/page.htm#top"
                                       << ""
                                       << ""
                                       << "/"
                                       << ".htm#top" << true;
    QTest::newRow("last dot in the host name") << "http://h.jp/m/"
                                               << "http://h.jp/m/"
                                               << ""
                                               << ""
                                               << "/"
                                               << ".jp/m/" << false;
    QTest::newRow("no separator at all") << "about:blank"
                                         << "about:blank"
                                         << ""
                                         << ""
                                         << ""
                                         << "" << false;
    QTest::newRow("dot before a backslash is no extension") << "Z:\\m.d\\game"
                                                            << "Z:\\m.d\\game"
                                                            << ""
                                                            << ""
                                                            << "\\"
                                                            << "" << true;
}

void TestLinkGrammar::shape() {
    QFETCH(QString, url);
    const LinkShape s = LinkShape::parse(url);
    QTEST(s.URLL, "URLL");
    QTEST(s.KAKUTYO, "KAKUTYO");
    QTEST(s.URMDIR, "URMDIR");
    QTEST(s.EN, "EN");
    QTEST(s.extension, "ext");
    QTEST(s.local, "local");
}

void TestLinkGrammar::decision_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("dl");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("msf");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("thenRow"); // the row reached when the action gives up, or kNoRow

    const QStringList none;
    const QString site = QLatin1String("http:/") + QLatin1String(kMaterialSiteHostPath);
    // A test runs once with DL false and once with DL true where both give the same result.
    const auto both = [&](const char* name, const QString& url, const QStringList& ex, Row row,
                          const char* action, const QString& target, const QString& msf,
                          const QString& det, int then) {
        for (const bool dl : {false, true})
            QTest::addRow("%s, DL %s", name, dl ? "true" : "false")
                << url << dl << ex << int(row) << QString::fromLatin1(action) << target << msf
                << det << then;
    };
    const auto one = [&](const char* name, const QString& url, bool dl, const QStringList& ex,
                         Row row, const char* action, const QString& target, const QString& msf,
                         const QString& det, int then) {
        QTest::newRow(name) << url << dl << ex << int(row) << QString::fromLatin1(action) << target
                            << msf << det << then;
    };

    // OutsideMark: "@" wins over every later row.
    both("@ on a web work", "http://h.jp/m/game.mwx@", none, row::OutsideMark, "OpenOutside",
         "http://h.jp/m/game.mwx", "", "", kNoRow);
    both("@ on a local program", "Z:\\m\\tool.exe@", none, row::OutsideMark, "OpenOutside",
         "Z:\\m\\tool.exe", "", "", kNoRow);
    both("@ after a marker is no command", "http://h.jp/m/p.htm###sub@", none, row::Page, "Page",
         "http://h.jp/m/p.htm", "", "field", kNoRow);
    // MaterialSite: the material site outside its teaching area opens outside.
    both("material site page", site + "news/a.htm", none, row::MaterialSite, "OpenSite",
         site + "news/a.htm", "", "", kNoRow);
    both("material site work outside the teaching area", site + "x/game.mwx", none,
         row::MaterialSite, "OpenSite", site + "x/game.mwx", "", "", kNoRow);
    both("teaching area page loads", site + "logo1/a.htm", none, row::Page, "Page",
         site + "logo1/a.htm", "", "field", kNoRow);
    one("teaching area work", site + "logo1/game.mwx", false, none, row::Work, "WorkWeb",
        site + "logo1/game.mwx", kSave + "game.mwx", "", row::Page);
    // DesktopCopy and DesktopExport: folder copy and export, local only.
    both("local folder copy", u"Z:\\m\\game\\みんなのゲーム!"_qs, none, row::DesktopCopy,
         "FolderCopy", u"Z:\\m\\game"_qs, "", u"Z:\\m\\game|game|みんなのゲーム"_qs, kNoRow);
    one("file URL folder copy", "file:///Z:/m/game/my%20game!", false, none, row::DesktopCopy,
        "FolderCopy", "Z:\\m\\game", "", "Z:\\m\\game|game|my game", kNoRow);
    both("local folder export", "Z:\\m\\game\\pkg$", none, row::DesktopExport, "FolderExport",
         "Z:\\m\\game", "", "Z:\\m\\game|game|pkg", kNoRow);
    one("! on a web work is no command", "http://h.jp/m/game.mwx!", false, none, row::Work,
        "WorkWeb", "http://h.jp/m/game.mwx!", kSave + "game.mwx!", "", row::Page);
    one("$ on a web page is no command", "http://h.jp/m/p.htm$", false, none, row::Page, "Page",
        "http://h.jp/m/p.htm$", "", "field", kNoRow);
    one("desktop name ..", "Z:\\m\\game\\..!", false, none, row::DesktopCopy, "RefuseDesktopName",
        "Z:\\m\\game", "", "Z:\\m\\game|game|..", kNoRow);
    one("desktop name encoded ..\\..", "file:///Z:/m/game/..%5C..%5Cx$", false, none,
        row::DesktopExport, "RefuseDesktopName", "Z:\\m\\game", "", "Z:\\m\\game|game|..%5C..%5Cx",
        kNoRow);
    one("empty desktop name", "Z:\\m\\game\\!", false, none, row::DesktopCopy, "RefuseDesktopName",
        "Z:\\m\\game", "", "Z:\\m\\game|game|", kNoRow);
    one("no source folder", "Z:\\pkg!", false, none, row::DesktopCopy, "RefuseDesktopName",
        "Z:", "", "Z:||pkg", kNoRow);
    // MissingFile: existence test, anchor and "+" cut first.
    both("missing local work beeps", "Z:\\m\\nothere.mwx", none, row::MissingFile, "Beep",
         "Z:\\m\\nothere.mwx", "", "", kNoRow);
    both("local page with anchor exists", "file:///Z:/m/page.htm#top", {"Z:\\m\\page.htm"},
         row::Page, "Page", "file:///Z:/m/page.htm#top", "", "field", kNoRow);
    // Only "#" and "+" are cut: a local page with a query names no file, and beeps.
    both("local page with a query", "file:///Z:/m/sent.html?q=x", {"Z:\\m\\sent.html"},
         row::MissingFile, "Beep", "Z:\\m\\sent.html?q=x", "", "", kNoRow);
    both("local page with anchor missing", "file:///Z:/m/page.htm#top", none, row::MissingFile,
         "Beep", "Z:\\m\\page.htm", "", "", kNoRow);
    one("local program with + arguments exists", "Z:\\m\\tool.exe+a", false, {"Z:\\m\\tool.exe"},
        row::Program, "ProgramLocal", "Z:\\m\\tool.exe+a", "", "tool.exe+a", kNoRow);
    // The extension runs from the last dot: an argument with a dot names a document.
    one("local program with a dotted argument", "Z:\\m\\tool.exe+a.txt", false, {"Z:\\m\\tool.exe"},
        row::Page, "Page", "Z:\\m\\tool.exe+a.txt", "", "field", kNoRow);
    one("web work is never tested", "http://h.jp/m/x.mwx", false, none, row::Work, "WorkWeb",
        "http://h.jp/m/x.mwx", kSave + "x.mwx", "", row::Page);
    // LocalFolder: a local URL without extension is a folder.
    both("local folder", "Z:\\m\\game", none, row::LocalFolder, "OpenFolder", "Z:\\m\\game", "", "",
         kNoRow);
    both("file URL folder", "file:///Z:/m/game", none, row::LocalFolder, "OpenFolder",
         "file:///Z:/m/game", "", "", kNoRow);
    both("web folder is a page", "http://h.jp/m/", none, row::Page, "Page", "http://h.jp/m/", "",
         "field", kNoRow);
    // InstallList: install lists.
    both("web install list", "http://h.jp/m/res.css", none, row::InstallList, "InstallListWeb",
         "http://h.jp/m/res.css", kMwex + "\\res.css", "", row::Page);
    both("local install list", "Z:\\m\\res.css", {"Z:\\m\\res.css"}, row::InstallList,
         "InstallListLocal", "Z:\\m\\res.css", "Z:\\m\\res.css", "", row::Page);
    // Work: works.
    both("web work", "http://h.jp/m/game.mwx", none, row::Work, "WorkWeb", "http://h.jp/m/game.mwx",
         kSave + "game.mwx", "", row::Page);
    both("web .mwa work", "http://h.jp/m/game.mwa", none, row::Work, "WorkWeb",
         "http://h.jp/m/game.mwa", kSave + "game.mwa", "", row::Page);
    both("web work with extra files", "http://h.jp/m/game.mwx&&&data.txt&&&..face.gif###game", none,
         row::Work, "WorkWeb", "http://h.jp/m/game.mwx", kSave + "game.mwx", "", row::Page);
    one("local work, DL false", "Z:\\m\\game.mwx", false, {"Z:\\m\\game.mwx"}, row::Work,
        "WorkLocal", "Z:\\m\\game.mwx", "Z:\\m\\game.mwx", "", row::Page);
    one("local work, DL true", "Z:\\m\\game.mwx", true, {"Z:\\m\\game.mwx"}, row::Work,
        "WorkLocalCopy", "Z:\\m\\game.mwx", "Z:\\m\\game.mwx", "game.mwx", row::Page);
    one("file URL work, DL true", "file:///Z:/m/my%20game.mwx", true, {"Z:\\m\\my game.mwx"},
        row::Work, "WorkLocalCopy", "file:///Z:/m/my%20game.mwx", "Z:\\m\\my game.mwx",
        "/m/my%20game.mwx", row::Page);
    both("capital .MWX is no work", "http://h.jp/m/game.MWX", none, row::Page, "Page",
         "http://h.jp/m/game.MWX", "", "field", kNoRow);
    one("local capital .MWX is no work", "Z:\\m\\game.MWX", false, {"Z:\\m\\game.MWX"}, row::Page,
        "Page", "Z:\\m\\game.MWX", "", "field", kNoRow);
    // Document: documents, in any letter case.
    both("web text", "http://h.jp/m/a.TXT", none, row::Document, "DocumentFetch",
         "http://h.jp/m/a.TXT", kSave + "a.TXT", "", kNoRow);
    for (const char* ext :
         {".wav", ".MID", ".Xls", ".wMa", ".mp3", ".MP4", ".avi", ".jpg", ".Jpeg", ".BMP"}) {
        const QString url = QStringLiteral("http://h.jp/m/a") + QLatin1String(ext);
        QTest::addRow("web document %s", ext)
            << url << false << none << int(row::Document) << "DocumentFetch" << url
            << kSave + "a" + QLatin1String(ext) << "" << kNoRow;
    }
    one("local document, DL false", "Z:\\m\\a.wav", false, {"Z:\\m\\a.wav"}, row::Document,
        "DocumentOpen", "Z:\\m\\a.wav", "", "", kNoRow);
    one("file URL document, DL false, shown by the browser", "file:///Z:/m/a.jpg", false,
        {"Z:\\m\\a.jpg"}, row::Page, "Page", "file:///Z:/m/a.jpg", "", "field", kNoRow);
    one("local document, DL true", "Z:\\m\\a.mp3", true, {"Z:\\m\\a.mp3"}, row::Document,
        "DocumentFetch", "Z:\\m\\a.mp3", kSave + "a.mp3", "", kNoRow);
    one("file URL document, DL true", "file:///Z:/m/a.jpg", true, {"Z:\\m\\a.jpg"}, row::Document,
        "DocumentFetch", "file:///Z:/m/a.jpg", kSave + "a.jpg", "", kNoRow);
    // WebArchive and Archive: archives, ".zip" and ".ZIP" only.
    both("web archive", "http://h.jp/m/a.zip", none, row::WebArchive, "ArchiveDownload",
         "http://h.jp/m/a.zip", kSave + "a.zip", "", row::Archive);
    both("web archive in capitals", "http://h.jp/m/a.ZIP", none, row::WebArchive, "ArchiveDownload",
         "http://h.jp/m/a.ZIP", kSave + "a.ZIP", "", row::Archive);
    both(".Zip is no archive", "http://h.jp/m/a.Zip", none, row::Page, "Page",
         "http://h.jp/m/a.Zip", "", "field", kNoRow);
    both("local archive", "file:///Z:/m/my%20a.zip", {"Z:\\m\\my a.zip"}, row::Archive,
         "ArchiveOpen", "Z:\\m\\my a.zip", "", "my a.zip", kNoRow);
    // Program: programs, ".exe" and ".EXE" only.
    both("web program with arguments", "http://h.jp/m/tool.exe+-s%20a/b%20%22c%20d%22", none,
         row::Program, "ProgramFetch", "http://h.jp/m/tool.exe", kSave + "tool.exe",
         "args:-s a\\b \"c d\"", kNoRow);
    both("web program with _ keeps the shell", "http://h.jp/m/run_me.EXE", none, row::Program,
         "ProgramFetch", "http://h.jp/m/run_me.EXE", kSave + "run_me.EXE", "args:", kNoRow);
    one("local program with _ ends the shell", "Z:\\m\\run_me.exe", false, {"Z:\\m\\run_me.exe"},
        row::Program, "ProgramLocal", "Z:\\m\\run_me.exe", "", "run_me.exe|ends shell", kNoRow);
    one("local program without _", "file:///Z:/m/tool.exe", false, {"Z:\\m\\tool.exe"},
        row::Program, "ProgramLocal", "Z:\\m\\tool.exe", "", "tool.exe", kNoRow);
    one("local program, DL true", "Z:\\m\\run_me.exe+x", true, {"Z:\\m\\run_me.exe"}, row::Program,
        "ProgramFetch", "Z:\\m\\run_me.exe", kSave + "run_me.exe", "args:x", kNoRow);
    both(".Exe is no program", "http://h.jp/m/a.Exe", none, row::Page, "Page",
         "http://h.jp/m/a.Exe", "", "field", kNoRow);
    // Page: ordinary pages and the URL field.
    both("web page with anchor", "http://h.jp/m/page.htm#top", none, row::Page, "Page",
         "http://h.jp/m/page.htm#top", "", "field", kNoRow);
    both("### without &&& loads the page", "http://h.jp/m/p.htm###sub", none, row::Page, "Page",
         "http://h.jp/m/p.htm", "", "field", kNoRow);
    both("about:blank", "about:blank", none, row::Page, "Page", "about:blank", "",
         "field unchanged", kNoRow);
    both("blank.ht", "http://h.jp/blank.htm", none, row::Page, "Page", "http://h.jp/blank.htm", "",
         "field unchanged", kNoRow);
    both("_background_", "http://h.jp/_background_.html", none, row::Page, "Page",
         "http://h.jp/_background_.html", "", "field unchanged", kNoRow);
}

void TestLinkGrammar::decision() {
    QFETCH(QString, url);
    QFETCH(bool, dl);
    QFETCH(QStringList, existing);
    QFETCH(int, thenRow);
    const Context ctx = contextWith(dl, existing);
    const LinkShape s = LinkShape::parse(url);
    const Step st = decide(s, ctx);
    QFETCH(int, row);
    QCOMPARE(rowText(st.row), rowText(row));
    QTEST(QString::fromLatin1(actionName(st.action)), "action");
    QTEST(st.target, "target");
    QTEST(st.MSF, "msf");
    QTEST(detail(st), "detail");
    QCOMPARE(rowText(st.mayFallThrough() ? decide(s, ctx, st.row + 1).row : kNoRow),
             rowText(thenRow));
}

void TestLinkGrammar::preparation_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("dl");
    QTest::addColumn<QString>("subFolder");
    QTest::addColumn<QStringList>("extras"); // source > target, "refused" marked

    QTest::newRow("the material's example")
        << "http://h.jp/m/game.mwx&&&data.txt&&&..face.gif###game" << false << kSave + "game\\"
        << QStringList{"http://h.jp/m/data.txt > Z:\\save\\game\\data.txt",
                       "http://h.jp/m/face.gif > Z:\\save\\face.gif"};
    QTest::newRow("### without &&&")
        << "http://h.jp/m/p.htm###sub" << false << kSave + "sub\\" << QStringList{};
    QTest::newRow("&&& after ### fetches nothing")
        << "http://h.jp/m/p.htm###game&&&data.txt" << false << kSave + "game&&&data.txt\\"
        << QStringList{};
    QTest::newRow("extra files without sub-folder")
        << "http://h.jp/m/a.htm&&&x.gif&&&..y.gif" << false << ""
        << QStringList{"http://h.jp/m/x.gif > Z:\\save\\x.gif",
                       "http://h.jp/m/y.gif > Z:\\save\\y.gif"};
    QTest::newRow("local, DL false: no preparation")
        << "Z:\\m\\game.mwx&&&a.txt###g" << false << "" << QStringList{};
    QTest::newRow("local, DL true") << "Z:\\m\\game.mwx&&&a.txt###g" << true << kSave + "g\\"
                                    << QStringList{"Z:\\m\\a.txt > Z:\\save\\g\\a.txt"};
    QTest::newRow("extra file in a folder of its own")
        << "http://h.jp/m/a.htm&&&img/x.gif###g" << false << kSave + "g\\"
        << QStringList{"http://h.jp/m/img/x.gif > Z:\\save\\g\\img/x.gif"};
    QTest::newRow("escaping names are refused, the others go on")
        << "http://h.jp/m/a.htm&&&../x&&&..\\..\\y&&&ok.txt&&&....\\z&&&&&&C:\\w&&&%2e%2e%2fv###g"
        << false << kSave + "g\\"
        << QStringList{"refused", "refused", "http://h.jp/m/ok.txt > Z:\\save\\g\\ok.txt",
                       "refused", "refused", "refused",
                       "refused"};
    QTest::newRow("escaping sub-folder: files for it are refused, top ones go on")
        << "http://h.jp/m/a.htm&&&a.txt&&&..b.txt###..\\..\\out" << false << ""
        << QStringList{"refused", "http://h.jp/m/b.txt > Z:\\save\\b.txt"};
}

void TestLinkGrammar::preparation() {
    QFETCH(QString, url);
    QFETCH(bool, dl);
    const Preparation p = prepare(LinkShape::parse(url), contextWith(dl, {}));
    QTEST(p.subFolder, "subFolder");
    QStringList extras;
    for (const ExtraFile& x : p.extras)
        extras.append(x.refused ? QStringLiteral("refused") : x.source + " > " + x.target);
    QTEST(extras, "extras");
}

void TestLinkGrammar::containedNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("contained");
    QTest::addColumn<bool>("plainFolder");
    QTest::newRow("plain") << "data.txt" << true << true;
    QTest::newRow("japanese") << u"みんなのゲーム"_qs << true << true;
    QTest::newRow("sub-folder") << "img\\x.gif" << true << false;
    QTest::newRow("dots inside a name") << "a..b" << true << true;
    QTest::newRow("single dot") << "." << true << false;
    QTest::newRow("dot dot") << ".." << false << false;
    QTest::newRow("three dots") << "..." << false << false;
    QTest::newRow("dots and blank") << ".. " << false << false;
    QTest::newRow("up in the middle") << "a\\..\\..\\x" << false << false;
    QTest::newRow("up with slash") << "a/../../x" << false << false;
    QTest::newRow("encoded up") << "%2e%2e%5cx" << false << false;
    QTest::newRow("encoded twice") << "%252e%252e%252fx" << false << false;
    QTest::newRow("leading backslash") << "\\x" << false << false;
    QTest::newRow("leading slash") << "/tmp/x" << false << false;
    QTest::newRow("unc") << "\\\\server\\share\\x" << false << false;
    QTest::newRow("drive") << "C:\\x" << false << false;
    QTest::newRow("drive relative") << "Z:x" << false << false;
    QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false << false;
    QTest::newRow("encoded nul") << "a%00b" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("quote in a folder name") << "a\"b" << true << false;
    QTest::newRow("control character") << "a\tb" << false << false;
    QTest::newRow("encoded control character") << "a%0Ab" << false << false;
    QTest::newRow("encoded delete") << "a%7fb" << false << false;
    QTest::newRow("encoded blank") << "my%20game.mwx" << true << true;
    QTest::newRow("encoded japanese") << "%E3%81%82.txt" << true << true;
    QTest::newRow("encoded percent, then a letter") << "a%2541.txt" << true << true;
    // Decoders disagree on a "%" that is no two-digit escape: Qt swallows "%W%" and keeps
    // "00", a server keeps "%W" and reads "%00" as a NUL.
    QTest::newRow("bad escape before an encoded nul")
        << QString::fromUtf8(QByteArray::fromBase64("AHBs////Ly9s/y8kbyVXJTAwLz+BgQ==").mid(1))
        << false << false;
    QTest::newRow("bad escape") << "a%W%00b" << false << false;
    QTest::newRow("lone percent") << "100%.txt" << false << false;
    QTest::newRow("percent at the end") << "a%4" << false << false;
    QTest::newRow("escaped four times") << "%2525252e" << false << false;
}

void TestLinkGrammar::containedNames() {
    QFETCH(QString, name);
    QTEST(isContainedName(name), "contained");
    QTEST(isPlainFolderName(name), "plainFolder");
}

void TestLinkGrammar::cutNN_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("file URL with drive") << "file:///C:/kyozai/logo%201/game.mwx"
                                         << "C:\\kyozai\\logo 1\\game.mwx";
    QTest::newRow("file URL of a share") << "file://server/share/x.mwx"
                                         << "server\\share\\x.mwx";
    QTest::newRow("windows path unchanged") << "C:\\kyozai\\tool.exe+a.txt"
                                            << "C:\\kyozai\\tool.exe+a.txt";
    QTest::newRow("web URL unchanged") << "http://h.jp/a%20b.mwx"
                                       << "http://h.jp/a%20b.mwx";
    QTest::newRow("quote") << "file:///Z:/a%22b"
                           << "Z:\\a\"b";
}

void TestLinkGrammar::cutNN() {
    QFETCH(QString, in);
    QTEST(linkcmd::cutNN(in), "out");
}

QUMO_CORE_TEST_MAIN(TestLinkGrammar)
#include "tst_linkgrammar.moc"
