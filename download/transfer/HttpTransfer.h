#pragma once

#include "FetchResult.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

class QEventLoop;
class QSslCertificate;
class QSslSocket;
class QTimer;
class HttpResponseReader;

// One HTTP(S) request at a time, on a connection of its own that stays open across requests. Start()
// returns at once and Finished() follows exactly once; Fetch() waits for it in a nested event loop, so
// window events keep running and a handler that runs meanwhile may call Cancel(). It speaks HTTP/1.1
// on its socket itself, in this thread: a tiny reply then costs little more than its bytes.
class HttpTransfer : public QObject
{
    Q_OBJECT
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    static constexpr std::chrono::milliseconds kDefaultTimeout{10000};
    static constexpr qint64 kMaxBodySize = 64 * 1024 * 1024;

    explicit HttpTransfer(QObject *parent = nullptr);
    ~HttpTransfer() override;

    // The limit covers the whole request, from Start() to the last byte.
    void SetTimeout(std::chrono::milliseconds timeout);
    // Lowers the body limit, so tests need not send 64 MiB.
    void SetMaxBodySize(qint64 bytes);

    // Starts a GET; ignored while a request is pending.
    void Start(const QUrl &url, const Headers &headers = {});
    // The outcome of the request that finished last; empty once taken.
    [[nodiscard]] FetchResult TakeResult();
    // Start() and a wait for Finished(). A Fetch() from inside another one's wait is refused.
    [[nodiscard]] FetchResult Fetch(const QUrl &url, const Headers &headers = {});
    // Abandons the request in flight (Finished() follows at once); a no-op when idle.
    void Cancel();
    [[nodiscard]] bool RequestPending() const;

    // Certificates trusted besides the system's; only tests use it, for a test CA.
    static void SetExtraCaCertificates(const QList<QSslCertificate> &certificates);

Q_SIGNALS:
    void Finished();

private:
    class Inflater;

    // Sends the request for m_url, on the open connection when it can carry it.
    void Send();
    void OnReadyRead();
    void OnClosed();
    void OnSocketError();
    // Ends the request: a success when `failure` is None.
    void Complete(FetchResult::Failure failure, const QString &cause = {});
    [[nodiscard]] bool Append(const QByteArray &data);
    [[nodiscard]] QString TimeoutCause() const;
    [[nodiscard]] QString TooLargeCause() const;
    void DropConnection();

    QSslSocket *m_socket = nullptr; // plain TCP for http, TLS for https
    QByteArray m_connectedTo;       // scheme, host and port of m_socket
    bool m_reused = false;          // the request went out on a connection an earlier one left open
    int m_redirects = 0;
    QTimer *m_timer = nullptr;
    QEventLoop *m_loop = nullptr;
    FetchResult m_result;
    QUrl m_url;
    Headers m_headers;
    QString m_tlsError;
    std::unique_ptr<HttpResponseReader> m_reader;
    std::unique_ptr<Inflater> m_inflater;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    qint64 m_maxBodySize = kMaxBodySize;
    qint64 m_received = 0;
    quint64 m_generation = 0;
    bool m_pending = false;
    bool m_encodingKnown = false;
};
