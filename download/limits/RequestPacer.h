#pragma once

#include "RequestRates.h"

#include <QList>

#include <chrono>
#include <deque>
#include <vector>

// Books the send times of one service's requests, tries and retries alike, so that none of its rates is
// exceeded. One per service, shared by every job of a run (in one thread).
class RequestPacer
{
public:
    using Clock = std::chrono::steady_clock;

    // Rates up to a minute are spread out evenly; longer ones let a burst through and then hold back.
    static constexpr std::chrono::seconds kLongestSpreadPeriod{60};

    explicit RequestPacer(QList<Rate> rates);

    // When the next request may be sent, no earlier than `now`; that slot is then taken.
    [[nodiscard]] Clock::time_point Reserve(Clock::time_point now);
    // The service refused a request as one too many: no slot before `now` + `wait`.
    void Refused(Clock::time_point now, std::chrono::milliseconds wait);

private:
    struct Track
    {
        // How far a slot must follow the oldest one kept: P/N when spread out, P when bursting, plus a
        // margin.
        Clock::duration distance;
        qsizetype kept; // 1 when spread out, N when bursting
        std::deque<Clock::time_point> booked;
    };

    std::vector<Track> m_tracks;
    Clock::time_point m_notBefore;
    Clock::time_point m_last;
};
