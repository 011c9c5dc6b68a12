#include "DateValue.h"

#include <cmath>

namespace DateValue {
namespace {

constexpr qint64 kJulianDayOfEpoch = 2415019; // 30 December 1899
constexpr qint64 kFirstDay = -657434;         // 1 January 100
constexpr qint64 kLastDay = 2958465;          // 31 December 9999

// Days from 30 December 1899 to the first of a month of the proleptic Gregorian calendar, for
// years 1..9999; years begin in March so that the leap day comes last.
qint64 FirstOfMonth(int year, int month)
{
    const auto y = unsigned(month <= 2 ? year - 1 : year);
    const unsigned dayOfYear = (153 * unsigned(month > 2 ? month - 3 : month + 9) + 2) / 5;
    const unsigned days = y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear;
    return qint64(days) - 693899; // 1 March of year 0 to 30 December 1899
}

} // namespace

std::optional<double> CalendarDate(int year, int month, int day)
{
    // Carry the month into the year first, then let the day run over from the 1st.
    const qint64 monthIndex = qint64(year) * 12 + (qint64(month) - 1);
    const qint64 y = monthIndex >= 0 ? monthIndex / 12 : -((-monthIndex + 11) / 12);
    const int m = int(monthIndex - y * 12) + 1;
    if (y < 100 || y > 9999)
        return std::nullopt;
    const qint64 days = FirstOfMonth(int(y), m) + (qint64(day) - 1);
    if (days < kFirstDay || days > kLastDay)
        return std::nullopt;
    return double(days);
}

QDate ToDate(double value)
{
    if (!std::isfinite(value) || value < double(kFirstDay) || value > double(kLastDay))
        return {};
    return QDate::fromJulianDay(qint64(std::floor(value)) + kJulianDayOfEpoch);
}

} // namespace DateValue
