// The link command grammar: a URL's shape read and the row that acts on it chosen.
#include "browser/core/linkcommand.h"

#include <QRegularExpression>
#include <QUrl>

namespace linkcmd {

namespace {

const QLatin1String kFileUrl3("file:///");
const QLatin1String kFileUrl2("file://");

QString replaceNN(QString s) {
    s.replace(u'/', u'\\');
    s.replace(QLatin1String("%20"), QLatin1String(" "));
    s.replace(QLatin1String("%22"), QLatin1String("\""));
    return s;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Decodes "%" and two hex digits, as a server does; false when a "%" is not followed by two
// hex digits, which decoders read differently (some keep it, some swallow what follows), so
// that what the disk is finally given cannot be told.
bool strictlyDecoded(const QString& s, QString* out) {
    const QByteArray in = s.toUtf8();
    QByteArray bytes;
    bytes.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            bytes.append(in[i]);
            continue;
        }
        if (i + 2 >= in.size() || !isHexDigit(in[i + 1]) || !isHexDigit(in[i + 2]))
            return false;
        bytes.append(char(QByteArray(in.mid(i + 1, 2)).toInt(nullptr, 16)));
        i += 2;
    }
    *out = QString::fromUtf8(bytes);
    return true;
}

// The forms a name can take on its way to the disk: as written, and percent-decoded
// (repeatedly, so that "%252e" is seen too). Empty when one of them holds an escape that
// cannot be decoded unambiguously.
QStringList decodedForms(const QString& name) {
    QStringList forms{name};
    QString cur = name;
    for (int i = 0; i < 3 && cur.contains(u'%'); ++i) {
        QString next;
        if (!strictlyDecoded(cur, &next))
            return {};
        forms.append(next);
        cur = next;
    }
    // Still escaped after three rounds: too deep to tell what the disk would get.
    if (cur.contains(u'%'))
        return {};
    return forms;
}

bool hasControlCharacter(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

// A path component that walks up: "..", and the forms Windows trims to it ("...", ".. ").
bool walksUp(const QString& component) {
    if (!component.contains(QLatin1String("..")))
        return false;
    for (const QChar c : component)
        if (c != u'.' && c != u' ')
            return false;
    return true;
}

bool containedForm(const QString& s) {
    if (s.isEmpty() || hasControlCharacter(s) || s.contains(u':'))
        return false;
    if (s.startsWith(u'\\') || s.startsWith(u'/'))
        return false;
    for (const QString& c : s.split(QRegularExpression(QStringLiteral("[\\\\/]"))))
        if (walksUp(c))
            return false;
    return true;
}

bool lastCharIs(const QString& s, QChar c) {
    return !s.isEmpty() && s.back() == c;
}

bool isWeb(const LinkShape& s) {
    return !s.local;
}

} // namespace

QString cutNN(const QString& s) {
    QString r = s;
    qsizetype p = r.indexOf(kFileUrl3);
    if (p >= 0)
        r = replaceNN(r.mid(p + kFileUrl3.size()));
    p = r.indexOf(kFileUrl2);
    if (p >= 0)
        r = replaceNN(r.mid(p + kFileUrl2.size()));
    return r;
}

QString cutNN2(const QString& s) {
    return replaceNN(s);
}

QString fileNameOf(const QString& s) {
    for (qsizetype i = s.size() - 1; i >= 0; --i)
        if (s[i] == u'\\' || s[i] == u':')
            return s.mid(i + 1);
    return s;
}

QString extensionOf(const QString& s) {
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        if (s[i] == u'.')
            return s.mid(i);
        if (s[i] == u'\\' || s[i] == u':')
            break;
    }
    return {};
}

QString cutAfterLast(const QString& s, const QString& sep) {
    if (sep.isEmpty())
        return s;
    const qsizetype p = s.lastIndexOf(sep);
    return p < 0 ? s : s.mid(p + sep.size());
}

