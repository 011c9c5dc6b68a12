#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

// Answers the three historical-quote request forms over HTTP/1.1 with keep-alive.
class QuoteServer : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QDate endDate;            // invalid: today, taken per request
        QSet<QByteArray> unknown; // upper-case symbols answered with a 404 page
        QSet<QByteArray> hang;    // accepted and never answered
        QSet<QByteArray> slow;    // body sent in small pieces over a few seconds
    };

    explicit QuoteServer(Options options, QObject *parent = nullptr);

    [[nodiscard]] bool Listen(quint16 port);
    [[nodiscard]] quint16 Port() const { return m_server.serverPort(); }
    [[nodiscard]] QString ErrorString() const { return m_server.errorString(); }

private:
    struct Connection
    {
        QByteArray buffer;
        bool busy = false; // answering slowly or hanging; later requests wait
    };
    struct Reply
    {
        QByteArray status;
        QByteArray contentType;
        QByteArray body;
    };
    enum class Handling { Answer, Hang, Slow };

    void Accept();
    void Serve(QTcpSocket *socket);
    [[nodiscard]] Reply Answer(const QByteArray &target, Handling &handling) const;
    void SendSlowly(QTcpSocket *socket, QByteArray data, qsizetype pieceSize, bool close);

    Options m_options;
    QTcpServer m_server;
    QHash<QTcpSocket *, Connection> m_connections;
};
