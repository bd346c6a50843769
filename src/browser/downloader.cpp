// The downloader: network reads on the GUI thread, disk writes on a thread of their own.
#include "browser/downloader.h"
#include "app/core/errors.h"
#include "platform/core/savefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {
// One read takes what has already arrived, up to this much.
constexpr qint64 kBufferSize = 1 << 20;
// Bytes read but not yet written that the reader may run ahead of the disk.
constexpr qint64 kMaxQueued = 16 << 20;
// How long the GUI thread waits for the writer before it serves the windows again.
constexpr auto kWriterPoll = std::chrono::milliseconds(2);

// Writes the bytes of one download to its file on a thread of its own, and syncs them
// there, so the GUI thread only reads from the network and serves the windows while the
// disk works. Its waits serve the windows too.
class DiskWriter {
public:
    explicit DiskWriter(platform::SaveFile &file) : file_(file), thread_([this] { run(); }) {}
    ~DiskWriter() { stop(); }

    // Queues `bytes`; false when writing has already failed (commit() reports why).
    bool push(QByteArray bytes) {
        std::unique_lock lock(mutex_);
        while (queued_ >= kMaxQueued && !failed_) {
            lock.unlock();
            QCoreApplication::processEvents();
            lock.lock();
            room_.wait_for(lock, kWriterPoll);
        }
        if (failed_)
            return false;
        queued_ += bytes.size();
        queue_.push_back(std::move(bytes));
        work_.notify_one();
        return true;
    }
    // Everything written and synced to the disk; the windows are served meanwhile.
    bool finish() {
        std::unique_lock lock(mutex_);
        ending_ = true;
        work_.notify_one();
        while (!ended_) {
            lock.unlock();
            QCoreApplication::processEvents();
            lock.lock();
            room_.wait_for(lock, kWriterPoll);
        }
        return !failed_;
    }

private:
    void stop() {
        {
            std::lock_guard lock(mutex_);
            dropped_ = true;
            queue_.clear();
            work_.notify_one();
        }
        thread_.join();
    }
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return dropped_ || ending_ || !queue_.empty(); });
            if (dropped_)
                break;
            if (queue_.empty()) { // ending, all written
                lock.unlock();
                const bool ok = file_.sync();
                lock.lock();
                failed_ |= !ok;
                break;
            }
            QByteArray bytes = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            const bool ok = file_.write(bytes.constData(), bytes.size());
            lock.lock();
            queued_ -= bytes.size();
            failed_ |= !ok;
            room_.notify_one();
            if (failed_)
                break;
        }
        ended_ = true;
        room_.notify_one();
    }

    platform::SaveFile &file_;
    std::mutex mutex_;
    std::condition_variable work_, room_;
    std::deque<QByteArray> queue_;
    qint64 queued_ = 0;
    bool ending_ = false, ended_ = false, dropped_ = false, failed_ = false;
    std::thread thread_; // last: started once the members above exist
};
} // namespace

Downloader::Downloader(QObject *parent) : QObject(parent) {}

Downloader::~Downloader() { cancel(); }

void Downloader::cancel() {
    for (platform::InternetUrl *u : std::as_const(active_))
        u->abort();
}

void Downloader::shutdown() {
    shutDown_ = true;
    cancel();
}

namespace {
DownloadFailure failureOf(platform::InternetFailure f) {
    switch (f) {
    case platform::InternetFailure::None:
        return DownloadFailure::None;
    case platform::InternetFailure::NoAnswer:
        return DownloadFailure::NoAnswer;
    case platform::InternetFailure::CutOff:
        return DownloadFailure::CutOff;
    case platform::InternetFailure::NotFound:
        return DownloadFailure::NotFound;
    case platform::InternetFailure::Cancelled:
        return DownloadFailure::Cancelled;
    }
    return DownloadFailure::None;
}
} // namespace

