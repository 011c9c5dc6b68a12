#pragma once

#include <QTcpServer>
#include <QTcpSocket>

// Answers every request on 127.0.0.1 with `status` and `body` (or the next of `queued`), then closes the
// connection, and records each request's target and head.
class CannedHttpServer : public QTcpServer
{
public:
    CannedHttpServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n"))
                    return;
                heads.append(socket->readAll());
                targets.append(heads.last().split(' ').value(1));
                if (!queued.isEmpty())
                    body = queued.takeFirst();
                socket->write("HTTP/1.1 " + status + "\r\nConnection: close\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        listen(QHostAddress::LocalHost);
    }

    [[nodiscard]] QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    QByteArray status = "200 OK";
    QByteArray body;
    QList<QByteArray> queued; // bodies for the next requests in turn, before `body` again
    QList<QByteArray> targets;
    QList<QByteArray> heads;
};
