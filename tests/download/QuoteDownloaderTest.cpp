#include "QuoteDownloader.h"

#include "HttpTransfer.h"
#include "QtPrinters.h"

#include "CannedHttpServer.h"

#include <gtest/gtest.h>

namespace {

TEST(QuoteDownloader, SendsEachSourcesRequestAndKeepsTheOutputSeriesWhenNothingIsRead)
{
    CannedHttpServer server;
    ASSERT_TRUE(server.isListening());
    HttpTransfer transfer;
    QuoteDownloader downloader(transfer);
    const QString base = server.BaseUrl();
    downloader.SetEndpoints({base, base + QLatin1Char('/'), base, QStringLiteral("123")});
    // "." groups thousands here, so every volume below reads as 1500.
    downloader.SetLocale(QLocale(QLocale::German, QLocale::Germany));

    const std::tuple<int, QByteArray, QByteArray> sources[] = {
        {QuoteDownloader::kYahoo, "Date\n2013-05-03,1,2,0.5,1.5,1.500,1.5\n",
         "/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv"},
        {QuoteDownloader::kQuoteMedia, "date\n2013-05-03,1,2,0.5,1.5,1.500\n",
         "/quotetools/getHistoryDownload.csv?&webmasterId=123&startDay=1&startMonth=0&startYear=2000"
         "&isRanged=true&symbol=%5EGSPC"},
        {QuoteDownloader::kGoogle, "\357\273\277Date\n3-May-13,1,2,0.5,1.5,1.500\n",
         "/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv"}};
    for (const auto &[source, reply, target] : sources) {
        SCOPED_TRACE(source);
        server.body = reply;
        EXPECT_EQ(downloader.Download(source, QStringLiteral("^GSPC"), 2000), 0);
        EXPECT_EQ(server.targets.value(server.targets.size() - 1), target);
        EXPECT_EQ(downloader.OutputSeries.values, (std::vector<BarSeries::Values>{{1, 2, 0.5f, 1.5f, 1500}}));
    }

    // A reply failing the header check (1) leaves both series, one without price lines (2) sets only
    // the raw series' symbol.
    const std::tuple<QByteArray, int, QString> failures[] = {
        {"<html>Not found</html>", 1, QStringLiteral("^GSPC")}, {"Date,Open\n\n", 2, QStringLiteral("MSFT")}};
    for (const auto &[reply, result, rawSymbol] : failures) {
        SCOPED_TRACE(result);
        server.body = reply;
        EXPECT_EQ(downloader.Download(QuoteDownloader::kYahoo, QStringLiteral("MSFT"), 2000), result);
        EXPECT_EQ(downloader.RawSeries.Symbol, rawSymbol);
        EXPECT_EQ(downloader.RawSeries.BarCount, 1);
        EXPECT_EQ(downloader.OutputSeries.Symbol, QStringLiteral("^GSPC"));
        EXPECT_EQ(downloader.OutputSeries.BarCount, 1);
    }
    EXPECT_EQ(downloader.Download(3, QStringLiteral("MSFT"), 2000), 1); // unknown source: no request
    EXPECT_EQ(server.targets.size(), 5);
}

} // namespace
