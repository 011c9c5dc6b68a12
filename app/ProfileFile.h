#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An INI file read and written the way the Windows profile functions do it, so files written
// by either platform stay interchangeable: names match case-insensitively, the first match
// wins, values are verbatim apart from trimmed white space, and whatever the program does not
// touch (other sections, keys, comments, blank lines) survives a write.
class ProfileFile
{
public:
    ProfileFile() = default;

    // Replaces the contents with the file's. A missing or unreadable file leaves an empty
    // profile and returns false.
    bool Load(const QString &path);
    void LoadBytes(const QByteArray &bytes);

    // maxLength < 0 keeps the whole value; otherwise the value (or the default) is cut.
    [[nodiscard]] QString ReadString(const QString &section, const QString &key, const QString &defaultValue,
                                     qsizetype maxLength = -1) const;
    // Missing key or empty value gives the default; otherwise the value's leading integer
    // (decimal or "0x" hex, optional sign, wrapped to 32 bits), 0 when it has no digits.
    [[nodiscard]] int ReadInt(const QString &section, const QString &key, int defaultValue) const;

    void WriteString(const QString &section, const QString &key, const QString &value);

    // 8-bit text with CR LF line ends.
    [[nodiscard]] QByteArray Bytes() const;
    // Atomic: a failed save leaves the old file as it was.
    [[nodiscard]] bool Save(const QString &path) const;

    // The integer reading of ReadInt applied to a value text.
    [[nodiscard]] static int ParseProfileInt(const QString &text);

private:
    [[nodiscard]] qsizetype FindSection(const QString &section) const;
    [[nodiscard]] qsizetype SectionEnd(qsizetype headerLine) const;
    [[nodiscard]] qsizetype FindKey(qsizetype headerLine, const QString &key) const;

    QStringList m_lines;
};
