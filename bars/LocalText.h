#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The 8-bit text of the program's own files and of the texts inside bar files. On Windows
// that is the ANSI code page. Elsewhere it is UTF-8, and each byte that is not part of valid
// UTF-8 decodes to the lone surrogate U+DC80 + byte and encodes back to that byte, so text
// that was read in is written back in exactly the bytes it was read in.
namespace LocalText {

[[nodiscard]] QString Decode(QByteArrayView bytes);
[[nodiscard]] QByteArray Encode(QStringView text);

// The encoding of the longest run of whole characters from the start of `text` that fits in
// `maxBytes`: a character is never cut in half.
[[nodiscard]] QByteArray EncodePrefix(QStringView text, qsizetype maxBytes);

} // namespace LocalText
