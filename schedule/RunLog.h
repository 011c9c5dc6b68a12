#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// One `quorbex --download` as the run log keeps it.
struct RunRecord
{
    QDateTime when; // its start
    QString source; // the command-line name of the service
    QString format; // "bin" or "kyv"
    int succeeded = 0;
    int noData = 0;
    int failed = 0;
    int requests = 0;
    double seconds = 0;
    int exitStatus = 0;
    QString error; // why a run that failed its checks (exit status 2) did not start
};

// "runs.log" in the XDG state folder: one line a run, oldest first, such as
// "2026-12-07T22:30:02+01:00 source=eodhd format=bin succeeded=498 nodata=0 failed=2 requests=500
// seconds=74.2 exit=1", with " error=..." last when the run did not start.
namespace RunLog {

// $XDG_STATE_HOME/quorbex/runs.log, ~/.local/state/quorbex/runs.log when that is not set.
[[nodiscard]] QString Path();

[[nodiscard]] QString Line(const RunRecord &run);
// Nothing for a line this program did not write.
[[nodiscard]] std::optional<RunRecord> ParseLine(QStringView line);

// Adds the run at the end, making the folder, and drops the oldest lines past a few years of nightly runs.
[[nodiscard]] bool Append(const QString &path, const RunRecord &run, QString *error = nullptr);
// The newest `count` runs, newest first; none when the log is missing or unreadable.
[[nodiscard]] QList<RunRecord> Recent(const QString &path, int count);

// "Last update: Mon 22:30, 498 updated, 2 failed", with the date instead of the weekday for a run a week
// or more before `today`.
[[nodiscard]] QString LastUpdateText(const RunRecord &run, QDate today);
// One run for a list of runs: when, source, format and the outcome.
[[nodiscard]] QString Describe(const RunRecord &run);

} // namespace RunLog
