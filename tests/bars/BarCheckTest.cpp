#include "BarCheck.h"
#include "BarCalendar.h"
#include "BarSeries.h"
#include "DateValue.h"

#include <QDate>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

double Day(QDate date)
{
    return *DateValue::CalendarDate(date.year(), date.month(), date.day());
}

// Every weekday from Monday 1 July 2024 for 60 weekdays, prices that wiggle by under 2%.
BarSeries Quiet(const QList<QDate> &skipped = {})
{
    QList<QDate> days;
    for (QDate day(2024, 7, 1); days.size() < 60; day = day.addDays(1)) {
        if (day.dayOfWeek() <= 5 && !skipped.contains(day))
            days.append(day);
    }
    BarSeries series;
    series.Prepare(int(days.size()));
    for (int bar = 1; bar <= days.size(); ++bar) {
        const float close = 50.0F + float(bar % 3) * 0.5F;
        series.SetBarDate(bar, Day(days.at(bar - 1)));
        series.values[std::size_t(bar - 1)] = {close - 0.2F, close + 0.4F, close - 0.5F, close, 1000.0F};
    }
    return series;
}

int BarOn(const BarSeries &series, QDate date)
{
    for (int bar = 1; bar <= series.BarCount; ++bar) {
        if (series.BarDate(bar) == Day(date))
            return bar;
    }
    ADD_FAILURE() << "no bar on " << date.toString(Qt::ISODate).toStdString();
    return 1;
}

void Scale(BarSeries &series, int from, int to, float factor)
{
    for (int bar = from; bar <= to; ++bar) {
        for (int column = 1; column <= 4; ++column)
            series.SetBarValue(bar, column, series.BarValue(bar, column) * factor);
    }
}

struct FaultCase
{
    const char *name;
    std::function<void(BarSeries &)> plant;
    QDate date;
    const char *kind;
    const char *factor;
};

TEST(BarCheckTest, FindsEachKindOfFaultAtItsDateAndNothingInTheQuietFile)
{
    EXPECT_TRUE(CheckBars(Quiet()).empty());
    const QDate day(2024, 8, 7);
    const FaultCase cases[] = {
        {"low above close", [&](BarSeries &s) { s.SetBarValue(BarOn(s, day), 3, 60.0F); }, day, "ohlc", ""},
        {"high below open", [&](BarSeries &s) { s.SetBarValue(BarOn(s, day), 2, 40.0F); }, day, "ohlc", ""},
        {"zero close", [&](BarSeries &s) { s.SetBarValue(BarOn(s, day), 4, 0.0F); }, day, "price", ""},
        {"not a number",
         [&](BarSeries &s) { s.SetBarValue(BarOn(s, day), 1, std::numeric_limits<float>::quiet_NaN()); }, day,
         "price", ""},
        {"repeated date", [&](BarSeries &s) { s.SetBarDate(BarOn(s, day) + 1, Day(day)); }, day, "order", ""},
        {"unapplied 2:1 split", [&](BarSeries &s) { Scale(s, 1, BarOn(s, day) - 1, 2.0F); }, day, "jump",
         "x1/2"},
        {"reverse split", [&](BarSeries &s) { Scale(s, BarOn(s, day), s.BarCount, 10.0F); }, day, "jump",
         "x10"},
        {"hundredfold day", [&](BarSeries &s) { Scale(s, BarOn(s, day), BarOn(s, day), 100.0F); }, day,
         "jump", "x100"},
        {"zero volume",
         [&](BarSeries &s) {
             for (int bar = BarOn(s, day); bar < BarOn(s, day) + 5; ++bar)
                 s.SetBarValue(bar, 5, 0.0F);
         },
         day, "zero-volume", ""},
    };
    for (const FaultCase &fault : cases) {
        SCOPED_TRACE(fault.name);
        BarSeries series = Quiet();
        fault.plant(series);
        const std::vector<BarFinding> findings = CheckBars(series);
        ASSERT_EQ(findings.size(), 1u) << FindingsSummary(findings).toStdString();
        EXPECT_EQ(findings[0].date, Day(fault.date));
        EXPECT_EQ(findings[0].kind, QLatin1StringView(fault.kind));
        EXPECT_EQ(findings[0].factor, QLatin1StringView(fault.factor));
    }
}

