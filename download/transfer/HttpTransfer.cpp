#include "HttpTransfer.h"

#include "HttpResponseReader.h"

#include <QEventLoop>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>

#include <zlib.h>

#include <utility>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

QList<QSslCertificate> &ExtraCaCertificates()
{
    static QList<QSslCertificate> certificates;
    return certificates;
}

constexpr int kMostRedirects = 5;

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

// Inflates a gzip or zlib body as it arrives. Qt's own decompression takes a stream that stops short
// for a whole body, so the transfer asks for compression itself and checks that the stream ended.
class HttpTransfer::Inflater
{
public:
    enum class Status { Ok, Corrupt, TooLarge };

    Inflater() { m_ready = inflateInit2(&m_stream, 15 + 32) == Z_OK; } // 32: gzip or zlib header
    ~Inflater()
    {
        if (m_ready)
            inflateEnd(&m_stream);
    }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Appends what `input` inflates to onto `output`, which may not grow beyond `limit`.
    Status Feed(const QByteArray &input, QByteArray &output, qint64 limit)
    {
        if (!m_ready)
            return Status::Corrupt;
        if (!m_rawTried && m_stream.total_out == 0)
            m_head += input;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
        m_stream.avail_in = uInt(input.size());
        for (;;) {
            if (m_ended) {
                if (m_stream.avail_in == 0)
                    return Status::Ok;
                // Another gzip member follows.
                if (inflateReset(&m_stream) != Z_OK)
                    return Status::Corrupt;
                m_ended = false;
            }
            Bytef buffer[16384];
            m_stream.next_out = buffer;
            m_stream.avail_out = sizeof buffer;
            const int status = inflate(&m_stream, Z_NO_FLUSH);
            if (status == Z_DATA_ERROR && !m_rawTried && m_stream.total_out == 0) {
                // Some servers send "deflate" as a bare stream, without the zlib header.
                m_rawTried = true;
                inflateEnd(&m_stream);
                m_stream = {};
                m_ready = inflateInit2(&m_stream, -15) == Z_OK;
                return Feed(std::exchange(m_head, {}), output, limit);
            }
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
                return Status::Corrupt;
            const auto produced = qsizetype(sizeof buffer - m_stream.avail_out);
            if (output.size() + produced > limit)
                return Status::TooLarge;
            output.append(reinterpret_cast<const char *>(buffer), produced);
            if (status == Z_STREAM_END)
                m_ended = true;
            else if (status == Z_BUF_ERROR || (m_stream.avail_in == 0 && m_stream.avail_out != 0))
                return Status::Ok;
        }
    }

    [[nodiscard]] bool Ended() const { return m_ended; }

private:
    z_stream m_stream{};
    bool m_ready = false;
    bool m_ended = false;
    bool m_rawTried = false;
    QByteArray m_head; // the input so far, while it has given no output
};

HttpTransfer::HttpTransfer(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this,
            [this] { Complete(FetchResult::Failure::Timeout, TimeoutCause()); });
}

HttpTransfer::~HttpTransfer()
{
    // A Fetch() further up the stack must not resume into a destroyed object; it checks for this.
    if (m_loop)
        m_loop->quit();
    DropConnection();
}

void HttpTransfer::SetTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

void HttpTransfer::SetMaxBodySize(qint64 bytes)
{
    m_maxBodySize = bytes;
}

void HttpTransfer::SetExtraCaCertificates(const QList<QSslCertificate> &certificates)
{
    ExtraCaCertificates() = certificates;
}

bool HttpTransfer::RequestPending() const
{
    return m_pending;
}

void HttpTransfer::Start(const QUrl &url, const Headers &headers)
{
    if (m_pending)
        return;
    m_pending = true;
    m_result = {};
    m_url = url;
    m_headers = headers;
    m_redirects = 0;
    const quint64 generation = ++m_generation;
    m_timer->start(m_timeout);

    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.isRelative() || url.host().isEmpty() ||
        (scheme != u"http" && scheme != u"https")) {
        // Finished() never comes from inside Start(): callers connect after starting.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation)
                Complete(FetchResult::Failure::InvalidUrl, QStringLiteral("invalid URL"));
        });
        return;
    }
    Send();
}

