#include "QuoteConversions.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

using namespace QuoteConversions;

namespace {

const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);

// Blanks, tabs and line feeds are skipped, a carriage return is not; the result is correctly
// rounded rather than accumulated digit by digit.
TEST(LeadingNumber, ReadsTheNumberTheTextBeginsWith)
{
    const struct
    {
        const char *text;
        double expected;
    } cases[] = {{"", 0.0},        {"abc", 0.0},        {"-", 0.0},         {"--5", 0.0},
                 {"-0", 0.0},      {"  1 2 . 5", 12.5}, {"\t-3\n4", -34.0}, {"1.5\n5", 1.55},
                 {"- 7", -7.0},    {"+.5", 0.5},        {"1.5E-2", 0.015},  {"2 e 2", 200.0},
                 {"1e 3", 1000.0}, {"1e", 1.0},         {"1e-x", 1.0},      {"12,5", 12.0},
                 {"5\r", 5.0},     {"\r5", 0.0},        {"1\r2", 1.0},      {"1e400", HUGE_VAL},
                 {"1e-400", 0.0},  {"0.001e310", 1e307}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const double value = LeadingNumber(c.text);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(std::signbit(value), std::signbit(c.expected)); // no "-0" in the bars
    }
    EXPECT_EQ(LeadingNumber("123456789.123456789"), 123456789.123456789);
    EXPECT_EQ(LeadingNumber("1e99999999999999999999"), HUGE_VAL);
    EXPECT_EQ(LeadingNumber(QByteArray("1" + QByteArray(400, '0') + "e-100")), 1e300);
}

// Without blanks the grammar is that of from_chars apart from a leading "+", so from_chars, which
// rounds correctly, gives the expected value of every generated field.
TEST(LeadingNumber, MatchesFromCharsOnGeneratedFields)
{
    std::mt19937 random(20240611);
    const auto digits = [&](std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += char('0' + random() % 10);
        return text;
    };
    for (int i = 0; i < 200000; ++i) {
        static const char *const kSigns[] = {"", "", "-", "+"};
        std::string number = kSigns[random() % 4] + std::string(random() % 4 == 0 ? random() % 3 : 0, '0');
        const bool longMantissa = random() % 8 == 0;
        number += digits(longMantissa ? 12 + random() % 14 : random() % 8);
        if (random() % 4 != 0)
            number += '.' + digits(longMantissa ? random() % 14 : random() % 7);
        if (random() % 8 == 0)
            number += (random() % 2 ? "e" : "E-") + std::to_string(random() % 30);
        static const char *const kEnds[] = {"", ",7", "\r", "/2"};
        const std::string field = number + kEnds[random() % 4];

        const std::size_t skip = number[0] == '+' ? 1 : 0;
        double expected = 0.0;
        if (std::from_chars(number.data() + skip, number.data() + number.size(), expected).ec != std::errc())
            expected = 0.0;
        if (expected == 0.0)
            expected = 0.0;
        const double value = LeadingNumber(QByteArrayView(field.data(), qsizetype(field.size())));
        ASSERT_EQ(value, expected) << field;
        ASSERT_EQ(std::signbit(value), std::signbit(expected)) << field;
    }
}

TEST(WholeNumber, RoundsHalvesToEvenWithinTheIntegerRange)
{
    const struct
    {
        const char *text;
        std::optional<int> expected;
    } cases[] = {{"2013", 2013},   {" 7 ", 7},           {"\t-7\r\n", -7},     {"7\r", 7},
                 {"2.5", 2},       {"3.5", 4},           {"-2.5", -2},         {"1e3", 1000},
                 {"32767", 32767}, {"32768", {}},        {"-32768", -32768},   {"-32769", {}},
                 {"32767.5", {}},  {"-32768.5", -32768}, {"999999999999", {}}, {"", {}},
                 {"-", {}},        {"12abc", {}},        {"1 2", {}},          {"inf", {}}};
    for (const auto &c : cases)
        EXPECT_EQ(WholeNumber(c.text, kC), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(WholeNumber("3,5", kGerman), 4);
    EXPECT_EQ(WholeNumber(HUGE_VAL), std::nullopt);
}

TEST(StrictNumber, FailsOnAnythingButAFiniteNumber)
{
    const struct
    {
        const char *text;
        std::optional<double> expected;
    } cases[] = {{"1234.5", 1234.5}, {" 12 ", 12.0}, {"1000\r", 1000.0}, {"-4", -4.0}, {"1e3", 1000.0},
                 {"-", {}},          {"", {}},       {"12abc", {}},      {"nan", {}},  {"1e400", {}}};
    for (const auto &c : cases)
        EXPECT_EQ(StrictNumber(c.text, kC), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(StrictNumber("9999999999999999999", kC), 1e19); // too long for the plain integer path
    EXPECT_EQ(StrictNumber("1234,5", kGerman), 1234.5);
}

} // namespace
