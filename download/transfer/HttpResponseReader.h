#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <utility>

// Reads one HTTP/1.x response as its bytes arrive: the status line, the header fields and the body,
// framed by Content-Length, by chunks or by the end of the connection. Interim 1xx responses are
// passed over. Pure: bytes in, state out.
class HttpResponseReader
{
public:
    enum class State { Head, Body, Done, Malformed };

    // Takes the bytes that came; the body's bytes, without any chunk framing, are appended to `body`.
    State Feed(QByteArrayView data, QByteArray &body);
    // The connection ended: a body that runs to its end is then whole.
    State Closed();

    [[nodiscard]] State Current() const { return m_state; }
    // Whether any byte of the response came.
    [[nodiscard]] bool Started() const { return m_state != State::Head || !m_pending.isEmpty(); }
    [[nodiscard]] int Status() const { return m_status; }
    // The first field of that name, empty when there is none.
    [[nodiscard]] QByteArray Header(QByteArrayView name) const;
    // The length the head announced; -1 when it announced none.
    [[nodiscard]] qint64 ContentLength() const { return m_framing == Framing::Length ? m_length : -1; }
    // Whether the connection may carry the next request once this response is done.
    [[nodiscard]] bool KeepsConnection() const;

private:
    enum class Framing { Length, Chunked, UntilClose };
    enum class Chunk { Size, Data, DataEnd, Trailer };

    State ReadHead();
    State ReadChunks(QByteArray &body);

    State m_state = State::Head;
    QByteArray m_pending; // bytes not read yet
    int m_status = 0;
    bool m_http10 = false;
    QList<std::pair<QByteArray, QByteArray>> m_headers;
    Framing m_framing = Framing::UntilClose;
    qint64 m_length = 0; // Length: bytes left; Chunked: bytes left of the chunk
    Chunk m_chunk = Chunk::Size;
};
