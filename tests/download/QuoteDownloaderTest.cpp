#include "QuoteDownloader.h"
#include "ServiceSettingsFor.h"

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
        m_services = ServicesAt(base, QStringLiteral("e/tok"), QStringLiteral("t-tok"));
        m_services[1].extras[QStringLiteral("QuoteMediaWebmasterId")] = QStringLiteral("123");
        m_downloader.SetServices(m_services);
    }

    CannedHttpServer m_server;
    HttpTransfer m_transfer;
    QuoteDownloader m_downloader{m_transfer};
    QList<ServiceSettings> m_services;
};

TEST_F(QuoteDownloaderTest, SendsEachSourcesRequestAndParsesItsReply)
{
    // "." groups thousands here, so the volume QuoteMedia's form gives reads as 1500. The URLs and replies
    // of every form are QuoteSourcesTest's and NamedColumnsTest's; this is the downloader's wiring.
    m_downloader.SetLocale(QLocale(QLocale::German, QLocale::Germany));
    const std::tuple<int, QByteArray, QByteArray> sources[] = {
        {1, "date\n2013-05-03,1,2,0.5,1.5,1.500\n",
         "/quotetools/getHistoryDownload.csv?&webmasterId=123&startDay=1&startMonth=0&startYear=2000"
         "&isRanged=true&symbol=%5EGSPC"},
        {4, "date,close,high,low,open,volume\n2013-05-03,1.5,2,0.5,1,1500\n",
         "/tiingo/daily/%5EGSPC/prices?startDate=2000-01-01&format=csv&resampleFreq=daily"}};
    for (const auto &[source, reply, target] : sources) {
        SCOPED_TRACE(source);
        m_server.body = reply;
        const SourceOutcome outcome =
            m_downloader.Download(source, QStringLiteral("^GSPC"), QDate(2000, 1, 1));
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.cause, QString());
        EXPECT_EQ(m_server.targets.value(m_server.targets.size() - 1), target);
        EXPECT_EQ(m_downloader.OutputSeries.values,
                  (std::vector<BarSeries::Values>{{1, 2, 0.5f, 1.5f, 1500}}));
    }
    EXPECT_TRUE(m_server.heads.last().contains("\r\nAuthorization: Token t-tok\r\n"));

    EXPECT_EQ(m_downloader.Download(6, QStringLiteral("MSFT"), QDate(2000, 1, 1)).result,
              1); // unknown source: no request
    m_downloader.SetServices(ServicesAt(m_server.BaseUrl()));
    EXPECT_EQ(m_downloader.Download(4, QStringLiteral("MSFT"), QDate(2000, 1, 1)).cause,
              QStringLiteral("no Tiingo API token"));
    EXPECT_EQ(m_server.targets.size(), 2);
    const QUrl demo = m_downloader.Request(3, QStringLiteral("A"), QDate(2000, 1, 1)).url;
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
        {0, "404 Not Found", page, 1, "HTTP 404 Not Found"},
        {0, "500 Internal Server Error", csv, 0, ""}, // judged by the body alone
        {0, "200 OK", page, 1, "reply is not price data: " + page.left(80)},
        {2, "200 OK", "", 1, "reply is empty"},
        {1, "200 OK", "Date\r\n", 2, "no price lines"},
        {0, "200 OK", csv.chopped(4), 1, "reply cut short"},
        {3, "500 Internal Server Error", csv, 1, "HTTP 500 Internal Server Error"},
        {3, "401 Unauthorized", "Unauthenticated", 1, "HTTP 401 Unauthorized: check the API token"},
        {3, "200 OK", "\xEF\xBB\xBFTicker Not Found.\r\n", 1, "reply is not price data: Ticker Not Found."},
        {3, "200 OK", "Bad token e/tok or e%2Ftok", 1, "reply is not price data: Bad token *** or ***"},
        {4, "429 Too Many Requests", "{\"detail\":\"slow down\"}", 1,
         "HTTP 429 Too Many Requests: the service's rate limit"},
        {4, "418 I'm a teapot", "", 1, "HTTP 418"},
        {4, "400 Bad Request", "", 1, "HTTP 400 Bad Request"},
        {4, "200 OK", "date,close,high,low,open,volume\n2013-05-03,1", 1, "reply cut short"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        m_server.status = c.status;
        m_server.body = c.body;
        const SourceOutcome outcome = m_downloader.Download(c.source, QStringLiteral("X"), QDate(2000, 1, 1));
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.cause, QString::fromLatin1(c.cause));
    }
    // The transport's cause comes first.
    const QString closed = CannedHttpServer().BaseUrl(); // closed again at the end of this line
    m_downloader.SetServices(ServicesAt(closed));
    EXPECT_EQ(m_downloader.Download(3, QStringLiteral("X"), QDate(2000, 1, 1)).cause,
              QStringLiteral("connection refused"));
}

} // namespace

