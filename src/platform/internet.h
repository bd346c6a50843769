#pragma once
// The internet reader: one URL fetched from its server (never from a cache) and read in
// small pieces on the GUI thread. Waiting for data runs a local event loop, so the windows
// stay responsive and other handlers may run (and nest) while a read waits.
#include <QByteArray>
#include <QString>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

// The root handle: the access shared by the URLs opened under it.
class InternetSession {
public:
    // `agent` is the User-Agent sent with every request.
    explicit InternetSession(const QString &agent);
    ~InternetSession();
    InternetSession(const InternetSession &) = delete;
    InternetSession &operator=(const InternetSession &) = delete;

    bool isOpen() const { return manager_ != nullptr; }
    QNetworkAccessManager *manager() const { return manager_.get(); }
    const QString &agent() const { return agent_; }

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
    QString agent_;
};

// One URL opened under a session. open() waits until the answer's head has arrived (after
// redirects) and succeeds only for a success status, so an error page is never taken for
// the file. read() then hands out the body.
class InternetUrl {
public:
    explicit InternetUrl(InternetSession &session);
    ~InternetUrl();
    InternetUrl(const InternetUrl &) = delete;
    InternetUrl &operator=(const InternetUrl &) = delete;

    // `url` is a web URL or a "file:" URL in the shell's form ("file:///Z:/x/y.mwx").
    bool open(const QString &url);
    // Reads at most `max` bytes into `buffer`: the number read, 0 at the end of the body,
    // -1 when the transfer failed (broken off, shorter than announced, timed out).
    qint64 read(char *buffer, qint64 max);
    // The status of the answer (0 for non-HTTP URLs) and a short description of a failure.
    int status() const { return status_; }
    const QString &errorString() const { return error_; }

    // A transfer that brings no byte for this long is broken off.
    static constexpr int kStallTimeoutMs = 30000;

private:
    bool waitForData();
    bool finishedCleanly();

    InternetSession &session_;
    QNetworkReply *reply_ = nullptr;
    int status_ = 0;
    qint64 expected_ = -1; // announced length, -1 when unknown
    qint64 received_ = 0;
    QString error_;
};

} // namespace platform
