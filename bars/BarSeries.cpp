#include "BarSeries.h"

void BarSeries::Prepare(int barCount)
{
    RowCount = barCount + 1;
    BarCount = barCount;
    FieldCount = kValueColumns + 1;
    FieldNames = {QStringLiteral("Date"), QStringLiteral("Open"), QStringLiteral("High"),
                  QStringLiteral("Low"),  QStringLiteral("Close"), QStringLiteral("Volume")};
    dates.assign(std::size_t(barCount), 0.0);
    values.assign(std::size_t(barCount), Values{});
}
