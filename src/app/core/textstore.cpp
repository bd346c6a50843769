// The store for small whole text files: decoded on reading, written whole.
#include "app/core/textstore.h"
#include "app/core/errors.h"
#include "platform/core/codec.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/core/savefile.h"

#include <QStringConverter>

QString TextStore::normalizeLineEnds(const QString &text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += QLatin1String("\r\n");
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString TextStore::decode(const QByteArray &bytes, Encoding *found) {
    Encoding enc = Encoding::Ansi;
    qsizetype skip = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        enc = Encoding::Utf8;
        skip = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        enc = Encoding::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        enc = Encoding::Utf16BE;
        skip = 2;
    }
    const QByteArray rest = bytes.mid(skip);
    QString text;
    switch (enc) {
    case Encoding::Utf8:
        text = QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless)(rest);
        break;
    case Encoding::Utf16LE:
        text = QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless)(rest);
        break;
    case Encoding::Utf16BE:
        text = QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless)(rest);
        break;
    default:
        text = platform::ansiDecode(rest);
        break;
    }
    if (found)
        *found = enc;
    // The text control that holds the text ends it at a NUL.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return normalizeLineEnds(text);
}

QByteArray TextStore::encode(const QString &text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE: {
        QStringEncoder e(QStringConverter::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(e(text));
    }
    case Encoding::Utf16BE: {
        QStringEncoder e(QStringConverter::Utf16BE);
        return QByteArray("\xFE\xFF") + QByteArray(e(text));
    }
    default:
        return platform::ansiEncode(text);
    }
}

QString TextStore::load(const QString &path) {
    QString error;
    const auto bytes = platform::readWholeFile(path, &error);
    if (!bytes)
        throw QumoError(error);
    Encoding enc;
    const QString text = decode(*bytes, &enc);
    encoding_ = enc;
    memo_ = text;
    return memo_;
}

QString TextStore::saveFailureText(const QString &path, platform::WriteFailure failure) {
    const QString name = platform::extractFileName(path);
    if (failure == platform::WriteFailure::NoSpace)
        return QStringLiteral("「%1」を保存できませんでした。ディスクの空きを確かめてください。").arg(name);
    return QStringLiteral("「%1」を保存できませんでした。").arg(name);
}

void TextStore::save(const QString &path, const QString &text) {
    memo_ = text;
    // Through a temporary file: a failed write leaves the old file as it was.
    const platform::WriteFailure failure =
        platform::saveWholeFile(path, encode(memo_, encoding_), nullptr);
    if (failure != platform::WriteFailure::None)
        throw QumoError(saveFailureText(path, failure));
}

void TextStore::saveLines(const QString &path, const QString &text) {
    QString body;
    if (!text.isEmpty()) {
        body = normalizeLineEnds(text);
        if (!body.endsWith(QLatin1String("\r\n")))
            body += QLatin1String("\r\n");
    }
    platform::saveWholeFile(path, platform::ansiEncode(body), nullptr);
}
