#pragma once

#include "FetchResult.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// When a failed request is worth another try, and how long to wait before it.
namespace RetryRule {

// A Retry-After beyond this means the allowance is spent rather than briefly exceeded.
constexpr std::chrono::seconds kLongestRetryAfter{300};

// A time-out, a refused, reset or cut-short connection, or HTTP 429, 500, 502, 503 or 504. Other
// statuses, TLS, a missing host, a bad URL, a cancel or an oversized reply come out the same again.
[[nodiscard]] bool IsTransient(const FetchResult &reply);

// Retry-After as delta-seconds or an HTTP-date (IMF-fixdate, RFC 850 or asctime), as a wait from
// `nowUtc`: 0 for a date already past, nothing for anything else. Very long waits saturate at about
// 68 years, so adding one to a time point cannot overflow.
[[nodiscard]] std::optional<std::chrono::seconds> ParseRetryAfter(QByteArrayView value,
                                                                  const QDateTime &nowUtc);

// The wait before try `retry` + 1: 1, 2, 4 ... s for retry 1, 2, 3 ..., times 0.8 + 0.4 * `jitter01`,
// at most 60 s.
[[nodiscard]] std::chrono::milliseconds Backoff(int retry, double jitter01);

// "HTTP 503 Service Unavailable (4 tries)"; the cause alone after a single try.
[[nodiscard]] QString TriesCause(const QString &cause, int tries);

} // namespace RetryRule
