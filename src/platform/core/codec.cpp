// The CP932 code page of the shell.
#include "platform/core/codec.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {
class Iconv {
public:
    Iconv(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};
} // namespace

QString ansiDecode(const QByteArray &bytes) {
    Iconv cd("UTF-16LE", "CP932");
    if (!cd.ok())
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char16_t buf[1024];
    while (inLeft > 0) {
        char *outPtr = reinterpret_cast<char *>(buf);
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(QStringView(buf, (sizeof buf - outLeft) / sizeof(char16_t)));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or a lead byte cut off at the end: one replacement, skip one byte.
            out.append(QChar(0x30FB));
            ++in;
            --inLeft;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

QByteArray ansiEncode(const QString &text) {
    Iconv cd("CP932", "UTF-16LE");
    if (!cd.ok())
        return text.toLatin1();
    QByteArray out;
    out.reserve(text.size() * 2);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char buf[2048];
    while (inLeft > 0) {
        char *outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<qsizetype>(sizeof buf - outLeft));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An unmappable character (a surrogate pair counts as one): "?". A lone high
            // surrogate is one character too; the character after it is kept.
            out.append('?');
            const char16_t *c = reinterpret_cast<char16_t *>(in);
            const bool pair = inLeft >= 4 && QChar::isHighSurrogate(c[0]) && QChar::isLowSurrogate(c[1]);
            const size_t skip = pair ? 4 : 2;
            in += skip;
            inLeft -= skip;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace platform
