#pragma once

#include "WeeklySchedule.h"

#include <QString>
#include <QStringList>

#include <optional>

// The unattended update as a systemd user timer: its two units in the user's unit folder, enabled,
// removed and asked about through `systemctl --user`, the first systemctl on PATH.
class UserTimer
{
public:
    static constexpr const char *kTimer = "quorbex-update.timer";
    static constexpr const char *kService = "quorbex-update.service";

    explicit UserTimer(QString unitFolder = DefaultUnitFolder());
    // $XDG_CONFIG_HOME/systemd/user, ~/.config/systemd/user when that is not set.
    [[nodiscard]] static QString DefaultUnitFolder();
    // The variables of this process that a run needs to find the same settings and run log; a user
    // manager started before the desktop session may not have them.
    [[nodiscard]] static QStringList CarriedEnvironment();

    // Whether there is a systemctl and the user's service manager answers it.
    [[nodiscard]] bool Available() const;
    [[nodiscard]] const QString &UnitFolder() const { return m_folder; }
    // Whether the timer's unit is there, whoever wrote it.
    [[nodiscard]] bool Present() const;
    // The schedule of the timer this program wrote, when there is one.
    [[nodiscard]] std::optional<WeeklySchedule> Installed() const;
    // Writes both units and enables the timer; a failure leaves no unit behind.
    [[nodiscard]] bool Install(const WeeklySchedule &schedule, const QString &program, QString *error);
    // Disables the timer and removes both units; nothing to remove is no failure.
    [[nodiscard]] bool Remove(QString *error);
    // When the timer fires next, in systemd's words ("Mon 2026-12-07 22:30:00 CET"); empty when unknown.
    [[nodiscard]] QString NextRun() const;

private:
    [[nodiscard]] QString UnitPath(const char *unit) const;
    bool Systemctl(const QStringList &arguments, QString *output, QString *error) const;

    QString m_folder;
};
