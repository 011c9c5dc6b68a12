#include "QuoteHistory.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

namespace {

// splitmix64: tiny, and the same sequence on every platform, unlike the standard distributions.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}

    quint64 Next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Between(double low, double high) { return low + (high - low) * Uniform(); }
    // Box-Muller gives two normals per pair of uniforms; the second is kept for the next call.
    double Normal()
    {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        const double radius = std::sqrt(-2.0 * std::log(1.0 - Uniform()));
        const double angle = 2.0 * std::numbers::pi * Uniform();
        m_spare = radius * std::sin(angle);
        m_hasSpare = true;
        return radius * std::cos(angle);
    }

private:
    quint64 m_state;
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

quint64 SeedOf(const QByteArray &symbol)
{
    quint64 hash = 0xCBF29CE484222325ULL; // FNV-1a
    for (const char c : symbol) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ULL;
    }
    return hash;
}

bool IsTradingDay(QDate date)
{
    if (date.dayOfWeek() >= 6)
        return false;
    const bool newYear = date.month() == 1 && date.day() == 1;
    const bool christmas = date.month() == 12 && date.day() == 25;
    return !newYear && !christmas;
}

qint64 ToCents(double dollars)
{
    return std::max<qint64>(1, std::llround(dollars * 100.0));
}

// Writes into a buffer sized for the worst case up front; per-byte QByteArray appends cost more than
// generating the whole history.
class Writer
{
public:
    Writer(QByteArray &out, qsizetype lines, qsizetype bytesPerLine) : m_out(out)
    {
        m_out.resize(lines * bytesPerLine + 256);
        m_at = m_out.data();
    }
    // Cuts the buffer to what was written.
    void Finish() { m_out.resize(m_at - m_out.constData()); }

    void Char(char c) { *m_at++ = c; }
    void Text(std::string_view text)
    {
        std::memcpy(m_at, text.data(), text.size());
        m_at += text.size();
    }
    void Int(qint64 value) { m_at = std::to_chars(m_at, m_at + 24, value).ptr; }
    void TwoDigits(int value)
    {
        *m_at++ = static_cast<char>('0' + value / 10);
        *m_at++ = static_cast<char>('0' + value % 10);
    }
    void Cents(qint64 cents)
    {
        if (cents < 0) {
            Char('-');
            cents = -cents;
        }
        Int(cents / 100);
        Char('.');
        TwoDigits(static_cast<int>(cents % 100));
    }
    void IsoDate(int year, int month, int day)
    {
        Int(year);
        Char('-');
        TwoDigits(month);
        Char('-');
        TwoDigits(day);
    }

private:
    QByteArray &m_out;
    char *m_at = nullptr;
};

qint64 Scaled(qint64 cents, double factor)
{
    return std::llround(static_cast<double>(cents) * factor);
}

// A price adjusted for later splits or dividends; never shown as 0.00.
qint64 Adjusted(qint64 cents, double factor)
{
    return std::max<qint64>(1, Scaled(cents, factor));
}

constexpr int kSplitRatio = 2;
constexpr qint64 kSplitAboveCents = 250'00; // boards split a share that trades this high

// Generous bounds for one CSV line; a QuoteMedia line carries eleven fields.
constexpr qsizetype kBytesPerLine = 160;
constexpr qsizetype kQuoteMediaBytesPerLine = 320;

} // namespace

QuoteHistory::QuoteHistory(const QByteArray &symbol, int startYear, QDate endDate)
{
    const QDate first(startYear, 1, 1);
    if (!first.isValid() || !endDate.isValid() || first > endDate)
        return;
    Generate(SeedOf(symbol.toUpper()), first, endDate);
    ComputeAdjustments();
}

