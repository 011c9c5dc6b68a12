#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// Makes every file write beyond `bytes` fail for the life of the object. Tests run as root,
// where permissions cannot make a save fail, but the file size limit still applies.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit limit{bytes, m_old.rlim_max};
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    [[nodiscard]] bool Active() const { return m_active; }

private:
    void (*m_oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails, not kills
    rlimit m_old{};
    bool m_active = false;
};
#endif
