#include "MarketDayRun.h"

#include "BatchClock.h"
#include "BatchRules.h"
#include "DateValue.h"
#include "DownloadBatch.h"
#include "HttpTransfer.h"
#include "RetryRule.h"
#include "ServiceGate.h"

using namespace std::chrono_literals;

namespace {

QList<QDate> Dates(const BarSeries &series)
{
    QList<QDate> dates;
    for (int bar = 1; bar <= series.BarCount; ++bar)
        dates.append(DateValue::ToDate(series.BarDate(bar)));
    return dates;
}

} // namespace

std::deque<BatchRow> MarketDayRun::ReadAhead(const QString &folder, int startYear)
{
    BatchRows &rows = m_context.rows;
    std::deque<BatchRow> ahead;
    while (const std::optional<BatchRow> row = rows.NextRow()) {
        ahead.push_back(*row);
        const QString name = BatchRules::OutputName(row->symbol);
        const QString fileName = BatchRules::OutputFileName(name, rows.FileFormat());
        if (fileName.isEmpty())
            continue;
        if (const QDate last = BarUpdate::ReadStored(folder + fileName, name, startYear).lastDate;
            last.isValid())
            m_usable.append({row->id, row->symbol, last});
    }
    return ahead;
}

void MarketDayRun::Run()
{
    for (const MarketDayPlan::Group &group : MarketDayPlan::Groups(m_form, m_usable)) {
        if (m_stopped || m_refused || m_context.gate.Spent() || m_context.gate.Dead())
            return;
        RunGroup(group);
    }
}

void MarketDayRun::RunGroup(const MarketDayPlan::Group &group)
{
    const MarketDayPlan::Row &calendarRow = group.rows.at(group.calendarRow);
    const BatchRow row{calendarRow.id, calendarRow.symbol};
    m_context.rows.RowStarted(row);
    BarUpdate::Stored stored;
    stored.lastDate = calendarRow.lastDate;
    HistoryFetch history =
        m_context.downloader.Begin(m_context.quoteSource, row.symbol, BarUpdate::RequestStart(stored));
    while (!history.done) {
        const Asked asked = Ask(history.request, &row);
        if (!asked.reply)
            return; // the row goes its own way, and meets the same gate
        m_context.gate.RowEnded(*asked.reply);
        m_context.downloader.Absorb(history, *asked.reply);
        if (history.done && asked.tries > 1 && history.outcome.result != RowOutcome::Success)
            history.outcome.cause = RetryRule::TriesCause(history.outcome.cause, asked.tries);
    }
    const bool answered = history.outcome.result == RowOutcome::Success;
    Market &market = m_markets[group.market];
    if (answered)
        market.calendar = Dates(history.series);
    m_histories.insert(row.id, std::move(history));
    if (!answered || market.calendar.isEmpty())
        return;

    QList<QDate> lastDates;
    for (qsizetype i = 0; i < group.rows.size(); ++i) {
        if (i != group.calendarRow)
            lastDates.append(group.rows.at(i).lastDate);
    }
    const QList<QDate> days = MarketDayPlan::DaysToFetch(m_form, market.calendar, lastDates);
    for (const QDate day : days) {
        if (!FetchDay(market, group.market, m_form.PicksDay() ? day : QDate()))
            return;
    }
}

bool MarketDayRun::FetchDay(Market &market, const QString &name, QDate day)
{
    const ServiceSettings settings = m_context.downloader.Services().value(m_context.quoteSource);
    const QList<SourceRequest> requests = m_form.Requests(settings, name, day);
    QList<QByteArray> replies;
    for (const SourceRequest &request : requests) {
        if (!request.cause.isEmpty() || m_refused)
            return false;
        const Asked asked = Ask(request, nullptr);
        if (!asked.reply)
            return false;
        if (!asked.reply->ok || asked.reply->httpStatus >= 400)
            return false;
        replies.append(asked.reply->body);
    }
    MarketDayForm::Parsed parsed = m_form.Parse(replies);
    if (!parsed.cause.isEmpty() || replies.isEmpty())
        return false;
    for (auto it = parsed.days.begin(); it != parsed.days.end(); ++it)
        market.days[it->date].insert(it.key(), std::move(*it));
    return true;
}

