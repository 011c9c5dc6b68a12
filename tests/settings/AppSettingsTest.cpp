#include "AppSettings.h"
#include "QtPrinters.h"
#include "ServiceRegistry.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

class AppSettingsFile : public ::testing::Test
{
protected:
    AppSettings ReadWith(const QByteArray &bytes) const
    {
        EXPECT_TRUE(WriteFile(m_ini, bytes));
        return INIfileRead(m_ini);
    }
    [[nodiscard]] QByteArray Written() const { return ReadFile(m_ini); }

    QTemporaryDir m_dir;
    QString m_ini = m_dir.filePath(u"Quorbex.ini"_s);
};

TEST_F(AppSettingsFile, MissingOrOutOfRangeValuesGiveDefaults)
{
    const std::pair<const char *, const char *> cases[] = {
        {nullptr, "2000"}, // no file: a first start
        {"", "2000"},      // a file without QuoteSource is no first start
        {"FileFormat=2\r\nQuoteSource=6\r\nStartYear=abc", "0"},
        {"FileFormat=-1\r\nQuoteSource=-1", "2000"}};
    for (const auto &[lines, year] : cases) {
        SCOPED_TRACE(lines);
        const AppSettings s = lines ? ReadWith(QByteArray("[Settings]\r\n") + lines) : INIfileRead(m_ini);
        EXPECT_EQ(s.StartYear, QString::fromLatin1(year));
        EXPECT_EQ(s.DestinationFolder, QString());
        EXPECT_EQ(s.BMpath, DefaultBMpath());
        EXPECT_EQ(s.QLTpath, DefaultQLTpath());
        EXPECT_EQ(s.FileFormat, 0);
        EXPECT_EQ(s.QuoteSource, lines ? 0 : FirstStartSource());
        EXPECT_EQ(s.FirstStart, !lines);
    }
    EXPECT_EQ(ServiceRegistry::At(FirstStartSource())->Describe().key, u"EODHD"_s);
}

TEST_F(AppSettingsFile, ReadsEachKeyByNameWithTextCutTo1023Characters)
{
    const QByteArray longText(1024, 'x');
    const AppSettings s =
        ReadWith("[Other]\r\nFileFormat=0\r\n[SETTINGS]\r\nquotesource = 2\r\nqltpath=D:\\Q\r\n"
                 "FILEFORMAT=1\r\nbmPath=" +
                 longText + "\r\ndestinationfolder=C:\\a, b\\" + longText + "\r\nstartyear=1999abc\r\n");
    EXPECT_EQ(s.StartYear, u"1999"_s);
    EXPECT_EQ(s.DestinationFolder, (u"C:\\a, b\\"_s + QString::fromLatin1(longText)).left(1023));
    EXPECT_EQ(s.BMpath, QString(1023, u'x'));
    EXPECT_EQ(s.QLTpath, u"D:\\Q"_s);
    EXPECT_EQ(s.FileFormat, 1);
    EXPECT_EQ(s.QuoteSource, 2);
}

TEST_F(AppSettingsFile, WriteStoresTheSixKeysInOrderKeepingTheRestOfTheFile)
{
    const AppSettings s{u" 1999 "_s, u"C:\\a, b\\"_s, u"  /b m/ "_s, u"/q"_s, 1, 2, {}};
    const QByteArray five = "StartYear=1999\r\nDestinationFolder=C:\\a, b\\\r\nBMpath=/b m/\r\nQLTpath=/q\r\n"
                            "FileFormat=1\r\n";
    const std::pair<const char *, QByteArray> cases[] = {
        {nullptr, "[Settings]\r\n" + five + "QuoteSource=2\r\n"}, // no file
        {"[A]\r\n\r\n", "[A]\r\n\r\n[Settings]\r\n" + five + "QuoteSource=2\r\n"},
        {"[A]\r\nk=v", "[A]\r\nk=v\r\n\r\n[Settings]\r\n" + five + "QuoteSource=2\r\n"},
        {"[A]\r\n[Settings]\r\nQuoteSource=0", "[A]\r\n[Settings]\r\nQuoteSource=2\r\n" + five},
        {"; c\r\n[settings]\r\nQUOTESOURCE=1\r\nx=y\r\n\r\n[B]\r\nk=v\r\n",
         "; c\r\n[settings]\r\nQUOTESOURCE=2\r\nx=y\r\n" + five + "\r\n[B]\r\nk=v\r\n"}};
    for (const auto &[before, after] : cases) {
        SCOPED_TRACE(before);
        if (before)
            ReadWith(before);
        ASSERT_TRUE(INIfileWrite(m_ini, s));
        EXPECT_EQ(Written(), after);
    }
}

