#pragma once

#include "BatchClock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

// A clock that only moves when told to. A callback whose time has come is posted to its context's event
// loop and run before the clock moves on, so whatever it asks for next is seen in time order.
class FakeBatchClock final : public BatchClock
{
public:
    using Clock = std::chrono::steady_clock;

    explicit FakeBatchClock(QDateTime startUtc = QDateTime(QDate(2026, 12, 1), QTime(12, 0), Qt::UTC),
                            double jitter = 0.5)
        : m_startUtc(std::move(startUtc)), m_jitter(jitter)
    {}

    [[nodiscard]] Clock::time_point Now() const override { return m_now; }
    [[nodiscard]] QDateTime NowUtc() const override
    {
        return m_startUtc.addMSecs(
            std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_start).count());
    }
    void CallAfter(std::chrono::milliseconds delay, QObject *context, std::function<void()> callback) override
    {
        m_waits.push_back(delay);
        m_queue.push_back({m_now + std::max(delay, std::chrono::milliseconds{0}), m_sequence++, context,
                           std::move(callback)});
    }
    [[nodiscard]] double Jitter() override { return m_jitter; }
    // From now on, whenever the event loop has nothing left to do but wait and `idle` agrees (no request
    // in flight, say), time jumps to the next call due. So a run that waits minutes ends at once, in
    // the order its waits fall due, while real network events still come in real time.
    void AdvanceWhenIdle(std::function<bool()> idle = {})
    {
        m_idle = idle ? std::move(idle) : [] { return true; };
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                         &m_context, [this] {
                             if (m_queue.empty() || m_posted || !m_idle())
                                 return;
                             m_posted = true;
                             QTimer::singleShot(0, &m_context, [this] {
                                 m_posted = false;
                                 if (!m_idle())
                                     return;
                                 RunNext();
                             });
                         });
    }

    // Runs callbacks, moving time on to each, until none is left; at most `limit`, so a batch that
    // keeps waiting forever fails its test instead of hanging it.
    [[nodiscard]] bool RunUntilIdle(int limit = 10000)
    {
        QCoreApplication::processEvents();
        for (int run = 0; run < limit; ++run) {
            if (!RunNext())
                return true;
        }
        return false;
    }
    // Every delay asked for, in order.
    [[nodiscard]] const std::vector<std::chrono::milliseconds> &Waits() const { return m_waits; }

private:
    struct Call
    {
        Clock::time_point due;
        quint64 sequence; // calls due at the same time run in the order asked
        QPointer<QObject> context;
        std::function<void()> callback;
    };

    bool RunNext()
    {
        const auto next = std::min_element(m_queue.begin(), m_queue.end(), [](const Call &a, const Call &b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == m_queue.end())
            return false;
        Call call = std::move(*next);
        m_queue.erase(next);
        m_now = std::max(m_now, call.due);
        if (call.context) {
            QTimer::singleShot(0, call.context, std::move(call.callback));
            QCoreApplication::processEvents();
        }
        return true;
    }

    Clock::time_point m_start{std::chrono::hours(24)};
    Clock::time_point m_now = m_start;
    QDateTime m_startUtc;
    double m_jitter;
    quint64 m_sequence = 0;
    std::vector<Call> m_queue;
    std::vector<std::chrono::milliseconds> m_waits;
    QObject m_context;
    std::function<bool()> m_idle;
    bool m_posted = false;
};
