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

private:
    void Accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
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
QByteArray Response(const char *status, const QByteArray &body, qsizetype length = -1,
                    const QByteArray &headers = {})
{
    return "HTTP/1.1 " + QByteArray(status) + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(length < 0 ? body.size() : length) + "\r\n\r\n" + body;
}

struct Case
{
    const char *name;
    QList<QByteArray> pieces;
    QByteArray expected;
    const char *cause = ""; // empty: a whole reply
    FetchResult::Failure failure = FetchResult::Failure::None;
    std::chrono::milliseconds timeout = 5s;
    QByteArray retryAfter = {}; // passed on as sent
};

TEST(HttpTransferTest, ReturnsTheWholeBodyOrNothingWithTheCause)
{
    using Failure = FetchResult::Failure;
    const QByteArray raw("\xEF\xBB\xBF\0Date\xFF\r\n", 11);
    const QByteArray page = "<html><body>No such symbol</body></html>\n";
    const QByteArray big = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(100); // also the body limit
    const QByteArray deflate = "Content-Encoding: deflate\r\n";
    const QByteArray packed = qCompress(big).mid(4); // a zlib stream after a length
    const QByteArray packedTooBig = qCompress(big + '!').mid(4);
    const Case cases[] = {
        {"RawBytes", {Response("200 OK", raw)}, raw},
        {"EmptyBody", {Response("200 OK", {})}, {}}, // must end the wait as a whole reply, not a time-out
        {"FullInPieces", {Response("200 OK", big.left(1000), 2600), big.mid(1000, 1000), big.mid(2000)}, big},
        {"OneOverTheLimit",
         {Response("200 OK", big.left(1000), 2601), big.mid(1000), "!"},
         {},
         "reply larger than 2600 bytes",
         Failure::TooLarge},
        {"NotFoundPage", {Response("404 Not Found", page)}, page},
        {"ChunkedAfterAnInterimReply",
         {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a;x=1\r\n" +
              big.left(20),
          big.mid(20, 6) + "\r\n3\r\nabc\r\n0\r\nTrailer: t\r\n\r\n"},
         big.left(26) + "abc"},
        {"ToTheEndOfTheConnection", {"HTTP/1.0 200 OK\r\n\r\n" + raw, {}}, raw},
        {"NotHttp", {"SSH-2.0-OpenSSH\r\n\r\n"}, {}, "reply is not HTTP", Failure::Other},
        {"TooManyRequests",
         {Response("429 Too Many Requests", page, -1, "Retry-After: Fri, 31 Dec 2027 23:59:59 GMT\r\n")},
         page,
         "",
         Failure::None,
         5s,
         "Fri, 31 Dec 2027 23:59:59 GMT"},
        {"ServerErrorPage", {Response("500 Internal Server Error", "oops")}, "oops"},
        {"ClosedUnanswered", {{}}, {}, "Connection closed", Failure::ConnectionReset},
        {"ClosedMidBody",
         {Response("200 OK", big.left(1000), 2600), {}},
         {},
         "reply cut short",
         Failure::CutShort},
        {"StalledMidBody",
         {Response("200 OK", big.left(1000), 2600)},
         {},
         "timed out after 0.3 s",
         Failure::Timeout,
         300ms},
        {"Deflate", {Response("200 OK", packed.left(20), packed.size(), deflate), packed.mid(20)}, big},
        // The transport sees a whole body; only the compressed stream shows that it stops early.
        {"BareDeflate", {Response("200 OK", packed.mid(2).chopped(4), -1, deflate)}, big},
        {"UnknownCoding", {Response("200 OK", raw, -1, "Content-Encoding: utf-8\r\n")}, raw},
        {"DeflateCutShort",
         {Response("200 OK", packed.chopped(12), -1, deflate)},
         {},
         "reply cut short",
         Failure::CutShort},
        {"DeflateOverTheLimitInflated",
         {Response("200 OK", packedTooBig, -1, deflate)},
         {},
         "reply larger than 2600 bytes",
         Failure::TooLarge},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server([&c](const QByteArray &) { return c.pieces; });
        HttpTransfer transfer;
        transfer.SetTimeout(c.timeout);
        transfer.SetMaxBodySize(big.size());
        const FetchResult result = transfer.Fetch(server.url);
        EXPECT_EQ(result.body, c.expected);
        EXPECT_EQ(result.ok, *c.cause == '\0');
        EXPECT_EQ(result.cause, QString::fromLatin1(c.cause));
        EXPECT_EQ(result.failure, c.failure);
        EXPECT_EQ(result.httpStatus, c.pieces[0].mid(c.pieces[0].lastIndexOf("HTTP/1.") + 9, 3).toInt());
        EXPECT_EQ(result.retryAfter, c.retryAfter);
    }
}

