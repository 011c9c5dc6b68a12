#pragma once

#include "ChartModel.h"

#include <QPoint>
#include <QWidget>

#include <optional>

// Draws a ChartModel: candles or OHLC bars over a date axis, a price axis that fits the bars in view,
// volume beneath, the check's findings as marks with their words in a tooltip, and a crosshair that
// names the bar under the pointer. The wheel zooms, a drag pans, and the keys do both.
class ChartView : public QWidget
{
public:
    enum class Style { Candles, OhlcBars };

    explicit ChartView(ChartModel model, QWidget *parent = nullptr);

    [[nodiscard]] ChartModel &Model() { return m_model; }
    void SetStyle(Style style);
    void ShowAll();
    void ShowLastYear();
    // The plot's share of the widget: what the model's width is measured against.
    [[nodiscard]] QRect PlotRect() const;
    [[nodiscard]] QRect VolumeRect() const;
    // What the crosshair says of a bar: date, open, high, low, close and volume.
    [[nodiscard]] QString CrosshairText(int bar) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void UpdateWidth();

    ChartModel m_model;
    Style m_style = Style::Candles;
    std::optional<QPoint> m_pointer;
    std::optional<QPoint> m_dragFrom;
};
