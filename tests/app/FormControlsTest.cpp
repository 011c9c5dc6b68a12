#include "FormControls.h"
#include "RunSummary.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(RunProgressText, GuessesTheTimeLeftFromTheRowsSoFarRoundingUp)
{
    const struct
    {
        int done;
        int total;
        qint64 elapsedMs;
        const char *text;
    } cases[] = {
        {0, 20, 0, "0 of 20 rows"},
        {20, 20, 9000, "20 of 20 rows"},
        {1, 4, 100, "1 of 4 rows, about 1 s left"},
        {3, 20, 3000, "3 of 20 rows, about 17 s left"},
        {1, 3, 30001, "1 of 3 rows, about 2 min left"},
        {10, 500, 60000, "10 of 500 rows, about 49 min left"},
        {1, 100, 60000, "1 of 100 rows, about 1 h 39 min left"},
        {1, 62, 60000, "1 of 62 rows, about 1 h 1 min left"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunProgressText(c.done, c.total, c.elapsedMs), QString::fromLatin1(c.text)) << c.text;
}

TEST(RunSummaryText, CountsEveryRowAndTellsTheMarketDayOnlyWhenItServed)
{
    const struct
    {
        DownloadBatch::Summary summary;
        int total;
        qint64 elapsedMs;
        const char *text;
    } cases[] = {
        {{198, 0, 2, false, 200, 0}, 200, 252'000, "198 succeeded, 2 failed, 0 not tried in 4 min 12 s"},
        {{73, 0, 0, true, 73, 0}, 200, 5000, "Stopped: 73 succeeded, 127 not tried"},
        {{3, 1, 2, true, 9, 0}, 10, 5000, "Stopped: 3 succeeded, 1 no data, 2 failed, 4 not tried"},
        {{0, 0, 0, false, 0, 0}, 0, 400, "0 succeeded, 0 failed, 0 not tried in 0 s"},
        {{500, 0, 0, false, 1, 480},
         500,
         3'690'000,
         "500 succeeded (480 from the market day), 0 failed, 0 not tried, 1 request in 1 h 2 min"},
        {{5, 0, 1, false, 7, 4},
         6,
         59'400,
         "5 succeeded (4 from the market day), 1 failed, 0 not tried, 7 requests in 59 s"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunSummaryText(c.summary, c.total, c.elapsedMs), QString::fromLatin1(c.text)) << c.text;
}
