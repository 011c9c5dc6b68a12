#include "QuoteSources.h"

#include "DateValue.h"
#include "LocalText.h"
#include "QuoteConversions.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

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

// One line's bar as it is converted: the date stays 0.0 when it cannot be built.
struct Bar
{
    double &date;
    BarSeries::Values &values;
};

// The date, when all three parts are there and make one.
void SetDate(Bar &bar, std::optional<int> year, std::optional<int> month, std::optional<int> day)
{
    if (!year || !month || !day)
        return;
    if (const auto date = DateValue::CalendarDate(*year, *month, *day))
        bar.date = *date;
}

qsizetype CountFields(QByteArrayView line, qsizetype enough)
{
    qsizetype fields = 1;
    for (const char *pos = line.data(), *end = pos + line.size(); fields < enough; ++fields) {
        pos = static_cast<const char *>(std::memchr(pos, ',', std::size_t(end - pos)));
        if (!pos)
            break;
        ++pos;
    }
    return fields;
}

// A reply that stops inside a line (no final line end, fewer fields than the header) was cut short.
bool IsCutShort(QByteArrayView reply, QByteArrayView header)
{
    if (reply.endsWith('\n'))
        return false;
    const auto *const lastEnd =
        static_cast<const char *>(memrchr(reply.data(), '\n', std::size_t(reply.size())));
    if (!lastEnd)
        return false; // the header is the last line
    const QByteArrayView last(lastEnd + 1, reply.data() + reply.size());
    if (IsBlank(last))
        return false; // a blank line holds no bar to lose
    const qsizetype headerFields = CountFields(header, std::numeric_limits<qsizetype>::max());
    return CountFields(last, headerFields) < headerFields;
}

// Whether the first field holds two "-", without which no date can be built: bounds the room to
// set aside for dated bars.
bool MayHoldDate(QByteArrayView line)
{
    int dashes = 0;
    for (const char c : line) {
        if (c == ',')
            return false;
        if (c == '-' && ++dashes == 2)
            return true;
    }
    return false;
}

// The steps every source shares from the header check to the output series. Lines are walked in
// place, without an index of them, and `convert(line, firstDataLine, bar)` fills a bar from a
// non-blank data line. An allocation failure fails the request and leaves both series alone.
template <typename ConvertLine>
int ParseLines(QByteArrayView reply, const QString &symbol, WalkOrder order, bool keepRepeatedDates,
               BarSeries &raw, BarSeries &output, ConvertLine convert)
{
    if (!PassesHeaderCheck(reply))
        return kRequestFailed;
    if (EndsInsideALine(reply))
        return kRequestFailed;
    const char *const begin = reply.data();
    const char *const end = begin + reply.size();
    const auto *const headerEnd =
        static_cast<const char *>(std::memchr(begin, '\n', std::size_t(reply.size())));

    qsizetype nonBlank = 1; // the header begins with "Date"
    qsizetype mayHoldDate = 0;
    const char *const dataBegin = headerEnd ? headerEnd + 1 : end;
    for (const char *start = dataBegin; headerEnd;) {
        const auto *const found =
            static_cast<const char *>(std::memchr(start, '\n', std::size_t(end - start)));
        const QByteArrayView line(start, found ? found : end);
        if (!IsBlank(line)) {
            ++nonBlank;
            // Room for a bar is small beside a long line, so only short lines are looked into.
            mayHoldDate += line.size() >= 16 || MayHoldDate(line) ? 1 : 0;
        }
        if (!found)
            break;
        start = found + 1;
    }
    if (nonBlank > std::numeric_limits<int>::max())
        return kRequestFailed;
    if (nonBlank < 2) {
        raw.Symbol = symbol;
        return kNoData;
    }

    try {
        GatheredBars bars;
        // One more than the dated bars: a line's values are converted in place before it is judged.
        bars.days.reserve(std::size_t(mayHoldDate));
        bars.values.reserve(std::size_t(mayHoldDate) + 1);
        const auto visit = [&](QByteArrayView line) {
            if (IsBlank(line))
                return;
            double date = 0.0;
            Bar bar{date, bars.values.emplace_back()};
            convert(line, line.data() == dataBegin, bar);
            // A bar without a date or with a price that is no finite float can never be written.
            const auto &v = bar.values;
            if (date != 0.0 && std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) &&
                std::isfinite(v[3])) {
                bars.days.push_back(std::int32_t(date));
            } else {
                bars.values.pop_back();
                bars.AddUndated();
            }
        };
        if (order == WalkOrder::LastLineUp) {
            for (const char *stop = end;;) {
                const auto *const found =
                    static_cast<const char *>(memrchr(dataBegin, '\n', std::size_t(stop - dataBegin)));
                visit(QByteArrayView(found ? found + 1 : dataBegin, stop));
                if (!found)
                    break;
                stop = found;
            }
        } else {
            for (const char *start = dataBegin;;) {
                const auto *const found =
                    static_cast<const char *>(std::memchr(start, '\n', std::size_t(end - start)));
                visit(QByteArrayView(start, found ? found : end));
                if (!found)
                    break;
                start = found + 1;
            }
        }
        BarSeries result;
        BuildOutput(bars, keepRepeatedDates, result);
        result.Symbol = symbol;
        // The raw series keeps the counts of the reply; its bars live on in the output only.
        BarSeries counts;
        counts.Prepare(0);
        counts.Symbol = symbol;
        counts.RowCount = int(nonBlank);
        counts.BarCount = int(nonBlank - 1);
        raw = std::move(counts);
        output = std::move(result);
    } catch (const std::bad_alloc &) {
        return kRequestFailed;
    }
    return kSuccess;
}