#ifndef Q_OS_WIN
// Guards against saving turning bytes that are not UTF-8 into other bytes: a Latin-1 folder would
// name another folder afterwards.
TEST_F(AppSettingsFile, UnchangedLinesAndValuesComeBackByteForByte)
{
    const QByteArray file =
        "\xEF\xBB\xBF; caf\xE9\r\n[Other]\r\nName=Caf\xE9\r\n[Settings]\r\nStartYear=1999\r\n"
        "DestinationFolder=/d\xE9\r\nBMpath=/b\xE9\xC3\r\nQLTpath=/q\r\nFileFormat=1\r\n"
        "QuoteSource=2\r\n";
    ASSERT_TRUE(INIfileWrite(m_ini, ReadWith(file)));
    EXPECT_EQ(Written(), file);
}
#endif

// Guards against a line break in a value writing keys or sections of its own.
TEST_F(AppSettingsFile, ValueWithALineBreakIsNotWritten)
{
    for (const char *brk : {"\n", "\r"}) {
        ReadWith("[Settings]\r\nBMpath=/b\r\n");
        AppSettings s;
        s.BMpath = u"x"_s + QLatin1StringView(brk) + u"[Endpoints]"_s + QLatin1StringView(brk) +
                   u"Yahoo=http://elsewhere"_s;
        QString error;
        EXPECT_FALSE(INIfileWrite(m_ini, s, &error));
        EXPECT_EQ(error, u"BMpath not written: a line break in the value"_s);
        EXPECT_TRUE(Written().startsWith("[Settings]\r\nBMpath=/b\r\n"));
        EXPECT_EQ(INIfileRead(m_ini).services[0].base, ServiceRegistry::DefaultSettings()[0].base);
    }
}

TEST_F(AppSettingsFile, EndpointsOverrideOnlyWithBaseUrlsAndDigitIds)
{
    // clang-format off
    const struct
    {
        const char *value, *url, *id; // nullptr: the default stays
    } cases[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080", nullptr},
        {"https://quotes.example/", "https://quotes.example", nullptr}, {"777", nullptr, "777"},
        {"77a", nullptr, nullptr}, {"-1", nullptr, nullptr}, {"", nullptr, nullptr},
        {"ftp://127.0.0.1", nullptr, nullptr}, {"127.0.0.1:80", nullptr, nullptr}, {"http://", nullptr, nullptr},
        {"http://127.0.0.1/table", nullptr, nullptr}, {"http://127.0.0.1?q=1", nullptr, nullptr},
        {"http://u:p@127.0.0.1", nullptr, nullptr}, {"http://127.0.0.1:99999", nullptr, nullptr}};
    // clang-format on
    const QList<ServiceSettings> defaults = ServiceRegistry::DefaultSettings();
    const QString id = QStringLiteral("QuoteMediaWebmasterId");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        const QByteArray v = c.value;
        const QList<ServiceSettings> e =
            ReadWith("[endpoints]\r\nyahoo=" + v + "\r\nGoogle=" + v + "\r\nQuoteMedia=" + v +
                     "\r\nQuoteMediaWebmasterId=" + v + "\r\nEODHD=" + v + "\r\ntiingo=" + v +
                     "\r\nTwelveData=" + v)
                .services;
        const QString url = QString::fromLatin1(c.url);
        for (qsizetype i = 0; i < e.size(); ++i)
            EXPECT_EQ(e[i].base, c.url ? url : defaults[i].base);
        EXPECT_EQ(e[1].extras.value(id), c.id ? QString::fromLatin1(c.id) : defaults[1].extras.value(id));
    }
}

