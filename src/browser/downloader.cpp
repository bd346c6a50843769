#include "browser/downloader.h"
#include "app/errors.h"
#include "platform/savefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace {
// One read takes what has already arrived, up to this much.
constexpr qint64 kBufferSize = 1 << 20;
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

bool Downloader::fetch(const QString &source, const QString &target) {
    lastError_.clear();
    if (shutDown_) {
        lastError_ = QStringLiteral("cancelled");
        return false;
    }
    platform::InternetSession session(QStringLiteral("MyApp"));
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
        return false;
    };
    if (!url.open(source))
        return failed();
    platform::SaveFile file;
    QString error;
    if (!file.open(target, &error))
        throw QumoError(error);

    std::vector<char> buffer(kBufferSize);
    QElapsedTimer slice, told;
    slice.start();
    told.start();
    emit progress(0, url.expectedSize());
    for (;;) {
        // Takes what has arrived; waits (serving the windows) only when nothing has.
        const qint64 n = url.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            return failed(); // the temporary file goes with `file`
        if (n > 0 && !file.write(buffer.data(), n))
            break; // reported by commit()
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
    // Cancelled while the last bytes were written: nothing is kept.
    if (url.aborted())
        return failed();
    if (!file.commit(&error))
        throw QumoError(error);
    return true;
}

QString downloadProgressText(qint64 received, qint64 total) {
    if (total > 0)
        return QStringLiteral("%1%").arg(std::clamp<qint64>(received * 100 / total, 0, 100));
    return QStringLiteral("%1KB").arg(received / 1024);
}
