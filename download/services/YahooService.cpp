#include "YahooService.h"

#include "QuoteConversions.h"
#include "QuoteSources.h"

using namespace QuoteSources;
using QuoteConversions::LeadingNumber;
using QuoteConversions::StrictNumber;
using QuoteConversions::ToFiniteSingle;
using QuoteConversions::ToSingle;
using QuoteConversions::WholeNumber;

namespace {

void ConvertLine(QByteArrayView line, bool firstDataLine, const QLocale &locale, Bar &bar)
{
    const Pieces<7> f(line, ',');
    const Pieces<3> p(f[0], '-');
    SetDate(bar, WholeNumber(p[0], locale), WholeNumber(p[1], locale), WholeNumber(p[2], locale));

    // Scale the prices to the adjusted close and the volume the other way; the newest line (right
    // after the header) is taken as reported.
    const double close = LeadingNumber(f[4]);
    const double adjustedClose = LeadingNumber(f[6]);
    const bool sameText = EqualsIgnoringCase(f[4], f[6]);
    double priceFactor = close != 0.0 && !sameText ? adjustedClose / close : 1.0;
    double volumeFactor = adjustedClose != 0.0 && !sameText ? close / adjustedClose : 1.0;
    if (firstDataLine) {
        priceFactor = 1.0;
        volumeFactor = 1.0;
    }
    for (std::size_t column = 0; column < 3; ++column)
        bar.values[column] = ToSingle(LeadingNumber(f[column + 1]) * priceFactor);
    bar.values[3] = ToSingle(firstDataLine ? close : adjustedClose);
    if (const auto volume = StrictNumber(f[5], locale)) {
        if (const auto single = ToFiniteSingle(std::floor(*volume * volumeFactor)))
            bar.values[4] = *single;
    }
}

} // namespace

YahooService::YahooService()
    : QuoteService({.name = QStringLiteral("Yahoo! Finance"),
                    .commandName = QStringLiteral("yahoo"),
                    .key = QStringLiteral("Yahoo"),
                    .defaultBase = QStringLiteral("http://ichart.finance.yahoo.com"),
                    .extras = {},
                    .token = std::nullopt,
                    .judgedByStatus = false,
                    .rates = QStringLiteral("0")})
{}

QUrl YahooService::Url(const QString &baseUrl, const QString &symbol, QDate start)
{
    return BuildUrl(baseUrl, "/table.csv?s=" + EncodeSymbol(symbol) +
                                 "&a=" + QByteArray::number(start.month() - 1) +
                                 "&b=" + QByteArray::number(start.day()) +
                                 "&c=" + QByteArray::number(start.year()) + "&g=d&ignore=.csv");
}

int YahooService::ParseReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                             BarSeries &raw, BarSeries &output)
{
    auto convert = [&](QByteArrayView line, bool firstDataLine, Bar &bar) {
        ConvertLine(line, firstDataLine, locale, bar);
    };
    return ParseLines(reply, symbol, WalkOrder::LastLineUp, false, raw, output, LineConverter::Of(convert));
}

SourceRequest YahooService::Request(const ServiceSettings &settings, const QString &symbol, QDate start) const
{
    return {Url(settings.base, symbol, start), {}, {}};
}

ParsedReply YahooService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                BarSeries &raw, BarSeries &output) const
{
    const int result = ParseReply(reply.body, symbol, locale, raw, output);
    return {result, result == kRequestFailed && EndsInsideALine(reply.body), {}, raw.BarCount};
}
