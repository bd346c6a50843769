// libFuzzer target: the install-list parser and the rule that keeps each record's file
// inside the Logo program's folder.
#include "browser/core/installlist.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// Windows' reading of a relative path joined to a folder: "\" and "/" separate, a
// component of dots and blanks with two dots or more climbs (the trailing ones are
// dropped), "." and blanks stay. False when the path leaves the folder or names another
// root.
bool staysBelow(const QString &rel) {
    if (rel.contains(u':') || rel.startsWith(u'\\') || rel.startsWith(u'/'))
        return false;
    int depth = 0;
    static const QRegularExpression sep(QStringLiteral("[\\\\/]"));
    for (const QString &c : rel.split(sep)) {
        const bool dotsAndBlanks = c.count(u'.') + c.count(u' ') == c.size();
        if (dotsAndBlanks && c.count(u'.') >= 2) {
            if (--depth < 0)
                return false;
        } else if (!dotsAndBlanks) {
            ++depth;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<installlist::Record> records = installlist::parse(text);
    check(records.size() <= text.count(u'&'));
    QString written;
    for (const installlist::Record &r : records) {
        check(!r.file.contains(u'#'));
        check(!r.folder.contains(u'&'));
        if (installlist::staysInside(r)) {
            // Where the file is placed: below the folder the list names, below MWEX.
            check(!r.file.isEmpty() && staysBelow(r.file));
            check(staysBelow(r.folder.isEmpty() ? r.file : r.folder + u'\\' + r.file));
        }
        written += r.file + u'#' + r.folder + u'&';
    }
    // The records written back as a list read as the same records.
    const QList<installlist::Record> again = installlist::parse(written);
    check(again.size() == records.size());
    for (qsizetype i = 0; i < again.size(); ++i)
        check(again[i].file == records[i].file && again[i].folder == records[i].folder);

    if (installlist::isInsidePath(text))
        check(staysBelow(text));
    return 0;
}
