// libFuzzer target: the roster loaders over any file text, and the rule that keeps a
// caption one level below the save folder.
#include "folders/core/roster.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// What Windows makes of a component of dots and blanks: ".. " and "..." climb like "..".
bool climbs(const QString &c) {
    if (c.count(u'.') < 2)
        return false;
    for (const QChar ch : c)
        if (ch != u'.' && ch != u' ')
            return false;
    return true;
}

void checkCaptions(const QString &text, const QStringList &captions, qsizetype count) {
    check(captions.size() == count);
    for (const QString &c : captions) {
        check(!c.contains(QLatin1String("\r\n")));
        check(!c.contains(u'<'));
        check(text.contains(c));
        if (roster::isFolderName(c)) {
            check(!c.contains(u'\\') && !c.contains(u'/') && !c.contains(u':'));
            check(c != QLatin1String(".") && !climbs(c));
        }
        if (roster::usableGradeCaption(c))
            check(roster::usableCaption(c) && c != QLatin1String("-"));
        if (roster::usableCaption(c))
            check(!c.isEmpty() && roster::isFolderName(c));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto grades = roster::gradeCaptions(text))
        checkCaptions(text, *grades, roster::GradeButtons);
    else
        check(!text.contains(QStringLiteral("<学年名>")));
    if (const auto classes = roster::classCaptions(text))
        checkCaptions(text, *classes, roster::ClassButtons);
    else
        check(!text.contains(QStringLiteral("<学級名>")));
    for (int k = 1; k <= roster::ClassButtons; ++k)
        checkCaptions(text, roster::nameCaptions(text, QString::number(k)), roster::NameButtons);
    // Every line, as a label typed into the file, obeys the folder rule too.
    const QStringList lines = text.split(QLatin1String("\r\n"));
    for (const QString &l : lines)
        if (roster::isFolderName(l))
            check(!l.contains(u'\\') && !l.contains(u'/') && l != QLatin1String(".") && !climbs(l));
    return 0;
}
