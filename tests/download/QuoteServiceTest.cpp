#include "GoogleService.h"
#include "QuoteDownloader.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "ServiceSettingsFor.h"
#include "YahooService.h"

#include "QtPrinters.h"
#include "QuoteServiceProcess.h"

#include <QSslCertificate>

#include <gtest/gtest.h>

namespace {

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
    downloader.SetServices(ServicesAt(service.BaseUrl(), QStringLiteral("sekrit"), QStringLiteral("sekrit")));

    const auto closes = [&](int source, const char *symbol) {
        const SourceOutcome outcome =
            downloader.Download(source, QString::fromLatin1(symbol), QDate(2012, 1, 1));
        EXPECT_EQ(outcome.result, QuoteSources::kSuccess) << symbol << ": " << outcome.cause.toStdString();
        std::vector<float> close;
        for (const auto &bar : downloader.OutputSeries.values)
            close.push_back(bar[3]);
        return close;
    };
    const std::vector<float> msft = closes(3, "MSFT.US");
    EXPECT_EQ(msft.size(), 348u); // weekdays from 2 January 2012 to 3 May 2013 but Christmas and New Year
    EXPECT_EQ(closes(4, "msft"), msft);
    EXPECT_NE(closes(3, "IBM.XETRA"), msft);
    const std::pair<int, const char *> notFound[] = {{3, "NOSUCH.US"}, {4, "NOSUCH"}};
    for (const auto &[source, symbol] : notFound) {
        EXPECT_EQ(downloader.Download(source, QString::fromLatin1(symbol), QDate(2012, 1, 1)).cause,
                  QStringLiteral("HTTP 404 Not Found"));
    }
    downloader.SetServices(ServicesAt(service.BaseUrl(), QStringLiteral("wrong"), QStringLiteral("wrong")));
    for (const int source : {3, 4}) {
        EXPECT_EQ(downloader.Download(source, QStringLiteral("MSFT"), QDate(2012, 1, 1)).cause,
                  QStringLiteral("HTTP 401 Unauthorized: check the API token"));
    }
    EXPECT_EQ(service.Output(), "Connection 1 accepted\n");

    // Without the test CA the certificate is not trusted, and nothing is fetched.
    HttpTransfer::SetExtraCaCertificates({});
    HttpTransfer untrusting;
    const FetchResult refused =
        untrusting.Fetch(downloader.Request(3, QStringLiteral("MSFT"), QDate(2012, 1, 1)).url);
    EXPECT_TRUE(!refused.ok && refused.cause.startsWith(QStringLiteral("TLS: ")))
        << refused.cause.toStdString();
}

} // namespace
