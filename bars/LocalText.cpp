#include "LocalText.h"

namespace LocalText {
namespace {

// How many characters of `text` from `at` make one code point: a surrogate pair is two.
qsizetype CodePointLength(QStringView text, qsizetype at)
{
    return at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate() ? 2 : 1;
}

#ifndef Q_OS_WIN
constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` and its code point, or 0 when it is not one:
// no overlong forms, no surrogates, nothing beyond U+10FFFF.
qsizetype Utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t *codePoint)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    qsizetype length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!IsContinuation(byte))
            return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

// A low surrogate that stands for one undecodable byte, not half of a pair.
bool IsEscape(QStringView text, qsizetype at)
{
    const char16_t c = text[at].unicode();
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && (at == 0 || !text[at - 1].isHighSurrogate());
}
#endif

} // namespace

#ifdef Q_OS_WIN
QString Decode(QByteArrayView bytes)
{
    return QString::fromLocal8Bit(bytes);
}

QByteArray Encode(QStringView text)
{
    return text.toLocal8Bit();
}
#else
QString Decode(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const qsizetype length = Utf8Sequence(bytes, at, &codePoint);
        if (length == 0) {
            text.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            text.append(QChar(QChar::highSurrogate(codePoint)));
            text.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            text.append(QChar(char16_t(codePoint)));
        }
        at += length;
    }
    return text;
}

QByteArray Encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (!IsEscape(text, at))
            continue;
        bytes.append(text.sliced(runStart, at - runStart).toUtf8());
        bytes.append(char(text[at].unicode() - kEscapeBase));
        runStart = at + 1;
    }
    bytes.append(text.sliced(runStart).toUtf8());
    return bytes;
}
#endif

QByteArray EncodePrefix(QStringView text, qsizetype maxBytes)
{
    QByteArray whole = Encode(text);
    if (whole.size() <= maxBytes)
        return whole;
    // Only a text too long for its field gets here, and then at most maxBytes characters are
    // looked at, one code point at a time.
    QByteArray bytes;
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype length = CodePointLength(text, at);
        const QByteArray next = Encode(text.sliced(at, length));
        if (bytes.size() + next.size() > maxBytes)
            break;
        bytes.append(next);
        at += length;
    }
    return bytes;
}

} // namespace LocalText
