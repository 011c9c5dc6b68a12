#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>

// A made-up but plausible daily history of one symbol, the same for the same symbol, start year and
// end date. Prices are kept in cents so that the CSV figures are exact.
class QuoteHistory
{
public:
    QuoteHistory(const QByteArray &symbol, int startYear, QDate endDate);

    [[nodiscard]] qsizetype BarCount() const { return m_bars.size(); }

    // Newest bar first, LF line ends, a final LF.
    [[nodiscard]] QByteArray YahooCsv() const;
    [[nodiscard]] QByteArray GoogleCsv() const;
    [[nodiscard]] QByteArray QuoteMediaCsv() const;
    // Oldest bar first, LF line ends, a final LF.
    [[nodiscard]] QByteArray EodhdCsv() const;
    [[nodiscard]] QByteArray TiingoCsv() const;

private:
    struct Bar
    {
        int year = 0;
        int month = 0;
        int day = 0;
        qint64 open = 0; // cents, as traded that day
        qint64 high = 0;
        qint64 low = 0;
        qint64 close = 0;
        qint64 volume = 0;
        double splitFactor = 1.0;  // price multiplier for splits that came later
        double adjustFactor = 1.0; // the same for splits and dividends
    };

    void Generate(quint64 seed, QDate first, QDate last);
    void ComputeAdjustments();

    QList<Bar> m_bars;                               // oldest first
    QList<qsizetype> m_splits;                       // bars on which a 2-for-1 split took effect
    QList<std::pair<qsizetype, qint64>> m_dividends; // ex-date bar, cents per share
};