LinkShape LinkShape::parse(const QString& URL) {
    LinkShape r;
    r.URL = URL;
    r.URLL = URL;
    qsizetype p = r.URLL.indexOf(QLatin1String("###"));
    if (p >= 0) {
        r.URMDIR = r.URLL.mid(p + 3);
        r.URLL.truncate(p);
    }
    p = r.URLL.indexOf(QLatin1String("&&&"));
    if (p >= 0) {
        r.KAKUTYO = r.URLL.mid(p + 3);
        r.URLL.truncate(p);
    }
    if (r.URLL.contains(u'/'))
        r.EN = QStringLiteral("/");
    else if (r.URLL.contains(u'\\'))
        r.EN = QStringLiteral("\\");
    r.extension = extensionOf(r.URLL);
    r.fileName = fileNameOf(r.URLL);
    r.local = r.URLL.contains(u'\\') || r.URLL.contains(kFileUrl2);
    return r;
}

QString LinkShape::URLDIR() const {
    if (EN.isEmpty())
        return {};
    return URLL.left(URLL.lastIndexOf(EN) + 1);
}

bool isContainedName(const QString& name) {
    const QStringList forms = decodedForms(name);
    if (forms.isEmpty())
        return false;
    for (const QString& f : forms)
        if (!containedForm(f))
            return false;
    return true;
}

bool isPlainFolderName(const QString& name) {
    if (!isContainedName(name))
        return false;
    static const QString reserved = QStringLiteral("\\/<>\"|?*");
    for (const QString& f : decodedForms(name)) {
        if (f == QLatin1String("."))
            return false;
        for (const QChar c : f)
            if (c.unicode() < 0x20 || reserved.contains(c))
                return false;
    }
    return true;
}

Preparation prepare(const LinkShape& shape, const Context& ctx) {
    Preparation prep;
    const bool fetches = isWeb(shape) || ctx.DL;
    if (!fetches)
        return prep;
    QString sub;
    if (!shape.URMDIR.isEmpty()) {
        if (isContainedName(shape.URMDIR)) {
            sub = shape.URMDIR + u'\\';
            prep.subFolder = ctx.QUMOHOZON + sub;
        } else {
            prep.subFolderRefused = true;
        }
    }
    if (shape.KAKUTYO.isEmpty())
        return prep;
    const QString dir = shape.URLDIR();
    QStringList items = (shape.KAKUTYO + QLatin1String("&&&")).split(QLatin1String("&&&"));
    items.removeLast(); // the empty text after the closing "&&&"
    for (const QString& item : items) {
        ExtraFile x;
        x.name = item;
        QString name = item;
        QString folder = sub;
        bool refused = prep.subFolderRefused;
        if (name.startsWith(QLatin1String(".."))) {
            name.remove(0, 2);
            folder.clear();
            refused = false;
        }
        x.source = dir + name;
        x.target = ctx.QUMOHOZON + folder + name;
        x.refused = refused || !isContainedName(name);
        prep.extras.append(x);
    }
    return prep;
}

const char* rowName(Row r) {
    switch (r) {
    case row::OutsideMark:
        return "OutsideMark";
    case row::MaterialSite:
        return "MaterialSite";
    case row::DesktopCopy:
        return "DesktopCopy";
    case row::DesktopExport:
        return "DesktopExport";
    case row::MissingFile:
        return "MissingFile";
    case row::LocalFolder:
        return "LocalFolder";
    case row::InstallList:
        return "InstallList";
    case row::Work:
        return "Work";
    case row::Document:
        return "Document";
    case row::WebArchive:
        return "WebArchive";
    case row::Archive:
        return "Archive";
    case row::Program:
        return "Program";
    case row::Page:
        return "Page";
    }
    return "?";
}

