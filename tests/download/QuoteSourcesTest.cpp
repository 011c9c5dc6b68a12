#include "QuoteSources.h"

#include "DateValue.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

#include <string>

using namespace QuoteSources;

namespace {

const QLocale kLocale(QLocale::English, QLocale::UnitedStates);

double Day(int year, int month, int day)
{
    return DateValue::CalendarDate(year, month, day).value();
}

using Parser = int (*)(const QByteArray &, const QString &, const QLocale &, BarSeries &, BarSeries &);

struct Source
{
    const char *name;
    Parser parse;
    QByteArray prefix;           // what goes before the header line
    QByteArray (*line)(int day); // a data line for that day of May 2013
};

const Source kYahoo{"Yahoo", ParseYahooReply, {}, [](int day) {
                        return "2013-05-" + QByteArray::number(day).rightJustified(2, '0') + ",1,1,1,1,1,1";
                    }};
const Source kGoogle{"Google", ParseGoogleReply, "\xEF\xBB\xBF",
                     [](int day) { return QByteArray::number(day) + "-May-13,1,1,1,1,1"; }};
const Source kQuoteMedia{"QuoteMedia", ParseQuoteMediaReply, {}, [](int day) {
                             return "2013-05-" + QByteArray::number(day).rightJustified(2, '0') +
                                    ",1,1,1,1,1";
                         }};

BarSeries Sentinel()
{
    BarSeries series;
    series.Symbol = QStringLiteral("OLD");
    series.Prepare(2);
    series.SetBarDate(1, 100.0);
    series.SetBarDate(2, 200.0);
    series.SetBarValue(2, 5, 7.0f);
    return series;
}

void ExpectSameSeries(const BarSeries &a, const BarSeries &b)
{
    EXPECT_EQ(a.Symbol, b.Symbol);
    EXPECT_EQ(a.RowCount, b.RowCount);
    EXPECT_EQ(a.BarCount, b.BarCount);
    EXPECT_EQ(a.FieldNames, b.FieldNames);
    EXPECT_EQ(a.dates, b.dates);
    EXPECT_EQ(a.values, b.values);
}

void ExpectBar(const BarSeries &series, int bar, double date, BarSeries::Values values)
{
    ASSERT_GE(series.BarCount, bar);
    EXPECT_EQ(series.BarDate(bar), date) << "bar " << bar;
    for (int column = 1; column <= 5; ++column)
        EXPECT_EQ(series.BarValue(bar, column), values[std::size_t(column - 1)])
            << "bar " << bar << " column " << column;
}

// ---- Requests

TEST(EncodeSymbol, EscapesOnlyWhatWouldBreakTheQuery)
{
    const struct
    {
        QString symbol;
        QByteArray encoded;
    } cases[] = {
        {QStringLiteral("^GSPC"), "%5EGSPC"},
        {QStringLiteral("^A^B"), "%5EA%5EB"},
        {QStringLiteral("ibm"), "ibm"},
        {QStringLiteral("NYSE:IBM"), "NYSE:IBM"},
        {QStringLiteral("BRK.B"), "BRK.B"},
        {QStringLiteral("RDS-A_x~=;/@!$'()*,"), "RDS-A_x~=;/@!$'()*,"},
        {QStringLiteral("A&s=X"), "A%26s=X"},
        {QStringLiteral("A B"), "A%20B"},
        {QStringLiteral("A#B"), "A%23B"},
        {QStringLiteral("A%41"), "A%2541"},
        {QStringLiteral("A+B"), "A%2BB"},
        {QStringLiteral("A?B"), "A%3FB"},
        {QStringLiteral("\t\r\n\x7F"), "%09%0D%0A%7F"},
        {QStringLiteral("\"<>[\\]`{|}"), "%22%3C%3E%5B%5C%5D%60%7B%7C%7D"},
        {QString::fromUtf8("\xC3\xA9"), "%C3%A9"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EncodeSymbol(c.symbol), c.encoded) << c.symbol.toStdString();
}

TEST(QuoteUrls, DocumentedForms)
{
    const QString symbol = QStringLiteral("^GSPC");
    EXPECT_EQ(YahooUrl(QStringLiteral("http://ichart.finance.yahoo.com"), symbol, 2000).toEncoded(),
              "http://ichart.finance.yahoo.com/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv");
    EXPECT_EQ(GoogleUrl(QStringLiteral("http://www.google.com"), symbol, 2000).toEncoded(),
              "http://www.google.com/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv");
    EXPECT_EQ(QuoteMediaUrl(QStringLiteral("http://app.quotemedia.com"), QStringLiteral("501"), symbol, 2000)
                  .toEncoded(),
              "http://app.quotemedia.com/quotetools/getHistoryDownload.csv?&webmasterId=501&startDay=1"
              "&startMonth=0&startYear=2000&isRanged=true&symbol=%5EGSPC");
}

TEST(QuoteUrls, BaseWithPortHttpsAndTrailingSlash)
{
    EXPECT_EQ(YahooUrl(QStringLiteral("http://127.0.0.1:8080/"), QStringLiteral("IBM"), 1900).toEncoded(),
              "http://127.0.0.1:8080/table.csv?s=IBM&a=0&b=1&c=1900&g=d&ignore=.csv");
    EXPECT_EQ(GoogleUrl(QStringLiteral("https://example.test//"), QStringLiteral("IBM"), 2013).toEncoded(),
              "https://example.test/finance/historical?q=IBM&startdate=Jan+1%2C+2013&output=csv");
    EXPECT_FALSE(YahooUrl(QString(), QStringLiteral("IBM"), 2000).isValid());
    EXPECT_FALSE(YahooUrl(QStringLiteral("not a url"), QStringLiteral("IBM"), 2000).isValid());
}

// A symbol must never add, end or replace a query parameter.
TEST(QuoteUrls, SymbolsCannotInjectParameters)
{
    const QString base = QStringLiteral("http://127.0.0.1");
    for (const QString &symbol : {QStringLiteral("A&c=1999"), QStringLiteral("A#frag"),
                                  QStringLiteral("A B+C"), QStringLiteral("A%26x"), QStringLiteral("A?q=1"),
                                  QStringLiteral("[x]|{y}"), QString::fromUtf8("\xC3\xA9\x01")}) {
        const QUrl yahoo = YahooUrl(base, symbol, 2000);
        ASSERT_TRUE(yahoo.isValid()) << symbol.toStdString();
        EXPECT_FALSE(yahoo.hasFragment());
        EXPECT_EQ(QUrl::fromEncoded(yahoo.toEncoded(), QUrl::StrictMode), yahoo);
        const QUrlQuery query(yahoo);
        EXPECT_EQ(query.queryItems().size(), 6);
        EXPECT_EQ(query.queryItemValue(QStringLiteral("s"), QUrl::FullyDecoded), symbol);
        EXPECT_EQ(query.queryItemValue(QStringLiteral("c")), QStringLiteral("2000"));

        const QUrl media = QuoteMediaUrl(base, QStringLiteral("501"), symbol, 2000);
        EXPECT_EQ(QUrlQuery(media).queryItemValue(QStringLiteral("symbol"), QUrl::FullyDecoded), symbol);
        const QUrl google = GoogleUrl(base, symbol, 2000);
        EXPECT_EQ(QUrlQuery(google).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), symbol);
        EXPECT_EQ(QUrlQuery(google).queryItemValue(QStringLiteral("output")), QStringLiteral("csv"));
    }
}

// ---- The shared frame

class FrameTest : public ::testing::TestWithParam<Source>
{
protected:
    int Parse(const QByteArray &body)
    {
        return GetParam().parse(GetParam().prefix + body, QStringLiteral("^GSPC"), kLocale, raw, output);
    }
    static QByteArray Line(int day) { return GetParam().line(day) + '\n'; }
    BarSeries raw = Sentinel();
    BarSeries output = Sentinel();
};

TEST_P(FrameTest, FailedHeaderCheckLeavesBothSeries)
{
    for (const QByteArray &body : {QByteArray(), QByteArray("Dat"), QByteArray("<html>Date"),
                                  " Date,Open\n" + Line(3), QByteArray("Dte\n")}) {
        EXPECT_EQ(Parse(body), kRequestFailed) << body.constData();
        ExpectSameSeries(raw, Sentinel());
        ExpectSameSeries(output, Sentinel());
    }
}

TEST_P(FrameTest, HeaderTitleIgnoresLetterCase)
{
    for (const char *header : {"date", "DATE", "dAtE,Open", "Date"})
        EXPECT_EQ(Parse(QByteArray(header) + "\n" + Line(3)), kSuccess) << header;
}

TEST_P(FrameTest, HeaderWithoutPriceLineSetsOnlyTheSymbol)
{
    for (const char *body : {"Date", "Date\n", "Date,Open\n   \n\n  ", "Date\r"}) {
        EXPECT_EQ(Parse(body), kNoData) << body;
        BarSeries expected = Sentinel();
        expected.Symbol = QStringLiteral("^GSPC");
        ExpectSameSeries(raw, expected);
        ExpectSameSeries(output, Sentinel());
    }
}

TEST_P(FrameTest, BlankLinesUseNoBar)
{
    const QByteArray body = "Date,Open,High,Low,Close,Volume,Adj Close\n\n" + Line(3) + "   \n" + Line(2) +
                            "\n" + Line(1) + " \n";
    ASSERT_EQ(Parse(body), kSuccess);
    EXPECT_EQ(raw.Symbol, QStringLiteral("^GSPC"));
    EXPECT_EQ(raw.BarCount, 3);
    EXPECT_EQ(raw.RowCount, 4);
    EXPECT_EQ(raw.FieldCount, 6);
    EXPECT_EQ(raw.FieldNames, Sentinel().FieldNames);
}

// Tabs and carriage returns are content: such a line takes a bar, though it can be given no date.
TEST_P(FrameTest, OnlySpacesMakeALineBlank)
{
    ASSERT_EQ(Parse("Date\r\n\t\n\r\n" + Line(3)), kSuccess);
    EXPECT_EQ(raw.BarCount, 3);
    ASSERT_EQ(output.BarCount, 1);
    EXPECT_EQ(output.RowCount, 2);
    EXPECT_EQ(output.BarDate(1), Day(2013, 5, 3));
}

TEST_P(FrameTest, UndatedBarsNeverReachTheOutput)
{
    ASSERT_EQ(Parse("Date\nnot a date,1,1,1,1,1,1\n"), kSuccess);
    EXPECT_EQ(raw.BarCount, 1);
    EXPECT_EQ(output.BarCount, 0);
    EXPECT_EQ(output.RowCount, 1);
    EXPECT_EQ(output.Symbol, QStringLiteral("^GSPC"));

    ASSERT_EQ(Parse("Date\n" + Line(3) + "bad,1,1,1,1,1,1\n" + Line(2)), kSuccess);
    ASSERT_EQ(output.BarCount, 2);
    EXPECT_EQ(output.RowCount, 3);
    EXPECT_EQ(output.BarDate(1), Day(2013, 5, 2));
    EXPECT_EQ(output.BarDate(2), Day(2013, 5, 3));
}

TEST_P(FrameTest, ResultRebuildsFromScratch)
{
    ASSERT_EQ(Parse("Date\n" + Line(3) + Line(2)), kSuccess);
    ASSERT_EQ(Parse("Date\n" + Line(6)), kSuccess);
    EXPECT_EQ(raw.BarCount, 1);
    ASSERT_EQ(output.BarCount, 1);
    EXPECT_EQ(output.BarDate(1), Day(2013, 5, 6));
}

INSTANTIATE_TEST_SUITE_P(Sources, FrameTest, ::testing::Values(kYahoo, kGoogle, kQuoteMedia),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- Yahoo! Finance

class YahooTest : public ::testing::Test
{
protected:
    int Parse(const QByteArray &body)
    {
        return ParseYahooReply("Date,Open,High,Low,Close,Volume,Adj Close\n" + body, QStringLiteral("IBM"),
                               kLocale, raw, output);
    }
    BarSeries raw;
    BarSeries output;
};

TEST_F(YahooTest, AdjustsEveryLineButTheOneAfterTheHeader)
{
    ASSERT_EQ(Parse("2013-05-03,21,22,20,20.00,1000,10.00\n2013-05-02,21,22,20,20.00,1000,10.00\n"),
              kSuccess);
    ASSERT_EQ(output.BarCount, 2);
    ExpectBar(output, 1, Day(2013, 5, 2), {10.5f, 11.0f, 10.0f, 10.0f, 2000.0f});
    ExpectBar(output, 2, Day(2013, 5, 3), {21.0f, 22.0f, 20.0f, 20.0f, 1000.0f});
}

// Line number 1 is the line right after the header, not bar 1 and not the first non-blank line.
TEST_F(YahooTest, TheExceptionFollowsTheLineNumber)
{
    ASSERT_EQ(Parse("\n2013-05-03,21,22,20,20.00,1000,10.00\n"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {10.5f, 11.0f, 10.0f, 10.0f, 2000.0f});
}

TEST_F(YahooTest, FactorsAndGuards)
{
    const struct
    {
        QByteArray line;
        BarSeries::Values expected;
    } cases[] = {
        {"25.5,25.5,25.5,25.5,1000,25.5", {25.5f, 25.5f, 25.5f, 25.5f, 1000.0f}},
        {"25.5,25.5,25.5,25.5,1000,25.50", {25.5f, 25.5f, 25.5f, 25.5f, 1000.0f}},
        {"10,12,8,0,1000,5", {10.0f, 12.0f, 8.0f, 5.0f, 0.0f}},         // close 0: prices unscaled
        {"10,12,8,20,1000,0", {0.0f, 0.0f, 0.0f, 0.0f, 1000.0f}},       // adjusted close 0: volume unscaled
        {"10,12,8,20,1234.9,20", {10.0f, 12.0f, 8.0f, 20.0f, 1234.0f}}, // rounded down
        {"10,12,8,20,-5.5,20", {10.0f, 12.0f, 8.0f, 20.0f, -6.0f}},
        {"10,12,8,20,617.45,40", {20.0f, 24.0f, 16.0f, 40.0f, 308.0f}},
        {"10,12,8,20,-,20", {10.0f, 12.0f, 8.0f, 20.0f, 0.0f}},
        {"10,12,8,20,1e40,20", {10.0f, 12.0f, 8.0f, 20.0f, 0.0f}},
        {"10", {10.0f, 0.0f, 0.0f, 0.0f, 0.0f}}, // missing fields read as empty text
        {" 1 0 ,12x,8,20,1000,20,extra", {10.0f, 12.0f, 8.0f, 20.0f, 1000.0f}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.constData());
        ASSERT_EQ(Parse("2099-01-01,1,1,1,1,1,1\n2013-05-03," + c.line + "\n"), kSuccess);
        ExpectBar(output, 1, Day(2013, 5, 3), c.expected);
    }
}

TEST_F(YahooTest, LineAfterTheHeaderTakesTheReportedClose)
{
    ASSERT_EQ(Parse("2013-05-03,21,22,20,20.00,1000,10.00"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {21.0f, 22.0f, 20.0f, 20.0f, 1000.0f});
    ASSERT_EQ(Parse("2013-05-03,21"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {21.0f, 0.0f, 0.0f, 0.0f, 0.0f});
}

TEST_F(YahooTest, CrLfRepliesKeepTheLastField)
{
    ASSERT_EQ(Parse("2013-05-03,21,22,20,20.00,1000,10.00\r\n2013-05-02,21,22,20,20.00,1000,10.00\r\n"),
              kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 2), {10.5f, 11.0f, 10.0f, 10.0f, 2000.0f});
}

TEST_F(YahooTest, DatesNeedThreeWholeNumberParts)
{
    const struct
    {
        QByteArray date;
        double expected;
    } cases[] = {{"2013-05-03", Day(2013, 5, 3)},
                 {"2013-13-01", Day(2014, 1, 1)},
                 {"2013-03-00", Day(2013, 2, 28)},
                 {"2013-5-3.5", Day(2013, 5, 4)},
                 {"2013-05", 0.0},
                 {"2013-xx-03", 0.0},
                 {"99-01-01", 0.0},
                 {"", 0.0}};
    for (const auto &c : cases) {
        ASSERT_EQ(Parse(c.date + ",1,1,1,1,1,1\n"), kSuccess);
        EXPECT_EQ(raw.BarDate(1), c.expected) << c.date.constData();
    }
}

TEST_F(YahooTest, WalksFromTheLastLineUpAndSortsWithValuesBesideTheirDates)
{
    ASSERT_EQ(Parse("2013-05-01,1,1,1,1,100,1\n2013-05-03,3,3,3,3,300,3\n2013-05-02,2,2,2,2,200,2\n"
                    "2013-05-03,4,4,4,4,400,4\n"),
              kSuccess);
    ASSERT_EQ(raw.BarCount, 4);
    EXPECT_EQ(raw.BarDate(1), Day(2013, 5, 1));
    EXPECT_EQ(raw.BarDate(4), Day(2013, 5, 3));
    ASSERT_EQ(output.BarCount, 3);
    EXPECT_EQ(output.RowCount, 4);
    ExpectBar(output, 1, Day(2013, 5, 1), {1.0f, 1.0f, 1.0f, 1.0f, 100.0f});
    ExpectBar(output, 2, Day(2013, 5, 2), {2.0f, 2.0f, 2.0f, 2.0f, 200.0f});
    EXPECT_EQ(output.BarDate(3), Day(2013, 5, 3));
}

TEST_F(YahooTest, ReadsNumbersUnderTheGivenLocale)
{
    const QByteArray reply = "Date\n2013-05-03,1,1,1,1,1,1\n2013-05-02,1,1,1,1,1.500,1\n";
    const QLocale german(QLocale::German, QLocale::Germany);
    ASSERT_EQ(ParseYahooReply(reply, QStringLiteral("X"), german, raw, output), kSuccess);
    EXPECT_EQ(output.BarValue(1, 5), 1500.0f); // "." groups thousands there
    ASSERT_EQ(ParseYahooReply(reply, QStringLiteral("X"), kLocale, raw, output), kSuccess);
    EXPECT_EQ(output.BarValue(1, 5), 1.0f);
}

// ---- Google Finance

class GoogleTest : public ::testing::Test
{
protected:
    int Parse(const QByteArray &body)
    {
        return ParseGoogleReply("\xEF\xBB\xBF"
                                "Date,Open,High,Low,Close,Volume\n" +
                                    body,
                                QStringLiteral("GOOG"), kLocale, raw, output);
    }
    BarSeries raw;
    BarSeries output;
};

TEST_F(GoogleTest, ThreeBytesComeBeforeTheHeader)
{
    EXPECT_EQ(ParseGoogleReply("xyzdate\n3-May-13,1,1,1,1,1", QStringLiteral("G"), kLocale, raw, output),
              kSuccess);
    EXPECT_EQ(ParseGoogleReply("Date,Open\n3-May-13,1,1,1,1,1", QStringLiteral("G"), kLocale, raw, output),
              kRequestFailed);
    EXPECT_EQ(ParseGoogleReply("abc", QStringLiteral("G"), kLocale, raw, output), kRequestFailed);
    EXPECT_EQ(ParseGoogleReply("abcDat", QStringLiteral("G"), kLocale, raw, output), kRequestFailed);
}

TEST_F(GoogleTest, DateForms)
{
    const struct
    {
        QByteArray date;
        double expected;
    } cases[] = {
        {"3-May-13", Day(2013, 5, 3)},
        {"31-Dec-99", Day(1999, 12, 31)},
        {"1-jan-30", Day(2030, 1, 1)},
        {"1-JAN-31", Day(1931, 1, 1)},
        {"1-Feb-00", Day(2000, 2, 1)},
        {"3-May-2013", Day(3913, 5, 3)},
        {"3-5-13", Day(2013, 5, 3)},
        {"3-13-13", Day(2014, 1, 3)},
        {"0-Mar-13", Day(2013, 2, 28)},
        {" 3 -May- 13", Day(2013, 5, 3)},
        {"3-Foo-13", 0.0},
        {"3- May-13", 0.0},
        {"3-May", 0.0},
        {"3", 0.0},
        {"3-May-99999", 0.0},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(Parse(c.date + ",1,1,1,1,1\n"), kSuccess);
        EXPECT_EQ(raw.BarDate(1), c.expected) << c.date.constData();
    }
}

TEST_F(GoogleTest, MissingPricesTakeTheClose)
{
    ASSERT_EQ(Parse("3-May-13,-,-,-,10.5,-\n"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {10.5f, 10.5f, 10.5f, 10.5f, 0.0f});
    ASSERT_EQ(Parse("3-May-13,9,0,8,10.5,1234.5\r\n"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {9.0f, 10.5f, 8.0f, 10.5f, 1234.5f});
}

// Walked from the bottom, so a short line inherits from the line below it.
TEST_F(GoogleTest, PricesOfAShortLineCarryOverFromTheLineConvertedBefore)
{
    ASSERT_EQ(Parse("4-May-13\n3-May-13,5\n2-May-13,1,2,0.5,1.5,100\n"), kSuccess);
    ASSERT_EQ(output.BarCount, 3);
    ExpectBar(output, 1, Day(2013, 5, 2), {1.0f, 2.0f, 0.5f, 1.5f, 100.0f});
    ExpectBar(output, 2, Day(2013, 5, 3), {5.0f, 2.0f, 0.5f, 1.5f, 0.0f});
    ExpectBar(output, 3, Day(2013, 5, 4), {5.0f, 2.0f, 0.5f, 1.5f, 0.0f});
}

TEST_F(GoogleTest, FirstLineConvertedStartsFromZero)
{
    ASSERT_EQ(Parse("3-May-13,,,,7\n2-May-13\n"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 2), {0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    ExpectBar(output, 2, Day(2013, 5, 3), {7.0f, 7.0f, 7.0f, 7.0f, 0.0f});
}

// A line missing its year part must not reuse a year left from the line converted before.
TEST_F(GoogleTest, ShortDateIsUndatedNotInherited)
{
    ASSERT_EQ(Parse("3-May,1,1,1,1,1\n2-May-13,1,1,1,1,1\n"), kSuccess);
    EXPECT_EQ(raw.BarDate(1), 0.0);
    ASSERT_EQ(output.BarCount, 1);
    EXPECT_EQ(output.BarDate(1), Day(2013, 5, 2));
}

// ---- QuoteMedia

class QuoteMediaTest : public ::testing::Test
{
protected:
    int Parse(const QByteArray &body)
    {
        return ParseQuoteMediaReply("date,open,high,low,close,volume\n" + body, QStringLiteral("QM"), kLocale,
                                    raw, output);
    }
    BarSeries raw;
    BarSeries output;
};

TEST_F(QuoteMediaTest, ThreeFieldsGiveOpenAndHighOnly)
{
    ASSERT_EQ(Parse("2013-05-03,10,11\n"), kSuccess);
    ExpectBar(output, 1, Day(2013, 5, 3), {10.0f, 11.0f, 0.0f, 0.0f, 0.0f});
}

TEST_F(QuoteMediaTest, WalksDownAndSorts)
{
    ASSERT_EQ(Parse("2013-05-03,3,3,3,3,300\n2013-05-02,2,2,2,2,200\n2013-05-01,1,1,1,1,100\n"), kSuccess);
    ASSERT_EQ(output.BarCount, 3);
    ExpectBar(output, 1, Day(2013, 5, 1), {1.0f, 1.0f, 1.0f, 1.0f, 100.0f});
    ExpectBar(output, 2, Day(2013, 5, 2), {2.0f, 2.0f, 2.0f, 2.0f, 200.0f});
    ExpectBar(output, 3, Day(2013, 5, 3), {3.0f, 3.0f, 3.0f, 3.0f, 300.0f});
}

TEST_F(QuoteMediaTest, RepeatedDatesAreKept)
{
    ASSERT_EQ(Parse("2013-05-03,3,3,3,3,300\n2013-05-03,4,4,4,4,400\n"), kSuccess);
    ASSERT_EQ(output.BarCount, 2);
    EXPECT_EQ(output.RowCount, 3);
    ExpectBar(output, 1, Day(2013, 5, 3), {3.0f, 3.0f, 3.0f, 3.0f, 300.0f});
    ExpectBar(output, 2, Day(2013, 5, 3), {4.0f, 4.0f, 4.0f, 4.0f, 400.0f});
}

TEST_F(QuoteMediaTest, ValuesAreClearedForEveryLine)
{
    ASSERT_EQ(Parse("2013-05-03,3,3,3,3,300\n2013-05-04\n"), kSuccess);
    ExpectBar(output, 2, Day(2013, 5, 4), {0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
}

TEST_F(QuoteMediaTest, FailingStepsChangeNothing)
{
    const struct
    {
        QByteArray line;
        double date;
        BarSeries::Values values;
    } cases[] = {
        {"2013-05-03,1,2,3,4,-", Day(2013, 5, 3), {1.0f, 2.0f, 3.0f, 4.0f, 0.0f}},
        {"2013-05-03,1,2,3,4,1e40", Day(2013, 5, 3), {1.0f, 2.0f, 3.0f, 4.0f, 0.0f}},
        {"2013-05-03,-,2,,4,5\r", Day(2013, 5, 3), {4.0f, 2.0f, 4.0f, 4.0f, 5.0f}},
        {"2013-05,1,2,3,4,5", 0.0, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}},
        {"2013-xx-03,1,2,3,4,5", 0.0, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}},
        {"2013-13-01,1,2,3,4,5", Day(2014, 1, 1), {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.constData());
        ASSERT_EQ(Parse(c.line), kSuccess);
        ExpectBar(raw, 1, c.date, c.values);
        EXPECT_EQ(output.BarCount, c.date == 0.0 ? 0 : 1);
        EXPECT_EQ(output.RowCount, output.BarCount + 1);
    }
}

} // namespace
