#pragma once

#include "UserTimer.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;

// "Schedule...": the days and the time of the unattended update, set as a systemd user timer that runs
// `program --download --update`, or shown as a crontab line where there is no user manager; and the
// recent runs of the run log. It never blocks on a question, so tests drive it shown non-modally.
class ScheduleDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ScheduleDialog(QString program, QWidget *parent = nullptr);

    void cmdSetSchedule_Click();
    void cmdRemoveSchedule_Click();

Q_SIGNALS:
    // Before the units are written: the run reads the settings file and the list, which must hold what
    // the window shows.
    void aboutToSet();

private:
    [[nodiscard]] WeeklySchedule Chosen() const;
    void ShowSchedule(const QString &failure = {});

    const QString m_program;
    UserTimer m_timer;
    const bool m_systemd;

    std::array<QCheckBox *, 7> chkDays{};
    QTimeEdit *tmeRunAt = nullptr;
    QLabel *lblScheduleState = nullptr;
    QLineEdit *txtCrontabLine = nullptr;
    QListWidget *lstRuns = nullptr;
    QPushButton *cmdSetSchedule = nullptr;
    QPushButton *cmdRemoveSchedule = nullptr;
};
