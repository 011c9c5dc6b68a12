#pragma once

#include <QtGlobal>

#include <chrono>
#include <deque>

// A service's limits on how many requests it serves: so many in any sliding window of time, and so
// many in all. A refused request counts against neither.
class RequestLimits
{
public:
    using Clock = std::chrono::steady_clock;
    struct Rate
    {
        int count = 0; // 0: no rate limit
        std::chrono::seconds period{0};
    };
    enum class Verdict { Serve, TooFast, AllowanceSpent };
    struct Decision
    {
        Verdict verdict = Verdict::Serve;
        std::chrono::seconds retryAfter{0}; // when TooFast: until a place in the window frees, at least 1 s
    };

    // A negative allowance is no allowance at all.
    RequestLimits(Rate rate, qint64 allowance) : m_rate(rate), m_allowance(allowance) {}

    // Serving counts the request.
    [[nodiscard]] Decision Admit(Clock::time_point now);
    [[nodiscard]] qint64 Allowance() const { return m_allowance; }

private:
    Rate m_rate;
    qint64 m_allowance;
    qint64 m_served = 0;
    std::deque<Clock::time_point> m_recent; // times of the requests served in the window, oldest first
};
