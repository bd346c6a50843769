// Whole picture files by Windows path, for the JPEG and BMP code.
#include "mwex/core/pictureio.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"

#include <QFileInfo>

namespace pictureio {

std::optional<QByteArray> readPictureFile(const QString& path, QString* error) {
    const QFileInfo info(platform::toHost(path));
    // Checked before opening: a FIFO would block the open, a device (a link to /dev/zero)
    // would never end. Links to ordinary files are followed.
    if (info.exists() && !info.isFile() && !info.isDir()) {
        if (error)
            *error = QStringLiteral("%1 は普通のファイルではありません。").arg(path);
        return std::nullopt;
    }
    if (info.size() > MaxFileBytes) {
        if (error)
            *error = QStringLiteral("ファイル %1 は大きすぎます。").arg(path);
        return std::nullopt;
    }
    return platform::readWholeFile(path, error);
}

bool writePictureFile(const QString& path, const QByteArray& bytes, QString* error) {
    // Written whole or not at all: a failed write leaves the old picture as it was.
    return platform::writeWholeFile(path, bytes, error);
}

} // namespace pictureio
