#include "NamedColumns.h"

#include "DateValue.h"
#include "QuoteConversions.h"
#include "QuoteSources.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace NamedColumns {
namespace {

using QuoteConversions::ToFiniteSingle;

constexpr int kRequiredColumns = kVolume + 1; // date to volume; the adjusted ones may be missing
using ColumnNames = std::array<QByteArrayView, kColumnCount>;

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.chop(1);
    return text;
}

// Where each column stands in a line, -1 when the header lacks it.
struct Layout
{
    std::array<int, kColumnCount> index{};
    int fieldCount = 0;
    int lastNeeded = 0; // the highest field index a line is read at

    [[nodiscard]] bool Complete(bool volumeOptional) const
    {
        for (int column = 0; column < kRequiredColumns; ++column) {
            if (index[std::size_t(column)] < 0 && !(volumeOptional && column == kVolume))
                return false;
        }
        return true;
    }
};

Layout ReadHeader(QByteArrayView header, const Columns &columns)
{
    Layout layout;
    layout.index.fill(-1);
    const ColumnNames &names = columns.names;
    qsizetype start = 0;
    for (int field = 0;; ++field) {
        qsizetype stop = header.indexOf(columns.separator, start);
        const bool last = stop < 0;
        if (last)
            stop = header.size();
        QByteArrayView name = Trimmed(header.sliced(start, stop - start));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.sliced(1, name.size() - 2);
        for (std::size_t column = 0; column < names.size(); ++column) {
            if (layout.index[column] < 0 && !names[column].isEmpty() && name.size() == names[column].size() &&
                name.compare(names[column], Qt::CaseInsensitive) == 0) {
                layout.index[column] = field;
                layout.lastNeeded = std::max(layout.lastNeeded, field);
            }
        }
        layout.fieldCount = field + 1;
        if (last)
            break;
        start = stop + 1;
    }
    return layout;
}

