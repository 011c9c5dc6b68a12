#pragma once

#include "BarSeries.h"

#include <QDate>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class BatchClock;
class HttpTransfer;
class QuoteDownloader;

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
    // Again after each wait, as the row's request goes.
    virtual void RowStarted(const BatchRow &row) = 0;
    // Outcomes arrive in the order NextRow handed the rows out.
    virtual void RowFinished(const BatchRow &row, const RowOutcome &outcome) = 0;
    // A row whose request was under way when the batch was stopped; nothing was written for it.
    virtual void RowAbandoned(const BatchRow &row) = 0;
    // False for a row the face no longer holds (removed while its reply was awaited): nothing is
    // written or reported for it.
    [[nodiscard]] virtual bool StillListed(const BatchRow &) { return true; }
    [[nodiscard]] virtual bool StopRequested() = 0;
    // The row's next request waits `wait` for the reason given (the service's pace, or a retry).
    virtual void RowWaiting(const BatchRow &, const QString & /*reason*/, std::chrono::milliseconds /*wait*/)
    {}
};

// How a batch runs. Each service's rates are those of the downloader's settings for it.
struct BatchOptions
{
    int retries = 0; // more tries of a request that failed for a passing reason
    // A file already in the folder that reads back as the row's is only brought up to date.
    bool updateExisting = false;
    // An update takes the whole market's day where the service offers it and it costs less.
    bool marketDay = true;
};

// Downloads and writes every row a face hands out. Each transfer is a job that keeps one request in
// flight, so several rows may be under way at once while their outcomes are still reported in list
// order. A row's file is written as it is reported, so a stopped batch leaves exactly the files of the
// rows reported. Tries, retries and the pieces of long histories of one service all keep to its pace.
class DownloadBatch
{
public:
    struct Summary
    {
        int succeeded = 0;
        int noData = 0;
        int failed = 0;
        bool stopped = false;
        int requests = 0;  // sent to a service, retries and pieces included
        int marketDay = 0; // rows brought up to date from a market's day rather than their own request
    };

    // `folder` ends in a separator and exists. Without a clock the batch keeps the system's.
    DownloadBatch(QuoteDownloader &downloader, BatchRows &rows, int startYear, QString folder,
                  BatchOptions options = {}, BatchClock *clock = nullptr);
    ~DownloadBatch();

    // Runs until the face has no rows left or asks to stop, on the downloader's own transfer when none
    // is given. StopRequested() is read as each reply arrives, before each write and on Interrupt().
    Summary Run(const QList<HttpTransfer *> &transfers = {});
    // For a face whose stop request should not wait for the next reply.
    void Interrupt();

    [[nodiscard]] static QString StatusText(int result);
    // "N requests, N from the market day", for a run's summary.
    [[nodiscard]] static QString RequestsText(const Summary &summary);

private:
    class Running;

    QuoteDownloader &m_downloader;
    BatchRows &m_rows;
    int m_startYear;
    QString m_folder;
    BatchOptions m_options;
    std::unique_ptr<BatchClock> m_ownClock;
    BatchClock *m_clock;
    Running *m_running = nullptr;
};
