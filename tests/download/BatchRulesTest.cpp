#include "BatchRules.h"

#include <gtest/gtest.h>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

TEST(StartYear, AcceptsWhatALocaleAwareReaderAcceptsRoundingHalvesToEven)
{
    struct Case
    {
        QString text;
        QLocale locale;
        int year;
    };
    const Case cases[] = {
        {QStringLiteral("2000"), kUs, 2000},      {QStringLiteral("  1999 "), kUs, 1999},
        {QStringLiteral("2000.5"), kUs, 2000},    {QStringLiteral("2001.5"), kUs, 2002},
        {QStringLiteral("1899.5"), kUs, 1900},    {QStringLiteral("2,001"), kUs, 2001},
        {QStringLiteral("2.0e3"), kUs, 2000},     {QStringLiteral("+2010"), kUs, 2010},
        {QStringLiteral("2026"), kUs, 2026},      {QStringLiteral("2000,5"), kGerman, 2000},
        {QStringLiteral("2.001"), kGerman, 2001},
    };
    for (const Case &c : cases) {
        const BatchRules::StartYearCheck check = BatchRules::CheckStartYear(c.text, c.locale, 2026);
        EXPECT_TRUE(check.ok) << c.text.toStdString();
        EXPECT_EQ(check.year, c.year) << c.text.toStdString();
    }
}

TEST(StartYear, RejectsWithTheMessageTheUserSees)
{
    const QString tail =
        QStringLiteral(". Please enter start year as a 4-digit number in 1900-2026 range (e.g., 2000).");
    struct Case
    {
        QString text;
        QString message;
    };
    const Case cases[] = {
        {QStringLiteral("abc"), QStringLiteral("Start year is not numeric: abc") + tail},
        {QString(), QStringLiteral("Start year is not numeric: ") + tail},
        {QStringLiteral("   "), QStringLiteral("Start year is not numeric:    ") + tail},
        {QStringLiteral("inf"), QStringLiteral("Start year is not numeric: inf") + tail},
        {QStringLiteral("nan"), QStringLiteral("Start year is not numeric: nan") + tail},
        {QStringLiteral("1899"), QStringLiteral("Start year is not valid: 1899") + tail},
        {QStringLiteral("1899.49"), QStringLiteral("Start year is not valid: 1899") + tail},
        {QStringLiteral("2027"), QStringLiteral("Start year is not valid: 2027") + tail},
        {QStringLiteral("-0.4"), QStringLiteral("Start year is not valid: 0") + tail},
        {QStringLiteral("-12"), QStringLiteral("Start year is not valid: -12") + tail},
        // Beyond 32 bits: reported, never wrapped into a valid-looking year.
        {QStringLiteral("4294969296"), QStringLiteral("Start year is not valid: 4294969296") + tail},
    };
    for (const Case &c : cases) {
        const BatchRules::StartYearCheck check = BatchRules::CheckStartYear(c.text, kUs, 2026);
        EXPECT_FALSE(check.ok) << c.text.toStdString();
        EXPECT_EQ(check.message, c.message);
    }
}

TEST(OutputName, TakesTheTextAfterTheFirstColon)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("IBM"), QStringLiteral("IBM")},
        {QStringLiteral("NYSE:IBM"), QStringLiteral("IBM")},
        {QStringLiteral("IBM:"), QStringLiteral("IBM.")},
        {QStringLiteral("A:B:C"), QStringLiteral("B:C")},
        {QStringLiteral("^GSPC"), QStringLiteral("^GSPC")},
        {QStringLiteral(":"), QStringLiteral(".")},
        {QStringLiteral("A::"), QStringLiteral(":")},
    };
    for (const auto &[symbol, name] : cases)
        EXPECT_EQ(BatchRules::OutputName(symbol), name) << symbol.toStdString();
    EXPECT_EQ(BatchRules::OutputFileName(QStringLiteral("IBM."), 0), QStringLiteral("IBM..bin"));
    EXPECT_EQ(BatchRules::OutputFileName(QStringLiteral("IBM"), 1), QStringLiteral("IBM.Daily.kyv"));
}

} // namespace
