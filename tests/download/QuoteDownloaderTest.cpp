#include "QuoteDownloader.h"

#include "DateValue.h"
#include "HttpTransfer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

// Answers every GET on 127.0.0.1 with one canned body and remembers the request targets.
class CannedServer : public QObject
{
public:
    CannedServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &CannedServer::Accept);
    }

    [[nodiscard]] QString Base() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    void SetBody(const QByteArray &body) { m_body = body; }
    [[nodiscard]] const QList<QByteArray> &Targets() const { return m_targets; }

private:
    void Accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }
    void Answer(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        m_targets.append(pending.split(' ').value(1));
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
        socket->disconnectFromHost();
        m_pending.remove(socket);
    }

    QTcpServer m_server;
    QByteArray m_body;
    QList<QByteArray> m_targets;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

class QuoteDownloaderTest : public ::testing::Test
{
protected:
    QuoteDownloaderTest()
    {
        transfer.SetTimeout(std::chrono::seconds(5));
        endpoints.Yahoo = server.Base();
        endpoints.Google = server.Base() + QLatin1Char('/');
        endpoints.QuoteMedia = server.Base();
        endpoints.QuoteMediaWebmasterId = QStringLiteral("123");
        downloader.SetEndpoints(endpoints);
        downloader.SetLocale(QLocale::c());
    }

    CannedServer server;
    HttpTransfer transfer;
    Endpoints endpoints;
    QuoteDownloader downloader{transfer};
};

TEST_F(QuoteDownloaderTest, EachSourceRequestsItsOwnFormAndParsesTheReply)
{
    const struct
    {
        int source;
        QByteArray body;
        QByteArray target;
    } cases[] = {
        {QuoteDownloader::kYahoo,
         "Date,Open,High,Low,Close,Volume,Adj Close\n2013-05-03,1,2,0.5,1.5,100,1.5\n",
         "/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv"},
        {QuoteDownloader::kQuoteMedia, "date,open,high,low,close,volume\n2013-05-03,1,2,0.5,1.5,100\n",
         "/quotetools/getHistoryDownload.csv?&webmasterId=123&startDay=1&startMonth=0&startYear=2000"
         "&isRanged=true&symbol=%5EGSPC"},
        {QuoteDownloader::kGoogle,
         "\xEF\xBB\xBF"
         "Date,Open,High,Low,Close,Volume\n3-May-13,1,2,0.5,1.5,100\n",
         "/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source);
        server.SetBody(c.body);
        ASSERT_EQ(downloader.Download(c.source, QStringLiteral("^GSPC"), 2000), 0);
        ASSERT_FALSE(server.Targets().isEmpty());
        EXPECT_EQ(server.Targets().last(), c.target);
        EXPECT_EQ(downloader.OutputSeries.Symbol, QStringLiteral("^GSPC"));
        ASSERT_EQ(downloader.OutputSeries.BarCount, 1);
        EXPECT_EQ(downloader.OutputSeries.BarDate(1), DateValue::CalendarDate(2013, 5, 3));
        EXPECT_EQ(downloader.OutputSeries.BarValue(1, 3), 0.5f);
        EXPECT_EQ(downloader.OutputSeries.BarValue(1, 5), 100.0f);
    }
}

TEST_F(QuoteDownloaderTest, UnknownSourceMakesNoRequest)
{
    EXPECT_EQ(downloader.Download(3, QStringLiteral("IBM"), 2000), 1);
    EXPECT_EQ(downloader.Download(-1, QStringLiteral("IBM"), 2000), 1);
    EXPECT_TRUE(server.Targets().isEmpty());
}

TEST_F(QuoteDownloaderTest, FailedRequestLeavesBothSeries)
{
    server.SetBody("Date\n2013-05-03,1,1,1,1,1,1\n");
    ASSERT_EQ(downloader.DownloadYahooData(QStringLiteral("IBM"), 2000), 0);

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    Endpoints unreachable = endpoints;
    unreachable.Yahoo = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    downloader.SetEndpoints(unreachable);
    EXPECT_EQ(downloader.DownloadYahooData(QStringLiteral("MSFT"), 2000), 1);
    EXPECT_EQ(downloader.RawSeries.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(downloader.OutputSeries.BarCount, 1);
}

TEST_F(QuoteDownloaderTest, NoDataSetsOnlyTheRawSymbol)
{
    server.SetBody("Date\n2013-05-03,1,1,1,1,1,1\n");
    ASSERT_EQ(downloader.DownloadYahooData(QStringLiteral("IBM"), 2000), 0);
    server.SetBody("Date,Open\n\n");
    EXPECT_EQ(downloader.DownloadYahooData(QStringLiteral("MSFT"), 2000), 2);
    EXPECT_EQ(downloader.RawSeries.Symbol, QStringLiteral("MSFT"));
    EXPECT_EQ(downloader.RawSeries.BarCount, 1);
    EXPECT_EQ(downloader.OutputSeries.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(downloader.OutputSeries.BarCount, 1);
}

} // namespace
