#include "BarUpdate.h"

#include "BarFileWriter.h"
#include "DateValue.h"
#include "QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

double Day(QDate date)
{
    return *DateValue::CalendarDate(date.year(), date.month(), date.day());
}

// Bars on the given days from 2 January 2024 on, with values that tell each day apart.
BarSeries Series(const QList<int> &days)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(int(days.size()));
    for (int k = 0; k < days.size(); ++k) {
        series.SetBarDate(k + 1, Day(QDate(2024, 1, 2).addDays(days[k])));
        for (int column = 1; column <= 5; ++column)
            series.SetBarValue(k + 1, column, float(100 + days[k]) + float(column) / 8.0f);
    }
    return series;
}

BarUpdate::Stored StoredOf(const BarSeries &series)
{
    return {series, DateValue::ToDate(series.BarDate(series.BarCount)), true};
}

TEST(BarUpdateTest, MergesOnlyWhatTheReplyBearsOut)
{
    const QList<int> days = {0, 1, 2, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20};
    const BarSeries file = Series(days);
    const BarUpdate::Stored stored = StoredOf(file);
    const QDate from = BarUpdate::RequestStart(stored);
    EXPECT_EQ(from, QDate(2024, 1, 8));

    // From the asked day on (and with older bars the reply should not have held), then two new days.
    const BarSeries reply = Series({0, 6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20, 21, 22});
    const BarUpdate::Merged merged = BarUpdate::Merge(stored, reply, from);
    ASSERT_EQ(merged.kind, BarUpdate::Merged::Updated);
    EXPECT_EQ(merged.newBars, 2);
    QList<int> all = days;
    all << 21 << 22;
    EXPECT_EQ(BinFileBytes(merged.series), BinFileBytes(Series(all)));
    EXPECT_EQ(KyvFileBytes(merged.series, 2024), KyvFileBytes(Series(all), 2024));
    EXPECT_EQ(BarUpdate::Merge(stored, Series({6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20}), from).kind,
              BarUpdate::Merged::UpToDate);

    const struct
    {
        const char *what;
        BarSeries reply;
        int changedDay;
    } changed[] = {
        {"a bar missing", Series({6, 7, 9, 12, 13, 14, 15, 16, 19, 20, 21}), 8},
        {"a bar more", Series({6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 19, 20, 21}), 10},
        {"the last bar missing", Series({6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 21}), 20},
        {"nothing from the asked day", Series({}), 6},
    };
    for (const auto &c : changed) {
        const BarUpdate::Merged result = BarUpdate::Merge(stored, c.reply, from);
        EXPECT_EQ(result.kind, BarUpdate::Merged::HistoryChanged) << c.what;
        EXPECT_EQ(result.changedOn, QDate(2024, 1, 2).addDays(c.changedDay)) << c.what;
    }
    // A value one step of a float away, or a zero of the other sign, is a change.
    for (const float volume : {std::nextafter(0.0f, 1.0f), -0.0f}) {
        BarSeries before = file;
        before.SetBarValue(7, 5, 0.0f); // day 8
        BarSeries after = Series({6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20, 21});
        after.SetBarValue(3, 5, volume);
        const BarUpdate::Merged result = BarUpdate::Merge(StoredOf(before), after, from);
        EXPECT_EQ(result.kind, BarUpdate::Merged::HistoryChanged) << volume;
        EXPECT_EQ(result.changedOn, QDate(2024, 1, 10)) << volume;
    }
}

TEST(BarUpdateTest, OnlyAFileOfTheRowsOwnSeriesIsUsable)
{
    QTemporaryDir folder;
    const BarSeries series = Series({0, 1, 2});
    ASSERT_TRUE(WriteBinFile(series, folder.path() + u'/', QStringLiteral("IBM.bin")));
    ASSERT_TRUE(WriteKyvFile(series, folder.path() + u'/', QStringLiteral("IBM.Daily.kyv"), 2024));
    ASSERT_TRUE(WriteBinFile(Series({}), folder.path() + u'/', QStringLiteral("EMPTY.bin")));
    const auto usable = [&](const char *name, const char *symbol, int startYear) {
        return BarUpdate::ReadStored(folder.filePath(QLatin1StringView(name)), QLatin1StringView(symbol),
                                     startYear)
            .usable;
    };
    EXPECT_TRUE(usable("IBM.bin", "IBM", 2024));
    EXPECT_TRUE(usable("IBM.Daily.kyv", "IBM", 2020));
    EXPECT_EQ(BarUpdate::ReadStored(folder.filePath(QStringLiteral("IBM.bin")), QStringLiteral("IBM"), 2024)
                  .lastDate,
              QDate(2024, 1, 4));
    EXPECT_FALSE(usable("IBM.Daily.kyv", "MSFT", 2024)); // another symbol's
    EXPECT_FALSE(usable("IBM.bin", "IBM", 2025));        // bars before the start year
    EXPECT_FALSE(usable("EMPTY.bin", "EMPTY", 2024));
    EXPECT_FALSE(usable("MISSING.bin", "MISSING", 2024));
    QFile cut(folder.filePath(QStringLiteral("IBM.bin")));
    ASSERT_TRUE(cut.resize(cut.size() - 1));
    EXPECT_FALSE(usable("IBM.bin", "IBM", 2024));
}

} // namespace
