#pragma once

#include "EodhdService.h"
#include "FuzzSupport.h"
#include "GoogleService.h"
#include "NamedColumns.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "TiingoService.h"
#include "TwelveDataService.h"
#include "YahooService.h"

#include <QLocale>

#include <algorithm>

using ReplyParser = int (*)(const QByteArray &, const QString &, const QLocale &, BarSeries &, BarSeries &);

// How a source's output series keeps repeated dates: one bar per date, or every dated bar.
enum class Repeats { Dropped, Kept };

inline bool SameSeries(const BarSeries &a, const BarSeries &b)
{
    return a.Symbol == b.Symbol && a.RowCount == b.RowCount && a.BarCount == b.BarCount &&
           a.FieldCount == b.FieldCount && a.FieldNames == b.FieldNames && a.dates == b.dates &&
           a.values == b.values;
}

inline void CheckShape(const BarSeries &series, const QString &symbol)
{
    FUZZ_CHECK(series.Symbol == symbol && series.RowCount == series.BarCount + 1 && series.FieldCount == 6);
    FUZZ_CHECK(series.FieldNames ==
               QStringList({u"Date"_qs, u"Open"_qs, u"High"_qs, u"Low"_qs, u"Close"_qs, u"Volume"_qs}));
    FUZZ_CHECK(series.dates.size() == size_t(series.BarCount) &&
               series.values.size() == size_t(series.BarCount));
}

// The bars to write: whole days, never 0.0, finite prices, in date order; one bar per date above
// 0.0 unless repeats are kept or the reply held a lone bar, which stays whatever its date.
inline void CheckOutput(const BarSeries &output, const QString &symbol, Repeats repeats, bool lone)
{
    CheckShape(output, symbol);
    const bool anyDate = repeats == Repeats::Kept || lone;
    for (size_t i = 0; i < output.dates.size(); ++i) {
        const double date = output.dates[i];
        FUZZ_CHECK(std::isfinite(date) && date == std::floor(date) && date != 0.0 && (anyDate || date > 0.0));
        if (i > 0)
            FUZZ_CHECK(repeats == Repeats::Kept ? date >= output.dates[i - 1] : date > output.dates[i - 1]);
        for (size_t k = 0; k < 4; ++k)
            FUZZ_CHECK(std::isfinite(output.values[i][k]));
    }
}

inline bool IsBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
}

// A reply whose last line lacks its line end, is not blank and has fewer fields than the header was
// cut short.
inline bool CutShort(QByteArrayView body)
{
    const qsizetype lastEnd = body.lastIndexOf('\n');
    if (lastEnd < 0 || body.endsWith('\n') || IsBlank(body.sliced(lastEnd + 1)))
        return false;
    return body.sliced(lastEnd + 1).count(',') < body.first(body.indexOf('\n')).count(',');
}

inline int NonBlankLines(QByteArrayView body)
{
    int count = 0;
    for (qsizetype start = 0; start <= body.size();) {
        const qsizetype end = body.indexOf('\n', start);
        const qsizetype stop = end < 0 ? body.size() : end;
        count += !IsBlank(body.sliced(start, stop - start));
        start = stop + 1;
    }
    return count;
}

// What the series held before a parser was given them.
inline BarSeries Earlier()
{
    BarSeries series;
    series.Symbol = QStringLiteral("earlier");
    series.Prepare(1);
    series.SetBarDate(1, 41397.0);
    return series;
}

// The reply is the input after `skip` bytes the source drops; the locale follows the input's length.
inline void CheckReply(const uint8_t *data, size_t size, ReplyParser parse, qsizetype skip, Repeats repeats)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France)};
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString symbol = QStringLiteral("^GSPC");
    BarSeries before = Earlier();
    BarSeries raw = before;
    BarSeries output = before;
    const int result = parse(reply, symbol, locales[size % 3], raw, output);

    using namespace QuoteSources;
    const QByteArrayView body = QByteArrayView(reply).sliced(std::min(skip, reply.size()));
    const bool header = body.size() >= 4 && body.first(4).compare("Date", Qt::CaseInsensitive) == 0;
    const bool cutShort = header && CutShort(body);
    FUZZ_CHECK(header || result == kRequestFailed);
    FUZZ_CHECK(!header || (result == kRequestFailed) == cutShort);
    if (result != kRequestFailed)
        FUZZ_CHECK((result == kNoData) == (NonBlankLines(body) < 2) &&
                   (result == kNoData || result == kSuccess));
    if (result != kSuccess) {
        FUZZ_CHECK(SameSeries(output, before));
        if (result == kNoData)
            before.Symbol = symbol;
        FUZZ_CHECK(SameSeries(raw, before));
        return;
    }
    // The raw series keeps the counts only: one bar per non-blank data line, none of them stored.
    BarSeries counts;
    counts.Prepare(0);
    counts.Symbol = symbol;
    counts.BarCount = NonBlankLines(body) - 1;
    counts.RowCount = counts.BarCount + 1;
    FUZZ_CHECK(SameSeries(raw, counts));
    FUZZ_CHECK(output.BarCount <= raw.BarCount);
    CheckOutput(output, symbol, repeats, raw.BarCount == 1);
}

