#include "board/picturesave.h"
#include "platform/paths.h"

bool savePictureFile(const QImage &bitmap, const QString &winPath, QString *error) {
    const QString ext = platform::extractFileExt(winPath).toLower();
    const char *format = nullptr;
    if (ext == QLatin1String(".bmp"))
        format = "BMP";
    else if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        format = "JPEG";
    else
        return true;
    const QString host = platform::toHost(winPath);
    if (host.isEmpty() || !bitmap.save(host, format, 100)) {
        if (error)
            *error = QStringLiteral("%1 に保存できませんでした。").arg(winPath);
        return false;
    }
    return true;
}
