#include "QuoteDownloader.h"

#include "QuoteSources.h"
#include "TokenSources.h"

#include <utility>

namespace {

constexpr qsizetype kShownLineLength = 80;

QString HttpCause(int status)
{
    switch (status) {
    case 401:
        return QStringLiteral("HTTP 401 Unauthorized: check the API token");
    case 429:
        return QStringLiteral("HTTP 429 Too Many Requests: the service's rate limit");
    default:
        break;
    }
    // The standard phrases: HTTP/2 sends none, and a server's own may be anything.
    static const std::pair<int, const char *> kReasons[] = {{400, "Bad Request"},
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

} // namespace

QuoteDownloader::QuoteDownloader(HttpTransfer &transfer, Endpoints endpoints)
    : m_transfer(transfer), m_endpoints(std::move(endpoints))
{}

QString QuoteDownloader::SourceName(int quoteSource)
{
    switch (quoteSource) {
    case kYahoo:
        return QStringLiteral("Yahoo! Finance");
    case kQuoteMedia:
        return QStringLiteral("QuoteMedia");
    case kGoogle:
        return QStringLiteral("Google Finance");
    case kEodhd:
        return QStringLiteral("EODHD (API token)");
    case kTiingo:
        return QStringLiteral("Tiingo (API token)");
    default:
        return {};
    }
}

void QuoteDownloader::SetEndpoints(const Endpoints &endpoints)
{
    m_endpoints = endpoints;
}

void QuoteDownloader::SetTokens(const ApiTokens &tokens)
{
    m_tokens = tokens;
}

void QuoteDownloader::SetLocale(const QLocale &locale)
{
    m_locale = locale;
}

SourceRequest QuoteDownloader::Request(int quoteSource, const QString &symbol, int startyear) const
{
    switch (quoteSource) {
    case kYahoo:
        return {QuoteSources::YahooUrl(m_endpoints.Yahoo, symbol, startyear), {}, {}};
    case kQuoteMedia:
        return {QuoteSources::QuoteMediaUrl(m_endpoints.QuoteMedia, m_endpoints.QuoteMediaWebmasterId, symbol,
                                            startyear),
                {},
                {}};
    case kGoogle:
        return {QuoteSources::GoogleUrl(m_endpoints.Google, symbol, startyear), {}, {}};
    case kEodhd: {
        // The service's own demo token serves a few symbols, so the source works before the user has one.
        const QString token = m_tokens.EODHD.isEmpty() ? QStringLiteral("demo") : m_tokens.EODHD;
        return {TokenSources::EodhdUrl(m_endpoints.EODHD, token, symbol, startyear), {}, {}};
    }
    case kTiingo:
        if (m_tokens.Tiingo.isEmpty())
            return {{}, {}, QStringLiteral("no Tiingo API token")};
        return {TokenSources::TiingoUrl(m_endpoints.Tiingo, symbol, startyear),
                {{"Authorization", "Token " + m_tokens.Tiingo.toUtf8()}},
                {}};
    default:
        return {{}, {}, QStringLiteral("unknown quote source")};
    }
}

SourceOutcome QuoteDownloader::Parse(int quoteSource, const FetchResult &reply, const QString &symbol,
                                     BarSeries &raw, BarSeries &output) const
{
    const bool tokenSource = NeedsToken(quoteSource);
    if (!reply.ok)
        return {QuoteSources::kRequestFailed, Redacted(reply.cause)};
    const bool httpError = reply.httpStatus >= 400;
    if (tokenSource && httpError)
        return {QuoteSources::kRequestFailed, HttpCause(reply.httpStatus)};

    bool cutShort = false;
    int result = QuoteSources::kRequestFailed;
    switch (quoteSource) {
    case kYahoo:
        result = QuoteSources::ParseYahooReply(reply.body, symbol, m_locale, raw, output);
        break;
    case kQuoteMedia:
        result = QuoteSources::ParseQuoteMediaReply(reply.body, symbol, m_locale, raw, output);
        break;
    case kGoogle:
        result = QuoteSources::ParseGoogleReply(reply.body, symbol, m_locale, raw, output);
        break;
    case kEodhd:
        result = TokenSources::ParseEodhdReply(reply.body, symbol, raw, output, cutShort);
        break;
    case kTiingo:
        result = TokenSources::ParseTiingoReply(reply.body, symbol, raw, output, cutShort);
        break;
    default:
        return {QuoteSources::kRequestFailed, QStringLiteral("unknown quote source")};
    }
    if (result == QuoteSources::kSuccess)
        return {result, {}};
    cutShort = cutShort || (!tokenSource && result == QuoteSources::kRequestFailed &&
                            QuoteSources::EndsInsideALine(reply.body));
    if (httpError)
        return {result, HttpCause(reply.httpStatus)};
    if (cutShort)
        return {result, QStringLiteral("reply cut short")};
    if (result == QuoteSources::kRequestFailed && reply.body.isEmpty())
        return {result, QStringLiteral("reply is empty")};
    if (result == QuoteSources::kRequestFailed)
        return {result, Redacted(QStringLiteral("reply is not price data: ") + FirstLine(reply.body))};
    return {result, QStringLiteral("no price lines")};
}

SourceOutcome QuoteDownloader::Download(int quoteSource, const QString &symbol, int startyear)
{
    const SourceRequest request = Request(quoteSource, symbol, startyear);
    if (!request.cause.isEmpty())
        return {QuoteSources::kRequestFailed, request.cause};
    const FetchResult reply = m_transfer.Fetch(request.url, request.headers);
    return Parse(quoteSource, reply, symbol, RawSeries, OutputSeries);
}

int QuoteDownloader::DownloadYahooData(const QString &symbol, int startyear)
{
    return Download(kYahoo, symbol, startyear).result;
}

int QuoteDownloader::DownloadGoogleData(const QString &symbol, int startyear)
{
    return Download(kGoogle, symbol, startyear).result;
}

int QuoteDownloader::DownloadQuoteMediaData(const QString &symbol, int startyear)
{
    return Download(kQuoteMedia, symbol, startyear).result;
}

QString QuoteDownloader::Redacted(QString text) const
{
    for (const QString &token : {m_tokens.EODHD, m_tokens.Tiingo}) {
        if (token.isEmpty())
            continue;
        text.replace(token, QStringLiteral("***"));
        text.replace(QString::fromLatin1(QUrl::toPercentEncoding(token)), QStringLiteral("***"));
    }
    return text;
}
