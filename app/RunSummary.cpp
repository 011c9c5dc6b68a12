#include "RunSummary.h"

#include <QStringList>

#include <algorithm>

namespace {

QString Duration(qint64 elapsedMs)
{
    const qint64 seconds = (elapsedMs + 500) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    const qint64 minutes = (seconds + 30) / 60;
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

} // namespace

QString RunSummaryText(const DownloadBatch::Summary &summary, int total, qint64 elapsedMs)
{
    QStringList parts;
    QString succeeded = QStringLiteral("%1 succeeded").arg(summary.succeeded);
    if (summary.marketDay > 0)
        succeeded += QStringLiteral(" (%1 from the market day)").arg(summary.marketDay);
    parts.append(succeeded);
    if (summary.noData > 0)
        parts.append(QStringLiteral("%1 no data").arg(summary.noData));
    if (summary.failed > 0 || !summary.stopped)
        parts.append(QStringLiteral("%1 failed").arg(summary.failed));
    const int done = summary.succeeded + summary.noData + summary.failed;
    parts.append(QStringLiteral("%1 not tried").arg(std::max(0, total - done)));
    // The market day saves requests; then their count is worth telling.
    if (summary.marketDay > 0)
        parts.append(summary.requests == 1 ? QStringLiteral("1 request")
                                           : QStringLiteral("%1 requests").arg(summary.requests));
    const QString text = parts.join(QStringLiteral(", "));
    if (summary.stopped)
        return QStringLiteral("Stopped: ") + text;
    return text + QStringLiteral(" in ") + Duration(elapsedMs);
}
