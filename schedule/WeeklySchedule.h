#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// The days of the week and the time of day an unattended update runs, and how systemd and cron write them.
struct WeeklySchedule
{
    unsigned days = 0; // bit 0 Monday ... bit 6 Sunday
    QTime time;

    [[nodiscard]] bool Valid() const { return days != 0 && days < 0x80 && time.isValid(); }
    [[nodiscard]] bool RunsOn(int dayOfWeek) const { return (days >> (dayOfWeek - 1)) & 1U; } // 1 Monday

    // A timer's OnCalendar value: "Mon..Fri *-*-* 22:30:00", "*-*-* 06:00:00" for every day.
    [[nodiscard]] QString Calendar() const;
    // Reads back what Calendar() wrote.
    [[nodiscard]] static std::optional<WeeklySchedule> FromCalendar(QStringView calendar);
    // "Mon-Fri at 22:30", "Mon, Wed, Sat at 06:00", "every day at 06:00".
    [[nodiscard]] QString Text() const;

    // The systemd user units, named after the program: a timer that starts the service at these times
    // (and at the next start after a time the machine was off), and the service that runs `program`.
    // `environment` ("NAME=value") is what the run needs of the window's own environment. No service for a
    // path systemd would refuse to start.
    [[nodiscard]] QString TimerUnit() const;
    [[nodiscard]] static QString ServiceUnit(const QString &program, const QStringList &environment);
    // The same as one line of a crontab, for a machine without systemd's user manager.
    [[nodiscard]] QString CrontabLine(const QString &program, const QStringList &environment) const;

    // The command the units and the crontab line run, after the program's path.
    static constexpr const char *kArguments = "--download --update";
};
