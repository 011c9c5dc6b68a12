#pragma once

#include <QDateTime>

#include <chrono>
#include <functional>

class QObject;

// The time and the waits of a download batch, passed in so tests can run a batch's waits without
// sleeping.
class BatchClock
{
public:
    virtual ~BatchClock() = default;

    [[nodiscard]] virtual std::chrono::steady_clock::time_point Now() const = 0;
    // For Retry-After dates and for telling when an allowance comes back.
    [[nodiscard]] virtual QDateTime NowUtc() const = 0;
    // Calls `callback` on `context`'s thread once `delay` has passed (never from inside this call),
    // unless `context` is destroyed first.
    virtual void CallAfter(std::chrono::milliseconds delay, QObject *context,
                           std::function<void()> callback) = 0;
    // Uniform in [0, 1).
    [[nodiscard]] virtual double Jitter() = 0;
};
