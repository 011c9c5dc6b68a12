#pragma once

#include "BarSeries.h"

#include <QDate>
#include <QString>

// Bringing a bar file up to date from a short reply instead of a whole history: the file's bars stand
// as long as the reply bears out the last two weeks of them exactly.
namespace BarUpdate {

// What an existing file offers an update.
struct Stored
{
    BarSeries series; // the file's bars, when usable
    QDate lastDate;   // its last bar's day
    bool usable = false;
};

// The file at `path` is usable when it reads back, holds a bar, holds no bar before 1 January
// `startYear` and, for a .kyv, names `symbol`.
[[nodiscard]] Stored ReadStored(const QString &path, const QString &symbol, int startYear);

// The day an update asks from: 14 days before the file's last bar.
[[nodiscard]] QDate RequestStart(const Stored &stored);

struct Merged
{
    enum Kind { Updated, UpToDate, HistoryChanged };
    Kind kind = HistoryChanged;
    BarSeries series; // Updated and UpToDate: the file's bars, then the reply's later ones
    int newBars = 0;
    QDate changedOn; // HistoryChanged: the first day the two tell apart
};

// Compares the file's bars from `requestStart` on with the reply's bars from `requestStart` to the
// file's last day: the same days in the same order with the same four-byte values, the last day
// among them. `reply` is the series a full download would write from the same service.
[[nodiscard]] Merged Merge(const Stored &stored, const BarSeries &reply, QDate requestStart);

// What a row reports of an update.
[[nodiscard]] QString UpdatedText(int newBars);
[[nodiscard]] QString UpToDateText();
[[nodiscard]] QString HistoryChangedText(QDate on);
[[nodiscard]] QString NoUsableFileText();

} // namespace BarUpdate
