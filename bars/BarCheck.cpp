#include "BarCheck.h"

#include "BarCalendar.h"
#include "BarSeries.h"
#include "DateValue.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kOpen = 0, kHigh = 1, kLow = 2, kClose = 3, kVolume = 4;
constexpr int kWeekdayRun = 5;          // weekdays without a bar that make a gap without a calendar
constexpr int kMinOtherFiles = 3;       // files of a market that make its calendar
constexpr int kZeroVolumeRun = 5;       // bars in a row
constexpr int kStaleWeekdays = 4;       // older than the newest last bar by more than this
constexpr int kSplitStayBars = 5;       // bars after a split-like move that must stay at its level
constexpr int kUnitRevertBars = 5;      // bars within which a hundredfold move must revert
constexpr double kSplitTolerance = 0.1; // in log terms, about 10%
constexpr double kUnitTolerance = 0.4;
constexpr double kMinMove = 0.05;                    // five cents: less can be rounding
constexpr double kQuietLow = 0.56, kQuietHigh = 1.8; // inside every factor's band (x1/2 reaches 0.553)

QString Iso(double date)
{
    const QDate day = DateValue::ToDate(date);
    return day.isValid() ? day.toString(Qt::ISODate) : QString::number(date);
}

bool IsWeekday(qint64 day)
{
    // Day 0 was a Saturday.
    const qint64 weekday = ((day % 7) + 7) % 7;
    return weekday >= 2;
}

int WeekdaysBetween(qint64 from, qint64 to) // in (from, to]
{
    int count = 0;
    for (qint64 day = from + 1; day <= to; ++day)
        count += IsWeekday(day) ? 1 : 0;
    return count;
}

bool GoodPrice(float value)
{
    return std::isfinite(value) && value > 0.0F;
}

bool GoodPrices(const BarSeries::Values &bar)
{
    return GoodPrice(bar[kOpen]) && GoodPrice(bar[kHigh]) && GoodPrice(bar[kLow]) && GoodPrice(bar[kClose]);
}

struct Factor
{
    double value;
    const char *name;
};

// Split ratios first; a hundredfold move is a unit error and is judged apart.
constexpr std::array kSplitFactors = {
    Factor{2, "x2"},     Factor{3, "x3"},      Factor{4, "x4"},         Factor{5, "x5"},
    Factor{10, "x10"},   Factor{0.5, "x1/2"},  Factor{1.0 / 3, "x1/3"}, Factor{0.25, "x1/4"},
    Factor{0.2, "x1/5"}, Factor{0.1, "x1/10"},
};

bool Near(double ratio, double factor, double tolerance)
{
    return std::abs(std::log(ratio / factor)) < tolerance;
}

class Checker
{
public:
    Checker(const BarSeries &series, const BarCheckContext &context)
        : m_dates(series.dates), m_values(series.values), m_context(context),
          m_count(std::min(m_dates.size(), m_values.size()))
    {}

    std::vector<BarFinding> Run()
    {
        bool ascending = true;
        for (std::size_t bar = 0; bar < m_count; ++bar) {
            const BarSeries::Values &values = m_values[bar];
            if (!GoodPrices(values))
                Add(bar, "price",
                    QStringLiteral("open %1, high %2, low %3, close %4: a price is zero, "
                                   "negative or not a number")
                        .arg(values[kOpen])
                        .arg(values[kHigh])
                        .arg(values[kLow])
                        .arg(values[kClose]));
            else if (values[kLow] > values[kHigh] || values[kLow] > std::min(values[kOpen], values[kClose]) ||
                     values[kHigh] < std::max(values[kOpen], values[kClose]))
                Add(bar, "ohlc",
                    QStringLiteral("open %1, high %2, low %3, close %4 do not fit together")
                        .arg(values[kOpen])
                        .arg(values[kHigh])
                        .arg(values[kLow])
                        .arg(values[kClose]));
            if (bar > 0 && !(m_dates[bar] > m_dates[bar - 1])) {
                ascending = false;
                Add(bar, "order",
                    m_dates[bar] == m_dates[bar - 1]
                        ? QStringLiteral("a second bar on the same day")
                        : QStringLiteral("dated before the bar ahead of it (%1)").arg(Iso(m_dates[bar - 1])));
            }
        }
        Jumps();
        if (ascending)
            Gaps();
        ZeroVolume();
        if (ascending && m_count > 0 && m_context.newestLastDate > 0.0) {
            const int behind =
                WeekdaysBetween(qint64(m_dates[m_count - 1]), qint64(m_context.newestLastDate));
            if (behind > kStaleWeekdays)
                Add(m_count - 1, "stale",
                    QStringLiteral("last bar %1 weekdays before the newest of the "
                                   "files checked with it (%2)")
                        .arg(behind)
                        .arg(Iso(m_context.newestLastDate)));
        }
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const BarFinding &a, const BarFinding &b) { return a.date < b.date; });
        return std::move(m_findings);
    }

