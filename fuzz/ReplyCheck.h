#pragma once

#include "FuzzSupport.h"
#include "QuoteSources.h"

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
    for (const double date : series.dates)
        FUZZ_CHECK(date == std::floor(date)); // whole days, never NaN
}

inline bool IsBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
}

// A reply whose last line lacks its line end and has fewer fields than the header was cut short.
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

// The reply is the input after `skip` bytes the source drops; the locale follows the input's length.
inline void CheckReply(const uint8_t *data, size_t size, ReplyParser parse, qsizetype skip, Repeats repeats)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France)};
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString symbol = QStringLiteral("^GSPC");
    BarSeries before;
    before.Symbol = QStringLiteral("earlier");
    before.Prepare(1);
    before.SetBarDate(1, 41397.0);
    BarSeries raw = before;
    BarSeries output = before;
    const int result = parse(reply, symbol, locales[size % 3], raw, output);

    using namespace QuoteSources;
    const QByteArrayView body = QByteArrayView(reply).sliced(std::min(skip, reply.size()));
    const bool header = body.size() >= 4 && body.first(4).compare("Date", Qt::CaseInsensitive) == 0;
    const bool cutShort = header && CutShort(body);
    FUZZ_CHECK(header || result == kRequestFailed);
    FUZZ_CHECK(!header || (result == kRequestFailed ? cutShort : !(cutShort && Expect("truncated"))));
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

    CheckShape(raw, symbol);
    CheckShape(output, symbol);
    // One bar per non-blank data line, unless non-finite prices drop bars before they are counted.
    const int lines = NonBlankLines(body) - 1;
    FUZZ_CHECK(raw.BarCount == lines || (Expect("finite") && raw.BarCount < lines));
    FUZZ_CHECK(std::is_sorted(raw.dates.begin(), raw.dates.end()));
    // Where repeats are kept, and for a lone bar, any date but 0.0 (none) stays, also one before 1900.
    const bool anyDate = repeats == Repeats::Kept || raw.BarCount == 1;
    qsizetype expected = 0;
    for (size_t i = 0; i < raw.dates.size(); ++i) {
        const double date = raw.dates[i];
        if (anyDate)
            expected += date != 0.0;
        else
            expected += date > 0.0 && (i == 0 || date != raw.dates[i - 1]);
    }
    // Once non-finite prices are dropped, such bars leave too.
    FUZZ_CHECK(Expect("finite") ? output.BarCount <= expected : output.BarCount == expected);
    for (size_t i = 0; i < output.dates.size(); ++i) {
        FUZZ_CHECK(output.dates[i] != 0.0 && (anyDate || output.dates[i] > 0.0));
        if (i > 0)
            FUZZ_CHECK(repeats == Repeats::Kept ? output.dates[i] >= output.dates[i - 1]
                                                : output.dates[i] > output.dates[i - 1]);
        if (Expect("finite")) {
            for (const float value : output.values[i])
                FUZZ_CHECK(std::isfinite(value));
        }
    }
}
