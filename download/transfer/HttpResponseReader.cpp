#include "HttpResponseReader.h"

namespace {

constexpr qsizetype kLongestHead = 64 * 1024;

// The value of a line of hexadecimal digits, -1 when it is none or too large.
qint64 ChunkSize(QByteArrayView line)
{
    const qsizetype extension = line.indexOf(';');
    line = (extension < 0 ? line : line.first(extension)).trimmed();
    if (line.isEmpty() || line.size() > 15)
        return -1;
    bool ok = false;
    const qint64 size = line.toLongLong(&ok, 16);
    return ok && size >= 0 ? size : -1;
}

} // namespace

HttpResponseReader::State HttpResponseReader::Feed(QByteArrayView data, QByteArray &body)
{
    m_pending.append(data);
    while (m_state == State::Head) {
        if (ReadHead() == State::Head)
            return m_state;
    }
    if (m_state != State::Body)
        return m_state;
    switch (m_framing) {
    case Framing::UntilClose:
        body.append(m_pending);
        m_pending.clear();
        break;
    case Framing::Length: {
        const qsizetype take = qsizetype(std::min<qint64>(m_length, m_pending.size()));
        body.append(m_pending.first(take));
        m_pending.remove(0, take);
        m_length -= take;
        if (m_length == 0)
            m_state = State::Done;
        break;
    }
    case Framing::Chunked:
        ReadChunks(body);
        break;
    }
    return m_state;
}

HttpResponseReader::State HttpResponseReader::Closed()
{
    if (m_state == State::Body && m_framing == Framing::UntilClose)
        m_state = State::Done;
    return m_state;
}

QByteArray HttpResponseReader::Header(QByteArrayView name) const
{
    for (const auto &[field, value] : m_headers) {
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool HttpResponseReader::KeepsConnection() const
{
    const QByteArray connection = Header("Connection").toLower();
    const bool keep = m_http10 ? connection.contains("keep-alive") : !connection.contains("close");
    return keep && m_framing != Framing::UntilClose && m_state == State::Done && m_pending.isEmpty();
}

HttpResponseReader::State HttpResponseReader::ReadHead()
{
    const qsizetype end = m_pending.indexOf("\r\n\r\n");
    if (end < 0) {
        if (m_pending.size() > kLongestHead)
            m_state = State::Malformed;
        return m_state;
    }
    const QList<QByteArray> lines = m_pending.first(end).split('\n');
    m_pending.remove(0, end + 4);
    const QByteArray statusLine = lines.first().trimmed();
    bool ok = false;
    m_status = statusLine.mid(9, 3).toInt(&ok);
    if (!statusLine.startsWith("HTTP/1.") || statusLine.size() < 12 || !ok ||
        (statusLine.size() > 12 && statusLine[12] != ' ')) {
        m_state = State::Malformed;
        return m_state;
    }
    m_http10 = statusLine.startsWith("HTTP/1.0");
    m_headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            m_headers.append({lines[i].first(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    if (m_status >= 100 && m_status < 200)
        return m_state; // an interim response: the real one follows
    m_chunk = Chunk::Size;
    if (Header("Transfer-Encoding").toLower().contains("chunked")) {
        m_framing = Framing::Chunked;
    } else if (const QByteArray length = Header("Content-Length"); !length.isEmpty()) {
        m_length = length.toLongLong(&ok);
        if (!ok || m_length < 0) {
            m_state = State::Malformed;
            return m_state;
        }
        m_framing = Framing::Length;
    } else {
        m_framing = m_status == 204 || m_status == 304 ? Framing::Length : Framing::UntilClose;
        m_length = 0;
    }
    m_state = m_framing == Framing::Length && m_length == 0 ? State::Done : State::Body;
    return m_state;
}

HttpResponseReader::State HttpResponseReader::ReadChunks(QByteArray &body)
{
    while (m_state == State::Body) {
        if (m_chunk == Chunk::Data) {
            const qsizetype take = qsizetype(std::min<qint64>(m_length, m_pending.size()));
            body.append(m_pending.first(take));
            m_pending.remove(0, take);
            m_length -= take;
            if (m_length > 0)
                return m_state;
            m_chunk = Chunk::DataEnd;
            continue;
        }
        const qsizetype end = m_pending.indexOf("\r\n");
        if (end < 0) {
            if (m_pending.size() > kLongestHead)
                m_state = State::Malformed;
            return m_state;
        }
        const QByteArray line = m_pending.first(end);
        m_pending.remove(0, end + 2);
        switch (m_chunk) {
        case Chunk::Size:
            m_length = ChunkSize(line);
            if (m_length < 0)
                m_state = State::Malformed;
            m_chunk = m_length == 0 ? Chunk::Trailer : Chunk::Data;
            break;
        case Chunk::DataEnd:
            if (!line.isEmpty())
                m_state = State::Malformed;
            m_chunk = Chunk::Size;
            break;
        case Chunk::Trailer:
            if (line.isEmpty())
                m_state = State::Done;
            break;
        case Chunk::Data:
            break;
        }
    }
    return m_state;
}
