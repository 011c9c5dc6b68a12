#include "QuoteDownloader.h"

#include "DateValue.h"
#include "QuoteSources.h"
#include "ServiceRegistry.h"

#include <limits>
#include <utility>

namespace {

constexpr qsizetype kShownLineLength = 80;

QString HttpCause(int status)
{
    switch (status) {
    case 429:
        return QStringLiteral("HTTP 429 Too Many Requests: the service's rate limit");
    default:
        break;
    }
    // The standard phrases: HTTP/2 sends none, and a server's own may be anything.
    static const std::pair<int, const char *> kReasons[] = {{400, "Bad Request"},
                                                            {401, "Unauthorized"},
                                                            {402, "Payment Required"},
                                                            {403, "Forbidden"},
                                                            {404, "Not Found"},
                                                            {405, "Method Not Allowed"},
                                                            {406, "Not Acceptable"},
                                                            {408, "Request Timeout"},
                                                            {410, "Gone"},
                                                            {422, "Unprocessable Content"},
                                                            {500, "Internal Server Error"},
                                                            {501, "Not Implemented"},
                                                            {502, "Bad Gateway"},
                                                            {503, "Service Unavailable"},
                                                            {504, "Gateway Timeout"}};
    for (const auto &[code, reason] : kReasons) {
        if (code == status)
            return QStringLiteral("HTTP %1 %2").arg(status).arg(QLatin1StringView(reason));
    }
    return QStringLiteral("HTTP %1").arg(status);
}

// The reply's first line as the user should see it: without a byte-order mark or line end, cut to 80
// characters (never inside a surrogate pair).
QString FirstLine(QByteArrayView body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    const qsizetype end = body.indexOf('\n');
    QByteArrayView line = body.first(end < 0 ? std::min<qsizetype>(body.size(), 4 * kShownLineLength) : end);
    line = line.first(std::min<qsizetype>(line.size(), 4 * kShownLineLength));
    QString text = QString::fromUtf8(line).trimmed();
    if (text.size() > kShownLineLength)
        text.truncate(text.at(kShownLineLength - 1).isHighSurrogate() ? kShownLineLength - 1
                                                                      : kShownLineLength);
    return text;
}

// A service's refusal of its token or key names it as the service does.
QString StatusCause(const QuoteService &service, int status)
{
    const auto &token = service.Describe().token;
    if (token && token->refusals.contains(status))
        return HttpCause(status) + QStringLiteral(": check the ") + token->word;
    return HttpCause(status);
}

// The bars of an older piece ahead of those already gathered: the pieces come from the newest back,
// and a bar the newer piece holds is kept from there.
// Drops the bars after `end`, for a service that sends them all the same.
void CutAfter(BarSeries &series, QDate end)
{
    const double after = DateValue::CalendarDate(end.year(), end.month(), end.day() + 1)
                             .value_or(std::numeric_limits<double>::infinity());
    std::size_t keep = series.dates.size();
    while (keep > 0 && series.dates[keep - 1] >= after)
        --keep;
    series.dates.resize(keep);
    series.values.resize(keep);
    series.BarCount = int(keep);
    series.RowCount = series.BarCount + 1;
}

void PrependOlder(BarSeries &gathered, const BarSeries &older)
{
    const double first =
        gathered.BarCount > 0 ? gathered.BarDate(1) : std::numeric_limits<double>::infinity();
    std::size_t keep = 0;
    while (keep < older.dates.size() && older.dates[keep] < first)
        ++keep;
    gathered.dates.insert(gathered.dates.begin(), older.dates.begin(),
                          older.dates.begin() + std::ptrdiff_t(keep));
    gathered.values.insert(gathered.values.begin(), older.values.begin(),
                           older.values.begin() + std::ptrdiff_t(keep));
    gathered.BarCount += int(keep);
    gathered.RowCount = gathered.BarCount + 1;
}

} // namespace

QuoteDownloader::QuoteDownloader(HttpTransfer &transfer, QList<ServiceSettings> services)
    : m_transfer(transfer), m_services(std::move(services))
{
    m_services.resize(ServiceRegistry::Count());
}

void QuoteDownloader::SetServices(QList<ServiceSettings> services)
{
    m_services = std::move(services);
    m_services.resize(ServiceRegistry::Count());
    SetRequestOptions(m_options);
}

void QuoteDownloader::SetRequestOptions(const RequestOptions &options)
{
    m_options = options;
    for (ServiceSettings &settings : m_services)
        settings.options = options;
}

QString QuoteDownloader::TransferCause(int quoteSource, const FetchResult &reply) const
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service)
        return QStringLiteral("unknown quote source");
    if (!reply.ok)
        return Redacted(reply.cause);
    if (service->Describe().judgedByStatus && reply.httpStatus >= 400)
        return StatusCause(*service, reply.httpStatus);
    return {};
}

void QuoteDownloader::SetLocale(const QLocale &locale)
{
    m_locale = locale;
}

SourceRequest QuoteDownloader::Request(int quoteSource, const QString &symbol, QDate start) const
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service)
        return {{}, {}, QStringLiteral("unknown quote source")};
    return service->Request(m_services.at(quoteSource), symbol, start);
}

