#include "QuoteSources.h"

#include "DateValue.h"
#include "LocalText.h"
#include "QuoteConversions.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace QuoteSources {
namespace {

using QuoteConversions::LeadingNumber;
using QuoteConversions::StrictNumber;
using QuoteConversions::ToFiniteSingle;
using QuoteConversions::ToSingle;
using QuoteConversions::WholeNumber;

enum class WalkOrder { LastLineUp, FirstLineDown };

// The first `separator` in [pos, end), or end.
const char *FindSeparator(const char *pos, const char *const end, char separator)
{
    while (pos != end && *pos != separator)
        ++pos;
    return pos;
}

// Up to N pieces of a text cut at every `separator`; pieces past the N-th are ignored.
template <std::size_t N> struct Pieces
{
    std::array<QByteArrayView, N> piece{};
    std::size_t count = 0;

    Pieces(QByteArrayView text, char separator)
    {
        // Fields are short: a memchr call per field would cost more than the search.
        const char *start = text.data();
        const char *const end = start + text.size();
        for (;;) {
            const char *const stop = FindSeparator(start, end, separator);
            piece[count++] = QByteArrayView(start, stop - start);
            if (stop == end || count == N)
                break;
            start = stop + 1;
        }
    }

    [[nodiscard]] bool Has(std::size_t index) const { return index < count; }
    // A piece the text does not have reads as empty text.
    [[nodiscard]] QByteArrayView operator[](std::size_t index) const
    {
        return Has(index) ? piece[index] : QByteArrayView();
    }
};

bool IsBlank(QByteArrayView line)
{
    for (const char c : line) {
        if (c != ' ')
            return false;
    }
    return true;
}

bool EqualsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool PassesHeaderCheck(QByteArrayView reply)
{
    return reply.size() >= 4 && EqualsIgnoringCase(reply.first(4), "Date");
}

// Dates the bar when all three parts are there and make a date. The date goes straight into the
// bar: handing it back as a std::optional would cost a store-forwarding stall per line.
void SetBarDate(BarSeries &raw, int bar, std::optional<int> year, std::optional<int> month,
                std::optional<int> day)
{
    if (!year || !month || !day)
        return;
    if (const auto date = DateValue::CalendarDate(*year, *month, *day))
        raw.SetBarDate(bar, *date);
}

// The steps every source shares from the header check to the filling of the bars: returns the
// result code, and on kSuccess `raw` holds one bar per non-blank data line. `convert` is called as
// convert(line, lineNumber, bar) with lineNumber counted in the reply (the header is line 0).
template <typename ConvertLine>
int ParseLines(QByteArrayView reply, const QString &symbol, WalkOrder order, BarSeries &raw,
               ConvertLine convert)
{
    if (!PassesHeaderCheck(reply))
        return kRequestFailed;
    raw.Symbol = symbol;

    std::vector<QByteArrayView> lines;
    int nonBlank = 0;
    qsizetype start = 0;
    for (;;) {
        // memchr itself: indexOf adds a general search's set-up to every line.
        const auto *const found = static_cast<const char *>(
            std::memchr(reply.data() + start, '\n', std::size_t(reply.size() - start)));
        const qsizetype end = found ? found - reply.data() : -1;
        const QByteArrayView line = end < 0 ? reply.sliced(start) : reply.sliced(start, end - start);
        lines.push_back(line);
        if (!IsBlank(line))
            ++nonBlank;
        if (end < 0)
            break;
        start = end + 1;
    }
    if (nonBlank < 2)
        return kNoData;

    raw.Prepare(nonBlank - 1);
    int bar = 0;
    const auto visit = [&](std::size_t lineNumber) {
        if (!IsBlank(lines[lineNumber]))
            convert(lines[lineNumber], lineNumber, ++bar);
    };
    if (order == WalkOrder::LastLineUp) {
        for (std::size_t i = lines.size() - 1; i >= 1; --i)
            visit(i);
    } else {
        for (std::size_t i = 1; i < lines.size(); ++i)
            visit(i);
    }
    return kSuccess;
}

void ConvertYahooLine(QByteArrayView line, std::size_t lineNumber, int bar, const QLocale &locale,
                      BarSeries &raw)
{
    const Pieces<7> f(line, ',');
    const Pieces<3> p(f[0], '-');
    SetBarDate(raw, bar, WholeNumber(p[0], locale), WholeNumber(p[1], locale), WholeNumber(p[2], locale));

    // Scale the prices to the adjusted close and the volume the other way; the newest line (right
    // after the header) is taken as reported.
    const double close = LeadingNumber(f[4]);
    const double adjustedClose = LeadingNumber(f[6]);
    const bool sameText = EqualsIgnoringCase(f[4], f[6]);
    double priceFactor = close != 0.0 && !sameText ? adjustedClose / close : 1.0;
    double volumeFactor = adjustedClose != 0.0 && !sameText ? close / adjustedClose : 1.0;
    if (lineNumber == 1) {
        priceFactor = 1.0;
        volumeFactor = 1.0;
    }
    for (int column = 1; column <= 3; ++column)
        raw.SetBarValue(bar, column, ToSingle(LeadingNumber(f[std::size_t(column)]) * priceFactor));
    raw.SetBarValue(bar, 4, ToSingle(lineNumber == 1 ? close : adjustedClose));
    if (const auto volume = StrictNumber(f[5], locale)) {
        if (const auto single = ToFiniteSingle(std::floor(*volume * volumeFactor)))
            raw.SetBarValue(bar, 5, *single);
    }
}

std::optional<int> GoogleMonth(QByteArrayView text, const QLocale &locale)
{
    static constexpr std::array<QByteArrayView, 12> kNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (EqualsIgnoringCase(text, kNames[i]))
            return int(i) + 1;
    }
    return WholeNumber(text, locale);
}

