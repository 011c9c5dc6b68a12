#include "WeeklySchedule.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(WeeklySchedule, DaysAreWrittenAsRunsForSystemdAndCron)
{
    const std::tuple<unsigned, QString, QString> cases[] = {
        {0x1F, u"Mon..Fri *-*-* 22:30:00"_s, u"1-5"_s},
        {0x7F, u"*-*-* 22:30:00"_s, u"*"_s},
        {0x15, u"Mon,Wed,Fri *-*-* 22:30:00"_s, u"1,3,5"_s},
        {0x70, u"Fri..Sun *-*-* 22:30:00"_s, u"5,6,0"_s},
        {0x40, u"Sun *-*-* 22:30:00"_s, u"0"_s},
        {0x1B, u"Mon,Tue,Thu,Fri *-*-* 22:30:00"_s, u"1,2,4,5"_s}};
    for (const auto &[days, calendar, cronDays] : cases) {
        const WeeklySchedule schedule{days, QTime(22, 30)};
        EXPECT_EQ(schedule.Calendar(), calendar);
        EXPECT_EQ(WeeklySchedule::FromCalendar(calendar).value_or(WeeklySchedule{}).days, days);
        EXPECT_EQ(schedule.CrontabLine(u"/q"_s, {}),
                  u"30 22 * * "_s + cronDays + u" '/q' --download --update >>\"$HOME/quorbex.log\" 2>&1"_s);
    }
    EXPECT_EQ(WeeklySchedule({0x1B, QTime(6, 5)}).Text(), u"Mon, Tue, Thu, Fri at 06:05"_s);
    for (const QString &other : {u""_s, u"daily"_s, u"Fri..Mon *-*-* 22:30:00"_s, u"Mon *-*-* 25:00:00"_s})
        EXPECT_FALSE(WeeklySchedule::FromCalendar(other)) << other.toStdString();
}

// Guards against a path with a space, `%` or `$` running something else than the program, and against a
// unit systemd would refuse to start.
TEST(WeeklySchedule, UnitsAndCrontabQuoteThePathAndCarryTheEnvironment)
{
    const QString program = u"/opt/my q 100%/$HOME/quorbex"_s;
    const QStringList environment = {u"XDG_STATE_HOME=/s \"1\""_s};
    const QString comment = u"# Quorbex's unattended update, set with \"Schedule...\" in its window; "
                            "\"Remove schedule\" there removes it.\n[Unit]\nDescription=Quorbex: update the "
                            "price files\n\n"_s;
    EXPECT_EQ(WeeklySchedule::ServiceUnit(program, environment),
              comment + u"[Service]\nType=oneshot\nEnvironment=\"XDG_STATE_HOME=/s \\\"1\\\"\"\n"
                        "ExecStart=\"/opt/my q 100%%/$HOME/quorbex\" --download --update\n"_s);
    for (const QString &refused : {u"/it's/quorbex"_s, u"/a\\b/quorbex"_s, u"/a\nb/quorbex"_s})
        EXPECT_TRUE(WeeklySchedule::ServiceUnit(refused, {}).isEmpty());
    EXPECT_EQ(WeeklySchedule({0x1F, QTime(6, 5)}).TimerUnit(),
              comment + u"[Timer]\nOnCalendar=Mon..Fri *-*-* 06:05:00\nPersistent=true\n\n[Install]\n"
                        "WantedBy=timers.target\n"_s);
    EXPECT_EQ(WeeklySchedule({0x7F, QTime(6, 5)}).CrontabLine(u"/it's/100%"_s, environment),
              u"5 6 * * * XDG_STATE_HOME='/s \"1\"' '/it'\\''s/100\\%' --download --update "
              ">>\"$HOME/quorbex.log\" 2>&1"_s);
}

} // namespace