SourceOutcome QuoteDownloader::Parse(int quoteSource, const FetchResult &reply, const QString &symbol,
                                     BarSeries &raw, BarSeries &output) const
{
    ParsedReply parsed;
    return Judge(quoteSource, reply, symbol, raw, output, parsed);
}

SourceOutcome QuoteDownloader::Judge(int quoteSource, const FetchResult &reply, const QString &symbol,
                                     BarSeries &raw, BarSeries &output, ParsedReply &parsed) const
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service)
        return {QuoteSources::kRequestFailed, QStringLiteral("unknown quote source")};
    if (!reply.ok)
        return {QuoteSources::kRequestFailed, Redacted(reply.cause)};
    const bool httpError = reply.httpStatus >= 400;
    const bool judgedByStatus = service->Describe().judgedByStatus;
    if (judgedByStatus && httpError) {
        // A refused token says so; otherwise the service's own message says more than the status.
        const auto &token = service->Describe().token;
        const QString own =
            token && token->refusals.contains(reply.httpStatus) ? QString() : service->ErrorCause(reply);
        return {QuoteSources::kRequestFailed,
                own.isEmpty() ? StatusCause(*service, reply.httpStatus) : Redacted(own)};
    }

    parsed = service->ParseKind(m_options.prices, reply, symbol, m_locale, raw, output);
    const int result = parsed.result;
    if (result == QuoteSources::kSuccess)
        return {result, {}};
    if (!parsed.cause.isEmpty())
        return {result, Redacted(parsed.cause)};
    if (httpError)
        return {result, StatusCause(*service, reply.httpStatus)};
    if (parsed.cutShort)
        return {result, QStringLiteral("reply cut short")};
    if (result == QuoteSources::kRequestFailed && reply.body.isEmpty())
        return {result, QStringLiteral("reply is empty")};
    if (result == QuoteSources::kRequestFailed)
        return {result, Redacted(QStringLiteral("reply is not price data: ") + FirstLine(reply.body))};
    return {result, QStringLiteral("no price lines")};
}

HistoryFetch QuoteDownloader::Begin(int quoteSource, const QString &symbol, QDate start) const
{
    HistoryFetch fetch;
    fetch.quoteSource = quoteSource;
    fetch.symbol = symbol;
    fetch.start = start;
    fetch.request = Request(quoteSource, symbol, start);
    if (!fetch.request.cause.isEmpty()) {
        fetch.outcome = {QuoteSources::kRequestFailed, fetch.request.cause};
        fetch.done = true;
    }
    return fetch;
}

void QuoteDownloader::Absorb(HistoryFetch &fetch, const FetchResult &reply) const
{
    BarSeries raw;
    BarSeries piece;
    ParsedReply parsed;
    const SourceOutcome outcome = Judge(fetch.quoteSource, reply, fetch.symbol, raw, piece, parsed);
    const bool first = fetch.pieces++ == 0;
    if (!first && outcome.result == QuoteSources::kNoData) {
        // The piece before ended where the history begins.
        fetch.done = true;
        return;
    }
    fetch.outcome = outcome;
    if (outcome.result != QuoteSources::kSuccess) {
        fetch.series = {};
        fetch.done = true;
        return;
    }
    if (m_options.end.isValid()) {
        CutAfter(raw, m_options.end);
        CutAfter(piece, m_options.end);
    }
    const QuoteService &service = *ServiceRegistry::At(fetch.quoteSource);
    std::optional<SourceRequest> next;
    if (fetch.pieces < kMaxPieces)
        next = service.NextPiece(m_services.at(fetch.quoteSource), fetch.symbol, fetch.start, parsed, piece);
    if (first) {
        fetch.raw = std::move(raw);
        fetch.series = std::move(piece);
    } else {
        fetch.raw.BarCount += raw.BarCount;
        fetch.raw.RowCount = fetch.raw.BarCount + 1;
        PrependOlder(fetch.series, piece);
    }
    if (!next || !next->cause.isEmpty() || next->url == fetch.request.url) {
        fetch.done = true;
        return;
    }
    fetch.request = std::move(*next);
}

SourceOutcome QuoteDownloader::Download(int quoteSource, const QString &symbol, QDate start)
{
    HistoryFetch fetch = Begin(quoteSource, symbol, start);
    while (!fetch.done)
        Absorb(fetch, m_transfer.Fetch(fetch.request.url, fetch.request.headers));
    if (fetch.outcome.result == QuoteSources::kSuccess) {
        RawSeries = std::move(fetch.raw);
        OutputSeries = std::move(fetch.series);
    } else if (fetch.outcome.result == QuoteSources::kNoData) {
        RawSeries.Symbol = symbol;
    }
    return fetch.outcome;
}

QString QuoteDownloader::Redacted(QString text) const
{
    for (const ServiceSettings &settings : m_services) {
        const QString &token = settings.token;
        if (token.isEmpty())
            continue;
        text.replace(token, QStringLiteral("***"));
        text.replace(QString::fromLatin1(QUrl::toPercentEncoding(token)), QStringLiteral("***"));
    }
    return text;
}
