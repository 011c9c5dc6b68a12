#include "BarSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Min-tree over positions answering "which position in [from, n) holds the smallest key, the
// highest such position among equal smallest keys". A NaN date never compares less than anything,
// so it is keyed as +infinity: it can then never be chosen over a date that would win a comparison.
// Nodes carry their key to keep the walk cache-friendly; leaves sit at [n, 2n).
template <typename Key> class MinKeyTree
{
public:
    struct Node
    {
        Key key = kNoKey;
        std::uint32_t pos = kNone;
    };

    MinKeyTree(const Key *keys, std::uint32_t count) : count(count), nodes(2 * std::size_t(count))
    {
        for (std::uint32_t pos = 0; pos < count; ++pos)
            nodes[count + pos] = Node{KeyOf(keys[pos]), pos};
        for (std::size_t node = count - 1; node >= 1; --node)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

    // The smallest key in [from, count), ties to the highest position.
    [[nodiscard]] Node MinFrom(std::uint32_t from) const
    {
        Node best;
        std::size_t lo = std::size_t(from) + count;
        std::size_t hi = std::size_t(count) * 2;
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

    void Update(std::uint32_t pos, Key key)
    {
        std::size_t node = std::size_t(pos) + count;
        nodes[node].key = KeyOf(key);
        for (node /= 2; node >= 1; node /= 2)
            nodes[node] = Better(nodes[2 * node], nodes[2 * node + 1]);
    }

private:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    static constexpr Key kNoKey = std::numeric_limits<Key>::has_infinity
                                      ? std::numeric_limits<Key>::infinity()
                                      : std::numeric_limits<Key>::max();

    static Key KeyOf(Key key)
    {
        if constexpr (std::numeric_limits<Key>::has_quiet_NaN)
            return std::isnan(key) ? kNoKey : key;
        else
            return key;
    }

    // The query's starting node (kNone) loses every tie so a real position is always found.
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

    std::uint32_t count;
    std::vector<Node> nodes;
};

// The first `steps` steps of a selection sort over keys[0, count) that scans downward from the
// last key and takes a candidate only on a strictly smaller key. `exchange(i, m)` swaps whatever
// travels with the keys; the keys themselves are swapped here.
template <typename Key, typename Exchange>
void SelectionSteps(Key *keys, std::uint32_t count, std::uint32_t steps, Exchange exchange)
{
    if (count < 2)
        return;
    MinKeyTree<Key> tree(keys, count);
    for (std::uint32_t i = 0; i < steps && i + 1 < count; ++i) {
        const auto best = tree.MinFrom(i + 1);
        if (!(best.key < keys[i]))
            continue;
        const std::uint32_t m = best.pos;
        std::swap(keys[i], keys[m]);
        exchange(i, m);
        // Position i is never queried again; only the key moved to m needs updating.
        tree.Update(m, keys[m]);
    }
}

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
// exact order. A min-tree finds each step's candidate in O(log n) instead of a full scan.
void SortByDate(BarSeries &series)
{
    const std::size_t n = HeldBars(series);
    if (n < 2 || IsAscending(series.dates, n))
        return;

    SelectionSteps(series.dates.data(), std::uint32_t(n), std::uint32_t(n - 1),
                   [&](std::size_t i, std::size_t m) { std::swap(series.values[i], series.values[m]); });
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

// The exact selection order on a series whose undated bars are only counted. Sorted, the series
// holds its negative dates first, then the 0.0 dates, then the positive ones, and the steps that
// fill each of those stretches can be played apart:
// - Steps 0..N-1 (N negative dates) only exchange a position below N with a position holding a
//   negative date, so they are played on those positions alone.
// - Steps N..N+Z-1 (Z undated bars) keep every undated bar found there and exchange each dated bar
//   there, from the left, with the undated bar that stands last, so the dated bars of that stretch
//   land, reversed, on the places of the undated bars behind it.
// - The rest is a selection sort of the positive dates among themselves.
namespace {

constexpr std::int32_t kUndatedSlot = -1;

// Walks the positions of a gathered series in order: dated(d, pos) for dated bar d at position pos,
// undated(pos, count) for a run of undated bars starting at pos.
template <typename Dated, typename Undated>
void WalkPositions(const GatheredBars &bars, Dated dated, Undated undated)
{
    std::uint64_t pos = 0;
    std::size_t run = 0;
    const auto m = std::uint32_t(bars.days.size());
    for (std::uint32_t d = 0;; ++d) {
        if (run < bars.undatedRuns.size() && bars.undatedRuns[run].before == d) {
            undated(pos, std::uint64_t(bars.undatedRuns[run].count));
            pos += bars.undatedRuns[run].count;
            ++run;
        }
        if (d == m)
            return;
        dated(d, pos++);
    }
}

// The order of the dated bars (indexes into `bars`) after the steps that place the negative and
// the undated ones: negatives in their final order, then the positives. Empty when nothing moves.
std::vector<std::uint32_t> ArrangeNegativesAndUndated(const GatheredBars &bars, std::uint32_t negatives)
{
    const auto m = std::uint32_t(bars.days.size());
    const std::uint64_t undated = bars.undated;
    const bool undatedLead =
        undated == 0 || (bars.undatedRuns.size() == 1 && bars.undatedRuns[0].before == 0);
    if (negatives == 0 && undatedLead)
        return {};

    // Steps 0..N-1, played on the positions below N and those holding a negative date beyond.
    std::vector<std::int32_t> slots;
    WalkPositions(
        bars,
        [&](std::uint32_t d, std::uint64_t pos) {
            if (pos < negatives || bars.days[d] < 0)
                slots.push_back(std::int32_t(d));
        },
        [&](std::uint64_t pos, std::uint64_t count) {
            for (; count > 0 && pos < negatives; --count, ++pos)
                slots.push_back(kUndatedSlot);
        });
    if (negatives > 0) {
        std::vector<std::int32_t> keys(slots.size());
        for (std::size_t k = 0; k < slots.size(); ++k)
            keys[k] = slots[k] == kUndatedSlot ? 0 : bars.days[std::size_t(slots[k])];
        SelectionSteps(keys.data(), std::uint32_t(keys.size()), negatives,
                       [&](std::size_t i, std::size_t j) { std::swap(slots[i], slots[j]); });
    }

    // Steps N..N+Z-1 on what the first steps left behind position N.
    const std::uint64_t zoneEnd = negatives + undated;
    std::vector<std::uint32_t> order(slots.begin(), slots.begin() + negatives);
    order.reserve(m);
    std::vector<std::uint32_t> zoneDated;
    std::size_t replaced = negatives; // slots beyond N, in the order of the negatives they replaced
    const auto place = [&](std::int32_t content, std::uint64_t pos) {
        if (pos >= zoneEnd)
            order.push_back(std::uint32_t(content)); // kUndatedSlot marks a place still to fill
        else if (content != kUndatedSlot)
            zoneDated.push_back(std::uint32_t(content));
    };
    WalkPositions(
        bars,
        [&](std::uint32_t d, std::uint64_t pos) {
            if (pos >= negatives)
                place(bars.days[d] < 0 ? slots[replaced++] : std::int32_t(d), pos);
        },
        [&](std::uint64_t pos, std::uint64_t count) {
            for (std::uint64_t p = std::max({pos, zoneEnd}); p < pos + count; ++p)
                order.push_back(std::uint32_t(kUndatedSlot));
        });
    auto next = zoneDated.begin();
    for (auto it = order.rbegin(); it != order.rend() - negatives; ++it) {
        if (*it == std::uint32_t(kUndatedSlot))
            *it = *next++;
    }
    return order;
}

// Rearranges the dated bars so that bar k becomes the one that was at order[k].
void Permute(GatheredBars &bars, std::vector<std::uint32_t> &order)
{
    constexpr std::uint32_t kDone = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t k = 0; k < order.size(); ++k) {
        if (order[k] == k || order[k] == kDone)
            continue;
        const std::int32_t day = bars.days[k];
        const BarSeries::Values values = bars.values[k];
        for (std::uint32_t j = k;;) {
            const std::uint32_t from = std::exchange(order[j], kDone);
            if (from == k) {
                bars.days[j] = day;
                bars.values[j] = values;
                break;
            }
            bars.days[j] = bars.days[from];
            bars.values[j] = bars.values[from];
            j = from;
        }
    }
}

// The selection sort of bars [first, end), all of them dated after 30 December 1899.
void SortPositives(GatheredBars &bars, std::size_t first)
{
    std::int32_t *const keys = bars.days.data() + first;
    const std::size_t count = bars.days.size() - first;
    if (count < 2 || std::is_sorted(keys, keys + count))
        return;
    // Distinct keys leave one possible order, which is the reverse of a strictly falling input.
    if (std::adjacent_find(keys, keys + count, std::less_equal<>()) == keys + count) {
        std::reverse(keys, keys + count);
        std::reverse(bars.values.begin() + std::ptrdiff_t(first), bars.values.end());
        return;
    }
    SelectionSteps(keys, std::uint32_t(count), std::uint32_t(count - 1), [&](std::size_t i, std::size_t m) {
        std::swap(bars.values[first + i], bars.values[first + m]);
    });
}

} // namespace

void BuildOutput(GatheredBars &bars, bool keepRepeatedDates, BarSeries &output)
{
    const std::size_t m = bars.days.size();
    const auto negatives = std::uint32_t(
        std::count_if(bars.days.begin(), bars.days.end(), [](std::int32_t day) { return day < 0; }));
    std::vector<std::uint32_t> order = ArrangeNegativesAndUndated(bars, negatives);
    if (!order.empty())
        Permute(bars, order);
    order = {};
    SortPositives(bars, negatives);

    // A lone bar is kept whatever its date; otherwise only a date above the last kept one survives.
    std::size_t kept = m;
    if (!keepRepeatedDates && m + bars.undated >= 2) {
        kept = 0;
        std::int32_t last = 0;
        for (std::size_t i = negatives; i < m; ++i) {
            if (bars.days[i] > last) {
                last = bars.days[i];
                bars.days[kept] = last;
                bars.values[kept++] = bars.values[i];
            }
        }
    }

    BarSeries result;
    result.Prepare(0);
    result.BarCount = int(kept);
    result.RowCount = int(kept) + 1;
    result.dates.assign(bars.days.begin(), bars.days.begin() + std::ptrdiff_t(kept));
    bars.days = {};
    // Hand the values over unless most of their room would stay unused for as long as the output lives.
    if (kept >= bars.values.capacity() / 2) {
        bars.values.resize(kept);
        result.values = std::move(bars.values);
    } else {
        result.values.assign(bars.values.begin(), bars.values.begin() + std::ptrdiff_t(kept));
    }
    bars = {};
    output = std::move(result);
}
