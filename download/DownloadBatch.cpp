#include "DownloadBatch.h"

#include "BarFileWriter.h"
#include "BatchRules.h"
#include "HttpTransfer.h"
#include "QuoteDownloader.h"

#include <QEventLoop>

#include <deque>
#include <utility>

DownloadBatch::DownloadBatch(QuoteDownloader &downloader, BatchRows &rows, int startYear, QString folder)
    : m_downloader(downloader), m_rows(rows), m_startYear(startYear), m_folder(std::move(folder))
{}

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

DownloadBatch::Summary DownloadBatch::Run()
{
    Summary summary;
    while (!m_rows.StopRequested()) {
        const std::optional<BatchRow> row = m_rows.NextRow();
        if (!row)
            return summary;
        m_rows.RowStarted(*row);
        const Request request = Begin(*row);
        Fetched fetched = Fetch(request);
        if (m_rows.StopRequested()) {
            m_rows.RowAbandoned(*row);
            break;
        }
        if (!m_rows.StillListed(*row))
            continue;
        const RowOutcome outcome = Finish(fetched);
        Count(summary, outcome.result);
        m_rows.RowFinished(*row, outcome);
    }
    summary.stopped = true;
    return summary;
}

void DownloadBatch::Count(Summary &summary, int result)
{
    switch (result) {
    case RowOutcome::Success:
        ++summary.succeeded;
        break;
    case RowOutcome::NoData:
        ++summary.noData;
        break;
    default:
        ++summary.failed;
        break;
    }
}

// The state of one RunConcurrently(): the rows started and not yet reported, in list order, and which
// of them each transfer is fetching.
class DownloadBatch::Concurrent
{
public:
    Concurrent(DownloadBatch &batch, const QList<HttpTransfer *> &transfers)
        : m_batch(batch), m_transfers(transfers), m_fetching(transfers.size(), -1)
    {
        for (qsizetype slot = 0; slot < m_transfers.size(); ++slot)
            QObject::connect(m_transfers[slot], &HttpTransfer::Finished, &m_loop,
                             [this, slot] { OnFinished(slot); });
    }

    Summary Run()
    {
        Pump();
        if (!m_over)
            m_loop.exec();
        return m_summary;
    }

private:
    // Replies that arrive while the head row waits are parsed and held; this bounds how many, so a
    // hanging request cannot make a long list pile up in memory.
    static constexpr qsizetype kMaxHeld = 64;

    struct Entry
    {
        Request request;
        HistoryFetch history;
        std::optional<Fetched> fetched;
    };

    void OnFinished(qsizetype slot)
    {
        if (m_over)
            return;
        const qint64 number = m_fetching[slot];
        Entry &entry = m_entries.at(std::size_t(number - m_firstNumber));
        m_batch.m_downloader.Absorb(entry.history, m_transfers[slot]->TakeResult());
        if (!entry.history.done) {
            // The next piece of the same history, on the same transfer.
            m_transfers[slot]->Start(entry.history.request.url, entry.history.request.headers);
            return;
        }
        m_fetching[slot] = -1;
        entry.fetched = Finished(entry.history);
        Pump();
    }

    // Reports what is ready, then starts rows while a transfer is free, until neither moves.
    void Pump()
    {
        BatchRows &rows = m_batch.m_rows;
        for (;;) {
            while (!m_entries.empty() && m_entries.front().fetched && !rows.StopRequested()) {
                Entry &entry = m_entries.front();
                if (rows.StillListed(entry.request.row)) {
                    const RowOutcome outcome = m_batch.Finish(*entry.fetched);
                    Count(m_summary, outcome.result);
                    rows.RowFinished(entry.request.row, outcome);
                }
                m_entries.pop_front();
                ++m_firstNumber;
            }
            if (rows.StopRequested()) {
                Stop();
                return;
            }
            if (!StartOne())
                break;
        }
        if (m_noMoreRows && m_entries.empty())
            End();
    }

    // False when no row could be started.
    bool StartOne()
    {
        const qsizetype slot = m_fetching.indexOf(-1);
        if (m_noMoreRows || slot < 0 || qsizetype(m_entries.size()) >= kMaxHeld)
            return false;
        const std::optional<BatchRow> row = m_batch.m_rows.NextRow();
        if (!row) {
            m_noMoreRows = true;
            return false;
        }
        m_batch.m_rows.RowStarted(*row);
        const Request request = m_batch.Begin(*row);
        Entry &entry = m_entries.emplace_back(
            Entry{request, m_batch.m_downloader.Begin(request.quoteSource, row->symbol, m_batch.StartDate()),
                  std::nullopt});
        if (entry.history.done) {
            entry.fetched = Finished(entry.history);
            return true;
        }
        m_fetching[slot] = m_firstNumber + qint64(m_entries.size()) - 1;
        m_transfers[slot]->Start(entry.history.request.url, entry.history.request.headers);
        return true;
    }

    // Abandons every row not yet reported; nothing is written for any of them.
    void Stop()
    {
        m_over = true;
        for (HttpTransfer *transfer : m_transfers)
            transfer->Cancel();
        for (const Entry &entry : m_entries)
            m_batch.m_rows.RowAbandoned(entry.request.row);
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
    const QList<HttpTransfer *> &m_transfers;
    QList<qint64> m_fetching; // per transfer, the number of the row it fetches; -1 when free
    std::deque<Entry> m_entries;
    qint64 m_firstNumber = 0; // the number of m_entries.front(), counting rows from 0 as started
    QEventLoop m_loop;
    Summary m_summary;
    bool m_noMoreRows = false;
    bool m_over = false;
};

DownloadBatch::Summary DownloadBatch::RunConcurrently(const QList<HttpTransfer *> &transfers)
{
    if (transfers.isEmpty())
        return Run();
    Concurrent run(*this, transfers);
    return run.Run();
}

DownloadBatch::Request DownloadBatch::Begin(const BatchRow &row)
{
    return Request{row, m_rows.QuoteSource()};
}

DownloadBatch::Fetched DownloadBatch::Fetch(const Request &request)
{
    Fetched fetched;
    const SourceOutcome source = m_downloader.Download(request.quoteSource, request.row.symbol, StartDate());
    fetched.result = source.result;
    fetched.cause = source.cause;
    if (fetched.result == RowOutcome::Success)
        fetched.series = std::move(m_downloader.OutputSeries);
    return fetched;
}

DownloadBatch::Fetched DownloadBatch::Finished(HistoryFetch &history)
{
    Fetched fetched{history.outcome.result, history.outcome.cause, {}};
    if (fetched.result == RowOutcome::Success)
        fetched.series = std::move(history.series);
    return fetched;
}

RowOutcome DownloadBatch::Finish(Fetched &fetched)
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
    QString error;
    const bool written = format == 0 ? WriteBinFile(series, m_folder, outcome.fileName, &error)
                                     : WriteKyvFile(series, m_folder, outcome.fileName, m_startYear, &error);
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
    return outcome;
}
