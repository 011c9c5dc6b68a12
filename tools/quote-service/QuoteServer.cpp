#include "QuoteServer.h"

#include "QuoteHistory.h"
#include "SymbolTable.h"

#include <QDateTime>
#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

constexpr int kSlowPieces = 30;
constexpr auto kSlowPause = 100ms;
constexpr qsizetype kMaxRequestHead = 64 * 1024;

QByteArray JsonDetail(const QByteArray &text)
{
    QByteArray escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\')
            escaped.append('\\');
        if (static_cast<unsigned char>(c) >= 0x20)
            escaped.append(c);
    }
    return "{\"detail\":\"" + escaped + "\"}";
}

QByteArray ErrorPage(const QByteArray &title, const QByteArray &message)
{
    return "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head>\n<body><h1>" + title +
           "</h1>\n<p>" + message + "</p></body></html>\n";
}

QByteArray HtmlEscaped(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append("&amp;");
            break;
        case '"':
            out.append("&quot;");
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

QByteArray TwelveDataError(int code, const QByteArray &message)
{
    return "{\"code\":" + QByteArray::number(code) + ",\"message\":\"" + message + "\",\"status\":\"error\"}";
}

// Whole seconds to the next UTC midnight that is more than five minutes off, so that a spent daily
// allowance never looks like a short pause.
qint64 SecondsToMidnight()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 seconds = now.secsTo(QDateTime(now.date().addDays(1), QTime(0, 0), Qt::UTC));
    return seconds > 300 ? seconds : seconds + 86400;
}

QByteArray RetryAfter(qint64 seconds)
{
    return "Retry-After: " + QByteArray::number(seconds) + "\r\n";
}

} // namespace

QuoteServer::QuoteServer(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_limits(m_options.rate, m_options.allowance),
      m_flakyLeft(m_options.flaky)
{
    if (m_options.certificate.isNull()) {
        m_server = std::make_unique<QTcpServer>();
    } else {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(m_options.certificate);
        configuration.setPrivateKey(m_options.key);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(configuration);
        m_server = std::move(server);
    }
    // A TLS connection is pending only once its handshake is done.
    connect(m_server.get(), &QTcpServer::newConnection, this, &QuoteServer::Accept);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &QuoteServer::Accept);
}

bool QuoteServer::Listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

void QuoteServer::Accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_options.logConnections) {
            std::printf("Connection %d accepted\n", ++m_accepted);
            std::fflush(stdout);
        }
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void QuoteServer::Serve(QTcpSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    Connection &connection = *found;
    connection.buffer.append(socket->readAll());
    while (!connection.busy) {
        const qsizetype end = connection.buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (connection.buffer.size() > kMaxRequestHead)
                socket->abort();
            return;
        }
        const QByteArray head = connection.buffer.left(end);
        connection.buffer.remove(0, end + 4);

        // Request line: METHOD TARGET VERSION
        const QList<QByteArray> request = head.left(head.indexOf("\r\n")).split(' ');
        const QByteArray version = request.size() == 3 ? request.at(2) : QByteArray();
        const bool close =
            version != "HTTP/1.1" ||
            QuoteRequest::HeaderValue(head, "Connection").compare("close", Qt::CaseInsensitive) == 0;
        Handling handling = Handling::Answer;
        Reply reply;
        if (request.size() != 3 || (request.at(0) != "GET" && request.at(0) != "HEAD"))
            reply = {"400 Bad Request", "text/html", ErrorPage("Bad Request", "Only GET is served.")};
        else
            reply = Answer(request.at(1), head, handling);
        const QByteArray status = handling == Handling::Hang ? QByteArray("-") : reply.status.left(3);
        m_answered.append(status + ' ' + QuoteRequest::MaskedTarget(request.value(1)));
        if (m_options.logRequests)
            LogRequest(status, request.value(1));
        if (handling == Handling::Hang) {
            connection.busy = true;
            return;
        }

        const QByteArray response = "HTTP/1.1 " + reply.status + "\r\nContent-Type: " + reply.contentType +
                                    "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                                    "\r\nCache-Control: no-cache\r\n" + reply.headers +
                                    (close ? "Connection: close\r\n" : "") + "\r\n";
        if (request.at(0) == "HEAD")
            reply.body.clear();
        m_bodyBytes += reply.body.size();
        if (m_options.latency.count() > 0 || handling == Handling::Slow) {
            // Later requests on this connection wait for this reply, as HTTP/1.1 has it.
            connection.busy = true;
            QTimer::singleShot(
                m_options.latency, socket,
                [this, socket, response, body = std::move(reply.body), handling, close]() mutable {
                    Send(socket, response, std::move(body), handling, close);
                });
            return;
        }
        socket->write(response + reply.body);
        if (close) {
            socket->disconnectFromHost();
            return;
        }
    }
}

