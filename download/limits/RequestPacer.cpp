#include "RequestPacer.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// A server that counts on its own clock, with requests arriving a little apart from when they were
// sent, must still never see one too many.
RequestPacer::Clock::duration Margin(RequestPacer::Clock::duration interval)
{
    return std::max<RequestPacer::Clock::duration>(20ms, interval / 50);
}

} // namespace

RequestPacer::RequestPacer(QList<Rate> rates)
{
    for (const Rate &rate : rates) {
        if (rate.count <= 0 || rate.period <= 0s)
            continue;
        const Clock::duration interval = Clock::duration(rate.period) / rate.count;
        if (rate.period <= kLongestSpreadPeriod)
            m_tracks.push_back({interval + Margin(interval), 1, {}});
        else
            m_tracks.push_back({Clock::duration(rate.period) + Margin(interval), rate.count, {}});
    }
}

RequestPacer::Clock::time_point RequestPacer::Reserve(Clock::time_point now)
{
    // Never before a slot already taken, so each track's bookings stay in order.
    Clock::time_point slot = std::max({now, m_notBefore, m_last});
    for (const Track &track : m_tracks) {
        if (track.booked.size() == std::size_t(track.kept))
            slot = std::max(slot, track.booked.front() + track.distance);
    }
    for (Track &track : m_tracks) {
        track.booked.push_back(slot);
        if (track.booked.size() > std::size_t(track.kept))
            track.booked.pop_front();
    }
    m_last = slot;
    return slot;
}

void RequestPacer::Refused(Clock::time_point now, std::chrono::milliseconds wait)
{
    m_notBefore = std::max(m_notBefore, now + wait);
}
