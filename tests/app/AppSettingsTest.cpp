#include "AppSettings.h"
#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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

class AppSettingsFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_ini = m_dir.filePath(QStringLiteral("Quorbex.ini"));
    }

    [[nodiscard]] AppSettings ReadWith(const QByteArray &bytes) const
    {
        EXPECT_TRUE(WriteAll(m_ini, bytes));
        return INIfileRead(m_ini);
    }

    QTemporaryDir m_dir;
    QString m_ini;
};

TEST_F(AppSettingsFile, MissingFileGivesDefaults)
{
    const AppSettings s = INIfileRead(m_ini);
    EXPECT_EQ(s.StartYear, QStringLiteral("2000"));
    EXPECT_EQ(s.DestinationFolder, QString());
    EXPECT_EQ(s.BMpath, DefaultBMpath());
    EXPECT_EQ(s.QLTpath, DefaultQLTpath());
    EXPECT_EQ(s.FileFormat, 0);
    EXPECT_EQ(s.QuoteSource, 0);
    const Endpoints defaults;
    EXPECT_EQ(s.endpoints.Yahoo, defaults.Yahoo);
    EXPECT_EQ(s.endpoints.QuoteMediaWebmasterId, defaults.QuoteMediaWebmasterId);
    EXPECT_FALSE(QFile::exists(m_ini)) << "reading must not create the file";
}

TEST_F(AppSettingsFile, KeysFoundByNameInAnyOrderAndCase)
{
    const AppSettings s = ReadWith("; written by hand\r\n"
                                   "[Other]\r\n"
                                   "FileFormat=0\r\n"
                                   "[SETTINGS]\r\n"
                                   "quotesource = 2\r\n"
                                   "Unknown=1\r\n"
                                   "qltpath=D:\\Q\r\n"
                                   "FILEFORMAT=1\r\n"
                                   "bmPath=D:\\B\r\n"
                                   "destinationfolder=D:\\Dest\\\r\n"
                                   "startyear=1987\r\n");
    EXPECT_EQ(s.StartYear, QStringLiteral("1987"));
    EXPECT_EQ(s.DestinationFolder, QStringLiteral("D:\\Dest\\"));
    EXPECT_EQ(s.BMpath, QStringLiteral("D:\\B"));
    EXPECT_EQ(s.QLTpath, QStringLiteral("D:\\Q"));
    EXPECT_EQ(s.FileFormat, 1);
    EXPECT_EQ(s.QuoteSource, 2);
}

struct IntKeyCase
{
    const char *line;
    int fileFormat;
    int quoteSource;
    const char *startYear;
};

class AppSettingsIntKeys : public AppSettingsFile, public ::testing::WithParamInterface<IntKeyCase>
{};

TEST_P(AppSettingsIntKeys, RangeRulesAndIntegerReading)
{
    const IntKeyCase &c = GetParam();
    const AppSettings s = ReadWith(QByteArray("[Settings]\r\n") + c.line + "\r\n");
    EXPECT_EQ(s.FileFormat, c.fileFormat);
    EXPECT_EQ(s.QuoteSource, c.quoteSource);
    EXPECT_EQ(s.StartYear, QString::fromLatin1(c.startYear));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppSettingsIntKeys,
    ::testing::Values(IntKeyCase{"FileFormat=1", 1, 0, "2000"}, IntKeyCase{"FileFormat=2", 0, 0, "2000"},
                      IntKeyCase{"FileFormat=-1", 0, 0, "2000"}, IntKeyCase{"FileFormat=1x", 1, 0, "2000"},
                      IntKeyCase{"FileFormat=0x1", 1, 0, "2000"}, IntKeyCase{"QuoteSource=2", 0, 2, "2000"},
                      IntKeyCase{"QuoteSource=3", 0, 0, "2000"}, IntKeyCase{"QuoteSource=-1", 0, 0, "2000"},
                      IntKeyCase{"QuoteSource=", 0, 0, "2000"}, IntKeyCase{"StartYear=abc", 0, 0, "0"},
                      IntKeyCase{"StartYear=1999abc", 0, 0, "1999"}, IntKeyCase{"StartYear=-5", 0, 0, "-5"},
                      IntKeyCase{"StartYear=+07", 0, 0, "7"}, IntKeyCase{"StartYear=", 0, 0, "2000"}));

