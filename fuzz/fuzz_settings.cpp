// libFuzzer target: the settings file's tags and whole numbers. The input is a tag name, a
// line break and the settings text.
#include "app/core/settings.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// The number rule written the other way round: blanks, a sign, digits and a 32-bit value.
std::optional<qint32> expectedNumber(const QString &value) {
    static const QRegularExpression shape(QStringLiteral("\\A *[+-]?[0-9]+\\z"));
    if (!shape.match(value).hasMatch())
        return std::nullopt;
    QString digits = value.trimmed();
    const bool negative = digits.startsWith(u'-');
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits.remove(0, 1);
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > 10)
        return std::nullopt;
    qint64 v = digits.toLongLong();
    if (negative)
        v = -v;
    if (v < -2147483648LL || v > 2147483647LL)
        return std::nullopt;
    return qint32(v);
}

void checkNumber(const QString &value) {
    const auto n = settings::toWholeNumber(value);
    check(n == expectedNumber(value));
    if (n)
        check(settings::toWholeNumber(QString::number(*n)) == n);
    else
        check(!settings::invalidNumberMessage(value).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nl = input.indexOf(u'\n');
    const QString tag = nl < 0 ? QStringLiteral("TATE") : input.left(nl);
    const QString text = nl < 0 ? input : input.mid(nl + 1);

    const QString value = settings::extract(text, tag);
    check(value.size() <= text.size());
    check(value.isEmpty() || text.contains(value));
    // With both tags in order the value is exactly what stands between them.
    const QString open = u'<' + tag + u'>';
    const QString close = QLatin1String("</") + tag + u'>';
    const qsizetype p = text.indexOf(open);
    const qsizetype q = text.indexOf(close);
    if (p >= 0 && q >= p + open.size())
        check(value == text.mid(p + open.size(), q - p - open.size()));
    if (q < 0)
        check(value.isEmpty());

    checkNumber(value);
    checkNumber(text);
    return 0;
}
