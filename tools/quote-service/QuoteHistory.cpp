#include "QuoteHistory.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

namespace {

// The splitmix64 finalizer.
quint64 Mix(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// splitmix64: tiny, and the same sequence on every platform, unlike the standard distributions.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}

    quint64 Next() { return Mix(m_state += 0x9E3779B97F4A7C15ULL); }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Between(double low, double high) { return low + (high - low) * Uniform(); }

private:
    quint64 m_state;
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

// Random figures addressed by day rather than drawn in turn, so that any day can be worked out alone.
double UniformAt(quint64 seed, qint64 index, quint64 channel)
{
    const quint64 hash = Mix(seed ^ Mix(static_cast<quint64>(index) * 0x9E3779B97F4A7C15ULL + channel));
    return static_cast<double>(hash >> 11) * 0x1.0p-53;
}

double NormalAt(quint64 seed, qint64 day, quint64 channel)
{
    const double radius = std::sqrt(-2.0 * std::log(1.0 - UniformAt(seed, day, 2 * channel)));
    return radius * std::cos(2.0 * std::numbers::pi * UniformAt(seed, day, 2 * channel + 1));
}

bool IsTradingDay(QDate date)
{
    if (date.dayOfWeek() >= 6)
        return false;
    const bool newYear = date.month() == 1 && date.day() == 1;
    const bool christmas = date.month() == 12 && date.day() == 25;
    return !newYear && !christmas;
}

QDate TradingDayFrom(QDate date)
{
    while (!IsTradingDay(date))
        date = date.addDays(1);
    return date;
}

QDate TradingDayBefore(QDate date)
{
    do
        date = date.addDays(-1);
    while (!IsTradingDay(date));
    return date;
}

QDate Origin()
{
    return {1900, 1, 1};
}

constexpr int kSplitRatio = 2;
constexpr qint64 kMinSplitGap = 6 * 365;
constexpr qint64 kSplitGapSpread = 2 * 365;
constexpr quint64 kSplitChannel = 1000;
constexpr quint64 kNoiseChannel = 2000;

// What sets one symbol apart, drawn once from its name.
struct Traits
{
    quint64 seed = 0;
    double basePrice = 0.0;
    double baseVolume = 0.0;
    double volatility = 0.0;
    qint64 splitPhase = 0;  // days
    int dividendOffset = 0; // days into each quarter
};

Traits TraitsOf(const QByteArray &symbol)
{
    Traits traits;
    traits.seed = SeedOf(symbol.toUpper());
    Random random(traits.seed);
    traits.basePrice = random.Between(8.0, 90.0);
    traits.baseVolume = random.Between(2e5, 8e6);
    traits.volatility = random.Between(0.010, 0.025);
    traits.splitPhase = static_cast<qint64>(random.Between(0.0, static_cast<double>(kSplitGapSpread)));
    traits.dividendOffset = static_cast<int>(random.Between(3.0, 50.0));
    return traits;
}

// Split days from before 1900 to the first one after `until`, so that every day from 1900 to `until`
// lies between two of them.
QList<QDate> SplitSchedule(const Traits &traits, QDate until)
{
    QList<QDate> splits;
    QDate nominal = Origin().addDays(traits.splitPhase - kMinSplitGap);
    for (quint64 k = 0;; ++k) {
        splits.append(TradingDayFrom(nominal));
        if (splits.last() > until)
            return splits;
        nominal =
            nominal.addDays(kMinSplitGap + static_cast<qint64>(UniformAt(traits.seed, 0, kSplitChannel + k) *
                                                               static_cast<double>(kSplitGapSpread)));
    }
}

QList<QDate> DividendDays(const Traits &traits, QDate from, QDate until)
{
    QList<QDate> days;
    for (QDate quarter(from.year() - 1, 10, 1); quarter <= until; quarter = quarter.addMonths(3)) {
        const QDate day = TradingDayFrom(quarter.addDays(traits.dividendOffset));
        if (day >= from && day <= until)
            days.append(day);
    }
    return days;
}

// The log of the traded close: between splits it drifts from the base price up to twice that, so that
// each 2-for-1 split brings it back, and noise on several time scales wanders around that drift.
double LogClose(const Traits &traits, const QList<QDate> &splits, QDate date)
{
    static constexpr std::array<std::pair<double, double>, 5> kOctaves = {
        {{5.0, 0.6}, {21.0, 1.2}, {63.0, 2.0}, {250.0, 3.5}, {1000.0, 5.0}}}; // period in days, weight
    const auto next = std::upper_bound(splits.cbegin(), splits.cend(), date);
    const QDate previous = *std::prev(next);
    const double progress =
        static_cast<double>(previous.daysTo(date)) / static_cast<double>(previous.daysTo(*next));
    const qint64 day = date.toJulianDay();
    double noise = 0.6 * NormalAt(traits.seed, day, 0);
    for (quint64 k = 0; k < kOctaves.size(); ++k) {
        const auto [period, weight] = kOctaves.at(k);
        const double at = static_cast<double>(day) / period;
        const double cell = std::floor(at);
        const double t = at - cell;
        const double smooth = t * t * (3.0 - 2.0 * t);
        const auto index = static_cast<qint64>(cell);
        const double low = 2.0 * UniformAt(traits.seed, index, kNoiseChannel + k) - 1.0;
        const double high = 2.0 * UniformAt(traits.seed, index + 1, kNoiseChannel + k) - 1.0;
        noise += weight * (low + (high - low) * smooth);
    }
    return std::log(traits.basePrice) + std::numbers::ln2 * progress + traits.volatility * noise;
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
    void IsoDate(QDate date)
    {
        int year = 0;
        int month = 0;
        int day = 0;
        date.getDate(&year, &month, &day);
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

// Generous bounds for one CSV line; a QuoteMedia line carries eleven fields.
constexpr qsizetype kBytesPerLine = 160;
constexpr qsizetype kQuoteMediaBytesPerLine = 320;

} // namespace

QuoteHistory::QuoteHistory(const QByteArray &symbol, QDate start, QDate endDate)
{
    if (!start.isValid() || !endDate.isValid() || start > endDate || TradingDayFrom(start) > endDate)
        return;
    const Traits traits = TraitsOf(symbol);
    const QList<QDate> splits = SplitSchedule(traits, endDate);
    const QList<QDate> dividends = DividendDays(traits, start, endDate);
    auto nextSplit = std::lower_bound(splits.cbegin(), splits.cend(), start);
    auto nextDividend = dividends.cbegin();

    Bar prior;
    prior.date = TradingDayBefore(TradingDayFrom(start));
    prior.close = ToCents(std::exp(LogClose(traits, splits, prior.date)));
    m_bars.reserve(start.daysTo(endDate) * 5 / 7 + 8);
    m_bars.append(prior);
    for (QDate date = TradingDayFrom(start); date <= endDate; date = TradingDayFrom(date.addDays(1))) {
        Bar bar;
        bar.date = date;
        bar.split = nextSplit != splits.cend() && *nextSplit == date;
        nextSplit += bar.split ? 1 : 0;
        qint64 previousClose = m_bars.last().close;
        if (bar.split)
            previousClose = ToCents(static_cast<double>(previousClose) / 100.0 / kSplitRatio);
        if (nextDividend != dividends.cend() && *nextDividend == date) {
            bar.dividend = std::max<qint64>(1, previousClose * 4 / 1000);
            ++nextDividend;
        }
        const qint64 day = date.toJulianDay();
        const double gap = 1.0 + 0.004 * NormalAt(traits.seed, day, 1);
        bar.open = ToCents(static_cast<double>(previousClose) / 100.0 * gap);
        bar.close = ToCents(std::exp(LogClose(traits, splits, date)));
        const qint64 top = std::max(bar.open, bar.close);
        const qint64 bottom = std::min(bar.open, bar.close);
        bar.high = top + Scaled(top, 0.006 * std::abs(NormalAt(traits.seed, day, 2)));
        bar.low =
            std::max<qint64>(1, bottom - Scaled(bottom, 0.006 * std::abs(NormalAt(traits.seed, day, 3))));
        // Fewer shares change hands when each costs more.
        const double priceRatio = traits.basePrice * 100.0 / static_cast<double>(bar.close);
        bar.volume = std::llround(traits.baseVolume * std::sqrt(priceRatio) *
                                  std::exp(0.4 * NormalAt(traits.seed, day, 4)) / 100.0) *
                     100;
        m_bars.append(bar);
    }
    ComputeAdjustments();
}

QList<QDate> QuoteHistory::SplitDates(const QByteArray &symbol, QDate endDate)
{
    QList<QDate> splits = SplitSchedule(TraitsOf(symbol), endDate);
    splits.removeIf([&](QDate day) { return day < Origin() || day > endDate; });
    return splits;
}

QList<QDate> QuoteHistory::EventDates(const QByteArray &symbol, QDate endDate)
{
    QList<QDate> events = SplitDates(symbol, endDate) + DividendDays(TraitsOf(symbol), Origin(), endDate);
    std::sort(events.begin(), events.end());
    events.erase(std::unique(events.begin(), events.end()), events.end());
    return events;
}

void QuoteHistory::ComputeAdjustments()
{
    // Walk back from the newest bar; an event on bar i changes the factors of every bar before it. The
    // walk never looks at bars before the start, so a later start gives the same factors.
    double split = 1.0;
    double dividend = 1.0;
    for (qsizetype i = m_bars.size() - 1; i >= 0; --i) {
        Bar &bar = m_bars[i];
        bar.splitFactor = split;
        bar.dividendFactor = dividend;
        bar.adjustFactor = split * dividend;
        if (i == 0)
            break;
        const double splitToday = bar.split ? kSplitRatio : 1.0;
        split /= splitToday;
        if (bar.dividend > 0)
            dividend *= 1.0 - static_cast<double>(bar.dividend) * splitToday /
                                  static_cast<double>(m_bars[i - 1].close);
    }
}

QByteArray QuoteHistory::YahooCsv() const
{
    QByteArray out;
    Writer write(out, m_bars.size(), kBytesPerLine);
    write.Text("Date,Open,High,Low,Close,Volume,Adj Close\n");
    for (qsizetype i = m_bars.size() - 1; i >= 1; --i) {
        const Bar &bar = m_bars[i];
        write.IsoDate(bar.date);
        for (const qint64 cents : {bar.open, bar.high, bar.low, bar.close}) {
            write.Char(',');
            write.Cents(cents);
        }
        write.Char(',');
        write.Int(bar.volume);
        write.Char(',');
        write.Cents(Adjusted(bar.close, bar.adjustFactor));
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
    for (qsizetype i = m_bars.size() - 1; i >= 1; --i) {
        const Bar &bar = m_bars[i];
        write.Int(bar.date.day());
        write.Char('-');
        write.Text(kMonths.at(static_cast<std::size_t>(bar.date.month() - 1)));
        write.Char('-');
        write.TwoDigits(bar.date.year() % 100);
        for (const qint64 cents : {bar.open, bar.high, bar.low, bar.close}) {
            write.Char(',');
            write.Cents(Adjusted(cents, bar.splitFactor));
        }
        write.Char(',');
        write.Int(std::llround(static_cast<double>(bar.volume) / bar.splitFactor));
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
    for (qsizetype i = m_bars.size() - 1; i >= 1; --i) {
        const Bar &bar = m_bars[i];
        const qint64 close = Adjusted(bar.close, bar.splitFactor);
        const qint64 previous = Adjusted(m_bars[i - 1].close, m_bars[i - 1].splitFactor);
        const qint64 volume = std::llround(static_cast<double>(bar.volume) / bar.splitFactor);
        write.IsoDate(bar.date);
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

qsizetype QuoteHistory::BarsThrough(QDate last) const
{
    const auto end = std::upper_bound(m_bars.cbegin(), m_bars.cend(), last,
                                      [](QDate date, const Bar &bar) { return date < bar.date; });
    return std::max<qsizetype>(0, end - m_bars.cbegin() - 1);
}

QByteArray QuoteHistory::TwelveDataCsv(QDate last, qsizetype count, Adjust adjust, bool ascending) const
{
    const qsizetype end = BarsThrough(last) + 1;
    const qsizetype first = std::max<qsizetype>(1, end - count);
    const qsizetype shown = std::max<qsizetype>(0, end - first);
    QByteArray out;
    Writer write(out, shown, kBytesPerLine);
    write.Text("datetime;open;high;low;close;volume\n");
    for (qsizetype k = 0; k < shown; ++k) {
        const Bar &bar = m_bars[ascending ? first + k : end - 1 - k];
        const double factor = adjust == Adjust::All         ? bar.adjustFactor
                              : adjust == Adjust::Splits    ? bar.splitFactor
                              : adjust == Adjust::Dividends ? bar.dividendFactor
                                                            : 1.0;
        const bool splitsIn = adjust == Adjust::All || adjust == Adjust::Splits;
        write.IsoDate(bar.date);
        for (const qint64 cents : {bar.open, bar.high, bar.low, bar.close}) {
            write.Char(';');
            write.Cents(Adjusted(cents, factor));
        }
        write.Char(';');
        write.Int(splitsIn ? std::llround(static_cast<double>(bar.volume) / bar.splitFactor) : bar.volume);
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
    for (const Bar &bar : m_bars.sliced(std::min<qsizetype>(1, m_bars.size()))) {
        write.IsoDate(bar.date);
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
    for (const Bar &bar : m_bars.sliced(std::min<qsizetype>(1, m_bars.size()))) {
        write.IsoDate(bar.date);
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
        write.Char(',');
        write.Cents(bar.dividend);
        write.Text(bar.split ? ",2.0\n" : ",1.0\n");
    }
    write.Finish();
    return out;
}

void QuoteHistory::CutAfter(QDate last)
{
    m_bars.resize(BarsThrough(last) + (m_bars.isEmpty() ? 0 : 1));
}
