#include "QuoteConversions.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

using namespace QuoteConversions;

namespace {

const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);

double Exact(const char *text)
{
    double value = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), value);
    return value;
}

struct LeadingCase
{
    const char *text;
    double expected;
};

class LeadingNumberTest : public ::testing::TestWithParam<LeadingCase>
{};

TEST_P(LeadingNumberTest, ReadsTheNumberTheTextBeginsWith)
{
    const LeadingCase &c = GetParam();
    EXPECT_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeadingNumberTest,
    ::testing::Values(LeadingCase{"", 0.0}, LeadingCase{"12.5", 12.5}, LeadingCase{"  1 2 . 5", 12.5},
                      LeadingCase{"\t-3\n4", -34.0}, LeadingCase{"- 7", -7.0}, LeadingCase{"1e3", 1000.0},
                      LeadingCase{"1.5E-2", 0.015}, LeadingCase{"2 e 2", 200.0}, LeadingCase{"+.5", 0.5},
                      LeadingCase{"5.", 5.0}, LeadingCase{".", 0.0}, LeadingCase{"-", 0.0},
                      LeadingCase{"-.", 0.0}, LeadingCase{"abc", 0.0}, LeadingCase{"12abc", 12.0},
                      LeadingCase{"1e", 1.0}, LeadingCase{"1e+", 1.0}, LeadingCase{"1e-x", 1.0},
                      LeadingCase{"12,5", 12.0}, LeadingCase{"1.2.3", 1.2}, LeadingCase{"5\r", 5.0},
                      // Carriage returns are not among the skipped characters.
                      LeadingCase{"\r5", 0.0}, LeadingCase{"1\r2", 1.0}, LeadingCase{"0007", 7.0},
                      LeadingCase{"0.001", 0.001}, LeadingCase{"--5", 0.0}, LeadingCase{"1e400", HUGE_VAL},
                      LeadingCase{"-1e400", -HUGE_VAL}, LeadingCase{"1e-400", 0.0},
                      LeadingCase{"1e99999999999999999999", HUGE_VAL}, LeadingCase{"1 2.5", 12.5},
                      LeadingCase{"12\t3", 123.0}, LeadingCase{"1.5\n5", 1.55}, LeadingCase{"1e 3", 1000.0},
                      LeadingCase{"-1 E2", -100.0}, LeadingCase{"7-1", 7.0},
                      LeadingCase{"0.001e310", 1e307}));

// Hand-accumulated digits drift from the correctly rounded value; the prices must not.
TEST(LeadingNumber, IsCorrectlyRounded)
{
    for (const char *text : {"0.1", "0.3", "123456789.123456789", "25.50", "1234.5678", "9007199254740993",
                             "2.2250738585072011e-308", "4.9e-324", "1.7976931348623157e308"})
        EXPECT_EQ(LeadingNumber(text), Exact(text)) << text;
}

TEST(LeadingNumber, ZeroHasNoSign)
{
    EXPECT_FALSE(std::signbit(LeadingNumber("-0")));
    EXPECT_FALSE(std::signbit(LeadingNumber("- 0.0")));
}

TEST(LeadingNumber, LongMantissasKeepTheirMagnitude)
{
    const std::string zeros(400, '0');
    EXPECT_EQ(LeadingNumber(QByteArrayView(("1" + zeros).c_str())), HUGE_VAL);
    EXPECT_EQ(LeadingNumber(QByteArrayView(("1" + zeros + "e-100").c_str())), 1e300);
    EXPECT_EQ(LeadingNumber(QByteArrayView(("0." + zeros + "1").c_str())), 0.0);
    EXPECT_EQ(LeadingNumber(QByteArrayView(("0." + zeros + "1e100").c_str())), Exact("1e-301"));
}

struct WholeCase
{
    const char *text;
    std::optional<int> expected;
};

class WholeNumberTest : public ::testing::TestWithParam<WholeCase>
{};

