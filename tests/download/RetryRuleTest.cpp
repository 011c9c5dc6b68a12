#include "RetryRule.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace std::chrono_literals;

namespace {

TEST(RetryRule, RetriesOnlyWhatTryingAgainCanChange)
{
    using Failure = FetchResult::Failure;
    const std::tuple<int, Failure, bool> cases[] = {
        {0, Failure::Timeout, true},         {0, Failure::ConnectionRefused, true},
        {0, Failure::ConnectionReset, true}, {200, Failure::CutShort, true},
        {0, Failure::HostNotFound, false},   {0, Failure::Tls, false},
        {200, Failure::TooLarge, false},     {0, Failure::InvalidUrl, false},
        {0, Failure::Cancelled, false},      {0, Failure::Other, false},
        {429, Failure::None, true},          {500, Failure::None, true},
        {502, Failure::None, true},          {503, Failure::None, true},
        {504, Failure::None, true},          {200, Failure::None, false},
        {400, Failure::None, false},         {401, Failure::None, false},
        {402, Failure::None, false},         {404, Failure::None, false},
        {501, Failure::None, false},         {505, Failure::None, false},
    };
    for (const auto &[status, failure, transient] : cases) {
        SCOPED_TRACE(testing::Message() << status << " failure " << int(failure));
        FetchResult reply;
        reply.httpStatus = status;
        reply.ok = failure == Failure::None;
        reply.failure = failure;
        EXPECT_EQ(RetryRule::IsTransient(reply), transient);
    }
}

TEST(RetryRule, ReadsRetryAfterAsSecondsOrAnyHttpDate)
{
    const QDateTime now(QDate(2026, 12, 1), QTime(12, 0, 0, 400), Qt::UTC);
    const std::optional<std::chrono::seconds> none;
    const std::pair<const char *, std::optional<std::chrono::seconds>> cases[] = {
        {"120", 120s},
        {" 7 ", 7s},
        {"0", 0s},
        {"0086400", 86400s},
        {"99999999999999999999", std::numeric_limits<qint32>::max() * 1s},
        // Rounded up: a wait cut short by the 0.4 s would meet the same refusal.
        {"Tue, 01 Dec 2026 12:02:00 GMT", 120s},
        {"Tue, 1 Dec 2026 12:02:00 GMT", 120s},
        {"Tuesday, 01-Dec-26 12:02:00 GMT", 120s},
        {"Tue Dec  1 12:02:00 2026", 120s},
        {"Tue, 01 Dec 2026 12:00:00 GMT", 0s},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 0s},
        {"Tuesday, 01-Dec-77 12:00:00 GMT", 0s}, // 1977, not 51 years ahead
        {"", none},
        {"-5", none},
        {"1.5", none},
        {"12 s", none},
        {"soon", none},
        {"Tue, 32 Dec 2026 12:00:00 GMT", none},
        {"Tue, 01 Dec 2026 24:00:00 GMT", none},
        {"Tue, 01 Foo 2026 12:00:00 GMT", none},
        {"Tue, 01 Dec 2026 12:00:00 CET", none},
        {"Tuesday, 01-Dec-2026 12:00:00 GMT", none},
        {"Tue Dec  1 12:02 2026", none},
    };
    for (const auto &[text, wait] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(RetryRule::ParseRetryAfter(QByteArrayView(text), now), wait);
    }
    const auto ahead = RetryRule::ParseRetryAfter("Tuesday, 01-Dec-76 12:00:00 GMT", now);
    const QDateTime in2076(QDate(2076, 12, 1), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(ahead, std::chrono::ceil<std::chrono::seconds>(std::chrono::milliseconds(now.msecsTo(in2076))));
    EXPECT_GT(ahead, RetryRule::kLongestRetryAfter);
}

TEST(RetryRule, BacksOffDoublingWithJitterUpToAMinute)
{
    const std::tuple<int, double, std::chrono::milliseconds> cases[] = {
        {1, 0.0, 800ms},   {1, 0.9999, 1200ms}, {2, 0.0, 1600ms}, {3, 0.5, 4000ms},
        {7, 0.0, 51200ms}, {7, 0.9999, 60s},    {0, 0.0, 800ms},  {1000, 0.0, 60s},
    };
    for (const auto &[retry, jitter, wait] : cases) {
        SCOPED_TRACE(testing::Message() << retry << " jitter " << jitter);
        EXPECT_NEAR(double(RetryRule::Backoff(retry, jitter).count()), double(wait.count()), 1.0);
    }
}

// The batch's tests see "(3 tries)" after a cause; a cause is never taken for a format string.
TEST(RetryRule, CountsTriesAfterTheCause)
{
    EXPECT_EQ(RetryRule::TriesCause(QStringLiteral("100%1"), 2), QStringLiteral("100%1 (2 tries)"));
}

} // namespace
