#include "QuoteSources.h"
#include "GoogleService.h"
#include "QuoteMediaService.h"
#include "YahooService.h"

#include "DateValue.h"
#include "QtPrinters.h"
#include "SelectionSortReference.h"

#include <QDate>

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace QuoteSources;

namespace {

using Parser = int (*)(const QByteArray &, const QString &, const QLocale &, BarSeries &, BarSeries &);
using Bars = std::vector<std::pair<double, BarSeries::Values>>;

// What a reply leaves in two series that start as two bars of symbol "OLD".
struct Parsed
{
    Parsed(Parser parse, const QByteArray &reply)
    {
        raw.Symbol = output.Symbol = QStringLiteral("OLD");
        raw.Prepare(2);
        output.Prepare(2);
        code = parse(reply, QStringLiteral("^GSPC"), QLocale::c(), raw, output);
    }
    BarSeries raw, output;
    int code;
};

struct Source
{
    const char *name;
    Parser parse;
    QByteArray prefix; // what comes before the header
    const char *dateFormat;

    [[nodiscard]] Parsed Parse(const QByteArray &body) const { return {parse, prefix + body}; }
};

const Source kYahoo{"Yahoo", YahooService::ParseReply, {}, "yyyy-MM-dd"};
const Source kGoogle{"Google", GoogleService::ParseReply, "\357\273\277", "d-MMM-yy"};
const Source kQuoteMedia{"QuoteMedia", QuoteMediaService::ParseReply, {}, "yyyy-MM-dd"};
const Source *const kSources[] = {&kYahoo, &kGoogle, &kQuoteMedia};

const auto Day = [](int y, int m, int d) { return DateValue::CalendarDate(y, m, d).value(); };

const double kMay2 = Day(2013, 5, 2);
const double kMay3 = Day(2013, 5, 3);

// A data line dated `day` May 2013 whose six values are all `value`.
QByteArray Line(const Source &source, int day, int value = 1)
{
    return QDate(2013, 5, day).toString(QLatin1String(source.dateFormat)).toLatin1() +
           QByteArray("," + QByteArray::number(value)).repeated(6) + '\n';
}

Bars BarsOf(const BarSeries &series)
{
    Bars bars;
    for (int bar = 1; bar <= series.BarCount; ++bar)
        bars.emplace_back(series.BarDate(bar), series.values.at(std::size_t(bar - 1)));
    return bars;
}

TEST(QuoteUrls, DocumentedFormsWithUnsafeSymbolCharactersEncoded)
{
    const QString gspc = QStringLiteral("^GSPC");
    EXPECT_EQ(YahooService::Url(QStringLiteral("http://ichart.finance.yahoo.com"), gspc, QDate(2000, 1, 1))
                  .toEncoded(),
              "http://ichart.finance.yahoo.com/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv");
    EXPECT_EQ(
        GoogleService::Url(QStringLiteral("http://www.google.com"), gspc, QDate(2000, 1, 1)).toEncoded(),
        "http://www.google.com/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv");
    EXPECT_EQ(QuoteMediaService::Url(QStringLiteral("http://app.quotemedia.com"), QStringLiteral("501"), gspc,
                                     QDate(2000, 1, 1))
                  .toEncoded(),
              "http://app.quotemedia.com/quotetools/getHistoryDownload.csv?&webmasterId=501&startDay=1"
              "&startMonth=0&startYear=2000&isRanged=true&symbol=%5EGSPC");
    EXPECT_EQ(
        YahooService::Url(QStringLiteral("http://h:81/"), QStringLiteral("A&c=1 #%+?"), QDate(1900, 1, 1))
            .toEncoded(),
        "http://h:81/table.csv?s=A%26c=1%20%23%25%2B%3F&a=0&b=1&c=1900&g=d&ignore=.csv");
    EXPECT_FALSE(YahooService::Url(QStringLiteral("not a url"), gspc, QDate(2000, 1, 1)).isValid());
    EXPECT_EQ(EncodeSymbol(QStringLiteral("NYSE:brk.B-A_x~=;/@!$'()*,")), "NYSE:brk.B-A_x~=;/@!$'()*,");
    EXPECT_EQ(EncodeSymbol(QStringLiteral("\t\x7F\"<>[\\]`{|}")), "%09%7F%22%3C%3E%5B%5C%5D%60%7B%7C%7D");
    EXPECT_EQ(EncodeSymbol(QString::fromUtf8("\xC3\xA9")), "%C3%A9");
}

// A tab or a carriage return is content: such a line takes a bar, though it gets no date.
TEST(QuoteReplies, ResultAndBarCountsFollowTheHeaderAndTheNonBlankLines)
{
    const struct
    {
        QByteArray body; // '@' and '#' stand for lines dated 3 and 2 May
        int code;
        int rawBars;
        int outputBars;
    } cases[] = {{"date\n@", kSuccess, 1, 1},         {"DATE\r\n@", kSuccess, 1, 1},
                 {"Date\n@ \n\t\n#", kSuccess, 3, 2}, {"Date\n@\r\n\n#", kSuccess, 3, 2},
                 {"Date\nundated", kSuccess, 1, 0},   {"", kRequestFailed, 2, 2},
                 {"Dat", kRequestFailed, 2, 2},       {"<html>Date", kRequestFailed, 2, 2},
                 {"Date\n  \n\n ", kNoData, 2, 2}};
    for (const Source *source : kSources) {
        for (const auto &c : cases) {
            SCOPED_TRACE(source->name + (' ' + c.body.toStdString()));
            const Parsed p = source->Parse(
                QByteArray(c.body).replace('@', Line(*source, 3)).replace('#', Line(*source, 2)));
            EXPECT_EQ(p.code, c.code);
            EXPECT_EQ(p.raw.Symbol == QStringLiteral("OLD"), c.code == kRequestFailed);
            EXPECT_EQ(p.output.Symbol == QStringLiteral("OLD"), c.code != kSuccess);
            EXPECT_EQ(p.raw.BarCount, c.rawBars);
            EXPECT_EQ(p.output.BarCount, c.outputBars);
        }
    }
}

TEST(GoogleReply, ThreeBytesComeBeforeTheHeader)
{
    EXPECT_EQ(Parsed(GoogleService::ParseReply, "Date\n3-May-13,1").code, kRequestFailed);
    EXPECT_EQ(Parsed(GoogleService::ParseReply, "ab").code, kRequestFailed);
}

// A bar with a price that is no finite 4-byte float is dropped like an undated one (date 0.0 below).
TEST(QuoteReplies, EachLineConvertsAsDocumented)
{
    const struct
    {
        const Source &source;
        QByteArray line;
        double date = kMay3;
        BarSeries::Values values = {1, 1, 1, 1, 1};
    } cases[] = {
        // Yahoo lines after the first scale prices by adjusted close / close, the volume inversely.
        {kYahoo, "2013-05-03,25.5,25.5,25.5,25.5,1000,25.5", kMay3, {25.5f, 25.5f, 25.5f, 25.5f, 1000}},
        {kYahoo, "2013-05-03,25.5,25.5,25.5,25.5,1000,25.50", kMay3, {25.5f, 25.5f, 25.5f, 25.5f, 1000}},
        {kYahoo, "2013-05-03,10,12,8,0,1000,5", kMay3, {10, 12, 8, 5, 0}},
        {kYahoo, "2013-05-03,10,12,8,20,1000,0", kMay3, {0, 0, 0, 0, 1000}},
        {kYahoo, "2013-05-03,10,12,8,20,1234.9,20", kMay3, {10, 12, 8, 20, 1234}},
        {kYahoo, "2013-05-03,10,12,8,20,617.45,40", kMay3, {20, 24, 16, 40, 308}}, // scaled, then floored
        {kYahoo, "2013-05-03,10,12,8,20,-,20", kMay3, {10, 12, 8, 20, 0}},
        {kYahoo, "2013-05-03,1e39,1,1,1,1,1", 0.0},
        {kYahoo, "2013-05-03,0,1,1,1e-300,1,1e300", 0.0},
        {kGoogle, "31-Dec-99,1,1,1,1,1", Day(1999, 12, 31)},
        {kGoogle, "1-jan-30,1,1,1,1,1", Day(2030, 1, 1)},
        {kGoogle, "1-JAN-31,1,1,1,1,1", Day(1931, 1, 1)},
        {kGoogle, "3-May-2013,1,1,1,1,1", kMay3},
        {kGoogle, "3-May-100,1,1,1,1,1", Day(100, 5, 3)},
        {kGoogle, "3-May-013,1,1,1,1,1", 0.0}, // the year 13
        {kGoogle, "3-Foo-13,1,1,1,1,1", 0.0},
        {kGoogle, "3-May-13,-,-,-,10.5,-", kMay3, {10.5f, 10.5f, 10.5f, 10.5f, 0}},
        {kGoogle, "3-May-13,1,1,-1e39,1,1", 0.0},
        {kQuoteMedia, "2013-05-03,10,11", kMay3, {10, 11, 0, 0, 0}},
        {kQuoteMedia, "2013-05-03,-,2,,4,5\r", kMay3, {4, 2, 4, 4, 5}},
        {kQuoteMedia, "2013-05-03,1,2,3,4,1e40", kMay3, {1, 2, 3, 4, 0}},
        {kQuoteMedia, "2013-05-03,1,2,3,1e39,1", 0.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.name + (' ' + c.line.toStdString()));
        // Yahoo's first line is never scaled, so the line under test goes second.
        const bool yahoo = &c.source == &kYahoo;
        Bars bars = BarsOf(
            c.source.Parse("Date\n" + QByteArray(yahoo ? "2099-01-01,1,1,1,1,1,1\n" : "") + c.line).output);
        if (yahoo)
            bars.pop_back();
        EXPECT_EQ(bars, (c.date == 0.0 ? Bars{} : Bars{{c.date, c.values}}));
    }
}

// A reply that stops inside its last line once replaced a good file, its last bar made of half a line.
TEST(QuoteReplies, ALastLineWithoutLineEndAndShortOfFieldsFailsTheRequest)
{
    for (const Source *source : kSources) {
        SCOPED_TRACE(source->name);
        const QByteArray header = source == &kYahoo ? "Date,Open,High,Low,Close,Volume,Adj Close\n"
                                                    : "Date,Open,High,Low,Close,Volume\r\n";
        const QByteArray complete = Line(*source, 2).chopped(1);
        const QByteArray body = header + Line(*source, 3);
        EXPECT_EQ(source->Parse(body + complete).output.BarCount, 2);
        EXPECT_EQ(source->Parse(body + complete + "\r").code, kSuccess);
        EXPECT_EQ(source->Parse(body + complete + "\n   ").output.BarCount, 2); // a blank line loses nothing
        const int headerFields = int(header.count(',')) + 1;
        for (const QByteArray &cut : {complete.left(complete.lastIndexOf(',') - 1),
                                      complete.left(complete.indexOf(',') + 1), complete.left(3)}) {
            SCOPED_TRACE(cut.toStdString());
            const Parsed p = source->Parse(body + cut);
            EXPECT_EQ(p.code, int(cut.count(',')) + 1 < headerFields ? kRequestFailed : kSuccess);
            EXPECT_EQ(p.raw.Symbol == QStringLiteral("OLD"), p.code == kRequestFailed);
        }
    }
}

// The parsers keep only dated bars and play the sort's steps on them. They must leave exactly what
// a full series of one bar per line, undated ones as 0.0, leaves after the literal selection sort
// and the de-duplication. Each line's own bar comes from parsing that line alone; Google's short
// lines are first completed with the prices they carry over.
TEST(QuoteReplies, OutputEqualsTheFullSeriesSortedLiterally)
{
    const char *const prices[] = {"1", "2", "3", "0", "-", "2.5", "1e39"};
    for (const Source *source : kSources) {
        const bool google = source == &kGoogle;
        const QByteArrayView dates[] = {google ? "1-May-13" : "2013-5-1",
                                        google ? "2-may-13" : "2013-05-2",
                                        google ? "3-May-2013" : "2013-5-3",
                                        google ? "7-Mar-1850" : "1850-3-7",
                                        google ? "1-Jan-100" : "100-1-1",
                                        google ? "30-Dec-1899" : "1899-12-30",
                                        "x-y-z"};
        for (std::uint32_t round = 0; round < 400; ++round) {
            SCOPED_TRACE(testing::Message() << source->name << " round " << round);
            std::mt19937 rng(round);
            const auto pick = [&](std::size_t n) { return rng() % n; };
            QList<QByteArray> lines;
            for (std::size_t i = pick(50); i > 0; --i) {
                const std::size_t shape = pick(8);
                QByteArray line = shape == 0   ? "  "
                                  : shape == 1 ? ""
                                  : shape == 2 ? "1"
                                               : dates[pick(7)].toByteArray();
                for (std::size_t field = shape < 3 ? 7 : google ? 1 + pick(6) : 1; field < 7; ++field)
                    line += ',' + QByteArray(pick(12) == 0 ? prices[6] : prices[pick(6)]);
                lines.append(line);
            }
            const QByteArray reply = "Date\n" + lines.join('\n') + (pick(2) ? "\n" : "");

            BarSeries full;
            full.Prepare(0);
            QList<QByteArray> carried(4, "0");
            const bool downward = source == &kQuoteMedia;
            for (qsizetype k = 0; k < lines.size(); ++k) {
                const qsizetype i = downward ? k : lines.size() - 1 - k;
                if (lines[i].trimmed().isEmpty())
                    continue;
                QList<QByteArray> f = lines[i].split(',');
                if (google) {
                    for (qsizetype c = 1; c <= 4; ++c)
                        carried[c - 1] = c < f.size() ? f[c] : carried[c - 1];
                    for (qsizetype c = 0; c < 3; ++c)
                        carried[c] = carried[c] == "0" || carried[c] == "-" ? carried[3] : carried[c];
                    f = QList<QByteArray>{f[0]} + carried + f.mid(5, 1);
                }
                const BarSeries alone =
                    source->Parse(QByteArray(i == 0 ? "Date\n" : "Date\n\n") + f.join(',')).output;
                full.dates.push_back(alone.BarCount == 1 ? alone.dates[0] : 0.0);
                full.values.push_back(alone.BarCount == 1 ? alone.values[0] : BarSeries::Values{});
                full.RowCount = ++full.BarCount + 1;
            }
            LiteralSelectionSort(full);
            BarSeries expected;
            RemoveDuplicateDates(full, expected);
            Bars expectedBars = BarsOf(downward ? full : expected);
            if (downward)
                std::erase_if(expectedBars, [](const auto &bar) { return bar.first == 0.0; });

            const Parsed p = source->Parse(reply);
            ASSERT_EQ(p.code, full.BarCount > 0 ? kSuccess : kNoData);
            if (p.code == kSuccess) {
                ASSERT_EQ(BarsOf(p.output), expectedBars);
            }
        }
    }
}

TEST(YahooReply, ScalesEveryLineButTheOneRightAfterTheHeader)
{
    const QByteArray may3 = "2013-05-03,21,22,20,20.00,1000,10.00\r\n";
    const BarSeries::Values scaled = {10.5f, 11, 10, 10, 2000};
    EXPECT_EQ(BarsOf(kYahoo.Parse("Date\r\n" + may3 + "2013-05-02,21,22,20,20.00,1000,10.00\r\n").output),
              (Bars{{kMay2, scaled}, {kMay3, {21, 22, 20, 20, 1000}}}));
    // Lines are counted in the reply, blank ones included.
    EXPECT_EQ(BarsOf(kYahoo.Parse("Date\n\n" + may3).output), (Bars{{kMay3, scaled}}));
}

} // namespace
