#include "LocalText.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#ifndef Q_OS_WIN
// Guards against text files and bar-file texts changing bytes that are not valid UTF-8.
TEST(LocalText, EveryByteStringComesBackByteForByte)
{
    const QByteArray cases[] = {
        "Caf\xC3\xA9 \xF0\x9F\x98\x80 \xF0\x90\x82\x80", // valid, one pair whose low half is in
                                                         // U+DC80..U+DCFF
        "Caf\xE9",                                       // Latin-1
        "\xC0\x80 \xE0\x80\xAF \xED\xB2\x80 \xF4\x90\x80\x80 \xF8\x88\x80\x80\x80", // overlong, surrogate,
                                                                                    // too high
        "\xE2\x82 \xE2 \x80\xBF \xFF\xFE", // cut short, lone continuations
        QByteArray("a\0b\x7F", 4)};
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.toHex(' ').toStdString());
        EXPECT_EQ(LocalText::Encode(LocalText::Decode(bytes)), bytes);
    }
    EXPECT_EQ(LocalText::Decode(cases[0]), QString::fromUtf8(cases[0]));
    EXPECT_EQ(LocalText::Decode("Caf\xE9"), QStringLiteral("Caf") + QChar(0xDCE9));
    // Cut in bytes, never inside a character, an escaped byte counting as one.
    EXPECT_EQ(LocalText::EncodePrefix(LocalText::Decode("a\xC3\xA9\xE9\xF0\x9F\x98\x80"), 4),
              "a\xC3\xA9\xE9");
    EXPECT_EQ(LocalText::EncodePrefix(LocalText::Decode("a\xC3\xA9\xE9\xF0\x9F\x98\x80"), 7),
              "a\xC3\xA9\xE9");
}
#endif
