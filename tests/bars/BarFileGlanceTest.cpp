#include "BarFileGlance.h"
#include "BarFileReader.h"
#include "BarFileWriter.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

BarSeries Series(int bars)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(bars);
    for (int bar = 1; bar <= bars; ++bar)
        series.SetBarDate(bar, 36526.0 + 2 * bar);
    return series;
}

// The glance reads three pieces of a file; whatever it says must be what a full read says.
TEST(GlanceAtBarFile, AgreesWithAFullRead)
{
    const QByteArray bin = BinFileBytes(Series(5));
    const QByteArray kyv = KyvFileBytes(Series(4), 2000);
    QByteArray wrongCount = bin, lastDateBroken = bin;
    wrongCount[8] = 9;
    lastDateBroken[bin.size() - 27] = 1; // the last date is no longer a whole day
    const std::pair<const char *, QByteArray> cases[] = {
        {"a.bin", bin},
        {"b.bin", BinFileBytes(Series(0))},
        {"c.bin", BinFileBytes(Series(1))},
        {"d.Daily.kyv", kyv},
        {"e.bin", bin.chopped(3)},
        {"f.bin", wrongCount},
        {"g.bin", lastDateBroken},
        {"h.Daily.kyv", kyv.chopped(28) + "x"},
        {"i.bin", "KYV"},
    };
    QTemporaryDir folder;
    for (const auto &[name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString path = folder.filePath(QLatin1StringView(name));
        ASSERT_TRUE(WriteFile(path, bytes));
        const BarFileGlance glance = GlanceAtBarFile(path);
        const BarFileContents full = ReadBarFile(path);
        ASSERT_EQ(glance.ok(), full.ok()) << glance.error.toStdString();
        if (full.ok() && full.series.BarCount > 0) {
            EXPECT_EQ(glance.bars, full.series.BarCount);
            EXPECT_EQ(glance.firstDate, full.series.BarDate(1));
            EXPECT_EQ(glance.lastDate, full.series.BarDate(full.series.BarCount));
        }
    }
    EXPECT_TRUE(GlanceAtBarFile(folder.filePath(QStringLiteral("none.bin"))).missing);
#ifdef Q_OS_UNIX
    // Opening a FIFO would block the window.
    const QString fifo = folder.filePath(QStringLiteral("fifo.bin"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(GlanceAtBarFile(fifo).error, QStringLiteral("not a regular file"));
#endif
}

} // namespace