using TokenParser = int (*)(QByteArrayView, const QString &, BarSeries &, BarSeries &, bool &);

// How a token service's reply names its columns and parts its fields.
struct TokenForm
{
    char separator = ',';
    QByteArrayList required = {"date", "open", "high", "low", "close", "volume"};
};

// The token services' parsers keep every readable bar in `raw`, sorted, and one per date in `output`.
inline void CheckTokenReply(const uint8_t *data, size_t size, TokenParser parse, const TokenForm &form = {})
{
    const QByteArrayList &required = form.required;
    QByteArrayView reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString symbol = QStringLiteral("MSFT.US");
    const BarSeries before = Earlier();
    BarSeries raw = before;
    BarSeries output = before;
    bool cutShort = true;
    const int result = parse(reply, symbol, raw, output, cutShort);

    using namespace QuoteSources;
    if (reply.startsWith("\xEF\xBB\xBF"))
        reply = reply.sliced(3);
    const qsizetype headerEnd = reply.indexOf('\n');
    const QByteArray header = reply.first(headerEnd < 0 ? reply.size() : headerEnd).toByteArray();
    const QByteArrayList names =
        (header.endsWith('\r') ? header.chopped(1) : header).toLower().split(form.separator);
    const bool named = std::all_of(required.begin(), required.end(),
                                   [&](const QByteArray &name) { return names.contains(name); });
    // Cut short: a last line without a line end, not blank, with fewer fields than the header.
    const QByteArrayView last = reply.sliced(reply.lastIndexOf('\n') + 1);
    const bool blank =
        std::all_of(last.begin(), last.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
    const bool cut = headerEnd >= 0 && !blank && last.count(form.separator) < header.count(form.separator);
    if (cutShort)
        FUZZ_CHECK(result == kRequestFailed && cut);
    else
        FUZZ_CHECK(result == kRequestFailed ? !named : !cut); // a failure without a cut lacks a column
    if (result != kSuccess) {
        FUZZ_CHECK(SameSeries(output, before));
        BarSeries expected = before;
        if (result == kNoData)
            expected.Symbol = symbol;
        FUZZ_CHECK(SameSeries(raw, expected));
        return;
    }

    CheckShape(raw, symbol);
    FUZZ_CHECK(raw.BarCount >= 1 && raw.BarCount <= reply.count('\n'));
    FUZZ_CHECK(std::is_sorted(raw.dates.begin(), raw.dates.end()));
    qsizetype dates = 0;
    for (size_t i = 0; i < raw.dates.size(); ++i) {
        FUZZ_CHECK(std::isfinite(raw.dates[i]) && raw.dates[i] == std::floor(raw.dates[i]));
        for (const float value : raw.values[i])
            FUZZ_CHECK(std::isfinite(value));
        dates += raw.dates[i] > 0.0 && (i == 0 || raw.dates[i] != raw.dates[i - 1]);
    }
    const bool lone = raw.BarCount == 1;
    CheckOutput(output, symbol, Repeats::Dropped, lone);
    FUZZ_CHECK(output.BarCount == (lone ? int(raw.dates[0] != 0.0) : dates));
    // Each date's bar is the first of the sorted reply's bars of that date.
    for (size_t i = 0; i < output.dates.size(); ++i) {
        const auto first = std::lower_bound(raw.dates.begin(), raw.dates.end(), output.dates[i]);
        FUZZ_CHECK(first != raw.dates.end() && *first == output.dates[i] &&
                   raw.values[size_t(first - raw.dates.begin())] == output.values[i]);
    }
}
