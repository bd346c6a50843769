#pragma once
// The link command grammar: what a navigation's URL asks the shell to do. Pure string work
// plus file-existence probes, so that the whole decision can be tested without a browser;
// the actions themselves live with the main window (protocol.cpp).
#include <QString>
#include <QStringList>

#include <functional>

namespace linkcmd {

// The material web site, as "/" + host + "/". Its pages open in the default browser, except
// those of its teaching area (the same string followed by kTeachingArea), which load here.
inline constexpr char kMaterialSiteHostPath[] = "/kyozai.qumo.jp/";
inline constexpr char kTeachingArea[] = "logo1/";

// "file:" URL to Windows path: the part after the first "file:///" (then "file://") with "/"
// turned into "\", "%20" into a space and "%22" into a double quote. Anything else unchanged.
QString cutNN(const QString& s);
// "/" -> "\", "%20" -> space, "%22" -> double quote; no other decoding.
QString cutNN2(const QString& s);
// The text after the last "\" or ":".
QString fileNameOf(const QString& s);
// From the last "." to the end, unless a "\" or ":" follows that dot; otherwise empty.
QString extensionOf(const QString& s);
// The text after the last occurrence of sep (the whole text when sep is empty or absent).
QString cutAfterLast(const QString& s, const QString& sep);

// The shape of a navigation's URL.
struct LinkShape {
    QString URL;     // as the navigation gave it, markers included
    QString URLL;    // without its marker parts; every decision is made on it
    QString URMDIR;  // text after the first "###", empty when none
    QString KAKUTYO; // text after the first "&&&" (before "###"), empty when none
    QString EN;      // "/" if URLL holds one, else "\" if it holds one, else empty
    QString extension;
    QString fileName;
    bool local = false; // URLL contains "\" or "file://"

    static LinkShape parse(const QString& URL);
    // URLL up to and including its last EN.
    QString URLDIR() const;
};

// One extra file of the "&&&" list, where it comes from and where it goes.
struct ExtraFile {
    QString name;         // the item as written
    QString source;       // URLDIR + name without its ".." marker
    QString target;       // save folder [+ sub-folder] + name
    bool refused = false; // the name (or its sub-folder) would leave the save folder
};

// What the preparation does before the decision rows.
struct Preparation {
    QString subFolder; // QUMOHOZON + URMDIR + "\" to create; empty when none
    bool subFolderRefused = false;
    QList<ExtraFile> extras; // in list order
};

// A name that stays inside the folder it is joined to: no ".." component, no drive or
// other ":", no leading "\" or "/" (hence no UNC prefix), no control character, not empty;
// checked raw and percent-decoded, and refused when a "%" is no two-digit escape (decoders
// disagree on those, so the name the disk gets could not be told).
bool isContainedName(const QString& name);
// A single plain folder name: a contained name without any "\" or "/" and not ".".
bool isPlainFolderName(const QString& name);

// The values the decision reads.
struct Context {
    bool DL = false;
    QString QUMOHOZON; // ends with "\"
    QString MWEXEDIR;  // no final "\"
    // Whether a file (not a folder) exists at a Windows path.
    std::function<bool(const QString&)> fileExists;
};

Preparation prepare(const LinkShape& shape, const Context& ctx);

// The decision table. Its rows are tried in this order; the first whose condition holds acts.
// "Local" is LinkShape::local, "web" its opposite; conditions are read on URLL.
//
//   row            condition                                    action
//   OutsideMark    ends with "@"                                OpenOutside: URLL without "@"
//   MaterialSite   holds kMaterialSiteHostPath, not followed    OpenSite: URLL
//                  by kTeachingArea
//   DesktopCopy    local, ends with "!"                         FolderCopy (RefuseDesktopName)
//   DesktopExport  local, ends with "$"                         FolderExport (RefuseDesktopName)
//   MissingFile    local, has an extension, the file (cut at    Beep
//                  "#" and "+") does not exist
//   LocalFolder    local, no extension                          OpenFolder: URLL
//   InstallList    extension holds ".css"                       InstallListWeb | InstallListLocal
//   Work           extension holds ".mwx" or ".mwa"             WorkWeb | WorkLocalCopy (DL) |
//                                                               WorkLocal
//   Document       extension holds, in any case, one of         DocumentFetch (web or DL) |
//                  .wav .mid .txt .xls .wma .mp3 .mp4 .avi      DocumentOpen (exists as written)
//                  .jpg .jpeg .bmp                              | nothing: next row
//   WebArchive     web, extension holds ".zip" or ".ZIP"        ArchiveDownload
//   Archive        extension holds ".zip" or ".ZIP"             ArchiveOpen
//   Program        extension holds ".exe" or ".EXE"             ProgramFetch (web or DL) |
//                                                               ProgramLocal
//   Page           every other URL                              Page: the browser loads it
//
// The actions that can give up (Step::mayFallThrough) go on with the row after their own.
// Row values are plain numbers in table order, so "the row after" is `row + 1`.
namespace row {
enum Row : int {
    OutsideMark = 1,
    MaterialSite,
    DesktopCopy,
    DesktopExport,
    MissingFile,
    LocalFolder,
    InstallList,
    Work,
    Document,
    WebArchive,
    Archive,
    Program,
    Page,
    First = OutsideMark,
    Last = Page,
};
} // namespace row
using Row = row::Row;
const char* rowName(Row r);

enum class Action {
    OpenOutside,       // OutsideMark: open URLL without its last character
    OpenSite,          // MaterialSite: open URLL
    FolderCopy,        // DesktopCopy
    FolderExport,      // DesktopExport
    RefuseDesktopName, // DesktopCopy/DesktopExport with a desktop name that is no plain folder
                       // name: beep
    Beep,              // MissingFile: a local file that does not exist
    OpenFolder,        // LocalFolder: open URLL
    InstallListWeb,    // InstallList
    InstallListLocal,
    WorkWeb, // Work
    WorkLocal,
    WorkLocalCopy,
    DocumentFetch,   // Document, web URL or DL
    DocumentOpen,    // Document, local file that exists as written
    ArchiveDownload, // WebArchive
    ArchiveOpen,     // Archive
    ProgramFetch,    // Program, web URL or DL
    ProgramLocal,    // Program, local with DL false
    Page,            // Page
};
const char* actionName(Action a);

// The first row that acts, from row `fromRow` on, with the values its action uses.
struct Step {
    Row row = row::Page;
    Action action = Action::Page;
    QString target;           // what is opened, fetched, copied or started
    QString MSF;              // where a fetched or copied file goes (or the local file of the row)
    QString name;             // DesktopCopy/DesktopExport: the source folder's name;
                              // Work with DL: the file name of URLL
    QString desktopName;      // DesktopCopy/DesktopExport
    QString arguments;        // ProgramFetch: CutNN2 of the text after "+"
    bool endsShell = false;   // ProgramLocal: the file name holds "_"
    bool showInField = false; // Page: the URL field shows URLL
    // Whether the action can end with "next row" (the caller then decides from row + 1).
    bool mayFallThrough() const;
};

Step decide(const LinkShape& shape, const Context& ctx, int fromRow = row::First);

} // namespace linkcmd
