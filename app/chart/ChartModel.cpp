#include "ChartModel.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Fewer bars than this across the chart tell nothing more; more is always allowed for short files.
constexpr double kMinSpan = 10;

bool Good(float price)
{
    return std::isfinite(price) && price > 0.0F;
}

} // namespace

ChartModel::ChartModel(BarSeries series, std::vector<BarFinding> findings) : m_series(std::move(series))
{
    SetFindings(std::move(findings));
    ShowAll();
}

void ChartModel::SetFindings(std::vector<BarFinding> findings)
{
    m_findings = std::move(findings);
    std::map<int, QString> byBar;
    const std::vector<double> &dates = m_series.dates;
    for (const BarFinding &finding : m_findings) {
        if (dates.empty())
            break;
        // A gap is dated by its first missing day: the bar after it carries the mark.
        const auto at = std::lower_bound(dates.begin(), dates.end(), finding.date);
        const int bar = std::min(int(at - dates.begin()), int(dates.size()) - 1);
        QString &words = byBar[bar];
        words += (words.isEmpty() ? QString() : QStringLiteral("\n")) + finding.Label() +
                 QStringLiteral(": ") + finding.words;
    }
    m_markers.assign(byBar.begin(), byBar.end());
}

void ChartModel::SetWidth(double pixels)
{
    m_width = std::max(1.0, pixels);
    Clamp();
}

void ChartModel::ShowAll()
{
    m_first = 0;
    m_span = std::max(1, BarCount());
    Clamp();
}

void ChartModel::ShowLastYear()
{
    const std::vector<double> &dates = m_series.dates;
    if (dates.empty())
        return ShowAll();
    const auto from = std::upper_bound(dates.begin(), dates.end(), dates.back() - 365.0);
    m_span = double(dates.end() - from);
    m_first = BarCount() - m_span;
    Clamp();
}

void ChartModel::ZoomAt(double factor, double x)
{
    const double anchor = m_first + x / PixelsPerBar();
    m_span /= factor;
    Clamp();
    m_first = anchor - x / PixelsPerBar();
    Clamp();
}

void ChartModel::PanPixels(double dx)
{
    PanBars(dx / PixelsPerBar());
}

void ChartModel::PanBars(double bars)
{
    m_first += bars;
    Clamp();
}

void ChartModel::Clamp()
{
    const double count = std::max(1, BarCount());
    m_span = std::clamp(m_span, std::min(kMinSpan, count), count);
    m_first = std::clamp(m_first, 0.0, count - m_span);
}

std::pair<int, int> ChartModel::VisibleBars() const
{
    if (BarCount() == 0)
        return {0, -1};
    const int first = std::max(0, int(std::floor(m_first)));
    const int last = std::min(BarCount() - 1, int(std::ceil(m_first + m_span)) - 1);
    return {first, last};
}

std::vector<ChartModel::Column> ChartModel::Columns() const
{
    std::vector<Column> columns;
    const auto [first, last] = VisibleBars();
    const double perBar = PixelsPerBar();
    const bool reduce = perBar < 1.0;
    columns.reserve(std::size_t(reduce ? m_width + 2 : std::max(0, last - first + 1)));
    double pixel = -1e9;
    for (int bar = first; bar <= last; ++bar) {
        const BarSeries::Values &v = m_series.values[std::size_t(bar)];
        if (!Good(v[0]) || !Good(v[1]) || !Good(v[2]) || !Good(v[3]))
            continue;
        const double x = XOf(bar);
        const double volume = std::isfinite(v[4]) ? std::max(0.0, double(v[4])) : 0.0;
        if (reduce && std::floor(x) == pixel) {
            Column &column = columns.back();
            column.high = std::max(column.high, v[1]);
            column.low = std::min(column.low, v[2]);
            column.close = v[3];
            column.volume += volume;
            column.lastBar = bar;
            continue;
        }
        pixel = std::floor(x);
        columns.push_back(
            {reduce ? pixel + 0.5 : x, reduce ? 1.0 : perBar, v[0], v[1], v[2], v[3], volume, bar, bar});
    }
    return columns;
}

ChartModel::Range ChartModel::RangeOf(const std::vector<Column> &columns)
{
    Range range;
    for (const Column &column : columns) {
        if (!range.valid) {
            range = {column.low, column.high, column.volume, true};
            continue;
        }
        range.low = std::min(range.low, double(column.low));
        range.high = std::max(range.high, double(column.high));
        range.volume = std::max(range.volume, column.volume);
    }
    return range;
}

int ChartModel::BarAt(double x) const
{
    const auto [first, last] = VisibleBars();
    if (first > last)
        return -1;
    return std::clamp(int(std::floor(m_first + x / PixelsPerBar())), first, last);
}

std::vector<ChartModel::Marker> ChartModel::VisibleMarkers() const
{
    std::vector<Marker> markers;
    const auto [first, last] = VisibleBars();
    const auto from = std::lower_bound(m_markers.begin(), m_markers.end(), first,
                                       [](const auto &marker, int bar) { return marker.first < bar; });
    for (auto marker = from; marker != m_markers.end() && marker->first <= last; ++marker)
        markers.push_back({marker->first, XOf(marker->first), marker->second});
    return markers;
}
