// libFuzzer target: the text store's decoding of a whole file (marks, the ANSI code page,
// line ends, NUL) and the encodings it writes back.
#include "app/core/textstore.h"
#include "platform/core/codec.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

bool uniformLineEnds(const QString &t) {
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == u'\r' && (i + 1 >= t.size() || t[i + 1] != u'\n'))
            return false;
        if (t[i] == u'\n' && (i == 0 || t[i - 1] != u'\r'))
            return false;
    }
    return true;
}

// Characters as the code page sees them: a surrogate pair is one, a lone surrogate too.
qsizetype codePoints(const QString &t) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < t.size(); ++i, ++n)
        if (t[i].isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate())
            ++i;
    return n;
}

bool startsWithMark(const QByteArray &b) {
    return b.startsWith("\xEF\xBB\xBF") || b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using E = TextStore::Encoding;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    E enc = E::Unset;
    const QString text = TextStore::decode(bytes, &enc);
    check(enc != E::Unset);
    check(!text.contains(QChar(0)));
    check(uniformLineEnds(text));
    check(TextStore::normalizeLineEnds(text) == text);

    // What is saved in the encoding it was read in reads back as the same text. A leading
    // U+FEFF would read as a second mark and is left out.
    if (!text.startsWith(QChar(0xFEFF))) {
        const QByteArray again = TextStore::encode(text, enc);
        if (enc != E::Ansi || !startsWithMark(again)) {
            E enc2 = E::Unset;
            check(TextStore::decode(again, &enc2) == text);
            check(enc2 == enc);
        }
    }

    // The code page keeps one character for every character it is given ("?" for those it
    // lacks), whatever the text holds, lone surrogates included.
    const QString raw(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    check(platform::ansiDecode(platform::ansiEncode(raw)).size() == codePoints(raw));
    check(platform::ansiDecode(bytes).size() <= bytes.size());
    return 0;
}
