// Peak memory of parsing a 64 MiB reply, per quote source and per shape of line: the highest
// resident size of a child process that builds the reply in place and parses it, less what the
// child held before, against the reply's size (the reply itself counts).
#include "GoogleService.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "YahooService.h"

#include <QElapsedTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr qsizetype kReplySize = qsizetype(64) << 20;

struct Source
{
    const char *name;
    QByteArray header;
    decltype(&YahooService::ParseReply) parse;
    bool google;
};

const Source kSources[] = {
    {"Yahoo", "Date,Open,High,Low,Close,Volume,Adj Close\n", YahooService::ParseReply, false},
    {"QuoteMedia", "Date,Open,High,Low,Close,Volume\n", QuoteMediaService::ParseReply, false},
    {"Google",
     "\xEF\xBB\xBF"
     "Date,Open,High,Low,Close,Volume\n",
     GoogleService::ParseReply, true},
};

// Line i of a shape, line end included; the reply is filled with it and padded with blank lines.
using Shape = std::function<QByteArray(const Source &, qint64)>;

QByteArray Date(const Source &source, qint64 day)
{
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int d = int(day % 28) + 1, m = int(day / 28 % 12) + 1, y = 1950 + int(day / 336 % 80);
    return source.google ? QByteArray::number(d) + '-' + kMonths[m - 1] + '-' + QByteArray::number(y)
                         : QByteArray::number(y) + '-' + QByteArray::number(m) + '-' + QByteArray::number(d);
}

const struct
{
    const char *name;
    Shape line;
} kShapes[] = {
    {"blank lines", [](const Source &, qint64) { return QByteArray("\n"); }},
    {"one-character lines", [](const Source &, qint64) { return QByteArray("1\n"); }},
    {"10 MB lines",
     [](const Source &source, qint64 i) {
         return Date(source, 26000 - i) + ",1,2,0.5,1.5,100,1.5," + QByteArray(10'000'000, 'x') + '\n';
     }},
    {"realistic price lines",
     [](const Source &source, qint64 i) {
         return Date(source, 26000 - i % 26000) + ",101.25,102.50,100.75,101.50,1234567" +
                (source.google ? "" : ",101.50") + '\n';
     }},
    {"short dated lines, one date",
     [](const Source &source, qint64) { return QByteArray(source.google ? "3-Jan-12\n" : "2012-1-3\n"); }},
    {"short dated lines, shuffled dates",
     [](const Source &source, qint64 i) { return Date(source, (i * 7919) % 26000) + '\n'; }},
};

void RunCase(const Source &source, int shape)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long before = usage.ru_maxrss;

    QByteArray reply(kReplySize, '\n');
    std::memcpy(reply.data(), source.header.data(), std::size_t(source.header.size()));
    qsizetype at = source.header.size();
    for (qint64 i = 0;; ++i) {
        const QByteArray line = kShapes[shape].line(source, i);
        if (at + line.size() > kReplySize)
            break;
        std::memcpy(reply.data() + at, line.data(), std::size_t(line.size()));
        at += line.size();
    }

    BarSeries raw;
    BarSeries output;
    QElapsedTimer clock;
    clock.start();
    const int result = source.parse(reply, QStringLiteral("IBM"), QLocale::c(), raw, output);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    getrusage(RUSAGE_SELF, &usage);
    const double peak = double(usage.ru_maxrss - before) * 1024.0;
    std::printf("%-10s %-34s %5.1f MiB  peak %6.1f MiB  %4.2fx  result %d, %9d bars in %9d out, %6.2f s\n",
                source.name, kShapes[shape].name, double(reply.size()) / 1048576.0, peak / 1048576.0,
                peak / double(reply.size()), result, raw.BarCount, output.BarCount, seconds);
}

} // namespace

int main()
{
    std::printf("Peak resident memory of one parse, reply included, in a fresh process per case\n");
    for (const Source &source : kSources) {
        for (int shape = 0; shape < int(std::size(kShapes)); ++shape) {
            std::fflush(stdout);
            const pid_t child = fork();
            if (child == 0) {
                RunCase(source, shape);
                std::fflush(stdout);
                _exit(0);
            }
            int status = 0;
            if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
                WEXITSTATUS(status) != 0)
                std::printf("%-10s %-34s failed (status %d)\n", source.name, kShapes[shape].name, status);
        }
    }
    return 0;
}
