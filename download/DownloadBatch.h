#pragma once

#include "BarSeries.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class HttpTransfer;
class QuoteDownloader;
struct HistoryFetch;

// The outcome of one symbol, as both faces show it.
struct RowOutcome
{
    enum Result : int { Success = 0, RequestFailed = 1, NoData = 2, WriteFailed = 3 };

    int result = RequestFailed;
    QString status;         // the Status cell's text
    int barCount = 0;       // bars written; 0 for "No data"
    double firstDate = 0.0; // date values, success only
    double lastDate = 0.0;
    QString fileName; // bare name of the file written, success only
    QString cause;    // why it failed, when known
};

// One row as the face hands it to the batch; `id` is the face's own name for the row.
struct BatchRow
{
    int id = 0;
    QString symbol;
};

// What a batch needs from the face that drives it: the rows, the choices it reads as it goes and
// where the outcomes go. The face keeps its own way of walking its list.
class BatchRows
{
public:
    virtual ~BatchRows() = default;

    // The next row to fetch, or nothing when the walk is over.
    [[nodiscard]] virtual std::optional<BatchRow> NextRow() = 0;
    // Read when a row's request starts.
    [[nodiscard]] virtual int QuoteSource() = 0;
    // Read when a row's file is written.
    [[nodiscard]] virtual int FileFormat() = 0;
    virtual void RowStarted(const BatchRow &row) = 0;
    // Outcomes arrive in the order NextRow handed the rows out.
    virtual void RowFinished(const BatchRow &row, const RowOutcome &outcome) = 0;
    // A row whose request was under way when the batch was stopped; nothing was written for it.
    virtual void RowAbandoned(const BatchRow &row) = 0;
    // False for a row the face no longer holds (removed while its reply was awaited): nothing is
    // written or reported for it.
    [[nodiscard]] virtual bool StillListed(const BatchRow &) { return true; }
    [[nodiscard]] virtual bool StopRequested() = 0;
};

// Downloads and writes every row a face hands out. A row goes through three steps, the request
// (symbol and source), the fetch and the parse and write, so that several rows may be in flight at
// once while their outcomes are still reported in list order.
class DownloadBatch
{
public:
    struct Request
    {
        BatchRow row;
        int quoteSource = 0;
    };
    struct Fetched
    {
        int result = RowOutcome::RequestFailed; // a quote source's result code
        QString cause;
        BarSeries series; // success only
    };
    struct Summary
    {
        int succeeded = 0;
        int noData = 0;
        int failed = 0;
        bool stopped = false;
    };

    // `folder` ends in a separator and exists.
    DownloadBatch(QuoteDownloader &downloader, BatchRows &rows, int startYear, QString folder);

    // Walks the rows one at a time until the face has none left or asks to stop.
    Summary Run();
    // Keeps a request in flight on each transfer, each on connections of its own, and reports the rows
    // in list order. A row's file is written as it is reported, so a stopped batch leaves exactly the
    // files of the rows reported. StopRequested() is read as each reply arrives and before each write; a
    // face stops a wait by cancelling any of the transfers.
    Summary RunConcurrently(const QList<HttpTransfer *> &transfers);

    [[nodiscard]] Request Begin(const BatchRow &row);
    [[nodiscard]] Fetched Fetch(const Request &request);
    [[nodiscard]] RowOutcome Finish(Fetched &fetched);

    [[nodiscard]] static QString StatusText(int result);

private:
    class Concurrent;

    static void Count(Summary &summary, int result);
    [[nodiscard]] static Fetched Finished(HistoryFetch &history);
    [[nodiscard]] QDate StartDate() const { return QDate(m_startYear, 1, 1); }

    QuoteDownloader &m_downloader;
    BatchRows &m_rows;
    int m_startYear;
    QString m_folder;
};
