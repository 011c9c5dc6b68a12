#pragma once

#include "BarUpdate.h"
#include "MarketDayForm.h"
#include "MarketDayPlan.h"
#include "QuoteDownloader.h"

#include <QDate>
#include <QEventLoop>
#include <QHash>
#include <QMap>

#include <chrono>
#include <deque>
#include <optional>

class BatchClock;
struct BatchRow;
class BatchRows;
class HttpTransfer;
class ServiceGate;

// The market-day part of an update run, before its rows are worked through: for each market that pays,
// one row's own update gives the trading days, then the market's day(s) after the files' last bars are
// fetched. The rows then ask Serve() whether their files can take those days as they stand.
class MarketDayRun
{
public:
    struct Context
    {
        const QuoteDownloader &downloader;
        int quoteSource = 0;
        HttpTransfer &transfer;
        ServiceGate &gate;
        BatchClock &clock;
        BatchRows &rows;
        int retries = 0;
        int &requests; // counts every request sent
    };

    // What a row's file takes from the market's day.
    struct Served
    {
        enum Kind { None, Updated, UpToDate, FullDownload };
        Kind kind = None; // None: the row asks for its own update
        BarSeries series; // Updated and UpToDate: what the file is to hold
        QString note;
    };

    MarketDayRun(const MarketDayForm &form, Context context) : m_form(form), m_context(context) {}

    // Takes every row the face has left, in order, and notes the last day of each usable file in
    // `folder`.
    [[nodiscard]] std::deque<BatchRow> ReadAhead(const QString &folder, int startYear);
    // Works through every group of the rows read ahead; returns early when the run is stopped.
    void Run();
    // For a stop request that should not wait for the reply in flight.
    void Interrupt();
    [[nodiscard]] bool Stopped() const { return m_stopped; }
    // The calendar row's own update, fetched already; taken once.
    [[nodiscard]] std::optional<HistoryFetch> TakeHistory(int rowId);
    [[nodiscard]] Served Serve(const QString &symbol, const BarUpdate::Stored &stored) const;

    [[nodiscard]] static QString UpdatedText(int newBars);

private:
    struct Market
    {
        QList<QDate> calendar;                                // its trading days, oldest first
        QMap<QDate, QHash<QString, MarketDayForm::Day>> days; // the days fetched, by date and code
    };
    struct Asked
    {
        std::optional<FetchResult> reply; // nothing: not sent, or stopped
        int tries = 0;
    };

    void RunGroup(const MarketDayPlan::Group &group);
    [[nodiscard]] Asked Ask(const SourceRequest &request, const BatchRow *row);
    [[nodiscard]] bool Sleep(std::chrono::milliseconds wait);
    [[nodiscard]] bool FetchDay(Market &market, const QString &name, QDate day);

    const MarketDayForm &m_form;
    Context m_context;
    QList<MarketDayPlan::Row> m_usable; // the rows read ahead whose files are usable
    QHash<int, HistoryFetch> m_histories;
    QHash<QString, Market> m_markets;
    QEventLoop *m_loop = nullptr;
    bool m_stopped = false;
    bool m_refused = false; // the plan may not use the form: not asked again
};