bool Downloader::fetch(const QString &source, const QString &target) {
    lastError_.clear();
    lastFailure_ = DownloadFailure::None;
    if (shutDown_) {
        lastError_ = QStringLiteral("cancelled");
        lastFailure_ = DownloadFailure::Cancelled;
        return false;
    }
    platform::InternetSession session(platform::programAgent());
    if (!session.isOpen())
        return false;
    platform::InternetUrl url(session);
    url.setProgressRule(options.rule);

    // Registered before the head is awaited, so that a cancel reaches that wait too.
    active_.append(&url);
    if (active_.size() == 1)
        emit started();
    struct Unregister {
        Downloader *d;
        platform::InternetUrl *u;
        ~Unregister() {
            d->active_.removeOne(u);
            if (d->active_.isEmpty())
                emit d->finished();
        }
    } unregister{this, &url};

    const auto failed = [&] {
        lastError_ = url.errorString();
        lastFailure_ = failureOf(url.failure());
        if (lastFailure_ == DownloadFailure::None)
            lastFailure_ = DownloadFailure::CutOff;
        return false;
    };
    const auto noRoom = [&] {
        lastError_ = QStringLiteral("no room on the disk");
        lastFailure_ = DownloadFailure::NoRoom;
        return false;
    };
    if (!url.open(source))
        return failed();
    // An announced size that would not leave the reserve free is refused before anything
    // is written.
    if (url.expectedSize() >= 0 &&
        !platform::leavesReserve(platform::diskSpace(target), url.expectedSize()))
        return noRoom();
    platform::SaveFile file;
    file.keepReserve(); // watched as the bytes arrive, whatever the server announced
    QString error;
    if (!file.open(target, &error)) {
        if (file.failure() == platform::WriteFailure::NoSpace)
            return noRoom();
        throw QumoError(error);
    }

    DiskWriter writer(file);
    QElapsedTimer slice, told;
    slice.start();
    told.start();
    emit progress(0, url.expectedSize());
    for (;;) {
        // Takes what has arrived; waits (serving the windows) only when nothing has.
        QByteArray buffer(kBufferSize, Qt::Uninitialized);
        const qint64 n = url.read(buffer.data(), buffer.size());
        if (n < 0)
            return failed(); // the writer stops, the temporary file goes with `file`
        buffer.truncate(n);
        if (n > 0 && !writer.push(std::move(buffer)))
            break; // reported by commit(); a full disk (or its reserve reached) included
        if (slice.elapsed() >= options.sliceMs) {
            QCoreApplication::processEvents();
            slice.restart();
        }
        if (told.elapsed() >= options.progressMs || n == 0) {
            emit progress(url.received(), url.expectedSize());
            told.restart();
        }
        if (n == 0)
            break;
    }
    writer.finish(); // a failure is kept in `file` and reported by commit()
    // Cancelled while the last bytes were written: nothing is kept.
    if (url.aborted())
        return failed();
    if (!file.commit(&error)) {
        if (file.failure() == platform::WriteFailure::NoSpace)
            return noRoom();
        throw QumoError(error);
    }
    return true;
}

QString downloadFailureText(DownloadFailure why) {
    switch (why) {
    case DownloadFailure::NoAnswer:
        return QStringLiteral("へんじがなく、ダウンロードできませんでした。");
    case DownloadFailure::CutOff:
        return QStringLiteral("とちゅうで切れて、ダウンロードできませんでした。");
    case DownloadFailure::NotFound:
        return QStringLiteral("見つからず、ダウンロードできませんでした。");
    case DownloadFailure::NoRoom:
        return QStringLiteral("ディスクの空きが足りず、ダウンロードできませんでした。");
    case DownloadFailure::None:
    case DownloadFailure::Cancelled:
        break;
    }
    return QString();
}

QString downloadProgressText(qint64 received, qint64 total) {
    if (total > 0)
        return QStringLiteral("%1%").arg(std::clamp<qint64>(received * 100 / total, 0, 100));
    return QStringLiteral("%1KB").arg(received / 1024);
}
