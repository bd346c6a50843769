// The loopback HTTP/1.1 server of the download tests.
#include "support/httpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace testsupport {

HttpServer::HttpServer(QObject *parent) : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, &HttpServer::onConnection);
}

bool HttpServer::start(const QHostAddress &address) {
    return listen(address, 0);
}

QString HttpServer::url(const QString &path) const {
    return QStringLiteral("http://%1:%2%3").arg(serverAddress().toString()).arg(serverPort()).arg(path);
}

void HttpServer::addStream(const QString &path, qint64 size, Framing framing) {
    Route r;
    r.kind = Kind::Stream;
    r.size = size;
    r.framing = framing;
    routes_.insert(path, r);
}

void HttpServer::addFile(const QString &path, const QByteArray &body) {
    Route r;
    r.body = body;
    routes_.insert(path, r);
}

void HttpServer::addStatus(const QString &path, int status, const QByteArray &body) {
    Route r;
    r.kind = Kind::Status;
    r.status = status;
    r.body = body;
    routes_.insert(path, r);
}

void HttpServer::addRedirect(const QString &path, const QString &location, int status) {
    Route r;
    r.kind = Kind::Redirect;
    r.status = status;
    r.location = location;
    routes_.insert(path, r);
}

void HttpServer::addBroken(const QString &path, const QByteArray &body, qsizetype cutAt) {
    Route r;
    r.kind = Kind::Broken;
    r.body = body;
    r.cutAt = cutAt;
    routes_.insert(path, r);
}

void HttpServer::addSilent(const QString &path) {
    Route r;
    r.kind = Kind::Silent;
    routes_.insert(path, r);
}

void HttpServer::addDribble(const QString &path, const QByteArray &body, int piece, int intervalMs,
                            qsizetype cutAt, bool announceLength) {
    Route r;
    r.announceLength = announceLength;
    r.kind = Kind::Dribble;
    r.body = body;
    r.piece = piece;
    r.intervalMs = intervalMs;
    r.cutAt = cutAt;
    routes_.insert(path, r);
}

void HttpServer::onConnection() {
    while (QTcpSocket *socket = nextPendingConnection()) {
        auto *buffer = new QByteArray;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            if (buffer->contains("\r\n\r\n"))
                return; // already answered
            buffer->append(socket->readAll());
            if (buffer->contains("\r\n\r\n"))
                answer(socket, *buffer);
        });
    }
}

namespace {
QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// `length` < 0: no Content-Length, the body ends with the connection.
QByteArray head(int status, qsizetype length, const QByteArray &extra = {},
                const QByteArray &type = "application/octet-stream") {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) +
           "\r\nContent-Type: " + type + "\r\n" +
           (length >= 0 ? "Content-Length: " + QByteArray::number(length) + "\r\n" : QByteArray()) +
           "Connection: close\r\n" + extra + "\r\n";
}

// A streamed body goes out in pieces of this size.
constexpr qint64 kPiece = 1 << 20;

void closeWhenWritten(QTcpSocket *socket) {
    if (socket->bytesToWrite() == 0)
        socket->disconnectFromHost();
    else
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
            if (socket->bytesToWrite() == 0)
                socket->disconnectFromHost();
        });
}
} // namespace

void HttpServer::answer(QTcpSocket *socket, const QByteArray &request) {
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = QString::fromUtf8(first.value(1));
    hits_[path] += 1;
    requests_.append(path);
    lastRequest_.insert(path, request);
    if (!routes_.contains(path)) {
        socket->write(head(404, 9) + "not found");
        closeWhenWritten(socket);
        return;
    }
    const Route r = routes_.value(path);
    switch (r.kind) {
    case Kind::File:
        // Pages are pages, so that a browser shows them; everything else is a file.
        socket->write(head(200, r.body.size(), {},
                           path.endsWith(QLatin1String(".html")) ? "text/html; charset=utf-8"
                                                                  : "application/octet-stream") +
                      r.body);
        closeWhenWritten(socket);
        break;
    case Kind::Status:
        socket->write(head(r.status, r.body.size()) + r.body);
        closeWhenWritten(socket);
        break;
    case Kind::Redirect:
        socket->write(head(r.status, 0, "Location: " + r.location.toUtf8() + "\r\n"));
        closeWhenWritten(socket);
        break;
    case Kind::Broken:
        socket->write(head(200, r.body.size()) + r.body.left(r.cutAt));
        closeWhenWritten(socket);
        break;
    case Kind::Silent:
        break;
    case Kind::Stream: {
        const bool chunked = r.framing == Framing::Chunked;
        socket->write(head(200, r.framing == Framing::Length ? r.size : -1,
                           chunked ? "Transfer-Encoding: chunked\r\n" : QByteArray()));
        // Topped up whenever what was written has mostly gone out.
        auto left = std::make_shared<qint64>(r.size);
        const QByteArray piece(kPiece, 'z');
        auto topUp = [socket, left, piece, chunked] {
            while (*left > 0 && socket->bytesToWrite() < 2 * kPiece) {
                const qint64 n = qMin(*left, kPiece);
                const QByteArray bytes = n == kPiece ? piece : piece.left(n);
                socket->write(chunked ? QByteArray::number(n, 16) + "\r\n" + bytes + "\r\n"
                                      : bytes);
                *left -= n;
            }
            if (*left == 0) {
                *left = -1;
                if (chunked)
                    socket->write("0\r\n\r\n");
                closeWhenWritten(socket);
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
        topUp();
        break;
    }
    case Kind::Dribble: {
        socket->write(head(200, r.announceLength ? r.body.size() : -1));
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        QPointer<QTcpSocket> guard(socket);
        const qsizetype end = r.cutAt > 0 ? r.cutAt : r.body.size();
        connect(timer, &QTimer::timeout, socket, [this, path, guard, timer, sent, r, end] {
            if (!guard)
                return;
            const qsizetype n = qMin<qsizetype>(r.piece, end - *sent);
            guard->write(r.body.mid(*sent, n));
            *sent += n;
            emit pieceSent(path, *sent);
            if (*sent >= end) {
                timer->stop();
                closeWhenWritten(guard);
            }
        });
        timer->start(r.intervalMs);
        break;
    }
    }
}

} // namespace testsupport
