#include "ProfileFile.h"

#include "SaveFile.h"

#include <QFile>

namespace {

constexpr QChar kByteOrderMark(0xFEFF);

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

bool ProfileFile::Load(const QString &path)
{
    m_lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    LoadBytes(bytes);
    return true;
}

void ProfileFile::LoadBytes(const QByteArray &bytes)
{
    m_lines.clear();
    QString text = QString::fromLocal8Bit(bytes);
    if (text.startsWith(kByteOrderMark))
        text.remove(0, 1);

    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        m_lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        m_lines.append(text.mid(start));
}

qsizetype ProfileFile::FindSection(const QString &section) const
{
    QString name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (SectionName(m_lines.at(i), &name) && SameName(name, section))
            return i;
    }
    return -1;
}

qsizetype ProfileFile::SectionEnd(qsizetype headerLine) const
{
    QString name;
    qsizetype i = headerLine + 1;
    while (i < m_lines.size() && !SectionName(m_lines.at(i), &name))
        ++i;
    return i;
}

qsizetype ProfileFile::FindKey(qsizetype headerLine, const QString &key) const
{
    const qsizetype end = SectionEnd(headerLine);
    QString name;
    for (qsizetype i = headerLine + 1; i < end; ++i) {
        if (KeyAndValue(m_lines.at(i), &name, nullptr) && SameName(name, key))
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
            KeyAndValue(m_lines.at(line), &name, &result);
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

void ProfileFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const qsizetype header = FindSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.constLast().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(key + u'=' + value);
        return;
    }

    const qsizetype line = FindKey(header, key);
    if (line >= 0) {
        QString storedKey;
        KeyAndValue(m_lines.at(line), &storedKey, nullptr);
        m_lines[line] = storedKey + u'=' + value;
        return;
    }

    qsizetype insertAt = SectionEnd(header);
    while (insertAt - 1 > header && m_lines.at(insertAt - 1).trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, key + u'=' + value);
}

QByteArray ProfileFile::Bytes() const
{
    QByteArray bytes;
    for (const QString &line : m_lines) {
        bytes += line.toLocal8Bit();
        bytes += "\r\n";
    }
    return bytes;
}

bool ProfileFile::Save(const QString &path) const
{
    return SaveFileAtomically(path, Bytes());
}
