// The internet reader: one URL over QNetworkAccessManager, bounded waits, no cache.
#include "platform/internet.h"
#include "platform/core/paths.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace platform {

namespace {
// While a read waits for the network, the loop also wakes at this pace: not every event
// dispatcher wakes for every notice of the network's worker thread.
class WakeUp {
public:
    WakeUp() { timer_.start(20); }

private:
    QTimer timer_;
};
} // namespace

QString programAgent() {
    const QString version = QCoreApplication::applicationVersion();
    return QCoreApplication::applicationName() + (version.isEmpty() ? QString() : u'/' + version);
}

InternetSession::InternetSession(const QString &agent)
    : manager_(std::make_unique<QNetworkAccessManager>()), agent_(agent) {
    // No cache object is ever installed on this manager: nothing is kept between fetches.
    manager_->setCache(nullptr);
}

InternetSession::~InternetSession() = default;

InternetUrl::InternetUrl(InternetSession &session) : session_(session) {}

InternetUrl::~InternetUrl() { dropReply(); }

void InternetUrl::dropReply() {
    if (!reply_)
        return;
    reply_->disconnect();
    reply_->abort();
    delete reply_;
    reply_ = nullptr;
}

void InternetUrl::abort() {
    if (aborted_)
        return;
    aborted_ = true;
    fail(InternetFailure::Cancelled);
    if (error_.isEmpty())
        error_ = QStringLiteral("cancelled");
    // Only ended here, not deleted: a wait further down the stack still looks at it.
    if (reply_)
        reply_->abort();
}

bool InternetUrl::givenUp() {
    if (aborted_)
        return true;
    const qint64 now = clock_.elapsed();
    const qint64 bytes = received_ + (reply_ ? reply_->bytesAvailable() : 0);
    if (bytes != lastProgressBytes_) {
        lastProgressBytes_ = bytes;
        lastProgressMs_ = now;
    }
    QString why;
    if (now - lastProgressMs_ >= rule_.stallMs) {
        why = QStringLiteral("no data for %1 s").arg((now - lastProgressMs_) / 1000.0);
    } else {
        // A sliding window: samples about a thirtieth of a window apart, the oldest kept
        // being the newest one that is at least a window old.
        const qint64 step = std::max(1, rule_.windowMs / 30);
        if (samples_.empty() || now - samples_.back().ms >= step)
            samples_.push_back({now, bytes});
        while (samples_.size() > 1 && now - samples_[1].ms >= rule_.windowMs)
            samples_.pop_front();
        const Sample &oldest = samples_.front();
        const qint64 span = now - oldest.ms;
        if (span >= rule_.windowMs && (bytes - oldest.bytes) * 1000 < rule_.minBytesPerSecond * span)
            why = QStringLiteral("%1 bytes in %2 s").arg(bytes - oldest.bytes).arg(span / 1000.0);
    }
    if (why.isEmpty())
        return false;
    error_ = why;
    fail(InternetFailure::NoAnswer);
    abort();
    return true;
}

bool InternetUrl::open(const QString &url) {
    if (!session_.isOpen() || reply_)
        return false;
    // Links come as the page shows them: Japanese names as characters, blanks as "%20".
    // Control characters (a line break from a list file) never make a request.
    const bool control = std::any_of(url.begin(), url.end(), [](QChar c) { return c < u' '; });
    const QUrl u = url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
                       ? urlToEngine(url)
                       : QUrl(url, QUrl::TolerantMode);
    if (control || !u.isValid() || u.scheme().isEmpty()) {
        error_ = QStringLiteral("invalid URL");
        fail(InternetFailure::NotFound);
        return false;
    }
    QNetworkRequest request(u);
    // Fetched from the server every time: no local cache, and proxies are asked not to
    // answer from theirs either.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    // The body as the server stores it, so that its announced length can be checked.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setHeader(QNetworkRequest::UserAgentHeader, session_.agent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);

    clock_.start();
    samples_.clear();
    lastProgressMs_ = 0;
    lastProgressBytes_ = 0;

    reply_ = session_.manager()->get(request);
    // Keeps a fast server from filling memory while the reader takes small pieces.
    reply_->setReadBufferSize(4 << 20);

    auto headReady = [this] {
        if (reply_->isFinished() || reply_->bytesAvailable() > 0)
            return true;
        const QVariant s = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        return s.isValid() && (s.toInt() < 300 || s.toInt() >= 400);
    };
    bool gaveUp = false;
    {
        WakeUp wake;
        while (!headReady() && !(gaveUp = givenUp()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (gaveUp || aborted_) {
        dropReply();
        return false;
    }

    const QVariant s = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    status_ = s.isValid() ? s.toInt() : 0;
    const bool http = u.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive);
    bool ok = true;
    if (http && (status_ < 200 || status_ >= 300))
        ok = false;
    if (reply_->isFinished() && reply_->error() != QNetworkReply::NoError)
        ok = false;
    if (!ok) {
        error_ = status_ ? QStringLiteral("HTTP %1").arg(status_) : reply_->errorString();
        // An answer that is no file is "not found"; no answer at all (no server, no route,
        // refused) is "no answer"; a connection that broke before the head, or after a good
        // head but before the whole body (a small body can be over before we look), "cut off".
        const QNetworkReply::NetworkError e = reply_->error();
        const bool goodHead = http && status_ >= 200 && status_ < 300;
        if (goodHead)
            fail(InternetFailure::CutOff);
        else if (status_ || e >= QNetworkReply::ContentAccessDenied ||
            e == QNetworkReply::TooManyRedirectsError || e == QNetworkReply::InsecureRedirectError)
            fail(InternetFailure::NotFound);
        else if (e == QNetworkReply::RemoteHostClosedError)
            fail(InternetFailure::CutOff);
        else
            fail(InternetFailure::NoAnswer);
        dropReply();
        return false;
    }
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    expected_ = length.isValid() ? length.toLongLong() : -1;
    return true;
}

bool InternetUrl::waitForData() {
    // The whole announced body is here: the end, whatever the connection does next.
    if (expected_ >= 0 && received_ == expected_)
        return false;
    WakeUp wake;
    while (reply_->bytesAvailable() == 0 && !reply_->isFinished()) {
        if (givenUp())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return !aborted_ && reply_->bytesAvailable() > 0;
}

bool InternetUrl::finishedCleanly() {
    if (aborted_)
        return false;
    if (reply_->error() != QNetworkReply::NoError) {
        error_ = reply_->errorString();
        fail(InternetFailure::CutOff);
        return false;
    }
    if (expected_ >= 0 && received_ != expected_) {
        error_ = QStringLiteral("%1 of %2 bytes received").arg(received_).arg(expected_);
        fail(InternetFailure::CutOff);
        return false;
    }
    return true;
}

qint64 InternetUrl::read(char *buffer, qint64 max) {
    if (!reply_ || max <= 0 || givenUp())
        return -1;
    if (reply_->bytesAvailable() == 0 && !waitForData())
        return finishedCleanly() ? 0 : -1;
    const qint64 n = reply_->read(buffer, max);
    if (n < 0) {
        fail(InternetFailure::CutOff);
        return -1;
    }
    received_ += n;
    return n;
}

} // namespace platform
