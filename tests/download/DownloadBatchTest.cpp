#include "DownloadBatch.h"

#include "FakeBatchClock.h"
#include "HttpTransfer.h"
#include "QtPrinters.h"
#include "QuoteDownloader.h"
#include "QuoteHistory.h"
#include "QuoteServer.h"
#include "ServiceGate.h"
#include "ServiceSettingsFor.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

// The batch's face: the symbols given, the outcomes and waits it reports, and a stop after so many rows.
class RecordingRows final : public BatchRows
{
public:
    RecordingRows(QStringList symbols, int quoteSource) : m_symbols(std::move(symbols)), m_source(quoteSource)
    {}

    std::optional<BatchRow> NextRow() override
    {
        if (m_next >= m_symbols.size())
            return std::nullopt;
        const int id = int(m_next++);
        return BatchRow{id, m_symbols.at(id)};
    }
    int QuoteSource() override { return m_source; }
    int FileFormat() override { return format; }
    void RowStarted(const BatchRow &) override {}
    void RowFinished(const BatchRow &row, const RowOutcome &outcome) override
    {
        outcomes.append({row.symbol, outcome});
        if (onFinished)
            onFinished();
    }
    void RowAbandoned(const BatchRow &row) override { abandoned.append(row.symbol); }
    bool StopRequested() override { return stopAfter >= 0 && outcomes.size() >= stopAfter; }
    void RowWaiting(const BatchRow &row, const QString &reason, std::chrono::milliseconds) override
    {
        waits.append(row.symbol + u' ' + reason);
        if (onWaiting)
            onWaiting();
    }

    QList<std::pair<QString, RowOutcome>> outcomes;
    QStringList abandoned;
    QStringList waits;
    qsizetype stopAfter = -1;
    int format = 0;
    std::function<void()> onFinished;
    std::function<void()> onWaiting;

private:
    QStringList m_symbols;
    int m_source;
    qsizetype m_next = 0;
};

