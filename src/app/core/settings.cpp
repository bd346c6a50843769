// Reading the settings file: values between an opening and a closing tag.
#include "app/core/settings.h"

namespace settings {

QString extract(const QString &text, const QString &tag) {
    const QString open = u'<' + tag + u'>';
    const QString close = QLatin1String("</") + tag + u'>';
    const qsizetype p = text.indexOf(open) + 1; // 1-based, 0 when missing
    const qsizetype q = text.indexOf(close) + 1;
    const qsizetype L = open.size();
    const qsizetype start = p + L;                // 1-based start position
    const qsizetype count = q - p - L;
    if (count <= 0 || start - 1 >= text.size())
        return {};
    return text.mid(start - 1, count); // mid cuts at the end of the text
}

std::optional<qint32> toWholeNumber(const QString &value) {
    qsizetype i = 0;
    const qsizetype n = value.size();
    while (i < n && value[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (value[i] == u'+' || value[i] == u'-')) {
        negative = value[i] == u'-';
        ++i;
    }
    if (i >= n)
        return std::nullopt;
    qint64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = value[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > qint64(2147483648LL))
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return std::nullopt;
    return static_cast<qint32>(v);
}

QString invalidNumberMessage(const QString &value) {
    return QStringLiteral("'%1' は有効な整数値ではありません").arg(value);
}

qint32 clampExtent(qint32 value, qint32 minimum, qint32 available) {
    if (value < minimum)
        return minimum;
    if (available > 0 && value > available)
        return qMax(available, minimum);
    return value;
}

qint32 clampPlacedExtent(qint32 value, qint32 minimum, qint32 available) {
    return value < 1 ? value : clampExtent(value, minimum, available);
}

} // namespace settings
