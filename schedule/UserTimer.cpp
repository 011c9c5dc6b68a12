#include "UserTimer.h"

#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// systemctl answers at once unless its manager hangs; a window must not wait for ever.
constexpr int kSystemctlTimeoutMs = 20000;

QString XdgFolder(const char *variable, const char *fallback)
{
    const QString folder = qEnvironmentVariable(variable);
    return folder.isEmpty() || QDir::isRelativePath(folder) ? QDir::homePath() + QLatin1StringView(fallback)
                                                            : folder;
}

} // namespace

UserTimer::UserTimer(QString unitFolder) : m_folder(std::move(unitFolder)) {}

QString UserTimer::DefaultUnitFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config") + QStringLiteral("/systemd/user");
}

QStringList UserTimer::CarriedEnvironment()
{
    QStringList environment;
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        if (const QString value = qEnvironmentVariable(name);
            !value.isEmpty() && !QDir::isRelativePath(value))
            environment.append(QLatin1StringView(name) + u'=' + value);
    }
    return environment;
}

QString UserTimer::UnitPath(const char *unit) const
{
    return m_folder + u'/' + QLatin1StringView(unit);
}

bool UserTimer::Systemctl(const QStringList &arguments, QString *output, QString *error) const
{
    const QString systemctl = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    if (systemctl.isEmpty()) {
        if (error)
            *error = QStringLiteral("systemctl not found");
        return false;
    }
    QProcess process;
    process.start(systemctl, QStringList{QStringLiteral("--user")} + arguments);
    const bool finished = process.waitForFinished(kSystemctlTimeoutMs);
    if (!finished)
        process.kill();
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    if (error) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        *error = QStringLiteral("systemctl --user ") + arguments.join(u' ') +
                 (said.isEmpty() ? QStringLiteral(" failed") : QStringLiteral(": ") + said);
    }
    return false;
}

bool UserTimer::Available() const
{
    return Systemctl({QStringLiteral("show-environment")}, nullptr, nullptr);
}

bool UserTimer::Present() const
{
    return QFile::exists(UnitPath(kTimer));
}

std::optional<WeeklySchedule> UserTimer::Installed() const
{
    QByteArray bytes;
    if (ReadRegularFile(UnitPath(kTimer), &bytes) != ReadResult::Read)
        return std::nullopt;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.startsWith("OnCalendar="))
            return WeeklySchedule::FromCalendar(QString::fromUtf8(line.mid(11)));
    }
    return std::nullopt;
}

bool UserTimer::Install(const WeeklySchedule &schedule, const QString &program, QString *error)
{
    const QString service = WeeklySchedule::ServiceUnit(program, CarriedEnvironment());
    if (service.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("systemd cannot start a program whose path holds a quote or a backslash: ") +
                program;
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("Could not make ") + m_folder;
        return false;
    }
    const QString timer = QLatin1StringView(kTimer);
    const bool written = SaveFileAtomically(UnitPath(kService), service.toUtf8(), error) &&
                         SaveFileAtomically(UnitPath(kTimer), schedule.TimerUnit().toUtf8(), error);
    if (written && Systemctl({QStringLiteral("daemon-reload")}, nullptr, error) &&
        Systemctl({QStringLiteral("enable"), QStringLiteral("--now"), timer}, nullptr, error))
        return true;
    (void)Remove(nullptr);
    return false;
}

bool UserTimer::Remove(QString *error)
{
    if (Present() &&
        !Systemctl({QStringLiteral("disable"), QStringLiteral("--now"), QLatin1StringView(kTimer)}, nullptr,
                   error))
        return false;
    for (const char *unit : {kTimer, kService}) {
        if (QFile::exists(UnitPath(unit)) && !QFile::remove(UnitPath(unit))) {
            if (error)
                *error = QStringLiteral("Could not remove ") + UnitPath(unit);
            return false;
        }
    }
    return Systemctl({QStringLiteral("daemon-reload")}, nullptr, error);
}

QString UserTimer::NextRun() const
{
    QString next;
    if (!Systemctl({QStringLiteral("show"), QStringLiteral("--property=NextElapseUSecRealtime"),
                    QStringLiteral("--value"), QLatin1StringView(kTimer)},
                   &next, nullptr))
        return QString();
    return next == u"n/a" ? QString() : next;
}
