#pragma once

#include <QWidget>

class ChartView;
class PlatformServices;
class QLabel;

// A window with the chart of one bar file: the style, "All" and "Last year" above the chart, and
// what the check found in the file beneath it.
class ChartWindow : public QWidget
{
public:
    // Reads and checks the file; `error` gets why it cannot be charted and nothing is made then.
    [[nodiscard]] static ChartWindow *FromFile(const QString &path, QString *error,
                                               QWidget *parent = nullptr);

    [[nodiscard]] ChartView &View() const { return *m_view; }

private:
    ChartWindow(const QString &path, ChartView *view, QWidget *parent);

    ChartView *m_view;
    QLabel *m_findings;
};

// Opens the chart of `path` as a window of its own, or says why it cannot.
void OpenChart(PlatformServices &platform, QWidget *parent, const QString &path);

// `quorbex --chart FILE`: the chart window alone, until it is closed; 2 with a line on standard error
// when the file cannot be charted.
[[nodiscard]] int RunChartWindow(const QString &path);
