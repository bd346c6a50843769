#pragma once
// The file work of a folder copy, meant for a thread of its own: every file is written under
// a temporary name beside its target, the file system is synced once, and only then are the
// files renamed into place, so a copy broken off (cancelled, a full disk, a power cut) never
// leaves a partial file under a target's name.
#include <QString>
#include <QStringList>

#include <atomic>

namespace platform {

// Shared with the thread that shows the progress.
struct TreeCopyProgress {
    std::atomic<int> files{0};      // files written
    std::atomic<qint64> bytes{0};   // their bytes
    std::atomic<bool> cancel{false}; // set by the pupil: nothing more is put in place
    std::atomic<bool> placing{false}; // the files are being put in place: too late to cancel
};

// Makes the folders `dirs` below `target` and copies each of `files` (paths relative to
// `source` and `target`, "/" separated, host paths) over whatever is there. Returns the
// entries that could not be made; after a cancel, none of the files is put in place.
QStringList copyTreeFiles(const QString &source, const QString &target, const QStringList &dirs,
                          const QStringList &files, TreeCopyProgress &progress);

} // namespace platform
