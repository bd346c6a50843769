#pragma once
// A loopback HTTP/1.1 server for download tests, running on the test's own event loop.
// Each route answers one way: a file, an error status, a redirect, a body that breaks off
// half-way, or a body dribbled out in small pieces.
#include <QByteArray>
#include <QHostAddress>
#include <QHash>
#include <QString>
#include <QTcpServer>

namespace testsupport {

class HttpServer : public QTcpServer {
    Q_OBJECT
public:
    explicit HttpServer(QObject *parent = nullptr);
    // Listens on 127.0.0.1 (or another loopback address, a host of its own for the
    // browser) at a free port; false when that fails.
    bool start(const QHostAddress &address = QHostAddress::LocalHost);
    // "http://<address>:<port>" + path.
    QString url(const QString &path) const;

    void addFile(const QString &path, const QByteArray &body);
    void addStatus(const QString &path, int status, const QByteArray &body);
    void addRedirect(const QString &path, const QString &location, int status = 302);
    // Announces the whole body but closes the connection after `cutAt` bytes.
    void addBroken(const QString &path, const QByteArray &body, qsizetype cutAt);
    // Sends `piece` bytes every `intervalMs` milliseconds; with `cutAt` > 0 it closes the
    // connection once that many bytes of the body are out. Without `announceLength` the
    // head gives no length and the body ends when the connection closes. A long interval
    // is a server that stalls after its head.
    void addDribble(const QString &path, const QByteArray &body, int piece, int intervalMs,
                    qsizetype cutAt = 0, bool announceLength = true);
    // Takes the request and never answers.
    void addSilent(const QString &path);
    // How a streamed body is delimited.
    enum class Framing { Length, Chunked, Close };
    // `size` bytes made up as they are sent (never held whole), as fast as the client takes
    // them.
    void addStream(const QString &path, qint64 size, Framing framing);
    // Paths asked for, in order (the request line's target, query included).
    const QStringList &requests() const { return requests_; }

signals:
    // A dribbled piece went out; `sent` counts the body's bytes so far.
    void pieceSent(const QString &path, qsizetype sent);

public:
    // How often a path was asked for, and the last request's head lines.
    int hits(const QString &path) const { return hits_.value(path); }
    QByteArray lastRequest(const QString &path) const { return lastRequest_.value(path); }

private:
    enum class Kind { File, Status, Redirect, Broken, Dribble, Silent, Stream };
    struct Route {
        Kind kind = Kind::File;
        int status = 200;
        QByteArray body;
        QString location;
        qsizetype cutAt = 0;
        int piece = 0;
        int intervalMs = 0;
        bool announceLength = true;
        qint64 size = 0;
        Framing framing = Framing::Length;
    };
    void onConnection();
    void answer(class QTcpSocket *socket, const QByteArray &request);

    QHash<QString, Route> routes_;
    QHash<QString, int> hits_;
    QHash<QString, QByteArray> lastRequest_;
    QStringList requests_;
};

} // namespace testsupport
