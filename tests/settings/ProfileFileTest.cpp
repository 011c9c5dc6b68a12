#include "ProfileFile.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Qt::Literals::StringLiterals;

static ProfileFile FromBytes(const QByteArray &bytes)
{
    ProfileFile profile;
    profile.LoadBytes(bytes);
    return profile;
}

TEST(ProfileFile, FindsFirstCaseInsensitiveMatchAndKeepsValueVerbatim)
{
    const std::pair<const char *, const char *> cases[] = {
        {"[sETTINGS]\r\nkEY=1\r\nKEY=2\r\n[SETTINGS]\r\nKey=3\r\n", "1"},
        {"[Settings]\r\nA=1\r\n[settings]\r\nKey=2\r\n", "<default>"},
        {"  [ Settings ]  \r\n \tKey \t=  a b \t\r\n", "a b"},
        {"[Settings]\r\nKey=C:\\a,b\\\"q\"=\\\r\n", "C:\\a,b\\\"q\"=\\"},
        {"[Settings]\r\n;Key=1\r\nKey\r\nKey=\r\nKey=3\r\n", ""},
        {"Key=1\r\n[Other]\r\nKey=2\r\n[Settings]\r\nA=3\r\n[B]\r\nKey=4\r\n", "<default>"},
        {"", "<default>"},
        {"\xEF\xBB\xBF[Settings]\nA=1\rKey=8", "8"}};
    for (const auto &[file, expected] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(FromBytes(file).ReadString(u"Settings"_s, u"Key"_s, u"<default>"_s),
                  QString::fromLatin1(expected));
    }
}

TEST(ProfileFile, ReadIntTakesTheLeadingIntegerWrappedTo32Bits)
{
    // clang-format off
    const std::pair<const char *, int> cases[] = {
        {"X=5", 2000}, {"K=", 2000}, {"K=  ", 2000}, {"K=abc", 0}, {"K=1999abc", 1999}, {"K=-1", -1},
        {"K= +7", 7}, {"K=--5", 0}, {"K=010", 10}, {"K=0x1F", 31}, {"K=-0X1f", -31}, {"K=0xg", 0},
        {"K=2147483648", INT_MIN}, {"K=4294967296", 0}, {"K=0xFFFFFFFF", -1}, {"K=99999999999", 1215752191}};
    // clang-format on
    for (const auto &[line, expected] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(FromBytes(QByteArray("[S]\r\n") + line).ReadInt(u"S"_s, u"K"_s, 2000), expected);
    }
}
