#pragma once

#include <QDate>

#include <optional>

// Date values count days since 30 December 1899; 36526.0 is 1 January 2000.
namespace DateValue {

// The date value of a year, month and day. A month or day outside its range carries into
// the neighbouring months and years (month 13 of 2012 is January 2013, day 0 is the last
// day of the month before). Empty when the resulting year lies outside 100..9999.
[[nodiscard]] std::optional<double> CalendarDate(int year, int month, int day);

// The calendar date of a whole-day date value; invalid for values outside 100..9999.
[[nodiscard]] QDate ToDate(double value);

} // namespace DateValue
