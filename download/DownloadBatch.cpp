#include "DownloadBatch.h"

#include "BarFileWriter.h"
#include "BatchRules.h"
#include "QuoteDownloader.h"

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
        const RowOutcome outcome = Finish(fetched);
        switch (outcome.result) {
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
        m_rows.RowFinished(*row, outcome);
    }
    summary.stopped = true;
    return summary;
}

DownloadBatch::Request DownloadBatch::Begin(const BatchRow &row)
{
    return Request{row, m_rows.QuoteSource()};
}

DownloadBatch::Fetched DownloadBatch::Fetch(const Request &request)
{
    Fetched fetched;
    const SourceOutcome source = m_downloader.Download(request.quoteSource, request.row.symbol, m_startYear);
    fetched.result = source.result;
    fetched.cause = source.cause;
    if (fetched.result == RowOutcome::Success)
        fetched.series = std::move(m_downloader.OutputSeries);
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
