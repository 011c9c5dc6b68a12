#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, size > 16);
    const qreal unit = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x3a, 0x5f));
    painter.drawRoundedRect(QRectF(0, 0, size, size), 2 * unit, 2 * unit);

    // Four bars, each a high-low line with open and close ticks, climbing to the right.
    struct Bar
    {
        qreal low, high, open, close;
    };
    constexpr Bar bars[] = {{11, 14, 13, 12}, {9, 12.5, 11, 10}, {6, 10, 9, 7}, {2.5, 7, 6, 3.5}};
    const QColor up(0x7c, 0xe0, 0x8a);
    QPen pen(up, std::max<qreal>(1.0, unit));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    for (int i = 0; i < 4; ++i) {
        const qreal x = (2.5 + 3.5 * i) * unit;
        painter.drawLine(QPointF(x, bars[i].low * unit), QPointF(x, bars[i].high * unit));
        painter.drawLine(QPointF(x - 1.2 * unit, bars[i].open * unit), QPointF(x, bars[i].open * unit));
        painter.drawLine(QPointF(x, bars[i].close * unit), QPointF(x + 1.2 * unit, bars[i].close * unit));
    }
    return pixmap;
}

} // namespace

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawIcon(size));
    return icon;
}