using Prices = std::array<float, 4>; // open, high, low, close

// Columns 1 to 5 of a bar from fields 1 to 5. A missing field leaves its price as it was, a zero
// open, high or low takes the close, and a volume that is not a number leaves 0.
void SetPricesAndVolume(const Pieces<6> &f, int bar, const QLocale &locale, Prices &price, BarSeries &raw)
{
    for (std::size_t k = 0; k < 4; ++k) {
        if (f.Has(k + 1))
            price[k] = ToSingle(LeadingNumber(f[k + 1]));
    }
    for (std::size_t k = 0; k < 3; ++k) {
        if (price[k] == 0.0f)
            price[k] = price[3];
    }
    for (std::size_t k = 0; k < 4; ++k)
        raw.SetBarValue(bar, int(k) + 1, price[k]);
    if (f.Has(5)) {
        if (const auto volume = StrictNumber(f[5], locale)) {
            if (const auto single = ToFiniteSingle(*volume))
                raw.SetBarValue(bar, 5, *single);
        }
    }
}

// Google's prices carry over from the line converted before when a line lacks them.
void ConvertGoogleLine(QByteArrayView line, int bar, const QLocale &locale, Prices &working, BarSeries &raw)
{
    const Pieces<6> f(line, ',');
    const Pieces<3> p(f[0], '-');
    // A date needs all three of its own parts; parts left over from another line would date the bar
    // wrongly instead of marking it as undated.
    if (p.Has(2)) {
        double year = LeadingNumber(p[2]);
        year += year <= 30 ? 2000 : 1900;
        SetBarDate(raw, bar, WholeNumber(year), GoogleMonth(p[1], locale), WholeNumber(LeadingNumber(p[0])));
    }
    SetPricesAndVolume(f, bar, locale, working, raw);
}

void ConvertQuoteMediaLine(QByteArrayView line, int bar, const QLocale &locale, BarSeries &raw)
{
    const Pieces<6> f(line, ',');
    const Pieces<3> p(f[0], '-');
    if (p.Has(2)) {
        SetBarDate(raw, bar, WholeNumber(p[0], locale), WholeNumber(p[1], locale), WholeNumber(p[2], locale));
    }
    Prices price{}; // cleared for every line
    SetPricesAndVolume(f, bar, locale, price, raw);
}

