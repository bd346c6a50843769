#pragma once
// The ANSI code page of the shell: CP932 (Windows-31J) on every host.
#include <QByteArray>
#include <QString>

namespace platform {

// Decodes CP932 leniently: a byte that starts no valid character becomes U+30FB, the
// replacement the code page itself uses, and decoding goes on with the next byte.
QString ansiDecode(const QByteArray &bytes);
// Encodes to CP932; a character the code page lacks becomes "?".
QByteArray ansiEncode(const QString &text);

} // namespace platform