QStringList Symbols(int count)
{
    QStringList symbols;
    for (int i = 0; i < count; ++i)
        symbols.append(QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0')));
    return symbols;
}

// A run against a quote service in this process, whose rate limit counts by the same test clock as the
// batch; the clock jumps ahead whenever no request is in flight.
class DownloadBatchTest : public ::testing::Test
{
protected:
    void Serve(const std::function<void(QuoteServer::Options &)> &set = {}, QDate endDate = {2024, 3, 28})
    {
        QuoteServer::Options options;
        if (set)
            set(options);
        options.endDate = endDate;
        options.now = [this] { return m_clock.Now(); };
        m_server = std::make_unique<QuoteServer>(std::move(options));
        ASSERT_TRUE(m_server->Listen(0));
        m_services = ServicesAt(QStringLiteral("http://127.0.0.1:%1").arg(m_server->Port()),
                                QStringLiteral("e"), QStringLiteral("t"));
        m_services[ServiceRegistry::IndexOf(u"twelvedata")].token = QStringLiteral("k");
    }

    DownloadBatch::Summary Run(RecordingRows &rows, int jobs = 1, int retries = 3, bool update = false,
                               const QString &folder = {}, int startYear = 2020)
    {
        std::vector<std::unique_ptr<HttpTransfer>> transfers;
        QList<HttpTransfer *> pointers;
        for (int job = 0; job < jobs; ++job)
            pointers.append(transfers.emplace_back(std::make_unique<HttpTransfer>()).get());
        m_clock.AdvanceWhenIdle([&pointers] {
            return std::none_of(pointers.begin(), pointers.end(),
                                [](const HttpTransfer *transfer) { return transfer->RequestPending(); });
        });
        QuoteDownloader downloader(*pointers.front(), m_services);
        DownloadBatch batch(downloader, rows, startYear, (folder.isEmpty() ? m_folder.path() : folder) + u'/',
                            BatchOptions{retries, update}, &m_clock);
        m_batch = &batch;
        const DownloadBatch::Summary summary = batch.Run(pointers);
        m_batch = nullptr;
        return summary;
    }

    [[nodiscard]] qsizetype Answered(const char *status) const
    {
        return std::count_if(m_server->Answered().begin(), m_server->Answered().end(),
                             [status](const QByteArray &line) { return line.startsWith(status); });
    }

    FakeBatchClock m_clock;
    QTemporaryDir m_folder;
    std::unique_ptr<QuoteServer> m_server;
    QList<ServiceSettings> m_services;
    DownloadBatch *m_batch = nullptr;
};

TEST_F(DownloadBatchTest, PassingFailuresAreTriedAgainAfterTheirBackoff)
{
    Serve([](auto &o) { o.flaky = {{"IBM", 2}, {"AAA", 9}}; });
    RecordingRows rows({QStringLiteral("IBM"), QStringLiteral("MSFT"), QStringLiteral("AAA")}, 0);
    const DownloadBatch::Summary summary = Run(rows, 1, 2);
    EXPECT_EQ(summary.succeeded, 2);
    ASSERT_EQ(rows.outcomes.size(), 3);
    EXPECT_EQ(rows.outcomes[0].second.result, RowOutcome::Success);
    EXPECT_EQ(rows.outcomes[2].second.cause, QStringLiteral("HTTP 503 Service Unavailable (3 tries)"));
    // With the jitter in the middle, the back-off is exactly 1 s, then 2 s.
    EXPECT_EQ(m_clock.Waits(), (std::vector<std::chrono::milliseconds>{1s, 2s, 1s, 2s}));
    EXPECT_EQ(rows.waits.first(), QStringLiteral("IBM try 2 of 3 after HTTP 503 Service Unavailable"));
    EXPECT_EQ(Answered("503"), 5);
    EXPECT_TRUE(QFile::exists(m_folder.filePath(QStringLiteral("IBM.bin"))));
}

TEST_F(DownloadBatchTest, RefusalsThatCannotChangeAreAskedOnce)
{
    Serve([](auto &o) {
        o.unknown = {"NOSUCH"};
        o.token = "right";
    });
    for (const int source : {0, ServiceRegistry::IndexOf(u"tiingo")}) {
        RecordingRows rows({QStringLiteral("NOSUCH")}, source);
        (void)Run(rows);
        ASSERT_EQ(rows.outcomes.size(), 1);
        EXPECT_EQ(rows.outcomes[0].second.result, RowOutcome::RequestFailed);
        EXPECT_TRUE(rows.waits.isEmpty()) << rows.waits.join(u'|').toStdString();
    }
    EXPECT_EQ(m_server->Answered().size(), 2);
    EXPECT_EQ(Answered("404"), 1);
    EXPECT_EQ(Answered("401"), 1);
}

// 20 symbols against a service that allows 5 requests a second: paced, none is refused; unpaced, the
// refusals' Retry-After brings every one through all the same.
TEST_F(DownloadBatchTest, PacedRunsAreNeverRefusedAndUnpacedOnesRecover)
{
    for (const bool paced : {true, false}) {
        for (const int jobs : {1, 4}) {
            Serve([](auto &o) { o.rate = {5, 1s}; });
            const int yahoo = 0;
            m_services[yahoo].rates = paced ? QList<Rate>{{5, 1s}} : QList<Rate>{};
            RecordingRows rows(Symbols(20), yahoo);
            const auto start = m_clock.Now();
            EXPECT_EQ(Run(rows, jobs).succeeded, 20) << paced << jobs;
            EXPECT_EQ(Answered("200"), 20);
            if (paced) {
                EXPECT_EQ(Answered("429"), 0) << jobs;
                // Spread out, not burst: about 19 gaps of a fifth of a second.
                EXPECT_GE(m_clock.Now() - start, 3800ms);
                EXPECT_LE(m_clock.Now() - start, 5000ms);
            } else {
                EXPECT_GT(Answered("429"), 0) << jobs;
            }
        }
    }
}

// Every service's way of saying its allowance is spent (a long Retry-After, EODHD's 402, Tiingo's and
// Twelve Data's words) stops it for the run: one refusal, and the rows left are not tried.
TEST_F(DownloadBatchTest, ASpentAllowanceStopsTheServiceForTheRun)
{
    for (int source = 0; source < ServiceRegistry::Count(); ++source) {
        SCOPED_TRACE(source);
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(m_folder.path());
        Serve([](auto &o) { o.allowance = 5; });
        RecordingRows rows(Symbols(20), source);
        const DownloadBatch::Summary summary = Run(rows);
        EXPECT_EQ(summary.succeeded, 5);
        EXPECT_EQ(summary.failed, 15);
        EXPECT_EQ(m_server->Answered().size(), 6);
        ASSERT_EQ(rows.outcomes.size(), 20);
        EXPECT_TRUE(rows.waits.filter(u" try "_s).isEmpty()) << rows.waits.join(u'|').toStdString();
        for (qsizetype row = 6; row < rows.outcomes.size(); ++row)
            EXPECT_TRUE(rows.outcomes[row].second.cause.startsWith(
                u"not tried: the service's allowance is used up (try again after 20"))
                << rows.outcomes[row].second.cause.toStdString();
        EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files).size(), 5);
    }
}

