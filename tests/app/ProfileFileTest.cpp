#include "ProfileFile.h"
#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace {

ProfileFile FromBytes(const QByteArray &bytes)
{
    ProfileFile profile;
    profile.LoadBytes(bytes);
    return profile;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct ReadCase
{
    const char *name;
    QByteArray file;
    QString section;
    QString key;
    QString expected;
};

class ProfileReadString : public ::testing::TestWithParam<ReadCase>
{};

TEST_P(ProfileReadString, FindsValueAsTheProfileFunctionsDo)
{
    const ReadCase &c = GetParam();
    const ProfileFile profile = FromBytes(c.file);
    EXPECT_EQ(profile.ReadString(c.section, c.key, QStringLiteral("<default>")), c.expected);
}

const QString S = QStringLiteral("Settings");
const QString K = QStringLiteral("Key");
const QString D = QStringLiteral("<default>");

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileReadString,
    ::testing::Values(
        ReadCase{"MixedCaseNames", "[sEtTiNgS]\r\nkEY=v\r\n", S, K, QStringLiteral("v")},
        ReadCase{"FirstSectionWins", "[Settings]\r\nKey=1\r\n[SETTINGS]\r\nKey=2\r\n", S, K,
                 QStringLiteral("1")},
        ReadCase{"FirstKeyWins", "[Settings]\r\nKey=1\r\nKEY=2\r\n", S, K, QStringLiteral("1")},
        ReadCase{"LaterSectionOfSameNameSearchedNot", "[Settings]\r\nA=1\r\n[settings]\r\nKey=2\r\n", S, K,
                 D},
        ReadCase{"WhiteSpaceAroundKeyAndValueTrimmed", "[Settings]\r\n \tKey \t=  a b \t\r\n", S, K,
                 QStringLiteral("a b")},
        ReadCase{"BackslashCommaQuotesVerbatim", "[Settings]\r\nKey=C:\\a,b\\\"q\"\\\r\n", S, K,
                 QStringLiteral("C:\\a,b\\\"q\"\\")},
        ReadCase{"EqualsInValueKept", "[Settings]\r\nKey=a=b\r\n", S, K, QStringLiteral("a=b")},
        ReadCase{"EmptyValueIsNotDefault", "[Settings]\r\nKey=\r\n", S, K, QString()},
        ReadCase{"CommentedKeySkipped", "[Settings]\r\n;Key=1\r\n  ; Key=2\r\nKey=3\r\n", S, K,
                 QStringLiteral("3")},
        ReadCase{"LineWithoutEqualsIgnored", "[Settings]\r\nKey\r\nKey=4\r\n", S, K, QStringLiteral("4")},
        ReadCase{"KeyBeforeAnySectionNotFound", "Key=1\r\n[Settings]\r\n", S, K, D},
        ReadCase{"KeyOfOtherSectionNotFound", "[Other]\r\nKey=1\r\n[Settings]\r\nA=2\r\n", S, K, D},
        ReadCase{"KeyAfterOtherSectionNotFound", "[Settings]\r\nA=1\r\n[Other]\r\nKey=2\r\n", S, K, D},
        ReadCase{"MissingSection", "[Other]\r\nKey=1\r\n", S, K, D}, ReadCase{"EmptyFile", "", S, K, D},
        ReadCase{"SectionNameTrimmed", "  [ Settings ]  \r\nKey=5\r\n", S, K, QStringLiteral("5")},
        ReadCase{"LfLineEnds", "[Settings]\nA=1\nKey=6\n", S, K, QStringLiteral("6")},
        ReadCase{"CrLineEnds", "[Settings]\rA=1\rKey=7", S, K, QStringLiteral("7")},
        ReadCase{"LeadingByteOrderMark", "\xEF\xBB\xBF[Settings]\r\nKey=8\r\n", S, K, QStringLiteral("8")}),
    [](const auto &info) { return std::string(info.param.name); });

struct IntCase
{
    const char *text;
    int expected;
};

class ProfileParseInt : public ::testing::TestWithParam<IntCase>
{};