TEST_F(AppSettingsFile, TextValueCutTo1023Characters)
{
    const QByteArray longFolder = "/" + QByteArray(1023, 'f');
    const AppSettings s =
        ReadWith("[Settings]\r\nDestinationFolder=" + longFolder + "\r\nBMpath=" + longFolder + "\r\n");
    EXPECT_EQ(s.DestinationFolder, QString::fromLatin1(longFolder.left(1023)));
    EXPECT_EQ(s.BMpath.size(), 1023);
}

TEST_F(AppSettingsFile, NewFileHoldsTheSixKeysInOrder)
{
    AppSettings s;
    s.StartYear = QStringLiteral("1995");
    s.DestinationFolder = QStringLiteral("/q/bin");
    s.BMpath = QStringLiteral("/q/bin");
    s.QLTpath = QStringLiteral("/q/kyv");
    s.FileFormat = 1;
    s.QuoteSource = 2;
    s.endpoints.Yahoo = QStringLiteral("http://127.0.0.1:1");
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    EXPECT_EQ(ReadAll(m_ini), QByteArray("[Settings]\r\n"
                                         "StartYear=1995\r\n"
                                         "DestinationFolder=/q/bin\r\n"
                                         "BMpath=/q/bin\r\n"
                                         "QLTpath=/q/kyv\r\n"
                                         "FileFormat=1\r\n"
                                         "QuoteSource=2\r\n"));
}

TEST_F(AppSettingsFile, WriteRemovesOnlySpacesAroundText)
{
    AppSettings s;
    s.StartYear = QStringLiteral(" 1999 ");
    s.DestinationFolder = QStringLiteral("  /with space/ ");
    s.BMpath = QStringLiteral("\t/tab/\t");
    s.QLTpath = QStringLiteral("   ");
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    const QByteArray bytes = ReadAll(m_ini);
    EXPECT_TRUE(bytes.contains("\r\nStartYear=1999\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\r\nDestinationFolder=/with space/\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\r\nBMpath=\t/tab/\t\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\r\nQLTpath=\r\n")) << bytes.constData();
}

TEST_F(AppSettingsFile, FoldersWithBackslashesAndCommasRoundTrip)
{
    AppSettings s;
    s.StartYear = QStringLiteral("2010");
    s.DestinationFolder = QStringLiteral("C:\\Quotes, daily\\n\\");
    s.BMpath = QStringLiteral("\\\\server\\share,1\\\"bin\"");
    s.QLTpath = QStringLiteral("/home/u/a;b=c#d");
    s.FileFormat = 1;
    s.QuoteSource = 1;
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    const AppSettings r = INIfileRead(m_ini);
    EXPECT_EQ(r.StartYear, s.StartYear);
    EXPECT_EQ(r.DestinationFolder, s.DestinationFolder);
    EXPECT_EQ(r.BMpath, s.BMpath);
    EXPECT_EQ(r.QLTpath, s.QLTpath);
    EXPECT_EQ(r.FileFormat, 1);
    EXPECT_EQ(r.QuoteSource, 1);
}

TEST_F(AppSettingsFile, WriteKeepsEverythingElseOfTheFile)
{
    ASSERT_TRUE(WriteAll(m_ini, "; keep me\r\n"
                                "[Endpoints]\r\n"
                                "Yahoo=http://127.0.0.1:8080\r\n"
                                "\r\n"
                                "[settings]\r\n"
                                "QUOTESOURCE=1\r\n"
                                "Extra=keep\r\n"
                                "StartYear=1990\r\n"
                                "\r\n"
                                "[Tail]\r\n"
                                "x=y\r\n"));
    AppSettings s = INIfileRead(m_ini);
    s.StartYear = QStringLiteral("2001");
    s.QuoteSource = 2;
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    EXPECT_EQ(ReadAll(m_ini), QByteArray("; keep me\r\n"
                                         "[Endpoints]\r\n"
                                         "Yahoo=http://127.0.0.1:8080\r\n"
                                         "\r\n"
                                         "[settings]\r\n"
                                         "QUOTESOURCE=2\r\n"
                                         "Extra=keep\r\n"
                                         "StartYear=2001\r\n"
                                         "DestinationFolder=\r\n"
                                         "BMpath=" +
                                         DefaultBMpath().toLocal8Bit() +
                                         "\r\n"
                                         "QLTpath=" +
                                         DefaultQLTpath().toLocal8Bit() +
                                         "\r\n"
                                         "FileFormat=0\r\n"
                                         "\r\n"
                                         "[Tail]\r\n"
                                         "x=y\r\n"));
}

