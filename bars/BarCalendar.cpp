#include "BarCalendar.h"

#include "BarSeries.h"

#include <QFileInfo>

#include <algorithm>

void BarCalendar::MarketDays::Cover(int from, int to)
{
    if (spanStarts.empty()) {
        firstDay = from;
    } else if (from < firstDay) {
        const auto grow = std::size_t(firstDay - from);
        for (std::vector<int> *days : {&spanStarts, &spanEnds, &having})
            days->insert(days->begin(), grow, 0);
        firstDay = from;
    }
    const auto size = std::size_t(to - firstDay + 2);
    for (std::vector<int> *days : {&spanStarts, &spanEnds, &having})
        days->resize(std::max(days->size(), size), 0);
    summed = false;
}

void BarCalendar::Add(const QString &fileName, const BarSeries &series)
{
    if (series.BarCount < 1 || series.dates.empty())
        return;
    const int first = int(series.dates.front());
    const int last = int(series.dates.back());
    if (!std::is_sorted(series.dates.begin(), series.dates.end()))
        return;
    MarketDays &market = m_markets[Market(fileName)];
    market.Cover(first, last);
    ++market.spanStarts[std::size_t(first - market.firstDay)];
    ++market.spanEnds[std::size_t(last + 1 - market.firstDay)];
    for (const double date : series.dates)
        ++market.having[std::size_t(int(date) - market.firstDay)];
    m_spans.insert(fileName, {first, last});
    m_newest = std::max(m_newest, series.dates.back());
}

BarCalendar::FileView BarCalendar::ViewOf(const QString &fileName) const
{
    FileView view;
    const auto found = m_markets.constFind(Market(fileName));
    if (found == m_markets.cend())
        return view;
    const MarketDays &market = *found;
    if (!market.summed) {
        market.spanning.assign(market.having.size(), 0);
        int running = 0;
        for (std::size_t k = 0; k < market.having.size(); ++k) {
            running += market.spanStarts[k] - market.spanEnds[k];
            market.spanning[k] = running;
        }
        market.summed = true;
    }
    view.m_spanning = &market.spanning;
    view.m_having = &market.having;
    view.m_firstDay = market.firstDay;
    if (const auto self = m_spans.constFind(fileName); self != m_spans.cend()) {
        view.m_selfFirst = self->first;
        view.m_selfLast = self->second;
    }
    return view;
}

BarCalendar::Day BarCalendar::FileView::At(int day) const
{
    const qsizetype at = qsizetype(day) - m_firstDay;
    if (!m_having || at < 0 || at >= qsizetype(m_having->size()))
        return {};
    Day result{(*m_spanning)[std::size_t(at)], (*m_having)[std::size_t(at)]};
    if (day >= m_selfFirst && day <= m_selfLast)
        --result.spanning;
    return result;
}

QString BarCalendar::Market(const QString &fileName)
{
    QString base = QFileInfo(fileName).completeBaseName();
    // .kyv files are named SYMBOL.Daily.kyv: the period is no market.
    if (base.endsWith(QStringLiteral(".Daily"), Qt::CaseInsensitive))
        base.chop(6);
    const qsizetype dot = base.lastIndexOf(u'.');
    return dot < 0 ? QString() : base.mid(dot + 1).toUpper();
}
