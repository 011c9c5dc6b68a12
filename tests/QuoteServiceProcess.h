#pragma once

#include <QProcess>
#include <QStringList>

// The local quote service on a free port, for as long as the object lives. The test target
// defines QUOTE_SERVICE_PATH.
class QuoteServiceProcess
{
public:
    explicit QuoteServiceProcess(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(QUOTE_SERVICE_PATH),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
        if (m_process.waitForReadyRead(10000)) {
            // Quote service listening on http[s]://127.0.0.1:PORT
            const QByteArray line = m_process.readLine();
            m_baseUrl = QString::fromLatin1(line.mid(line.indexOf("http")).trimmed());
        }
    }
    ~QuoteServiceProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Empty when the service did not start.
    [[nodiscard]] const QString &BaseUrl() const { return m_baseUrl; }
    // The lines the service printed since the last call, waiting briefly for the first.
    [[nodiscard]] QByteArray Output()
    {
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(1000);
        return m_process.readAllStandardOutput();
    }

private:
    QProcess m_process;
    QString m_baseUrl;
};
