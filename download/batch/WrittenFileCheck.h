#pragma once

#include "BarCalendar.h"

#include <QString>

#include <optional>

struct BarSeries;

// The check of each file a run writes. The folder's files are its calendar, as they stood when the
// run first wrote one (reading them again for every row would cost a long list dearly), with the
// files the run added since.
class WrittenFileCheck
{
public:
    explicit WrittenFileCheck(QString folder);

    // The findings for the series just written under `fileName`, as a row's cause says them
    // ("2 warnings: gap on 2024-07-05, jump x2 on 2020-08-31"); empty when there are none.
    [[nodiscard]] QString Summary(const QString &fileName, const BarSeries &series);

private:
    QString m_folder;
    std::optional<BarCalendar> m_calendar;
    double m_newest = 0.0;
};
