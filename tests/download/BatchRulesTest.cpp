#include "BatchRules.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// A year of 0 marks a rejected text; accepted ones leave the message empty.
TEST(StartYear, AcceptsALocaleAwareNumberRoundedHalfToEvenOrExplainsTheRejection)
{
    const std::tuple<const char *, int, const char *> cases[] = {
        {"1899.5", 1900, ""},
        {"2000.5", 2000, ""},
        {" 2026 ", 2026, ""},
        {"2,001", 2001, ""},
        {"abc", 0, "Start year is not numeric: abc"},
        {"", 0, "Start year is not numeric: "},
        {"inf", 0, "Start year is not numeric: inf"},
        {"1899", 0, "Start year is not valid: 1899"},
        {"2027", 0, "Start year is not valid: 2027"},
        {"-0.4", 0, "Start year is not valid: 0"},
        {"4294969296", 0, "Start year is not valid: 4294969296"}};
    const QString tail =
        QStringLiteral(". Please enter start year as a 4-digit number in 1900-2026 range (e.g., 2000).");
    for (const auto &[text, year, message] : cases) {
        SCOPED_TRACE(text);
        const auto check = BatchRules::CheckStartYear(QLatin1String(text),
                                                      QLocale(QLocale::English, QLocale::UnitedStates), 2026);
        EXPECT_EQ(check.ok, year != 0);
        EXPECT_EQ(check.year, year);
        EXPECT_EQ(check.message, year != 0 ? QString() : QLatin1String(message) + tail);
    }
    const auto german = BatchRules::CheckStartYear(QStringLiteral("2000,5"), QLocale(QLocale::German), 2026);
    EXPECT_TRUE(german.ok);
    EXPECT_EQ(german.year, 2000);
}

// The text after the first colon, or the whole symbol with its colons made dots when nothing follows.
TEST(OutputName, NamesTheFileInBothFormats)
{
    const std::pair<const char *, const char *> cases[] = {
        {"IBM", "IBM"}, {"NYSE:IBM", "IBM"}, {"IBM:", "IBM."}, {"A:B:C", "B:C"}, {"^GSPC", "^GSPC"}};
    for (const auto &[symbol, name] : cases) {
        SCOPED_TRACE(symbol);
        const QString outputName = BatchRules::OutputName(QLatin1String(symbol));
        EXPECT_EQ(BatchRules::OutputFileName(outputName, 0), QLatin1String(name) + QStringLiteral(".bin"));
        EXPECT_EQ(BatchRules::OutputFileName(outputName, 1),
                  QLatin1String(name) + QStringLiteral(".Daily.kyv"));
    }
}

} // namespace
