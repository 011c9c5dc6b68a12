#include "RunLog.h"

#include "SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// About four years of nightly runs, a few hundred kilobytes.
constexpr qsizetype kKeptLines = 1500;

const QString kError = QStringLiteral("error=");

// "498 updated, 2 failed"; "did not run: ..." for a run its checks stopped.
QString Outcome(const RunRecord &run)
{
    if (run.exitStatus == 2 && !run.error.isEmpty())
        return QStringLiteral("did not run: ") + run.error;
    QString text = QStringLiteral("%1 updated").arg(run.succeeded);
    if (run.noData > 0)
        text += QStringLiteral(", %1 no data").arg(run.noData);
    if (run.failed > 0)
        text += QStringLiteral(", %1 failed").arg(run.failed);
    if (run.exitStatus == 130)
        text += QStringLiteral(", stopped");
    return text;
}

// English day names whatever the desktop's language, like every other text of the window.
QString LocalTime(const QDateTime &when, const char *format)
{
    return QLocale::c().toString(when.toLocalTime(), QLatin1StringView(format));
}

} // namespace

namespace RunLog {

QString Path()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as the XDG folders' rules have it.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorbex/runs.log");
}

QString Line(const RunRecord &run)
{
    QString line =
        QStringLiteral("%1 source=%2 format=%3 succeeded=%4 nodata=%5 failed=%6 requests=%7 "
                       "seconds=%8 exit=%9")
            .arg(run.when.toOffsetFromUtc(run.when.offsetFromUtc()).toString(Qt::ISODate), run.source,
                 run.format, QString::number(run.succeeded), QString::number(run.noData),
                 QString::number(run.failed), QString::number(run.requests),
                 QString::number(run.seconds, 'f', 1), QString::number(run.exitStatus));
    if (!run.error.isEmpty())
        line += u' ' + kError + QString(run.error).replace(u'\n', u' ').replace(u'\r', u' ');
    return line;
}

std::optional<RunRecord> ParseLine(QStringView line)
{
    RunRecord run;
    const qsizetype errorAt = line.indexOf(u' ' + kError);
    if (errorAt >= 0) {
        run.error = line.mid(errorAt + 1 + kError.size()).toString();
        line = line.left(errorAt);
    }
    const QList<QStringView> fields = line.split(u' ', Qt::SkipEmptyParts);
    if (fields.isEmpty())
        return std::nullopt;
    run.when = QDateTime::fromString(fields.front().toString(), Qt::ISODate);
    if (!run.when.isValid())
        return std::nullopt;
    const std::pair<const char *, int *> counts[] = {{"succeeded", &run.succeeded},
                                                     {"nodata", &run.noData},
                                                     {"failed", &run.failed},
                                                     {"requests", &run.requests},
                                                     {"exit", &run.exitStatus}};
    for (const QStringView field : fields.mid(1)) {
        const QStringView key = field.left(field.indexOf(u'='));
        const QStringView value = field.mid(key.size() + 1);
        bool ok = true;
        if (key == u"source")
            run.source = value.toString();
        else if (key == u"format")
            run.format = value.toString();
        else if (key == u"seconds")
            run.seconds = value.toDouble(&ok);
        else
            for (const auto &[name, target] : counts) {
                if (key == QLatin1StringView(name))
                    *target = value.toInt(&ok);
            }
        if (!ok)
            return std::nullopt;
    }
    if (run.source.isEmpty() || run.format.isEmpty())
        return std::nullopt;
    return run;
}

bool Append(const QString &path, const RunRecord &run, QString *error)
{
    QByteArray bytes;
    if (ReadRegularFile(path, &bytes, error) == ReadResult::Failed)
        return false;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    lines.append(Line(run).toUtf8());
    if (lines.size() > kKeptLines)
        lines.remove(0, lines.size() - kKeptLines);
    if (!QDir().mkpath(QFileInfo(path).path())) {
        if (error)
            *error = QStringLiteral("its folder could not be made");
        return false;
    }
    return SaveFileAtomically(path, lines.join('\n') + '\n', error);
}

QList<RunRecord> Recent(const QString &path, int count)
{
    QByteArray bytes;
    QList<RunRecord> runs;
    if (ReadRegularFile(path, &bytes) != ReadResult::Read)
        return runs;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = lines.size() - 1; i >= 0 && runs.size() < count; --i) {
        if (std::optional<RunRecord> run = ParseLine(QString::fromUtf8(lines.at(i))))
            runs.append(*run);
    }
    return runs;
}

QString LastUpdateText(const RunRecord &run, QDate today)
{
    const qint64 daysAgo = run.when.toLocalTime().date().daysTo(today);
    const bool thisWeek = daysAgo >= 0 && daysAgo < 7;
    return QStringLiteral("Last update: ") +
           LocalTime(run.when, thisWeek ? "ddd HH:mm" : "yyyy-MM-dd HH:mm") + QStringLiteral(", ") +
           Outcome(run);
}

QString Describe(const RunRecord &run)
{
    return QStringLiteral("%1  %2 .%3  %4; %5 requests in %6 s, exit status %7")
        .arg(LocalTime(run.when, "ddd yyyy-MM-dd HH:mm"), run.source, run.format, Outcome(run),
             QString::number(run.requests), QString::number(run.seconds, 'f', 1),
             QString::number(run.exitStatus));
}

} // namespace RunLog
