#include "ShowFile.h"
#include "BarFileWriter.h"
#include "BarSeries.h"
#include "QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

BarSeries TwoBars()
{
    BarSeries series;
    series.Prepare(2);
    series.dates = {41397.0, 2958465.0};
    series.values[0] = {0.1F, 16777217.0F, -0.0F, std::bit_cast<float>(1U),
                        std::numeric_limits<float>::max()};
    series.values[1] = {std::bit_cast<float>(0x7fc12345U), -std::numeric_limits<float>::infinity(), 1e-3F,
                        123.456F, 2.5e7F};
    return series;
}

TEST(ShowFile, ShortestFloatTextsAndIsoDates)
{
    EXPECT_EQ(BarSeriesCsv(TwoBars()), "Date,Open,High,Low,Close,Volume\n"
                                       "2013-05-03,0.1,16777216,-0,1e-45,3.4028235e+38\n"
                                       "9999-12-31,nan,-inf,0.001,123.456,2.5e+07\n");
    BarSeries old;
    old.Prepare(1);
    old.dates = {-657434.0}; // 1 January 100: four digits, not "100-01-01"
    EXPECT_TRUE(BarSeriesCsv(old).endsWith("\n0100-01-01,0,0,0,0,0\n"));
}

TEST(ShowFile, ParsesOneFileAndNothingElse)
{
    const struct
    {
        QStringList arguments;
        QString file;
        QString error;
    } cases[] = {
        {{u"--show"_s, u"-odd.bin"_s}, u"-odd.bin"_s, {}},
        {{u"--show=a.kyv"_s}, u"a.kyv"_s, {}},
        {{u"--show"_s}, {}, u"quorbex: --show needs a value"_s},
        {{u"--download"_s, u"--show"_s, u"a.bin"_s},
         u"a.bin"_s,
         u"quorbex: --show FILE takes no other argument, not '--download'"_s},
        {{u"--show=a.bin"_s, u"b.bin"_s},
         u"a.bin"_s,
         u"quorbex: --show FILE takes no other argument, not 'b.bin'"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const std::optional<ParsedCommandLine> parsed = ParseShowCommandLine(c.arguments);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->options.action, CommandLineOptions::Action::Show);
        EXPECT_EQ(parsed->options.showFile, c.file);
        EXPECT_EQ(parsed->error, c.error);
    }
    // After "--" it is a symbol to download.
    EXPECT_FALSE(ParseShowCommandLine({u"--download"_s, u"--"_s, u"--show"_s}));
}

TEST(ShowFile, PrintsTheFileOrOneLineNamingIt)
{
    QTemporaryDir temp;
    ASSERT_TRUE(WriteKyvFile(TwoBars(), temp.path(), u"IBM.Daily.kyv"_s, 2000));
    const QString path = temp.filePath(u"IBM.Daily.kyv"_s);
    const auto run = [](const QString &file, const char *outPath, QByteArray &out, QByteArray &err) {
        std::FILE *outFile = outPath ? std::fopen(outPath, "w") : std::tmpfile();
        std::FILE *errFile = std::tmpfile();
        const int status = ShowBarFile(file, outFile, errFile);
        for (auto [stream, bytes] : {std::pair{outFile, &out}, std::pair{errFile, &err}}) {
            char chunk[4096];
            std::rewind(stream);
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, stream)) > 0;)
                bytes->append(chunk, qsizetype(n));
            std::fclose(stream);
        }
        return status;
    };
    QByteArray out, err;
    EXPECT_EQ(run(path, nullptr, out, err), 0);
    EXPECT_EQ(out, BarSeriesCsv(TwoBars()));
    EXPECT_TRUE(err.isEmpty());

    out.clear();
    EXPECT_EQ(run(temp.filePath(u"NONE.bin"_s), nullptr, out, err), 2);
    EXPECT_EQ(err, (u"quorbex: "_s + temp.filePath(u"NONE.bin"_s) + u": file not found\n"_s).toLocal8Bit());
    EXPECT_TRUE(out.isEmpty());

#ifdef Q_OS_LINUX
    // A full disk must not pass for a whole listing.
    err.clear();
    EXPECT_EQ(run(path, "/dev/full", out, err), 2);
    EXPECT_EQ(err, (u"quorbex: "_s + path + u": output cannot be written\n"_s).toLocal8Bit());
#endif
}

} // namespace
