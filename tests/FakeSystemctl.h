#pragma once

#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

// A `systemctl` first on PATH that records its arguments after --user in "calls" and answers
// show-environment (failing while "down" exists), enable (refused while "refuse" exists) and the next
// elapse. XDG_CONFIG_HOME points into the same folder, so the units land in "config/systemd/user".
class FakeSystemctl
{
public:
    FakeSystemctl() : m_path(qgetenv("PATH")), m_config(qgetenv("XDG_CONFIG_HOME"))
    {
        const QByteArray dir = m_dir.path().toLocal8Bit();
        const QString script = m_dir.filePath(QStringLiteral("systemctl"));
        (void)WriteFile(script, "#!/bin/sh\ncd '" + dir +
                                    "'\nshift\necho \"$*\" >>calls\ncase \"$*\" in\n"
                                    "show-environment) [ ! -e down ] ;;\n"
                                    "enable*) [ ! -e refuse ] || { echo 'Access denied' >&2; exit 1; } ;;\n"
                                    "*NextElapse*) echo 'Mon 2026-12-07 22:30:00 UTC' ;;\nesac\n");
        (void)QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir + ':' + m_path);
        qputenv("XDG_CONFIG_HOME", dir + "/config");
    }
    ~FakeSystemctl()
    {
        qputenv("PATH", m_path);
        m_config.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", m_config);
    }

    void Set(const char *flag, bool on) const
    {
        const QString path = m_dir.filePath(QLatin1StringView(flag));
        (void)(on ? WriteFile(path, {}) : QFile::remove(path));
    }
    [[nodiscard]] QString Calls() const
    {
        return QString::fromLocal8Bit(ReadFile(m_dir.filePath(QStringLiteral("calls"))));
    }
    void ClearCalls() const { QFile::remove(m_dir.filePath(QStringLiteral("calls"))); }
    [[nodiscard]] QString Unit(const char *name) const
    {
        return m_dir.filePath(QStringLiteral("config/systemd/user/") + QLatin1StringView(name));
    }

private:
    QTemporaryDir m_dir;
    const QByteArray m_path, m_config;
};