// A history longer than one reply comes in pieces from the newest back, each asked to end on the oldest
// bar so far, a day the service leaves out; the key stays in the header.
TEST_F(QuoteDownloaderTest, TwelveDataFetchesALongHistoryInPiecesAndReadsItsErrorBodies)
{
    const int twelveData = ServiceRegistry::IndexOf(u"twelvedata");
    m_services[twelveData].token = QStringLiteral("k3y");
    m_downloader.SetServices(m_services);
    QByteArray newest = "datetime;open;high;low;close;volume\n";
    QDate day(2026, 11, 30);
    for (int i = 0; i < 5000; ++i, day = day.addDays(-1))
        newest += day.toString(Qt::ISODate).toLatin1() + ";2;3;1;2.5;100\n";
    const QDate oldestOfNewest = day.addDays(1);
    m_server.queued = {newest, "datetime;open;high;low;close\n" + day.toString(Qt::ISODate).toLatin1() +
                                   ";1;2;0.5;1.5\n" + day.addDays(-1).toString(Qt::ISODate).toLatin1() +
                                   ";1;2;0.5;1.25\n"};
    const SourceOutcome outcome =
        m_downloader.Download(twelveData, QStringLiteral("AAPL"), QDate(1990, 1, 1));
    ASSERT_EQ(outcome.result, 0) << outcome.cause.toStdString();
    ASSERT_EQ(m_server.targets.size(), 2);
    EXPECT_EQ(m_server.targets[0], "/time_series?symbol=AAPL&interval=1day&start_date=1990-01-01"
                                   "&outputsize=5000&adjust=all&format=CSV");
    EXPECT_EQ(m_server.targets[1], "/time_series?symbol=AAPL&interval=1day&start_date=1990-01-01&end_date=" +
                                       oldestOfNewest.toString(Qt::ISODate).toLatin1() +
                                       "&outputsize=5000&adjust=all&format=CSV");
    EXPECT_TRUE(m_server.heads.last().contains("\r\nAuthorization: apikey k3y\r\n"));
    const BarSeries &series = m_downloader.OutputSeries;
    ASSERT_EQ(series.BarCount, 5002);
    EXPECT_EQ(series.values[0], (BarSeries::Values{1, 2, 0.5f, 1.25f, 0})); // no volume column: 0
    EXPECT_EQ(series.values[2], (BarSeries::Values{2, 3, 1, 2.5f, 100}));
    for (int bar = 2; bar <= series.BarCount; ++bar)
        ASSERT_LT(series.BarDate(bar - 1), series.BarDate(bar));

    // Errors come as JSON, under 200 as well, and never show the key.
    const struct
    {
        const char *status;
        QByteArray body;
        int result;
        QString cause;
    } cases[] = {
        {"200 OK",
         R"({"code":400,"message":"**symbol** not found: k3y. Please specify it correctly according to )"
         R"(API Documentation.","status":"error"})",
         1,
         QStringLiteral("**symbol** not found: ***. Please specify it correctly according to API Document")},
        {"200 OK",
         R"({"code":400,"message":"No data is available on the specified dates.","status":"error"})", 2,
         QStringLiteral("No data is available on the specified dates.")},
        // A refused key says so whatever the body; QuoteServiceTest sees the 401 of a wrong one.
        {"403 Forbidden", R"({"code":403,"message":"not on your plan","status":"error"})", 1,
         QStringLiteral("HTTP 403 Forbidden: check the API key")},
        // Its message is the cause under any other error status too, and never shows the key either.
        {"500 Internal Server Error", R"({"code":500,"message":"Upstream k3y failed","status":"error"})", 1,
         QStringLiteral("Upstream *** failed")},
        {"429 Too Many Requests",
         R"({"code":429,"message":"You have run out of API credits for the current minute.","status":"error"})",
         1, QStringLiteral("You have run out of API credits for the current minute.")},
        {"502 Bad Gateway", "<html>bad gateway</html>", 1, QStringLiteral("HTTP 502 Bad Gateway")}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        m_server.status = c.status;
        m_server.body = c.body;
        const SourceOutcome failed =
            m_downloader.Download(twelveData, QStringLiteral("X"), QDate(1990, 1, 1));
        EXPECT_EQ(failed.result, c.result);
        EXPECT_EQ(failed.cause, c.cause);
    }
}
