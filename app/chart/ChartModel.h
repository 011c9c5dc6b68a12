#pragma once

#include "BarCheck.h"
#include "BarSeries.h"

#include <utility>
#include <vector>

// What a chart of one bar file shows at a given width, without widgets: the bars in view, the price
// range they need, the columns to draw and where the check's findings sit. The view is a window of
// `span` bars starting at bar `first` (fractional, from 0); bars are numbered from 0 here.
class ChartModel
{
public:
    // One candle, or, when bars are narrower than a pixel, everything that falls in one pixel column.
    struct Column
    {
        double x = 0;     // centre, in pixels from the left of the plot
        double width = 0; // pixels a bar takes; at most 1 for a reduced column
        float open = 0, high = 0, low = 0, close = 0;
        double volume = 0;
        int firstBar = 0, lastBar = 0;
    };

    struct Range
    {
        double low = 0, high = 0; // prices of the bars in view
        double volume = 0;        // the largest column volume in view
        bool valid = false;       // false when no bar in view has good prices
    };

    struct Marker
    {
        int bar = 0;
        double x = 0;
        QString words; // every finding on the bar, one a line
    };

    ChartModel(BarSeries series, std::vector<BarFinding> findings);

    [[nodiscard]] const BarSeries &Series() const { return m_series; }
    [[nodiscard]] const std::vector<BarFinding> &Findings() const { return m_findings; }
    void SetFindings(std::vector<BarFinding> findings);
    [[nodiscard]] int BarCount() const { return int(m_series.dates.size()); }

    void SetWidth(double pixels);
    [[nodiscard]] double Width() const { return m_width; }
    void ShowAll();
    // The bars of the year up to the last one; the whole history when it is shorter.
    void ShowLastYear();
    // Zooms by `factor` (above 1 shows fewer bars), keeping the bar at `x` where it is.
    void ZoomAt(double factor, double x);
    void PanPixels(double dx);
    void PanBars(double bars);
    void ScrollToStart() { PanBars(-BarCount()); }
    void ScrollToEnd() { PanBars(BarCount()); }

    [[nodiscard]] double FirstBar() const { return m_first; }
    [[nodiscard]] double Span() const { return m_span; }
    [[nodiscard]] double PixelsPerBar() const { return m_width / m_span; }
    // The first and last bar at least partly in view; first > last when none is.
    [[nodiscard]] std::pair<int, int> VisibleBars() const;
    [[nodiscard]] std::vector<Column> Columns() const;
    [[nodiscard]] static Range RangeOf(const std::vector<Column> &columns);
    [[nodiscard]] Range VisibleRange() const { return RangeOf(Columns()); }
    // The bar whose column holds `x`, or the nearest one in view; -1 without bars.
    [[nodiscard]] int BarAt(double x) const;
    [[nodiscard]] double XOf(int bar) const { return (bar - m_first + 0.5) * PixelsPerBar(); }
    [[nodiscard]] std::vector<Marker> VisibleMarkers() const;

private:
    void Clamp();

    BarSeries m_series;
    std::vector<BarFinding> m_findings;
    std::vector<std::pair<int, QString>> m_markers; // bar, words; by bar
    double m_width = 1;
    double m_first = 0;
    double m_span = 1;
};