// Tokens are secrets: a file holding one is the owner's alone, and a file without any gains no section.
TEST_F(AppSettingsFile, TokensRoundTripAndMakeTheFileOwnerOnly)
{
    AppSettings s = ReadWith("[Settings]\r\nQuoteSource=4\r\n");
    EXPECT_EQ(s.QuoteSource, 4);
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    EXPECT_FALSE(Written().contains("Tokens"));

    s.services[3].token = u"e-token"_s;
    s.services[4].token = u"t token"_s;
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    EXPECT_TRUE(Written().endsWith("[Tokens]\r\nEODHD=e-token\r\nTiingo=t token\r\n"));
    EXPECT_EQ(INIfileRead(m_ini).services[4].token, u"t token"_s);
#ifdef Q_OS_UNIX
    EXPECT_EQ(QFile::permissions(m_ini) & 0xF0FF,
              QFile::ReadOwner | QFile::WriteOwner); // none for group or others
#endif
    s.services[3].token.clear();
    s.services[4].token.clear();
    ASSERT_TRUE(INIfileWrite(m_ini, s));
    EXPECT_TRUE(Written().endsWith("[Tokens]\r\nEODHD=\r\nTiingo=\r\n"));
    EXPECT_EQ(INIfileRead(m_ini).services[3].token, QString());
}

TEST_F(AppSettingsFile, DownloadAndLimitsReadWithTheirBoundsAndDefaults)
{
    const AppSettings defaults = INIfileRead(m_ini);
    EXPECT_EQ(defaults.Retries, 3);
    EXPECT_EQ(defaults.Jobs, 1);
    EXPECT_FALSE(defaults.UpdateExisting);
    EXPECT_TRUE(defaults.MarketDay);
    const int tiingo = ServiceRegistry::IndexOf(u"tiingo");
    const int yahoo = ServiceRegistry::IndexOf(u"yahoo");
    EXPECT_EQ(defaults.services[tiingo].rates,
              (QList<Rate>{{50, std::chrono::hours(1)}, {1000, std::chrono::hours(24)}}));

    const AppSettings read =
        ReadWith("[Download]\r\nRetries=11\r\nJobs=8\r\nUpdateExisting=1\r\nMarketDay=0\r\n"
                 "[Limits]\r\nTiingo=5/second\r\nYahoo=2/30\r\nEODHD=often\r\n");
    EXPECT_EQ(read.Retries, 3); // out of range
    EXPECT_EQ(read.Jobs, 8);
    EXPECT_TRUE(read.UpdateExisting);
    EXPECT_FALSE(read.MarketDay);
    EXPECT_EQ(read.services[tiingo].rates, (QList<Rate>{{5, std::chrono::seconds(1)}}));
    EXPECT_EQ(read.services[yahoo].rates, (QList<Rate>{{2, std::chrono::seconds(30)}}));
    EXPECT_EQ(read.services[ServiceRegistry::IndexOf(u"eodhd")].rates,
              defaults.services[ServiceRegistry::IndexOf(u"eodhd")].rates); // unreadable: documented ones
}

// A file that never had the box on gains no [Download]; once on, turning it off is kept.
TEST_F(AppSettingsFile, UpdateExistingIsWrittenOnlyOnceTurnedOn)
{
    AppSettings settings = INIfileRead(m_ini);
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_FALSE(Written().contains("[Download]"));
    settings.UpdateExisting = true; // written as 1: the window's test sees that
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    settings.UpdateExisting = false;
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_TRUE(Written().contains("[Download]\r\nUpdateExisting=0\r\n"));

    // Prices and EndDate likewise, and they read back.
    EXPECT_FALSE(Written().contains("Prices") || Written().contains("EndDate"));
    settings.Prices = PriceKind::AsTraded;
    settings.EndDate = u"2024-03-15"_s;
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_TRUE(Written().contains("UpdateExisting=0\r\nPrices=raw\r\nEndDate=2024-03-15\r\n"));
    EXPECT_EQ(INIfileRead(m_ini).Prices, PriceKind::AsTraded);
    EXPECT_EQ(INIfileRead(m_ini).EndDate, u"2024-03-15"_s);
    settings.Prices = PriceKind::Adjusted;
    settings.EndDate.clear();
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_TRUE(Written().contains("Prices=adjusted\r\nEndDate=\r\n"));
    // MarketDay is on by default, so it is written once turned off.
    settings.MarketDay = false;
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_TRUE(Written().contains("EndDate=\r\nMarketDay=0\r\n"));
    settings.MarketDay = true;
    ASSERT_TRUE(INIfileWrite(m_ini, settings));
    EXPECT_TRUE(Written().contains("MarketDay=1\r\n"));
}
