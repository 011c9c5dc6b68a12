#include "FakeBatchClock.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

// Batch tests rely on this: due callbacks run in time order, with the clock at their time, including
// ones asked for by a callback, and never for a context already gone.
TEST(FakeBatchClock, RunsDueCallbacksInTimeOrderAtTheirTime)
{
    FakeBatchClock clock;
    const auto start = clock.Now();
    QObject context;
    std::vector<int> order;
    clock.CallAfter(2s, &context, [&] { order.push_back(2); });
    clock.CallAfter(1s, &context, [&] {
        order.push_back(1);
        EXPECT_EQ(clock.Now(), start + 1s);
        clock.CallAfter(500ms, &context, [&] { order.push_back(15); });
    });
    auto gone = std::make_unique<QObject>();
    clock.CallAfter(1s, gone.get(), [&] { order.push_back(-1); });
    gone.reset();
    EXPECT_TRUE(order.empty());

    EXPECT_TRUE(clock.RunUntilIdle());
    EXPECT_EQ(order, (std::vector<int>{1, 15, 2}));
    EXPECT_EQ(clock.NowUtc(), QDateTime(QDate(2026, 12, 1), QTime(12, 0, 2), Qt::UTC));
    EXPECT_EQ(clock.Now(), start + 2s);
    EXPECT_EQ(clock.Waits(), (std::vector<std::chrono::milliseconds>{2s, 1s, 1s, 500ms}));
}

} // namespace
