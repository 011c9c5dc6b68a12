#pragma once

#include "BarSeries.h"

#include <utility>

// The reference order: a selection sort scanning down from the last bar, taking only a strictly smaller date.
inline void LiteralSelectionSort(BarSeries &series)
{
    const std::size_t n = series.dates.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        std::size_t m = i;
        for (std::size_t j = n - 1; j > i; --j)
            if (series.dates[j] < series.dates[m])
                m = j;
        std::swap(series.dates[i], series.dates[m]);
        std::swap(series.values[i], series.values[m]);
    }
}
