// Parsing of 10,000-line replies of each quote service, sort and de-duplication included.
#include "GoogleService.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "YahooService.h"

#include <QDate>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 10000;

QByteArray MakeReply(int source, bool crlf)
{
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QByteArray end = crlf ? "\r\n" : "\n";
    QByteArray reply;
    reply.reserve(kLines * 64);
    if (source == 2)
        reply += "\xEF\xBB\xBF";
    reply +=
        (source == 0 ? "Date,Open,High,Low,Close,Volume,Adj Close" : "Date,Open,High,Low,Close,Volume") + end;
    QDate date(2026, 1, 2);
    for (int i = 0; i < kLines; ++i, date = date.addDays(-1)) {
        const QByteArray price = QByteArray::number(100.0 + (i % 997) * 0.25, 'f', 2);
        QByteArray line = source == 2 ? QByteArray::number(date.day()) + '-' + kMonths[date.month() - 1] +
                                            '-' + QByteArray::number(date.year() % 100).rightJustified(2, '0')
                                      : date.toString(Qt::ISODate).toLatin1();
        line += ',' + price + ',' + price + ',' + price + ',' + price + ',' +
                QByteArray::number(1000000 + i * 37);
        if (source == 0)
            line += ',' + QByteArray::number(90.0 + (i % 991) * 0.25, 'f', 2);
        reply += line + end;
    }
    return reply;
}

void Parse(benchmark::State &state)
{
    const int source = int(state.range(0));
    const QByteArray reply = MakeReply(source, state.range(1) != 0);
    const QLocale locale = QLocale::c();
    BarSeries raw;
    BarSeries output;
    for (auto _ : state) {
        const int result =
            source == 0   ? YahooService::ParseReply(reply, QStringLiteral("IBM"), locale, raw, output)
            : source == 1 ? QuoteMediaService::ParseReply(reply, QStringLiteral("IBM"), locale, raw, output)
                          : GoogleService::ParseReply(reply, QStringLiteral("IBM"), locale, raw, output);
        if (result != QuoteSources::kSuccess || output.BarCount != kLines)
            state.SkipWithError("reply was not parsed");
        benchmark::DoNotOptimize(output.values.data());
    }
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.SetLabel(source == 0 ? "Yahoo" : source == 1 ? "QuoteMedia" : "Google");
}

// Arguments: source (0 Yahoo, 1 QuoteMedia, 2 Google), CR LF line ends.
BENCHMARK(Parse)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({2, 0})->Unit(benchmark::kMillisecond);

} // namespace
