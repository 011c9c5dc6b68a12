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

bool IsBlank(QByteArrayView line)
{
    for (const char c : line) {
        if (c != ' ')
            return false;
    }
    return true;
}

bool PassesHeaderCheck(QByteArrayView reply)
{
    return reply.size() >= 4 && EqualsIgnoringCase(reply.first(4), "Date");
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
} // namespace

int ParseLines(QByteArrayView reply, const QString &symbol, WalkOrder order, bool keepRepeatedDates,
               BarSeries &raw, BarSeries &output, LineConverter convert)
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

void SetDate(Bar &bar, std::optional<int> year, std::optional<int> month, std::optional<int> day)
{
    if (!year || !month || !day)
        return;
    if (const auto date = DateValue::CalendarDate(*year, *month, *day))
        bar.date = *date;
}

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

QByteArray EncodePathSegment(const QString &symbol)
{
    return QUrl::toPercentEncoding(symbol);
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

} // namespace QuoteSources
