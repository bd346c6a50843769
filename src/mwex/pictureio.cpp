#include "mwex/pictureio.h"
#include "platform/fs.h"
#include "platform/paths.h"

#include <QFileInfo>

namespace pictureio {

std::optional<QByteArray> readPictureFile(const QString& path, QString* error) {
    const QFileInfo info(platform::toHost(path));
    if (info.isFile() && info.size() > MaxFileBytes) {
        if (error)
            *error = QStringLiteral("ファイル %1 は大きすぎます。").arg(path);
        return std::nullopt;
    }
    return platform::readWholeFile(path, error);
}

bool writePictureFile(const QString& path, const QByteArray& bytes, QString* error) {
    if (platform::writeWholeFile(path, bytes, error))
        return true;
    platform::deleteFile(path);
    return false;
}

} // namespace pictureio
