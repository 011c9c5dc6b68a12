#include "QuoteHistory.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

QList<QByteArray> Lines(const QByteArray &csv)
{
    QList<QByteArray> lines = csv.split('\n');
    lines.removeLast(); // after the final LF
    return lines;
}

QDate IsoDate(const QByteArray &field)
{
    return QDate::fromString(QString::fromLatin1(field.left(10)), Qt::ISODate);
}

const QByteArray kSymbol = "IBM";
const QDate kEnd(2013, 5, 3);

// Bar counts and first and last days as the generator gave them before a bar's figures stopped
// depending on the start: clients count on the trading days staying put.
TEST(QuoteHistoryTest, TradingDaysStayAsTheyWere)
{
    const struct
    {
        QDate start, end;
        qsizetype count;
        QDate first, last;
    } cases[] = {
        {{1900, 1, 1}, {1901, 3, 1}, 302, {1900, 1, 2}, {1901, 3, 1}},
        {{1990, 1, 1}, {2013, 5, 3}, 6057, {1990, 1, 2}, {2013, 5, 3}},
        {{2024, 1, 1}, {2024, 6, 28}, 129, {2024, 1, 2}, {2024, 6, 28}},
    };
    for (const auto &c : cases) {
        const QuoteHistory history(kSymbol, c.start, c.end);
        const QList<QByteArray> lines = Lines(history.EodhdCsv());
        ASSERT_EQ(history.BarCount(), c.count) << qPrintable(c.start.toString(Qt::ISODate));
        EXPECT_EQ(lines.size(), c.count + 1);
        EXPECT_EQ(IsoDate(lines.at(1)), c.first);
        EXPECT_EQ(IsoDate(lines.last()), c.last);
    }
}

} // namespace
