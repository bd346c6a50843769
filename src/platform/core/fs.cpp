// File-system operations on Windows-style paths.
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/core/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
int errnoToWindows(int e) {
    switch (e) {
    case EEXIST:
        return ErrorAlreadyExists;
    case ENOENT:
    case ENOTDIR:
        return ErrorPathNotFound;
    case EROFS:
        return ErrorWriteProtect;
    default:
        return ErrorAccessDenied;
    }
}

QByteArray native(const QString &hostPath) { return QFile::encodeName(hostPath); }
} // namespace

bool fileExists(const QString &path) {
    const QString h = toHost(path);
    if (h.isEmpty() || path.endsWith(u'\\') || path.endsWith(u'/'))
        return false;
    struct stat st;
    return ::stat(native(h).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool directoryExists(const QString &path) {
    const QString h = toHost(path);
    if (h.isEmpty())
        return false;
    struct stat st;
    return ::stat(native(h).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int createDirectory(const QString &path) {
    QString h = toHost(path);
    if (h.isEmpty())
        return ErrorPathNotFound;
    while (h.size() > 1 && h.endsWith(u'/'))
        h.chop(1);
    if (::mkdir(native(h).constData(), 0777) == 0)
        return ErrorSuccess;
    return errnoToWindows(errno);
}

bool forceDirectories(const QString &path) {
    const QString h = toHost(path);
    if (h.isEmpty())
        return false;
    if (directoryExists(path))
        return true;
    QDir().mkpath(h);
    return directoryExists(path);
}

bool copyFile(const QString &from, const QString &to, bool failIfExists) {
    const QString hf = toHost(from), ht = toHost(to);
    if (hf.isEmpty() || ht.isEmpty() || !fileExists(from))
        return false;
    if (QFileInfo::exists(ht)) {
        if (failIfExists || QFileInfo(ht).isDir())
            return false;
        QFile::setPermissions(ht, QFile::permissions(ht) | QFile::WriteOwner);
        if (!QFile::remove(ht))
            return false;
    }
    // Like CopyFile, the copy keeps the source's attributes (a read-only source gives a
    // read-only copy); callers that want a writable copy clear the mark themselves.
    return QFile::copy(hf, ht);
}

bool deleteFile(const QString &path) {
    const QString h = toHost(path);
    if (h.isEmpty() || !fileExists(path))
        return false;
    return ::unlink(native(h).constData()) == 0;
}

bool isReadOnly(const QString &path) {
    const QString h = toHost(path);
    struct stat st;
    if (h.isEmpty() || ::stat(native(h).constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool setReadOnly(const QString &path, bool readOnly) {
    const QString h = toHost(path);
    struct stat st;
    if (h.isEmpty() || ::stat(native(h).constData(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (readOnly)
        mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::chmod(native(h).constData(), mode) == 0;
}

bool canWriteInFolder(const QString &path) {
    const QString h = toHost(path);
    return !h.isEmpty() && directoryExists(path) && ::access(native(h).constData(), W_OK | X_OK) == 0;
}

QString desktopFolder() {
    QString d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (d.isEmpty())
        d = QDir::homePath() + QLatin1String("/Desktop");
    return fromHost(QDir::cleanPath(d));
}

QString currentFolder() { return fromHost(QDir::currentPath()); }

bool setCurrentFolder(const QString &path) {
    const QString h = toHost(path);
    return !h.isEmpty() && QDir::setCurrent(h);
}

QString programFile() { return fromHost(QCoreApplication::applicationFilePath()); }

std::optional<QByteArray> readWholeFile(const QString &path, QString *error) {
    const QString h = toHost(path);
    QFile f(h);
    if (h.isEmpty() || QFileInfo(h).isDir() || !f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("ファイル %1 を開けません。%2")
                         .arg(path, h.isEmpty() ? QStringLiteral("ドライブがありません。")
                                                : f.errorString());
        return std::nullopt;
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("ファイル %1 を読めません。%2").arg(path, f.errorString());
        return std::nullopt;
    }
    return bytes;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error) {
    // Through a temporary file and a rename: the old file survives any failure.
    return saveWholeFile(path, bytes, error) == WriteFailure::None;
}

} // namespace platform
