#include "RequestLimits.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Verdict = RequestLimits::Verdict;

// A window of 2 requests in 10 s, walked through its edges: a request ages out exactly 10 s after it
// was served, and refused requests take no place in the window.
TEST(RequestLimitsTest, SlidingWindowCountsOnlyServedRequests)
{
    RequestLimits limits({2, 10s}, -1);
    const RequestLimits::Clock::time_point zero{};
    const struct
    {
        std::chrono::milliseconds at;
        Verdict verdict;
        std::chrono::seconds retryAfter;
    } steps[] = {
        {0ms, Verdict::Serve, 0s},       {1000ms, Verdict::Serve, 0s},   {2000ms, Verdict::TooFast, 8s},
        {9500ms, Verdict::TooFast, 1s},  {9999ms, Verdict::TooFast, 1s}, {10000ms, Verdict::Serve, 0s},
        {10500ms, Verdict::TooFast, 1s}, {11000ms, Verdict::Serve, 0s},  {11000ms, Verdict::TooFast, 9s},
    };
    for (const auto &step : steps) {
        const RequestLimits::Decision decision = limits.Admit(zero + step.at);
        EXPECT_EQ(decision.verdict, step.verdict) << step.at.count() << " ms";
        EXPECT_EQ(decision.retryAfter, step.retryAfter) << step.at.count() << " ms";
    }
}

// Requests refused as too fast leave the allowance alone; once it is spent, waiting does not help.
TEST(RequestLimitsTest, AllowanceRefusesEverythingOnceSpent)
{
    RequestLimits limits({1, 1s}, 3);
    const RequestLimits::Clock::time_point zero{};
    const std::pair<std::chrono::seconds, Verdict> steps[] = {
        {0s, Verdict::Serve},          {0s, Verdict::TooFast}, {1s, Verdict::Serve},
        {1s, Verdict::TooFast},        {2s, Verdict::Serve},   {2s, Verdict::AllowanceSpent},
        {24h, Verdict::AllowanceSpent}};
    for (const auto &[at, verdict] : steps)
        EXPECT_EQ(limits.Admit(zero + at).verdict, verdict) << at.count() << " s";
    RequestLimits none({0, 0s}, 0);
    EXPECT_EQ(none.Admit(zero).verdict, Verdict::AllowanceSpent);
}

} // namespace
