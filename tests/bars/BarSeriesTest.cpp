#include "BarSeries.h"
#include "QtPrinters.h"
#include "SelectionSortReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

namespace {

constexpr double k1May2013 = 41395.0, k2May2013 = 41396.0, k3May2013 = 41397.0;

// Every value of bar k (1-based) is k, so the values tell which input bar a position holds.
BarSeries MakeSeries(const std::vector<double> &dates)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(int(dates.size()));
    series.dates = dates;
    for (std::size_t i = 0; i < dates.size(); ++i)
        series.values[i].fill(float(i + 1));
    return series;
}

std::vector<int> Origins(const BarSeries &series)
{
    std::vector<int> origins;
    for (int bar = 1; bar <= series.BarCount; ++bar)
        origins.push_back(int(series.BarValue(bar, 1)));
    return origins;
}

TEST(SortByDate, MatchesLiteralSelectionSortOnRandomInput)
{
    const double odd[] = {-0.0, -5.0, HUGE_VAL, -HUGE_VAL, NAN, 36526.0};
    const struct
    {
        unsigned distinctDays, zeroPercent, oddPercent; // odd: -0.0, negatives, infinities and NaN
    } mixes[] = {{1000000, 0, 0}, {5, 0, 0}, {2, 0, 0}, {50, 30, 0}, {3, 90, 0}, {20, 10, 20}};
    const auto sameBits = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    for (const auto &mix : mixes) {
        for (const std::size_t size : {0, 1, 2, 3, 4, 7, 16, 33, 100, 257, 1000, 3000}) {
            for (int round = 0; round < (size <= 100 ? 30 : 2); ++round) {
                SCOPED_TRACE(testing::Message()
                             << mix.distinctDays << " days, size " << size << ", round " << round);
                std::mt19937 rng(std::uint32_t(size * 7919 + std::size_t(round)));
                std::vector<double> dates(size);
                for (double &date : dates) {
                    const unsigned roll = rng() % 100;
                    date = roll < mix.zeroPercent ? 0.0
                           : roll < mix.zeroPercent + mix.oddPercent
                               ? odd[rng() % 6]
                               : 36526.0 + double(rng() % mix.distinctDays);
                }
                BarSeries fast = MakeSeries(dates);
                BarSeries reference = fast;
                SortByDate(fast);
                LiteralSelectionSort(reference);
                ASSERT_EQ(fast.values, reference.values);
                ASSERT_TRUE(
                    std::equal(fast.dates.begin(), fast.dates.end(), reference.dates.begin(), sameBits));
            }
        }
    }
}

TEST(RemoveDuplicateDates, KeepsFirstBarOfEachDateAboveZero)
{
    const struct
    {
        const char *name;
        std::vector<double> dates;
        std::vector<int> kept; // input bar numbers that survive
    } cases[] = {
        {"ascending with a run", {k1May2013, k2May2013, k2May2013, k3May2013}, {1, 2, 4}},
        {"all zero", {0.0, 0.0, 0.0}, {}},
        {"negative dates dropped", {-3.0, -1.0, 0.0, 1.0}, {4}},
        {"NaN never kept", {NAN, k1May2013}, {2}},
        {"lone 0.0 bar dropped", {0.0}, {}},
        {"lone bar copied, even before 1900", {-7.0}, {1}},
        {"empty", {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const BarSeries raw = MakeSeries(c.dates);
        BarSeries output = MakeSeries({1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0});
        output.Symbol = QStringLiteral("OLD");
        RemoveDuplicateDates(raw, output);
        EXPECT_EQ(Origins(output), c.kept);
        EXPECT_EQ(output.RowCount, int(c.kept.size()) + 1);
        EXPECT_EQ(output.Symbol, QStringLiteral("IBM"));
        EXPECT_EQ(output.FieldNames, raw.FieldNames);
        BarSeries same = raw; // the same series may be both input and output
        RemoveDuplicateDates(same, same);
        EXPECT_EQ(Origins(same), c.kept);
    }
}

} // namespace