void ConvertYahooLine(QByteArrayView line, bool firstDataLine, const QLocale &locale, Bar &bar)
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
void SetPricesAndVolume(const Pieces<6> &f, const QLocale &locale, Prices &price, Bar &bar)
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
        bar.values[k] = price[k];
    if (f.Has(5)) {
        if (const auto volume = StrictNumber(f[5], locale)) {
            if (const auto single = ToFiniteSingle(*volume))
                bar.values[4] = *single;
        }
    }
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

// Google's prices carry over from the line converted before when a line lacks them.
void ConvertGoogleLine(QByteArrayView line, const QLocale &locale, Prices &working, Bar &bar)
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
        SetDate(bar, WholeNumber(year), GoogleMonth(p[1], locale), WholeNumber(LeadingNumber(p[0])));
    }
    SetPricesAndVolume(f, locale, working, bar);
}

void ConvertQuoteMediaLine(QByteArrayView line, const QLocale &locale, Bar &bar)
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

bool EndsInsideALine(QByteArrayView reply)
{
    if (reply.isEmpty())
        return false; // and memchr must not see the null data of an empty reply
    const auto *const headerEnd =
        static_cast<const char *>(std::memchr(reply.data(), '\n', std::size_t(reply.size())));
    return IsCutShort(reply, headerEnd ? QByteArrayView(reply.data(), headerEnd) : reply);
}

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
    return ParseLines(reply, symbol, WalkOrder::LastLineUp, false, raw, output,
                      [&](QByteArrayView line, bool firstDataLine, Bar &bar) {
                          ConvertYahooLine(line, firstDataLine, locale, bar);
                      });
}

int ParseGoogleReply(const QByteArray &reply, const QString &symbol, const QLocale &locale, BarSeries &raw,
                     BarSeries &output)
{
    // Replies begin with three bytes (a byte-order mark) ahead of the header.
    const QByteArrayView body = QByteArrayView(reply).sliced(std::min<qsizetype>(3, reply.size()));
    Prices working{};
    return ParseLines(
        body, symbol, WalkOrder::LastLineUp, false, raw, output,
        [&](QByteArrayView line, bool, Bar &bar) { ConvertGoogleLine(line, locale, working, bar); });
}

// QuoteMedia keeps repeated dates: it never had a duplicate removal.
int ParseQuoteMediaReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                         BarSeries &raw, BarSeries &output)
{
    return ParseLines(reply, symbol, WalkOrder::FirstLineDown, true, raw, output,
                      [&](QByteArrayView line, bool, Bar &bar) { ConvertQuoteMediaLine(line, locale, bar); });
}

} // namespace QuoteSources