const char* actionName(Action a) {
    switch (a) {
    case Action::OpenOutside:
        return "OpenOutside";
    case Action::OpenSite:
        return "OpenSite";
    case Action::FolderCopy:
        return "FolderCopy";
    case Action::FolderExport:
        return "FolderExport";
    case Action::RefuseDesktopName:
        return "RefuseDesktopName";
    case Action::Beep:
        return "Beep";
    case Action::OpenFolder:
        return "OpenFolder";
    case Action::InstallListWeb:
        return "InstallListWeb";
    case Action::InstallListLocal:
        return "InstallListLocal";
    case Action::WorkWeb:
        return "WorkWeb";
    case Action::WorkLocal:
        return "WorkLocal";
    case Action::WorkLocalCopy:
        return "WorkLocalCopy";
    case Action::DocumentFetch:
        return "DocumentFetch";
    case Action::DocumentOpen:
        return "DocumentOpen";
    case Action::ArchiveDownload:
        return "ArchiveDownload";
    case Action::ArchiveOpen:
        return "ArchiveOpen";
    case Action::ProgramFetch:
        return "ProgramFetch";
    case Action::ProgramLocal:
        return "ProgramLocal";
    case Action::Page:
        return "Page";
    }
    return "?";
}

bool Step::mayFallThrough() const {
    switch (action) {
    case Action::InstallListWeb:
    case Action::InstallListLocal:
    case Action::WorkWeb:
    case Action::WorkLocal:
    case Action::WorkLocalCopy:
    case Action::ArchiveDownload:
        return true;
    // Listed one by one, without a default, so that a new action must be decided here.
    case Action::OpenOutside:
    case Action::OpenSite:
    case Action::FolderCopy:
    case Action::FolderExport:
    case Action::RefuseDesktopName:
    case Action::Beep:
    case Action::OpenFolder:
    case Action::DocumentFetch:
    case Action::DocumentOpen:
    case Action::ArchiveOpen:
    case Action::ProgramFetch:
    case Action::ProgramLocal:
    case Action::Page:
        return false;
    }
    return false;
}

namespace {

// The local file that the existence test of MissingFile looks for.
QString existencePath(const LinkShape& s) {
    QString f = cutNN(s.URLL);
    if (s.extension.contains(u'#') && f.contains(u'#'))
        f.truncate(f.indexOf(u'#'));
    if (s.fileName.contains(u'+') && f.contains(u'+'))
        f.truncate(f.indexOf(u'+'));
    return f;
}

// DesktopCopy and DesktopExport. The engine reports local addresses as "file:" URLs, so the path is
// read after CutNN; a Windows path passes through unchanged.
Step folderToDesktop(const LinkShape& s, Action action) {
    Step st;
    st.action = action;
    const QString p = cutNN(s.URLL.chopped(1));
    const qsizetype last = p.lastIndexOf(u'\\');
    st.desktopName = p.mid(last + 1);
    st.target = last < 0 ? QString() : p.left(last);
    st.name = fileNameOf(st.target);
    if (last < 0 || st.name.isEmpty() || !isPlainFolderName(st.desktopName))
        st.action = Action::RefuseDesktopName;
    return st;
}

bool extContainsAny(const QString& ext, std::initializer_list<const char*> parts) {
    for (const char* p : parts)
        if (ext.contains(QLatin1String(p)))
            return true;
    return false;
}

} // namespace

