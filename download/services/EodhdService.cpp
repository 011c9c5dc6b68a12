#include "EodhdService.h"

#include "NamedColumns.h"
#include "QuoteSources.h"
#include "SearchJson.h"

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

QUrl EodhdService::Url(const QString &baseUrl, const QString &token, const QString &symbol, QDate start,
                       QDate end)
{
    // "to" keeps its own day.
    return QuoteSources::BuildUrl(
        baseUrl, "/api/eod/" + QuoteSources::EncodePathSegment(symbol) +
                     "?api_token=" + QUrl::toPercentEncoding(token) +
                     "&fmt=csv&period=d&order=a&from=" + start.toString(Qt::ISODate).toLatin1() +
                     (end.isValid() ? "&to=" + end.toString(Qt::ISODate).toLatin1() : QByteArray()));
}

int EodhdService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw, BarSeries &output,
                             bool &cutShort)
{
    return ParseReply(reply, symbol, raw, output, cutShort, PriceKind::Adjusted);
}

int EodhdService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw, BarSeries &output,
                             bool &cutShort, PriceKind kind)
{
    static constexpr NamedColumns::Columns kAdjusted{
        .names = {"date", "open", "high", "low", "close", "volume", "", "", "", "adjusted_close", ""},
        .adjustment = NamedColumns::Adjustment::ScaleToAdjustedClose};
    static constexpr NamedColumns::Columns kAsTraded{
        .names = {"date", "open", "high", "low", "close", "volume", "", "", "", "", ""},
        .adjustment = NamedColumns::Adjustment::ScaleToAdjustedClose};
    return NamedColumns::Parse(reply, symbol, kind == PriceKind::AsTraded ? kAsTraded : kAdjusted, raw,
                               output, cutShort);
}

SourceRequest EodhdService::Request(const ServiceSettings &settings, const QString &symbol, QDate start) const
{
    return {Url(settings.base, TokenToUse(settings), symbol, start, settings.options.end), {}, {}};
}

ParsedReply EodhdService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                BarSeries &raw, BarSeries &output) const
{
    return ParseKind(PriceKind::Adjusted, reply, symbol, locale, raw, output);
}

ParsedReply EodhdService::ParseKind(PriceKind kind, const FetchResult &reply, const QString &symbol,
                                    const QLocale &, BarSeries &raw, BarSeries &output) const
{
    ParsedReply parsed;
    parsed.result = ParseReply(reply.body, symbol, raw, output, parsed.cutShort, kind);
    parsed.lines = raw.BarCount;
    return parsed;
}

SourceRequest EodhdService::SearchRequest(const ServiceSettings &settings, const QString &text) const
{
    // The demo token is refused by the search, so asking with it would only spend a request.
    if (settings.token.isEmpty())
        return {{}, {}, QStringLiteral("EODHD's search needs your own API token; its demo token has none")};
    return {QuoteSources::BuildUrl(settings.base,
                                   "/api/search/" + QuoteSources::EncodePathSegment(text) +
                                       "?api_token=" + QUrl::toPercentEncoding(settings.token) + "&fmt=json"),
            {},
            {}};
}

SearchReply EodhdService::ParseSearch(const FetchResult &reply) const
{
    return SearchJson::Parse(reply.body, {}, [](const QJsonObject &object) {
        const QString code = object.value(u"Code").toString();
        const QString exchange = object.value(u"Exchange").toString();
        return SymbolMatch{code.isEmpty() || exchange.isEmpty() ? code : code + u'.' + exchange,
                           object.value(u"Name").toString(), exchange, object.value(u"Type").toString(),
                           object.value(u"Currency").toString()};
    });
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
