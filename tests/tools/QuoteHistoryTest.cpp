#include "QuoteHistory.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

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
        {{1999, 1, 1}, {2000, 1, 3}, 261, {1999, 1, 4}, {2000, 1, 3}},
        {{2000, 1, 1}, {2000, 12, 31}, 259, {2000, 1, 3}, {2000, 12, 29}},
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
    // A weekend with nothing in it, and a start after the end.
    for (const auto &[start, end] :
         {std::pair{QDate(2013, 5, 4), QDate(2013, 5, 5)}, {kEnd, kEnd.addDays(-1)}}) {
        const QuoteHistory history(kSymbol, start, end);
        EXPECT_EQ(history.BarCount(), 0);
        EXPECT_EQ(Lines(history.YahooCsv()).size(), 1);
    }
}

// An update asked from a recent day must append exactly the lines a full download has, in every form.
TEST(QuoteHistoryTest, LaterStartGivesTheTailOfTheFullHistory)
{
    const QuoteHistory full(kSymbol, {1990, 1, 1}, kEnd);
    const QuoteHistory recent(kSymbol, {2011, 2, 16}, kEnd);
    const struct
    {
        const char *form;
        QByteArray (QuoteHistory::*csv)() const;
        bool newestFirst;
    } forms[] = {{"Yahoo", &QuoteHistory::YahooCsv, true},
                 {"Google", &QuoteHistory::GoogleCsv, true},
                 {"QuoteMedia", &QuoteHistory::QuoteMediaCsv, true},
                 {"EODHD", &QuoteHistory::EodhdCsv, false},
                 {"Tiingo", &QuoteHistory::TiingoCsv, false}};
    for (const auto &form : forms) {
        const QList<QByteArray> all = Lines((full.*form.csv)());
        const QList<QByteArray> part = Lines((recent.*form.csv)());
        ASSERT_EQ(part.size(), recent.BarCount() + 1) << form.form;
        EXPECT_EQ(part.at(0), all.at(0));
        const qsizetype at = form.newestFirst ? 1 : all.size() - recent.BarCount();
        EXPECT_EQ(part.mid(1), all.mid(at, recent.BarCount())) << form.form;
    }
    for (const auto adjust : {QuoteHistory::Adjust::All, QuoteHistory::Adjust::None}) {
        EXPECT_EQ(recent.TwelveDataCsv(kEnd, 5000, adjust, false),
                  full.TwelveDataCsv(kEnd, recent.BarCount(), adjust, false));
    }
}

// The events the tests are told of are the ones the histories hold, and the adjusted figures before
// one change once the end passes it while the traded ones stay.
TEST(QuoteHistoryTest, EndPastAnEventChangesOnlyAdjustedFigures)
{
    const QDate from(1990, 1, 1);
    QList<QDate> splits;
    QList<QDate> events;
    for (const QByteArray &line : Lines(QuoteHistory(kSymbol, from, kEnd).TiingoCsv()).mid(1)) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.at(12) == "2.0")
            splits.append(IsoDate(line));
        if (fields.at(12) == "2.0" || fields.at(11) != "0.00")
            events.append(IsoDate(line));
    }
    const QList<QDate> listed = QuoteHistory::EventDates(kSymbol, kEnd);
    EXPECT_EQ(listed.mid(listed.indexOf(events.first())), events);
    ASSERT_FALSE(splits.isEmpty());
    EXPECT_EQ(QuoteHistory::SplitDates(kSymbol, kEnd).last(), splits.last());

    const QDate split = splits.last();
    const QList<QByteArray> before = Lines(QuoteHistory(kSymbol, from, split.addDays(-1)).EodhdCsv());
    const QList<QByteArray> after = Lines(QuoteHistory(kSymbol, from, split).EodhdCsv());
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const qsizetype i : {qsizetype(1), before.size() - 1}) {
        const QList<QByteArray> old = before.at(i).split(',');
        const QList<QByteArray> now = after.at(i).split(',');
        for (const int raw : {0, 1, 2, 3, 4, 6})
            EXPECT_EQ(now.at(raw), old.at(raw)) << before.at(i).constData();
        EXPECT_NEAR(now.at(5).toDouble() / old.at(5).toDouble(), 0.5, 0.02) << before.at(i).constData();
    }
}

TEST(QuoteHistoryTest, TwelveDataChoosesNewestBarsAndAdjusts)
{
    const QuoteHistory history(kSymbol, {2000, 1, 1}, kEnd);
    const QList<QByteArray> newest = Lines(history.TwelveDataCsv(kEnd, 3, QuoteHistory::Adjust::None, false));
    ASSERT_EQ(newest.size(), 4);
    EXPECT_EQ(newest.at(0), "datetime;open;high;low;close;volume");
    EXPECT_EQ(IsoDate(newest.at(1)), kEnd);
    const QList<QByteArray> ascending =
        Lines(history.TwelveDataCsv(kEnd, 3, QuoteHistory::Adjust::None, true));
    EXPECT_EQ(ascending.mid(1), (QList<QByteArray>{newest.at(3), newest.at(2), newest.at(1)}));
    // Unadjusted figures are the traded ones; the oldest bars, before every split, are scaled most.
    const QList<QByteArray> raw = Lines(history.EodhdCsv());
    QList<QByteArray> traded = raw.at(1).split(',');
    traded.remove(5);
    const QByteArray oldest =
        Lines(history.TwelveDataCsv(kEnd, 5000, QuoteHistory::Adjust::None, true)).at(1);
    EXPECT_EQ(oldest, traded.join(';'));
    const QList<QByteArray> splitOnly =
        Lines(history.TwelveDataCsv(kEnd, 5000, QuoteHistory::Adjust::Splits, true)).at(1).split(';');
    qsizetype later = 0;
    for (const QDate split : QuoteHistory::SplitDates(kSymbol, kEnd))
        later += split > IsoDate(oldest) ? 1 : 0;
    ASSERT_GT(later, 0);
    const double expected = std::pow(2.0, double(later));
    EXPECT_NEAR(traded.at(4).toDouble() / splitOnly.at(4).toDouble(), expected, expected * 0.05);
}

} // namespace