TEST_F(AppSettingsFile, StartAndCloseWritesBackNormalisedValues)
{
    ASSERT_TRUE(WriteAll(m_ini, "[Settings]\r\nStartYear=abc\r\nFileFormat=7\r\nQuoteSource=5\r\n"));
    ASSERT_TRUE(INIfileWrite(m_ini, INIfileRead(m_ini)));
    const QByteArray bytes = ReadAll(m_ini);
    EXPECT_TRUE(bytes.startsWith("[Settings]\r\nStartYear=0\r\nFileFormat=0\r\nQuoteSource=0\r\n"))
        << bytes.constData();
}

TEST_F(AppSettingsFile, UnwritablePathReturnsFalse)
{
    const QString regularFile = m_dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(WriteAll(regularFile, "x"));
    EXPECT_FALSE(INIfileWrite(regularFile + QStringLiteral("/Quorbex.ini"), AppSettings{}));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Quorbex.ini")));
    EXPECT_FALSE(INIfileWrite(m_ini, AppSettings{}));
    EXPECT_TRUE(QFileInfo(m_ini).isDir());
    EXPECT_EQ(ReadAll(regularFile), "x");
}

#ifdef Q_OS_UNIX
// Guards against a failed write emptying or cutting the old settings file.
TEST_F(AppSettingsFile, FailedWriteLeavesOldFileWhole)
{
    const QByteArray old = "[Settings]\r\nStartYear=1990\r\n";
    ASSERT_TRUE(WriteAll(m_ini, old));
    AppSettings s;
    s.DestinationFolder = QString(300, u'd');
    {
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(INIfileWrite(m_ini, s));
    }
    EXPECT_EQ(ReadAll(m_ini), old);
    EXPECT_EQ(INIfileRead(m_ini).StartYear, QStringLiteral("1990"));
}
#endif

struct EndpointCase
{
    const char *value;
    const char *expected; // nullptr: the default stays
};

class AppSettingsEndpoints : public AppSettingsFile, public ::testing::WithParamInterface<EndpointCase>
{};

TEST_P(AppSettingsEndpoints, OnlyBaseUrlsOverride)
{
    const EndpointCase &c = GetParam();
    const QByteArray v = c.value;
    const AppSettings s =
        ReadWith("[endpoints]\r\nyahoo=" + v + "\r\nGoogle=" + v + "\r\nQuoteMedia=" + v + "\r\n");
    const Endpoints defaults;
    const auto expected = [&](const QString &fallback) {
        return c.expected ? QString::fromLatin1(c.expected) : fallback;
    };
    EXPECT_EQ(s.endpoints.Yahoo, expected(defaults.Yahoo));
    EXPECT_EQ(s.endpoints.Google, expected(defaults.Google));
    EXPECT_EQ(s.endpoints.QuoteMedia, expected(defaults.QuoteMedia));
}

INSTANTIATE_TEST_SUITE_P(Cases, AppSettingsEndpoints,
                         ::testing::Values(EndpointCase{"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
                                           EndpointCase{"https://quotes.example", "https://quotes.example"},
                                           EndpointCase{"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
                                           EndpointCase{"ftp://127.0.0.1", nullptr},
                                           EndpointCase{"http://", nullptr},
                                           EndpointCase{"127.0.0.1:8080", nullptr},
                                           EndpointCase{"http://127.0.0.1/table", nullptr},
                                           EndpointCase{"http://127.0.0.1?q=1", nullptr},
                                           EndpointCase{"http://u:p@127.0.0.1", nullptr},
                                           EndpointCase{"http://127.0.0.1:99999", nullptr},
                                           EndpointCase{"http://bad host", nullptr},
                                           EndpointCase{"", nullptr}));

TEST_F(AppSettingsFile, WebmasterIdMustBeAllDigits)
{
    const Endpoints defaults;
    EXPECT_EQ(ReadWith("[Endpoints]\r\nQuoteMediaWebmasterId=777\r\n").endpoints.QuoteMediaWebmasterId,
              QStringLiteral("777"));
    EXPECT_EQ(ReadWith("[Endpoints]\r\nQuoteMediaWebmasterId=77a\r\n").endpoints.QuoteMediaWebmasterId,
              defaults.QuoteMediaWebmasterId);
    EXPECT_EQ(ReadWith("[Endpoints]\r\nQuoteMediaWebmasterId=-1\r\n").endpoints.QuoteMediaWebmasterId,
              defaults.QuoteMediaWebmasterId);
    EXPECT_EQ(ReadWith("[Endpoints]\r\nQuoteMediaWebmasterId=\r\n").endpoints.QuoteMediaWebmasterId,
              defaults.QuoteMediaWebmasterId);
}

} // namespace
