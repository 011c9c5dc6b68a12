#pragma once

#include "SaveFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// An INI file read and written the way the Windows profile functions do it, so files written
// by either platform stay interchangeable: names match case-insensitively, the first match
// wins, values are verbatim apart from trimmed white space, and every line the program does not
// change (other sections, keys, comments, blank lines) is written back byte for byte.
class ProfileFile
{
public:
    ProfileFile() = default;

    // Replaces the contents with the file's. A missing file, or anything but a regular file
    // that can be read through, leaves an empty profile.
    ReadResult Load(const QString &path, QString *error = nullptr);
    void LoadBytes(const QByteArray &bytes);

    // maxLength < 0 keeps the whole value; otherwise the value (or the default) is cut.
    [[nodiscard]] QString ReadString(const QString &section, const QString &key, const QString &defaultValue,
                                     qsizetype maxLength = -1) const;
    // Missing key or empty value gives the default; otherwise the value's leading integer
    // (decimal or "0x" hex, optional sign, wrapped to 32 bits), 0 when it has no digits.
    [[nodiscard]] int ReadInt(const QString &section, const QString &key, int defaultValue) const;

    // False, with nothing changed, when a text holds CR or LF: written out, it would add lines.
    [[nodiscard]] bool WriteString(const QString &section, const QString &key, const QString &value);

    // 8-bit text with CR LF line ends.
    [[nodiscard]] QByteArray Bytes() const;
    // Atomic: a failed save leaves the old file as it was.
    [[nodiscard]] bool Save(const QString &path, QString *error = nullptr) const;

    // The integer reading of ReadInt applied to a value text.
    [[nodiscard]] static int ParseProfileInt(const QString &text);

private:
    [[nodiscard]] qsizetype FindSection(const QString &section) const;
    [[nodiscard]] qsizetype SectionEnd(qsizetype headerLine) const;
    [[nodiscard]] qsizetype FindKey(qsizetype headerLine, const QString &key) const;

    [[nodiscard]] QString Line(qsizetype i) const;

    QList<QByteArray> m_lines; // as read, so that untouched lines go back unchanged
    bool m_byteOrderMark = false;
};
