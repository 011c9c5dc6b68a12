#include "ChartView.h"

#include "DateValue.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr int kAxisWidth = 64;  // price labels on the right
constexpr int kAxisHeight = 20; // date labels beneath
constexpr int kInfoHeight = 18; // the crosshair's line above the plot
constexpr double kVolumeShare = 0.2;
constexpr int kMarkerSize = 6;
constexpr double kKeyZoom = 1.25;
constexpr double kWheelZoom = 1.15; // per wheel notch
constexpr double kLogRatio = 8;     // highest to lowest price in view from which the scale is logarithmic

const QColor kUp(0x1b, 0x8a, 0x4a);
const QColor kDown(0xc8, 0x32, 0x32);
const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kFinding(0xe0, 0x7a, 0x00);

QString Price(double value)
{
    const double size = std::abs(value);
    return QString::number(value, 'f', size >= 1000 || size == 0 ? 0 : size >= 1 ? 2 : 4);
}

QString Volume(double value)
{
    return QLocale::c().toString(value, 'f', 0);
}

// A round step (1, 2 or 5 times a power of ten) that gives about `count` steps over `range`.
double NiceStep(double range, int count)
{
    const double raw = range / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double step : {1.0, 2.0, 5.0}) {
        if (step * power >= raw)
            return step * power;
    }
    return 10 * power;
}

} // namespace

ChartView::ChartView(ChartModel model, QWidget *parent) : QWidget(parent), m_model(std::move(model))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateWidth();
    m_model.ShowLastYear();
}

void ChartView::SetStyle(Style style)
{
    m_style = style;
    update();
}

void ChartView::ShowAll()
{
    m_model.ShowAll();
    update();
}

void ChartView::ShowLastYear()
{
    m_model.ShowLastYear();
    update();
}

QRect ChartView::PlotRect() const
{
    const int height = this->height() - kInfoHeight - kAxisHeight;
    const int volume = int(height * kVolumeShare);
    return {0, kInfoHeight, std::max(1, width() - kAxisWidth), std::max(1, height - volume - 4)};
}

QRect ChartView::VolumeRect() const
{
    const QRect plot = PlotRect();
    const int bottom = height() - kAxisHeight;
    return {0, plot.bottom() + 5, plot.width(), std::max(1, bottom - plot.bottom() - 5)};
}

void ChartView::UpdateWidth()
{
    m_model.SetWidth(PlotRect().width());
}

void ChartView::resizeEvent(QResizeEvent *event)
{
    // The same bars stay in view; only their width changes.
    UpdateWidth();
    QWidget::resizeEvent(event);
}

