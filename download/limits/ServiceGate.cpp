#include "ServiceGate.h"

#include "RetryRule.h"

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// When a refusal in words lets the next request through.
QDateTime SpentUntil(QuoteService::Refusal refusal, const QDateTime &nowUtc)
{
    const QDate today = nowUtc.date();
    switch (refusal) {
    case QuoteService::Refusal::SpentForHour:
        return QDateTime(today, QTime(nowUtc.time().hour(), 0), Qt::UTC).addSecs(3600);
    case QuoteService::Refusal::SpentForDay:
        return QDateTime(today.addDays(1), QTime(0, 0), Qt::UTC);
    case QuoteService::Refusal::SpentForMonth:
        return QDateTime(QDate(today.year(), today.month(), 1).addMonths(1), QTime(0, 0), Qt::UTC);
    default:
        return {};
    }
}

} // namespace

std::optional<milliseconds> ServiceGate::Book(Clock::time_point now, const QDateTime &nowUtc)
{
    if (Spent() || Dead())
        return std::nullopt;
    const milliseconds wait = duration_cast<milliseconds>(m_pacer.Reserve(now) - now);
    if (wait > RetryRule::kLongestRetryAfter) {
        SpendUntil(nowUtc.addMSecs(wait.count()));
        return std::nullopt;
    }
    return wait;
}

ServiceGate::Verdict ServiceGate::Judge(const QuoteService &service, const FetchResult &reply, int tries,
                                        int retries, Clock::time_point now, const QDateTime &nowUtc,
                                        double jitter01)
{
    const QuoteService::Refusal refusal = service.Refuses(reply);
    if (const QDateTime until = SpentUntil(refusal, nowUtc); until.isValid()) {
        SpendUntil(until);
        return {Verdict::Spent};
    }
    const std::optional<std::chrono::seconds> retryAfter =
        reply.retryAfter.isEmpty() ? std::nullopt : RetryRule::ParseRetryAfter(reply.retryAfter, nowUtc);
    if (retryAfter && *retryAfter > RetryRule::kLongestRetryAfter) {
        SpendUntil(nowUtc.addSecs(retryAfter->count()));
        return {Verdict::Spent};
    }
    if (!RetryRule::IsTransient(reply) && refusal != QuoteService::Refusal::TryLater)
        return {Verdict::Take};
    if (retryAfter) // every job holds back, not only the one refused
        m_pacer.Refused(now, *retryAfter);
    if (tries > retries)
        return {Verdict::Take};
    return {Verdict::Retry, retryAfter ? milliseconds(*retryAfter) : RetryRule::Backoff(tries, jitter01)};
}

void ServiceGate::SpendUntil(const QDateTime &utc)
{
    if (!m_spentUntil.isValid() || utc > m_spentUntil)
        m_spentUntil = utc;
}

void ServiceGate::RowEnded(const FetchResult &reply)
{
    switch (reply.failure) {
    case FetchResult::Failure::ConnectionRefused:
    case FetchResult::Failure::HostNotFound:
    case FetchResult::Failure::Tls:
    case FetchResult::Failure::Timeout:
        ++m_unansweredRows;
        break;
    case FetchResult::Failure::Cancelled:
        break;
    default:
        m_unansweredRows = 0;
        break;
    }
}

QString ServiceGate::NotTriedCause() const
{
    if (Dead())
        return QStringLiteral("not tried: the service did not answer (%1 rows in a row)")
            .arg(kUnansweredRows);
    return QStringLiteral("not tried: the service's allowance is used up (try again after %1)")
        .arg(m_spentUntil.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}
