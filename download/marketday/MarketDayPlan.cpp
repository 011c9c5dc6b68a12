#include "MarketDayPlan.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace MarketDayPlan {

QList<Group> Groups(const MarketDayForm &form, const QList<Row> &rows)
{
    QMap<QString, Group> byMarket;
    QList<QString> order;
    for (const Row &row : rows) {
        const QString market = form.PlaceOf(row.symbol).market;
        if (!byMarket.contains(market))
            order.append(market);
        Group &group = byMarket[market];
        group.market = market;
        group.rows.append(row);
    }
    QList<Group> groups;
    for (const QString &market : order) {
        Group &group = byMarket[market];
        // The calendar row pays its own request anyway; the market day stands in for the others.
        if (group.rows.size() - 1 <= form.Cost())
            continue;
        QHash<QDate, int> counts;
        for (const Row &row : group.rows)
            ++counts[row.lastDate];
        const auto most = std::max_element(counts.begin(), counts.end());
        group.calendarRow =
            std::find_if(group.rows.begin(), group.rows.end(),
                         [&](const Row &row) { return counts.value(row.lastDate) == *most; }) -
            group.rows.begin();
        groups.append(std::move(group));
    }
    return groups;
}

std::optional<QList<QDate>> DaysAfter(const QList<QDate> &calendar, QDate lastDate)
{
    const auto at = std::lower_bound(calendar.begin(), calendar.end(), lastDate);
    if (at == calendar.end() || *at != lastDate)
        return std::nullopt;
    return QList<QDate>(at + 1, calendar.end());
}

QList<QDate> DaysToFetch(const MarketDayForm &form, const QList<QDate> &calendar,
                         const QList<QDate> &lastDates)
{
    QList<qsizetype> needs;
    for (const QDate last : lastDates) {
        // A file already at the last day is shown to be up to date by that day alone.
        if (const std::optional<QList<QDate>> days = DaysAfter(calendar, last))
            needs.append(std::max<qsizetype>(1, days->size()));
    }
    std::sort(needs.begin(), needs.end());
    const qsizetype deepest = needs.isEmpty() ? 0 : form.PicksDay() ? needs.back() : 1;
    qsizetype best = 0;
    qsizetype bestGain = 0;
    for (qsizetype depth = 1; depth <= deepest; ++depth) {
        const qsizetype served = std::upper_bound(needs.begin(), needs.end(), depth) - needs.begin();
        const qsizetype gain = served - depth * form.Cost();
        if (gain > bestGain) {
            best = depth;
            bestGain = gain;
        }
    }
    return calendar.sliced(calendar.size() - best);
}

} // namespace MarketDayPlan