void HttpTransfer::Send()
{
    m_encodingKnown = false;
    m_tlsError.clear();
    m_inflater.reset();
    m_received = 0;
    m_result.body.clear();
    m_reader = std::make_unique<HttpResponseReader>();

    const bool tls = m_url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    const int port = m_url.port(tls ? 443 : 80);
    const QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
    const QByteArray target =
        m_url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    const QByteArray connectTo = (tls ? "https://" : "http://") + host + ':' + QByteArray::number(port);
    QByteArray request = "GET " + (target.startsWith('/') ? target : '/' + target) +
                         " HTTP/1.1\r\nHost: " + (m_url.host().contains(u':') ? '[' + host + ']' : host);
    if (port != (tls ? 443 : 80))
        request += ':' + QByteArray::number(port);
    request += "\r\n";
    bool encodingAsked = false;
    bool agentGiven = false;
    for (const auto &[name, value] : std::as_const(m_headers)) {
        request += name + ": " + value + "\r\n";
        encodingAsked = encodingAsked || name.compare("Accept-Encoding", Qt::CaseInsensitive) == 0;
        agentGiven = agentGiven || name.compare("User-Agent", Qt::CaseInsensitive) == 0;
    }
    // Inflater reads what comes compressed, and checks that the stream ended.
    if (!encodingAsked)
        request += "Accept-Encoding: gzip, deflate\r\n";
    if (!agentGiven)
        request += "User-Agent: Mozilla/5.0\r\n";
    request += "Connection: keep-alive\r\n\r\n";

    m_reused = m_socket && m_connectedTo == connectTo && m_socket->state() == QAbstractSocket::ConnectedState;
    if (!m_reused) {
        DropConnection();
        m_socket = new QSslSocket(this);
        m_connectedTo = connectTo;
        connect(m_socket, &QSslSocket::readyRead, this, &HttpTransfer::OnReadyRead);
        connect(m_socket, &QSslSocket::disconnected, this, &HttpTransfer::OnClosed);
        connect(m_socket, &QSslSocket::errorOccurred, this, &HttpTransfer::OnSocketError);
        // Certificate errors are left unignored, so the handshake fails; the first one is the cause.
        connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
            if (m_tlsError.isEmpty() && !errors.isEmpty())
                m_tlsError = errors.first().errorString();
        });
        const QString hostName = m_url.host();
        if (tls) {
            if (!ExtraCaCertificates().isEmpty()) {
                QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
                configuration.addCaCertificates(ExtraCaCertificates());
                m_socket->setSslConfiguration(configuration);
            }
            m_socket->connectToHostEncrypted(hostName, quint16(port));
        } else {
            m_socket->connectToHost(hostName, quint16(port));
        }
    }
    // Written once the connection (and its handshake) is up.
    m_socket->write(request);
}

void HttpTransfer::DropConnection()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
    m_connectedTo.clear();
}

FetchResult HttpTransfer::TakeResult()
{
    return std::exchange(m_result, {});
}

FetchResult HttpTransfer::Fetch(const QUrl &url, const Headers &headers)
{
    if (m_pending)
        return {{}, 0, false, QStringLiteral("another request is in flight"), FetchResult::Failure::Other};
    Start(url, headers);
    QEventLoop loop;
    m_loop = &loop;
    const QPointer<HttpTransfer> alive(this);
    if (m_pending)
        loop.exec();
    if (!alive)
        return {{}, 0, false, QStringLiteral("cancelled"), FetchResult::Failure::Cancelled};
    m_loop = nullptr;
    return TakeResult();
}

void HttpTransfer::Cancel()
{
    if (m_pending)
        Complete(FetchResult::Failure::Cancelled, QStringLiteral("cancelled"));
}

void HttpTransfer::OnReadyRead()
{
    if (!m_socket || !m_pending)
        return;
    const QByteArray data = m_socket->readAll();
    QByteArray body;
    const HttpResponseReader::State state = m_reader->Feed(data, body);
    if (state == HttpResponseReader::State::Malformed) {
        Complete(FetchResult::Failure::Other, QStringLiteral("reply is not HTTP"));
        return;
    }
    if (state == HttpResponseReader::State::Head)
        return;
    if (!m_encodingKnown) {
        m_encodingKnown = true;
        if (IsRedirect(m_reader->Status()) && m_redirects < kMostRedirects &&
            !m_reader->Header("Location").isEmpty()) {
            const QUrl next = m_url.resolved(QUrl::fromEncoded(m_reader->Header("Location")));
            // As browsers do: never from HTTPS down to HTTP.
            const bool safer = m_url.scheme().compare(u"https", Qt::CaseInsensitive) != 0 ||
                               next.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
            const QString scheme = next.scheme().toLower();
            if (safer && next.isValid() && (scheme == u"http" || scheme == u"https")) {
                ++m_redirects;
                m_url = next;
                if (!m_reader->KeepsConnection() || state != HttpResponseReader::State::Done)
                    DropConnection();
                Send();
                return;
            }
        }
        const QByteArray encoding = m_reader->Header("Content-Encoding").toLower();
        if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
            m_inflater = std::make_unique<Inflater>();
        } // any other coding comes through as sent, and its reader judges it by its content
        if (m_reader->ContentLength() > m_maxBodySize) {
            Complete(FetchResult::Failure::TooLarge, TooLargeCause());
            return;
        }
    }
    if (!Append(body))
        return;
    if (state == HttpResponseReader::State::Done) {
        if (m_inflater && m_received > 0 && !m_inflater->Ended()) // no body at all is an empty one
            Complete(FetchResult::Failure::CutShort, QStringLiteral("reply cut short"));
        else
            Complete(FetchResult::Failure::None);
    }
}

