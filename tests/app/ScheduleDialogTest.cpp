#include "ScheduleDialog.h"
#include "FakePlatform.h"
#include "FakeSystemctl.h"
#include "Form1.h"
#include "QtPrinters.h"
#include "RunLog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The window's one flow for the unattended update: the last run at start-up, then Schedule... to set the
// timer (saving what the window shows first) and to remove it, or the crontab line without a user manager.
TEST(ScheduleDialog, SetsAndRemovesTheTimerOrShowsTheCrontabLine)
{
    const FakeSystemctl systemctl;
    const QTemporaryDir program;
    const QDateTime monday(QDate(2026, 12, 7), QTime(22, 30));
    ASSERT_TRUE(RunLog::Append(RunLog::Path(), {monday, u"eodhd"_s, u"bin"_s, 498, 0, 2, 500, 61.5, 1, {}}));
    FakePlatform platform;
    platform.today = QDate(2026, 12, 8);
    Form1 form(platform, program.path());
    EXPECT_EQ(form.findChild<QLabel *>(u"lblLastUpdate"_s)->text(),
              u"Last update: Mon 22:30, 498 updated, 2 failed"_s);

    form.findChild<QPushButton *>(u"cmdSchedule"_s)->click();
    auto *dialog = form.findChild<ScheduleDialog *>();
    ASSERT_TRUE(dialog && dialog->isVisible());
    const auto state = [dialog] { return dialog->findChild<QLabel *>(u"lblScheduleState"_s)->text(); };
    EXPECT_EQ(state(), u"No unattended update is set."_s);
    EXPECT_EQ(
        dialog->findChild<QListWidget *>(u"lstRuns"_s)->item(0)->text(),
        u"Mon 2026-12-07 22:30  eodhd .bin  498 updated, 2 failed; 500 requests in 61.5 s, exit status 1"_s);
    QFile::remove(RunLog::Path());

    // A refused enable leaves no unit behind and says what systemctl said.
    systemctl.Set("refuse", true);
    dialog->cmdSetSchedule_Click();
    EXPECT_EQ(state(), u"The schedule could not be set: systemctl --user enable --now quorbex-update.timer: "
                       "Access denied\nNo unattended update is set."_s);
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kService)));
    EXPECT_TRUE(QFileInfo::exists(program.filePath(u"Quorbex.ini"_s)));

    systemctl.Set("refuse", false);
    systemctl.ClearCalls();
    dialog->findChildren<QCheckBox *>(u"chkDays"_s).at(4)->setChecked(false);
    dialog->findChild<QTimeEdit *>(u"tmeRunAt"_s)->setTime(QTime(6, 15));
    dialog->cmdSetSchedule_Click();
    EXPECT_EQ(state(), u"Updates Mon-Thu at 06:15. Next run: Mon 2026-12-07 22:30:00 UTC."_s);
    EXPECT_EQ(ReadFile(systemctl.Unit(UserTimer::kTimer)),
              WeeklySchedule({0xF, QTime(6, 15)}).TimerUnit().toUtf8());
    dialog->cmdRemoveSchedule_Click();
    EXPECT_EQ(state(), u"No unattended update is set."_s);
    EXPECT_FALSE(QFileInfo::exists(systemctl.Unit(UserTimer::kTimer)));
    EXPECT_EQ(systemctl.Calls(), u"daemon-reload\nenable --now quorbex-update.timer\n"
                                 "show --property=NextElapseUSecRealtime --value quorbex-update.timer\n"
                                 "disable --now quorbex-update.timer\ndaemon-reload\n"_s);

    // A timer this window did not write is not shown as none, and can be removed.
    ASSERT_TRUE(WriteFile(systemctl.Unit(UserTimer::kTimer), "[Timer]\nOnCalendar=daily\n"));
    const ScheduleDialog foreign(u"/opt/quorbex"_s);
    EXPECT_TRUE(foreign.findChild<QLabel *>(u"lblScheduleState"_s)
                    ->text()
                    .endsWith(u"cannot show. Next run: Mon 2026-12-07 22:30:00 UTC."_s));
    EXPECT_TRUE(foreign.findChild<QPushButton *>(u"cmdRemoveSchedule"_s)->isEnabled());

    systemctl.Set("down", true);
    const ScheduleDialog fallback(u"/opt/quorbex"_s);
    EXPECT_FALSE(fallback.findChild<QPushButton *>(u"cmdSetSchedule"_s)->isEnabled());
    EXPECT_TRUE(fallback.findChild<QLineEdit *>(u"txtCrontabLine"_s)->isVisibleTo(&fallback));
    EXPECT_TRUE(fallback.findChild<QLineEdit *>(u"txtCrontabLine"_s)->text().startsWith(u"30 22 * * 1-5 "_s));
}

} // namespace
