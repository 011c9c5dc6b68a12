#include "WrittenFileCheck.h"

#include "BarCheck.h"
#include "BarSeries.h"
#include "LibraryCheck.h"

#include <algorithm>

WrittenFileCheck::WrittenFileCheck(QString folder) : m_folder(std::move(folder)) {}

QString WrittenFileCheck::Summary(const QString &fileName, const BarSeries &series)
{
    if (!m_calendar) {
        m_calendar = LibraryCheck::FolderCalendar(m_folder);
        m_newest = m_calendar->NewestLastDate();
    }
    if (!series.dates.empty())
        m_newest = std::max(m_newest, series.dates.back());
    QString summary = FindingsSummary(CheckBars(series, {&*m_calendar, fileName, m_newest}));
    // A new file joins the calendar for the rows after it; one already there keeps its old entry.
    if (!m_calendar->Contains(fileName))
        m_calendar->Add(fileName, series);
    return summary;
}
