#pragma once

#include <QString>

#include <vector>

class BarCalendar;
struct BarSeries;

// What the check of a bar series found on one day.
struct BarFinding
{
    double date = 0.0; // the bar, or the first missing day, it is about
    QString kind;      // ohlc, price, order, jump, gap, zero-volume or stale
    QString factor;    // jump only: "x2", "x1/2", "x100" ...
    QString words;     // one line for the user

    // "gap on 2024-07-05", "jump x2 on 2020-08-31".
    [[nodiscard]] QString Label() const;
};

// How a series is checked against the files it is kept with.
struct BarCheckContext
{
    const BarCalendar *calendar = nullptr; // without one, gaps are runs of weekdays without bars
    QString fileName;                      // the series' name in the calendar
    double newestLastDate = 0.0;           // of the files checked together; 0: no stale check
};

// The faults of a series, oldest first. A quiet, well-formed history gives none.
[[nodiscard]] std::vector<BarFinding> CheckBars(const BarSeries &series, const BarCheckContext &context = {});

// For a row's cause: "2 warnings: gap on 2024-07-05, jump x2 on 2020-08-31", newest first, at most
// three named; empty when there are none.
[[nodiscard]] QString FindingsSummary(const std::vector<BarFinding> &findings);