bool HttpTransfer::Append(const QByteArray &data)
{
    m_received += data.size();
    if (m_received > m_maxBodySize) {
        Complete(FetchResult::Failure::TooLarge, TooLargeCause());
        return false;
    }
    if (!m_inflater) {
        m_result.body.append(data);
        return true;
    }
    switch (m_inflater->Feed(data, m_result.body, m_maxBodySize)) {
    case Inflater::Status::Ok:
        return true;
    case Inflater::Status::Corrupt:
        Complete(FetchResult::Failure::Other, QStringLiteral("reply could not be decompressed"));
        return false;
    case Inflater::Status::TooLarge:
        Complete(FetchResult::Failure::TooLarge, TooLargeCause());
        return false;
    }
    return false;
}

void HttpTransfer::OnClosed()
{
    if (!m_socket || !m_pending)
        return;
    OnReadyRead();
    if (!m_pending)
        return;
    const HttpResponseReader::State state = m_reader->Closed();
    if (state == HttpResponseReader::State::Done) {
        OnReadyRead(); // completes a body that ran to the end of the connection
        return;
    }
    if (state == HttpResponseReader::State::Head && m_reused && !m_reader->Started()) {
        // The server closed the connection while it lay idle: the request never reached it.
        DropConnection();
        Send();
        return;
    }
    if (state == HttpResponseReader::State::Head)
        Complete(FetchResult::Failure::ConnectionReset, QStringLiteral("Connection closed"));
    else
        Complete(FetchResult::Failure::CutShort, QStringLiteral("reply cut short"));
}

void HttpTransfer::OnSocketError()
{
    if (!m_socket || !m_pending)
        return;
    using Failure = FetchResult::Failure;
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        OnClosed();
        return;
    case QAbstractSocket::ConnectionRefusedError:
        Complete(Failure::ConnectionRefused, QStringLiteral("connection refused"));
        return;
    case QAbstractSocket::HostNotFoundError:
        Complete(Failure::HostNotFound, QStringLiteral("host not found"));
        return;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        Complete(Failure::Tls,
                 QStringLiteral("TLS: ") + (m_tlsError.isEmpty() ? m_socket->errorString() : m_tlsError));
        return;
    default:
        break;
    }
    if (m_reader->Current() != HttpResponseReader::State::Head)
        Complete(Failure::CutShort, QStringLiteral("reply cut short"));
    else
        Complete(Failure::ConnectionReset, m_socket->errorString());
}

void HttpTransfer::Complete(FetchResult::Failure failure, const QString &cause)
{
    if (!m_pending)
        return;
    m_timer->stop();
    const bool keep = failure == FetchResult::Failure::None && m_reader && m_reader->KeepsConnection();
    if (m_reader && m_reader->Current() != HttpResponseReader::State::Head) {
        m_result.httpStatus = m_reader->Status();
        m_result.retryAfter = m_reader->Header("Retry-After");
    }
    // A connection with a reply still on its way cannot carry the next request.
    if (!keep)
        DropConnection();
    m_reader.reset();
    m_inflater.reset();
    m_result.ok = failure == FetchResult::Failure::None;
    m_result.cause = cause;
    m_result.failure = failure;
    if (!m_result.ok)
        m_result.body.clear();
    m_pending = false;
    if (m_loop)
        m_loop->quit();
    Q_EMIT Finished();
}

QString HttpTransfer::TimeoutCause() const
{
    return QStringLiteral("timed out after %1 s").arg(double(m_timeout.count()) / 1000.0);
}

QString HttpTransfer::TooLargeCause() const
{
    if (m_maxBodySize % kMiB == 0)
        return QStringLiteral("reply larger than %1 MiB").arg(m_maxBodySize / kMiB);
    return QStringLiteral("reply larger than %1 bytes").arg(m_maxBodySize);
}
