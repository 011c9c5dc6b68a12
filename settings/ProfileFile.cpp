#include "ProfileFile.h"

#include "LocalText.h"

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// "[name]" with anything after the last "]" ignored; false for any other line.
bool SectionName(const QString &line, QString *name)
{
    const QString text = line.trimmed();
    if (!text.startsWith(u'['))
        return false;
    const qsizetype close = text.lastIndexOf(u']');
    if (close < 0)
        return false;
    *name = text.mid(1, close - 1).trimmed();
    return true;
}

bool IsComment(const QString &line)
{
    const QString text = line.trimmed();
    return text.startsWith(u';');
}

// "key = value": both sides trimmed; false for lines without "=" and for comments.
bool KeyAndValue(const QString &line, QString *key, QString *value)
{
    if (IsComment(line))
        return false;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return false;
    *key = line.left(equals).trimmed();
    if (value)
        *value = line.mid(equals + 1).trimmed();
    return true;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    return 99;
}

} // namespace

ReadResult ProfileFile::Load(const QString &path, QString *error)
{
    QByteArray bytes;
    const ReadResult result = ReadRegularFile(path, &bytes, error);
    LoadBytes(result == ReadResult::Read ? bytes : QByteArray());
    return result;
}

void ProfileFile::LoadBytes(const QByteArray &bytes)
{
    m_lines.clear();
    m_byteOrderMark = bytes.startsWith(kByteOrderMark);
    const QByteArrayView text = QByteArrayView(bytes).sliced(m_byteOrderMark ? kByteOrderMark.size() : 0);

    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        m_lines.append(text.sliced(start, i - start).toByteArray());
        if (c == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        m_lines.append(text.sliced(start).toByteArray());
}

QString ProfileFile::Line(qsizetype i) const
{
    return LocalText::Decode(m_lines.at(i));
}

qsizetype ProfileFile::FindSection(const QString &section) const
{
    QString name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (SectionName(Line(i), &name) && SameName(name, section))
            return i;
    }
    return -1;
}

qsizetype ProfileFile::SectionEnd(qsizetype headerLine) const
{
    QString name;
    qsizetype i = headerLine + 1;
    while (i < m_lines.size() && !SectionName(Line(i), &name))
        ++i;
    return i;
}

qsizetype ProfileFile::FindKey(qsizetype headerLine, const QString &key) const
{
    const qsizetype end = SectionEnd(headerLine);
    QString name;
    for (qsizetype i = headerLine + 1; i < end; ++i) {
        if (KeyAndValue(Line(i), &name, nullptr) && SameName(name, key))
            return i;
    }
    return -1;
}

QString ProfileFile::ReadString(const QString &section, const QString &key, const QString &defaultValue,
                                qsizetype maxLength) const
{
    QString result = defaultValue;
    const qsizetype header = FindSection(section);
    if (header >= 0) {
        const qsizetype line = FindKey(header, key);
        QString name;
        if (line >= 0)
            KeyAndValue(Line(line), &name, &result);
    }
    if (maxLength >= 0 && result.size() > maxLength)
        result.truncate(maxLength);
    return result;
}

int ProfileFile::ReadInt(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty())
        return defaultValue;
    return ParseProfileInt(text);
}

int ProfileFile::ParseProfileInt(const QString &text)
{
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && (text.at(i).isSpace() || text.at(i).unicode() < u' '))
        ++i;
    bool negative = false;
    if (i < size && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    quint32 base = 10;
    if (i + 1 < size && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    // Unsigned arithmetic wraps like the 32-bit original.
    quint32 value = 0;
    for (; i < size; ++i) {
        const int digit = DigitValue(text.at(i));
        if (digit >= static_cast<int>(base))
            break;
        value = value * base + static_cast<quint32>(digit);
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

bool ProfileFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    for (const QString *text : {&section, &key, &value}) {
        if (text->contains(u'\r') || text->contains(u'\n'))
            return false;
    }
    const qsizetype header = FindSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !Line(m_lines.size() - 1).trimmed().isEmpty())
            m_lines.append(QByteArray());
        m_lines.append(LocalText::Encode(QString(u'[' + section + u']')));
        m_lines.append(LocalText::Encode(QString(key + u'=' + value)));
        return true;
    }

    const qsizetype line = FindKey(header, key);
    if (line >= 0) {
        QString storedKey;
        KeyAndValue(Line(line), &storedKey, nullptr);
        m_lines[line] = LocalText::Encode(QString(storedKey + u'=' + value));
        return true;
    }

    qsizetype insertAt = SectionEnd(header);
    while (insertAt - 1 > header && Line(insertAt - 1).trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, LocalText::Encode(QString(key + u'=' + value)));
    return true;
}

QByteArray ProfileFile::Bytes() const
{
    QByteArray bytes;
    if (m_byteOrderMark)
        bytes += kByteOrderMark;
    for (const QByteArray &line : m_lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

bool ProfileFile::Save(const QString &path, QString *error) const
{
    return SaveFileAtomically(path, Bytes(), error);
}
