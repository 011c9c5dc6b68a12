#include "UserTimer.h"
#include "FakeSystemctl.h"
#include "QtPrinters.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(UserTimer, InstallEnablesBothUnitsAndRemoveTakesThemAway)
{
    const FakeSystemctl systemctl;
    UserTimer timer;
    ASSERT_TRUE(timer.Available());
    EXPECT_FALSE(timer.Installed());
    const WeeklySchedule schedule{0x15, QTime(7, 45)};
    QString error;
    ASSERT_TRUE(timer.Install(schedule, u"/opt/quorbex"_s, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(systemctl.Unit(UserTimer::kTimer)), schedule.TimerUnit().toUtf8());
    EXPECT_TRUE(
        ReadFile(systemctl.Unit(UserTimer::kService)).contains("ExecStart=\"/opt/quorbex\" --download"));
    EXPECT_EQ(timer.Installed()->days, 0x15U);
    EXPECT_EQ(timer.NextRun(), u"Mon 2026-12-07 22:30:00 UTC"_s);
    ASSERT_TRUE(timer.Remove(&error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kTimer)));
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kService)));
    EXPECT_EQ(systemctl.Calls(),
              u"--user show-environment\n--user daemon-reload\n"
              "--user enable --now quorbex-update.timer\n"
              "--user show --property=NextElapseUSecRealtime --value quorbex-update.timer\n"
              "--user disable --now quorbex-update.timer\n--user daemon-reload\n"_s);
}

TEST(UserTimer, ARefusedEnableLeavesNoUnitAndAMissingManagerIsNotAvailable)
{
    const FakeSystemctl systemctl;
    systemctl.Set("refuse", true);
    UserTimer timer;
    QString error;
    EXPECT_FALSE(timer.Install({0x1F, QTime(22, 30)}, u"/opt/quorbex"_s, &error));
    EXPECT_EQ(error, u"systemctl --user enable --now quorbex-update.timer: Access denied"_s);
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kTimer)));
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kService)));
    systemctl.Set("down", true);
    EXPECT_FALSE(timer.Available());
}

} // namespace
