#include "DateValue.h"
#include "DownloadBatch.h"
#include "FakeBatchClock.h"
#include "HttpTransfer.h"
#include "QtPrinters.h"
#include "QuoteDownloader.h"
#include "QuoteHistory.h"
#include "QuoteServer.h"
#include "QuoteSources.h"
#include "ServiceSettingsFor.h"
#include "SymbolLookup.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate kServiceEnd(2024, 3, 28);

// A symbol whose history has a split and, later, a dividend in the window the tests ask for.
struct Events
{
    QByteArray symbol;
    QDate split;
    QDate dividend; // the last one before the service's end
};

Events SplitThenDividend(QDate from)
{
    for (int i = 0; i < 400; ++i) {
        const QByteArray symbol = "S" + QByteArray::number(i);
        const QList<QDate> splits = QuoteHistory::SplitDates(symbol, kServiceEnd);
        const auto split = std::find_if(splits.begin(), splits.end(), [from](QDate d) { return d > from; });
        QDate dividend;
        for (const QDate day : QuoteHistory::EventDates(symbol, kServiceEnd))
            dividend = splits.contains(day) ? dividend : day;
        if (split != splits.end() && dividend > *split && dividend < kServiceEnd.addDays(-20))
            return {symbol, *split, dividend};
    }
    return {};
}

class RequestChoicesTest : public ::testing::Test
{
protected:
    void Serve(QDate end = kServiceEnd, qint64 allowance = -1)
    {
        QuoteServer::Options options;
        options.endDate = end;
        options.allowance = allowance;
        options.token = "right";
        m_server = std::make_unique<QuoteServer>(std::move(options));
        ASSERT_TRUE(m_server->Listen(0));
        m_services =
            ServicesAt(u"http://127.0.0.1:%1"_s.arg(m_server->Port()), u"right"_s, u"right"_s, u"right"_s);
    }

    // One history through the downloader, as a run asks for it.
    BarSeries Fetch(const char *service, const QString &symbol, QDate start, const RequestOptions &options)
    {
        QuoteDownloader downloader(m_transfer, m_services);
        downloader.SetRequestOptions(options);
        const SourceOutcome outcome =
            downloader.Download(ServiceRegistry::IndexOf(QString::fromLatin1(service)), symbol, start);
        EXPECT_EQ(outcome.result, QuoteSources::kSuccess) << service << ": " << outcome.cause.toStdString();
        return downloader.OutputSeries;
    }

    HttpTransfer m_transfer;
    std::unique_ptr<QuoteServer> m_server;
    QList<ServiceSettings> m_services;
};

double CloseOn(const BarSeries &series, QDate day, int offset = 0)
{
    const double date = *DateValue::CalendarDate(day.year(), day.month(), day.day());
    const auto found = std::lower_bound(series.dates.begin(), series.dates.end(), date);
    return series.BarValue(int(found - series.dates.begin()) + 1 + offset, 4);
}

const char *const kAdjusting[] = {"eodhd", "tiingo", "twelvedata"};

TEST_F(RequestChoicesTest, RawPricesShowTheSplitJumpAndAdjustedOnesDoNot)
{
    const Events events = SplitThenDividend(QDate(2023, 1, 1));
    ASSERT_FALSE(events.symbol.isEmpty());
    Serve();
    for (const char *service : kAdjusting) {
        SCOPED_TRACE(service);
        const QString symbol = QString::fromLatin1(events.symbol);
        const BarSeries adjusted = Fetch(service, symbol, QDate(2023, 1, 1), {});
        const BarSeries raw = Fetch(service, symbol, QDate(2023, 1, 1), {PriceKind::AsTraded, {}});
        ASSERT_EQ(raw.BarCount, adjusted.BarCount);
        // A 2-for-1 split halves the raw price overnight.
        EXPECT_GT(CloseOn(raw, events.split, -1) / CloseOn(raw, events.split), 1.6);
        EXPECT_LT(CloseOn(adjusted, events.split, -1) / CloseOn(adjusted, events.split), 1.25);
        // The dividend lowers only the adjusted prices before it; the newest bar is the same in both.
        EXPECT_GT(CloseOn(raw, events.dividend, -1), CloseOn(adjusted, events.dividend, -1));
        EXPECT_EQ(raw.BarValue(raw.BarCount, 4), adjusted.BarValue(adjusted.BarCount, 4));
    }
}

TEST_F(RequestChoicesTest, EveryServiceEndsOnTheEndDateEvenWhenTheReplyGoesPast)
{
    Serve();
    const QDate end(2024, 3, 15); // a Friday
    const struct
    {
        const char *service;
        const char *endParameter; // what the request says, or nothing where only the cut keeps the end
    } cases[] = {
        {"yahoo", nullptr},          {"quotemedia", nullptr},          {"google", nullptr},
        {"eodhd", "&to=2024-03-15"}, {"tiingo", "endDate=2024-03-15"}, {"twelvedata", "end_date=2024-03-16"}};
    // From 1990 Twelve Data's history takes two pieces, the older one asked before the newest bar's day.
    const int expected = int(QuoteHistory("IBM", QDate(1990, 1, 1), end).BarCount());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.service);
        const BarSeries series = Fetch(c.service, u"IBM"_s, QDate(1990, 1, 1), {PriceKind::Adjusted, end});
        ASSERT_GT(series.BarCount, 0);
        EXPECT_EQ(DateValue::ToDate(series.BarDate(series.BarCount)), end);
        EXPECT_EQ(series.BarCount, expected);
        if (c.endParameter) {
            const QList<QByteArray> &asked = m_server->Answered();
            EXPECT_TRUE(std::any_of(asked.begin(), asked.end(),
                                    [&c](const QByteArray &line) { return line.contains(c.endParameter); }));
        }
    }
}

