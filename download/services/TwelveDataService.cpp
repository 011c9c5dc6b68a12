#include "TwelveDataService.h"

#include "DateValue.h"
#include "NamedColumns.h"
#include "QuoteSources.h"
#include "SearchJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qsizetype kShownMessageLength = 80;

// An error reply: {"code": N, "message": "...", "status": "error"}, under any HTTP status.
struct ErrorBody
{
    int code = 0;
    QString message;
};

std::optional<ErrorBody> ReadErrorBody(const QByteArray &body)
{
    const QByteArrayView text = QByteArrayView(body).trimmed();
    if (!text.startsWith('{'))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    if (object.value(u"status").toString() != u"error")
        return std::nullopt;
    return ErrorBody{object.value(u"code").toInt(), object.value(u"message").toString()};
}

QString Shown(QString message)
{
    message = message.simplified();
    if (message.size() > kShownMessageLength)
        message.truncate(message.at(kShownMessageLength - 1).isHighSurrogate() ? kShownMessageLength - 1
                                                                               : kShownMessageLength);
    // A cut that falls on a space would leave it at the end.
    return message.trimmed();
}

} // namespace

TwelveDataService::TwelveDataService()
    : QuoteService({.name = QStringLiteral("Twelve Data (API key)"),
                    .commandName = QStringLiteral("twelvedata"),
                    .key = QStringLiteral("TwelveData"),
                    .defaultBase = QStringLiteral("https://api.twelvedata.com"),
                    .extras = {},
                    .token = Token{.prompt = QStringLiteral("Twelve Data API key:"),
                                   .fallback = {},
                                   .missingCause = QStringLiteral("no Twelve Data API key"),
                                   .missingMessage = QStringLiteral(
                                       "A Twelve Data API key is needed: press Token... to enter yours."),
                                   .word = QStringLiteral("API key"),
                                   .refusals = {401, 403}},
                    .judgedByStatus = true,
                    .rates = QStringLiteral("8/minute, 800/day")})
{}

QUrl TwelveDataService::Url(const QString &baseUrl, const QString &symbol, QDate start, QDate end,
                            PriceKind kind)
{
    // Newest first, so that a full reply keeps the newest bars and older ones follow in pieces.
    QByteArray query = "/time_series?symbol=" + QuoteSources::EncodeSymbol(symbol) +
                       "&interval=1day&start_date=" + start.toString(Qt::ISODate).toLatin1();
    if (end.isValid())
        query += "&end_date=" + end.toString(Qt::ISODate).toLatin1();
    query += "&outputsize=" + QByteArray::number(kPieceSize) +
             (kind == PriceKind::AsTraded ? "&adjust=none" : "&adjust=all") + "&format=CSV";
    return QuoteSources::BuildUrl(baseUrl, query);
}

int TwelveDataService::ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                  BarSeries &output, bool &cutShort)
{
    static constexpr NamedColumns::Columns kColumns{
        .names = {"datetime", "open", "high", "low", "close", "volume", "", "", "", "", ""},
        .adjustment = NamedColumns::Adjustment::AdjustedColumns,
        .separator = ';',
        .volumeOptional = true};
    return NamedColumns::Parse(reply, symbol, kColumns, raw, output, cutShort);
}

SourceRequest TwelveDataService::Piece(const ServiceSettings &settings, const QString &symbol, QDate start,
                                       QDate end) const
{
    if (settings.token.isEmpty())
        return {{}, {}, Describe().token->missingCause};
    return {Url(settings.base, symbol, start, end, settings.options.prices),
            {{"Authorization", "apikey " + settings.token.toUtf8()}},
            {}};
}

SourceRequest TwelveDataService::Request(const ServiceSettings &settings, const QString &symbol,
                                         QDate start) const
{
    // Its end_date leaves out its own day in a daily series.
    const QDate end = settings.options.end;
    return Piece(settings, symbol, start, end.isValid() ? end.addDays(1) : QDate());
}

std::optional<SourceRequest> TwelveDataService::NextPiece(const ServiceSettings &settings,
                                                          const QString &symbol, QDate start,
                                                          const ParsedReply &parsed,
                                                          const BarSeries &piece) const
{
    if (parsed.lines < kPieceSize || piece.BarCount == 0)
        return std::nullopt;
    const QDate oldest = DateValue::ToDate(piece.BarDate(1));
    if (!oldest.isValid() || oldest <= start)
        return std::nullopt;
    // The service leaves end_date out of a daily series; should it ever keep it, the merge drops the
    // repeated bar, whereas asking for the day before would lose that day.
    return Piece(settings, symbol, start, oldest);
}

ParsedReply TwelveDataService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &,
                                     BarSeries &raw, BarSeries &output) const
{
    if (const auto error = ReadErrorBody(reply.body)) {
        // Its answer to a range without bars is an error too, and it means what "No data" means.
        const bool noData = error->message.startsWith(u"No data is available");
        if (noData)
            raw.Symbol = symbol;
        return {noData ? QuoteSources::kNoData : QuoteSources::kRequestFailed, false, Shown(error->message),
                0};
    }
    ParsedReply parsed;
    parsed.result = ParseReply(reply.body, symbol, raw, output, parsed.cutShort);
    parsed.lines = raw.BarCount;
    return parsed;
}

QuoteService::Refusal TwelveDataService::Refuses(const FetchResult &reply) const
{
    const auto error = ReadErrorBody(reply.body);
    if (!error || error->code != 429)
        return Refusal::None;
    return error->message.contains(u"for the day") ? Refusal::SpentForDay : Refusal::TryLater;
}

QString TwelveDataService::ErrorCause(const FetchResult &reply) const
{
    const auto error = ReadErrorBody(reply.body);
    return error ? Shown(error->message) : QString();
}

SourceRequest TwelveDataService::SearchRequest(const ServiceSettings &settings, const QString &text) const
{
    if (settings.token.isEmpty())
        return {{}, {}, Describe().token->missingCause};
    return {QuoteSources::BuildUrl(settings.base, "/symbol_search?symbol=" + QUrl::toPercentEncoding(text)),
            {{"Authorization", "apikey " + settings.token.toUtf8()}},
            {}};
}

SearchReply TwelveDataService::ParseSearch(const FetchResult &reply) const
{
    if (const auto error = ReadErrorBody(reply.body))
        return {false, {}, Shown(error->message)};
    return SearchJson::Parse(reply.body, u"data", [](const QJsonObject &object) {
        return SymbolMatch{object.value(u"symbol").toString(), object.value(u"instrument_name").toString(),
                           object.value(u"exchange").toString(), object.value(u"instrument_type").toString(),
                           object.value(u"currency").toString()};
    });
}
