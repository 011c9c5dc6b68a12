#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// One symbol's daily bars. Bars and value columns are numbered from 1 in the public
// interface, as the file formats and the sources count them; storage is 0-based.
// Dates are days since 30 December 1899 (0.0 marks a date that could not be built).
struct BarSeries
{
    static constexpr int kValueColumns = 5; // Open, High, Low, Close, Volume

    QString Symbol;
    int RowCount = 0; // BarCount + 1 once the series has been prepared
    int BarCount = 0;
    int FieldCount = 0;
    QStringList FieldNames;

    // Sets the counts and standard field names and creates zeroed arrays for barCount bars.
    void Prepare(int barCount);

    [[nodiscard]] double BarDate(int bar) const { return dates[std::size_t(bar - 1)]; }
    void SetBarDate(int bar, double date) { dates[std::size_t(bar - 1)] = date; }
    [[nodiscard]] float BarValue(int bar, int column) const
    {
        return values[std::size_t(bar - 1)][std::size_t(column - 1)];
    }
    void SetBarValue(int bar, int column, float value)
    {
        values[std::size_t(bar - 1)][std::size_t(column - 1)] = value;
    }

    using Values = std::array<float, kValueColumns>;
    std::vector<double> dates;  // dates[0] is bar 1
    std::vector<Values> values; // values[0][0] is bar 1, Open
};

// Reorders the bars of `series` into ascending date order, giving exactly the order of a
// selection sort with a downward scan (see BarSeries.cpp for why that order matters).
void SortByDate(BarSeries &series);

// Replaces `output` with a copy of the sorted `raw` that keeps one bar per date and drops
// bars dated on or before 30 December 1899: a bar survives when its date is above that of
// the last surviving bar, starting from 0.0. A single bar is copied as it is unless it is
// dated 0.0, which leaves `output` without bars. RowCount is BarCount + 1 afterwards, except
// for an empty `raw`, whose counts are copied. `raw` and `output` may be the same series.
void RemoveDuplicateDates(const BarSeries &raw, BarSeries &output);

// The bars of a reply in the order a quote source walks it. Dated bars are kept with their day
// number; undated bars (date 0.0, or prices that are not finite) are only counted where they stand:
// they never reach an output, and being alike they only matter through their positions, so a
// reply of many short undated lines costs next to nothing.
struct GatheredBars
{
    struct UndatedRun
    {
        std::uint32_t before; // dated bars ahead of the run
        std::uint32_t count;
    };

    std::vector<std::int32_t> days;        // whole days since 30 December 1899, never 0
    std::vector<BarSeries::Values> values; // values[k] belongs to days[k]
    std::vector<UndatedRun> undatedRuns;
    std::uint64_t undated = 0;

    void AddUndated()
    {
        if (!undatedRuns.empty() && undatedRuns.back().before == days.size())
            ++undatedRuns.back().count;
        else
            undatedRuns.push_back({std::uint32_t(days.size()), 1});
        ++undated;
    }
};

// Gives `output` exactly the bars that SortByDate and then RemoveDuplicateDates would leave from
// the full series of `bars` (undated bars as 0.0), or, with `keepRepeatedDates`, every dated bar
// of the sorted series. Consumes `bars`. Symbol is left to the caller; the counts, field names
// and arrays are set.
void BuildOutput(GatheredBars &bars, bool keepRepeatedDates, BarSeries &output);
