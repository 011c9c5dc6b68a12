#include "GoogleService.h"

#include "QuoteConversions.h"
#include "QuoteSources.h"

using namespace QuoteSources;
using QuoteConversions::LeadingNumber;
using QuoteConversions::WholeNumber;

namespace {

constexpr std::array<QByteArrayView, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<int> Month(QByteArrayView text, const QLocale &locale)
{
    for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
        if (EqualsIgnoringCase(text, kMonthNames[i]))
            return int(i) + 1;
    }
    return WholeNumber(text, locale);
}

// Digits of the whole part of a leading number, blanks, tabs and line feeds passed over.
int WholeDigits(QByteArrayView text)
{
    int digits = 0;
    bool signAllowed = true;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (signAllowed && (c == '+' || c == '-')) {
            signAllowed = false;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        signAllowed = false;
        ++digits;
    }
    return digits;
}

// Prices carry over from the line converted before when a line lacks them.
void ConvertLine(QByteArrayView line, const QLocale &locale, Prices &working, Bar &bar)
{
    const Pieces<6> f(line, ',');
    const Pieces<3> p(f[0], '-');
    // A date needs all three of its own parts; parts left over from another line would date the bar
    // wrongly instead of marking it as undated.
    if (p.Has(2)) {
        // Two digits name a year of 1931..2030; a longer year part is the year itself.
        double year = LeadingNumber(p[2]);
        if (p[2].size() < 3 || WholeDigits(p[2]) < 3)
            year += year <= 30 ? 2000 : 1900;
        SetDate(bar, WholeNumber(year), Month(p[1], locale), WholeNumber(LeadingNumber(p[0])));
    }
    SetPricesAndVolume(f, locale, working, bar);
}

} // namespace

GoogleService::GoogleService()
    : QuoteService({.name = QStringLiteral("Google Finance"),
                    .commandName = QStringLiteral("google"),
                    .key = QStringLiteral("Google"),
                    .defaultBase = QStringLiteral("http://www.google.com"),
                    .extras = {},
                    .token = std::nullopt,
                    .judgedByStatus = false,
                    .rates = QStringLiteral("0")})
{}

QUrl GoogleService::Url(const QString &baseUrl, const QString &symbol, QDate start)
{
    return BuildUrl(baseUrl, "/finance/historical?q=" + EncodeSymbol(symbol) +
                                 "&startdate=" + kMonthNames[std::size_t(start.month() - 1)].toByteArray() +
                                 '+' + QByteArray::number(start.day()) + "%2C+" +
                                 QByteArray::number(start.year()) + "&output=csv");
}

int GoogleService::ParseReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                              BarSeries &raw, BarSeries &output)
{
    // Replies begin with three bytes (a byte-order mark) ahead of the header.
    const QByteArrayView body = QByteArrayView(reply).sliced(std::min<qsizetype>(3, reply.size()));
    Prices working{};
    auto convert = [&](QByteArrayView line, bool, Bar &bar) { ConvertLine(line, locale, working, bar); };
    return ParseLines(body, symbol, WalkOrder::LastLineUp, false, raw, output, LineConverter::Of(convert));
}

SourceRequest GoogleService::Request(const ServiceSettings &settings, const QString &symbol,
                                     QDate start) const
{
    return {Url(settings.base, symbol, start), {}, {}};
}

ParsedReply GoogleService::Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                 BarSeries &raw, BarSeries &output) const
{
    const int result = ParseReply(reply.body, symbol, locale, raw, output);
    return {result, result == kRequestFailed && EndsInsideALine(reply.body), {}, raw.BarCount};
}
