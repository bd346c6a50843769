#pragma once
// A file written under a temporary name in its target's folder and renamed to the target
// only when every byte has been written and synced, so a broken-off write (a full disk, a
// power cut) never leaves a partial file under the target's name and never harms the old one.
#include <QByteArray>
#include <QString>
#include <memory>

class QFile;

namespace platform {

// Why a write did not happen.
enum class WriteFailure {
    None,
    CannotCreate, // the folder is missing, the medium or the old file is read-only, ...
    NoSpace,      // the disk (or the user's quota) is full
    CannotWrite,  // any other failure while writing or putting the file in place
};

class SaveFile {
public:
    SaveFile();
    ~SaveFile(); // removes the temporary file unless committed
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // `path` is the target, a Windows path. False with a message when it cannot be made;
    // an existing target that carries the read-only mark is not replaced.
    bool open(const QString &path, QString *error);
    // write() and sync() may run on another thread than open() and commit(), one thread at
    // a time.
    bool write(const char *data, qint64 size);
    // Flushes and syncs what was written to the disk (the slow part of commit()); false
    // when that failed, which commit() then reports.
    bool sync();
    // Puts the file in place, replacing a file of that name; false (and nothing left) when
    // a write, the sync to disk or the rename failed.
    bool commit(QString *error);

    WriteFailure failure() const { return failure_; }
    // Refuses (as NoSpace) a write that would leave less than downloadReserve() free on
    // the file system: for files as large as a server cares to send.
    void keepReserve() { keepReserve_ = true; }

private:
    void discard();
    void noteFailure(int error);

    std::unique_ptr<QFile> file_;
    QString path_, host_;
    bool failed_ = false;
    qint64 written_ = 0;
    qint64 syncStarted_ = 0; // bytes already handed to the disk
    bool synced_ = false;
    bool keepReserve_ = false;
    static constexpr qint64 kSyncStep = 4 << 20;
    WriteFailure failure_ = WriteFailure::None;
};

// The size of the file system a path lies on and what is free on it for ordinary users, in
// bytes; -1 when it cannot be told.
struct DiskSpace {
    qint64 total = -1;
    qint64 available = -1;
    bool known() const { return total > 0 && available >= 0; }
};
// For `windowsPath`, or its nearest folder that exists.
DiskSpace diskSpace(const QString &windowsPath);
// What a download leaves free on a file system of `total` bytes: 5 % of it, at most 64 MiB,
// so the disk of a classroom PC never fills and the shell's own small files still fit.
qint64 downloadReserve(qint64 total);
// Whether `more` bytes still leave the reserve free (when the space cannot be told: yes).
bool leavesReserve(const DiskSpace &space, qint64 more);

// The temporary files of SaveFile ("." + name + "." + 8 hex digits + ".part") that a
// program killed while writing left in `windowsFolder` and the folders below it (at most
// `depth` levels). Files still being written by a running program are left alone. Returns
// how many were removed.
int removeLeftoverTemporaryFiles(const QString &windowsFolder, int depth = 8);
// Whether a file name is one of those temporary names.
bool isTemporaryName(const QString &fileName);

// Writes `bytes` as the whole file `path` (a Windows path) through a SaveFile.
WriteFailure saveWholeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace platform
