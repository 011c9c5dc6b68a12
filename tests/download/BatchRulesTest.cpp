#include "BatchRules.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

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

// The text after the first colon, or the whole symbol with its colons made dots when nothing follows;
// in the file name alone, separators and control characters become "_" so no file leaves its folder.
TEST(OutputName, NamesTheFileInBothFormats)
{
    const std::pair<QString, QString> cases[] = {{u"IBM"_s, u"IBM"_s},     {u"NYSE:IBM"_s, u"IBM"_s},
                                                 {u"IBM:"_s, u"IBM."_s},   {u"A:B:C"_s, u"B:C"_s},
                                                 {u"^GSPC"_s, u"^GSPC"_s}, {u"BRK/B"_s, u"BRK_B"_s},
                                                 {u"../X"_s, u".._X"_s},   {u"X:../../Y"_s, u".._.._Y"_s},
                                                 {u"..\\X"_s, u".._X"_s},  {u"A\0B\tC\x7F"_s, u"A_B_C_"_s},
                                                 {u"\x1F:"_s, u"_."_s}};
    for (const auto &[symbol, name] : cases) {
        SCOPED_TRACE(symbol.toStdString());
        const QString outputName = BatchRules::OutputName(symbol);
        EXPECT_EQ(BatchRules::OutputFileName(outputName, 0), name + u".bin"_s);
        EXPECT_EQ(BatchRules::OutputFileName(outputName, 1), name + u".Daily.kyv"_s);
    }
}

} // namespace
