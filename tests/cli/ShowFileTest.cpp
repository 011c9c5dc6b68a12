#include "ShowFile.h"
#include "BarSeries.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(ShowFile, ShortestFloatTextsAndIsoDates)
{
    BarSeries series;
    series.Prepare(2);
    series.dates = {-657434.0, 2958465.0}; // 1 January 100 keeps four digits
    series.values[0] = {0.1F, 16777217.0F, -0.0F, std::bit_cast<float>(1U),
                        std::numeric_limits<float>::max()};
    series.values[1] = {std::bit_cast<float>(0x7fc12345U), -std::numeric_limits<float>::infinity(), 1e-3F,
                        123.456F, 2.5e7F};

    EXPECT_EQ(BarSeriesCsv(series), "Date,Open,High,Low,Close,Volume\n"
                                    "0100-01-01,0.1,16777216,-0,1e-45,3.4028235e+38\n"
                                    "9999-12-31,nan,-inf,0.001,123.456,2.5e+07\n");
}

TEST(ShowFile, ParsesOneFileAndNothingElse)
{
    const struct
    {
        QStringList arguments;
        QString file;
        QString error;
    } cases[] = {
        {{u"--show=a.kyv"_s}, u"a.kyv"_s, {}},
        {{u"--show"_s}, {}, u"quorbex: --show needs a value"_s},
        {{u"--download"_s, u"--show"_s, u"a.bin"_s},
         u"a.bin"_s,
         u"quorbex: --show FILE takes no other argument, not '--download'"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ParsedCommandLine parsed = ParseShowCommandLine(c.arguments).value();
        EXPECT_EQ(parsed.options.action, CommandLineOptions::Action::Show);
        EXPECT_EQ(parsed.options.showFile, c.file);
        EXPECT_EQ(parsed.error, c.error);
    }
    // After "--" it is a symbol to download.
    EXPECT_FALSE(ParseShowCommandLine({u"--download"_s, u"--"_s, u"--show"_s}));
}

} // namespace
