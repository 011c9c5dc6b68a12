#include "HttpTransfer.h"
#include "QuoteDownloader.h"
#include "QuoteSources.h"

#include "QtPrinters.h"
#include "QuoteServiceProcess.h"

#include <QDate>
#include <QSslCertificate>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// How each reply starts, in the order of Urls(); Google's begins with a UTF-8 byte-order mark.
const QByteArray kHeads[] = {"Date,Open,High,Low,Close,Volume,Adj Close\n",
                             "\357\273\277Date,Open,High,Low,Close,Volume\n",
                             "date,open,high,low,close,volume,changed,changep,adjclose,tradeval,tradevol\n"};

class QuoteServiceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(m_base.isEmpty()) << "quote-service did not start"; }
    // The requests as the downloader sends them, for histories from 2012.
    [[nodiscard]] QList<QUrl> Urls(const QString &symbol) const
    {
        return {QuoteSources::YahooUrl(m_base, symbol, 2012), QuoteSources::GoogleUrl(m_base, symbol, 2012),
                QuoteSources::QuoteMediaUrl(m_base, QStringLiteral("501"), symbol, 2012)};
    }

    QuoteServiceProcess m_service{{QStringLiteral("--end-date"), QStringLiteral("2013-05-03"),
                                   QStringLiteral("--unknown"), QStringLiteral("NOSUCH"),
                                   QStringLiteral("--hang"), QStringLiteral("HANG")}};
    QString m_base = m_service.BaseUrl();
    HttpTransfer m_transfer; // one connection for all requests of a test, as the downloader keeps it
};

QDate DateOf(const QByteArray &line, bool google)
{
    const QString field = QString::fromLatin1(line.left(line.indexOf(',')));
    return google ? QDate::fromString(field, QStringLiteral("d-MMM-yy")).addYears(100) // "yy" reads as 19yy
                  : QDate::fromString(field, Qt::ISODate);
}

TEST_F(QuoteServiceTest, ServesEachFormInTheShapeTheParsersExpect)
{
    const QList<QUrl> urls = Urls(QStringLiteral("MSFT"));
    for (qsizetype i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(urls[i].toString().toStdString());
        const QByteArray reply = m_transfer.Fetch(urls[i]).body;
        EXPECT_EQ(m_transfer.Fetch(urls[i]).body, reply);
        ASSERT_TRUE(reply.startsWith(kHeads[i]) && reply.endsWith('\n')) << reply.left(80).toStdString();
        const QList<QByteArray> lines = reply.mid(kHeads[i].size()).chopped(1).split('\n');
        QDate previous(2013, 5, 4); // the day after --end-date
        for (const QByteArray &line : lines) {
            const QDate date = DateOf(line, i == 1);
            ASSERT_TRUE(date.isValid() && date < previous && date.dayOfWeek() < 6 &&
                        line.count(',') == kHeads[i].count(','))
                << line.toStdString();
            previous = date;
        }
        EXPECT_EQ(DateOf(lines.first(), i == 1), QDate(2013, 5, 3));
        EXPECT_EQ(previous, QDate(2012, 1, 2));
        if (i == 0) { // Yahoo: Close as traded, Adj Close allowing for later splits and dividends
            EXPECT_GT(lines.last().split(',')[4].toDouble(), lines.last().split(',')[6].toDouble());
        }
    }
}

TEST_F(QuoteServiceTest, AnUnknownSymbolGetsAnHtmlPage)
{
    for (const QUrl &url : Urls(QStringLiteral("nosuch")))
        EXPECT_TRUE(m_transfer.Fetch(url).body.startsWith("<!DOCTYPE html>")) << url.toString().toStdString();
}

TEST_F(QuoteServiceTest, AHangingSymbolTimesOut)
{
    m_transfer.SetTimeout(300ms);
    EXPECT_TRUE(m_transfer.Fetch(Urls(QStringLiteral("HANG")).first()).body.isEmpty());
}

// The two token services over TLS: the same made-up history in both forms, the services' own error
// replies, and one handshake for a whole batch.
TEST(QuoteServiceTlsTest, TokenSourcesShareOneVerifiedConnection)
{
    const QString tls = QStringLiteral(QUORBEX_TLS_DIR);
    QuoteServiceProcess service({QStringLiteral("--end-date"), QStringLiteral("2013-05-03"),
                                 QStringLiteral("--token"), QStringLiteral("sekrit"),
                                 QStringLiteral("--unknown"), QStringLiteral("NOSUCH"),
                                 QStringLiteral("--log-connections"), QStringLiteral("--tls-cert"),
                                 tls + QStringLiteral("/server.pem"), QStringLiteral("--tls-key"),
                                 tls + QStringLiteral("/server.key")});
    ASSERT_TRUE(service.BaseUrl().startsWith(QStringLiteral("https://")));
    HttpTransfer::SetExtraCaCertificates(QSslCertificate::fromPath(tls + QStringLiteral("/ca.pem")));
    HttpTransfer transfer;
    QuoteDownloader downloader(transfer);
    Endpoints endpoints;
    endpoints.EODHD = endpoints.Tiingo = service.BaseUrl();
    downloader.SetEndpoints(endpoints);
    downloader.SetTokens({QStringLiteral("sekrit"), QStringLiteral("sekrit")});

    const auto closes = [&](int source, const char *symbol) {
        const SourceOutcome outcome = downloader.Download(source, QString::fromLatin1(symbol), 2012);
        EXPECT_EQ(outcome.result, QuoteSources::kSuccess) << symbol << ": " << outcome.cause.toStdString();
        std::vector<float> close;
        for (const auto &bar : downloader.OutputSeries.values)
            close.push_back(bar[3]);
        return close;
    };
    const std::vector<float> msft = closes(QuoteDownloader::kEodhd, "MSFT.US");
    EXPECT_EQ(msft.size(), 348u); // weekdays from 2 January 2012 to 3 May 2013 but Christmas and New Year
    EXPECT_EQ(closes(QuoteDownloader::kTiingo, "msft"), msft);
    EXPECT_NE(closes(QuoteDownloader::kEodhd, "IBM.XETRA"), msft);
    const std::pair<int, const char *> notFound[] = {{QuoteDownloader::kEodhd, "NOSUCH.US"},
                                                     {QuoteDownloader::kTiingo, "NOSUCH"}};
    for (const auto &[source, symbol] : notFound) {
        EXPECT_EQ(downloader.Download(source, QString::fromLatin1(symbol), 2012).cause,
                  QStringLiteral("HTTP 404 Not Found"));
    }
    downloader.SetTokens({QStringLiteral("wrong"), QStringLiteral("wrong")});
    for (const int source : {QuoteDownloader::kEodhd, QuoteDownloader::kTiingo}) {
        EXPECT_EQ(downloader.Download(source, QStringLiteral("MSFT"), 2012).cause,
                  QStringLiteral("HTTP 401 Unauthorized: check the API token"));
    }
    EXPECT_EQ(service.Output(), "Connection 1 accepted\n");

    // Without the test CA the certificate is not trusted, and nothing is fetched.
    HttpTransfer::SetExtraCaCertificates({});
    HttpTransfer untrusting;
    const FetchResult refused =
        untrusting.Fetch(downloader.Request(QuoteDownloader::kEodhd, QStringLiteral("MSFT"), 2012).url);
    EXPECT_TRUE(!refused.ok && refused.cause.startsWith(QStringLiteral("TLS: ")))
        << refused.cause.toStdString();
}

} // namespace