void QuoteServer::Send(QTcpSocket *socket, const QByteArray &response, QByteArray body, Handling handling,
                       bool close)
{
    if (handling == Handling::Slow) {
        socket->write(response);
        const qsizetype piece = std::max<qsizetype>(1, (body.size() + kSlowPieces - 1) / kSlowPieces);
        SendSlowly(socket, std::move(body), piece, close);
        return;
    }
    socket->write(response + body);
    if (close)
        socket->disconnectFromHost();
    else
        Resume(socket);
}

void QuoteServer::Resume(QTcpSocket *socket)
{
    if (const auto found = m_connections.find(socket); found != m_connections.end()) {
        found->busy = false;
        Serve(socket);
    }
}

void QuoteServer::SendSlowly(QTcpSocket *socket, QByteArray data, qsizetype pieceSize, bool close)
{
    QTimer::singleShot(kSlowPause, socket,
                       [this, socket, data = std::move(data), pieceSize, close]() mutable {
                           socket->write(data.left(pieceSize));
                           data.remove(0, std::min(pieceSize, data.size()));
                           if (!data.isEmpty())
                               SendSlowly(socket, std::move(data), pieceSize, close);
                           else if (close)
                               socket->disconnectFromHost();
                           else
                               Resume(socket);
                       });
}

bool QuoteServer::TokenAccepted(const QByteArray &token) const
{
    return m_options.token.isEmpty() ? !token.isEmpty() : token == m_options.token;
}

void QuoteServer::LogRequest(const QByteArray &status, const QByteArray &target) const
{
    const QByteArray time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1();
    std::printf("%s %s %s\n", time.constData(), status.constData(),
                QuoteRequest::MaskedTarget(target).constData());
    std::fflush(stdout);
}

std::optional<QuoteServer::Reply> QuoteServer::Refusal(QuoteForm form)
{
    const RequestLimits::Decision decision =
        m_limits.Admit(m_options.now ? m_options.now() : RequestLimits::Clock::now());
    switch (decision.verdict) {
    case RequestLimits::Verdict::Serve:
        return std::nullopt;
    case RequestLimits::Verdict::TooFast: {
        const QByteArray retry = RetryAfter(decision.retryAfter.count());
        if (form == QuoteForm::TwelveData) {
            const int count = m_options.rate.count;
            return Reply{"429 Too Many Requests", "application/json",
                         TwelveDataError(429, "You have run out of API credits for the current minute. " +
                                                  QByteArray::number(count + 1) +
                                                  " API credits were used, with the current limit being " +
                                                  QByteArray::number(count) +
                                                  ". Wait for the next minute or consider switching to a "
                                                  "higher tier plan at https://twelvedata.com/pricing"),
                         retry};
        }
        return Reply{"429 Too Many Requests", "text/plain", "Too Many Requests", retry};
    }
    case RequestLimits::Verdict::AllowanceSpent:
        break;
    }
    const qint64 allowance = m_limits.Allowance();
    switch (form) {
    case QuoteForm::Eodhd:
        return Reply{"402 Payment Required", "text/plain",
                     "You exceeded your daily API requests limit. Please, upgrade your plan."};
    case QuoteForm::Tiingo:
        return Reply{"429 Too Many Requests", "text/plain",
                     "Error: You have run over your hourly request allocation. Please upgrade at "
                     "https://api.tiingo.com/pricing to have your limits increased."};
    case QuoteForm::TwelveData:
        return Reply{"200 OK", "application/json",
                     TwelveDataError(429, "You have run out of API credits for the day. " +
                                              QByteArray::number(allowance + 1) +
                                              " API credits were used, with the current limit being " +
                                              QByteArray::number(allowance) +
                                              ". Wait for the next day or consider switching to a higher "
                                              "tier plan at https://twelvedata.com/pricing")};
    case QuoteForm::Yahoo:
    case QuoteForm::Google:
    case QuoteForm::QuoteMedia:
        break;
    }
    return Reply{"429 Too Many Requests", "text/plain", "Too Many Requests", RetryAfter(SecondsToMidnight())};
}

