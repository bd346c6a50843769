#include "board/picturesave.h"
#include "mwex/bmpio.h"
#include "mwex/jpegio.h"
#include "platform/paths.h"

bool savePictureFile(const QImage &bitmap, const QString &winPath, QString *error) {
    const QString ext = platform::extractFileExt(winPath).toLower();
    QString reason;
    bool ok = true;
    if (ext == QLatin1String(".bmp"))
        ok = bmpio::writeFile(bitmap, winPath, &reason);
    else if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        ok = jpegio::writeFile(bitmap, winPath, &reason);
    if (!ok && error)
        *error = reason.contains(platform::extractFileName(winPath))
                     ? reason
                     : QStringLiteral("%1 に保存できませんでした。%2").arg(winPath, reason);
    return ok;
}
