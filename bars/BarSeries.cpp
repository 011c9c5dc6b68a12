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
// that would win a comparison. Nodes carry their key to keep the walk cache-friendly.
class MinDateTree
{
public:
    explicit MinDateTree(const std::vector<double> &dates, std::size_t bars) : count(bars)
    {
        while (leaves < count)
            leaves *= 2;
        nodes.assign(2 * leaves, Node{});
        for (std::size_t pos = 0; pos < count; ++pos)
            nodes[leaves + pos] = Node{KeyOf(dates[pos]), pos};
        for (std::size_t node = leaves - 1; node >= 1; --node)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

    struct Node
    {
        double key = std::numeric_limits<double>::infinity();
        std::size_t pos = kNone;
    };

    // The smallest key in [from, count), ties to the highest position.
    [[nodiscard]] Node MinFrom(std::size_t from) const
    {
        Node best;
        std::size_t lo = from + leaves;
        std::size_t hi = count + leaves;
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
        std::size_t node = pos + leaves;
        nodes[node].key = KeyOf(date);
        for (node /= 2; node >= 1; node /= 2)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    static double KeyOf(double date)
    {
        return std::isnan(date) ? std::numeric_limits<double>::infinity() : date;
    }

    // Unused leaves (kNone, +infinity) lose every tie so a real position is always found.
    static Node Better(const Node &a, const Node &b)
    {
        if (a.key < b.key)
            return a;
        if (b.key < a.key)
            return b;
        if (a.pos == kNone)
            return b;
        if (b.pos == kNone)
            return a;
        return a.pos > b.pos ? a : b;
    }

    std::size_t count;
    std::size_t leaves = 1;
    std::vector<Node> nodes;
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
        const MinDateTree::Node best = tree.MinFrom(i + 1);
        if (!(best.key < series.dates[i]))
            continue;
        const std::size_t m = best.pos;
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
