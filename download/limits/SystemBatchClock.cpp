#include "SystemBatchClock.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <limits>

std::chrono::steady_clock::time_point SystemBatchClock::Now() const
{
    return std::chrono::steady_clock::now();
}

QDateTime SystemBatchClock::NowUtc() const
{
    return QDateTime::currentDateTimeUtc();
}

void SystemBatchClock::CallAfter(std::chrono::milliseconds delay, QObject *context,
                                 std::function<void()> callback)
{
    // A coarse timer may fire up to 5% early, which would send a paced request before its slot.
    const std::chrono::milliseconds bounded = std::clamp(
        delay, std::chrono::milliseconds{0}, std::chrono::milliseconds{std::numeric_limits<int>::max()});
    QTimer::singleShot(bounded, Qt::PreciseTimer, context, std::move(callback));
}

double SystemBatchClock::Jitter()
{
    return QRandomGenerator::global()->generateDouble();
}
