// Cutting grade, class and name lists out of the roster files' text.
#include "folders/core/roster.h"

namespace roster {

namespace {
const QString kGradeTag = QStringLiteral("<学年名>");
const QString kClassTag = QStringLiteral("<学級名>");
const QString kLineBreak = QStringLiteral("\r\n");

// The text after `tag` and the two characters that follow it (normally its line break).
std::optional<QString> afterTag(const QString &text, const QString &tag) {
    const qsizetype p = text.indexOf(tag);
    if (p < 0)
        return std::nullopt;
    return text.mid(p + tag.size() + 2);
}

QString beforeFirstOpening(const QString &text) {
    const qsizetype p = text.indexOf(u'<');
    return p < 0 ? text : text.left(p);
}
} // namespace

std::optional<QString> cutGradeList(const QString &text) {
    const auto rest = afterTag(text, kGradeTag);
    if (!rest)
        return std::nullopt;
    return beforeFirstOpening(*rest);
}

std::optional<QString> cutClassList(const QString &text) {
    const auto rest = afterTag(text, kClassTag);
    if (!rest)
        return std::nullopt;
    // Without a closing tag the list does not count.
    const qsizetype p = rest->indexOf(u'<');
    return p < 0 ? QString() : rest->left(p);
}

QString cutNameList(const QString &text, const QString &K) {
    const QString rest = afterTag(text, kClassTag).value_or(text);
    const qsizetype header = rest.indexOf(u'<' + K);
    if (header < 0)
        return {};
    const qsizetype close = rest.indexOf(u'>', header + 1);
    if (close < 0)
        return {}; // a header that never closes holds no names
    return beforeFirstOpening(rest.mid(close + 1 + 2));
}

QStringList takeCaptions(QString &NAMAE, int count) {
    QStringList captions;
    captions.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qsizetype p = NAMAE.indexOf(kLineBreak);
        if (p < 0) {
            captions.append(QString());
            continue;
        }
        captions.append(NAMAE.left(p));
        NAMAE.remove(0, p + kLineBreak.size());
    }
    return captions;
}

bool isFolderName(const QString &label) {
    // Windows drops a name's trailing dots and blanks, so ".. " is ".." and ". " is ".".
    if (label.contains(u'.') && label.count(u'.') + label.count(u' ') == label.size())
        return false;
    for (const QChar c : label) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

bool usableCaption(const QString &caption) {
    return !caption.isEmpty() && isFolderName(caption);
}

bool usableGradeCaption(const QString &caption) {
    return caption != QLatin1String("-") && usableCaption(caption);
}

std::optional<QStringList> gradeCaptions(const QString &text) {
    auto list = cutGradeList(text);
    if (!list)
        return std::nullopt;
    return takeCaptions(*list, GradeButtons);
}

std::optional<QStringList> classCaptions(const QString &text) {
    auto list = cutClassList(text);
    if (!list)
        return std::nullopt;
    return takeCaptions(*list, ClassButtons);
}

QStringList nameCaptions(const QString &text, const QString &K) {
    QString list = cutNameList(text, K);
    return takeCaptions(list, NameButtons);
}

} // namespace roster