// The batch's face for one symbol of EODHD.
class OneRow final : public BatchRows
{
public:
    explicit OneRow(QString symbol) : m_symbol(std::move(symbol)) {}
    std::optional<BatchRow> NextRow() override
    {
        return std::exchange(m_given, true) ? std::nullopt : std::optional(BatchRow{0, m_symbol});
    }
    int QuoteSource() override { return ServiceRegistry::IndexOf(u"eodhd"); }
    int FileFormat() override { return 0; }
    void RowStarted(const BatchRow &) override {}
    void RowFinished(const BatchRow &, const RowOutcome &outcome) override { note = outcome.cause; }
    void RowAbandoned(const BatchRow &) override {}
    bool StopRequested() override { return false; }
    QString note;

private:
    QString m_symbol;
    bool m_given = false;
};

TEST_F(RequestChoicesTest, RawFilesAreUpdatedAcrossADividendWhereAdjustedOnesAreFetchedWhole)
{
    const Events events = SplitThenDividend(QDate(2020, 1, 1));
    ASSERT_FALSE(events.symbol.isEmpty());
    QTemporaryDir folder;
    FakeBatchClock clock;
    clock.AdvanceWhenIdle([this] { return !m_transfer.RequestPending(); });
    for (const PriceKind kind : {PriceKind::AsTraded, PriceKind::Adjusted}) {
        OneRow before(QString::fromLatin1(events.symbol));
        OneRow after(QString::fromLatin1(events.symbol));
        for (OneRow *rows : {&before, &after}) {
            // The service's history first ends before the dividend, then a week after it.
            Serve(rows == &before ? events.dividend.addDays(-1) : events.dividend.addDays(7));
            QuoteDownloader downloader(m_transfer, m_services);
            downloader.SetRequestOptions({kind, {}});
            DownloadBatch batch(downloader, *rows, 2020, folder.path() + u'/',
                                BatchOptions{0, rows == &after}, &clock);
            (void)batch.Run();
        }
        EXPECT_EQ(after.note.startsWith(u"updated: "_s), kind == PriceKind::AsTraded)
            << after.note.toStdString();
    }
}

TEST_F(RequestChoicesTest, LookUpThroughEachServicesSearch)
{
    const struct
    {
        const char *service;
        QStringList berkshire;
        QString refusal; // the cause of a search once the allowance is spent
    } cases[] = {
        {"eodhd", {u"BRK-B.US"_s, u"BRK-A.US"_s}, u"HTTP 402 Payment Required"_s},
        {"tiingo", {u"BRK-B"_s, u"BRK-A"_s}, u"HTTP 429 Too Many Requests: the service's rate limit"_s},
        {"twelvedata",
         {u"BRK.B"_s, u"BRK.A"_s},
         u"You have run out of API credits for the day. 3 API credits"_s},
    };
    FakeBatchClock clock;
    clock.AdvanceWhenIdle();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.service);
        Serve(kServiceEnd, 2);
        const int source = ServiceRegistry::IndexOf(QString::fromLatin1(c.service));
        QuoteDownloader downloader(m_transfer, m_services);
        SymbolLookup lookup(downloader, &clock);
        const SearchReply found = lookup.Run(source, u"berkshire"_s);
        ASSERT_TRUE(found.ok) << found.cause.toStdString();
        QStringList codes;
        for (const SymbolMatch &match : found.matches)
            codes.append(match.code);
        EXPECT_EQ(codes, c.berkshire);

        const SearchReply none = lookup.Run(source, u"no such name"_s);
        EXPECT_TRUE(none.ok && none.matches.isEmpty());
        const SearchReply refused = lookup.Run(source, u"apple"_s);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.cause.startsWith(c.refusal)) << refused.cause.toStdString();
        // The service said the allowance is spent: the next look-up is not even sent.
        const qsizetype asked = m_server->Answered().size();
        EXPECT_TRUE(lookup.Run(source, u"ibm"_s).cause.startsWith(u"not tried: "_s));
        EXPECT_EQ(m_server->Answered().size(), asked);

        // A wrong key is refused, and the cause does not show it.
        Serve();
        m_services[source].token = u"wrong key 42"_s;
        QuoteDownloader wrongKey(m_transfer, m_services);
        const SearchReply unauthorized = SymbolLookup(wrongKey, &clock).Run(source, u"berkshire"_s);
        EXPECT_TRUE(unauthorized.cause.startsWith(u"HTTP 401 Unauthorized: check the API"_s))
            << unauthorized.cause.toStdString();
        EXPECT_FALSE(unauthorized.cause.contains(u"wrong"_s));
    }

    // The three old services have no search, and EODHD's demo token none either: nothing is sent.
    Serve();
    QuoteDownloader downloader(m_transfer, m_services);
    SymbolLookup lookup(downloader, &clock);
    EXPECT_EQ(lookup.Run(0, u"ibm"_s).cause, u"Yahoo! Finance offers no symbol search"_s);
    m_services[ServiceRegistry::IndexOf(u"eodhd")].token.clear();
    downloader.SetServices(m_services);
    EXPECT_TRUE(lookup.Run(ServiceRegistry::IndexOf(u"eodhd"), u"ibm"_s).cause.contains(u"own API token"_s));
    EXPECT_TRUE(m_server->Answered().isEmpty());
}

} // namespace
