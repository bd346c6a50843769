// Reading install lists ("file#folder&" records).
#include "browser/core/installlist.h"

#include <QRegularExpression>

namespace installlist {

QList<Record> parse(const QString &text) {
    QList<Record> records;
    QString rest = text;
    while (rest.contains(u'&')) {
        Record r;
        const qsizetype hash = rest.indexOf(u'#');
        if (hash >= 0) {
            r.file = rest.left(hash);
            rest.remove(0, hash + 1);
        }
        const qsizetype amp = rest.indexOf(u'&');
        if (amp < 0)
            break; // the "&" stood inside this record's file name
        r.folder = rest.left(amp);
        rest.remove(0, amp + 1);
        records.append(r);
    }
    return records;
}

bool isInsidePath(const QString &part) {
    if (part.contains(u':') || part.startsWith(u'\\') || part.startsWith(u'/'))
        return false;
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    // Windows drops trailing blanks and dots of a name, so "... " can mean "..": a
    // component of dots and blanks only, with two dots or more, goes up a level.
    for (const QString &c : part.split(separators)) {
        if (c.count(u'.') >= 2 && c.count(u'.') + c.count(u' ') == c.size())
            return false;
    }
    return true;
}

bool staysInside(const Record &record) {
    if (record.file.isEmpty() || record.file.endsWith(u'\\') || record.file.endsWith(u'/'))
        return false;
    return isInsidePath(record.file) && isInsidePath(record.folder);
}

} // namespace installlist
