#pragma once

#include "FetchResult.h"
#include "QuoteService.h"
#include "RequestPacer.h"

#include <QDateTime>

#include <chrono>
#include <optional>

// What a run knows of one service's limits: the pace its requests keep and whether its allowance is used
// up. Every try of every job goes through it, so one refusal stops the requests of all of them.
class ServiceGate
{
public:
    using Clock = std::chrono::steady_clock;

    struct Verdict
    {
        enum Kind { Take, Retry, Spent };
        Kind kind = Take;
        std::chrono::milliseconds wait{0}; // Retry: before the next try
    };

    explicit ServiceGate(QList<Rate> rates) : m_pacer(std::move(rates)) {}

    // The wait before the next request may go, or nothing when none may go in this run (the allowance is
    // used up, or the pace would hold the request back for longer than a refusal's Retry-After may last).
    [[nodiscard]] std::optional<std::chrono::milliseconds> Book(Clock::time_point now,
                                                                const QDateTime &nowUtc);
    // Judges reply `tries` of a request that may be tried `retries` more times.
    [[nodiscard]] Verdict Judge(const QuoteService &service, const FetchResult &reply, int tries, int retries,
                                Clock::time_point now, const QDateTime &nowUtc, double jitter01);

    [[nodiscard]] bool Spent() const { return m_spentUntil.isValid(); }
    // Takes the last reply of a row's request: after this many rows in a row whose connection failed
    // through all their tries, the service is taken for dead and no more requests go to it in this run.
    static constexpr int kUnansweredRows = 3;
    void RowEnded(const FetchResult &reply);
    [[nodiscard]] bool Dead() const { return m_unansweredRows >= kUnansweredRows; }
    // "not tried: the service's allowance is used up (try again after ...)", or that it did not answer.
    [[nodiscard]] QString NotTriedCause() const;

private:
    void SpendUntil(const QDateTime &utc);

    RequestPacer m_pacer;
    QDateTime m_spentUntil; // invalid while requests may go
    int m_unansweredRows = 0;
};
