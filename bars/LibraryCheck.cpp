#include "LibraryCheck.h"

#include "BarCalendar.h"
#include "BarFileReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace LibraryCheck {
namespace {

QString FolderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

QStringList BarFilesIn(const QString &folder)
{
    const QDir dir(folder);
    QStringList paths;
    for (const QString &name : dir.entryList({QStringLiteral("*.bin"), QStringLiteral("*.kyv")},
                                             QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase))
        paths.append(dir.filePath(name));
    return paths;
}

BarCalendar FolderCalendar(const QString &folder)
{
    BarCalendar calendar;
    for (const QString &path : BarFilesIn(folder)) {
        const BarFileContents contents = ReadBarFile(path, true);
        if (contents.ok())
            calendar.Add(QFileInfo(path).fileName(), contents.series);
    }
    return calendar;
}

void Run(const QStringList &paths, const std::function<void(const FileResult &)> &report)
{
    QHash<QString, BarCalendar> calendars;
    QStringList errors;
    double newest = 0.0;
    for (const QString &path : paths) {
        const BarFileContents contents = ReadBarFile(path, true);
        errors.append(contents.error);
        if (!contents.ok())
            continue;
        BarCalendar &calendar = calendars[FolderOf(path)];
        calendar.Add(QFileInfo(path).fileName(), contents.series);
        if (!contents.series.dates.empty())
            newest = std::max(newest, contents.series.dates.back());
    }
    for (qsizetype at = 0; at < paths.size(); ++at) {
        FileResult result{paths.at(at), errors.at(at), {}};
        if (result.error.isEmpty()) {
            const BarFileContents contents = ReadBarFile(result.path, true);
            if (!contents.ok()) {
                result.error = contents.error; // changed between the two readings
            } else {
                const BarCheckContext context{&calendars[FolderOf(result.path)],
                                              QFileInfo(result.path).fileName(), newest};
                result.findings = CheckBars(contents.series, context);
            }
        }
        report(result);
    }
}

} // namespace LibraryCheck
