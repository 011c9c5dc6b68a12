#include "BarSeries.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>

namespace {

constexpr double k1May2013 = 41395.0;
constexpr double k2May2013 = 41396.0;
constexpr double k3May2013 = 41397.0;

// Bar k (1-based) gets values k, k + 0.25, ... so every value tells which input bar it came from.
BarSeries MakeSeries(const std::vector<double> &dates)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(int(dates.size()));
    for (int bar = 1; bar <= series.BarCount; ++bar) {
        series.SetBarDate(bar, dates[std::size_t(bar - 1)]);
        for (int column = 1; column <= BarSeries::kValueColumns; ++column)
            series.SetBarValue(bar, column, float(bar) + 0.25F * float(column - 1));
    }
    return series;
}

// The input bar number each position now holds, read back from its Open value.
std::vector<int> Origins(const BarSeries &series)
{
    std::vector<int> origins;
    for (int bar = 1; bar <= series.BarCount; ++bar)
        origins.push_back(int(series.BarValue(bar, 1)));
    return origins;
}

// The reference order: a literal selection sort with a downward scan.
void LiteralSelectionSort(BarSeries &series)
{
    const int n = series.BarCount;
    for (int i = 1; i <= n - 1; ++i) {
        int m = i;
        double d = series.BarDate(i);
        for (int j = n; j >= i + 1; --j) {
            if (series.BarDate(j) < d) {
                m = j;
                d = series.BarDate(j);
            }
        }
        if (m > i) {
            const double date = series.BarDate(i);
            series.SetBarDate(i, series.BarDate(m));
            series.SetBarDate(m, date);
            for (int c = 1; c <= BarSeries::kValueColumns; ++c) {
                const float value = series.BarValue(i, c);
                series.SetBarValue(i, c, series.BarValue(m, c));
                series.SetBarValue(m, c, value);
            }
        }
    }
}

// Bitwise, so that -0.0 against 0.0 and NaN payloads count as differences.
void ExpectSameBars(const BarSeries &actual, const BarSeries &expected, const std::string &what)
{
    ASSERT_EQ(actual.BarCount, expected.BarCount) << what;
    for (int bar = 1; bar <= expected.BarCount; ++bar) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(actual.BarDate(bar)),
                  std::bit_cast<std::uint64_t>(expected.BarDate(bar)))
            << what << ", bar " << bar << ": " << actual.BarDate(bar) << " vs " << expected.BarDate(bar);
        ASSERT_EQ(actual.values[std::size_t(bar - 1)], expected.values[std::size_t(bar - 1)])
            << what << ", bar " << bar;
    }
}

struct DateMix
{
    const char *name;
    int distinctDates; // dates are drawn from this many days
    double zeroShare;  // share of bars dated 0.0
    bool oddValues;    // also -0.0, negatives, infinities and NaN
};

