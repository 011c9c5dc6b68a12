// Wall time of `quorbex --download` for 200 symbols from 2015 against a local quote-service that waits
// 50 ms before every reply, with --jobs 1 and --jobs 8, beside curl fetching the same URLs into files:
// one run over one connection, and one with --parallel --parallel-max 8. Each run is a whole process, so
// start-up counts on both sides.
#include "HttpTransfer.h"
#include "QuoteDownloader.h"
#include "QuoteServiceProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSymbolCount = 200;
constexpr int kStartYear = 2015;
constexpr int kRounds = 5; // the machine is shared; the best round is the least disturbed

struct Timed
{
    double seconds = 0.0;
    bool ok = false;
};

Timed RunProcess(const QString &program, const QStringList &arguments, int expectedLines)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000))
        return {};
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const qsizetype lines = process.readAllStandardOutput().count('\n');
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
                    (expectedLines < 0 || lines == expectedLines);
    if (!ok)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().left(300).constData());
    return {seconds, ok};
}

double Best(const QList<Timed> &runs)
{
    double best = 0.0;
    for (const Timed &run : runs) {
        if (!run.ok)
            return -1.0;
        best = best == 0.0 ? run.seconds : std::min(best, run.seconds);
    }
    return best;
}

QString Rounds(const QList<Timed> &runs)
{
    QStringList seconds;
    for (const Timed &run : runs)
        seconds << QString::number(run.seconds, 'f', 2);
    return seconds.join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const QuoteServiceProcess service({QStringLiteral("--end-date"), QStringLiteral("2024-12-31"),
                                       QStringLiteral("--latency"), QStringLiteral("50")});
    const QString base = service.BaseUrl();
    if (base.isEmpty()) {
        std::fprintf(stderr, "cli_bench: quote-service did not start\n");
        return 1;
    }

    // The program beside its own "Quorbex.ini", as an installed copy would keep it.
    QTemporaryDir work;
    qputenv("XDG_STATE_HOME", work.filePath(QStringLiteral("state")).toLocal8Bit()); // not the user's run log
    const QString program = work.filePath(QStringLiteral("quorbex"));
    const QString output = work.filePath(QStringLiteral("out"));
    const QString curlOutput = work.filePath(QStringLiteral("curl"));
    QFile ini(work.filePath(QStringLiteral("Quorbex.ini")));
    if (!QFile::copy(QStringLiteral(QUORBEX_PATH), program) || !QDir().mkpath(curlOutput) ||
        !ini.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cli_bench: cannot prepare %s\n", qPrintable(work.path()));
        return 1;
    }
    ini.write("[Settings]\r\nQuoteSource=0\r\nFileFormat=0\r\nStartYear=" + QByteArray::number(kStartYear) +
              "\r\nBMpath=" + output.toLocal8Bit() + "\r\n[Endpoints]\r\nYahoo=" + base.toLatin1() + "\r\n");
    ini.close();

    HttpTransfer unused;
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    services[0].base = base;
    const QuoteDownloader downloader(unused, services);
    QStringList symbols;
    QStringList curlArguments{QStringLiteral("-s"), QStringLiteral("-f")};
    for (int i = 0; i < kSymbolCount; ++i) {
        symbols << QStringLiteral("BX%1").arg(i, 3, 10, QLatin1Char('0'));
        curlArguments << QStringLiteral("-o")
                      << QDir(curlOutput).filePath(symbols.back() + QStringLiteral(".csv"))
                      << downloader.Request(0, symbols.back(), QDate(kStartYear, 1, 1)).url.toString();
    }
    const QStringList parallel{QStringLiteral("--parallel"), QStringLiteral("--parallel-max"),
                               QStringLiteral("8")};

    QList<Timed> curl1;
    QList<Timed> curl8;
    QList<Timed> jobs1;
    QList<Timed> jobs8;
    for (int round = 0; round < kRounds; ++round) {
        curl1.append(RunProcess(QStringLiteral("curl"), curlArguments, -1));
        curl8.append(RunProcess(QStringLiteral("curl"), parallel + curlArguments, -1));
        for (const auto &[jobs, runs] : {std::pair{1, &jobs1}, std::pair{8, &jobs8}}) {
            runs->append(RunProcess(
                program,
                QStringList{QStringLiteral("--download"), QStringLiteral("--jobs"), QString::number(jobs)} +
                    symbols,
                kSymbolCount));
        }
    }

    std::printf("%d symbols from %d, 50 ms before each reply, best of %d rounds (seconds)\n", kSymbolCount,
                kStartYear, kRounds);
    const double c1 = Best(curl1);
    const double c8 = Best(curl8);
    const double q1 = Best(jobs1);
    const double q8 = Best(jobs8);
    std::printf("curl, one connection            %6.2f  (%s)\n", c1, qPrintable(Rounds(curl1)));
    std::printf("curl --parallel-max 8           %6.2f  (%s)\n", c8, qPrintable(Rounds(curl8)));
    std::printf("quorbex --jobs 1                %6.2f  (%s)  %.2fx curl\n", q1, qPrintable(Rounds(jobs1)),
                q1 / c1);
    std::printf("quorbex --jobs 8                %6.2f  (%s)  %.2fx curl\n", q8, qPrintable(Rounds(jobs8)),
                q8 / c8);
    std::printf("--jobs 8 is %.1fx faster than --jobs 1 (goal: 6x; each within 1.15x of curl)\n", q1 / q8);

    return q1 > 0 && q8 > 0 && c1 > 0 && c8 > 0 ? 0 : 1;
}
