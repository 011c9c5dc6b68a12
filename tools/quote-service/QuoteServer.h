#pragma once

#include "QuoteHistory.h"
#include "QuoteRequest.h"
#include "RequestLimits.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

// Answers the six historical-quote request forms over HTTP/1.1 with keep-alive, over TLS when given a
// certificate.
class QuoteServer : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QDate endDate;                        // invalid: today, taken per request
        QSet<QByteArray> unknown;             // upper-case symbols answered with a 404 page
        QSet<QByteArray> hang;                // accepted and never answered
        QSet<QByteArray> slow;                // body sent in small pieces over a few seconds
        QByteArray token;                     // the API token the token services accept; empty: any but none
        std::chrono::milliseconds latency{0}; // wait before the first byte of every reply
        QSslCertificate certificate;          // with the key: serve TLS
        QSslKey key;
        bool logConnections = false;  // a line on standard output for each connection accepted
        bool logRequests = false;     // a line on standard output for each request, tokens hidden
        RequestLimits::Rate rate;     // requests in any sliding window; count 0: no limit
        qint64 allowance = -1;        // requests served in all before every later one is refused
        QHash<QByteArray, int> flaky; // upper-case symbol: how many of its first requests get a 503
        QHash<QByteArray, QuoteHistory::Fault> faulty; // upper-case symbol: the fault its history has
        QList<QByteArray> universe;   // the symbols of the market-day forms, "SYM" or "SYM.EXCHANGE"
        bool refuseMarketDay = false; // answer the market-day forms as a plan without access to them
        // The time the rate limit counts by; empty: the steady clock. Tests pass the one their client uses.
        std::function<std::chrono::steady_clock::time_point()> now;
    };

    explicit QuoteServer(Options options, QObject *parent = nullptr);

    [[nodiscard]] bool Listen(quint16 port);
    [[nodiscard]] quint16 Port() const { return m_server->serverPort(); }
    [[nodiscard]] QString ErrorString() const { return m_server->errorString(); }
    // Every request answered, as "status target" with tokens hidden, for tests that run the server in
    // their own process.
    [[nodiscard]] const QList<QByteArray> &Answered() const { return m_answered; }
    // The bytes of every reply body sent, for benchmarks that weigh what a run moves.
    [[nodiscard]] qint64 BodyBytesSent() const { return m_bodyBytes; }

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
        QByteArray headers{}; // extra header lines, each with its CRLF
    };
    enum class Handling { Answer, Hang, Slow };

    void Accept();
    void Serve(QTcpSocket *socket);
    [[nodiscard]] Reply Answer(const QByteArray &target, const QByteArray &head, Handling &handling);
    [[nodiscard]] std::optional<Reply> Refusal(QuoteForm form);
    [[nodiscard]] Reply MarketDayReply(const QuoteRequest &request, QDate endDate) const;
    [[nodiscard]] Reply TwelveDataReply(const QuoteRequest &request, QDate endDate, Handling &handling) const;
    void LogRequest(const QByteArray &status, const QByteArray &target) const;
    [[nodiscard]] bool TokenAccepted(const QByteArray &token) const;
    void Send(QTcpSocket *socket, const QByteArray &response, QByteArray body, Handling handling, bool close);
    void SendSlowly(QTcpSocket *socket, QByteArray data, qsizetype pieceSize, bool close);
    void Resume(QTcpSocket *socket);

    Options m_options;
    std::unique_ptr<QTcpServer> m_server;
    int m_accepted = 0;
    QHash<QTcpSocket *, Connection> m_connections;
    RequestLimits m_limits;
    QHash<QByteArray, int> m_flakyLeft;
    QList<QByteArray> m_answered;
    qint64 m_bodyBytes = 0;
};