TEST(BarCheckTest, DoesNotMistakeOrdinaryMovesForFaults)
{
    BarSeries series = Quiet();
    // Four zero-volume bars, a 30% drop that stays, a quiet file with no volume at all.
    for (int bar = 10; bar < 14; ++bar)
        series.SetBarValue(bar, 5, 0.0F);
    Scale(series, 30, series.BarCount, 0.7F);
    EXPECT_TRUE(CheckBars(series).empty());
    BarSeries noVolume = Quiet();
    for (int bar = 1; bar <= noVolume.BarCount; ++bar)
        noVolume.SetBarValue(bar, 5, 0.0F);
    EXPECT_TRUE(CheckBars(noVolume).empty());
    // A cent to two cents is rounding in an adjusted history, not a split.
    BarSeries pennies = Quiet();
    Scale(pennies, 1, pennies.BarCount, 0.0002F);
    Scale(pennies, 30, pennies.BarCount, 2.0F);
    EXPECT_TRUE(CheckBars(pennies).empty());
    // A halving that does not last is a bad day, not a split.
    BarSeries dip = Quiet();
    Scale(dip, 20, 20, 0.5F);
    for (const BarFinding &finding : CheckBars(dip))
        EXPECT_NE(finding.kind, QStringLiteral("jump"));
}

TEST(BarCheckTest, GapsWithoutCompanyAreRunsOfFiveWeekdays)
{
    // 4 July alone, or four weekdays as after 11 September 2001, is a holiday; five are a gap.
    const QList<QDate> four = {QDate(2024, 8, 5), QDate(2024, 8, 6), QDate(2024, 8, 7), QDate(2024, 8, 8)};
    EXPECT_TRUE(CheckBars(Quiet({QDate(2024, 7, 4)})).empty());
    EXPECT_TRUE(CheckBars(Quiet(four)).empty());
    const std::vector<BarFinding> findings = CheckBars(Quiet(four + QList<QDate>{QDate(2024, 8, 9)}));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, QStringLiteral("gap"));
    EXPECT_EQ(findings[0].Label(), QStringLiteral("gap on 2024-08-05"));
}

TEST(BarCheckTest, TheLibraryIsItsOwnCalendar)
{
    const QDate holiday(2024, 7, 4);
    const QDate missing(2024, 8, 14);
    BarCalendar calendar;
    for (const char *name : {"A.US.bin", "B.US.bin", "C.US.bin"})
        calendar.Add(QLatin1StringView(name), Quiet({holiday}));
    const BarSeries lacking = Quiet({holiday, missing});
    calendar.Add(QStringLiteral("D.US.bin"), lacking);
    // Another market's files, and a file name's own entry, are no company.
    calendar.Add(QStringLiteral("E.LSE.bin"), Quiet({holiday}));

    const std::vector<BarFinding> findings = CheckBars(lacking, {&calendar, QStringLiteral("D.US.bin")});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Label(), QStringLiteral("gap on 2024-08-14"));
    EXPECT_TRUE(CheckBars(Quiet({holiday}), {&calendar, QStringLiteral("A.US.bin")}).empty());
    // With two other files the market is no calendar, and one missing weekday is no gap.
    EXPECT_TRUE(CheckBars(Quiet({missing}), {&calendar, QStringLiteral("X.LSE.bin")}).empty());
}

TEST(BarCheckTest, MarketIsTheSymbolSuffix)
{
    for (const auto &[name, market] : {std::pair{"AAPL.US.bin", "US"},
                                       {"aapl.us.Daily.kyv", "US"},
                                       {"IBM.bin", ""},
                                       {"IBM.Daily.kyv", ""},
                                       {"BP.LSE.DAILY.KYV", "LSE"}})
        EXPECT_EQ(BarCalendar::Market(QLatin1StringView(name)), QLatin1StringView(market)) << name;
}

TEST(BarCheckTest, StaleAgainstTheNewestLastBar)
{
    const BarSeries series = Quiet();
    const double last = series.BarDate(series.BarCount);             // Friday 20 September 2024
    EXPECT_TRUE(CheckBars(series, {nullptr, {}, last + 6}).empty()); // four weekdays later
    const std::vector<BarFinding> findings = CheckBars(series, {nullptr, {}, last + 7});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, QStringLiteral("stale"));
    EXPECT_EQ(findings[0].date, last);
}

TEST(BarCheckTest, SummaryNamesTheNewestThree)
{
    const auto finding = [](QDate date, const char *kind, const char *factor = "") {
        return BarFinding{Day(date), QLatin1StringView(kind), QLatin1StringView(factor), {}};
    };
    EXPECT_EQ(FindingsSummary({}), QString());
    EXPECT_EQ(FindingsSummary({finding(QDate(2020, 8, 31), "jump", "x2"), finding(QDate(2024, 7, 5), "gap")}),
              QStringLiteral("2 warnings: gap on 2024-07-05, jump x2 on 2020-08-31"));
    EXPECT_EQ(FindingsSummary({finding(QDate(2021, 1, 4), "ohlc"), finding(QDate(2021, 1, 5), "ohlc"),
                               finding(QDate(2021, 1, 6), "ohlc"), finding(QDate(2021, 1, 7), "price")}),
              QStringLiteral("4 warnings: price on 2021-01-07, ohlc on 2021-01-06, ohlc on 2021-01-05, ..."));
}

} // namespace