// The sorted raw series without its undated bars; repeated dates stay.
void CopyDatedBars(const BarSeries &raw, BarSeries &output)
{
    int kept = 0;
    for (int bar = 1; bar <= raw.BarCount; ++bar) {
        if (raw.BarDate(bar) != 0.0)
            ++kept;
    }
    output.Symbol = raw.Symbol;
    output.Prepare(kept);
    output.FieldCount = raw.FieldCount;
    output.FieldNames = raw.FieldNames;
    int target = 0;
    for (int bar = 1; bar <= raw.BarCount; ++bar) {
        if (raw.BarDate(bar) == 0.0)
            continue;
        ++target;
        output.dates[std::size_t(target - 1)] = raw.dates[std::size_t(bar - 1)];
        output.values[std::size_t(target - 1)] = raw.values[std::size_t(bar - 1)];
    }
}

QUrl BuildUrl(const QString &baseUrl, const QByteArray &pathAndQuery)
{
    const QUrl base(baseUrl, QUrl::TolerantMode);
    if (!base.isValid() || base.isRelative() || base.host().isEmpty())
        return {};
    QByteArray encoded = base.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toEncoded();
    while (encoded.endsWith('/'))
        encoded.chop(1);
    return QUrl::fromEncoded(encoded + pathAndQuery, QUrl::StrictMode);
}

} // namespace

QByteArray EncodeSymbol(const QString &symbol)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = LocalText::Encode(symbol);
    QByteArray encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool escape = byte <= 0x20 || byte >= 0x7F || QByteArrayView("\"#%&+<>?[\\]^`{|}").contains(c);
        if (escape) {
            encoded.append('%');
            encoded.append(kHex[byte >> 4]);
            encoded.append(kHex[byte & 0x0F]);
        } else {
            encoded.append(c);
        }
    }
    return encoded;
}

QUrl YahooUrl(const QString &baseUrl, const QString &symbol, int startyear)
{
    return BuildUrl(baseUrl, "/table.csv?s=" + EncodeSymbol(symbol) +
                                 "&a=0&b=1&c=" + QByteArray::number(startyear) + "&g=d&ignore=.csv");
}

QUrl GoogleUrl(const QString &baseUrl, const QString &symbol, int startyear)
{
    return BuildUrl(baseUrl, "/finance/historical?q=" + EncodeSymbol(symbol) + "&startdate=Jan+1%2C+" +
                                 QByteArray::number(startyear) + "&output=csv");
}

QUrl QuoteMediaUrl(const QString &baseUrl, const QString &webmasterId, const QString &symbol, int startyear)
{
    return BuildUrl(baseUrl, "/quotetools/getHistoryDownload.csv?&webmasterId=" + EncodeSymbol(webmasterId) +
                                 "&startDay=1&startMonth=0&startYear=" + QByteArray::number(startyear) +
                                 "&isRanged=true&symbol=" + EncodeSymbol(symbol));
}

int ParseYahooReply(const QByteArray &reply, const QString &symbol, const QLocale &locale, BarSeries &raw,
                    BarSeries &output)
{
    const int result = ParseLines(reply, symbol, WalkOrder::LastLineUp, raw,
                                  [&](QByteArrayView line, std::size_t lineNumber, int bar) {
                                      ConvertYahooLine(line, lineNumber, bar, locale, raw);
                                  });
    if (result != kSuccess)
        return result;
    SortByDate(raw);
    RemoveDuplicateDates(raw, output);
    return kSuccess;
}

int ParseGoogleReply(const QByteArray &reply, const QString &symbol, const QLocale &locale, BarSeries &raw,
                     BarSeries &output)
{
    // Replies begin with three bytes (a byte-order mark) ahead of the header.
    const QByteArrayView body = QByteArrayView(reply).sliced(std::min<qsizetype>(3, reply.size()));
    Prices working{};
    const int result =
        ParseLines(body, symbol, WalkOrder::LastLineUp, raw, [&](QByteArrayView line, std::size_t, int bar) {
            ConvertGoogleLine(line, bar, locale, working, raw);
        });
    if (result != kSuccess)
        return result;
    SortByDate(raw);
    RemoveDuplicateDates(raw, output);
    return kSuccess;
}

int ParseQuoteMediaReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                         BarSeries &raw, BarSeries &output)
{
    const int result = ParseLines(
        reply, symbol, WalkOrder::FirstLineDown, raw,
        [&](QByteArrayView line, std::size_t, int bar) { ConvertQuoteMediaLine(line, bar, locale, raw); });
    if (result != kSuccess)
        return result;
    SortByDate(raw);
    CopyDatedBars(raw, output);
    return kSuccess;
}

} // namespace QuoteSources
