#pragma once

#include <QHash>
#include <QString>

#include <vector>

struct BarSeries;

// The trading days of a library, learnt from its files: for each market (the symbol suffix of a
// file name, "AAPL.US.bin" trades on "US") how many files span a day and how many have a bar on it.
// Files added under the same name replace nothing; add each file once.
class BarCalendar
{
public:
    struct Day
    {
        int spanning = 0; // files of the market whose first to last bar include the day
        int having = 0;   // of those, the files with a bar on it
    };

    // The file's dates must ascend; a file with none adds nothing.
    void Add(const QString &fileName, const BarSeries &series);

    // The days of one file's market as its other files see them: the file itself is not counted as
    // spanning a day, nor, on a day it lacks, as having it.
    class FileView
    {
    public:
        [[nodiscard]] Day At(int day) const;

    private:
        friend class BarCalendar;
        const std::vector<int> *m_spanning = nullptr;
        const std::vector<int> *m_having = nullptr;
        int m_firstDay = 0;
        int m_selfFirst = 1; // an empty span: first after last
        int m_selfLast = 0;
    };

    [[nodiscard]] FileView ViewOf(const QString &fileName) const;

    [[nodiscard]] bool Contains(const QString &fileName) const { return m_spans.contains(fileName); }

    // The newest last bar of the files added; 0 when none had bars.
    [[nodiscard]] double NewestLastDate() const { return m_newest; }

    // The market of a file name: the upper-cased text after the last dot of its base name, without the
    // period of a .kyv name ("AAPL.US.Daily.kyv" trades on "US").
    [[nodiscard]] static QString Market(const QString &fileName);

private:
    struct MarketDays
    {
        int firstDay = 0;
        std::vector<int> spanStarts; // [k]: files whose first bar is firstDay + k
        std::vector<int> spanEnds;   // [k]: files whose last bar is firstDay + k - 1
        std::vector<int> having;
        mutable std::vector<int> spanning; // running sum of the two, made when first asked
        mutable bool summed = false;

        void Cover(int from, int to);
    };

    QHash<QString, MarketDays> m_markets;
    QHash<QString, std::pair<int, int>> m_spans; // file name -> first and last day
    double m_newest = 0.0;
};
