#include "QuoteDownloader.h"

#include "HttpTransfer.h"
#include "QtPrinters.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

// Answers every GET on 127.0.0.1 with `body` and records the request targets.
struct CannedServer : QObject
{
    CannedServer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                socket->setProperty("request", request);
                if (!request.contains("\r\n\r\n"))
                    return;
                targets.append(request.split(' ').value(1));
                socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
    }

    QTcpServer server;
    QByteArray body;
    QList<QByteArray> targets;
};

// Starts from a successful download of "IBM", which a failing one must leave alone.
class QuoteDownloaderTest : public ::testing::Test
{
protected:
    QuoteDownloaderTest()
    {
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.server.serverPort());
        downloader.SetEndpoints({base, base + QLatin1Char('/'), base, QStringLiteral("123")});
        // "." groups thousands here, so every volume below reads as 1500.
        downloader.SetLocale(QLocale(QLocale::German, QLocale::Germany));
        server.body = "Date\n2013-05-03,1,2,0.5,1.5,1.500,1.5\n";
        EXPECT_EQ(downloader.DownloadYahooData(QStringLiteral("IBM"), 2000), 0);
    }

    CannedServer server;
    HttpTransfer transfer;
    QuoteDownloader downloader{transfer};
};

TEST_F(QuoteDownloaderTest, EachSourceSendsItsOwnRequestAndReturnsSuccess)
{
    const struct
    {
        int source;
        QByteArray body;
        QByteArray target;
    } cases[] = {{QuoteDownloader::kYahoo, "Date\n2013-05-03,1,2,0.5,1.5,1.500,1.5\n",
                  "/table.csv?s=%5EGSPC&a=0&b=1&c=2000&g=d&ignore=.csv"},
                 {QuoteDownloader::kQuoteMedia, "date\n2013-05-03,1,2,0.5,1.5,1.500\n",
                  "/quotetools/getHistoryDownload.csv?&webmasterId=123&startDay=1&startMonth=0&startYear=2000"
                  "&isRanged=true&symbol=%5EGSPC"},
                 {QuoteDownloader::kGoogle, "\357\273\277Date\n3-May-13,1,2,0.5,1.5,1.500\n",
                  "/finance/historical?q=%5EGSPC&startdate=Jan+1%2C+2000&output=csv"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source);
        server.body = c.body;
        EXPECT_EQ(downloader.Download(c.source, QStringLiteral("^GSPC"), 2000), 0);
        EXPECT_EQ(server.targets.value(server.targets.size() - 1), c.target);
        EXPECT_EQ(downloader.OutputSeries.values, (std::vector<BarSeries::Values>{{1, 2, 0.5f, 1.5f, 1500}}));
    }
}

TEST_F(QuoteDownloaderTest, ReplyFailingTheHeaderCheckReturnsRequestFailedAndKeepsBothSeries)
{
    server.body = "<html>Not found</html>";
    EXPECT_EQ(downloader.DownloadYahooData(QStringLiteral("MSFT"), 2000), 1);
    EXPECT_EQ(downloader.RawSeries.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(downloader.OutputSeries.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(downloader.OutputSeries.BarCount, 1);
    EXPECT_EQ(downloader.Download(3, QStringLiteral("MSFT"), 2000), 1); // unknown source: no request
    EXPECT_EQ(server.targets.size(), 2);
}

TEST_F(QuoteDownloaderTest, ReplyWithoutPriceLinesReturnsNoDataAndSetsOnlyTheRawSymbol)
{
    server.body = "Date,Open\n\n";
    EXPECT_EQ(downloader.DownloadYahooData(QStringLiteral("MSFT"), 2000), 2);
    EXPECT_EQ(downloader.RawSeries.Symbol, QStringLiteral("MSFT"));
    EXPECT_EQ(downloader.RawSeries.BarCount, 1);
    EXPECT_EQ(downloader.OutputSeries.Symbol, QStringLiteral("IBM"));
    EXPECT_EQ(downloader.OutputSeries.BarCount, 1);
}

} // namespace
