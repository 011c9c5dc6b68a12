#include "HttpTransfer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
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

// True when the server answered with a status line and its body came through whole. Errors in the
// content and server ranges only mirror an HTTP error status; the body is still what the caller wants.
bool ServerAnswered(const QNetworkReply &reply)
{
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    const bool contentError =
        error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError;
    const bool serverError =
        error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError;
    // Qt files 400 and 418 under protocol errors and 407 under proxy errors.
    const bool otherStatusError = error == QNetworkReply::ProtocolInvalidOperationError ||
                                  error == QNetworkReply::ProxyAuthenticationRequiredError;
    const bool statusError = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
    return contentError || serverError || (statusError && otherStatusError);
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

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
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
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
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
    m_encodingKnown = false;
    m_result = {};
    m_url = url;
    m_tlsError.clear();
    m_inflater.reset();
    m_received = 0;
    const quint64 generation = ++m_generation;
    m_timer->start(m_timeout);

    if (!url.isValid() || url.isRelative()) {
        // Finished() never comes from inside Start(): callers connect after starting.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation)
                Complete(FetchResult::Failure::InvalidUrl, QStringLiteral("invalid URL"));
        });
        return;
    }
    QNetworkRequest request(url);
    bool encodingAsked = false;
    for (const auto &[name, value] : headers) {
        request.setRawHeader(name, value);
        encodingAsked = encodingAsked || name.compare("Accept-Encoding", Qt::CaseInsensitive) == 0;
    }
    // Naming the encodings turns Qt's own decompression off; Inflater takes its place.
    if (!encodingAsked)
        request.setRawHeader("Accept-Encoding", "gzip, deflate");
    if (!ExtraCaCertificates().isEmpty() && url.scheme().compare(u"https", Qt::CaseInsensitive) == 0) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificates(ExtraCaCertificates());
        request.setSslConfiguration(configuration);
    }
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpTransfer::OnReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &HttpTransfer::OnFinished);
    // Certificate errors are left unignored, so the handshake fails; the first one is the cause.
    connect(m_reply, &QNetworkReply::sslErrors, this, [this](const QList<QSslError> &errors) {
        if (m_tlsError.isEmpty() && !errors.isEmpty())
            m_tlsError = errors.first().errorString();
    });
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
    if (!m_reply || !m_pending)
        return;
    if (!m_encodingKnown) {
        m_encodingKnown = true;
        const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
        if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
            m_inflater = std::make_unique<Inflater>();
        } // any other coding comes through as sent, and its reader judges it by its content
        bool known = false;
        const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > m_maxBodySize) {
            Complete(FetchResult::Failure::TooLarge, TooLargeCause());
            return;
        }
    }
    const QByteArray data = m_reply->readAll();
    m_received += data.size();
    if (m_received > m_maxBodySize) {
        Complete(FetchResult::Failure::TooLarge, TooLargeCause());
        return;
    }
    if (!m_inflater) {
        m_result.body.append(data);
        return;
    }
    switch (m_inflater->Feed(data, m_result.body, m_maxBodySize)) {
    case Inflater::Status::Ok:
        break;
    case Inflater::Status::Corrupt:
        Complete(FetchResult::Failure::Other, QStringLiteral("reply could not be decompressed"));
        break;
    case Inflater::Status::TooLarge:
        Complete(FetchResult::Failure::TooLarge, TooLargeCause());
        break;
    }
}

void HttpTransfer::OnFinished()
{
    if (!m_reply || !m_pending)
        return;
    OnReadyRead();
    if (!m_pending)
        return;
    if (!ServerAnswered(*m_reply)) {
        const auto [failure, cause] = ErrorCause(*m_reply);
        Complete(failure, cause);
    } else if (m_inflater && m_received > 0 && !m_inflater->Ended()) { // no body at all is an empty one
        Complete(FetchResult::Failure::CutShort, QStringLiteral("reply cut short"));
    } else {
        Complete(FetchResult::Failure::None);
    }
}

void HttpTransfer::Complete(FetchResult::Failure failure, const QString &cause)
{
    if (!m_pending)
        return;
    m_timer->stop();
    if (m_reply) {
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        m_result.httpStatus = status.isValid() ? status.toInt() : 0;
        m_result.retryAfter = m_reply->rawHeader("Retry-After");
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply.clear();
    }
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

std::pair<FetchResult::Failure, QString> HttpTransfer::ErrorCause(const QNetworkReply &reply) const
{
    using Failure = FetchResult::Failure;
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return {Failure::ConnectionRefused, QStringLiteral("connection refused")};
    case QNetworkReply::HostNotFoundError:
        return {Failure::HostNotFound, QStringLiteral("host not found")};
    case QNetworkReply::SslHandshakeFailedError:
        return {Failure::Tls,
                QStringLiteral("TLS: ") + (m_tlsError.isEmpty() ? reply.errorString() : m_tlsError)};
    default:
        break;
    }
    if (reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return {Failure::CutShort, QStringLiteral("reply cut short")};
    Failure failure = Failure::Other;
    switch (reply.error()) {
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        failure = Failure::ConnectionReset;
        break;
    case QNetworkReply::TimeoutError:
        failure = Failure::Timeout;
        break;
    case QNetworkReply::OperationCanceledError:
        failure = Failure::Cancelled;
        break;
    default:
        break;
    }
    // Qt's texts may quote the URL, whose query can hold an API token.
    QString text = reply.errorString();
    const QUrl shown = m_url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    for (const QUrl::ComponentFormattingOptions format : {QUrl::FullyEncoded, QUrl::PrettyDecoded})
        text.replace(m_url.toString(format), shown.toString());
    return {failure, text};
}