QString ChartView::CrosshairText(int bar) const
{
    const BarSeries &series = m_model.Series();
    if (bar < 0 || bar >= m_model.BarCount())
        return {};
    const BarSeries::Values &v = series.values[std::size_t(bar)];
    return QStringLiteral("%1   O %2   H %3   L %4   C %5   V %6")
        .arg(DateValue::ToDate(series.dates[std::size_t(bar)]).toString(Qt::ISODate), Price(v[0]),
             Price(v[1]), Price(v[2]), Price(v[3]), Volume(v[4]));
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect plot = PlotRect();
    const QRect volumeRect = VolumeRect();
    const std::vector<ChartModel::Column> columns = m_model.Columns();
    const ChartModel::Range range = ChartModel::RangeOf(columns);
    const QFontMetrics metrics = fontMetrics();
    if (!range.valid) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No bars to show"));
        return;
    }
    // A history that spans a tenfold move (or a price in the wrong unit) reads better on a log scale.
    const bool logScale = range.low > 0 && range.high / range.low >= kLogRatio;
    const auto scale = [logScale](double price) { return logScale ? std::log(price) : price; };
    const double pad = (scale(range.high) - scale(range.low)) * 0.05 + std::abs(scale(range.high)) * 1e-6;
    const double low = scale(range.low) - pad;
    const double high = scale(range.high) + pad;
    const auto yOf = [&](double price) {
        return plot.top() + (high - scale(price)) / (high - low) * plot.height();
    };
    const auto priceAt = [&](double y) {
        const double scaled = high - (y - plot.top()) * (high - low) / plot.height();
        return logScale ? std::exp(scaled) : scaled;
    };
    const auto volumeY = [&](double volume) {
        return volumeRect.bottom() + 1 -
               (range.volume > 0 ? volume / range.volume * volumeRect.height() : 0.0);
    };

    // Price grid and axis.
    QList<double> ticks;
    if (logScale) {
        for (double power = std::pow(10.0, std::floor(low / std::log(10.0))); power <= std::exp(high);
             power *= 10) {
            for (const double step : {1.0, 2.0, 5.0})
                ticks.append(power * step);
        }
    } else {
        const double step = NiceStep(high - low, std::max(2, plot.height() / 50));
        for (double price = std::ceil(low / step) * step; price <= high; price += step)
            ticks.append(price);
    }
    for (const double price : ticks) {
        const double y = yOf(price);
        if (price <= 0 && logScale)
            continue;
        if (y < plot.top() || y > plot.bottom())
            continue;
        painter.setPen(kGrid);
        painter.drawLine(QPointF(0, y), QPointF(plot.right(), y));
        painter.setPen(Qt::darkGray);
        painter.drawText(QPointF(plot.right() + 6, y + metrics.ascent() / 2.0), Price(price));
    }

    // Date axis: a tick where the year, quarter, month or week changes, as the zoom allows.
    const std::vector<double> &dates = m_model.Series().dates;
    const double pixelsPerDay = m_model.PixelsPerBar() * 5.0 / 7.0; // about five bars a week
    const int minGap = metrics.horizontalAdvance(QStringLiteral("Mar 2024")) + 8;
    enum Unit { Week, Month, Quarter, Year, FiveYears };
    Unit unit = FiveYears;
    for (const auto &[candidate, days] :
         {std::pair{Week, 7.0}, {Month, 30.4}, {Quarter, 91.3}, {Year, 365.0}}) {
        if (days * pixelsPerDay >= minGap) {
            unit = candidate;
            break;
        }
    }
    const auto periodOf = [unit](QDate date) {
        switch (unit) {
        case Week:
            return int(date.toJulianDay() / 7);
        case Month:
            return date.year() * 12 + date.month();
        case Quarter:
            return date.year() * 4 + (date.month() - 1) / 3;
        case Year:
            return date.year();
        case FiveYears:
            break;
        }
        return date.year() / 5;
    };
    const auto [firstBar, lastBar] = m_model.VisibleBars();
    int period = firstBar > 0 ? periodOf(DateValue::ToDate(dates[std::size_t(firstBar - 1)])) : -1;
    double lastLabel = -1e9;
    for (int bar = firstBar; bar <= lastBar; ++bar) {
        const QDate date = DateValue::ToDate(dates[std::size_t(bar)]);
        const int now = periodOf(date);
        if (now == period)
            continue;
        period = now;
        const double x = m_model.XOf(bar);
        if (x - lastLabel < minGap)
            continue;
        lastLabel = x;
        painter.setPen(kGrid);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, volumeRect.bottom()));
        const QString label = unit == Week      ? QLocale::c().toString(date, QStringLiteral("d MMM"))
                              : unit == Month   ? QLocale::c().toString(date, QStringLiteral("MMM yyyy"))
                              : unit == Quarter ? QLocale::c().toString(date, QStringLiteral("MMM yyyy"))
                                                : QString::number(date.year());
        painter.setPen(Qt::darkGray);
        painter.drawText(QPointF(x + 2, height() - 5), label);
    }

    // Findings: a dashed line behind the bars at their bar, a mark on the plot's top edge above it.
    const std::vector<ChartModel::Marker> markers = m_model.VisibleMarkers();
    painter.setPen(QPen(kFinding, 1, Qt::DashLine));
    for (const ChartModel::Marker &marker : markers)
        painter.drawLine(QPointF(std::floor(marker.x) + 0.5, plot.top()),
                         QPointF(std::floor(marker.x) + 0.5, plot.bottom()));

    // Bars and volume, lines gathered per colour so that a long history is a few calls.
    QList<QLineF> upLines, downLines;
    QList<QRectF> upBodies, downBodies, upVolume, downVolume;
    const bool candles = m_style == Style::Candles;
    for (const ChartModel::Column &column : columns) {
        const bool up = column.close >= column.open;
        QList<QLineF> &lines = up ? upLines : downLines;
        const double x = std::floor(column.x) + 0.5;
        lines.append(QLineF(x, yOf(column.high), x, yOf(column.low)));
        const double half = std::max(0.0, std::floor(column.width * 0.35));
        if (half >= 1) {
            if (candles) {
                const double top = yOf(std::max(column.open, column.close));
                const double bottom = yOf(std::min(column.open, column.close));
                (up ? upBodies : downBodies)
                    .append(QRectF(x - half, top, 2 * half, std::max(1.0, bottom - top)));
            } else {
                lines.append(QLineF(x - half, yOf(column.open), x, yOf(column.open)));
                lines.append(QLineF(x, yOf(column.close), x + half, yOf(column.close)));
            }
        }
        const double volumeTop = volumeY(column.volume);
        (up ? upVolume : downVolume)
            .append(QRectF(x - std::max(0.5, half), volumeTop, std::max(1.0, 2 * half),
                           volumeRect.bottom() + 1 - volumeTop));
    }
    painter.setPen(QPen(kUp, 1));
    painter.drawLines(upLines);
    painter.setPen(QPen(kDown, 1));
    painter.drawLines(downLines);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kUp);
    painter.drawRects(upBodies);
    painter.setBrush(kDown);
    painter.drawRects(downBodies);
    painter.setBrush(kUp.lighter(150));
    painter.drawRects(upVolume);
    painter.setBrush(kDown.lighter(150));
    painter.drawRects(downVolume);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kFinding);
    for (const ChartModel::Marker &marker : markers) {
        const double x = std::floor(marker.x) + 0.5;
        const QPointF triangle[] = {{x - kMarkerSize, double(plot.top())},
                                    {x + kMarkerSize, double(plot.top())},
                                    {x, double(plot.top() + kMarkerSize * 1.5)}};
        painter.drawPolygon(triangle, 3);
    }

    painter.setPen(Qt::lightGray);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, 0));
    painter.drawRect(volumeRect.adjusted(0, 0, -1, 0));

    // Crosshair and the bar under it.
    QString info = QStringLiteral("%1 bars, %2 in view")
                       .arg(m_model.BarCount())
                       .arg(std::max(0, lastBar - firstBar + 1));
    if (m_pointer && plot.united(volumeRect).contains(*m_pointer)) {
        const int bar = m_model.BarAt(m_pointer->x());
        const double x = std::floor(m_model.XOf(bar)) + 0.5;
        painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, volumeRect.bottom()));
        if (plot.contains(*m_pointer)) {
            painter.drawLine(QPointF(0, m_pointer->y() + 0.5), QPointF(plot.right(), m_pointer->y() + 0.5));
            const QString label = Price(priceAt(m_pointer->y()));
            const QRectF box(plot.right() + 2, m_pointer->y() - metrics.height() / 2.0,
                             metrics.horizontalAdvance(label) + 8, metrics.height());
            painter.fillRect(box, Qt::white);
            painter.setPen(Qt::black);
            painter.drawRect(box);
            painter.drawText(box, Qt::AlignCenter, label);
        }
        info = CrosshairText(bar);
        for (const ChartModel::Marker &marker : markers) {
            if (marker.bar == bar)
                info += QStringLiteral("   ") + marker.words.section(u'\n', 0, 0);
        }
    }
    painter.setPen(Qt::black);
    painter.drawText(QPointF(4, metrics.ascent() + 2), info);
}