std::vector<double> RandomDates(std::mt19937 &rng, std::size_t count, const DateMix &mix)
{
    std::uniform_int_distribution<int> day(0, mix.distinctDates - 1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> odd(0, 5);
    std::vector<double> dates(count);
    for (double &date : dates) {
        if (unit(rng) < mix.zeroShare) {
            date = 0.0;
        } else if (mix.oddValues && unit(rng) < 0.2) {
            constexpr double kOdd[] = {-0.0,
                                       -5.0,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(),
                                       36526.0};
            date = kOdd[odd(rng)];
        } else {
            date = 36526.0 + day(rng);
        }
    }
    return dates;
}

TEST(SortByDate, MatchesLiteralSelectionSortOnRandomInput)
{
    const DateMix mixes[] = {
        {"distinct", 1000000, 0.0, false},   {"many ties", 5, 0.0, false},   {"two dates", 2, 0.0, false},
        {"with zero dates", 50, 0.3, false}, {"mostly zero", 3, 0.9, false}, {"odd values", 20, 0.1, true},
    };
    const std::size_t sizes[] = {0, 1, 2, 3, 4, 7, 16, 33, 100, 257, 1000, 3000};
    for (const DateMix &mix : mixes) {
        for (const std::size_t size : sizes) {
            const int rounds = size <= 100 ? 30 : 2;
            for (int round = 0; round < rounds; ++round) {
                std::mt19937 rng(std::uint32_t(size * 7919 + std::size_t(round)));
                BarSeries fast = MakeSeries(RandomDates(rng, size, mix));
                BarSeries reference = fast;
                SortByDate(fast);
                LiteralSelectionSort(reference);
                ExpectSameBars(fast, reference,
                               std::string(mix.name) + ", size " + std::to_string(size) + ", round " +
                                   std::to_string(round));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(SortByDate, MatchesLiteralSelectionSortOnStructuredInput)
{
    const auto shaped = [](std::size_t n, auto date) {
        std::vector<double> dates(n);
        for (std::size_t i = 0; i < n; ++i)
            dates[i] = date(double(i), double(n));
        return dates;
    };
    const std::pair<const char *, std::vector<double>> cases[] = {
        {"descending", shaped(500, [](double i, double n) { return 40000.0 + n - i; })},
        {"descending pairs",
         shaped(500, [](double i, double n) { return 40000.0 + std::floor((n - i) / 2); })},
        {"all equal", shaped(300, [](double, double) { return 40000.0; })},
        {"ascending but last",
         [] {
             std::vector<double> dates(300);
             for (std::size_t i = 0; i < dates.size(); ++i)
                 dates[i] = 40000.0 + double(i);
             dates.back() = 39000.0;
             return dates;
         }()},
        {"organ pipe", shaped(401, [](double i, double n) { return 40000.0 + std::abs(i - n / 2); })},
        {"saw tooth", shaped(500, [](double i, double) { return 40000.0 + std::fmod(i, 7.0); })},
        {"zero at end",
         [] {
             std::vector<double> dates(50, 41000.0);
             dates.back() = 0.0;
             return dates;
         }()},
    };
    for (const auto &[name, dates] : cases) {
        BarSeries fast = MakeSeries(dates);
        BarSeries reference = fast;
        SortByDate(fast);
        LiteralSelectionSort(reference);
        ExpectSameBars(fast, reference, name);
    }
}

TEST(SortByDate, LaterOfEqualDatesMovesFirst)
{
    // A 3 May, B 1 May, C 1 May.
    BarSeries series = MakeSeries({k3May2013, k1May2013, k1May2013});
    SortByDate(series);
    EXPECT_EQ(Origins(series), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(series.dates, (std::vector<double>{k1May2013, k1May2013, k3May2013}));
}

TEST(SortByDate, AscendingInputWithRunsIsUntouched)
{
    BarSeries series = MakeSeries({k1May2013, k2May2013, k2May2013, k3May2013, k3May2013});
    const BarSeries before = series;
    SortByDate(series);
    ExpectSameBars(series, before, "ascending");
}

TEST(SortByDate, DescendingInputKeepsValuesBesideDates)
{
    constexpr int n = 100000;
    std::vector<double> dates(n);
    for (int i = 0; i < n; ++i)
        dates[std::size_t(i)] = 100000.0 - i;
    BarSeries series = MakeSeries(dates);
    SortByDate(series);
    for (int bar = 1; bar <= n; ++bar) {
        const int origin = n + 1 - bar;
        ASSERT_EQ(series.BarDate(bar), 100001.0 - origin) << bar;
        for (int column = 1; column <= BarSeries::kValueColumns; ++column)
            ASSERT_EQ(series.BarValue(bar, column), float(origin) + 0.25F * float(column - 1)) << bar;
    }
}

TEST(SortByDate, ZeroDateGoesFirstAndOtherFieldsStay)
{
    BarSeries series = MakeSeries({k2May2013, 0.0, k1May2013});
    SortByDate(series);
    EXPECT_EQ(series.dates, (std::vector<double>{0.0, k1May2013, k2May2013}));
    EXPECT_EQ(Origins(series), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(series.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(series.RowCount, 4);
    EXPECT_EQ(series.FieldCount, 6);
}

struct DedupCase
{
    const char *name;
    std::vector<double> dates;
    std::vector<int> kept; // input bar numbers that survive
};

TEST(RemoveDuplicateDates, KeepsFirstBarOfEachDateAboveZero)
{
    const DedupCase cases[] = {
        {"sorted worked example", {k1May2013, k1May2013, k3May2013}, {1, 3}},
        {"ascending with a run", {k1May2013, k2May2013, k2May2013, k3May2013}, {1, 2, 4}},
        {"zero among dated", {0.0, k1May2013, k2May2013}, {2, 3}},
        {"all zero", {0.0, 0.0, 0.0}, {}},
        {"negative dates dropped", {-3.0, -1.0, 0.0, 1.0}, {4}},
        {"running maximum on unsorted input", {k2May2013, k1May2013, k3May2013}, {1, 3}},
        {"NaN never kept", {std::numeric_limits<double>::quiet_NaN(), k1May2013}, {2}},
        {"two distinct", {k1May2013, k2May2013}, {1, 2}},
    };
    for (const DedupCase &c : cases) {
        const BarSeries raw = MakeSeries(c.dates);
        BarSeries output = MakeSeries({1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0});
        output.Symbol = QStringLiteral("OLD");
        RemoveDuplicateDates(raw, output);
        EXPECT_EQ(Origins(output), c.kept) << c.name;
        EXPECT_EQ(output.BarCount, int(c.kept.size())) << c.name;
        EXPECT_EQ(output.RowCount, output.BarCount + 1) << c.name;
        EXPECT_EQ(output.dates.size(), c.kept.size()) << c.name;
        EXPECT_EQ(output.values.size(), c.kept.size()) << c.name;
        EXPECT_EQ(output.Symbol, QStringLiteral("IBM")) << c.name;
        EXPECT_EQ(output.FieldCount, 6) << c.name;
        EXPECT_EQ(output.FieldNames, raw.FieldNames) << c.name;
        ASSERT_EQ(raw.BarCount, int(c.dates.size())) << c.name << ": raw changed";
    }
}

TEST(RemoveDuplicateDates, SortedWorkedExampleEndsWithTwoBars)
{
    BarSeries raw = MakeSeries({k3May2013, k1May2013, k1May2013});
    SortByDate(raw);
    BarSeries output;
    RemoveDuplicateDates(raw, output);
    EXPECT_EQ(Origins(output), (std::vector<int>{3, 1})); // C and A
    EXPECT_EQ(output.BarCount, 2);
    EXPECT_EQ(output.RowCount, 3);
}

TEST(RemoveDuplicateDates, SingleAndEmptySeries)
{
    // A lone unreadable bar must not reach a file.
    BarSeries output = MakeSeries({5.0, 6.0});
    RemoveDuplicateDates(MakeSeries({0.0}), output);
    EXPECT_EQ(output.BarCount, 0);
    EXPECT_EQ(output.RowCount, 1);
    EXPECT_TRUE(output.dates.empty());
    EXPECT_TRUE(output.values.empty());
    EXPECT_EQ(output.Symbol, QStringLiteral("IBM"));

    // A lone bar with any other date, even one before 1900, is copied.
    for (const double date : {k1May2013, -7.0}) {
        RemoveDuplicateDates(MakeSeries({date}), output);
        EXPECT_EQ(output.BarCount, 1);
        EXPECT_EQ(output.RowCount, 2);
        EXPECT_EQ(output.dates, std::vector<double>{date});
        EXPECT_EQ(Origins(output), std::vector<int>{1});
    }

    BarSeries empty = MakeSeries({});
    empty.RowCount = 1;
    RemoveDuplicateDates(empty, output);
    EXPECT_EQ(output.BarCount, 0);
    EXPECT_EQ(output.RowCount, 1);
    EXPECT_TRUE(output.dates.empty());

    BarSeries never; // a series nobody has filled yet
    RemoveDuplicateDates(never, output);
    EXPECT_EQ(output.BarCount, 0);
    EXPECT_EQ(output.RowCount, 0);
    EXPECT_EQ(output.FieldCount, 0);
}

TEST(RemoveDuplicateDates, WorksInPlaceAndLeavesNoSharedStorage)
{
    BarSeries series = MakeSeries({k1May2013, k1May2013, k2May2013});
    RemoveDuplicateDates(series, series);
    EXPECT_EQ(Origins(series), (std::vector<int>{1, 3}));
    EXPECT_EQ(series.RowCount, 3);

    const BarSeries raw = MakeSeries({k1May2013, k2May2013});
    BarSeries output;
    RemoveDuplicateDates(raw, output);
    output.SetBarDate(1, 1.0);
    output.SetBarValue(1, 1, 99.0F);
    EXPECT_EQ(raw.BarDate(1), k1May2013);
    EXPECT_EQ(raw.BarValue(1, 1), 1.0F);
}

TEST(RemoveDuplicateDates, SortedRandomInputGivesStrictlyIncreasingPositiveDates)
{
    std::mt19937 rng(42);
    const DateMix mix{"ties and zeros", 30, 0.2, false};
    for (std::size_t size = 2; size < 400; size += 13) {
        BarSeries raw = MakeSeries(RandomDates(rng, size, mix));
        SortByDate(raw);
        BarSeries output;
        RemoveDuplicateDates(raw, output);
        ASSERT_EQ(output.RowCount, output.BarCount + 1);
        for (int bar = 1; bar <= output.BarCount; ++bar) {
            ASSERT_GT(output.BarDate(bar), bar == 1 ? 0.0 : output.BarDate(bar - 1)) << size;
            // The survivor of each date is the first bar of its run in the sorted raw series.
            const int origin = int(output.BarValue(bar, 1));
            int firstOfRun = 1;
            while (raw.BarDate(firstOfRun) != output.BarDate(bar))
                ++firstOfRun;
            ASSERT_EQ(origin, int(raw.BarValue(firstOfRun, 1))) << size;
        }
    }
}

} // namespace
