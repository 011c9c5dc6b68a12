#include "WeeklySchedule.h"

#include <QList>
#include <QLocale>

#include <algorithm>

namespace {

const char *const kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

const QString kComment =
    QStringLiteral("# Quorbex's unattended update, set with \"Schedule...\" in its window; "
                   "\"Remove schedule\" there removes it.\n");
const QString kDescription = QStringLiteral("Description=Quorbex: update the price files\n");

// The days as runs of neighbours, each written "first<through>last" from three days on, so that Mon to Fri
// reads "Mon..Fri" and Mon, Tue, Thu reads "Mon,Tue,Thu".
QString DayRuns(unsigned days, int count, const QString &through, const auto &name)
{
    QStringList runs;
    for (int day = 0; day < count;) {
        if (!((days >> day) & 1U)) {
            ++day;
            continue;
        }
        int last = day;
        while (last + 1 < count && ((days >> (last + 1)) & 1U))
            ++last;
        if (last - day >= 2)
            runs.append(name(day) + through + name(last));
        else
            for (int one = day; one <= last; ++one)
                runs.append(name(one));
        day = last + 1;
    }
    return runs.join(u',');
}

// A value of a unit file's line as one word; `%` starts a specifier unless doubled.
QString UnitWord(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

bool HasControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c < u' ' || c == QChar(0x7F); });
}

// A word for the shell that cron starts; cron itself turns an unescaped `%` into a line break.
QString ShellWord(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''")).replace(u'%', QStringLiteral("\\%"));
    return u'\'' + quoted + u'\'';
}

} // namespace

QString WeeklySchedule::Calendar() const
{
    const QString at = time.toString(u"HH:mm:00");
    if (days == 0x7F)
        return QStringLiteral("*-*-* ") + at;
    return DayRuns(days, 7, QStringLiteral(".."), [](int day) { return QLatin1StringView(kDayNames[day]); }) +
           QStringLiteral(" *-*-* ") + at;
}

std::optional<WeeklySchedule> WeeklySchedule::FromCalendar(QStringView calendar)
{
    const QList<QStringView> words = calendar.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() > 3 || words.at(words.size() - 2) != u"*-*-*")
        return std::nullopt;
    WeeklySchedule schedule;
    schedule.time = QTime::fromString(words.back().toString(), u"HH:mm:ss");
    if (words.size() == 2)
        schedule.days = 0x7F;
    else
        for (const QStringView run : words.front().split(u',')) {
            const QList<QStringView> ends = run.split(u"..");
            int first = -1, last = -1;
            for (int day = 0; day < 7; ++day) {
                if (ends.front() == QLatin1StringView(kDayNames[day]))
                    first = day;
                if (ends.back() == QLatin1StringView(kDayNames[day]))
                    last = day;
            }
            if (ends.size() > 2 || first < 0 || last < first)
                return std::nullopt;
            for (int day = first; day <= last; ++day)
                schedule.days |= 1U << day;
        }
    if (!schedule.Valid())
        return std::nullopt;
    return schedule;
}

QString WeeklySchedule::Text() const
{
    const QString at = QStringLiteral(" at ") + time.toString(u"HH:mm");
    if (days == 0x7F)
        return QStringLiteral("every day") + at;
    return DayRuns(days, 7, QStringLiteral("-"), [](int day) { return QLatin1StringView(kDayNames[day]); })
               .replace(u',', QStringLiteral(", ")) +
           at;
}

QString WeeklySchedule::TimerUnit() const
{
    return kComment + QStringLiteral("[Unit]\n") + kDescription + QStringLiteral("\n[Timer]\nOnCalendar=") +
           Calendar() + QStringLiteral("\n") +
           // A run missed while the machine was off happens at its next start.
           QStringLiteral("Persistent=true\n\n[Install]\nWantedBy=timers.target\n");
}

QString WeeklySchedule::ServiceUnit(const QString &program, const QStringList &environment)
{
    // systemd will not start an executable whose path holds a quote or a backslash.
    if (HasControlCharacter(program) || program.contains(u'"') || program.contains(u'\'') ||
        program.contains(u'\\'))
        return QString();
    QString text =
        kComment + QStringLiteral("[Unit]\n") + kDescription + QStringLiteral("\n[Service]\nType=oneshot\n");
    for (const QString &variable : environment) {
        if (HasControlCharacter(variable))
            return QString();
        text += QStringLiteral("Environment=") + UnitWord(variable) + u'\n';
    }
    return text + QStringLiteral("ExecStart=") + UnitWord(program) + u' ' + QLatin1StringView(kArguments) +
           u'\n';
}

QString WeeklySchedule::CrontabLine(const QString &program, const QStringList &environment) const
{
    // cron counts Sunday as 0; Monday to Saturday are 1 to 6.
    QString weekdays = days == 0x7F ? QStringLiteral("*")
                                    : DayRuns(days & 0x3F, 6, QStringLiteral("-"),
                                              [](int day) { return QString::number(day + 1); });
    if (days != 0x7F && (days & 0x40))
        weekdays += weekdays.isEmpty() ? QStringLiteral("0") : QStringLiteral(",0");
    QString command;
    for (const QString &variable : environment)
        command += variable.section(u'=', 0, 0) + u'=' + ShellWord(variable.section(u'=', 1)) + u' ';
    return QStringLiteral("%1 %2 * * %3 %4%5 %6 >>\"$HOME/quorbex.log\" 2>&1")
        .arg(QString::number(time.minute()), QString::number(time.hour()), weekdays, command,
             ShellWord(program), QLatin1StringView(kArguments));
}
