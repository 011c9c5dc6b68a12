// Symbols per second for 200 histories of about 10,000 bars each, fetched one after another from a
// local quote-service: through HttpTransfer alone, through HttpTransfer with QuoteDownloader (fetch
// and parse, Yahoo's form and EODHD's), and through one curl run over one connection. The same is then done
// with tiny replies (the service's 404 page), where only the cost of each request itself counts.
#include "HttpTransfer.h"
#include "QuoteDownloader.h"
#include "QuoteServiceProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int kSymbolCount = 200;
constexpr int kStartYear = 1986; // about 10,000 weekdays up to the fixed end date
constexpr int kRounds = 5;       // the machine is shared; the best round is the least disturbed

struct Run
{
    double seconds = 0.0;
    double cpuSeconds = -1.0; // this process only, so unknown for curl
    qint64 bytes = 0;
    int failures = 0;
    QString note;
};

QStringList Symbols(const QString &prefix)
{
    QStringList symbols;
    for (int i = 0; i < kSymbolCount; ++i)
        symbols.append(prefix + QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')));
    return symbols;
}

QString YahooUrl(const QString &base, const QString &symbol)
{
    return base + QStringLiteral("/table.csv?s=%1&a=0&b=1&c=%2&g=d&ignore=.csv").arg(symbol).arg(kStartYear);
}

Run FetchWithTransfer(const QString &base, const QStringList &symbols, const QByteArray &expected)
{
    HttpTransfer transfer;
    Run run;
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    for (const QString &symbol : symbols) {
        const QByteArray body = transfer.Fetch(QUrl(YahooUrl(base, symbol))).body;
        run.bytes += body.size();
        run.failures += body.startsWith(expected) ? 0 : 1;
    }
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    run.cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return run;
}

Run DownloadWithQuoteDownloader(const QString &base, const QStringList &symbols, int source)
{
    HttpTransfer transfer;
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    for (ServiceSettings &one : services) {
        one.base = base;
        one.token = QStringLiteral("bench");
    }
    QuoteDownloader downloader(transfer, services);
    Run run;
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    for (const QString &symbol : symbols) {
        const int result = downloader.Download(source, symbol, QDate(kStartYear, 1, 1)).result;
        run.failures += result == 0 ? 0 : 1;
        run.bytes += downloader.OutputSeries.BarCount;
    }
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    run.cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    run.note = QStringLiteral("%1 bars per symbol").arg(run.bytes / std::max(1, kSymbolCount));
    run.bytes = 0;
    return run;
}

Run FetchWithCurl(const QString &base, const QStringList &symbols)
{
    QStringList arguments{QStringLiteral("-s"), QStringLiteral("-w"),
                          QStringLiteral("%{size_download} %{num_connects}\\n")};
    for (const QString &symbol : symbols)
        arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << YahooUrl(base, symbol);
    QProcess curl;
    Run run;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), arguments);
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0) {
        run.failures = kSymbolCount;
        return run;
    }
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    int connections = 0;
    for (const QByteArray &line : curl.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2) {
            run.bytes += fields[0].toLongLong();
            connections += fields[1].toInt();
        }
    }
    run.note = QStringLiteral("%1 connection(s)").arg(connections);
    return run;
}

void Report(const char *name, const QList<Run> &runs)
{
    const auto best = std::min_element(runs.begin(), runs.end(),
                                       [](const Run &a, const Run &b) { return a.seconds < b.seconds; });
    QStringList rates;
    for (const Run &run : runs)
        rates << QString::number(kSymbolCount / run.seconds, 'f', 1);
    QString cpu;
    if (best->cpuSeconds >= 0.0)
        cpu = QStringLiteral(", client CPU %1 ms/symbol")
                  .arg(1000.0 * best->cpuSeconds / kSymbolCount, 0, 'f', 2);
    std::printf("%-32s %7.1f symbols/s best (rounds: %s)%s; %lld bytes, %d failed %s\n", name,
                kSymbolCount / best->seconds, qPrintable(rates.join(QStringLiteral(", "))), qPrintable(cpu),
                static_cast<long long>(best->bytes), best->failures, qPrintable(best->note));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const QuoteServiceProcess service({QStringLiteral("--end-date"), QStringLiteral("2024-12-31"),
                                       QStringLiteral("--unknown"),
                                       Symbols(QStringLiteral("NX")).join(u',')});
    const QString base = service.BaseUrl();
    if (base.isEmpty()) {
        std::fprintf(stderr, "download_bench: quote-service did not start\n");
        return 1;
    }
    const QStringList symbols = Symbols(QStringLiteral("BX"));
    const QStringList unknown = Symbols(QStringLiteral("NX"));

    QList<Run> curlRuns;
    QList<Run> transferRuns;
    QList<Run> downloaderRuns;
    QList<Run> eodhdRuns;
    QList<Run> curlSmallRuns;
    QList<Run> transferSmallRuns;
    for (int round = 0; round < kRounds; ++round) {
        curlRuns.append(FetchWithCurl(base, symbols));
        transferRuns.append(FetchWithTransfer(base, symbols, "Date,"));
        downloaderRuns.append(DownloadWithQuoteDownloader(base, symbols, 0));
        eodhdRuns.append(DownloadWithQuoteDownloader(base, symbols, 3));
        curlSmallRuns.append(FetchWithCurl(base, unknown));
        transferSmallRuns.append(FetchWithTransfer(base, unknown, "<!DOCTYPE html>"));
    }
    std::printf("%d symbols from %d to 2024-12-31, one after another, %d rounds\n", kSymbolCount, kStartYear,
                kRounds);
    Report("curl, one connection", curlRuns);
    Report("HttpTransfer", transferRuns);
    Report("HttpTransfer + QuoteDownloader", downloaderRuns);
    Report("The same from the EODHD form", eodhdRuns);
    std::printf("The same, answered by a short 404 page:\n");
    Report("curl, one connection", curlSmallRuns);
    Report("HttpTransfer", transferSmallRuns);

    return 0;
}
