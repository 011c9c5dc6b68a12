#include "EodhdService.h"

#include "NamedColumns.h"
#include "QuoteSources.h"

EodhdService::EodhdService()
    : QuoteService({.name = QStringLiteral("EODHD (API token)"),
                    .commandName = QStringLiteral("eodhd"),
                    .key = QStringLiteral("EODHD"),
                    .defaultBase = QStringLiteral("https://eodhd.com"),
                    .extras = {},
                    // The service's own demo token serves a few symbols, so it works before the user has one.
                    .token = Token{.prompt = QStringLiteral("EODHD API token:"),
                                   .fallback = QStringLiteral("demo"),
                                   .missingCause = {},
                                   .missingMessage = {},
                                   .word = QStringLiteral("API token")},
                    .judgedByStatus = true,
                    // Its free plan's 20 calls a day are an allowance the service enforces, not a pace.
                    .rates = QStringLiteral("1000/minute")})
{}

QUrl EodhdService::Url(const QString &baseUrl, const QString &token, const QString &symbol, QDate start)
{
    return QuoteSources::BuildUrl(
        baseUrl, "/api/eod/" + QuoteSources::EncodePathSegment(symbol) +
                     "?api_token=" + QUrl::toPercentEncoding(token) +
                     "&fmt=csv&period=d&order=a&from=" + start.toString(Qt::ISODate).toLatin1());
}

int EodhdService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw, BarSeries &output,
                             bool &cutShort)
{
    static constexpr NamedColumns::Columns kColumns{
        .names = {"date", "open", "high", "low", "close", "volume", "", "", "", "adjusted_close", ""},
        .adjustment = NamedColumns::Adjustment::ScaleToAdjustedClose};
    return NamedColumns::Parse(reply, symbol, kColumns, raw, output, cutShort);
}

SourceRequest EodhdService::Request(const ServiceSettings &settings, const QString &symbol, QDate start) const
{
    return {Url(settings.base, TokenToUse(settings), symbol, start), {}, {}};
}

ParsedReply EodhdService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &,
                                BarSeries &raw, BarSeries &output) const
{
    ParsedReply parsed;
    parsed.result = ParseReply(reply.body, symbol, raw, output, parsed.cutShort);
    parsed.lines = raw.BarCount;
    return parsed;
}

QuoteService::Refusal EodhdService::Refuses(const FetchResult &reply) const
{
    return reply.httpStatus == 402 ? Refusal::SpentForDay : Refusal::None;
}

QStringList EodhdService::FallbackTokenSymbols() const
{
    return {QStringLiteral("AAPL.US"), QStringLiteral("TSLA.US"),    QStringLiteral("VTI.US"),
            QStringLiteral("AMZN.US"), QStringLiteral("BTC-USD.CC"), QStringLiteral("EURUSD.FOREX")};
}
