#pragma once
// Web downloads of the main window: one URL into one file, written whole or not at all,
// with the windows served on a time slice while it reads. It knows nothing of the windows:
// the notice follows its signals, and closing the window calls shutdown().
#include "platform/internet.h"

#include <QList>
#include <QObject>
#include <QString>

// Why a download failed, as the pupil is told: the internet reader's reasons, and no room
// on the disk.
enum class DownloadFailure { None, NoAnswer, CutOff, NotFound, NoRoom, Cancelled };

class Downloader : public QObject {
    Q_OBJECT
public:
    struct Options {
        platform::ProgressRule rule;
        // The windows are served at least this often while data streams in.
        int sliceMs = 5;
        // progress() is told at most this often (and at the start and the end).
        int progressMs = 250;
    };

    explicit Downloader(QObject *parent = nullptr);
    ~Downloader() override;

    // Fetches `source` (a web URL or a "file:" URL with "/") into `target` (a Windows
    // path). False for a failed, too slow or cancelled download, and for one that would
    // leave less than the reserve free on the target's disk (refused before the first byte
    // when the size is announced): each leaves nothing at the target. A target that cannot
    // be made or written for another reason throws QumoError.
    bool fetch(const QString &source, const QString &target);
    // Ends every running download at once, as failed.
    void cancel();
    // cancel(), and every later fetch fails at once: the window is closing.
    void shutdown();
    bool running() const { return !active_.isEmpty(); }
    // The reason the last fetch failed, for tests and messages.
    const QString &lastError() const { return lastError_; }
    DownloadFailure lastFailure() const { return lastFailure_; }

    Options options;

signals:
    // The first download began (none was running before).
    void started();
    // `total` is -1 while the size is unknown.
    void progress(qint64 received, qint64 total);
    // The last running download ended.
    void finished();

private:
    QList<platform::InternetUrl *> active_;
    bool shutDown_ = false;
    QString lastError_;
    DownloadFailure lastFailure_ = DownloadFailure::None;
};

// The notice of a failed download (empty for none and for a cancelled one): why, in a few
// words, and that the file could not be fetched.
QString downloadFailureText(DownloadFailure why);

// The progress as the notice shows it: "42%" when the size is known, otherwise the
// kilobytes so far ("120KB").
QString downloadProgressText(qint64 received, qint64 total);
