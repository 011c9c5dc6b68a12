#include "HttpTransfer.h"

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

using namespace std::chrono_literals;

namespace {

// What the fixture sends for one request: the head (status line and headers, without the blank line)
// and then the body pieces, with a pause before each piece after the first.
struct Answer
{
    QByteArray head;
    QList<QByteArray> pieces;
    std::chrono::milliseconds pause{0};
    bool closeAfter = false;
};

Answer Respond(QByteArray status, const QByteArray &body)
{
    return {"HTTP/1.1 " + status +
                "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n",
            {body}};
}

// A keep-alive HTTP server in this thread; the transfer's nested event loop drives it.
class FakeServer : public QObject
{
public:
    // The handler sees each request head; std::nullopt means the request is never answered.
    using Handler = std::function<std::optional<Answer>(const QByteArray &requestHead)>;

    explicit FakeServer(Handler handler) : m_handler(std::move(handler))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::Accept);
        m_server.listen(QHostAddress::LocalHost);
    }

    [[nodiscard]] QUrl Url(const QString &path = QStringLiteral("/")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    [[nodiscard]] int Connections() const { return m_connections; }
    [[nodiscard]] const QList<QByteArray> &Requests() const { return m_requests; }

private:
    void Accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        }
    }

    void Read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer.append(socket->readAll());
        for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            m_requests.append(head);
            if (std::optional<Answer> answer = m_handler(head)) {
                socket->write(answer->head + "\r\n");
                Send(socket, std::move(*answer), 0);
            }
        }
    }

    void Send(QPointer<QTcpSocket> socket, Answer answer, qsizetype index)
    {
        if (!socket)
            return;
        if (index == answer.pieces.size()) {
            if (answer.closeAfter)
                socket->disconnectFromHost();
            return;
        }
        if (index == 0 || answer.pause == 0ms) {
            socket->write(answer.pieces.at(index));
            Send(socket, std::move(answer), index + 1);
            return;
        }
        socket->flush();
        const auto pause = answer.pause;
        QTimer::singleShot(pause, this, [this, socket, answer = std::move(answer), index]() mutable {
            if (socket)
                socket->write(answer.pieces.at(index));
            Send(socket, std::move(answer), index + 1);
        });
    }

    Handler m_handler;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QByteArray> m_requests;
    int m_connections = 0;
};

QByteArray Pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

struct BodyCase
{
    const char *name;
    QByteArray status;
    QByteArray body;
};

void PrintTo(const BodyCase &c, std::ostream *out)
{
    *out << c.name;
}

class HttpTransferBodyTest : public ::testing::TestWithParam<BodyCase>
{};

TEST_P(HttpTransferBodyTest, ReturnsTheBodyWhateverTheStatus)
{
    const BodyCase &c = GetParam();
    FakeServer server([&c](const QByteArray &) { return Respond(c.status, c.body); });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_EQ(transfer.Fetch(server.Url()), c.body);
    EXPECT_FALSE(transfer.RequestPending());
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, HttpTransferBodyTest,
    ::testing::Values(BodyCase{"Csv", "200 OK",
                               "Date,Open,High,Low,Close,Volume\n2013-05-03,1,2,0.5,1.5,100\n"},
                      BodyCase{"Empty", "200 OK", {}},
                      BodyCase{"NotFoundPage", "404 Not Found", "<html><body>No such symbol</body></html>\n"},
                      BodyCase{"ServerErrorPage", "500 Internal Server Error", "oops"},
                      // Bytes that are no valid UTF-8, a NUL and a byte-order mark must come back untouched.
                      BodyCase{"RawBytes", "200 OK",
                               QByteArray("\xEF\xBB\xBF"
                                          "Date\0\xFF\xFE\r\n",
                                          12)}),
    [](const ::testing::TestParamInfo<BodyCase> &info) { return info.param.name; });

