#include "DownloadBatch.h"

#include "BarFileWriter.h"
#include "BarUpdate.h"
#include "BatchClock.h"
#include "BatchRules.h"
#include "HttpTransfer.h"
#include "MarketDayRun.h"
#include "QuoteDownloader.h"
#include "RetryRule.h"
#include "ServiceGate.h"
#include "SystemBatchClock.h"
#include "WrittenFileCheck.h"

#include <QEventLoop>

#include <deque>
#include <map>
#include <utility>

using namespace std::chrono_literals;

namespace {

// What a row's fetch came to.
struct Fetched
{
    int result = RowOutcome::RequestFailed; // a quote source's result code
    QString cause;
    BarSeries series; // success only
};

} // namespace

// The state of one Run(): the rows started and not yet reported, in list order, which of them each
// transfer works for, and the gate of each service asked.
class DownloadBatch::Running
{
public:
    Running(DownloadBatch &batch, const QList<HttpTransfer *> &transfers)
        : m_batch(batch), m_rows(batch.m_rows), m_clock(*batch.m_clock), m_transfers(transfers),
          m_working(transfers.size(), -1), m_check(batch.m_folder)
    {
        for (qsizetype slot = 0; slot < m_transfers.size(); ++slot)
            QObject::connect(m_transfers[slot], &HttpTransfer::Finished, &m_loop,
                             [this, slot] { OnFinished(slot); });
    }

    Summary Run()
    {
        RunMarketDay();
        Pump();
        if (!m_over)
            m_loop.exec();
        return m_summary;
    }

    // Reports what is ready, then starts rows while a transfer is free, until neither moves.
    void Pump()
    {
        if (m_marketDay && m_marketDay->Running()) {
            m_marketDay->run.Interrupt();
            return;
        }
        if (m_over)
            return;
        for (;;) {
            while (!m_entries.empty() && m_entries.front().fetched && !m_rows.StopRequested()) {
                Entry &entry = m_entries.front();
                if (m_rows.StillListed(entry.row)) {
                    const RowOutcome outcome = Write(*entry.fetched);
                    Count(outcome.result);
                    if (entry.marketDay && outcome.result == RowOutcome::Success)
                        ++m_summary.marketDay;
                    m_rows.RowFinished(entry.row, outcome);
                }
                m_entries.pop_front();
                ++m_firstNumber;
            }
            if (m_rows.StopRequested()) {
                Stop();
                return;
            }
            if (!StartOne())
                break;
        }
        if (m_noMoreRows && m_entries.empty())
            End();
    }

private:
    // Replies that arrive while the head row waits are parsed and held; this bounds how many, so a
    // hanging request cannot make a long list pile up in memory.
    static constexpr qsizetype kMaxHeld = 64;

    struct Entry
    {
        BatchRow row;
        int quoteSource = 0;
        HistoryFetch history;
        int tries = 0;                           // of the current request
        bool waited = false;                     // the face was told the row waits
        std::optional<BarUpdate::Stored> stored; // while the row fetches only what its file lacks
        QDate updateFrom;
        QString note;           // what an update did, for a row that succeeds
        bool marketDay = false; // brought up to date from the market's day
        std::optional<Fetched> fetched;
    };

    // The market-day part of an update run, and the rows it read ahead of the walk.
    struct MarketDay
    {
        MarketDayRun run;
        std::deque<BatchRow> ahead;
        bool running = true;
        [[nodiscard]] bool Running() const { return running; }
    };

    // Reads every row ahead, reads their files, and fetches what the market's day offers them.
    void RunMarketDay()
    {
        const DownloadBatch &batch = m_batch;
        // A history that ends early has no market day to take.
        if (!batch.m_options.updateExisting || !batch.m_options.marketDay ||
            batch.m_downloader.Options().end.isValid())
            return;
        const int quoteSource = m_rows.QuoteSource();
        const QuoteService *service = ServiceRegistry::At(quoteSource);
        if (!service || !service->MarketDay())
            return;
        m_marketDay = std::make_unique<MarketDay>(
            MarketDay{MarketDayRun(*service->MarketDay(),
                                   {batch.m_downloader, quoteSource, *m_transfers.front(), Gate(quoteSource),
                                    m_clock, m_rows, batch.m_options.retries, m_summary.requests}),
                      {}});
        m_marketDay->ahead = m_marketDay->run.ReadAhead(batch.m_folder, batch.m_startYear);
        m_marketDay->run.Run();
        m_marketDay->running = false;
    }

