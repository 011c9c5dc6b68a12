#include "CheckFiles.h"
#include "BarFileWriter.h"
#include "BarSeries.h"
#include "DateValue.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Weekdays from 1 July 2024, every close 50 but one zero on `zeroDay` when it is given.
BarSeries Weekdays(int count, QDate zeroDay = {})
{
    BarSeries series;
    series.Prepare(count);
    QDate day(2024, 7, 1);
    for (int bar = 1; bar <= count; ++bar, day = day.addDays(day.dayOfWeek() == 5 ? 3 : 1)) {
        series.SetBarDate(bar, *DateValue::CalendarDate(day.year(), day.month(), day.day()));
        series.values[std::size_t(bar - 1)] = {50, 51, 49, day == zeroDay ? 0.0F : 50.0F, 100};
    }
    return series;
}

struct Output
{
    int status = 0;
    QString out;
    QString err;
};

QString Drain(std::FILE *file)
{
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(read));
    return QString::fromLocal8Bit(bytes);
}

Output Check(const QStringList &paths)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> out(std::tmpfile(), &std::fclose);
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> err(std::tmpfile(), &std::fclose);
    Output output;
    output.status = CheckBarFiles(paths, out.get(), err.get());
    output.out = Drain(out.get());
    output.err = Drain(err.get());
    return output;
}

TEST(CheckFiles, LinesSummaryAndExitStatus)
{
    QTemporaryDir folder;
    const QString path = folder.path();
    ASSERT_TRUE(WriteFile(path + u"/A.bin"_s, BinFileBytes(Weekdays(30))));
    ASSERT_TRUE(WriteFile(path + u"/B.kyv"_s, KyvFileBytes(Weekdays(30), 2024)));
    Output clean = Check({path});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, QString());
    EXPECT_TRUE(clean.err.startsWith(u"2 files checked: 0 findings in 0 files, 0 unreadable, in "_s))
        << clean.err.toStdString();

    ASSERT_TRUE(WriteFile(path + u"/C.bin"_s, BinFileBytes(Weekdays(30, QDate(2024, 7, 10)))));
    Output found = Check({path});
    EXPECT_EQ(found.status, 1);
    EXPECT_EQ(found.out,
              path + u"/C.bin\t2024-07-10\tprice\topen 50, high 51, low 49, close 0: a price is zero, "
                     "negative or not a number\n"_s);
    EXPECT_TRUE(found.err.startsWith(u"3 files checked: 1 findings in 1 files, 0 unreadable"_s));

    // Named files are checked alone; a missing or unreadable one wins over the findings.
    EXPECT_EQ(Check({path + u"/A.bin"_s}).status, 0);
    ASSERT_TRUE(WriteFile(path + u"/D.bin"_s, "not bars"));
    const Output bad = Check({path + u"/C.bin"_s, path + u"/D.bin"_s, path + u"/none.bin"_s});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(path + u"/D.bin: not a .bin file (signature)\n"_s)) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains(path + u"/none.bin: no such file or folder\n"_s));
}

TEST(CheckFiles, DatesOutOfOrderAreAFindingNotAnUnreadableFile)
{
    QTemporaryDir folder;
    BarSeries series = Weekdays(10);
    std::swap(series.dates[3], series.dates[4]);
    const QString path = folder.filePath(u"X.bin"_s);
    ASSERT_TRUE(WriteFile(path, BinFileBytes(series)));
    const Output output = Check({path});
    EXPECT_EQ(output.status, 1);
    EXPECT_TRUE(
        output.out.startsWith(path + u"\t2024-07-04\torder\tdated before the bar ahead of it (2024-07-05)"_s))
        << output.out.toStdString();
}

TEST(CheckFiles, ParsesPathsAndRefusesOptions)
{
    const struct
    {
        QStringList arguments;
        QStringList paths;
        QString error;
    } cases[] = {
        {{u"--check"_s}, {}, {}},
        {{u"--check"_s, u"lib"_s, u"a.bin"_s}, {u"lib"_s, u"a.bin"_s}, {}},
        {{u"--check"_s, u"--"_s, u"-odd.bin"_s}, {u"-odd.bin"_s}, {}},
        {{u"--check"_s, u"--jobs"_s, u"2"_s},
         {},
         u"quorbex: --check takes folders and files, not '--jobs'"_s},
    };
    for (const auto &test : cases) {
        const std::optional<ParsedCommandLine> parsed = ParseCheckCommandLine(test.arguments);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->options.action, CommandLineOptions::Action::Check);
        EXPECT_EQ(parsed->error, test.error);
        if (test.error.isEmpty()) {
            EXPECT_EQ(parsed->options.checkPaths, test.paths);
        }
    }
    EXPECT_FALSE(ParseCheckCommandLine({u"--download"_s, u"IBM"_s}));
}

} // namespace
