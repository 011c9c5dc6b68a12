#include "DateValue.h"

#include <cmath>

namespace DateValue {
namespace {

constexpr qint64 kJulianDayOfEpoch = 2415019; // 30 December 1899

} // namespace

std::optional<double> CalendarDate(int year, int month, int day)
{
    // Carry the month into the year first, then let the day run over from the 1st.
    const qint64 monthIndex = qint64(year) * 12 + (qint64(month) - 1);
    const qint64 y = monthIndex >= 0 ? monthIndex / 12 : -((-monthIndex + 11) / 12);
    const int m = int(monthIndex - y * 12) + 1;
    if (y < 100 || y > 9999)
        return std::nullopt;
    const QDate first(int(y), m, 1);
    const qint64 days = first.toJulianDay() - kJulianDayOfEpoch + (qint64(day) - 1);
    const QDate result = QDate::fromJulianDay(days + kJulianDayOfEpoch);
    if (!result.isValid() || result.year() < 100 || result.year() > 9999)
        return std::nullopt;
    return double(days);
}

QDate ToDate(double value)
{
    if (!std::isfinite(value) || value < -657434.0 || value > 2958465.0)
        return {};
    return QDate::fromJulianDay(qint64(std::floor(value)) + kJulianDayOfEpoch);
}

} // namespace DateValue
