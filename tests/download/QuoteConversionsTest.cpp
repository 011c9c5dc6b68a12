#include "QuoteConversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <string>

using namespace QuoteConversions;

namespace {

// Compares bit for bit, so a "-0" fails against 0.
testing::AssertionResult Reads(QByteArrayView text, double expected)
{
    const double value = LeadingNumber(text);
    if (value == expected && std::signbit(value) == std::signbit(expected))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << '"' << text.toByteArray().toStdString() << "\" gives " << value;
}

// Blanks, tabs and line feeds are skipped, a carriage return is not. Without blanks the grammar is
// that of from_chars apart from a leading "+", so from_chars, which rounds correctly, gives the
// expected value of every generated field.
TEST(LeadingNumber, ReadsTheNumberTheTextBeginsWith)
{
    const std::pair<const char *, double> cases[] = {
        {"", 0.0},        {"abc", 0.0},      {"-0", 0.0},     {"1\t2 . 5", 12.5},
        {"5\r", 5.0},     {"\r5", 0.0},      {"1e-x", 1.0},   {"-1e400", -HUGE_VAL},
        {"2 e 2", 200.0}, {" -3\n4", -34.0}, {"1e-400", 0.0}, {"1e99999999999999999999", HUGE_VAL},
        {"1.5\n5", 1.55}};
    for (const auto &[text, expected] : cases)
        EXPECT_TRUE(Reads(text, expected));
    EXPECT_TRUE(Reads("1" + QByteArray(400, '0') + "e-50", HUGE_VAL));

    std::mt19937 random(20240611);
    const auto digits = [&](std::size_t count) {
        std::string text(count, '0');
        std::ranges::generate(text, [&] { return char('0' + random() % 10); });
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
        double expected = 0.0; // left alone when there is no number; "+ 0.0" below turns -0 into 0
        std::from_chars(number.data() + (number[0] == '+'), number.data() + number.size(), expected);
        ASSERT_TRUE(Reads(QByteArray::fromStdString(number + kEnds[random() % 4]), expected + 0.0));
    }
}

// WholeNumber rounds halves to even and keeps to -32768..32767; StrictNumber takes any finite number.
TEST(WholeAndStrictNumber, ReadTheWholeTextUnderTheLocale)
{
    const std::tuple<const char *, std::optional<int>, std::optional<double>> cases[] = {
        {"", {}, {}},      {"2.5", 2, 2.5},        {"32767", 32767, 32767},
        {"-", {}, {}},     {"3.5", 4, 3.5},        {"-32768", -32768, -32768},
        {"inf", {}, {}},   {"1e3", 1000, 1000},    {"32767.5", {}, 32767.5},
        {"12abc", {}, {}}, {"\t-7\r\n", -7, -7},   {"-32768.5", -32768, -32768.5},
        {"1e400", {}, {}}, {"32768", {}, 32768},   {"999999999999", {}, 999999999999.0},
        {"1 2", {}, {}},   {"-32769", {}, -32769}, {"9999999999999999999", {}, 1e19}};
    for (const auto &[text, whole, strict] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(WholeNumber(text, QLocale::c()), whole);
        EXPECT_EQ(StrictNumber(text, QLocale::c()), strict);
    }
    EXPECT_EQ(WholeNumber("3,5", QLocale(QLocale::German, QLocale::Germany)), 4);
    EXPECT_EQ(WholeNumber(std::nan("")), std::nullopt);
}

} // namespace
