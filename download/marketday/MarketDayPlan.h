#pragma once

#include "MarketDayForm.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// Which rows of an update run a market's day serves, and which days it takes: pure, so that the
// choices can be tested without a service.
namespace MarketDayPlan {

// A row whose file is usable, as an update run finds it.
struct Row
{
    int id = 0;
    QString symbol;
    QDate lastDate; // the file's last bar
};

struct Group
{
    QString market;
    QList<Row> rows;
    qsizetype calendarRow = 0; // the row whose own update gives the market's trading days
};

// The rows by market, in list order, keeping only the markets where one market day may cost less than
// the rows' own requests. The calendar comes from a row whose file ends where most of the group's do.
[[nodiscard]] QList<Group> Groups(const MarketDayForm &form, const QList<Row> &rows);

// The trading days after `lastDate` through the calendar's last; nothing when the calendar does not
// hold `lastDate`, so that no day between it and the next could go unseen.
[[nodiscard]] std::optional<QList<QDate>> DaysAfter(const QList<QDate> &calendar, QDate lastDate);

// The calendar's latest days worth fetching for files ending on `lastDates`: as many as serve the most
// rows for less than their own requests cost; empty when no day pays. A file at the calendar's last day
// is served by that day.
[[nodiscard]] QList<QDate> DaysToFetch(const MarketDayForm &form, const QList<QDate> &calendar,
                                       const QList<QDate> &lastDates);

} // namespace MarketDayPlan
