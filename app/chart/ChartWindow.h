#pragma once

#include <QWidget>

class ChartView;
class PlatformServices;
class QLabel;
class QThread;

// A window with the chart of one bar file: the style, "All" and "Last year" above the chart, and
// what the check found in the file beneath it.
class ChartWindow : public QWidget
{
public:
    // Reads and checks the file; `error` gets why it cannot be charted and nothing is made then.
    [[nodiscard]] static ChartWindow *FromFile(const QString &path, QString *error,
                                               QWidget *parent = nullptr);

    ~ChartWindow() override;

    [[nodiscard]] ChartView &View() const { return *m_view; }
    // Waits for the check against the folder, for a test or a benchmark.
    void WaitForCheck();

private:
    ChartWindow(const QString &path, ChartView *view, QWidget *parent);
    void ShowFindings();
    // Checks the file again against its folder's calendar, away from the window, which shows the
    // file's own findings until then: reading a whole library would hold the window up.
    void CheckAgainstFolder(const QString &path);

    ChartView *m_view;
    QLabel *m_findings;
    QThread *m_check = nullptr;
};

// Opens the chart of `path` as a window of its own, or says why it cannot.
void OpenChart(PlatformServices &platform, QWidget *parent, const QString &path);

// `quorbex --chart FILE`: the chart window alone, until it is closed; 2 with a line on standard error
// when the file cannot be charted.
[[nodiscard]] int RunChartWindow(const QString &path);
