#include "ChartModel.h"
#include "DateValue.h"

#include <QDate>

#include <gtest/gtest.h>

#include <limits>

namespace {

// `count` bars a calendar day apart from 1 January 2000; bar k closes at 100 + k, high and low 1 away.
BarSeries Rising(int count)
{
    BarSeries series;
    series.Prepare(count);
    const double first = *DateValue::CalendarDate(2000, 1, 1);
    for (int k = 0; k < count; ++k) {
        const auto close = float(100 + k);
        series.dates[std::size_t(k)] = first + k;
        series.values[std::size_t(k)] = {close - 0.5F, close + 1, close - 1, close, float(k)};
    }
    return series;
}

TEST(ChartModelTest, OpensOnTheLastYearAndShowsAllOnRequest)
{
    ChartModel model(Rising(1000), {});
    model.SetWidth(500);
    model.ShowLastYear();
    // The 365 days after the last bar's date a year before.
    EXPECT_EQ(model.VisibleBars(), std::make_pair(635, 999));
    const ChartModel::Range range = model.VisibleRange();
    EXPECT_TRUE(range.valid);
    EXPECT_EQ(range.low, 734);
    EXPECT_EQ(range.high, 1100);
    model.ShowAll();
    EXPECT_EQ(model.VisibleBars(), std::make_pair(0, 999));

    // Panning stops at the ends.
    model.ZoomAt(4, 100);
    model.PanBars(-10000);
    EXPECT_EQ(model.VisibleBars().first, 0);
    model.ScrollToEnd();
    EXPECT_EQ(model.VisibleBars().second, 999);
    model.ZoomAt(1000, 0);
    EXPECT_EQ(model.Span(), 10); // never fewer bars than that
    model.ZoomAt(1e-6, 0);
    EXPECT_EQ(model.Span(), 1000);
}

TEST(ChartModelTest, BarsNarrowerThanAPixelShareOneColumn)
{
    BarSeries series = Rising(1000);
    series.values[5][2] = std::numeric_limits<float>::quiet_NaN(); // left out, not drawn at 0
    ChartModel model(std::move(series), {});
    model.SetWidth(100);
    const std::vector<ChartModel::Column> columns = model.Columns();
    ASSERT_EQ(columns.size(), 100u);
    const ChartModel::Column &first = columns.front();
    EXPECT_EQ(first.firstBar, 0);
    EXPECT_EQ(first.lastBar, 9);
    EXPECT_EQ(first.open, 99.5F);
    EXPECT_EQ(first.close, 109);
    EXPECT_EQ(first.high, 110);
    EXPECT_EQ(first.low, 99);
    EXPECT_EQ(first.volume, 45 - 5);
    EXPECT_EQ(columns.back().x, 99.5);

    // Wide bars are drawn one by one, centred on their slot.
    model.ZoomAt(100, 0);
    const std::vector<ChartModel::Column> wide = model.Columns();
    ASSERT_EQ(wide.size(), 9u); // bar 5 left out
    EXPECT_EQ(wide[1].x, 15);
    EXPECT_EQ(wide[1].width, 10);
    EXPECT_EQ(ChartModel::RangeOf({}).valid, false);
}

TEST(ChartModelTest, FindingsMarkTheirBar)
{
    BarSeries series = Rising(100);
    series.dates.erase(series.dates.begin() + 50, series.dates.begin() + 52); // a gap before bar 50
    series.values.resize(98);
    const double gapDay = *DateValue::CalendarDate(2000, 2, 20); // day 50, now missing
    const double day10 = *DateValue::CalendarDate(2000, 1, 11);
    ChartModel model(std::move(series), {{gapDay, u"gap"_qs, {}, u"2 days"_qs},
                                         {day10, u"ohlc"_qs, {}, u"high low"_qs},
                                         {day10, u"jump"_qs, u"x2"_qs, u"split"_qs}});
    model.SetWidth(98);
    const std::vector<ChartModel::Marker> markers = model.VisibleMarkers();
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].bar, 10);
    EXPECT_EQ(markers[0].words, u"ohlc on 2000-01-11: high low\njump x2 on 2000-01-11: split"_qs);
    EXPECT_EQ(markers[1].bar, 50);
    EXPECT_EQ(markers[1].x, 50.5);
    model.ZoomAt(4, 0);
    EXPECT_EQ(model.VisibleMarkers().size(), 1u);
}

} // namespace