void ChartView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) {
        m_model.ZoomAt(std::pow(kWheelZoom, notches), event->position().x());
        update();
    }
    event->accept();
}

void ChartView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragFrom = event->position().toPoint();
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        m_model.PanPixels(m_dragFrom->x() - pos.x());
        m_dragFrom = pos;
    }
    m_pointer = pos;
    update();
}

void ChartView::mouseReleaseEvent(QMouseEvent *)
{
    m_dragFrom.reset();
}

void ChartView::leaveEvent(QEvent *event)
{
    m_pointer.reset();
    update();
    QWidget::leaveEvent(event);
}

void ChartView::keyPressEvent(QKeyEvent *event)
{
    const double span = m_model.Span();
    const double middle = m_model.Width() / 2;
    switch (event->key()) {
    case Qt::Key_Left:
        m_model.PanBars(-span / 10);
        break;
    case Qt::Key_Right:
        m_model.PanBars(span / 10);
        break;
    case Qt::Key_PageUp:
        m_model.PanBars(-span);
        break;
    case Qt::Key_PageDown:
        m_model.PanBars(span);
        break;
    case Qt::Key_Home:
        m_model.ScrollToStart();
        break;
    case Qt::Key_End:
        m_model.ScrollToEnd();
        break;
    case Qt::Key_Up:
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_model.ZoomAt(kKeyZoom, middle);
        break;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        m_model.ZoomAt(1 / kKeyZoom, middle);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

bool ChartView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        for (const ChartModel::Marker &marker : m_model.VisibleMarkers()) {
            if (std::abs(help->pos().x() - marker.x) <= kMarkerSize && PlotRect().contains(help->pos())) {
                QToolTip::showText(help->globalPos(), marker.words, this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