    std::optional<BatchRow> NextRow()
    {
        if (m_marketDay && !m_marketDay->ahead.empty()) {
            const BatchRow row = m_marketDay->ahead.front();
            m_marketDay->ahead.pop_front();
            return row;
        }
        return m_rows.NextRow();
    }

    // Settles a row the market day has answered already; false when it still needs a request.
    bool TakeMarketDay(Entry &entry)
    {
        if (!m_marketDay || !entry.stored)
            return false;
        if (std::optional<HistoryFetch> history = m_marketDay->run.TakeHistory(entry.row.id)) {
            entry.history = std::move(*history);
            if (!UpdateFailed(entry)) {
                entry.fetched = Done(entry);
                return true;
            }
            entry.stored.reset();
            return false;
        }
        MarketDayRun::Served served = m_marketDay->run.Serve(entry.row.symbol, *entry.stored);
        switch (served.kind) {
        case MarketDayRun::Served::None:
            return false;
        case MarketDayRun::Served::FullDownload:
            entry.stored.reset();
            entry.note = served.note;
            return false;
        case MarketDayRun::Served::Updated:
        case MarketDayRun::Served::UpToDate:
            entry.marketDay = true;
            entry.fetched = Fetched{RowOutcome::Success, served.note, std::move(served.series)};
            return true;
        }
        return false;
    }

    Entry &Working(qsizetype slot) { return m_entries.at(std::size_t(m_working[slot] - m_firstNumber)); }

    QList<Rate> Rates(int quoteSource) const
    {
        return m_batch.m_downloader.Services().value(quoteSource).rates;
    }

    ServiceGate &Gate(int quoteSource)
    {
        auto &gate = m_gates[quoteSource];
        if (!gate)
            gate = std::make_unique<ServiceGate>(Rates(quoteSource));
        return *gate;
    }

    // False when no row could be started.
    bool StartOne()
    {
        const qsizetype slot = m_working.indexOf(-1);
        if (m_noMoreRows || slot < 0 || qsizetype(m_entries.size()) >= kMaxHeld)
            return false;
        const std::optional<BatchRow> row = NextRow();
        if (!row) {
            m_noMoreRows = true;
            return false;
        }
        m_rows.RowStarted(*row);
        const int quoteSource = m_rows.QuoteSource();
        Entry &entry = m_entries.emplace_back();
        entry.row = *row;
        entry.quoteSource = quoteSource;
        QDate start(m_batch.m_startYear, 1, 1);
        if (m_batch.m_options.updateExisting) {
            const QString name = BatchRules::OutputName(row->symbol);
            const QString fileName = BatchRules::OutputFileName(name, m_rows.FileFormat());
            BarUpdate::Stored stored = fileName.isEmpty() ? BarUpdate::Stored{}
                                                          : BarUpdate::ReadStored(m_batch.m_folder + fileName,
                                                                                  name, m_batch.m_startYear);
            if (stored.usable) {
                start = entry.updateFrom = BarUpdate::RequestStart(stored);
                entry.stored = std::move(stored);
            } else {
                entry.note = BarUpdate::NoUsableFileText();
            }
            if (TakeMarketDay(entry))
                return true;
            if (!entry.stored)
                start = QDate(m_batch.m_startYear, 1, 1);
        }
        entry.history = m_batch.m_downloader.Begin(quoteSource, row->symbol, start);
        if (entry.history.done) {
            entry.fetched = Done(entry);
            return true;
        }
        m_working[slot] = m_firstNumber + qint64(m_entries.size()) - 1;
        Send(slot);
        return true;
    }

    // Sends the slot's request when the service's pace allows, or settles the row when it never will.
    void Send(qsizetype slot)
    {
        Entry &entry = Working(slot);
        ServiceGate &gate = Gate(entry.quoteSource);
        const std::optional<std::chrono::milliseconds> wait = gate.Book(m_clock.Now(), m_clock.NowUtc());
        if (!wait) {
            Settle(slot, Fetched{RowOutcome::RequestFailed, gate.NotTriedCause(), {}});
            return;
        }
        if (*wait <= 0ms) {
            Transmit(slot);
            return;
        }
        m_rows.RowWaiting(
            entry.row,
            QStringLiteral("keeping to the service's pace (%1)").arg(RatesText(Rates(entry.quoteSource))),
            *wait);
        entry.waited = true;
        m_clock.CallAfter(*wait, &m_loop, [this, slot] {
            if (!m_over)
                Transmit(slot);
        });
    }

