#include "DateValue.h"
#include "GoogleService.h"
#include "QuoteDownloader.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "ServiceSettingsFor.h"
#include "TwelveDataService.h"
#include "YahooService.h"

#include "QtPrinters.h"
#include "QuoteServiceProcess.h"

#include <QRegularExpression>
#include <QSslCertificate>

#include <gtest/gtest.h>

namespace {

struct Served
{
    int status = 0;
    QByteArray body;
    QByteArray retryAfter;
};

Served Get(HttpTransfer &transfer, const QString &base, const QByteArray &target,
           const HttpTransfer::Headers &headers = {})
{
    const FetchResult result = transfer.Fetch(QUrl::fromEncoded(base.toLatin1() + target), headers);
    EXPECT_TRUE(result.ok) << target.constData() << ": " << result.cause.toStdString();
    return {result.httpStatus, result.body, result.retryAfter};
}

QList<QByteArray> Lines(const QByteArray &body)
{
    return body.trimmed().split('\n');
}

// Every form reads a start day from its own fields and serves from that day on: 13 weekdays from
// Wednesday 17 April 2013 to Friday 3 May 2013.
TEST(QuoteServiceTest, EveryFormStartsOnTheDayAsked)
{
    QuoteServiceProcess service({QStringLiteral("--end-date"), QStringLiteral("2013-05-03")});
    ASSERT_FALSE(service.BaseUrl().isEmpty());
    HttpTransfer transfer;
    const struct
    {
        QByteArray target;
        bool newestFirst;
        QByteArray firstDay;
    } forms[] = {
        {"/table.csv?s=IBM&a=3&b=17&c=2013&g=d", true, "2013-04-17,"},
        {"/finance/historical?q=IBM&startdate=Apr+17%2C+2013&output=csv", true, "17-Apr-13,"},
        {"/finance/historical?q=IBM&startdate=Apr%2017,%202013&output=csv", true, "17-Apr-13,"},
        {"/quotetools/getHistoryDownload.csv?&startDay=17&startMonth=3&startYear=2013&symbol=IBM", true,
         "2013-04-17,"},
        {"/api/eod/IBM.US?api_token=t&fmt=csv&from=2013-04-17", false, "2013-04-17,"},
        {"/tiingo/daily/IBM/prices?startDate=2013-04-17&format=csv", false, "2013-04-17,"},
        {"/time_series?symbol=IBM&interval=1day&start_date=2013-04-17&outputsize=5000&format=CSV&apikey=t",
         true, "2013-04-17;"},
    };
    for (const auto &form : forms) {
        const Served served = Get(transfer, service.BaseUrl(), form.target, {{"Authorization", "Token t"}});
        const QList<QByteArray> lines = Lines(served.body);
        ASSERT_EQ(lines.size(), 14) << form.target.constData();
        EXPECT_TRUE((form.newestFirst ? lines.last() : lines.at(1)).startsWith(form.firstDay))
            << form.target.constData();
    }
    // A day that is not a date is refused rather than read as some other day.
    EXPECT_EQ(Get(transfer, service.BaseUrl(), "/table.csv?s=IBM&a=1&b=30&c=2013").status, 400);
}

// A history longer than one reply comes in pieces from the newest back and joins up with no day lost
// or repeated: the days and adjusted prices Tiingo's form serves in one reply.
TEST(QuoteServiceTest, TwelveDataJoinsItsPiecesAndFailsAsTheServiceSays)
{
    QuoteServiceProcess service({QStringLiteral("--end-date"), QStringLiteral("2013-05-03"),
                                 QStringLiteral("--token"), QStringLiteral("right"),
                                 QStringLiteral("--unknown"), QStringLiteral("NOSUCH")});
    ASSERT_FALSE(service.BaseUrl().isEmpty());
    HttpTransfer transfer;
    QuoteDownloader downloader(transfer);
    const QString right = QStringLiteral("right");
    downloader.SetServices(ServicesAt(service.BaseUrl(), {}, right, right));
    const int twelveData = ServiceRegistry::IndexOf(u"twelvedata");
    const auto download = [&](int source, const QString &symbol) {
        const SourceOutcome outcome = downloader.Download(source, symbol, QDate(1990, 1, 1));
        EXPECT_EQ(outcome.cause, QString()) << source;
        BarSeries series = downloader.OutputSeries;
        // Tiingo's adjusted volume takes the dividends out too, Twelve Data's only the splits.
        for (BarSeries::Values &bar : series.values)
            bar[4] = 0;
        return series;
    };
    const BarSeries pieces = download(twelveData, QStringLiteral("MSFT"));
    const BarSeries whole = download(ServiceRegistry::IndexOf(u"tiingo"), QStringLiteral("MSFT"));
    ASSERT_GT(pieces.BarCount, TwelveDataService::kPieceSize);
    EXPECT_EQ(DateValue::ToDate(pieces.BarDate(pieces.BarCount)), QDate(2013, 5, 3));
    EXPECT_TRUE(pieces.dates == whole.dates);
    EXPECT_TRUE(pieces.values == whole.values);

    const SourceOutcome unknown =
        downloader.Download(twelveData, QStringLiteral("NOSUCH"), QDate(1990, 1, 1));
    EXPECT_EQ(unknown.result, QuoteSources::kRequestFailed);
    EXPECT_EQ(
        unknown.cause,
        QStringLiteral("**symbol** not found: NOSUCH. Please specify it correctly according to API Docum"));
    downloader.SetServices(ServicesAt(service.BaseUrl(), {}, right, QStringLiteral("wrong")));
    EXPECT_EQ(downloader.Download(twelveData, QStringLiteral("MSFT"), QDate(1990, 1, 1)).cause,
              QStringLiteral("HTTP 401 Unauthorized: check the API key"));
}

// A flaky symbol fails its first requests only, other symbols not at all; the log shows each request
// with its status and no token.
TEST(QuoteServiceTest, FlakySymbolsAndRequestLog)
{
    QuoteServiceProcess service(
        {QStringLiteral("--flaky"), QStringLiteral("ibm:2,MSFT:1"), QStringLiteral("--log-requests")});
    ASSERT_FALSE(service.BaseUrl().isEmpty());
    HttpTransfer transfer;
    const std::pair<const char *, int> requests[] = {
        {"/table.csv?s=IBM&c=2024", 503},
        {"/table.csv?s=ibm&c=2024", 503},
        {"/api/eod/MSFT.US?api_token=sekrit&from=2024-01-01", 503},
        {"/api/eod/MSFT.US?api_token=sekrit&from=2024-01-01", 200},
        {"/time_series?symbol=MSFT&apikey=sekrit&interval=1day&format=CSV&token=x", 200}};
    for (const auto &[target, status] : requests)
        EXPECT_EQ(Get(transfer, service.BaseUrl(), target).status, status) << target;

    QByteArray log;
    for (int tries = 0; tries < 20 && log.count('\n') < std::ssize(requests); ++tries)
        log += service.Output();
    const QList<QByteArray> lines = Lines(log);
    ASSERT_EQ(lines.size(), std::ssize(requests)) << log.constData();
    EXPECT_FALSE(log.contains("sekrit"));
    const QRegularExpression shape(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (\d{3}) (\S+)$)"));
    const QByteArray masked[] = {"/api/eod/MSFT.US?api_token=***&from=2024-01-01",
                                 "/time_series?symbol=MSFT&apikey=***&interval=1day&format=CSV&token=***"};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = shape.match(QString::fromLatin1(lines.at(i)));
        ASSERT_TRUE(match.hasMatch()) << lines.at(i).constData();
        EXPECT_EQ(match.captured(1).toInt(), requests[i].second);
        EXPECT_EQ(match.captured(2).toLatin1(), i < 2 ? QByteArray(requests[i].first) : masked[i == 4]);
    }
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