TEST(HttpTransferTest, JoinsABodySentInPiecesWithPauses)
{
    const QByteArray body = Pattern(2500);
    FakeServer server([&body](const QByteArray &) {
        Answer answer = Respond("200 OK", body);
        answer.pieces = {body.left(1024), body.mid(1024, 1024), body.mid(2048)};
        answer.pause = 50ms;
        return answer;
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_EQ(transfer.Fetch(server.Url()), body);
}

TEST(HttpTransferTest, ABodyEndedByClosingTheConnectionIsComplete)
{
    const QByteArray body = Pattern(3000);
    FakeServer server([&body](const QByteArray &) {
        return Answer{"HTTP/1.1 200 OK\r\nConnection: close\r\n", {body}, 0ms, true};
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_EQ(transfer.Fetch(server.Url()), body);
}

TEST(HttpTransferTest, AConnectionClosedMidBodyFails)
{
    FakeServer server([](const QByteArray &) {
        return Answer{"HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n", {Pattern(1000)}, 0ms, true};
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_TRUE(transfer.Fetch(server.Url()).isEmpty());
    EXPECT_FALSE(transfer.RequestPending());
}

TEST(HttpTransferTest, AServerThatNeverAnswersTimesOut)
{
    FakeServer server([](const QByteArray &) { return std::nullopt; });
    HttpTransfer transfer;
    transfer.SetTimeout(300ms);

    EXPECT_TRUE(transfer.Fetch(server.Url()).isEmpty());
    EXPECT_FALSE(transfer.RequestPending());
    EXPECT_EQ(server.Requests().size(), 1);
}

// A body still trickling in when the time-out falls is thrown away, not handed over in part.
TEST(HttpTransferTest, TheTimeOutCoversTheWholeBody)
{
    FakeServer server([](const QByteArray &) {
        Answer answer = Respond("200 OK", Pattern(300));
        answer.pieces = {Pattern(100), Pattern(100), Pattern(100)};
        answer.pause = 2s;
        return answer;
    });
    HttpTransfer transfer;
    transfer.SetTimeout(300ms);

    EXPECT_TRUE(transfer.Fetch(server.Url()).isEmpty());
}

TEST(HttpTransferTest, ARefusedConnectionFails)
{
    quint16 port = 0;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_TRUE(transfer.Fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port))).isEmpty());
    EXPECT_FALSE(transfer.RequestPending());
}

TEST(HttpTransferTest, AnUnresolvableHostFails)
{
    HttpTransfer transfer;
    EXPECT_TRUE(transfer.Fetch(QUrl(QStringLiteral("http://nonexistent.invalid/"))).isEmpty());
    EXPECT_FALSE(transfer.RequestPending());
}

TEST(HttpTransferTest, ARequestThatCannotStartFails)
{
    HttpTransfer transfer;
    EXPECT_TRUE(transfer.Fetch(QUrl()).isEmpty());
    EXPECT_TRUE(transfer.Fetch(QUrl(QStringLiteral("nosuchscheme://127.0.0.1/"))).isEmpty());
    EXPECT_FALSE(transfer.RequestPending());
}

TEST(HttpTransferTest, CancelFromAHandlerInsideTheWaitEndsTheFetch)
{
    FakeServer server([](const QByteArray &) { return std::nullopt; });
    HttpTransfer transfer; // default 10 s time-out: only Cancel() can end this wait early
    bool pendingInHandler = false;
    QTimer::singleShot(100ms, &transfer, [&transfer, &pendingInHandler] {
        pendingInHandler = transfer.RequestPending();
        transfer.Cancel();
    });

    EXPECT_TRUE(transfer.Fetch(server.Url()).isEmpty());
    EXPECT_TRUE(pendingInHandler);
    EXPECT_FALSE(transfer.RequestPending());
}

// The owner may be torn down by a handler running inside the wait; Fetch must not touch the dead object.
TEST(HttpTransferTest, DestroyingTheTransferInsideTheWaitEndsTheFetch)
{
    FakeServer server([](const QByteArray &) { return std::nullopt; });
    auto transfer = std::make_unique<HttpTransfer>();
    QTimer::singleShot(100ms, &server, [&transfer] { transfer.reset(); });

    EXPECT_TRUE(transfer->Fetch(server.Url()).isEmpty());
    EXPECT_EQ(transfer, nullptr);
}

TEST(HttpTransferTest, ASecondFetchDuringTheWaitIsRefused)
{
    const QByteArray body = Pattern(200);
    FakeServer server([&body](const QByteArray &) {
        Answer answer = Respond("200 OK", body);
        answer.pieces = {body.left(100), body.mid(100)};
        answer.pause = 300ms;
        return answer;
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);
    std::optional<QByteArray> nested;
    QTimer::singleShot(50ms, &transfer, [&] { nested = transfer.Fetch(server.Url()); });

    EXPECT_EQ(transfer.Fetch(server.Url()), body);
    ASSERT_TRUE(nested.has_value());
    EXPECT_TRUE(nested->isEmpty());
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST(HttpTransferTest, CancelWhenIdleChangesNothing)
{
    FakeServer server([](const QByteArray &) { return Respond("200 OK", "body"); });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);
    transfer.Cancel();

    EXPECT_FALSE(transfer.RequestPending());
    EXPECT_EQ(transfer.Fetch(server.Url()), "body");
    transfer.Cancel();
    EXPECT_EQ(transfer.Fetch(server.Url()), "body");
}

TEST(HttpTransferTest, RequestsInARowReuseOneConnection)
{
    FakeServer server([](const QByteArray &head) {
        return Respond("200 OK", head.startsWith("GET /a ") ? "first" : "second");
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);

    EXPECT_EQ(transfer.Fetch(server.Url(QStringLiteral("/a"))), "first");
    EXPECT_EQ(transfer.Fetch(server.Url(QStringLiteral("/b"))), "second");
    EXPECT_EQ(transfer.Fetch(server.Url(QStringLiteral("/a"))), "first");
    EXPECT_EQ(server.Connections(), 1);
}

// Each request starts clean: nothing of an abandoned request leaks into the next one.
TEST(HttpTransferTest, AFetchAfterATimeOutStartsAfresh)
{
    int served = 0;
    FakeServer server([&served](const QByteArray &) -> std::optional<Answer> {
        if (served++ == 0)
            return std::nullopt;
        return Respond("200 OK", "fresh");
    });
    HttpTransfer transfer;
    transfer.SetTimeout(300ms);

    EXPECT_TRUE(transfer.Fetch(server.Url()).isEmpty());
    transfer.SetTimeout(5s);
    EXPECT_EQ(transfer.Fetch(server.Url()), "fresh");
}

struct LimitCase
{
    const char *name;
    qsizetype bodySize;
    bool kept;
};

void PrintTo(const LimitCase &c, std::ostream *out)
{
    *out << c.name;
}

class HttpTransferLimitTest : public ::testing::TestWithParam<LimitCase>
{};

TEST_P(HttpTransferLimitTest, ABodyOverTheLimitIsAbandoned)
{
    const LimitCase &c = GetParam();
    const QByteArray body = Pattern(c.bodySize);
    FakeServer server([&body](const QByteArray &) {
        Answer answer = Respond("200 OK", body);
        answer.pieces = {body.left(600), body.mid(600)};
        answer.pause = 20ms;
        return answer;
    });
    HttpTransfer transfer;
    transfer.SetTimeout(5s);
    transfer.SetMaxBodySize(1000);

    EXPECT_EQ(transfer.Fetch(server.Url()), c.kept ? body : QByteArray());
    EXPECT_FALSE(transfer.RequestPending());
}

INSTANTIATE_TEST_SUITE_P(Limits, HttpTransferLimitTest,
                         ::testing::Values(LimitCase{"AtTheLimit", 1000, true},
                                           LimitCase{"OneByteOver", 1001, false},
                                           LimitCase{"FarOver", 100000, false}),
                         [](const ::testing::TestParamInfo<LimitCase> &info) { return info.param.name; });

} // namespace