// One connection carries request after request; one the server closed while it lay idle is replaced
// without a failure, and a redirect is followed on the same connection.
TEST(HttpTransferTest, KeepsItsConnectionAndFollowsRedirects)
{
    int requests = 0;
    FakeServer server([&requests](const QByteArray &path) {
        switch (++requests) {
        case 1:
            return QList<QByteArray>{Response("302 Found", {}, -1, "Location: /moved\r\n")};
        case 3:
            return QList<QByteArray>{QByteArray()}; // closed without an answer
        default:
            return QList<QByteArray>{Response("200 OK", path)};
        }
    });
    HttpTransfer transfer;
    EXPECT_EQ(transfer.Fetch(server.url).body, "/moved");
    const FetchResult again = transfer.Fetch(server.url);
    EXPECT_TRUE(again.ok) << again.cause.toStdString();
    EXPECT_EQ(again.body, "/");
    EXPECT_EQ(requests, 4);
}

TEST(HttpTransferTest, AnUnreachableServerGivesNothingWithTheCause)
{
    const QUrl refused = FakeServer(nullptr).url; // closed again at the end of this line
    using Failure = FetchResult::Failure;
    const std::tuple<QUrl, const char *, Failure> cases[] = {
        {refused, "connection refused", Failure::ConnectionRefused},
        {QUrl(QStringLiteral("http://nonexistent.invalid/")), "host not found", Failure::HostNotFound},
        {QUrl(QStringLiteral("relative")), "invalid URL", Failure::InvalidUrl}};
    for (const auto &[url, cause, failure] : cases) {
        SCOPED_TRACE(cause);
        HttpTransfer transfer;
        const FetchResult result = transfer.Fetch(url);
        EXPECT_TRUE(result.body.isEmpty() && !result.ok && result.httpStatus == 0);
        EXPECT_EQ(result.cause, QString::fromLatin1(cause));
        EXPECT_EQ(result.failure, failure);
    }
}

// Destroying guards against Fetch() resuming into a transfer that a handler inside the wait destroyed.
TEST(HttpTransferTest, InsideTheWaitAFetchIsRefusedAndCancelOrDestructionEndsIt)
{
    FakeServer server([](const QByteArray &) { return QList<QByteArray>{Response("200 OK", "late")}; });
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroy" : "cancel");
        auto transfer = std::make_unique<HttpTransfer>();
        int finished = 0;
        QObject::connect(transfer.get(), &HttpTransfer::Finished, &server, [&finished] { ++finished; });
        FetchResult nested{"not run", 0, true, {}};
        QTimer::singleShot(50ms, &server, [&] { // the answer comes 100 ms after the request
            nested = transfer->Fetch(server.url);
            destroy ? transfer.reset() : transfer->Cancel();
        });
        const FetchResult outer = transfer->Fetch(server.url);
        EXPECT_TRUE(outer.body.isEmpty() && !outer.ok);
        EXPECT_EQ(outer.cause, QStringLiteral("cancelled"));
        EXPECT_EQ(outer.failure, FetchResult::Failure::Cancelled);
        EXPECT_TRUE(nested.body.isEmpty() && !nested.ok);
        EXPECT_EQ(transfer == nullptr, destroy);
        if (transfer) { // nothing of the cancelled request lingers
            EXPECT_EQ(finished, 1);
            EXPECT_EQ(transfer->Fetch(server.url).body, "late");
            EXPECT_EQ(finished, 2);
        }
    }
}

} // namespace
