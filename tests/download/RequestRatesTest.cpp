#include "RequestRates.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(RequestRates, ReadsTheLimitsValuesAndRejectsAnythingElse)
{
    using Rates = QList<Rate>;
    const std::optional<Rates> bad;
    const std::pair<const char *, std::optional<Rates>> cases[] = {
        {"50/hour", Rates{{50, 1h}}},
        {"20/day", Rates{{20, 24h}}},
        {"8/minute", Rates{{8, 1min}}},
        {"1000/minute", Rates{{1000, 1min}}},
        {"5/1", Rates{{5, 1s}}},
        {"5/second", Rates{{5, 1s}}},
        {"2/30", Rates{{2, 30s}}},
        {" 8 / Minute ,800/day ", Rates{{8, 1min}, {800, 24h}}},
        {"0", Rates{}},
        {"", Rates{}},
        {"  ", Rates{}},
        {"8", bad},
        {"0/minute", bad},
        {"8/0", bad},
        {"-8/minute", bad},
        {"8/minutes", bad},
        {"8/week", bad},
        {"8.5/minute", bad},
        {"8/minute,", bad},
        {"8/minute, 0", bad},
        {"99999999999/day", bad},
        {"\u0668/minute", bad}, // an Arabic-Indic eight
    };
    for (const auto &[text, rates] : cases) {
        SCOPED_TRACE(text);
        const std::optional<Rates> parsed = ParseRates(QString::fromUtf8(text));
        ASSERT_EQ(parsed.has_value(), rates.has_value());
        if (rates) {
            EXPECT_EQ(*parsed, *rates);
            if (!rates->isEmpty()) {
                EXPECT_EQ(ParseRates(RatesText(*rates)), rates);
            }
        }
    }
    EXPECT_EQ(RatesText({{8, 1min}, {2, 30s}, {800, 24h}}), QStringLiteral("8/minute, 2/30, 800/day"));
    EXPECT_EQ(RatesText({}), QStringLiteral("no limit"));
}

} // namespace
