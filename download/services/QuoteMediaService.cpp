#include "QuoteMediaService.h"

#include "QuoteConversions.h"
#include "QuoteSources.h"

using namespace QuoteSources;
using QuoteConversions::WholeNumber;

namespace {

const QString kWebmasterId = QStringLiteral("QuoteMediaWebmasterId");

void ConvertLine(QByteArrayView line, const QLocale &locale, Bar &bar)
{
    const Pieces<6> f(line, ',');
    const Pieces<3> p(f[0], '-');
    if (p.Has(2)) {
        SetDate(bar, WholeNumber(p[0], locale), WholeNumber(p[1], locale), WholeNumber(p[2], locale));
    }
    Prices price{}; // cleared for every line
    SetPricesAndVolume(f, locale, price, bar);
}

} // namespace

QuoteMediaService::QuoteMediaService()
    : QuoteService({.name = QStringLiteral("QuoteMedia"),
                    .commandName = QStringLiteral("quotemedia"),
                    .key = QStringLiteral("QuoteMedia"),
                    .defaultBase = QStringLiteral("http://app.quotemedia.com"),
                    .extras = {{kWebmasterId, QStringLiteral("501")}},
                    .token = std::nullopt,
                    .judgedByStatus = false,
                    .rates = QStringLiteral("0")})
{}

QUrl QuoteMediaService::Url(const QString &baseUrl, const QString &webmasterId, const QString &symbol,
                            QDate start)
{
    return BuildUrl(baseUrl, "/quotetools/getHistoryDownload.csv?&webmasterId=" + EncodeSymbol(webmasterId) +
                                 "&startDay=" + QByteArray::number(start.day()) +
                                 "&startMonth=" + QByteArray::number(start.month() - 1) +
                                 "&startYear=" + QByteArray::number(start.year()) +
                                 "&isRanged=true&symbol=" + EncodeSymbol(symbol));
}

int QuoteMediaService::ParseReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                                  BarSeries &raw, BarSeries &output)
{
    auto convert = [&](QByteArrayView line, bool, Bar &bar) { ConvertLine(line, locale, bar); };
    return ParseLines(reply, symbol, WalkOrder::FirstLineDown, true, raw, output, LineConverter::Of(convert));
}

SourceRequest QuoteMediaService::Request(const ServiceSettings &settings, const QString &symbol,
                                         QDate start) const
{
    return {Url(settings.base, settings.extras.value(kWebmasterId), symbol, start), {}, {}};
}

ParsedReply QuoteMediaService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                     BarSeries &raw, BarSeries &output) const
{
    const int result = ParseReply(reply.body, symbol, locale, raw, output);
    return {result, result == kRequestFailed && EndsInsideALine(reply.body), {}, raw.BarCount};
}
