#include "DateValue.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace {

TEST(DateValue, CalendarDateCarriesMonthsAndDaysWithinYears100To9999)
{
    const struct
    {
        int year, month, day;
        std::optional<double> expected; // empty outside years 100..9999, even for extreme ints
    } cases[] = {
        {1899, 12, 30, 0.0},    {2000, 1, 1, 36526.0},   {1999, 1, 1, 36161.0},   {2012, 13, 1, 41275.0},
        {2013, 1, 0, 41274.0},  {2013, 0, 1, 41244.0},   {2013, -12, 1, 40878.0}, {2012, 2, 30, 40969.0},
        {2013, 2, 29, 41334.0}, {2013, 1, -30, 41244.0}, {100, 1, 1, -657434.0},  {9999, 12, 31, 2958465.0},
        {99, 12, 31, {}},       {100, 1, 0, {}},         {9999, 12, 32, {}},      {2000, INT_MIN, 1, {}},
        {2000, INT_MAX, 1, {}}, {2000, 1, INT_MAX, {}},  {2000, 1, INT_MIN, {}},  {INT_MAX, 1, 1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + '-' + std::to_string(c.month) + '-' + std::to_string(c.day));
        EXPECT_EQ(DateValue::CalendarDate(c.year, c.month, c.day), c.expected);
    }
}

// The carrying rules restated through QDate, which the arithmetic must match day for day.
std::optional<double> CalendarDateThroughQDate(int year, int month, int day)
{
    const std::int64_t monthIndex = std::int64_t(year) * 12 + (month - 1);
    const std::int64_t y = monthIndex >= 0 ? monthIndex / 12 : -((-monthIndex + 11) / 12);
    if (y < 100 || y > 9999)
        return std::nullopt;
    const QDate first(int(y), int(monthIndex - y * 12) + 1, 1);
    const QDate result = first.addDays(day - 1);
    if (result.year() < 100 || result.year() > 9999)
        return std::nullopt;
    return double(first.toJulianDay() - QDate(1899, 12, 30).toJulianDay() + (day - 1));
}

TEST(DateValue, CalendarDateMatchesQDateOverWideRanges)
{
    std::mt19937 random(20240611);
    const auto check = [](int year, int month, int day) {
        ASSERT_EQ(DateValue::CalendarDate(year, month, day), CalendarDateThroughQDate(year, month, day))
            << year << '-' << month << '-' << day;
    };
    // Every month and day offset around the ends of the range and the leap rules of the centuries.
    for (const int year : {96, 99, 100, 101, 1600, 1900, 2000, 2100, 9998, 9999, 10000, 10003}) {
        for (int month = -30; month <= 40; ++month) {
            for (int day = -400; day <= 400; ++day)
                check(year, month, day);
        }
    }
    for (int i = 0; i < 200000; ++i)
        check(int(random() % 10300) - 100, int(random() % 71) - 30, int(random() % 801) - 400);
}

TEST(DateValue, ToDateIsValidOnlyWithinYears100To9999)
{
    EXPECT_EQ(DateValue::ToDate(0.0), QDate(1899, 12, 30));
    EXPECT_EQ(DateValue::ToDate(-657434.0), QDate(100, 1, 1));
    EXPECT_EQ(DateValue::ToDate(2958465.0), QDate(9999, 12, 31));
    for (const double outside : {-657435.0, 2958466.0, std::nan("")})
        EXPECT_FALSE(DateValue::ToDate(outside).isValid()) << outside;
}

} // namespace