void QuoteHistory::Generate(quint64 seed, QDate first, QDate last)
{
    Random random(seed);
    const double startPrice = random.Between(8.0, 90.0);
    const double baseVolume = random.Between(2e5, 8e6);
    const double volatility = random.Between(0.010, 0.025);
    const double yearlyGrowth = random.Between(0.0, 0.09);

    m_bars.reserve(first.daysTo(last) * 5 / 7 + 8);
    for (QDate date = first; date <= last; date = date.addDays(1)) {
        if (IsTradingDay(date)) {
            Bar bar;
            date.getDate(&bar.year, &bar.month, &bar.day);
            m_bars.append(bar);
        }
    }
    const qsizetype count = m_bars.size();
    qsizetype forcedSplit = -1; // so that every history of some length has one
    if (count >= 2)
        forcedSplit = std::clamp<qsizetype>(
            static_cast<qsizetype>(static_cast<double>(count) * random.Between(0.3, 0.7)), 1, count - 1);
    const auto dividendStart = static_cast<qsizetype>(random.Between(1.0, 63.0));

    // The log of the value of the business wanders around a growing trend; the traded price is that
    // value divided by the splits so far.
    const double dailyGrowth = yearlyGrowth / 252.0;
    double trend = std::log(startPrice);
    double logValue = trend;
    double splitDivisor = 1.0;
    qint64 previousClose = ToCents(startPrice);
    for (qsizetype i = 0; i < count; ++i) {
        Bar &bar = m_bars[i];
        if (i == forcedSplit || previousClose > kSplitAboveCents) {
            m_splits.append(i);
            splitDivisor *= kSplitRatio;
            previousClose = ToCents(static_cast<double>(previousClose) / 100.0 / kSplitRatio);
        }
        if (i >= dividendStart && (i - dividendStart) % 63 == 0)
            m_dividends.append({i, std::max<qint64>(1, previousClose * 4 / 1000)});

        trend += dailyGrowth;
        logValue += volatility * random.Normal() - 0.003 * (logValue - trend);
        const double gap = 1.0 + 0.004 * random.Normal();
        bar.open = ToCents(static_cast<double>(previousClose) / 100.0 * gap);
        bar.close = ToCents(std::exp(logValue) / splitDivisor);
        const qint64 top = std::max(bar.open, bar.close);
        const qint64 bottom = std::min(bar.open, bar.close);
        bar.high = top + Scaled(top, 0.006 * std::abs(random.Normal()));
        bar.low = std::max<qint64>(1, bottom - Scaled(bottom, 0.006 * std::abs(random.Normal())));
        // Fewer shares change hands when each costs more.
        const double priceRatio = startPrice * 100.0 / static_cast<double>(bar.close);
        bar.volume =
            std::llround(baseVolume * std::sqrt(priceRatio) * std::exp(0.4 * random.Normal()) / 100.0) * 100;
        previousClose = bar.close;
    }
}

void QuoteHistory::ComputeAdjustments()
{
    // Walk back from the newest bar; an event on bar i changes the factor of every bar before it.
    double split = 1.0;
    double adjust = 1.0;
    qsizetype nextSplit = m_splits.size() - 1;
    qsizetype nextDividend = m_dividends.size() - 1;
    for (qsizetype i = m_bars.size() - 1; i >= 0; --i) {
        m_bars[i].splitFactor = split;
        m_bars[i].adjustFactor = adjust;
        if (i == 0)
            break;
        if (nextSplit >= 0 && m_splits[nextSplit] == i) {
            split /= kSplitRatio;
            adjust /= kSplitRatio;
            --nextSplit;
        }
        if (nextDividend >= 0 && m_dividends[nextDividend].first == i) {
            const auto priorClose = static_cast<double>(m_bars[i - 1].close);
            adjust *= 1.0 - static_cast<double>(m_dividends[nextDividend].second) / priorClose;
            --nextDividend;
        }
    }
}

QByteArray QuoteHistory::YahooCsv() const
{
    QByteArray out;
    Writer write(out, m_bars.size(), kBytesPerLine);
    write.Text("Date,Open,High,Low,Close,Volume,Adj Close\n");
    for (auto bar = m_bars.crbegin(); bar != m_bars.crend(); ++bar) {
        write.IsoDate(bar->year, bar->month, bar->day);
        for (const qint64 cents : {bar->open, bar->high, bar->low, bar->close}) {
            write.Char(',');
            write.Cents(cents);
        }
        write.Char(',');
        write.Int(bar->volume);
        write.Char(',');
        write.Cents(Adjusted(bar->close, bar->adjustFactor));
        write.Char('\n');
    }
    write.Finish();
    return out;
}

