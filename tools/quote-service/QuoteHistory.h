#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>

#include <algorithm>

// A made-up but plausible daily history of one symbol from a start day to an end day. What a bar traded
// at depends on the symbol and its date alone, so a history asked from a later start is the tail of one
// asked from an earlier start; only the adjusted figures also depend on the end day, through the splits
// and dividends after each bar. Prices are kept in cents so that the CSV figures are exact.
class QuoteHistory
{
public:
    // What Twelve Data's "adjust" parameter names.
    enum class Adjust { All, Splits, Dividends, None };

    QuoteHistory(const QByteArray &symbol, QDate start, QDate endDate);

    // Drops the bars after `last`, keeping the adjustments of the whole history, as a service does when
    // asked for an earlier end.
    void CutAfter(QDate last);

    [[nodiscard]] qsizetype BarCount() const { return std::max<qsizetype>(0, m_bars.size() - 1); }

    // Newest bar first, LF line ends, a final LF.
    [[nodiscard]] QByteArray YahooCsv() const;
    [[nodiscard]] QByteArray GoogleCsv() const;
    [[nodiscard]] QByteArray QuoteMediaCsv() const;
    // The newest `count` bars on or before `last`, newest first unless `ascending`. The adjustments run to
    // the end of the history whatever `last` is, so that pages asked backwards join up.
    [[nodiscard]] QByteArray TwelveDataCsv(QDate last, qsizetype count, Adjust adjust, bool ascending) const;
    [[nodiscard]] qsizetype BarsThrough(QDate last) const;
    // Oldest bar first, LF line ends, a final LF.
    [[nodiscard]] QByteArray EodhdCsv() const;
    [[nodiscard]] QByteArray TiingoCsv() const;

    // The trading days on which a split or a dividend takes effect, from 1900 to `endDate`, oldest first;
    // a history whose end moves past one of them has new adjusted figures for the bars before it.
    [[nodiscard]] static QList<QDate> EventDates(const QByteArray &symbol, QDate endDate);
    [[nodiscard]] static QList<QDate> SplitDates(const QByteArray &symbol, QDate endDate);

private:
    struct Bar
    {
        QDate date;
        qint64 open = 0; // cents, as traded that day
        qint64 high = 0;
        qint64 low = 0;
        qint64 close = 0;
        qint64 volume = 0;
        bool split = false;       // a 2-for-1 split takes effect at this day's open
        qint64 dividend = 0;      // cents per share, ex this day
        double splitFactor = 1.0; // price multipliers for the events that came later
        double dividendFactor = 1.0;
        double adjustFactor = 1.0; // both
    };

    void ComputeAdjustments();

    // The trading day before the start comes first, so that the first bar shown has a change and its
    // dividend a prior close; it is never shown.
    QList<Bar> m_bars;
};