TEST_P(ProfileParseInt, ReadsLeadingInteger)
{
    const IntCase &c = GetParam();
    EXPECT_EQ(ProfileFile::ParseProfileInt(QString::fromLatin1(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileParseInt,
                         ::testing::Values(IntCase{"1999", 1999}, IntCase{"abc", 0}, IntCase{"1999abc", 1999},
                                           IntCase{"-1", -1}, IntCase{"+7", 7}, IntCase{"  42", 42},
                                           IntCase{"12.9", 12}, IntCase{"1 2", 1}, IntCase{"- 5", 0},
                                           IntCase{"--5", 0}, IntCase{"0x1F", 31}, IntCase{"0X1f", 31},
                                           IntCase{"-0x10", -16}, IntCase{"0x", 0}, IntCase{"0xg", 0},
                                           IntCase{"007", 7}, IntCase{"2147483647", INT_MAX},
                                           IntCase{"2147483648", INT_MIN}, IntCase{"4294967295", -1},
                                           IntCase{"4294967296", 0}, IntCase{"-2147483648", INT_MIN},
                                           IntCase{"0xFFFFFFFF", -1}, IntCase{"99999999999", 1215752191}));

TEST(ProfileReadInt, MissingOrEmptyValueGivesDefault)
{
    const ProfileFile profile = FromBytes("[S]\r\nEmpty=\r\nBlank=   \r\nText=abc\r\n");
    EXPECT_EQ(profile.ReadInt(QStringLiteral("S"), QStringLiteral("Missing"), 2000), 2000);
    EXPECT_EQ(profile.ReadInt(QStringLiteral("Nope"), QStringLiteral("Text"), 2000), 2000);
    EXPECT_EQ(profile.ReadInt(QStringLiteral("S"), QStringLiteral("Empty"), 2000), 2000);
    EXPECT_EQ(profile.ReadInt(QStringLiteral("S"), QStringLiteral("Blank"), 2000), 2000);
    EXPECT_EQ(profile.ReadInt(QStringLiteral("S"), QStringLiteral("Text"), 2000), 0);
}

struct WriteCase
{
    const char *name;
    QByteArray before;
    QString section;
    QString key;
    QString value;
    QByteArray after;
};

class ProfileWriteString : public ::testing::TestWithParam<WriteCase>
{};

TEST_P(ProfileWriteString, ChangesOnlyTheOneKey)
{
    const WriteCase &c = GetParam();
    ProfileFile profile = FromBytes(c.before);
    profile.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(profile.Bytes(), c.after);
}

const QByteArray kRich = "; top comment\r\n"
                         "[settings]\r\n"
                         "  STARTYEAR = 1999 \r\n"
                         "; inner comment\r\n"
                         "no equals sign here\r\n"
                         "Other=x\r\n"
                         "startyear=second\r\n"
                         "\r\n"
                         "\r\n"
                         "[B]\r\n"
                         "k=v\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWriteString,
    ::testing::Values(
        WriteCase{
            "ReplacesFirstKeyInPlaceKeepingItsSpelling", kRich, S, QStringLiteral("StartYear"),
            QStringLiteral("2001"),
            "; top comment\r\n[settings]\r\nSTARTYEAR=2001\r\n; inner comment\r\nno equals sign here\r\n"
            "Other=x\r\nstartyear=second\r\n\r\n\r\n[B]\r\nk=v\r\n"},
        WriteCase{
            "AppendsMissingKeyBeforeTrailingBlankLines", kRich, S, QStringLiteral("New"), QStringLiteral("1"),
            "; top comment\r\n[settings]\r\n  STARTYEAR = 1999 \r\n; inner comment\r\nno equals sign here\r\n"
            "Other=x\r\nstartyear=second\r\nNew=1\r\n\r\n\r\n[B]\r\nk=v\r\n"},
        WriteCase{"AppendsToLastSection", kRich, QStringLiteral("b"), QStringLiteral("n"),
                  QStringLiteral("2"), kRich + "n=2\r\n"},
        WriteCase{"CreatesMissingSectionAtEnd", kRich, QStringLiteral("New"), QStringLiteral("k"),
                  QStringLiteral("C:\\x,y"), kRich + "\r\n[New]\r\nk=C:\\x,y\r\n"},
        WriteCase{"CreatesSectionAfterBlankLineWithoutAnother", "[A]\r\n\r\n", S, K, QStringLiteral("v"),
                  "[A]\r\n\r\n[Settings]\r\nKey=v\r\n"},
        WriteCase{"NewFile", "", S, K, QStringLiteral("v"), "[Settings]\r\nKey=v\r\n"},
        WriteCase{"KeyInCommentNotReplaced", "[Settings]\r\n;Key=old\r\n", S, K, QStringLiteral("v"),
                  "[Settings]\r\n;Key=old\r\nKey=v\r\n"},
        WriteCase{"KeyOfAnotherSectionNotReplaced", "[A]\r\nKey=a\r\n[Settings]\r\n", S, K,
                  QStringLiteral("v"), "[A]\r\nKey=a\r\n[Settings]\r\nKey=v\r\n"},
        WriteCase{"EmptyValueWritten", "[Settings]\r\nKey=old\r\n", S, K, QString(),
                  "[Settings]\r\nKey=\r\n"},
        WriteCase{"OtherLineEndsBecomeCrLf", "[Settings]\nA=1\rKey=2", S, K, QStringLiteral("3"),
                  "[Settings]\r\nA=1\r\nKey=3\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

class ProfileFileOnDisk : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    [[nodiscard]] QString Path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(ProfileFileOnDisk, SaveThenLoadKeepsBytes)
{
    const QString path = Path(QStringLiteral("a.ini"));
    const ProfileFile profile = FromBytes(kRich);
    ASSERT_TRUE(profile.Save(path));
    EXPECT_EQ(ReadAll(path), kRich);
    ProfileFile loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.Bytes(), kRich);
}

TEST_F(ProfileFileOnDisk, SaveToUnwritablePathFails)
{
    const QString regularFile = Path(QStringLiteral("plain"));
    ASSERT_TRUE(WriteAll(regularFile, "x"));
    const ProfileFile profile = FromBytes("[S]\r\nK=v\r\n");
    EXPECT_FALSE(profile.Save(regularFile + QStringLiteral("/a.ini")));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    EXPECT_FALSE(profile.Save(Path(QStringLiteral("folder"))));
    EXPECT_EQ(ReadAll(regularFile), "x");
}

#ifdef Q_OS_UNIX
// Guards against writing the file in place, which leaves it cut short when the write fails.
TEST_F(ProfileFileOnDisk, FailedSaveLeavesOldFileWhole)
{
    const QString path = Path(QStringLiteral("a.ini"));
    const QByteArray old = "[S]\r\nK=old value\r\n";
    ASSERT_TRUE(WriteAll(path, old));
    ProfileFile profile = FromBytes(old);
    profile.WriteString(QStringLiteral("S"), QStringLiteral("K"), QString(200, u'n'));
    {
        FileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(profile.Save(path));
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.ini")});
}
#endif

} // namespace
