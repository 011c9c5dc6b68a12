#include "DateValue.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
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

TEST(DateValue, ToDateIsValidOnlyWithinYears100To9999)
{
    EXPECT_EQ(DateValue::ToDate(0.0), QDate(1899, 12, 30));
    EXPECT_EQ(DateValue::ToDate(-657434.0), QDate(100, 1, 1));
    EXPECT_EQ(DateValue::ToDate(2958465.0), QDate(9999, 12, 31));
    for (const double outside : {-657435.0, 2958466.0, std::nan("")})
        EXPECT_FALSE(DateValue::ToDate(outside).isValid()) << outside;
}

} // namespace
