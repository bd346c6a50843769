// Saving a captured picture in the format its name asks for.
#include "board/core/picturesave.h"
#include "mwex/core/bmpio.h"
#include "mwex/core/jpegio.h"
#include "platform/core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {
// Longest file name and path the host takes, in bytes.
constexpr int kNameMax = 255;
constexpr int kPathMax = 4095;

// What went wrong, in a few words a pupil can read; the system's own text follows it.
QString shortCause(const QImage &bitmap, const QString &winPath) {
    const QString host = platform::toHost(winPath);
    const QFileInfo info(host);
    if (info.fileName().toUtf8().size() > kNameMax || host.toUtf8().size() > kPathMax)
        return QStringLiteral("なまえが ながすぎます。");
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("フォルダが ありません。");
    const QStorageInfo storage(folder.absolutePath());
    // A picture file is at most its raw size plus the headers. (A file system that tells
    // no size, such as the kernel's, is not full.)
    const qint64 needed = qint64(bitmap.width()) * bitmap.height() * 3 + 4096;
    if (storage.isValid() && storage.bytesTotal() > 0 && storage.bytesAvailable() < needed)
        return QStringLiteral("ディスクが いっぱいです。");
    if (storage.isValid() && storage.isReadOnly())
        return QStringLiteral("ここには ほぞんできません。");
    return QStringLiteral("ほぞんできませんでした。");
}
} // namespace

bool savePictureFile(const QImage &bitmap, const QString &winPath, QString *error) {
    const QString ext = platform::extractFileExt(winPath).toLower();
    QString reason;
    bool ok = true;
    if (ext == QLatin1String(".bmp"))
        ok = bmpio::writeFile(bitmap, winPath, &reason);
    else if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        ok = jpegio::writeFile(bitmap, winPath, &reason);
    if (!ok && error) {
        const QString detail = reason.contains(platform::extractFileName(winPath))
                                   ? reason
                                   : QStringLiteral("%1 に保存できませんでした。%2").arg(winPath, reason);
        *error = shortCause(bitmap, winPath) + u'\n' + detail;
    }
    return ok;
}
