#include "FormControls.h"

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
