#include "QuoteDownloader.h"

#include "HttpTransfer.h"
#include "QtPrinters.h"

#include "CannedHttpServer.h"

#include <gtest/gtest.h>

namespace {

class QuoteDownloaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening());
        const QString base = m_server.BaseUrl();
        Endpoints endpoints{base, base + QLatin1Char('/'), base, QStringLiteral("123"), base, base};
        m_downloader.SetEndpoints(endpoints);
        m_downloader.SetTokens({QStringLiteral("e/tok"), QStringLiteral("t-tok")});
    }

    CannedHttpServer m_server;
    HttpTransfer m_transfer;
    QuoteDownloader m_downloader{m_transfer};
};

TEST_F(QuoteDownloaderTest, SendsEachSourcesRequestAndParsesItsReply)
{
    // "." groups thousands here, so every volume the old sources read comes out as 1500.
    m_downloader.SetLocale(QLocale(QLocale::German, QLocale::Germany));
    const std::tuple<int, QByteArray, QByteArray> sources[] = {
        {QuoteDownloader::kYahoo, "Date\n2013-05-03,1,2,0.5,1.5,1.500,1.5\n",
         "/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv"},
        {QuoteDownloader::kQuoteMedia, "date\n2013-05-03,1,2,0.5,1.5,1.500\n",
         "/quotetools/getHistoryDownload.csv?&webmasterId=123&startDay=1&startMonth=0&startYear=2000"
         "&isRanged=true&symbol=%5EGSPC"},
        {QuoteDownloader::kGoogle, "\357\273\277Date\n3-May-13,1,2,0.5,1.5,1.500\n",
         "/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv"},
        {QuoteDownloader::kEodhd,
         "Date,Open,High,Low,Close,Adjusted_close,Volume\n2013-05-03,1,2,0.5,1.5,1.5,1500\n",
         "/api/eod/%5EGSPC?api_token=e%2Ftok&fmt=csv&period=d&order=a&from=2000-01-01"},
        {QuoteDownloader::kTiingo, "date,close,high,low,open,volume\n2013-05-03,1.5,2,0.5,1,1500\n",
         "/tiingo/daily/%5EGSPC/prices?startDate=2000-01-01&format=csv&resampleFreq=daily"}};
    for (const auto &[source, reply, target] : sources) {
        SCOPED_TRACE(source);
        m_server.body = reply;
        const SourceOutcome outcome = m_downloader.Download(source, QStringLiteral("^GSPC"), 2000);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.cause, QString());
        EXPECT_EQ(m_server.targets.value(m_server.targets.size() - 1), target);
        EXPECT_EQ(m_downloader.OutputSeries.values,
                  (std::vector<BarSeries::Values>{{1, 2, 0.5f, 1.5f, 1500}}));
    }
    EXPECT_TRUE(m_server.heads.last().contains("\r\nAuthorization: Token t-tok\r\n"));

    EXPECT_EQ(m_downloader.Download(5, QStringLiteral("MSFT"), 2000).result, 1); // unknown source: no request
    m_downloader.SetTokens({});
    EXPECT_EQ(m_downloader.Download(QuoteDownloader::kTiingo, QStringLiteral("MSFT"), 2000).cause,
              QStringLiteral("no Tiingo API token"));
    EXPECT_EQ(m_server.targets.size(), 5);
    const QUrl demo = m_downloader.Request(QuoteDownloader::kEodhd, QStringLiteral("A"), 2000).url;
    EXPECT_TRUE(demo.query().startsWith(QStringLiteral("api_token=demo&")));
}

TEST_F(QuoteDownloaderTest, EveryFailureSaysWhyWithoutShowingAToken)
{
    const QByteArray page =
        "<!DOCTYPE html><html><head><title>404 Not Found</title></head><body>" + QByteArray(100, 'x') + "\n";
    const QByteArray csv = "Date,Open,High,Low,Close,Adjusted_close,Volume\n2013-05-03,1,1,1,1,1,1\n";
    const struct
    {
        int source;
        QByteArray status, body;
        int result;
        QByteArray cause;
    } cases[] = {
        {QuoteDownloader::kYahoo, "404 Not Found", page, 1, "HTTP 404 Not Found"},
        {QuoteDownloader::kYahoo, "500 Internal Server Error", csv, 0, ""}, // judged by the body alone
        {QuoteDownloader::kYahoo, "200 OK", page, 1, "reply is not price data: " + page.left(80)},
        {QuoteDownloader::kGoogle, "200 OK", "", 1, "reply is empty"},
        {QuoteDownloader::kQuoteMedia, "200 OK", "Date\r\n", 2, "no price lines"},
        {QuoteDownloader::kYahoo, "200 OK", csv.chopped(4), 1, "reply cut short"},
        {QuoteDownloader::kEodhd, "500 Internal Server Error", csv, 1, "HTTP 500 Internal Server Error"},
        {QuoteDownloader::kEodhd, "401 Unauthorized", "Unauthenticated", 1,
         "HTTP 401 Unauthorized: check the API token"},
        {QuoteDownloader::kEodhd, "200 OK", "\xEF\xBB\xBFTicker Not Found.\r\n", 1,
         "reply is not price data: Ticker Not Found."},
        {QuoteDownloader::kEodhd, "200 OK", "Bad token e/tok or e%2Ftok", 1,
         "reply is not price data: Bad token *** or ***"},
        {QuoteDownloader::kTiingo, "429 Too Many Requests", "{\"detail\":\"slow down\"}", 1,
         "HTTP 429 Too Many Requests: the service's rate limit"},
        {QuoteDownloader::kTiingo, "418 I'm a teapot", "", 1, "HTTP 418"},
        {QuoteDownloader::kTiingo, "400 Bad Request", "", 1, "HTTP 400 Bad Request"},
        {QuoteDownloader::kTiingo, "200 OK", "date,close,high,low,open,volume\n2013-05-03,1", 1,
         "reply cut short"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        m_server.status = c.status;
        m_server.body = c.body;
        const SourceOutcome outcome = m_downloader.Download(c.source, QStringLiteral("X"), 2000);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.cause, QString::fromLatin1(c.cause));
    }
    // The transport's cause comes first.
    const QString closed = CannedHttpServer().BaseUrl(); // closed again at the end of this line
    m_downloader.SetEndpoints({closed, closed, closed, QStringLiteral("1"), closed, closed});
    EXPECT_EQ(m_downloader.Download(QuoteDownloader::kEodhd, QStringLiteral("X"), 2000).cause,
              QStringLiteral("connection refused"));
}

} // namespace