TEST_F(DownloadBatchTest, StopEndsTheRunAtOnceEvenInAWait)
{
    Serve([](auto &o) { o.flaky = {{"S03", 5}}; });
    RecordingRows rows(Symbols(10), 0);
    // Stopped while S03 waits for its retry: nothing more is sent or written.
    rows.onWaiting = [&rows, this] {
        rows.stopAfter = 0;
        m_batch->Interrupt();
    };
    const DownloadBatch::Summary summary = Run(rows);
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ(rows.outcomes.size(), 3);
    EXPECT_EQ(rows.abandoned, QStringList{QStringLiteral("S03")});
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files).size(), 3);
    const qsizetype sent = m_server->Answered().size();
    EXPECT_TRUE(m_clock.RunUntilIdle());
    EXPECT_EQ(m_server->Answered().size(), sent);
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A library kept up to date gives the very bytes of a full download, for every service and format:
// after the service has moved on a few days, and after it has moved past a split or dividend that
// re-adjusts the history of the services that adjust.
TEST_F(DownloadBatchTest, UpdatedFilesEqualAFullDownload)
{
    const QDate first(2024, 3, 20);
    const QDate moved = first.addDays(6);
    const QList<QDate> events = QuoteHistory::EventDates("IBM", QDate(2030, 12, 31));
    const QDate event = *std::find_if(events.begin(), events.end(), [&](QDate day) { return day > moved; });
    const QString library = m_folder.filePath(QStringLiteral("library"));
    const QString full = m_folder.filePath(QStringLiteral("full"));
    for (int source = 0; source < ServiceRegistry::Count(); ++source) {
        for (const int format : {0, 1}) {
            const QString file = format == 0 ? QStringLiteral("/IBM.bin") : QStringLiteral("/IBM.Daily.kyv");
            QDir(library).removeRecursively();
            QDir().mkpath(library);
            QDir().mkpath(full);
            const auto run = [&](QDate end, bool update, const QString &folder) {
                Serve({}, end);
                RecordingRows rows({QStringLiteral("IBM")}, source);
                rows.format = format;
                (void)Run(rows, 1, 0, update, folder);
                EXPECT_EQ(rows.outcomes.value(0).second.result, RowOutcome::Success) << source;
                return rows.outcomes.value(0).second.cause;
            };
            (void)run(first, false, library);
            EXPECT_EQ(run(moved, true, library), QStringLiteral("updated: 4 new bars")) << source << format;
            (void)run(moved, false, full);
            EXPECT_EQ(Bytes(library + file), Bytes(full + file)) << source << format;
            const QString note = run(event, true, library);
            const bool adjusts = source >= ServiceRegistry::IndexOf(u"eodhd");
            if (adjusts) {
                EXPECT_TRUE(note.startsWith(u"full download: history changed on ")) << note.toStdString();
            }
            (void)run(event, false, full);
            EXPECT_FALSE(Bytes(full + file).isEmpty());
            EXPECT_EQ(Bytes(library + file), Bytes(full + file)) << source << format;
        }
    }
}

// What is not the row's own file, or not one at all, is downloaded in full; a failed update leaves
// the file as it was.
TEST_F(DownloadBatchTest, UnusableFilesAreReplacedAndFailedUpdatesKeepThem)
{
    const QString path = m_folder.filePath(QStringLiteral("IBM.bin"));
    ASSERT_TRUE(WriteBytes(path, "not a bar file"));
    Serve([](auto &o) { o.unknown = {"MSFT"}; });
    RecordingRows rows({QStringLiteral("IBM")}, 0);
    (void)Run(rows, 1, 0, true);
    EXPECT_EQ(rows.outcomes.value(0).second.cause, QStringLiteral("full download: no usable file"));
    const QByteArray good = Bytes(path);
    EXPECT_GT(good.size(), 100);

    const QString other = m_folder.filePath(QStringLiteral("MSFT.bin"));
    ASSERT_TRUE(QFile::copy(path, other));
    RecordingRows failing({QStringLiteral("MSFT")}, 0);
    (void)Run(failing, 1, 0, true);
    EXPECT_EQ(failing.outcomes.value(0).second.result, RowOutcome::RequestFailed);
    EXPECT_EQ(Bytes(other), good);
}

