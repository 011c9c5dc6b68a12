#include "BarSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

void BarSeries::Prepare(int barCount)
{
    RowCount = barCount + 1;
    BarCount = barCount;
    FieldCount = kValueColumns + 1;
    FieldNames = {QStringLiteral("Date"), QStringLiteral("Open"),  QStringLiteral("High"),
                  QStringLiteral("Low"),  QStringLiteral("Close"), QStringLiteral("Volume")};
    dates.assign(std::size_t(barCount), 0.0);
    values.assign(std::size_t(barCount), Values{});
}

namespace {

// Bars the arrays really hold, in case a caller set BarCount beyond them.
std::size_t HeldBars(const BarSeries &series)
{
    const std::size_t count = series.BarCount > 0 ? std::size_t(series.BarCount) : 0;
    return std::min({count, series.dates.size(), series.values.size()});
}

// Min-tree over bar positions answering "which position in [from, n) holds the smallest
// date, the highest such position among equal smallest dates". NaN never compares less
// than anything, so it is keyed as +infinity: it can then never be chosen over a date
// that would win a comparison.
class MinDateTree
{
public:
    explicit MinDateTree(const std::vector<double> &dates, std::size_t count)
    {
        while (leaves < count)
            leaves *= 2;
        keys.assign(count, 0.0);
        nodes.assign(2 * leaves, kNone);
        for (std::size_t pos = 0; pos < count; ++pos) {
            keys[pos] = KeyOf(dates[pos]);
            nodes[leaves + pos] = pos;
        }
        for (std::size_t node = leaves - 1; node >= 1; --node)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

    // Position of the smallest key in [from, count), ties to the highest position.
    [[nodiscard]] std::size_t MinFrom(std::size_t from) const
    {
        std::size_t best = kNone;
        std::size_t lo = from + leaves;
        std::size_t hi = keys.size() + leaves;
        while (lo < hi) {
            if (lo & 1)
                best = Better(best, nodes[lo++]);
            if (hi & 1)
                best = Better(best, nodes[--hi]);
            lo /= 2;
            hi /= 2;
        }
        return best;
    }

    void Update(std::size_t pos, double date)
    {
        keys[pos] = KeyOf(date);
        for (std::size_t node = (pos + leaves) / 2; node >= 1; node /= 2)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

    [[nodiscard]] double Key(std::size_t pos) const { return keys[pos]; }

    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

private:
    static double KeyOf(double date)
    {
        return std::isnan(date) ? std::numeric_limits<double>::infinity() : date;
    }

    [[nodiscard]] std::size_t Better(std::size_t a, std::size_t b) const
    {
        if (a == kNone)
            return b;
        if (b == kNone)
            return a;
        if (keys[a] < keys[b])
            return a;
        if (keys[b] < keys[a])
            return b;
        return std::max(a, b);
    }

    std::size_t leaves = 1;
    std::vector<double> keys;
    std::vector<std::size_t> nodes;
};

bool IsAscending(const std::vector<double> &dates, std::size_t count)
{
    for (std::size_t pos = 0; pos < count; ++pos) {
        if (std::isnan(dates[pos]))
            return false;
        if (pos > 0 && dates[pos] < dates[pos - 1])
            return false;
    }
    return true;
}

} // namespace

// The order produced here must match, bar for bar, a selection sort that scans downward
// from the last bar and replaces its candidate only on a strictly smaller date. The sort
// is not stable, and de-duplication keeps the first bar of each run of equal dates, so
// which of several same-day bars ends up in the file (and hence its bytes) depends on this
// exact order. The tree finds each step's candidate in O(log n) instead of a full scan.
void SortByDate(BarSeries &series)
{
    const std::size_t n = HeldBars(series);
    if (n < 2 || IsAscending(series.dates, n))
        return;

    MinDateTree tree(series.dates, n);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::size_t m = tree.MinFrom(i + 1);
        if (!(tree.Key(m) < series.dates[i]))
            continue;
        std::swap(series.dates[i], series.dates[m]);
        std::swap(series.values[i], series.values[m]);
        // Position i is never queried again; only the bar moved to m needs its key.
        tree.Update(m, series.dates[m]);
    }
}

void RemoveDuplicateDates(const BarSeries &raw, BarSeries &output)
{
    BarSeries result;
    result.Symbol = raw.Symbol;
    result.FieldCount = raw.FieldCount;
    result.FieldNames = raw.FieldNames;

    const std::size_t n = HeldBars(raw);
    if (raw.BarCount < 2) {
        // A lone bar whose date could not be built is dropped rather than written to a file.
        if (raw.BarCount == 1 && n == 1 && raw.dates[0] == 0.0) {
            result.BarCount = 0;
            result.RowCount = 1;
        } else {
            result.RowCount = raw.RowCount;
            result.BarCount = raw.BarCount;
            result.dates = raw.dates;
            result.values = raw.values;
        }
        output = std::move(result);
        return;
    }

    std::size_t kept = 0;
    double last = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (raw.dates[i] > last) {
            ++kept;
            last = raw.dates[i];
        }
    }

    result.BarCount = int(kept);
    result.RowCount = int(kept) + 1;
    result.dates.reserve(kept);
    result.values.reserve(kept);
    last = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (raw.dates[i] > last) {
            last = raw.dates[i];
            result.dates.push_back(last);
            result.values.push_back(raw.values[i]);
        }
    }
    output = std::move(result);
}
