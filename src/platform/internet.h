#pragma once
// The internet reader: one URL fetched from its server (never from a cache) and read in
// small pieces on the GUI thread. Waiting for data runs a local event loop, so the windows
// stay responsive and other handlers may run (and nest) while a read waits.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <deque>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

// The program's own name and version as a User-Agent ("QUMO/1.0.0"), from the application.
QString programAgent();

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

// How long a transfer may go without making progress: a server that sends nothing for
// `stallMs`, or less than `minBytesPerSecond` on average over any `windowMs`, has failed.
// Counted from the request on, so a server that never answers its head fails the same way.
struct ProgressRule {
    int stallMs = 30000;
    int windowMs = 30000;
    qint64 minBytesPerSecond = 1024;
};

// Why a transfer failed, in the words the pupil is told.
enum class InternetFailure {
    None,
    NoAnswer,  // no server, or it sent nothing (or too little) for too long
    CutOff,    // the connection broke, or the body was shorter than announced
    NotFound,  // the server answered with an error status, or the address is no file
    Cancelled, // ended by abort() (the pupil, or the window closing)
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

    // Set before open().
    void setProgressRule(const ProgressRule &rule) { rule_ = rule; }
    // `url` is a web URL or a "file:" URL in the shell's form ("file:///Z:/x/y.mwx").
    bool open(const QString &url);
    // Ends the transfer from anywhere (another handler run while this one waits): a wait in
    // open() or read() returns at once, as a failure.
    void abort();
    bool aborted() const { return aborted_; }
    // Reads at most `max` bytes into `buffer`: the number read, 0 at the end of the body,
    // -1 when the transfer failed (broken off, shorter than announced, timed out).
    qint64 read(char *buffer, qint64 max);
    // Body bytes read so far, and the announced length (-1 when unknown).
    qint64 received() const { return received_; }
    qint64 expectedSize() const { return expected_; }
    // The status of the answer (0 for non-HTTP URLs) and a short description of a failure.
    int status() const { return status_; }
    const QString &errorString() const { return error_; }
    InternetFailure failure() const { return failure_; }

    // Redirects followed before the fetch fails: a server that redirects in a loop ends.
    static constexpr int kMaxRedirects = 10;

private:
    bool waitForData();
    bool finishedCleanly();
    // Whether the transfer has given up: aborted, or the progress rule is broken (then the
    // reply is ended and the reason kept).
    bool givenUp();
    void dropReply();

    struct Sample {
        qint64 ms;
        qint64 bytes;
    };
    ProgressRule rule_;
    QElapsedTimer clock_;
    std::deque<Sample> samples_; // about one a second, the oldest just over a window old
    qint64 lastProgressMs_ = 0;
    qint64 lastProgressBytes_ = 0;
    bool aborted_ = false;

    InternetSession &session_;
    QNetworkReply *reply_ = nullptr;
    int status_ = 0;
    qint64 expected_ = -1; // announced length, -1 when unknown
    qint64 received_ = 0;
    QString error_;
    InternetFailure failure_ = InternetFailure::None;
    void fail(InternetFailure why) {
        if (failure_ == InternetFailure::None)
            failure_ = why;
    }
};

} // namespace platform