QuoteServer::Reply QuoteServer::Answer(const QByteArray &target, const QByteArray &head, Handling &handling)
{
    if (const std::optional<SymbolSearch> search = SymbolSearch::Parse(target, head)) {
        if (std::optional<Reply> refused = Refusal(search->form))
            return *std::move(refused);
        if (!TokenAccepted(search->token))
            return {"401 Unauthorized", "application/json", JsonDetail("Invalid token.")};
        // EODHD's demo token serves a few histories and no search.
        if (search->form == QuoteForm::Eodhd && search->token == "demo")
            return {"403 Forbidden", "application/json", "{\"error\":\"Forbidden\",\"code\":403}"};
        return {"200 OK", "application/json", search->Matches()};
    }
    const std::optional<QuoteRequest> parsed = QuoteRequest::Parse(target, head);
    if (!parsed)
        return {"404 Not Found", "text/html", ErrorPage("Not Found", "No such page.")};
    const QuoteRequest &request = *parsed;
    if (std::optional<Reply> refused = Refusal(request.form))
        return *std::move(refused);
    const QByteArray key = request.symbol.toUpper();
    if (const auto flaky = m_flakyLeft.find(key); flaky != m_flakyLeft.end() && *flaky > 0) {
        --*flaky;
        return {"503 Service Unavailable", "text/html",
                ErrorPage("Service Unavailable", "The server is busy; try again later.")};
    }
    const QDate endDate = m_options.endDate.isValid() ? m_options.endDate : QDate::currentDate();
    if (request.form == QuoteForm::TwelveData)
        return TwelveDataReply(request, endDate, handling);

    const QByteArray &symbol = request.symbol;
    const bool unknown = key.isEmpty() || m_options.unknown.contains(key);
    if (request.form == QuoteForm::Eodhd) {
        if (!TokenAccepted(request.token))
            return {"401 Unauthorized", "text/plain", "Unauthenticated"};
        if (unknown)
            return {"404 Not Found", "text/plain", "Ticker Not Found."};
    } else if (request.form == QuoteForm::Tiingo) {
        if (!TokenAccepted(request.token))
            return {"401 Unauthorized", "application/json", JsonDetail("Invalid token.")};
        if (unknown)
            return {"404 Not Found", "application/json", JsonDetail("Error: Ticker '" + key + "' not found")};
    }
    if (unknown)
        return {"404 Not Found", "text/html",
                ErrorPage("Not Found", "No historical data for the symbol " + HtmlEscaped(symbol) + '.')};
    if (!request.start || !request.start->isValid() || request.start->year() < 1900)
        return {"400 Bad Request", "text/html",
                ErrorPage("Bad Request", "The start date is missing or not a date.")};
    if (m_options.hang.contains(key)) {
        handling = Handling::Hang;
        return {};
    }
    if (m_options.slow.contains(key))
        handling = Handling::Slow;

    QuoteHistory history(key, *request.start, endDate);
    // EODHD's "to" and Tiingo's endDate keep their own day.
    const QByteArray lastDay =
        QuoteRequest::QueryValue(request.query, request.form == QuoteForm::Eodhd    ? "to"
                                                : request.form == QuoteForm::Tiingo ? "endDate"
                                                                                    : "");
    if (!lastDay.isEmpty()) {
        const QDate last = QDate::fromString(QString::fromLatin1(lastDay), Qt::ISODate);
        if (!last.isValid())
            return {"400 Bad Request", "text/html", ErrorPage("Bad Request", "The end date is not a date.")};
        history.CutAfter(last);
    }
    switch (request.form) {
    case QuoteForm::Yahoo:
        return {"200 OK", "text/csv", history.YahooCsv()};
    case QuoteForm::Google:
        return {"200 OK", "text/csv; charset=utf-8", history.GoogleCsv()};
    case QuoteForm::QuoteMedia:
        return {"200 OK", "text/csv", history.QuoteMediaCsv()};
    case QuoteForm::Eodhd:
        return {"200 OK", "text/csv", history.EodhdCsv()};
    case QuoteForm::Tiingo:
        return {"200 OK", "text/csv", history.TiingoCsv()};
    case QuoteForm::TwelveData:
        break;
    }
    return {};
}

