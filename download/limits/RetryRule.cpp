#include "RetryRule.h"

#include <QByteArrayList>
#include <QDate>
#include <QTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace RetryRule {

namespace {

constexpr std::chrono::seconds kLongestWait{std::numeric_limits<qint32>::max()};
constexpr std::chrono::milliseconds kFirstBackoff{1000};
constexpr std::chrono::milliseconds kLongestBackoff{60000};

constexpr std::array<const char *, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char *, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char *, 7> kLongDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                   "Friday", "Saturday", "Sunday"};

bool AllDigits(QByteArrayView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number of exactly `digits` digits (1 or 2 when `digits` is 0), or -1.
int Number(QByteArrayView text, qsizetype digits)
{
    if (!AllDigits(text) || (digits ? text.size() != digits : text.size() > 2))
        return -1;
    return text.toInt();
}

template <std::size_t N> bool IsOneOf(QByteArrayView name, const std::array<const char *, N> &names)
{
    return std::any_of(names.begin(), names.end(), [name](const char *n) { return name == n; });
}

int Month(QByteArrayView name)
{
    const auto found =
        std::find_if(kMonths.begin(), kMonths.end(), [name](const char *n) { return name == n; });
    return found == kMonths.end() ? -1 : int(found - kMonths.begin()) + 1;
}

QTime TimeOfDay(QByteArrayView text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return {};
    // QTime rejects the fields out of range, and a leap second with them.
    return QTime(Number(text.sliced(0, 2), 2), Number(text.sliced(3, 2), 2), Number(text.sliced(6, 2), 2));
}

QDateTime Utc(int year, int month, int day, QTime time)
{
    const QDate date(year, month, day);
    if (year < 0 || month < 0 || day < 0 || !date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

// The three date forms HTTP has used, all in GMT.
QDateTime HttpDate(QByteArrayView value, const QDateTime &nowUtc)
{
    QByteArrayList parts = QByteArray(value.data(), value.size()).split(' ');
    parts.removeAll(QByteArray()); // asctime pads a one-digit day with a second space
    if (parts.size() == 6 && parts[0].endsWith(',') && IsOneOf(parts[0].chopped(1), kDays) &&
        parts[5] == "GMT")
        // Sun, 06 Nov 1994 08:49:37 GMT
        return Utc(Number(parts[3], 4), Month(parts[2]), Number(parts[1], 0), TimeOfDay(parts[4]));
    if (parts.size() == 4 && parts[0].endsWith(',') && IsOneOf(parts[0].chopped(1), kLongDays) &&
        parts[3] == "GMT") {
        // Sunday, 06-Nov-94 08:49:37 GMT
        const QByteArrayList date = parts[1].split('-');
        if (date.size() != 3)
            return {};
        int year = Number(date[2], 2);
        if (year < 0)
            return {};
        // A two-digit year more than 50 years ahead is the latest such year in the past.
        const int thisYear = nowUtc.date().year();
        year += thisYear - thisYear % 100;
        if (year > thisYear + 50)
            year -= 100;
        return Utc(year, Month(date[1]), Number(date[0], 2), TimeOfDay(parts[2]));
    }
    if (parts.size() == 5 && IsOneOf(parts[0], kDays))
        // Sun Nov  6 08:49:37 1994
        return Utc(Number(parts[4], 4), Month(parts[1]), Number(parts[2], 0), TimeOfDay(parts[3]));
    return {};
}

} // namespace

bool IsTransient(const FetchResult &reply)
{
    using Failure = FetchResult::Failure;
    if (!reply.ok) {
        return reply.failure == Failure::Timeout || reply.failure == Failure::ConnectionRefused ||
               reply.failure == Failure::ConnectionReset || reply.failure == Failure::CutShort;
    }
    switch (reply.httpStatus) {
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
        return true;
    default:
        return false;
    }
}

std::optional<std::chrono::seconds> ParseRetryAfter(QByteArrayView value, const QDateTime &nowUtc)
{
    value = value.trimmed();
    if (AllDigits(value)) {
        // Leading zeros are still delta-seconds; only the length needs bounding before the number.
        while (value.size() > 1 && value.front() == '0')
            value = value.sliced(1);
        if (value.size() > 10)
            return kLongestWait;
        return std::min(std::chrono::seconds(value.toLongLong()), kLongestWait);
    }
    const QDateTime when = HttpDate(value, nowUtc);
    if (!when.isValid())
        return std::nullopt;
    const qint64 msecs = nowUtc.msecsTo(when);
    if (msecs <= 0)
        return std::chrono::seconds{0};
    // Rounded up: waking a moment early would meet the same refusal.
    return std::min(std::chrono::seconds((msecs + 999) / 1000), kLongestWait);
}

std::chrono::milliseconds Backoff(int retry, double jitter01)
{
    const int doublings = std::clamp(retry - 1, 0, 16); // 2^16 s is far beyond the cap already
    const double factor = 0.8 + 0.4 * std::clamp(jitter01, 0.0, 1.0);
    const double wait = std::ldexp(double(kFirstBackoff.count()), doublings) * factor;
    return std::min(std::chrono::milliseconds(std::llround(wait)), kLongestBackoff);
}

QString TriesCause(const QString &cause, int tries)
{
    if (tries <= 1)
        return cause;
    return QStringLiteral("%1 (%2 tries)").arg(cause, QString::number(tries));
}

} // namespace RetryRule
