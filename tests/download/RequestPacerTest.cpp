#include "RequestPacer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Clock = RequestPacer::Clock;
const Clock::time_point kStart = Clock::time_point{} + 1000h;

// The slots of `count` requests all asked for at kStart.
std::vector<Clock::time_point> Book(RequestPacer &pacer, int count)
{
    std::vector<Clock::time_point> slots;
    for (int i = 0; i < count; ++i)
        slots.push_back(pacer.Reserve(kStart));
    return slots;
}

TEST(RequestPacer, SpreadsShortPeriodsOutWithAMargin)
{
    const std::tuple<Rate, Clock::duration> cases[] = {
        {{5, 1s}, 220ms},    // the margin is at least 20 ms
        {{8, 1min}, 7650ms}, // and otherwise 2% of the interval
        {{1000, 1min}, 80ms},
    };
    for (const auto &[rate, gap] : cases) {
        SCOPED_TRACE(RatesText({rate}).toStdString());
        RequestPacer pacer({rate});
        const std::vector<Clock::time_point> slots = Book(pacer, 50);
        for (std::size_t i = 0; i < slots.size(); ++i) {
            EXPECT_EQ(slots[i], kStart + int(i) * gap);
            if (i >= std::size_t(rate.count)) {
                EXPECT_GT(slots[i] - slots[i - rate.count], rate.period);
            }
        }
        // An idle pacer does not save slots up for a burst later.
        EXPECT_EQ(pacer.Reserve(kStart + 1h), kStart + 1h);
        EXPECT_EQ(pacer.Reserve(kStart + 1h), kStart + 1h + gap);
    }
}

TEST(RequestPacer, LetsALongPeriodsAllowanceGoAtOnceThenWaitsForTheOldest)
{
    RequestPacer pacer({{50, 1h}});
    for (const Clock::time_point slot : Book(pacer, 50))
        EXPECT_EQ(slot, kStart);
    const Clock::time_point later = pacer.Reserve(kStart + 10min);
    EXPECT_EQ(later, kStart + 1h + 1440ms);
    EXPECT_EQ(pacer.Reserve(kStart + 10min), later);
    EXPECT_EQ(pacer.Reserve(kStart + 5h), kStart + 5h);
}

TEST(RequestPacer, KeepsToEveryRateAtOnce)
{
    RequestPacer pacer({{8, 1min}, {800, 24h}});
    const std::vector<Clock::time_point> slots = Book(pacer, 801);
    EXPECT_EQ(slots[799], kStart + 799 * 7650ms);
    EXPECT_EQ(slots[800], kStart + 24h + 2160ms);
}

TEST(RequestPacer, ARefusalHoldsBackTheNextSlots)
{
    for (const QList<Rate> &rates : {QList<Rate>{{8, 1min}}, QList<Rate>{{50, 1h}}, QList<Rate>{}}) {
        SCOPED_TRACE(RatesText(rates).toStdString());
        RequestPacer pacer(rates);
        EXPECT_EQ(pacer.Reserve(kStart), kStart);
        pacer.Refused(kStart + 1s, 30s);
        pacer.Refused(kStart + 2s, 10s); // a shorter wait later does not undo the longer one
        EXPECT_EQ(pacer.Reserve(kStart + 2s), kStart + 31s);
        EXPECT_GE(pacer.Reserve(kStart + 2s), kStart + 31s);
    }
}

} // namespace