private:
    void Add(std::size_t bar, const char *kind, const QString &words, const QString &factor = {})
    {
        AddOn(m_dates[bar], kind, words, factor);
    }

    void AddOn(double date, const char *kind, const QString &words, const QString &factor = {})
    {
        m_findings.push_back({date, QLatin1StringView(kind), factor, words});
    }

    double Close(std::size_t bar) const { return double(m_values[bar][kClose]); }
    bool GoodClose(std::size_t bar) const { return GoodPrice(m_values[bar][kClose]); }

    // The end of a few bad days rather than a move of its own.
    bool ReturnsToEarlierLevel(std::size_t bar) const
    {
        const std::size_t from = bar > kSplitStayBars + 1 ? bar - kSplitStayBars - 1 : 0;
        for (std::size_t earlier = from; earlier + 1 < bar; ++earlier) {
            if (GoodClose(earlier) && Near(Close(bar) / Close(earlier), 1.0, 2 * kSplitTolerance))
                return true;
        }
        return false;
    }

    void Jumps()
    {
        for (std::size_t bar = 1; bar < m_count; ++bar) {
            if (!GoodClose(bar) || !GoodClose(bar - 1))
                continue;
            const double before = Close(bar - 1);
            const double ratio = Close(bar) / before;
            // Most days move far less than any factor; this spares them the logarithms below.
            if (ratio > kQuietLow && ratio < kQuietHigh)
                continue;
            // Prices are quoted to the cent, so a split-adjusted history of old pennies moves by whole
            // factors.
            if (std::abs(Close(bar) - before) < kMinMove)
                continue;
            if (Near(ratio, 100.0, kUnitTolerance) || Near(ratio, 0.01, kUnitTolerance)) {
                // A unit error reverts; a hundredfold move that lasts is no split either.
                const std::size_t end = std::min(m_count, bar + 1 + kUnitRevertBars);
                for (std::size_t later = bar + 1; later < end; ++later) {
                    if (GoodClose(later) && Near(Close(later) / before, 1.0, kUnitTolerance)) {
                        const QString factor = ratio > 1 ? QStringLiteral("x100") : QStringLiteral("x1/100");
                        Add(bar, "jump",
                            QStringLiteral("close %1 (%2 after %3), back on %4: looks like prices "
                                           "in the wrong unit")
                                .arg(factor)
                                .arg(Close(bar))
                                .arg(before)
                                .arg(Iso(m_dates[later])),
                            factor);
                        bar = later;
                        break;
                    }
                }
                continue;
            }
            if (ReturnsToEarlierLevel(bar))
                continue;
            for (const Factor &factor : kSplitFactors) {
                if (!Near(ratio, factor.value, kSplitTolerance))
                    continue;
                const std::size_t end = std::min(m_count, bar + 1 + kSplitStayBars);
                bool stays = true;
                for (std::size_t later = bar + 1; later < end && stays; ++later)
                    stays =
                        GoodClose(later) && Near(Close(later) / before, factor.value, 2 * kSplitTolerance);
                if (stays)
                    Add(bar, "jump",
                        QStringLiteral("close %1 (%2 after %3) and stays there: looks like a split "
                                       "the service did not apply")
                            .arg(QLatin1StringView(factor.name))
                            .arg(Close(bar))
                            .arg(before),
                        QLatin1StringView(factor.name));
                break;
            }
        }
    }

    // A missing day is a trading day when most of the market's other files have it; where fewer than
    // three other files span it, a long enough run of weekdays stands in for the calendar.
    void Gaps()
    {
        const BarCalendar::FileView calendar =
            m_context.calendar ? m_context.calendar->ViewOf(m_context.fileName) : BarCalendar::FileView();
        for (std::size_t bar = 1; bar < m_count; ++bar) {
            const qint64 from = qint64(m_dates[bar - 1]);
            const qint64 to = qint64(m_dates[bar]);
            if (to - from < 2)
                continue;
            int trading = 0;
            int weekdays = 0;
            qint64 firstTrading = 0;
            qint64 firstWeekday = 0;
            for (qint64 day = from + 1; day < to; ++day) {
                const BarCalendar::Day others = calendar.At(int(day));
                if (others.spanning >= kMinOtherFiles) {
                    if (2 * others.having > others.spanning && trading++ == 0)
                        firstTrading = day;
                } else if (IsWeekday(day) && weekdays++ == 0) {
                    firstWeekday = day;
                }
            }
            if (trading > 0)
                AddOn(double(firstTrading), "gap",
                      QStringLiteral("%1 without a bar before %2 that the market's other files have")
                          .arg(trading == 1 ? QStringLiteral("1 trading day")
                                            : QStringLiteral("%1 trading days").arg(trading))
                          .arg(Iso(m_dates[bar])));
            else if (weekdays >= kWeekdayRun)
                AddOn(double(firstWeekday), "gap",
                      QStringLiteral("%1 weekdays without a bar before %2")
                          .arg(weekdays)
                          .arg(Iso(m_dates[bar])));
        }
    }

    void ZeroVolume()
    {
        bool anyVolume = false;
        for (std::size_t bar = 0; bar < m_count && !anyVolume; ++bar)
            anyVolume = m_values[bar][kVolume] != 0.0F;
        if (!anyVolume)
            return;
        std::size_t run = 0;
        for (std::size_t bar = 0; bar <= m_count; ++bar) {
            if (bar < m_count && m_values[bar][kVolume] == 0.0F) {
                ++run;
                continue;
            }
            if (run >= kZeroVolumeRun)
                Add(bar - run, "zero-volume",
                    QStringLiteral("volume 0 on %1 bars in a row, to %2")
                        .arg(run)
                        .arg(Iso(m_dates[bar - 1])));
            run = 0;
        }
    }

    const std::vector<double> &m_dates;
    const std::vector<BarSeries::Values> &m_values;
    const BarCheckContext &m_context;
    const std::size_t m_count;
    std::vector<BarFinding> m_findings;
};

} // namespace

QString BarFinding::Label() const
{
    return (factor.isEmpty() ? kind : kind + u' ' + factor) + QStringLiteral(" on ") + Iso(date);
}

std::vector<BarFinding> CheckBars(const BarSeries &series, const BarCheckContext &context)
{
    return Checker(series, context).Run();
}

QString FindingsSummary(const std::vector<BarFinding> &findings)
{
    if (findings.empty())
        return {};
    constexpr std::size_t kNamed = 3;
    QStringList labels;
    for (auto finding = findings.rbegin(); finding != findings.rend() && labels.size() < qsizetype(kNamed);
         ++finding)
        labels.append(finding->Label());
    if (findings.size() > kNamed)
        labels.append(QStringLiteral("..."));
    return QStringLiteral("%1 warning%2: %3")
        .arg(findings.size())
        .arg(findings.size() == 1 ? QString() : QStringLiteral("s"))
        .arg(labels.join(QStringLiteral(", ")));
}
