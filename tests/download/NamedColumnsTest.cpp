#include "NamedColumns.h"
#include "EodhdService.h"
#include "TiingoService.h"

#include "DateValue.h"
#include "GoogleService.h"
#include "QtPrinters.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "YahooService.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bars = std::vector<std::pair<double, BarSeries::Values>>;
using Parser = int (*)(QByteArrayView, const QString &, BarSeries &, BarSeries &, bool &);

double Day(int day)
{
    return DateValue::CalendarDate(2013, 5, day).value();
}

struct Case
{
    const char *name;
    Parser parse;
    QByteArray reply;
    Bars output;
};

// Replies that fail or hold no bars are the fuzz targets' seeds, judged there.
TEST(TokenSources, ParseHeadersByNameAdjustAndPassOverBadLines)
{
    const QByteArray eodhd = "Date,Open,High,Low,Close,Adjusted_close,Volume\n";
    const QByteArray tiingo =
        "date,close,high,low,open,volume,adjClose,adjHigh,adjLow,adjOpen,adjVolume,divCash,"
        "splitFactor\n";
    const Case cases[] = {
        // Reordered and extra columns, names in any case, a byte-order mark, CR LF, a time after the date,
        // lines out of order. Adjusted close 8 on close 20: ratio 0.4, volume 1001 / 0.4 = 2502.5.
        {"EodhdByName",
         EodhdService::ParseReply,
         "\xEF\xBB\xBF"
         "extra,VOLUME,date,adjusted_close,Close,low,high,open\r\n"
         "x,1001,2013-05-03T00:00:00Z,8,20,20,22,21\r\n"
         "x,999,2013-05-01,7.5,7.5,7,8,7\r\n"
         "\r\n"
         "x,1000,2013-05-02,0,20,19,21,20\r\n", // no positive adjusted close: as reported
         {{Day(1), {7, 8, 7, 7.5f, 999}},
          {Day(2), {20, 21, 19, 20, 1000}},
          {Day(3), {8.4f, 8.8f, 8, 8, 2502}}}},
        {"EodhdBadLinesPassedOver",
         EodhdService::ParseReply,
         eodhd +
             "2013-02-30,1,1,1,1,1,1\n2013-05-01,1,x,1,1,1,1\n2013-05-02,1,1,1,1,1\n2013-05-0,1,1,1,1,1,1\n"
             "2013-05-03,1,1,1,1,,5\n2013-05-04,1,1,1,1e39,1,1\n",
         {{Day(3), {1, 1, 1, 1, 5}}}},
        {"TiingoAdjusted",
         TiingoService::ParseReply,
         tiingo + "2013-05-03,20,22,20,21,1000,10,11,10,10.5,2000.7,0.0,1.0\n"
                  "2013-05-02,20,21,19,20,1001,0,,-1,abc,,0.0,1.0\n" // raw where no positive adjusted value
                  "2013-05-03,9,9,9,9,9,9,9,9,9,9,0,1\n",            // a repeated date keeps the first
         {{Day(2), {20, 21, 19, 20, 1001}}, {Day(3), {10.5f, 11, 10, 10, 2000}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BarSeries raw;
        BarSeries output;
        bool cutShort = false;
        EXPECT_EQ(c.parse(c.reply, QStringLiteral("X"), raw, output, cutShort), QuoteSources::kSuccess);
        EXPECT_FALSE(cutShort);
        Bars bars;
        for (int bar = 1; bar <= output.BarCount; ++bar)
            bars.emplace_back(output.BarDate(bar), output.values[std::size_t(bar - 1)]);
        EXPECT_EQ(bars, c.output);
        EXPECT_EQ(output.Symbol, QStringLiteral("X"));
    }
}

TEST(TokenSources, TheSymbolIsOnePathSegment)
{
    EXPECT_EQ(EodhdService::Url(QStringLiteral("https://h:1/"), QStringLiteral("a b&c"),
                                QStringLiteral("BRK/B.US"), QDate(1999, 1, 1))
                  .toEncoded(),
              "https://h:1/api/eod/BRK%2FB.US?api_token=a%20b%26c&fmt=csv&period=d&order=a&from=1999-01-01");
    EXPECT_EQ(TiingoService::Url(QStringLiteral("https://h"), QStringLiteral("^A?#"), QDate(2000, 1, 1))
                  .toEncoded(),
              "https://h/tiingo/daily/%5EA%3F%23/prices?startDate=2000-01-01&format=csv&resampleFreq=daily");
    EXPECT_FALSE(
        TiingoService::Url(QStringLiteral("not a url"), QStringLiteral("A"), QDate(2000, 1, 1)).isValid());
}

} // namespace
