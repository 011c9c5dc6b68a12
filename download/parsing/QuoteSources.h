#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QUrl>

#include <array>
#include <optional>

// What the services with dated text lines share: result codes, URL building, and the walk from the
// header check to the output series. Each service brings the conversion of one of its lines.
namespace QuoteSources {

// Result of a source: the reply was parsed, it failed the header check, or it held no price line.
inline constexpr int kSuccess = 0;
inline constexpr int kRequestFailed = 1;
inline constexpr int kNoData = 2;

// The symbol as it goes into a query: "^" and every character that would end the value, start
// another parameter or is not allowed in a URL (space, "&", "#", "%", "+", "?", quotes, brackets,
// control characters, bytes beyond ASCII) are percent-encoded; all else, letter case included,
// stays as it is.
[[nodiscard]] QByteArray EncodeSymbol(const QString &symbol);

// The symbol as one path segment: everything but letters, digits and "-._~" is percent-encoded from
// UTF-8, so "/" becomes %2F.
[[nodiscard]] QByteArray EncodePathSegment(const QString &symbol);

// Whether a reply that passes the header check stops inside its last line (no line end, fewer
// fields than the header line); the parsers refuse such a reply.
[[nodiscard]] bool EndsInsideALine(QByteArrayView reply);

// `baseUrl` (scheme, host, optional port; trailing "/" dropped) followed by an encoded path and
// query; invalid when the base is.
[[nodiscard]] QUrl BuildUrl(const QString &baseUrl, const QByteArray &pathAndQuery);

[[nodiscard]] inline bool EqualsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
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
            const char *stop = start;
            while (stop != end && *stop != separator)
                ++stop;
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

// One line's bar as it is converted: the date stays 0.0 when it cannot be built.
struct Bar
{
    double &date;
    BarSeries::Values &values;
};

// The date, when all three parts are there and make one.
void SetDate(Bar &bar, std::optional<int> year, std::optional<int> month, std::optional<int> day);

using Prices = std::array<float, 4>; // open, high, low, close

// Columns 1 to 5 of a bar from fields 1 to 5. A missing field leaves its price as it was, a zero
// open, high or low takes the close, and a volume that is not a number leaves 0.
void SetPricesAndVolume(const Pieces<6> &f, const QLocale &locale, Prices &price, Bar &bar);

enum class WalkOrder { LastLineUp, FirstLineDown };

// Fills a bar from one non-blank data line; called once a line, so it is a plain function and a
// context rather than a std::function.
struct LineConverter
{
    void *context;
    void (*convert)(void *context, QByteArrayView line, bool firstDataLine, Bar &bar);

    template <typename F> static LineConverter Of(F &f)
    {
        return {&f, [](void *c, QByteArrayView line, bool first, Bar &bar) {
                    (*static_cast<F *>(c))(line, first, bar);
                }};
    }
    void operator()(QByteArrayView line, bool firstDataLine, Bar &bar) const
    {
        convert(context, line, firstDataLine, bar);
    }
};

// The steps every such service shares from the header check to the output series. Returns kSuccess
// with `output` holding the bars to write, sorted by date, and `raw` holding the reply's counts (one
// bar per non-blank data line) but no bars of its own; kRequestFailed leaving both series alone
// (also when the reply stops inside a last line that is short of the header's fields, or memory runs
// out); or kNoData after setting only raw.Symbol. Bars whose date could not be built, or with a price
// that is no finite 4-byte float, never reach `output`.
[[nodiscard]] int ParseLines(QByteArrayView reply, const QString &symbol, WalkOrder order,
                             bool keepRepeatedDates, BarSeries &raw, BarSeries &output,
                             LineConverter convert);

} // namespace QuoteSources
