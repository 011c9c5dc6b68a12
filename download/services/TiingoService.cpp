#include "TiingoService.h"

#include "NamedColumns.h"
#include "QuoteSources.h"
#include "SearchJson.h"

TiingoService::TiingoService()
    : QuoteService({.name = QStringLiteral("Tiingo (API token)"),
                    .commandName = QStringLiteral("tiingo"),
                    .key = QStringLiteral("Tiingo"),
                    .defaultBase = QStringLiteral("https://api.tiingo.com"),
                    .extras = {},
                    .token = Token{.prompt = QStringLiteral("Tiingo API token:"),
                                   .fallback = {},
                                   .missingCause = QStringLiteral("no Tiingo API token"),
                                   .missingMessage = QStringLiteral(
                                       "A Tiingo API token is needed: press Token... to enter yours."),
                                   .word = QStringLiteral("API token")},
                    .judgedByStatus = true,
                    .rates = QStringLiteral("50/hour, 1000/day")})
{}

QUrl TiingoService::Url(const QString &baseUrl, const QString &symbol, QDate start, QDate end)
{
    // endDate keeps its own day.
    return QuoteSources::BuildUrl(
        baseUrl, "/tiingo/daily/" + QuoteSources::EncodePathSegment(symbol) +
                     "/prices?startDate=" + start.toString(Qt::ISODate).toLatin1() +
                     (end.isValid() ? "&endDate=" + end.toString(Qt::ISODate).toLatin1() : QByteArray()) +
                     "&format=csv&resampleFreq=daily");
}

int TiingoService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw, BarSeries &output,
                              bool &cutShort)
{
    return ParseReply(reply, symbol, raw, output, cutShort, PriceKind::Adjusted);
}

int TiingoService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw, BarSeries &output,
                              bool &cutShort, PriceKind kind)
{
    static constexpr NamedColumns::Columns kAdjusted{.names = {"date", "open", "high", "low", "close",
                                                               "volume", "adjOpen", "adjHigh", "adjLow",
                                                               "adjClose", "adjVolume"},
                                                     .adjustment = NamedColumns::Adjustment::AdjustedColumns};
    static constexpr NamedColumns::Columns kAsTraded{
        .names = {"date", "open", "high", "low", "close", "volume", "", "", "", "", ""},
        .adjustment = NamedColumns::Adjustment::AdjustedColumns};
    return NamedColumns::Parse(reply, symbol, kind == PriceKind::AsTraded ? kAsTraded : kAdjusted, raw,
                               output, cutShort);
}

SourceRequest TiingoService::Request(const ServiceSettings &settings, const QString &symbol,
                                     QDate start) const
{
    if (settings.token.isEmpty())
        return {{}, {}, Describe().token->missingCause};
    return {Url(settings.base, symbol, start, settings.options.end),
            {{"Authorization", "Token " + settings.token.toUtf8()}},
            {}};
}

ParsedReply TiingoService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                 BarSeries &raw, BarSeries &output) const
{
    return ParseKind(PriceKind::Adjusted, reply, symbol, locale, raw, output);
}

ParsedReply TiingoService::ParseKind(PriceKind kind, const FetchResult &reply, const QString &symbol,
                                     const QLocale &, BarSeries &raw, BarSeries &output) const
{
    ParsedReply parsed;
    parsed.result = ParseReply(reply.body, symbol, raw, output, parsed.cutShort, kind);
    parsed.lines = raw.BarCount;
    return parsed;
}

SourceRequest TiingoService::SearchRequest(const ServiceSettings &settings, const QString &text) const
{
    if (settings.token.isEmpty())
        return {{}, {}, Describe().token->missingCause};
    return {QuoteSources::BuildUrl(settings.base,
                                   "/tiingo/utilities/search?query=" + QUrl::toPercentEncoding(text)),
            {{"Authorization", "Token " + settings.token.toUtf8()}},
            {}};
}

SearchReply TiingoService::ParseSearch(const FetchResult &reply) const
{
    // Its matches name neither an exchange nor a currency.
    return SearchJson::Parse(reply.body, {}, [](const QJsonObject &object) {
        return SymbolMatch{object.value(u"ticker").toString().toUpper(),
                           object.value(u"name").toString(),
                           {},
                           object.value(u"assetType").toString(),
                           {}};
    });
}

QuoteService::Refusal TiingoService::Refuses(const FetchResult &reply) const
{
    // Its allowances are spent in words, under 429 for the hour and the day, even under 200 for the
    // month's symbols.
    const QByteArrayView body = QByteArrayView(reply.body).first(std::min<qsizetype>(reply.body.size(), 400));
    if (body.contains("symbol look up for this month"))
        return Refusal::SpentForMonth;
    if (body.contains("daily request allocation"))
        return Refusal::SpentForDay;
    if (body.contains("hourly request allocation"))
        return Refusal::SpentForHour;
    return Refusal::None;
}