    void Transmit(qsizetype slot)
    {
        Entry &entry = Working(slot);
        if (std::exchange(entry.waited, false))
            m_rows.RowStarted(entry.row); // at work again
        ++m_summary.requests;
        m_transfers[slot]->Start(entry.history.request.url, entry.history.request.headers);
    }

    void OnFinished(qsizetype slot)
    {
        if (m_over || m_working[slot] < 0)
            return;
        Entry &entry = Working(slot);
        const FetchResult reply = m_transfers[slot]->TakeResult();
        const int tries = ++entry.tries;
        ServiceGate &gate = Gate(entry.quoteSource);
        const ServiceGate::Verdict verdict =
            gate.Judge(*ServiceRegistry::At(entry.quoteSource), reply, tries, m_batch.m_options.retries,
                       m_clock.Now(), m_clock.NowUtc(), m_clock.Jitter());
        if (verdict.kind == ServiceGate::Verdict::Retry) {
            m_rows.RowWaiting(entry.row,
                              QStringLiteral("try %1 of %2 after %3")
                                  .arg(tries + 1)
                                  .arg(m_batch.m_options.retries + 1)
                                  .arg(ReplyCause(entry, reply)),
                              verdict.wait);
            entry.waited = true;
            m_clock.CallAfter(verdict.wait, &m_loop, [this, slot] {
                if (m_over)
                    return;
                Send(slot); // a retry keeps to the pace as any request does
                Pump();
            });
            return;
        }
        gate.RowEnded(reply);
        m_batch.m_downloader.Absorb(entry.history, reply);
        if (!entry.history.done) {
            entry.tries = 0;
            Send(slot);
        } else if (!UpdateFailed(entry)) {
            if (tries > 1 && entry.history.outcome.result != RowOutcome::Success)
                entry.history.outcome.cause = RetryRule::TriesCause(entry.history.outcome.cause, tries);
            Settle(slot, Done(entry));
        } else {
            // The file no longer matches the service's history: all of it again.
            entry.stored.reset();
            entry.tries = 0;
            entry.history = m_batch.m_downloader.Begin(entry.quoteSource, entry.row.symbol,
                                                       QDate(m_batch.m_startYear, 1, 1));
            Send(slot);
        }
        Pump();
    }

    // Writes a fetched series to its file; the outcome the row reports.
    RowOutcome Write(Fetched &fetched)
    {
        RowOutcome outcome;
        outcome.cause = fetched.cause;
        BarSeries &series = fetched.series;
        // A reply whose every bar lost its date leaves nothing worth a file; the old one stays.
        if (fetched.result == RowOutcome::Success && series.BarCount == 0) {
            fetched.result = RowOutcome::NoData;
            outcome.cause = QStringLiteral("no price lines");
        }
        if (fetched.result != RowOutcome::Success) {
            outcome.result =
                fetched.result == RowOutcome::NoData ? RowOutcome::NoData : RowOutcome::RequestFailed;
            outcome.status = StatusText(outcome.result);
            return outcome;
        }

        series.Symbol = BatchRules::OutputName(series.Symbol);
        const int format = m_rows.FileFormat();
        outcome.fileName = BatchRules::OutputFileName(series.Symbol, format);
        const QString &folder = m_batch.m_folder;
        QString error;
        const bool written =
            format == 0 ? WriteBinFile(series, folder, outcome.fileName, &error)
                        : WriteKyvFile(series, folder, outcome.fileName, m_batch.m_startYear, &error);
        if (!written) {
            outcome.result = RowOutcome::WriteFailed;
            outcome.cause = QStringLiteral("Write failed: ") + error;
            outcome.status = StatusText(outcome.result);
            outcome.fileName.clear();
            return outcome;
        }
        outcome.result = RowOutcome::Success;
        outcome.status = StatusText(outcome.result);
        outcome.barCount = series.BarCount;
        outcome.firstDate = series.BarDate(1);
        outcome.lastDate = series.BarDate(series.BarCount);
        // The data is the service's, so the file stands; the row says what looks wrong in it.
        if (const QString findings = m_check.Summary(outcome.fileName, series); !findings.isEmpty())
            outcome.cause =
                outcome.cause.isEmpty() ? findings : outcome.cause + QStringLiteral("; ") + findings;
        return outcome;
    }

    // How the downloader would word the reply as the row's cause.
    QString ReplyCause(const Entry &entry, const FetchResult &reply) const
    {
        BarSeries raw;
        BarSeries output;
        return m_batch.m_downloader.Parse(entry.quoteSource, reply, entry.row.symbol, raw, output).cause;
    }

    void Settle(qsizetype slot, Fetched fetched)
    {
        Working(slot).fetched = std::move(fetched);
        m_working[slot] = -1;
    }

