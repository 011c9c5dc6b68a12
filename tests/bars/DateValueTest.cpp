#include "DateValue.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct CalendarCase
{
    int year, month, day;
    double expected;
};

TEST(DateValue, CalendarDateCarriesMonthsAndDays)
{
    const CalendarCase cases[] = {
        {1899, 12, 30, 0.0},     {1899, 12, 31, 1.0},     {2000, 1, 1, 36526.0},   {1999, 1, 1, 36161.0},
        {2013, 5, 3, 41397.0},   {2012, 13, 1, 41275.0},                           // month 13
        {2013, 1, 0, 41274.0},   {2013, 0, 1, 41244.0},   {2013, -1, 1, 41214.0},  // day 0, month 0, -1
        {2013, -11, 1, 40909.0}, {2013, -12, 1, 40878.0}, {2012, 2, 30, 40969.0},  // -11, -12, leap Feb
        {2000, 3, 0, 36585.0},   {2013, 2, 29, 41334.0},  {2012, 25, 31, 41670.0}, // 29 Feb 2000
        {2013, 1, 32, 41306.0},  {2013, 1, -30, 41244.0}, {100, 1, 1, -657434.0},  {9999, 12, 31, 2958465.0},
    };
    for (const CalendarCase &c : cases) {
        const std::optional<double> value = DateValue::CalendarDate(c.year, c.month, c.day);
        ASSERT_TRUE(value.has_value()) << c.year << '-' << c.month << '-' << c.day;
        EXPECT_EQ(*value, c.expected) << c.year << '-' << c.month << '-' << c.day;
    }
}

TEST(DateValue, CalendarDateOutsideYears100To9999IsEmpty)
{
    const int limits[][3] = {
        {99, 12, 31},
        {100, 1, 0},
        {10000, 1, 1},
        {9999, 12, 32},
        {9999, 13, 1},
        {2000, std::numeric_limits<int>::min(), 1}, // must not overflow while carrying
        {2000, std::numeric_limits<int>::max(), 1},
        {2000, 1, std::numeric_limits<int>::max()},
        {2000, 1, std::numeric_limits<int>::min()},
        {std::numeric_limits<int>::max(), 1, 1},
        {0, 1, 1},
    };
    for (const auto &l : limits)
        EXPECT_FALSE(DateValue::CalendarDate(l[0], l[1], l[2]).has_value())
            << l[0] << '-' << l[1] << '-' << l[2];
}

TEST(DateValue, ToDateRoundTripsAndRejectsOutOfRange)
{
    EXPECT_EQ(DateValue::ToDate(36526.0), QDate(2000, 1, 1));
    EXPECT_EQ(DateValue::ToDate(0.0), QDate(1899, 12, 30));
    EXPECT_EQ(DateValue::ToDate(-657434.0), QDate(100, 1, 1));
    EXPECT_EQ(DateValue::ToDate(2958465.0), QDate(9999, 12, 31));
    EXPECT_FALSE(DateValue::ToDate(-657435.0).isValid());
    EXPECT_FALSE(DateValue::ToDate(2958466.0).isValid());
    EXPECT_FALSE(DateValue::ToDate(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_FALSE(DateValue::ToDate(std::numeric_limits<double>::infinity()).isValid());
    for (int year : {100, 1600, 1899, 1900, 2000, 2024, 9999}) {
        const std::optional<double> value = DateValue::CalendarDate(year, 3, 1);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(DateValue::ToDate(*value), QDate(year, 3, 1));
    }
}

} // namespace
