#include "DateValue.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

namespace {

// Months and days carry as QDate's addMonths and addDays do from the 1st; the year after carrying
// the months and the year of the result must both lie in 100..9999. ToDate gives the date back.
testing::AssertionResult MatchesQDate(int year, int month, int day)
{
    const auto inRange = [](const QDate &date) { return date.year() >= 100 && date.year() <= 9999; };
    const QDate first = QDate(year, 1, 1).addMonths(month - 1);
    const QDate date = inRange(first) ? first.addDays(day - 1) : QDate();
    const std::optional<double> value = DateValue::CalendarDate(year, month, day);
    const double days = date.isValid() ? double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay()) : 0.0;
    if (inRange(date) ? value == days && DateValue::ToDate(*value) == date : !value)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << year << '-' << month << '-' << day;
}

TEST(DateValue, MatchesQDateAndGivesNoDateOutsideYears100To9999)
{
    for (const int year : {96, 99, 100, 101, 1600, 1900, 2000, 2100, 9998, 9999, 10000, 10003})
        for (int month = -30; month <= 40; ++month)
            for (int day = -400; day <= 400; ++day)
                ASSERT_TRUE(MatchesQDate(year, month, day));
    std::mt19937 rng(20240611);
    for (int i = 0; i < 200000; ++i)
        ASSERT_TRUE(MatchesQDate(int(rng() % 10300) - 100, int(rng() % 71) - 30, int(rng() % 801) - 400));
    const int extremes[][3] = {{2000, INT_MIN, 1}, {2000, INT_MAX, 1}, {2000, 1, INT_MIN},
                               {2000, 1, INT_MAX}, {INT_MIN, 1, 1},    {INT_MAX, 1, 1}};
    for (const auto &[y, m, d] : extremes)
        EXPECT_EQ(DateValue::CalendarDate(y, m, d), std::nullopt) << y << '-' << m << '-' << d;
    for (const double outside : {-657435.0, 2958466.0, std::nan("")})
        EXPECT_FALSE(DateValue::ToDate(outside).isValid()) << outside;
}

} // namespace
