#include "RequestLimits.h"

#include <algorithm>

RequestLimits::Decision RequestLimits::Admit(Clock::time_point now)
{
    if (m_allowance >= 0 && m_served >= m_allowance)
        return {Verdict::AllowanceSpent};
    if (m_rate.count > 0) {
        while (!m_recent.empty() && m_recent.front() + m_rate.period <= now)
            m_recent.pop_front();
        if (std::ssize(m_recent) >= m_rate.count) {
            const auto wait = std::chrono::ceil<std::chrono::seconds>(m_recent.front() + m_rate.period - now);
            return {Verdict::TooFast, std::max(wait, std::chrono::seconds(1))};
        }
        m_recent.push_back(now);
    }
    ++m_served;
    return {};
}