MarketDayRun::Asked MarketDayRun::Ask(const SourceRequest &request, const BatchRow *row)
{
    ServiceGate &gate = m_context.gate;
    BatchClock &clock = m_context.clock;
    const QuoteService &service = *ServiceRegistry::At(m_context.quoteSource);
    for (int tries = 1;; ++tries) {
        const std::optional<std::chrono::milliseconds> wait = gate.Book(clock.Now(), clock.NowUtc());
        if (!wait)
            return {};
        if (*wait > 0ms) {
            if (row)
                m_context.rows.RowWaiting(
                    *row,
                    QStringLiteral("keeping to the service's pace (%1)")
                        .arg(RatesText(m_context.downloader.Services().value(m_context.quoteSource).rates)),
                    *wait);
            if (!Sleep(*wait))
                return {};
            if (row)
                m_context.rows.RowStarted(*row);
        }
        ++m_context.requests;
        QEventLoop loop;
        bool finished = false;
        QObject::connect(&m_context.transfer, &HttpTransfer::Finished, &loop, [&] {
            finished = true;
            loop.quit();
        });
        m_context.transfer.Start(request.url, request.headers);
        m_loop = &loop;
        if (!finished)
            loop.exec();
        m_loop = nullptr;
        if (m_stopped || m_context.rows.StopRequested()) {
            m_stopped = true;
            return {};
        }
        FetchResult reply = m_context.transfer.TakeResult();
        if (!row && reply.ok && m_form.RefusedForPlan(reply)) {
            m_refused = true;
            return {std::move(reply), tries};
        }
        const ServiceGate::Verdict verdict =
            gate.Judge(service, reply, tries, m_context.retries, clock.Now(), clock.NowUtc(), clock.Jitter());
        if (verdict.kind != ServiceGate::Verdict::Retry)
            return {std::move(reply), tries};
        if (row) {
            BarSeries raw;
            BarSeries output;
            const QString cause =
                m_context.downloader.Parse(m_context.quoteSource, reply, row->symbol, raw, output).cause;
            m_context.rows.RowWaiting(
                *row,
                QStringLiteral("try %1 of %2 after %3").arg(tries + 1).arg(m_context.retries + 1).arg(cause),
                verdict.wait);
        }
        if (!Sleep(verdict.wait))
            return {};
    }
}

bool MarketDayRun::Sleep(std::chrono::milliseconds wait)
{
    QEventLoop loop;
    m_context.clock.CallAfter(wait, &loop, [&loop] { loop.quit(); });
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    m_stopped = m_stopped || m_context.rows.StopRequested();
    return !m_stopped;
}

void MarketDayRun::Interrupt()
{
    if (!m_context.rows.StopRequested())
        return;
    m_stopped = true;
    m_context.transfer.Cancel();
    if (m_loop)
        m_loop->quit();
}

std::optional<HistoryFetch> MarketDayRun::TakeHistory(int rowId)
{
    const auto found = m_histories.find(rowId);
    if (found == m_histories.end())
        return std::nullopt;
    HistoryFetch history = std::move(*found);
    m_histories.erase(found);
    return history;
}

MarketDayRun::Served MarketDayRun::Serve(const QString &symbol, const BarUpdate::Stored &stored) const
{
    const MarketDayForm::Place place = m_form.PlaceOf(symbol);
    const auto market = m_markets.find(place.market);
    if (market == m_markets.end() || market->days.isEmpty())
        return {};
    const std::optional<QList<QDate>> after = MarketDayPlan::DaysAfter(market->calendar, stored.lastDate);
    if (!after)
        return {};
    // With no day to add, the fetched day must be the file's last one; else every day after it.
    const QList<QDate> wanted = after->isEmpty() ? QList<QDate>{stored.lastDate} : *after;
    QList<BarSeries> bars;
    for (const QDate day : wanted) {
        const auto fetched = market->days.find(day);
        if (fetched == market->days.end())
            return {};
        const auto found = fetched->find(place.code);
        if (found == fetched->end())
            return {};
        if (found->action && !after->isEmpty())
            return {Served::FullDownload,
                    {},
                    QStringLiteral("full download: split or dividend on %1").arg(day.toString(Qt::ISODate))};
        FetchResult reply;
        reply.ok = true;
        reply.httpStatus = 200;
        reply.body = found->reply;
        BarSeries raw;
        BarSeries &output = bars.emplace_back();
        if (m_context.downloader.Parse(m_context.quoteSource, reply, symbol, raw, output).result !=
                RowOutcome::Success ||
            output.BarCount != 1 || DateValue::ToDate(output.BarDate(1)) != day)
            return {};
    }

    // The file's last bar, then the new ones: Merge checks that one and appends the rest.
    const BarSeries &file = stored.series;
    const bool adding = !after->isEmpty();
    BarSeries reply;
    reply.Prepare(int(bars.size()) + (adding ? 1 : 0));
    reply.Symbol = bars.front().Symbol;
    std::size_t at = 0;
    if (adding) {
        reply.dates[at] = file.dates.back();
        reply.values[at++] = file.values.back();
    }
    for (const BarSeries &one : bars) {
        reply.dates[at] = one.dates.front();
        reply.values[at++] = one.values.front();
    }
    BarUpdate::Merged merged = BarUpdate::Merge(stored, reply, stored.lastDate);
    switch (merged.kind) {
    case BarUpdate::Merged::Updated:
        return {Served::Updated, std::move(merged.series), UpdatedText(merged.newBars)};
    case BarUpdate::Merged::UpToDate:
        return {Served::UpToDate, std::move(merged.series),
                BarUpdate::UpToDateText() + QStringLiteral(" (market day)")};
    case BarUpdate::Merged::HistoryChanged:
        break;
    }
    return {};
}

QString MarketDayRun::UpdatedText(int newBars)
{
    return BarUpdate::UpdatedText(newBars) + QStringLiteral(" (market day)");
}
