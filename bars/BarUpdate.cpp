#include "BarUpdate.h"

#include "BarFileReader.h"
#include "DateValue.h"

#include <algorithm>
#include <cstring>

namespace BarUpdate {

namespace {

constexpr int kCheckedDays = 14;

// The first bar dated on or after `day`, counting from 0.
int FirstFrom(const BarSeries &series, double day)
{
    const auto begin = series.dates.begin();
    return int(std::lower_bound(begin, begin + series.BarCount, day) - begin);
}

double DayValue(QDate date)
{
    return DateValue::CalendarDate(date.year(), date.month(), date.day()).value_or(0.0);
}

// Bit for bit, so that -0.0 and 0.0 differ as they do in the file.
bool SameBar(const BarSeries &a, int i, const BarSeries &b, int j)
{
    return a.dates[std::size_t(i)] == b.dates[std::size_t(j)] &&
           std::memcmp(a.values[std::size_t(i)].data(), b.values[std::size_t(j)].data(),
                       sizeof(BarSeries::Values)) == 0;
}

} // namespace

Stored ReadStored(const QString &path, const QString &symbol, int startYear)
{
    Stored stored;
    BarFileContents contents = ReadBarFile(path);
    BarSeries &series = contents.series;
    if (!contents.ok() || series.BarCount == 0 || series.BarDate(1) < DayValue(QDate(startYear, 1, 1)))
        return stored;
    if (contents.startDate && series.Symbol != symbol)
        return stored;
    stored.lastDate = DateValue::ToDate(series.BarDate(series.BarCount));
    stored.series = std::move(series);
    stored.usable = stored.lastDate.isValid();
    return stored;
}

QDate RequestStart(const Stored &stored)
{
    return stored.lastDate.addDays(-kCheckedDays);
}

Merged Merge(const Stored &stored, const BarSeries &reply, QDate requestStart)
{
    Merged merged;
    const BarSeries &file = stored.series;
    const double from = DayValue(requestStart);
    const double last = DayValue(stored.lastDate);
    int i = FirstFrom(file, from);
    int j = FirstFrom(reply, from);
    for (; i < file.BarCount; ++i, ++j) {
        if (j >= reply.BarCount || !SameBar(file, i, reply, j)) {
            const double replyDay = j < reply.BarCount ? reply.dates[std::size_t(j)] : last;
            merged.changedOn = DateValue::ToDate(std::min(file.dates[std::size_t(i)], replyDay));
            return merged;
        }
    }
    // The reply's own bars up to the file's last day, beyond those compared, are bars the file lacks.
    if (j < reply.BarCount && reply.dates[std::size_t(j)] <= last) {
        merged.changedOn = DateValue::ToDate(reply.dates[std::size_t(j)]);
        return merged;
    }
    merged.newBars = reply.BarCount - j;
    merged.kind = merged.newBars > 0 ? Merged::Updated : Merged::UpToDate;
    BarSeries &series = merged.series;
    series.Prepare(file.BarCount + merged.newBars);
    series.Symbol = reply.Symbol;
    std::copy_n(file.dates.begin(), file.BarCount, series.dates.begin());
    std::copy_n(file.values.begin(), file.BarCount, series.values.begin());
    std::copy_n(reply.dates.begin() + j, merged.newBars, series.dates.begin() + file.BarCount);
    std::copy_n(reply.values.begin() + j, merged.newBars, series.values.begin() + file.BarCount);
    return merged;
}

QString UpdatedText(int newBars)
{
    return newBars == 1 ? QStringLiteral("updated: 1 new bar")
                        : QStringLiteral("updated: %1 new bars").arg(newBars);
}

QString UpToDateText()
{
    return QStringLiteral("up to date");
}

QString HistoryChangedText(QDate on)
{
    return QStringLiteral("full download: history changed on ") + on.toString(Qt::ISODate);
}

QString NoUsableFileText()
{
    return QStringLiteral("full download: no usable file");
}

} // namespace BarUpdate
