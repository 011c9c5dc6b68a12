#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Fetches one URL at a time over HTTP. The caller waits in Fetch() while window events keep running; a
// handler that runs during that wait may call Cancel().
class HttpTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{10000};
    static constexpr qint64 kMaxBodySize = 64 * 1024 * 1024;

    explicit HttpTransfer(QObject *parent = nullptr);
    ~HttpTransfer() override;

    void SetTimeout(std::chrono::milliseconds timeout);
    // Lowers the body limit, so tests need not send 64 MiB.
    void SetMaxBodySize(qint64 bytes);

    // One GET, waited for in a nested QEventLoop; the body as received, or empty after a failure,
    // time-out, Cancel() or an oversized body.
    [[nodiscard]] QByteArray Fetch(const QUrl &url);
    // Abandons the request in flight; a no-op when idle.
    void Cancel();
    [[nodiscard]] bool RequestPending() const;

private:
    void OnReadyRead();
    void OnFinished();
    void Abandon();

    QNetworkAccessManager *m_manager = nullptr;
    QTimer *m_timer = nullptr;
    QPointer<QNetworkReply> m_reply;
    QEventLoop *m_loop = nullptr;
    QByteArray m_body;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    qint64 m_maxBodySize = kMaxBodySize;
    bool m_pending = false;
    bool m_failed = false;
};
