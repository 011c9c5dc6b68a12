#include "DateValue.h"

#include <cmath>

namespace DateValue {
namespace {

constexpr qint64 kJulianDayOfEpoch = 2415019; // 30 December 1899
constexpr qint64 kFirstDay = -657434;         // 1 January 100
constexpr qint64 kLastDay = 2958465;          // 31 December 9999

// Days from 30 December 1899 to the first of a month of the proleptic Gregorian calendar, for
// years from 1 on; years begin in March so that the leap day comes last.
qint64 FirstOfMonth(qint64 year, int month)
{
    const qint64 y = month <= 2 ? year - 1 : year;
    const qint64 era = y / 400;
    const qint64 yearOfEra = y - era * 400;
    const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 693899; // 1 March of year 0 to 30 December 1899
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
    const qint64 days = FirstOfMonth(y, m) + (qint64(day) - 1);
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
