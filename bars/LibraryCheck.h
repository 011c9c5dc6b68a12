#pragma once

#include "BarCheck.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class BarCalendar;

// The check of many bar files at once: each file against the others of its folder, and every file
// against the newest last bar of them all.
namespace LibraryCheck {

struct FileResult
{
    QString path;
    QString error; // why the file could not be read; empty when it was
    std::vector<BarFinding> findings;
};

// The .bin and .kyv files of a folder (not its subfolders), as paths, by name.
[[nodiscard]] QStringList BarFilesIn(const QString &folder);

// The calendar of a folder's bar files; `newestLastDate` gets their newest last bar.
[[nodiscard]] BarCalendar FolderCalendar(const QString &folder);

// Reads the files twice, first for the calendars and then to check each, so that a library of any
// size is never held whole. `report` gets every file once, in the order given.
void Run(const QStringList &paths, const std::function<void(const FileResult &)> &report);

} // namespace LibraryCheck
