#pragma once
// The store for small whole text files: byte-order marks or the ANSI code page on reading,
// the encoding of the last file read on writing.
#include <QByteArray>
#include <QString>

namespace platform {
enum class WriteFailure;
}

class TextStore {
public:
    enum class Encoding { Unset, Ansi, Utf8, Utf16LE, Utf16BE };

    // Reads a whole file; throws QumoError when it cannot be read (state unchanged).
    QString load(const QString &path);
    // Writes the text in the current encoding, whole or not at all; throws QumoError with a
    // short message for the pupil when it cannot be written (the old file stays).
    void save(const QString &path, const QString &text);
    // Writes the text as CR LF lines in the ANSI code page; every error is swallowed.
    static void saveLines(const QString &path, const QString &text);

    Encoding encoding() const { return encoding_; }
    const QString &memo() const { return memo_; }

    // Decoding of a whole file's bytes: the encoding found and the text, line ends made
    // uniform and cut at the first NUL.
    static QString decode(const QByteArray &bytes, Encoding *found);
    static QByteArray encode(const QString &text, Encoding encoding);
    // The message of a failed save of `path`.
    static QString saveFailureText(const QString &path, platform::WriteFailure failure);
    // Every CR LF, lone CR and lone LF becomes CR LF.
    static QString normalizeLineEnds(const QString &text);

private:
    Encoding encoding_ = Encoding::Unset;
    QString memo_;
};
