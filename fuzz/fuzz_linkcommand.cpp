// libFuzzer target: the link grammar over any URL a page can navigate to: the shape, the
// preparation of a sub-folder and extra files, the decision rows, and the rule that keeps
// a name inside the folder it is joined to. The first byte sets DL and which files exist.
#include "browser/core/linkcommand.h"

#include <QRegularExpression>
#include <QUrl>

#include <cstddef>
#include <cstdint>

using namespace linkcmd;

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

const QString kSave = QStringLiteral("Z:\\save\\");
const QString kMwex = QStringLiteral("Z:\\inst\\MWEX");

// Windows' reading of a relative path joined to a folder: "\" and "/" separate, a
// component of dots and blanks holding ".." climbs (the trailing ones are dropped), "."
// and blanks stay. False when the path leaves the folder or names another
// root. (A NUL is no escape: the file system refuses such a name.)
bool staysBelow(const QString &rel) {
    if (rel.contains(u':') || rel.startsWith(u'\\') || rel.startsWith(u'/'))
        return false;
    int depth = 0;
    static const QRegularExpression sep(QStringLiteral("[\\\\/]"));
    for (const QString &c : rel.split(sep)) {
        const bool dotsAndBlanks = c.count(u'.') + c.count(u' ') == c.size();
        if (dotsAndBlanks && c.contains(QLatin1String(".."))) {
            if (--depth < 0)
                return false;
        } else if (!dotsAndBlanks) {
            ++depth;
        }
    }
    return true;
}

// Strict percent-decoding, as a server does it: only "%" and two hex digits is a byte.
QString percentDecoded(const QString &s) {
    const QByteArray in = s.toUtf8();
    QByteArray out;
    const auto hex = [](char c) { return QByteArrayView("0123456789abcdefABCDEF").contains(c); };
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() && hex(in[i + 1]) && hex(in[i + 2])) {
            out.append(char(QByteArray(in.mid(i + 1, 2)).toInt(nullptr, 16)));
            i += 2;
        } else {
            out.append(in[i]);
        }
    }
    return QString::fromUtf8(out);
}

// The name as the disk may see it: as written, and decoded once, twice or three times on
// its way, strictly or the way Qt reads a bad escape.
bool staysBelowDecoded(const QString &rel) {
    QString strict = rel, lenient = rel;
    for (int i = 0; i < 4; ++i) {
        if (!staysBelow(strict) || !staysBelow(lenient))
            return false;
        strict = percentDecoded(strict);
        lenient = QUrl::fromPercentEncoding(lenient.toUtf8());
    }
    return true;
}

bool hasControl(const QString &s) {
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

// No decoding the name may meet on its way (a strict one as a server's, or Qt's, which
// reads a bad escape its own way), once, twice or three times, gives a control character.
bool noControlInAnyDecoding(const QString &name) {
    QString strict = name, lenient = name;
    for (int i = 0; i < 4; ++i) {
        if (hasControl(strict) || hasControl(lenient))
            return false;
        strict = percentDecoded(strict);
        lenient = QUrl::fromPercentEncoding(lenient.toUtf8());
    }
    return true;
}

// A file placed into `folder` under a name made from the URL. The runner fetches only
// when the name passes the contained-name rule; such a name has to stay below the folder.
void checkBelow(const QString &path, const QString &folder) {
    check(path.startsWith(folder));
    const QString rest = path.mid(folder.size());
    if (isContainedName(rest))
        check(staysBelowDecoded(rest) && noControlInAnyDecoding(rest));
}

bool fetchesIntoSaveFolder(Action a) {
    switch (a) {
    case Action::WorkWeb:
    case Action::DocumentFetch:
    case Action::ArchiveDownload:
    case Action::ProgramFetch:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    const QString url = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // Which files exist is a plain function of the path, so each run is repeatable.
    const int existsMod = 1 + (flags >> 1) % 3;
    const Context ctx{(flags & 1) != 0, kSave, kMwex,
                      [existsMod](const QString &p) { return p.size() % existsMod == 0; }};

    const LinkShape s = LinkShape::parse(url);
    check(url.startsWith(s.URLL));
    check(!s.URLL.contains(QLatin1String("###")) && !s.URLL.contains(QLatin1String("&&&")));
    check(s.URLL.startsWith(s.URLDIR()));
    check(s.URLL.endsWith(s.fileName) && s.URLL.endsWith(s.extension));

    // The contained-name rule: a name it accepts never leaves its folder.
    if (isContainedName(url)) {
        check(staysBelowDecoded(url));
        check(noControlInAnyDecoding(url));
    }
    if (isPlainFolderName(url)) {
        check(isContainedName(url));
        check(!url.contains(u'\\') && !url.contains(u'/'));
    }

    const Preparation prep = prepare(s, ctx);
    if (!prep.subFolder.isEmpty()) {
        check(!prep.subFolderRefused);
        checkBelow(prep.subFolder, kSave);
        check(staysBelowDecoded(s.URMDIR));
    }
    for (const ExtraFile &x : prep.extras) {
        if (x.refused)
            continue;
        checkBelow(x.target, kSave);
        check(staysBelowDecoded(x.target.mid(kSave.size())));
    }

    // Every row the decision can reach, falling through as the actions may.
    int from = row::First;
    for (int guard = 0; guard <= row::Last; ++guard) {
        const Step st = decide(s, ctx, from);
        check(st.row >= from && st.row >= row::First && st.row <= row::Last);
        check(actionName(st.action)[0] != '?');
        if (fetchesIntoSaveFolder(st.action))
            checkBelow(st.MSF, kSave);
        if (st.action == Action::InstallListWeb)
            checkBelow(st.MSF, kMwex + u'\\');
        if (st.action == Action::FolderCopy || st.action == Action::FolderExport)
            check(isPlainFolderName(st.desktopName) && !st.name.isEmpty());
        if (!st.mayFallThrough() || st.row == row::Page)
            break;
        from = st.row + 1;
    }
    return 0;
}
