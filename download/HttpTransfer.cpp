#include "HttpTransfer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

namespace {

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
    return contentError || serverError;
}

} // namespace

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &HttpTransfer::Abandon);
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

bool HttpTransfer::RequestPending() const
{
    return m_pending;
}

QByteArray HttpTransfer::Fetch(const QUrl &url)
{
    if (m_pending || !url.isValid())
        return {};

    m_pending = true;
    m_failed = false;
    m_body.clear();

    QNetworkRequest request(url);
    m_timer->start(m_timeout);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpTransfer::OnReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &HttpTransfer::OnFinished);

    QEventLoop loop;
    m_loop = &loop;
    const QPointer<HttpTransfer> alive(this);
    if (m_pending)
        loop.exec();
    if (!alive)
        return {};

    m_loop = nullptr;
    m_timer->stop();
    m_pending = false;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply.clear();
    }
    if (m_failed)
        m_body.clear();
    return std::exchange(m_body, {});
}

void HttpTransfer::Cancel()
{
    if (m_pending)
        Abandon();
}

void HttpTransfer::OnReadyRead()
{
    if (!m_reply || m_failed)
        return;
    if (m_body.size() + m_reply->bytesAvailable() > m_maxBodySize) {
        Abandon();
        return;
    }
    m_body.append(m_reply->readAll());
}

void HttpTransfer::OnFinished()
{
    if (!m_reply)
        return;
    if (!m_failed) {
        OnReadyRead();
        if (!m_failed && !ServerAnswered(*m_reply))
            m_failed = true;
    }
    m_pending = false;
    if (m_loop)
        m_loop->quit();
}

void HttpTransfer::Abandon()
{
    m_failed = true;
    m_timer->stop();
    if (m_reply && m_reply->isRunning()) {
        // abort() emits finished() at once, which ends the wait.
        m_reply->abort();
    } else {
        m_pending = false;
        if (m_loop)
            m_loop->quit();
    }
}