// A number as these services write it: "." for the decimal point in every locale, nothing around it.
std::optional<double> Number(QByteArrayView text)
{
    text = Trimmed(text);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> Positive(QByteArrayView text)
{
    const auto value = Number(text);
    return value && *value > 0.0 ? value : std::nullopt;
}

int Digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// YYYY-MM-DD, optionally followed by "T" and a time, which is ignored.
std::optional<double> Date(QByteArrayView text)
{
    text = Trimmed(text);
    if (text.size() < 10 || (text.size() > 10 && text[10] != 'T') || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const int year = Digits(text.data(), 4);
    const int month = Digits(text.data() + 5, 2);
    const int day = Digits(text.data() + 8, 2);
    if (!QDate::isValid(year, month, day))
        return std::nullopt;
    return DateValue::CalendarDate(year, month, day);
}

// The bar of one line, or nothing when the line cannot be read.
std::optional<std::pair<double, BarSeries::Values>> ReadLine(const std::vector<QByteArrayView> &fields,
                                                             const Layout &layout, Adjustment adjustment)
{
    const auto field = [&](Column column) {
        const int index = layout.index[std::size_t(column)];
        return index >= 0 ? fields[std::size_t(index)] : QByteArrayView();
    };
    const auto date = Date(field(kDate));
    if (!date)
        return std::nullopt;
    std::array<double, 5> value{};
    for (int column = kOpen; column <= kVolume; ++column) {
        // A missing volume column (forex has none) reads as 0, a volume left empty is not a number.
        if (column == kVolume && layout.index[kVolume] < 0)
            break;
        const auto number = Number(field(Column(column)));
        if (!number)
            return std::nullopt;
        value[std::size_t(column - kOpen)] = *number;
    }
    if (adjustment == Adjustment::ScaleToAdjustedClose) {
        // Every bar scaled to the adjusted close, the volume the other way.
        const auto adjustedClose = Positive(field(kAdjClose));
        if (adjustedClose && value[3] > 0.0) {
            const double ratio = *adjustedClose / value[3];
            for (std::size_t k = 0; k < 3; ++k)
                value[k] *= ratio;
            value[3] = *adjustedClose;
            value[4] = std::floor(value[4] / ratio);
        }
    } else {
        for (int column = kAdjOpen; column <= kAdjClose; ++column) {
            if (const auto adjusted = Positive(field(Column(column))))
                value[std::size_t(column - kAdjOpen)] = *adjusted;
        }
        value[4] = std::floor(Number(field(kAdjVolume)).value_or(value[4]));
    }
    BarSeries::Values bar{};
    for (std::size_t k = 0; k < bar.size(); ++k) {
        const auto single = ToFiniteSingle(value[k]);
        if (!single)
            return std::nullopt;
        bar[k] = *single;
    }
    return std::pair{*date, bar};
}

// Calls visit(line, hasLineEnd) for each line after the first, with a trailing CR kept; no index of
// lines is built, as a reply may be 64 MiB of them.
template <typename Visit> void ForEachLine(QByteArrayView text, Visit visit)
{
    const char *pos = text.data();
    const char *const end = pos + text.size();
    while (pos != end) {
        const auto *found = static_cast<const char *>(std::memchr(pos, '\n', std::size_t(end - pos)));
        const char *const stop = found ? found : end;
        visit(QByteArrayView(pos, stop - pos), found != nullptr);
        pos = found ? found + 1 : end;
    }
}

} // namespace

int Parse(QByteArrayView reply, const QString &symbol, const Columns &columns, BarSeries &raw,
          BarSeries &output, bool &cutShort)
{
    cutShort = false;
    if (reply.startsWith("\xEF\xBB\xBF"))
        reply = reply.sliced(3);
    const qsizetype headerEnd = reply.indexOf('\n');
    const Layout layout = ReadHeader(headerEnd < 0 ? reply : reply.first(headerEnd), columns);
    if (!layout.Complete(columns.volumeOptional))
        return QuoteSources::kRequestFailed;
    const QByteArrayView body = headerEnd < 0 ? QByteArrayView() : reply.sliced(headerEnd + 1);

    // A line shorter than a date, a digit per number and the commas up to the last field read cannot
    // be read, so it takes no room.
    const qsizetype numbers = layout.index[kVolume] < 0 ? kRequiredColumns - 2 : kRequiredColumns - 1;
    const qsizetype shortest = 10 + numbers + layout.lastNeeded;
    qsizetype room = 0;
    ForEachLine(body, [&](QByteArrayView line, bool) { room += line.size() >= shortest ? 1 : 0; });

    BarSeries parsed;
    parsed.Symbol = symbol;
    parsed.Prepare(int(std::min<qsizetype>(room, std::numeric_limits<int>::max())));
    std::vector<QByteArrayView> fields(std::size_t(layout.lastNeeded) + 1);
    int bars = 0;
    ForEachLine(body, [&](QByteArrayView line, bool hasLineEnd) {
        std::size_t count = 0;
        qsizetype fieldCount = 1;
        qsizetype start = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != columns.separator)
                continue;
            if (count < fields.size())
                fields[count++] = line.sliced(start, i - start);
            start = i + 1;
            ++fieldCount;
        }
        if (count < fields.size())
            fields[count++] = line.sliced(start);
        // A reply that stops inside its last line must not pass for a shorter history.
        if (!hasLineEnd && fieldCount < layout.fieldCount && !Trimmed(line).isEmpty())
            cutShort = true;
        if (count < fields.size() || line.size() < shortest || bars == parsed.BarCount)
            return;
        if (const auto bar = ReadLine(fields, layout, columns.adjustment)) {
            parsed.dates[std::size_t(bars)] = bar->first;
            parsed.values[std::size_t(bars)] = bar->second;
            ++bars;
        }
    });
    if (cutShort)
        return QuoteSources::kRequestFailed;
    if (bars == 0) {
        raw.Symbol = symbol;
        return QuoteSources::kNoData;
    }
    parsed.dates.resize(std::size_t(bars));
    parsed.values.resize(std::size_t(bars));
    parsed.BarCount = bars;
    parsed.RowCount = bars + 1;
    raw = std::move(parsed);
    SortByDate(raw);
    RemoveDuplicateDates(raw, output);
    return QuoteSources::kSuccess;
}

} // namespace NamedColumns
