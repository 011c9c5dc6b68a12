#pragma once

#include "BatchClock.h"

// The real clock, timers and randomness.
class SystemBatchClock final : public BatchClock
{
public:
    [[nodiscard]] std::chrono::steady_clock::time_point Now() const override;
    [[nodiscard]] QDateTime NowUtc() const override;
    void CallAfter(std::chrono::milliseconds delay, QObject *context,
                   std::function<void()> callback) override;
    [[nodiscard]] double Jitter() override;
};
