#include "HttpTransfer.h"

#include "QtPrinters.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

// A keep-alive HTTP server in this thread, driven by the transfer's nested event loop. Each request is
// answered with the pieces the handler gives for its path, 100 ms apart; an empty piece closes the
// connection, and no pieces at all leave the request unanswered.
class FakeServer : public QObject
{
public:
    explicit FakeServer(std::function<QList<QByteArray>(const QByteArray &path)> handler)
        : m_handler(std::move(handler))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::Accept);
        m_server.listen(QHostAddress::LocalHost);
        url = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()));
    }

    QUrl url;
    int connections = 0;

private:
    void Accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket, buffer = QByteArray()]() mutable { Read(socket, buffer); });
        }
    }

    void Read(QTcpSocket *socket, QByteArray &buffer)
    {
        buffer.append(socket->readAll());
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0; buffer.remove(0, end + 4)) {
            const QList<QByteArray> pieces = m_handler(buffer.left(end).split(' ').value(1));
            for (qsizetype i = 0; i < pieces.size(); ++i)
                QTimer::singleShot(100ms * (i + 1), socket, [socket, p = pieces[i]] {
                    p.isEmpty() ? socket->disconnectFromHost() : void(socket->write(p));
                });
        }
    }

    std::function<QList<QByteArray>(const QByteArray &path)> m_handler;
    QTcpServer m_server;
};

// A response head announcing `length` body bytes (default: all of `body`), then `body`.
QByteArray Response(const char *status, const QByteArray &body, qsizetype length = -1)
{
    return "HTTP/1.1 " + QByteArray(status) +
           "\r\nContent-Length: " + QByteArray::number(length < 0 ? body.size() : length) + "\r\n\r\n" + body;
}

struct Case
{
    const char *name;
    QList<QByteArray> pieces;
    QByteArray expected;
    std::chrono::milliseconds timeout = 5s;
};

TEST(HttpTransferTest, ReturnsTheWholeBodyOrNothing)
{
    const QByteArray raw("\xEF\xBB\xBF\0Date\xFF\r\n", 11);
    const QByteArray page = "<html><body>No such symbol</body></html>\n";
    const QByteArray big = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(100); // also the body limit
    const Case cases[] = {
        {"RawBytes", {Response("200 OK", raw)}, raw},
        {"FullInPieces", {Response("200 OK", big.left(1000), 2600), big.mid(1000, 1000), big.mid(2000)}, big},
        {"OneOverTheLimit", {Response("200 OK", big.left(1000), 2601), big.mid(1000), "!"}, {}},
        {"NotFoundPage", {Response("404 Not Found", page)}, page},
        {"ServerErrorPage", {Response("500 Internal Server Error", "oops")}, "oops"},
        {"ClosedMidBody", {Response("200 OK", big.left(1000), 2600), {}}, {}},
        {"NeverAnswered", {}, {}, 300ms},
        {"StalledMidBody", {Response("200 OK", big.left(1000), 2600)}, {}, 300ms},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server([&c](const QByteArray &) { return c.pieces; });
        HttpTransfer transfer;
        transfer.SetTimeout(c.timeout);
        transfer.SetMaxBodySize(big.size());
        EXPECT_EQ(transfer.Fetch(server.url), c.expected);
    }
}

TEST(HttpTransferTest, AnUnreachableServerGivesNothing)
{
    const QUrl refused = FakeServer(nullptr).url; // closed again at the end of this line
    for (const QUrl &url : {refused, QUrl(QStringLiteral("http://nonexistent.invalid/"))}) {
        SCOPED_TRACE(url.toString().toStdString());
        HttpTransfer transfer;
        EXPECT_TRUE(transfer.Fetch(url).isEmpty());
    }
}

// Destroying guards against Fetch() resuming into a transfer that a handler inside the wait destroyed.
TEST(HttpTransferTest, InsideTheWaitAFetchIsRefusedAndCancelOrDestructionEndsIt)
{
    FakeServer server([](const QByteArray &) { return QList<QByteArray>{Response("200 OK", "late")}; });
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroy" : "cancel");
        auto transfer = std::make_unique<HttpTransfer>();
        QByteArray nested = "not run";
        QTimer::singleShot(50ms, &server, [&] { // the answer comes 100 ms after the request
            nested = transfer->Fetch(server.url);
            destroy ? transfer.reset() : transfer->Cancel();
        });
        EXPECT_TRUE(transfer->Fetch(server.url).isEmpty());
        EXPECT_TRUE(nested.isEmpty());
        EXPECT_EQ(transfer == nullptr, destroy);
        if (transfer) { // nothing of the cancelled request lingers
            EXPECT_EQ(transfer->Fetch(server.url), "late");
        }
    }
}

// The first body is empty and must end the wait as a complete reply; a time-out would drop the connection.
TEST(HttpTransferTest, RequestsInARowShareOneConnection)
{
    FakeServer server(
        [](const QByteArray &path) { return QList<QByteArray>{Response("200 OK", path.mid(1))}; });
    HttpTransfer transfer;
    EXPECT_EQ(transfer.Fetch(server.url), "");
    EXPECT_EQ(transfer.Fetch(server.url.resolved(QUrl(QStringLiteral("/b")))), "b");
    EXPECT_EQ(server.connections, 1);
}

} // namespace