Step decide(const LinkShape& s, const Context& ctx, int fromRow) {
    const QString& U = s.URLL;
    const QString& ext = s.extension;
    const bool web = isWeb(s);
    const auto exists = [&](const QString& p) { return ctx.fileExists && ctx.fileExists(p); };
    const QString site = QLatin1String(kMaterialSiteHostPath);
    Step st;
    for (int r = std::max<int>(fromRow, row::First); r <= row::Last; ++r) {
        st = Step{};
        st.row = static_cast<Row>(r);
        switch (st.row) {
        case row::OutsideMark:
            if (lastCharIs(U, u'@')) {
                st.action = Action::OpenOutside;
                st.target = U.chopped(1);
                return st;
            }
            break;
        case row::MaterialSite:
            if (U.contains(site) && !U.contains(site + QLatin1String(kTeachingArea))) {
                st.action = Action::OpenSite;
                st.target = U;
                return st;
            }
            break;
        case row::DesktopCopy:
        case row::DesktopExport: {
            const bool copy = st.row == row::DesktopCopy;
            if (s.local && lastCharIs(U, copy ? u'!' : u'$')) {
                Step f = folderToDesktop(s, copy ? Action::FolderCopy : Action::FolderExport);
                f.row = st.row;
                return f;
            }
            break;
        }
        case row::MissingFile:
            if (s.local && !ext.isEmpty() && !exists(existencePath(s))) {
                st.action = Action::Beep;
                st.target = existencePath(s);
                return st;
            }
            break;
        case row::LocalFolder:
            if (s.local && ext.isEmpty()) {
                st.action = Action::OpenFolder;
                st.target = U;
                return st;
            }
            break;
        case row::InstallList:
            if (ext.contains(QLatin1String(".css"))) {
                st.target = U;
                if (web) {
                    st.action = Action::InstallListWeb;
                    st.MSF = ctx.MWEXEDIR + u'\\' + cutAfterLast(s.fileName, QStringLiteral("/"));
                } else {
                    // With DL too the list is read where the link names it, so that its
                    // entries are found beside it.
                    st.action = Action::InstallListLocal;
                    st.MSF = cutNN(U);
                }
                return st;
            }
            break;
        case row::Work:
            if (extContainsAny(ext, {".mwx", ".mwa"})) {
                st.target = U;
                if (web) {
                    st.action = Action::WorkWeb;
                    st.MSF = ctx.QUMOHOZON + cutAfterLast(s.fileName, QStringLiteral("/"));
                } else if (ctx.DL) {
                    st.action = Action::WorkLocalCopy;
                    st.MSF = cutNN(U);
                    st.name = s.fileName;
                } else {
                    st.action = Action::WorkLocal;
                    st.MSF = cutNN(U);
                }
                return st;
            }
            break;
        case row::Document:
            if (extContainsAny(ext.toLower(), {".wav", ".mid", ".txt", ".xls", ".wma", ".mp3",
                                               ".mp4", ".avi", ".jpg", ".jpeg", ".bmp"})) {
                st.target = U;
                if (web || ctx.DL) {
                    st.action = Action::DocumentFetch;
                    st.MSF = ctx.QUMOHOZON + cutAfterLast(s.fileName, s.EN);
                    return st;
                }
                if (exists(U)) {
                    st.action = Action::DocumentOpen;
                    return st;
                }
            }
            break;
        case row::WebArchive:
            if (web && extContainsAny(ext, {".zip", ".ZIP"})) {
                st.action = Action::ArchiveDownload;
                st.target = U;
                st.MSF = ctx.QUMOHOZON + cutAfterLast(s.fileName, s.EN);
                return st;
            }
            break;
        case row::Archive:
            if (extContainsAny(ext, {".zip", ".ZIP"})) {
                st.action = Action::ArchiveOpen;
                st.target = cutNN(U);
                st.name = fileNameOf(st.target);
                return st;
            }
            break;
        case row::Program:
            if (extContainsAny(ext, {".exe", ".EXE"})) {
                if (web || ctx.DL) {
                    st.action = Action::ProgramFetch;
                    QString exeName = U;
                    const qsizetype plus = U.indexOf(u'+');
                    if (plus >= 0) {
                        exeName = U.left(plus);
                        st.arguments = cutNN2(U.mid(plus + 1));
                    }
                    st.target = exeName;
                    st.MSF = ctx.QUMOHOZON + cutAfterLast(fileNameOf(exeName), s.EN);
                } else {
                    st.action = Action::ProgramLocal;
                    st.target = cutNN(U);
                    st.name = fileNameOf(st.target);
                    st.endsShell = st.name.contains(u'_');
                }
                return st;
            }
            break;
        case row::Page:
            break;
        }
    }
    st = Step{};
    st.row = row::Page;
    st.action = Action::Page;
    st.target = U;
    st.showInField = !U.contains(QLatin1String("about:blank")) &&
                     !U.contains(QLatin1String("blank.ht")) &&
                     !U.contains(QLatin1String("_background_"));
    return st;
}

} // namespace linkcmd