// A file with findings is written all the same, and its row says what they are; the library's calendar
// grows with the files the run writes, so the day missing from GAPD is found beside three others.
TEST_F(DownloadBatchTest, WrittenFilesAreCheckedAndTheRowSaysWhatWasFound)
{
    Serve([](auto &o) {
        o.faulty = {{"SPLT", QuoteHistory::Fault::UnappliedSplit},
                    {"GAPD", QuoteHistory::Fault::MissingDay},
                    {"CENT", QuoteHistory::Fault::HundredfoldDay},
                    {"QUIET", QuoteHistory::Fault::ZeroVolume}};
    });
    RecordingRows rows({u"IBM"_s, u"MSFT"_s, u"KO"_s, u"SPLT"_s, u"GAPD"_s, u"CENT"_s, u"QUIET"_s}, 0);
    (void)Run(rows, 2, 0);
    const char *const expected[] = {"",
                                    "",
                                    "",
                                    "1 warning: jump x1/2 on 20",
                                    "1 warning: gap on 2024-03-01",
                                    "1 warning: jump x100 on 2024-02-02",
                                    "1 warning: zero-volume on 2023-12-20"};
    ASSERT_EQ(rows.outcomes.size(), 7);
    for (qsizetype row = 0; row < rows.outcomes.size(); ++row) {
        const RowOutcome &outcome = rows.outcomes.at(row).second;
        EXPECT_EQ(outcome.result, RowOutcome::Success);
        EXPECT_TRUE(QFile::exists(m_folder.filePath(outcome.fileName)));
        EXPECT_TRUE(expected[row][0] == 0 ? outcome.cause.isEmpty()
                                          : outcome.cause.startsWith(QLatin1StringView(expected[row])))
            << rows.outcomes.at(row).first.toStdString() << ": " << outcome.cause.toStdString();
    }
}

// How one service's gate judges replies: what may be tried again, after how long, and what stops it.
TEST(ServiceGateTest, JudgesRepliesAndBooksRequests)
{
    const QuoteService &yahoo = *ServiceRegistry::At(0);
    const QuoteService &eodhd = *ServiceRegistry::At(ServiceRegistry::IndexOf(u"eodhd"));
    const QDateTime noon(QDate(2026, 12, 1), QTime(12, 0), Qt::UTC);
    const ServiceGate::Clock::time_point now{};
    const auto reply = [](int status, QByteArray retryAfter = {}) {
        FetchResult result;
        result.ok = true;
        result.httpStatus = status;
        result.retryAfter = std::move(retryAfter);
        return result;
    };
    const struct
    {
        FetchResult reply;
        int tries;
        ServiceGate::Verdict::Kind kind;
        std::chrono::milliseconds wait;
    } cases[] = {
        {reply(503), 1, ServiceGate::Verdict::Retry, 1s},
        {reply(503), 4, ServiceGate::Verdict::Take, 0s}, // no tries left
        {reply(429, "7"), 1, ServiceGate::Verdict::Retry, 7s},
        {reply(503, "300"), 1, ServiceGate::Verdict::Retry, 300s},
        {reply(401), 1, ServiceGate::Verdict::Take, 0s},
        {reply(404), 1, ServiceGate::Verdict::Take, 0s},
    };
    for (const auto &c : cases) {
        ServiceGate gate({});
        const ServiceGate::Verdict verdict = gate.Judge(yahoo, c.reply, c.tries, 3, now, noon, 0.5);
        EXPECT_EQ(verdict.kind, c.kind) << c.reply.httpStatus << ' ' << c.reply.retryAfter.constData();
        EXPECT_EQ(verdict.wait, c.wait) << c.reply.httpStatus << ' ' << c.reply.retryAfter.constData();
        EXPECT_FALSE(gate.Spent());
    }

    // A long Retry-After, or the service's words for a spent day, close the gate until then.
    ServiceGate longWait({});
    EXPECT_EQ(longWait.Judge(yahoo, reply(429, "301"), 1, 3, now, noon, 0.5).kind,
              ServiceGate::Verdict::Spent);
    EXPECT_FALSE(longWait.Book(now, noon));
    FetchResult spent = reply(402);
    spent.body = "You exceeded your daily API requests limit. Please, upgrade your plan.";
    ServiceGate daily({});
    EXPECT_EQ(daily.Judge(eodhd, spent, 1, 3, now, noon, 0.5).kind, ServiceGate::Verdict::Spent);
    EXPECT_EQ(daily.NotTriedCause(),
              QStringLiteral("not tried: the service's allowance is used up (try again after ") +
                  QDateTime(QDate(2026, 12, 2), QTime(0, 0), Qt::UTC)
                      .toLocalTime()
                      .toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
                  u')');

    // A pace that would hold a request back for longer than five minutes sends nothing more.
    ServiceGate hourly({{2, std::chrono::hours(1)}});
    EXPECT_EQ(hourly.Book(now, noon), std::optional(0ms));
    EXPECT_EQ(hourly.Book(now, noon), std::optional(0ms));
    EXPECT_FALSE(hourly.Book(now + 1s, noon));
    EXPECT_TRUE(hourly.Spent());
}

} // namespace

