#include "QuoteServer.h"

#include "QuoteHistory.h"

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

// The value of one query parameter, percent-decoded; a null array when it is absent.
QByteArray QueryValue(const QByteArray &query, const QByteArray &name)
{
    for (const QByteArray &pair : query.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals >= 0 && pair.left(equals) == name)
            return QByteArray::fromPercentEncoding(pair.mid(equals + 1));
    }
    return {};
}

// The last run of digits, so both "2013" and "Jan+1, 2013" give 2013; 0 when there is none.
int TrailingYear(const QByteArray &text)
{
    qsizetype end = text.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1])))
        --end;
    qsizetype begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1])))
        --begin;
    bool ok = false;
    const int year = text.mid(begin, end - begin).toInt(&ok);
    return ok ? year : 0;
}

// The first run of digits, so "2013-01-01" gives 2013; 0 when there is none.
int LeadingYear(const QByteArray &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && !std::isdigit(static_cast<unsigned char>(text[begin])))
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    bool ok = false;
    const int year = text.mid(begin, end - begin).toInt(&ok);
    return ok ? year : 0;
}

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

QByteArray HeaderValue(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

QuoteServer::QuoteServer(Options options, QObject *parent) : QObject(parent), m_options(std::move(options))
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
        const bool close = version != "HTTP/1.1" ||
                           HeaderValue(head, "Connection").compare("close", Qt::CaseInsensitive) == 0;
        Handling handling = Handling::Answer;
        Reply reply;
        if (request.size() != 3 || (request.at(0) != "GET" && request.at(0) != "HEAD"))
            reply = {"400 Bad Request", "text/html", ErrorPage("Bad Request", "Only GET is served.")};
        else
            reply = Answer(request.at(1), head, handling);
        if (handling == Handling::Hang) {
            connection.busy = true;
            return;
        }

        const QByteArray response = "HTTP/1.1 " + reply.status + "\r\nContent-Type: " + reply.contentType +
                                    "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                                    "\r\nCache-Control: no-cache\r\n" +
                                    (close ? "Connection: close\r\n" : "") + "\r\n";
        if (request.at(0) == "HEAD")
            reply.body.clear();
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

QuoteServer::Reply QuoteServer::Answer(const QByteArray &target, const QByteArray &head,
                                       Handling &handling) const
{
    const qsizetype question = target.indexOf('?');
    const QByteArray path = target.left(question);
    const QByteArray query = question >= 0 ? target.mid(question + 1) : QByteArray();

    enum class Form { Yahoo, Google, QuoteMedia, Eodhd, Tiingo } form{};
    QByteArray symbol;
    int year = 0;
    static constexpr QByteArrayView kEodhdPath = "/api/eod/";
    static constexpr QByteArrayView kTiingoPath = "/tiingo/daily/";
    const QList<QByteArray> segments = path.split('/');
    if (path.startsWith(kEodhdPath) && segments.size() == 4) {
        if (!TokenAccepted(QueryValue(query, "api_token")))
            return {"401 Unauthorized", "text/plain", "Unauthenticated"};
        symbol = QByteArray::fromPercentEncoding(segments[3]);
        // The exchange suffix names where the symbol trades; the history is the symbol's own.
        if (const qsizetype dot = symbol.lastIndexOf('.'); dot > 0)
            symbol.truncate(dot);
        if (symbol.isEmpty() || m_options.unknown.contains(symbol.toUpper()))
            return {"404 Not Found", "text/plain", "Ticker Not Found."};
        form = Form::Eodhd;
        year = LeadingYear(QueryValue(query, "from"));
    } else if (path.startsWith(kTiingoPath) && segments.size() == 5 && segments[4] == "prices") {
        const QByteArray authorization = HeaderValue(head, "Authorization");
        if (!authorization.startsWith("Token ") || !TokenAccepted(authorization.mid(6).trimmed()))
            return {"401 Unauthorized", "application/json", JsonDetail("Invalid token.")};
        symbol = QByteArray::fromPercentEncoding(segments[3]);
        if (symbol.isEmpty() || m_options.unknown.contains(symbol.toUpper()))
            return {"404 Not Found", "application/json",
                    JsonDetail("Error: Ticker '" + symbol.toUpper() + "' not found")};
        form = Form::Tiingo;
        year = LeadingYear(QueryValue(query, "startDate"));
    } else if (path == "/table.csv") {
        form = Form::Yahoo;
        symbol = QueryValue(query, "s");
        year = TrailingYear(QueryValue(query, "c"));
    } else if (path == "/finance/historical") {
        form = Form::Google;
        symbol = QueryValue(query, "q");
        year = TrailingYear(QueryValue(query, "startdate"));
    } else if (path == "/quotetools/getHistoryDownload.csv") {
        form = Form::QuoteMedia;
        symbol = QueryValue(query, "symbol");
        year = TrailingYear(QueryValue(query, "startYear"));
    } else {
        return {"404 Not Found", "text/html", ErrorPage("Not Found", "No such page.")};
    }

    const QByteArray key = symbol.toUpper();
    if (key.isEmpty() || m_options.unknown.contains(key))
        return {"404 Not Found", "text/html",
                ErrorPage("Not Found", "No historical data for the symbol " + HtmlEscaped(symbol) + '.')};
    if (year < 1900 || year > 9999)
        return {"400 Bad Request", "text/html", ErrorPage("Bad Request", "The start year is missing.")};
    if (m_options.hang.contains(key)) {
        handling = Handling::Hang;
        return {};
    }
    if (m_options.slow.contains(key))
        handling = Handling::Slow;

    const QDate endDate = m_options.endDate.isValid() ? m_options.endDate : QDate::currentDate();
    const QuoteHistory history(key, QDate(year, 1, 1), endDate);
    switch (form) {
    case Form::Yahoo:
        return {"200 OK", "text/csv", history.YahooCsv()};
    case Form::Google:
        return {"200 OK", "text/csv; charset=utf-8", history.GoogleCsv()};
    case Form::QuoteMedia:
        return {"200 OK", "text/csv", history.QuoteMediaCsv()};
    case Form::Eodhd:
        return {"200 OK", "text/csv", history.EodhdCsv()};
    case Form::Tiingo:
        return {"200 OK", "text/csv", history.TiingoCsv()};
    }
    return {};
}