TEST_P(WholeNumberTest, RoundsHalvesToEvenWithinTheIntegerRange)
{
    const WholeCase &c = GetParam();
    EXPECT_EQ(WholeNumber(c.text, kC), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, WholeNumberTest,
                         ::testing::Values(WholeCase{"2013", 2013}, WholeCase{"05", 5}, WholeCase{" 7 ", 7},
                                           WholeCase{"7\r", 7}, WholeCase{"\t-7\r\n", -7}, WholeCase{"+7", 7},
                                           WholeCase{"2.5", 2}, WholeCase{"3.5", 4}, WholeCase{"-2.5", -2},
                                           WholeCase{"0.5", 0}, WholeCase{"2.51", 3}, WholeCase{"1e3", 1000},
                                           WholeCase{"32767", 32767}, WholeCase{"32768", std::nullopt},
                                           WholeCase{"-32768", -32768}, WholeCase{"-32769", std::nullopt},
                                           WholeCase{"32767.4", 32767}, WholeCase{"32767.5", std::nullopt},
                                           WholeCase{"-32768.5", -32768},
                                           WholeCase{"999999999999", std::nullopt},
                                           WholeCase{"", std::nullopt}, WholeCase{"  ", std::nullopt},
                                           WholeCase{"-", std::nullopt}, WholeCase{"abc", std::nullopt},
                                           WholeCase{"12abc", std::nullopt}, WholeCase{"nan", std::nullopt},
                                           WholeCase{"inf", std::nullopt}, WholeCase{"1 2", std::nullopt}));

TEST(WholeNumber, ReadsUnderTheGivenLocale)
{
    EXPECT_EQ(WholeNumber("3,5", kGerman), 4);
    EXPECT_EQ(WholeNumber("2013", kGerman), 2013);
    EXPECT_EQ(WholeNumber("3,5", kC), std::nullopt);
}

TEST(WholeNumber, FromAValue)
{
    EXPECT_EQ(WholeNumber(2.5), 2);
    EXPECT_EQ(WholeNumber(-3.5), -4);
    EXPECT_EQ(WholeNumber(3913.0), 3913);
    EXPECT_EQ(WholeNumber(32767.5), std::nullopt);
    EXPECT_EQ(WholeNumber(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(WholeNumber(HUGE_VAL), std::nullopt);
}

struct StrictCase
{
    const char *text;
    std::optional<double> expected;
};

class StrictNumberTest : public ::testing::TestWithParam<StrictCase>
{};

TEST_P(StrictNumberTest, FailsOnAnythingButANumber)
{
    const StrictCase &c = GetParam();
    EXPECT_EQ(StrictNumber(c.text, kC), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, StrictNumberTest,
                         ::testing::Values(StrictCase{"1000", 1000.0}, StrictCase{"1234.5", 1234.5},
                                           StrictCase{" 12 ", 12.0}, StrictCase{"1000\r", 1000.0},
                                           StrictCase{"-4", -4.0}, StrictCase{"1e3", 1000.0},
                                           StrictCase{"123456789012345678", 123456789012345678.0},
                                           StrictCase{"12345678901234567890", 12345678901234567890.0},
                                           StrictCase{"-", std::nullopt}, StrictCase{"", std::nullopt},
                                           StrictCase{"12abc", std::nullopt}, StrictCase{"abc", std::nullopt},
                                           StrictCase{"nan", std::nullopt},
                                           StrictCase{"1e400", std::nullopt}));

TEST(StrictNumber, ReadsUnderTheGivenLocale)
{
    EXPECT_EQ(StrictNumber("1234,5", kGerman), 1234.5);
    EXPECT_EQ(StrictNumber("1234", kGerman), 1234.0);
}

TEST(ToSingle, SaturatesBeyondTheFloatRange)
{
    constexpr float kMax = std::numeric_limits<float>::max();
    EXPECT_EQ(ToSingle(0.1), 0.1f);
    EXPECT_EQ(ToSingle(double(kMax)), kMax);
    EXPECT_EQ(ToSingle(double(kMax) + 0x1p102), kMax);
    EXPECT_EQ(ToSingle(double(kMax) + 0x1p103), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ToSingle(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(ToSingle(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(ToFiniteSingle(1e300), std::nullopt);
    EXPECT_EQ(ToFiniteSingle(1234.0), 1234.0f);
}

} // namespace