bool TradingDay(QDate day)
{
    return day.dayOfWeek() < 6 && !(day.month() == 1 && day.day() == 1) &&
           !(day.month() == 12 && day.day() == 25);
}

QDate TradingDayBefore(QDate day)
{
    do
        day = day.addDays(-1);
    while (!TradingDay(day));
    return day;
}

// A library a day behind, updated through the market's day, holds the very bytes of a full download; the
// rows with a split or dividend that day are downloaded in full, the others cost no request of their own.
struct MarketDayCase
{
    const char16_t *service;
    int symbols;
    bool split; // the day brings a split to some symbol, else only dividends
};

class MarketDayTest : public DownloadBatchTest, public ::testing::WithParamInterface<MarketDayCase>
{};

TEST_P(MarketDayTest, ALibraryOneDayBehindTakesTheMarketsDay)
{
    const MarketDayCase &param = GetParam();
    const int source = ServiceRegistry::IndexOf(param.service);
    const QStringList symbols = Symbols(param.symbols);
    QDate day(2024, 2, 1);
    const auto actions = [&](QDate on, bool splitsOnly) {
        QStringList hit;
        for (const QString &symbol : symbols) {
            const QByteArray code = symbol.toLatin1();
            if ((splitsOnly ? QuoteHistory::SplitDates(code, on) : QuoteHistory::EventDates(code, on))
                    .contains(on))
                hit.append(symbol);
        }
        return hit;
    };
    while (!TradingDay(day) || actions(day, param.split).isEmpty())
        day = day.addDays(1);
    const QStringList acting = actions(day, false);
    QList<QByteArray> universe;
    for (const QString &symbol : symbols)
        universe.append(symbol.toLatin1());
    for (const int format : {0, 1}) {
        const QString library = m_folder.filePath(u"library%1"_s.arg(format));
        const QString full = m_folder.filePath(u"full%1"_s.arg(format));
        QDir().mkpath(library);
        QDir().mkpath(full);
        const auto run = [&](QDate end, bool update, const QString &folder) {
            Serve([&](auto &o) { o.universe = universe; }, end);
            m_services[source].rates.clear();
            RecordingRows rows(symbols, source);
            rows.format = format;
            const DownloadBatch::Summary summary = Run(rows, 4, 0, update, folder, 2024);
            EXPECT_EQ(summary.succeeded, symbols.size());
            return std::pair(summary, rows.outcomes);
        };
        (void)run(TradingDayBefore(day), false, library);
        const auto [summary, outcomes] = run(day, true, library);
        // The calendar row, the market's day (EODHD: its bars, splits and dividends), the full downloads.
        const int dayRequests = source == ServiceRegistry::IndexOf(u"eodhd") ? 3 : 1;
        EXPECT_EQ(summary.requests, 1 + dayRequests + acting.size()) << format;
        EXPECT_EQ(m_server->Answered().size(), summary.requests);
        EXPECT_EQ(summary.marketDay, symbols.size() - 1 - acting.size());
        for (const auto &[symbol, outcome] : outcomes) {
            const QString expected =
                acting.contains(symbol)
                    ? u"full download: split or dividend on "_s + day.toString(Qt::ISODate)
                : symbol == outcomes.front().first ? u"updated: 1 new bar"_s
                                                   : u"updated: 1 new bar (market day)"_s;
            EXPECT_EQ(outcome.cause, expected) << symbol.toStdString();
        }
        (void)run(day, false, full);
        for (const QString &file : QDir(full).entryList(QDir::Files))
            EXPECT_EQ(Bytes(library + u'/' + file), Bytes(full + u'/' + file)) << file.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Services, MarketDayTest,
                         ::testing::Values(MarketDayCase{u"tiingo", 30, true},
                                           MarketDayCase{u"tiingo", 30, false},
                                           MarketDayCase{u"eodhd", 305, false}),
                         [](const auto &info) {
                             return QString::fromUtf16(info.param.service).toStdString() +
                                    (info.param.split ? "Split" : "Dividend");
                         });

// What the market's day may not serve is updated symbol by symbol, and never with a gap.
TEST_F(DownloadBatchTest, MarketDayFallsBackRowByRow)
{
    const int tiingo = ServiceRegistry::IndexOf(u"tiingo");
    const QStringList symbols = Symbols(6);
    const QList<QByteArray> universe = {"S00", "S01", "S02", "S03", "S04"}; // S05 is not in the reply
    struct Case
    {
        QDate last, day;
        bool refused;
        int marketDay;
        qsizetype formAsked;
    };
    // Two days behind; across Christmas; refused for the plan.
    for (const Case &c :
         {Case{{2024, 3, 6}, {2024, 3, 8}, false, 0, 0}, Case{{2024, 12, 24}, {2024, 12, 26}, false, 4, 1},
          Case{{2024, 3, 7}, {2024, 3, 8}, true, 0, 1}}) {
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(m_folder.path());
        for (const auto &[end, update] : {std::pair(c.last, false), std::pair(c.day, true)}) {
            Serve(
                [&](auto &o) {
                    o.universe = universe;
                    o.refuseMarketDay = c.refused;
                },
                end);
            m_services[tiingo].rates.clear();
            RecordingRows rows(symbols, tiingo);
            const DownloadBatch::Summary summary = Run(rows, 1, 0, update);
            EXPECT_EQ(summary.succeeded, 6);
            if (!update)
                continue;
            EXPECT_EQ(summary.marketDay, c.marketDay) << c.day.toString().toStdString();
            EXPECT_EQ(summary.requests, 6 - c.marketDay + c.formAsked);
            EXPECT_EQ(
                std::count_if(m_server->Answered().begin(), m_server->Answered().end(),
                              [](const QByteArray &line) { return line.contains("/tiingo/daily/prices?"); }),
                c.formAsked);
            EXPECT_FALSE(rows.outcomes.back().second.cause.endsWith(u"(market day)"));
        }
    }
}

// A stop while the market day's calendar request hangs ends the run at once, with nothing reported.
TEST_F(DownloadBatchTest, StopEndsTheRunDuringTheMarketDay)
{
    const int tiingo = ServiceRegistry::IndexOf(u"tiingo");
    Serve();
    m_services[tiingo].rates.clear();
    RecordingRows first(Symbols(4), tiingo);
    (void)Run(first);
    Serve([](auto &o) { o.hang = {"S00"}; });
    RecordingRows rows(Symbols(4), tiingo);
    QTimer::singleShot(100, [&rows, this] {
        rows.stopAfter = 0;
        m_batch->Interrupt();
    });
    EXPECT_TRUE(Run(rows, 1, 0, true).stopped);
    EXPECT_TRUE(rows.outcomes.isEmpty());
}

// A service that does not answer stops being asked after three rows in a row, at the time of their tries.
TEST_F(DownloadBatchTest, ADeadServiceIsGivenUpAfterThreeRows)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    m_services = ServicesAt(u"http://127.0.0.1:%1"_s.arg(closed.serverPort()));
    closed.close();
    RecordingRows rows(Symbols(20), 0);
    const QDateTime start = m_clock.NowUtc();
    const DownloadBatch::Summary summary = Run(rows, 1, 3);
    EXPECT_EQ(summary.requests, 3 * (1 + 3));
    EXPECT_EQ(summary.failed, 20);
    EXPECT_EQ(rows.outcomes.value(3).second.cause,
              u"not tried: the service did not answer (3 rows in a row)"_s);
    EXPECT_EQ(rows.outcomes.value(19).second.cause, rows.outcomes.value(3).second.cause);
    // Three rows of back-off, 1 + 2 + 4 s each with the jitter in the middle.
    EXPECT_EQ(start.secsTo(m_clock.NowUtc()), 21);

    ServiceGate gate({});
    FetchResult refused;
    refused.failure = FetchResult::Failure::ConnectionRefused;
    FetchResult answered;
    answered.httpStatus = 404;
    answered.ok = true;
    for (const FetchResult &reply : {refused, refused, answered, refused, refused})
        gate.RowEnded(reply);
    EXPECT_FALSE(gate.Dead()); // an answer, even a 404, starts the count again
    gate.RowEnded(refused);
    EXPECT_TRUE(gate.Dead());
}
