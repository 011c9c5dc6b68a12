#include "QuoteDownloader.h"
#include "QuoteSources.h"

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