QuoteServer::Reply QuoteServer::TwelveDataReply(const QuoteRequest &request, QDate endDate,
                                                Handling &handling) const
{
    const auto error = [](const QByteArray &message) {
        return Reply{"200 OK", "application/json", TwelveDataError(400, message)};
    };
    if (!TokenAccepted(request.token))
        return {"401 Unauthorized", "application/json",
                TwelveDataError(401,
                                "**apikey** parameter is incorrect or not specified. You can get your "
                                "free API key instantly following this link: "
                                "https://twelvedata.com/pricing. If you believe that everything is "
                                "correct, you can contact us at https://twelvedata.com/contact/customer")};
    const QByteArray key = request.symbol.toUpper();
    if (key.isEmpty() || m_options.unknown.contains(key))
        return error("**symbol** not found: " + request.symbol +
                     ". Please specify it correctly according to API Documentation.");
    const auto value = [&](const char *name) { return QuoteRequest::QueryValue(request.query, name); };
    if (value("interval") != "1day")
        return error("**interval** is not supported here; ask for 1day.");
    if (value("format").compare("csv", Qt::CaseInsensitive) != 0)
        return error("**format** is not supported here; ask for CSV.");
    const QByteArray sizeText = value("outputsize");
    bool sizeOk = sizeText.isNull();
    const int outputSize = sizeOk ? 30 : sizeText.toInt(&sizeOk);
    if (!sizeOk || outputSize < 1 || outputSize > 5000)
        return error("**outputsize** must be a number from 1 to 5000.");
    static const QHash<QByteArray, QuoteHistory::Adjust> kAdjust = {
        {"all", QuoteHistory::Adjust::All},
        {"splits", QuoteHistory::Adjust::Splits},
        {"dividends", QuoteHistory::Adjust::Dividends},
        {"none", QuoteHistory::Adjust::None}};
    const QByteArray adjust = value("adjust");
    if (!adjust.isNull() && !kAdjust.contains(adjust))
        return error("**adjust** must be all, splits, dividends or none.");
    const QByteArray order = value("order");
    if (!order.isNull() && order.compare("asc", Qt::CaseInsensitive) != 0 &&
        order.compare("desc", Qt::CaseInsensitive) != 0)
        return error("**order** must be asc or desc.");
    QDate last = endDate;
    if (const QByteArray end = value("end_date"); !end.isNull()) {
        last = QDate::fromString(QString::fromLatin1(end.left(10)), Qt::ISODate);
        if (!last.isValid())
            return error("**end_date** is not a date.");
        // A daily series ends the day before: asked to end on 2020-05-06, its newest bar is 2020-05-05.
        last = last.addDays(-1);
    }
    // Without a start the reply is the newest bars only, so nothing much older need be made.
    QDate start = request.start.value_or(std::min(last, endDate).addDays(-(outputSize * 7 / 5 + 14)));
    if (!start.isValid())
        return error("**start_date** is not a date.");
    start = std::max(start, QDate(1900, 1, 1));
    if (m_options.hang.contains(key)) {
        handling = Handling::Hang;
        return {};
    }
    if (m_options.slow.contains(key))
        handling = Handling::Slow;
    const QuoteHistory history(key, start, endDate);
    if (history.BarsThrough(last) == 0)
        return error("No data is available on the specified dates. Try setting different start/end dates.");
    return {"200 OK", "text/csv",
            history.TwelveDataCsv(last, outputSize, kAdjust.value(adjust, QuoteHistory::Adjust::All),
                                  order.compare("asc", Qt::CaseInsensitive) == 0)};
}
