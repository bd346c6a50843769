// The temp-and-rename writer: a file written whole and synced, or not at all.
#include "platform/core/savefile.h"
#include "platform/core/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SaveFile::SaveFile() = default;

SaveFile::~SaveFile() {
    discard();
}

void SaveFile::discard() {
    if (!file_)
        return;
    file_->close();
    file_->remove();
    file_.reset();
}

void SaveFile::noteFailure(int error) {
    failed_ = true;
    const bool full = error == ENOSPC || error == EDQUOT ||
                      (file_ && file_->error() == QFileDevice::ResourceError);
    if (failure_ == WriteFailure::None)
        failure_ = full ? WriteFailure::NoSpace : WriteFailure::CannotWrite;
}

bool SaveFile::open(const QString &path, QString *error) {
    path_ = path;
    host_ = toHost(path);
    failed_ = false;
    written_ = syncStarted_ = 0;
    synced_ = false;
    failure_ = WriteFailure::None;
    const QFileInfo target(host_);
    const auto cannotCreate = [&](const QString &why) {
        failure_ = WriteFailure::CannotCreate;
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。%2").arg(path, why);
        return false;
    };
    if (host_.isEmpty() || host_.endsWith(u'/') || target.isDir())
        return cannotCreate(QString());
    // A file with the read-only mark cannot be replaced, as on the systems the shell comes
    // from; a rename would otherwise pass over it.
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(host_).constData(), &old) == 0;
    if (replacing && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return cannotCreate(QStringLiteral("読み取り専用です。"));
    // A hidden name beside the target, made new (never an existing file).
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString temp =
            target.absolutePath() + QStringLiteral("/.") + target.fileName() +
            QStringLiteral(".%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        auto f = std::make_unique<QFile>(temp);
        errno = 0;
        if (f->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            // The replaced file keeps its permissions.
            if (replacing)
                ::fchmod(f->handle(), old.st_mode & 07777);
            // Held while this program writes it: the lock tells a file being written from one
            // a killed program left (removeLeftoverTemporaryFiles), and dies with the program.
            ::flock(f->handle(), LOCK_EX | LOCK_NB);
            file_ = std::move(f);
            return true;
        }
        const int why = errno;
        if (f->error() != QFileDevice::OpenError || QFileInfo::exists(temp) == false) {
            if (why == ENOSPC || why == EDQUOT) {
                failure_ = WriteFailure::NoSpace;
                if (error)
                    *error = QStringLiteral("ファイル %1 を作成できません。%2")
                                 .arg(path, f->errorString());
                return false;
            }
            return cannotCreate(f->errorString());
        }
    }
    return cannotCreate(QString());
}

bool SaveFile::write(const char *data, qint64 size) {
    if (!file_ || failed_)
        return false;
    if (keepReserve_) {
        struct statvfs fs {};
        if (::fstatvfs(file_->handle(), &fs) == 0) {
            const DiskSpace space{qint64(fs.f_blocks) * qint64(fs.f_frsize),
                                  qint64(fs.f_bavail) * qint64(fs.f_frsize)};
            if (!leavesReserve(space, size)) {
                failed_ = true;
                if (failure_ == WriteFailure::None)
                    failure_ = WriteFailure::NoSpace;
                return false;
            }
        }
    }
    errno = 0;
    if (file_->write(data, size) != size) {
        noteFailure(errno);
        return false;
    }
    written_ += size;
    synced_ = false;
    // Hands the written part to the disk as it grows, without waiting for it, so that the
    // sync before the rename finds little left to do and does not hold up the caller.
    if (written_ - syncStarted_ >= kSyncStep && file_->flush()) {
        ::sync_file_range(file_->handle(), syncStarted_, written_ - syncStarted_,
                          SYNC_FILE_RANGE_WRITE);
        syncStarted_ = written_;
    }
    return true;
}

bool SaveFile::sync() {
    if (!file_ || failed_)
        return false;
    errno = 0;
    if (!file_->flush())
        noteFailure(errno);
    // Synced before the rename: after a power cut the name shows either the old file or
    // the whole new one, never an empty file.
    if (!failed_ && ::fsync(file_->handle()) != 0)
        noteFailure(errno);
    synced_ = !failed_;
    return synced_;
}

bool SaveFile::commit(QString *error) {
    if (!file_)
        return false;
    if (!synced_)
        sync();
    if (failed_) {
        if (error)
            *error =
                QStringLiteral("ファイル %1 に書き込めません。%2").arg(path_, file_->errorString());
        discard();
        return false;
    }
    file_->close();
    if (std::rename(QFile::encodeName(file_->fileName()).constData(),
                    QFile::encodeName(host_).constData()) != 0) {
        noteFailure(errno);
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。").arg(path_);
        discard();
        return false;
    }
    file_.reset();
    return true;
}

DiskSpace diskSpace(const QString &windowsPath) {
    QString host = toHost(windowsPath);
    if (host.isEmpty())
        return {};
    // The file or folder may not be there yet: its nearest existing folder is on the same
    // file system.
    QFileInfo at(host);
    while (!at.exists()) {
        const QString up = at.absolutePath();
        if (up == at.absoluteFilePath())
            return {};
        at = QFileInfo(up);
    }
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(at.absoluteFilePath()).constData(), &fs) != 0)
        return {};
    return {qint64(fs.f_blocks) * qint64(fs.f_frsize), qint64(fs.f_bavail) * qint64(fs.f_frsize)};
}

qint64 downloadReserve(qint64 total) {
    constexpr qint64 kMostKept = 64ll << 20;
    return std::min(kMostKept, std::max<qint64>(0, total) / 20);
}

bool leavesReserve(const DiskSpace &space, qint64 more) {
    if (!space.known())
        return true;
    return space.available - std::max<qint64>(0, more) >= downloadReserve(space.total);
}

bool isTemporaryName(const QString &fileName) {
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.part$"));
    return pattern.match(fileName).hasMatch();
}

namespace {
int removeLeftovers(const QByteArray &folder, int depth) {
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    QList<QByteArray> below;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0) // links are not followed
            continue;
        if (S_ISDIR(st.st_mode)) {
            below.append(path);
        } else if (S_ISREG(st.st_mode) && isTemporaryName(QFile::decodeName(name))) {
            // Removed only when no running program holds it (its writer keeps a lock).
            const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                continue;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
                ++removed;
            ::close(fd);
        }
    }
    ::closedir(dir);
    if (depth > 0)
        for (const QByteArray &sub : below)
            removed += removeLeftovers(sub, depth - 1);
    return removed;
}
} // namespace

int removeLeftoverTemporaryFiles(const QString &windowsFolder, int depth) {
    QString host = toHost(windowsFolder);
    while (host.size() > 1 && host.endsWith(u'/'))
        host.chop(1);
    if (host.isEmpty())
        return 0;
    return removeLeftovers(QFile::encodeName(host), depth);
}

WriteFailure saveWholeFile(const QString &path, const QByteArray &bytes, QString *error) {
    SaveFile file;
    if (!file.open(path, error))
        return file.failure();
    file.write(bytes.constData(), bytes.size()); // a failure is kept and reported by commit
    if (!file.commit(error))
        return file.failure() == WriteFailure::None ? WriteFailure::CannotWrite : file.failure();
    return WriteFailure::None;
}

} // namespace platform