QByteArray QuoteHistory::GoogleCsv() const
{
    static constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QByteArray out;
    Writer write(out, m_bars.size(), kBytesPerLine);
    write.Text("\xEF\xBB\xBF"
               "Date,Open,High,Low,Close,Volume\n");
    for (auto bar = m_bars.crbegin(); bar != m_bars.crend(); ++bar) {
        write.Int(bar->day);
        write.Char('-');
        write.Text(kMonths.at(static_cast<std::size_t>(bar->month - 1)));
        write.Char('-');
        write.TwoDigits(bar->year % 100);
        for (const qint64 cents : {bar->open, bar->high, bar->low, bar->close}) {
            write.Char(',');
            write.Cents(Adjusted(cents, bar->splitFactor));
        }
        write.Char(',');
        write.Int(std::llround(static_cast<double>(bar->volume) / bar->splitFactor));
        write.Char('\n');
    }
    write.Finish();
    return out;
}

QByteArray QuoteHistory::QuoteMediaCsv() const
{
    QByteArray out;
    Writer write(out, m_bars.size(), kQuoteMediaBytesPerLine);
    write.Text("date,open,high,low,close,volume,changed,changep,adjclose,tradeval,tradevol\n");
    for (qsizetype i = m_bars.size() - 1; i >= 0; --i) {
        const Bar &bar = m_bars[i];
        const qint64 close = Adjusted(bar.close, bar.splitFactor);
        const qint64 previous = i > 0 ? Adjusted(m_bars[i - 1].close, m_bars[i - 1].splitFactor) : close;
        const qint64 volume = std::llround(static_cast<double>(bar.volume) / bar.splitFactor);
        write.IsoDate(bar.year, bar.month, bar.day);
        for (const qint64 cents : {bar.open, bar.high, bar.low}) {
            write.Char(',');
            write.Cents(Adjusted(cents, bar.splitFactor));
        }
        write.Char(',');
        write.Cents(close);
        write.Char(',');
        write.Int(volume);
        write.Char(',');
        write.Cents(close - previous);
        write.Char(',');
        // Percent change with two decimals, e.g. 1.25%
        write.Cents(
            std::llround(10000.0 * static_cast<double>(close - previous) / static_cast<double>(previous)));
        write.Text("%,");
        write.Cents(Adjusted(bar.close, bar.adjustFactor));
        write.Char(',');
        write.Cents(close * volume);
        write.Char(',');
        write.Int(volume / 250 + 1);
        write.Char('\n');
    }
    write.Finish();
    return out;
}

QByteArray QuoteHistory::EodhdCsv() const
{
    QByteArray out;
    Writer write(out, m_bars.size(), kBytesPerLine);
    write.Text("Date,Open,High,Low,Close,Adjusted_close,Volume\n");
    for (const Bar &bar : m_bars) {
        write.IsoDate(bar.year, bar.month, bar.day);
        for (const qint64 cents :
             {bar.open, bar.high, bar.low, bar.close, Adjusted(bar.close, bar.adjustFactor)}) {
            write.Char(',');
            write.Cents(cents);
        }
        write.Char(',');
        write.Int(bar.volume);
        write.Char('\n');
    }
    write.Finish();
    return out;
}

QByteArray QuoteHistory::TiingoCsv() const
{
    QByteArray out;
    Writer write(out, m_bars.size(), kQuoteMediaBytesPerLine);
    write.Text(
        "date,close,high,low,open,volume,adjClose,adjHigh,adjLow,adjOpen,adjVolume,divCash,splitFactor\n");
    qsizetype nextSplit = 0;
    qsizetype nextDividend = 0;
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const Bar &bar = m_bars[i];
        write.IsoDate(bar.year, bar.month, bar.day);
        for (const qint64 cents : {bar.close, bar.high, bar.low, bar.open}) {
            write.Char(',');
            write.Cents(cents);
        }
        write.Char(',');
        write.Int(bar.volume);
        for (const qint64 cents : {bar.close, bar.high, bar.low, bar.open}) {
            write.Char(',');
            write.Cents(Adjusted(cents, bar.adjustFactor));
        }
        write.Char(',');
        write.Int(std::llround(static_cast<double>(bar.volume) / bar.adjustFactor));
        qint64 dividend = 0;
        if (nextDividend < m_dividends.size() && m_dividends[nextDividend].first == i)
            dividend = m_dividends[nextDividend++].second;
        write.Char(',');
        write.Cents(dividend);
        const bool split = nextSplit < m_splits.size() && m_splits[nextSplit] == i;
        nextSplit += split ? 1 : 0;
        write.Text(split ? ",2.0\n" : ",1.0\n");
    }
    write.Finish();
    return out;
}
