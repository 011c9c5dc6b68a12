#pragma once

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// At most `count` requests in any `period`.
struct Rate
{
    int count = 0;
    std::chrono::seconds period{0};

    friend bool operator==(const Rate &, const Rate &) = default;
};

// A [Limits] value of the settings file: "8/minute", "5/second", "2/30" (per 30 s), a comma-separated
// list of such ("8/minute, 800/day"), or "0" or "" for no limit (an empty list). Nothing when the text
// is none of these, so the caller keeps its own default.
[[nodiscard]] std::optional<QList<Rate>> ParseRates(const QString &text);

// The rates as ParseRates reads them ("8/minute, 800/day"), or "no limit".
[[nodiscard]] QString RatesText(const QList<Rate> &rates);
