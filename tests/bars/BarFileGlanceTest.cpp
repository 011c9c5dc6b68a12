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

BarSeries Series(int bars, double firstDate = 36526.0)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(bars);
    for (int bar = 1; bar <= bars; ++bar)
        series.SetBarDate(bar, firstDate + 2 * (bar - 1));
    return series;
}

// The glance reads three pieces of a file; whatever it says must be what a full read says.
TEST(GlanceAtBarFile, AgreesWithAFullRead)
{
    const QByteArray bin = BinFileBytes(Series(5));
    const QByteArray kyv = KyvFileBytes(Series(4, 40000.0), 2000);
    QByteArray wrongCount = bin;
    wrongCount[8] = 9;
    QByteArray lastDateBroken = bin;
    lastDateBroken[bin.size() - 27] = 1; // the last date is no longer a whole day
    QByteArray middleDate = BinFileBytes(Series(3));
    middleDate[66 + 28 + 7] = 0x7f; // a record between is never read
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool ok;
    } cases[] = {
        {"a.bin", bin, true},
        {"b.bin", BinFileBytes(Series(0)), true},
        {"c.bin", BinFileBytes(Series(1)), true},
        {"d.Daily.kyv", kyv, true},
        {"e.bin", bin.chopped(3), false},
        {"f.bin", wrongCount, false},
        {"g.bin", lastDateBroken, false},
        {"h.bin", bin + QByteArray(28, '\0'), false},
        {"i.Daily.kyv", kyv.chopped(28) + "x", false},
        {"j.Daily.kyv", bin, false},
        {"k.bin", "KYV", false},
        {"l.bin", QByteArray(), false},
        {"m.bin", middleDate, true},
    };
    QTemporaryDir folder;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.filePath(QLatin1StringView(c.name));
        ASSERT_TRUE(WriteFile(path, c.bytes));
        const BarFileGlance glance = GlanceAtBarFile(path);
        const BarFileContents full = ReadBarFile(path);
        EXPECT_EQ(glance.ok(), c.ok) << glance.error.toStdString();
        EXPECT_FALSE(glance.missing);
        if (c.name[0] == 'm')
            continue;
        EXPECT_EQ(full.ok(), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(glance.bars, full.series.BarCount);
        if (glance.bars > 0) {
            EXPECT_EQ(glance.firstDate, full.series.BarDate(1));
            EXPECT_EQ(glance.lastDate, full.series.BarDate(full.series.BarCount));
        }
    }

    EXPECT_TRUE(GlanceAtBarFile(folder.filePath(QStringLiteral("none.bin"))).missing);
    EXPECT_FALSE(GlanceAtBarFile(folder.filePath(QStringLiteral("a.txt"))).ok());
#ifdef Q_OS_UNIX
    // Opening a FIFO would block the window.
    const QString fifo = folder.filePath(QStringLiteral("fifo.bin"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(GlanceAtBarFile(fifo).error, QStringLiteral("not a regular file"));
#endif
}

} // namespace