    // True when an update's reply does not bear out the file, which the note then says; the file's
    // bars with the reply's later ones take the reply's place when it does.
    static bool UpdateFailed(Entry &entry)
    {
        if (!entry.stored)
            return false;
        HistoryFetch &history = entry.history;
        if (history.outcome.result == RowOutcome::NoData) {
            entry.note = BarUpdate::HistoryChangedText(entry.stored->lastDate);
            return true;
        }
        if (history.outcome.result != RowOutcome::Success)
            return false; // reported as it is; the file stays as it was
        BarUpdate::Merged merged = BarUpdate::Merge(*entry.stored, history.series, entry.updateFrom);
        switch (merged.kind) {
        case BarUpdate::Merged::Updated:
            entry.note = BarUpdate::UpdatedText(merged.newBars);
            break;
        case BarUpdate::Merged::UpToDate:
            entry.note = BarUpdate::UpToDateText();
            break;
        case BarUpdate::Merged::HistoryChanged:
            entry.note = BarUpdate::HistoryChangedText(merged.changedOn);
            return true;
        }
        history.series = std::move(merged.series);
        return false;
    }

    static Fetched Done(Entry &entry)
    {
        const HistoryFetch &history = entry.history;
        const bool success = history.outcome.result == RowOutcome::Success;
        Fetched fetched{history.outcome.result, success ? entry.note : history.outcome.cause, {}};
        if (success)
            fetched.series = std::move(entry.history.series);
        return fetched;
    }

    void Count(int result)
    {
        switch (result) {
        case RowOutcome::Success:
            ++m_summary.succeeded;
            break;
        case RowOutcome::NoData:
            ++m_summary.noData;
            break;
        default:
            ++m_summary.failed;
            break;
        }
    }

    // Abandons every row not yet reported; nothing is written for any of them.
    void Stop()
    {
        m_over = true;
        for (HttpTransfer *transfer : m_transfers)
            transfer->Cancel();
        for (const Entry &entry : m_entries)
            m_rows.RowAbandoned(entry.row);
        m_entries.clear();
        m_summary.stopped = true;
        m_loop.quit();
    }

    void End()
    {
        m_over = true;
        m_loop.quit();
    }

    DownloadBatch &m_batch;
    BatchRows &m_rows;
    BatchClock &m_clock;
    const QList<HttpTransfer *> &m_transfers;
    QList<qint64> m_working; // per transfer, the number of the row it works for; -1 when free
    WrittenFileCheck m_check;
    std::deque<Entry> m_entries;
    qint64 m_firstNumber = 0; // the number of m_entries.front(), counting rows from 0 as started
    std::map<int, std::unique_ptr<ServiceGate>> m_gates;
    std::unique_ptr<MarketDay> m_marketDay;
    QEventLoop m_loop;
    Summary m_summary;
    bool m_noMoreRows = false;
    bool m_over = false;
};

DownloadBatch::DownloadBatch(QuoteDownloader &downloader, BatchRows &rows, int startYear, QString folder,
                             BatchOptions options, BatchClock *clock)
    : m_downloader(downloader), m_rows(rows), m_startYear(startYear), m_folder(std::move(folder)),
      m_options(options), m_ownClock(clock ? nullptr : std::make_unique<SystemBatchClock>()),
      m_clock(clock ? clock : m_ownClock.get())
{}

DownloadBatch::~DownloadBatch() = default;

QString DownloadBatch::StatusText(int result)
{
    switch (result) {
    case RowOutcome::Success:
        return QStringLiteral("Success");
    case RowOutcome::NoData:
        return QStringLiteral("No data");
    case RowOutcome::WriteFailed:
        return QStringLiteral("Write failed (check folder)");
    default:
        return QStringLiteral("Request failed (check symbol)");
    }
}

QString DownloadBatch::RequestsText(const Summary &summary)
{
    return QStringLiteral("%1 %2, %3 from the market day")
        .arg(summary.requests)
        .arg(summary.requests == 1 ? QStringLiteral("request") : QStringLiteral("requests"))
        .arg(summary.marketDay);
}

DownloadBatch::Summary DownloadBatch::Run(const QList<HttpTransfer *> &transfers)
{
    const QList<HttpTransfer *> own = {&m_downloader.Transfer()};
    Running running(*this, transfers.isEmpty() ? own : transfers);
    m_running = &running;
    const Summary summary = running.Run();
    m_running = nullptr;
    return summary;
}

void DownloadBatch::Interrupt()
{
    if (m_running)
        m_running->Pump();
}
