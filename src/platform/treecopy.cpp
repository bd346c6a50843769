// The file work of a folder copy: temporary files, one sync, then the renames.
#include "platform/treecopy.h"
#include "platform/core/savefile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Bytes moved by one call: large enough that a big file costs few system calls, small enough
// that a cancel is seen soon.
constexpr size_t kChunk = 8 << 20;

// A file of this size or more is handed to the disk as soon as it is written, so that the
// one sync finds little of it left. Smaller ones are left to that sync, which writes them
// together in large requests: handing each small file to the disk on its own made a copy of
// thousands of them a third slower than writing them all at the sync.
constexpr off_t kEarlyWriteback = 1 << 20;

bool writeAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Copies what is left of `in` into `out`, in the kernel where it can.
bool copyData(int in, int out, TreeCopyProgress &progress, std::vector<char> &buffer) {
    bool kernel = true;
    for (;;) {
        if (progress.cancel.load(std::memory_order_relaxed))
            return false;
        ssize_t n;
        if (kernel) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                          errno == EOPNOTSUPP || errno == EBADF || errno == EPERM)) {
                kernel = false; // another file system or an old kernel: plain reads and writes
                continue;
            }
        } else {
            if (buffer.empty())
                buffer.resize(1 << 20);
            n = ::read(in, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n > 0 && !writeAll(out, buffer.data(), size_t(n)))
                return false;
        }
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        progress.bytes.fetch_add(n, std::memory_order_relaxed);
    }
}

struct Written {
    QByteArray temp, final;
    QString shown; // the relative name a failure is reported by
};

// A new temporary file beside `final`, named as the shell's other temporary files are.
int createTemp(const QString &final, QByteArray *temp) {
    const qsizetype slash = final.lastIndexOf(u'/');
    const QString folder = final.left(slash + 1), name = final.mid(slash + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temp = QFile::encodeName(
            folder + u'.' + name +
            QStringLiteral(".%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(temp->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // Locked while written, as the shell's other temporary files are, so that a
            // start-up clearing leftovers passes over it.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

QStringList copyTreeFiles(const QString &source, const QString &target, const QStringList &dirs,
                          const QStringList &files, TreeCopyProgress &progress) {
    QStringList failed;
    if (!QDir().mkpath(target))
        failed.append(target);
    for (const QString &d : dirs)
        if (!QDir().mkpath(target + u'/' + d))
            failed.append(d);

    std::vector<Written> written;
    written.reserve(size_t(files.size()));
    std::vector<char> buffer;
    for (const QString &rel : files) {
        if (progress.cancel.load())
            break;
        const QByteArray from = QFile::encodeName(source + u'/' + rel);
        const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (in >= 0)
                ::close(in);
            failed.append(rel);
            continue;
        }
        Written w{{}, QFile::encodeName(target + u'/' + rel), rel};
        const int out = createTemp(target + u'/' + rel, &w.temp);
        bool ok = out >= 0;
        if (ok) {
            // The copy keeps the original's permissions (a program stays a program).
            ok = ::fchmod(out, st.st_mode & 07777) == 0 && copyData(in, out, progress, buffer);
            // The disk starts writing a big file now, while the next files are copied.
            if (ok && st.st_size >= kEarlyWriteback)
                ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
            ok = (::close(out) == 0) && ok;
            if (ok)
                written.push_back(std::move(w));
            else
                ::unlink(w.temp.constData());
        }
        ::close(in);
        if (!ok && !progress.cancel.load())
            failed.append(rel);
        progress.files.fetch_add(1, std::memory_order_relaxed);
    }

    const auto discard = [&written] {
        for (const Written &w : written)
            ::unlink(w.temp.constData());
    };
    // Decided once: a cancel from now on comes too late.
    if (progress.cancel.load()) {
        discard();
        return failed;
    }
    progress.placing = true;
    // One sync of the whole file system for all the files, before any of them is put in
    // place: after a power cut a name shows the old file or the whole new one.
    const int dirFd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_DIRECTORY |
                                                                        O_CLOEXEC);
    const bool synced = dirFd >= 0 && ::syncfs(dirFd) == 0;
    if (!synced) {
        discard();
        for (const Written &w : written)
            failed.append(w.shown);
        if (dirFd >= 0)
            ::close(dirFd);
        return failed;
    }
    for (const Written &w : written) {
        if (::rename(w.temp.constData(), w.final.constData()) != 0) {
            ::unlink(w.temp.constData());
            failed.append(w.shown);
        }
    }
    ::close(dirFd);
    return failed;
}

} // namespace platform
