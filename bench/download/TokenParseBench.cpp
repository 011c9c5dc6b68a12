// Parsing of 10,000-line replies of the two token services, sort and de-duplication included.
#include "EodhdService.h"
#include "GoogleService.h"
#include "NamedColumns.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "TiingoService.h"
#include "YahooService.h"

#include <QDate>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 10000;

// Oldest first, as both services send it.
QByteArray MakeReply(bool tiingo)
{
    QByteArray reply =
        tiingo ? "date,close,high,low,open,volume,adjClose,adjHigh,adjLow,adjOpen,adjVolume,divCash,"
                 "splitFactor\n"
               : "Date,Open,High,Low,Close,Adjusted_close,Volume\n";
    reply.reserve(kLines * 110);
    QDate date(1987, 1, 2);
    for (int i = 0; i < kLines; ++i, date = date.addDays(1)) {
        const QByteArray price = QByteArray::number(100.0 + (i % 997) * 0.25, 'f', 4);
        const QByteArray adjusted = QByteArray::number(90.0 + (i % 991) * 0.25, 'f', 4);
        const QByteArray volume = QByteArray::number(1000000 + i * 37);
        reply += date.toString(Qt::ISODate).toLatin1();
        if (tiingo)
            reply += ',' + price + ',' + price + ',' + price + ',' + price + ',' + volume + ',' + adjusted +
                     ',' + adjusted + ',' + adjusted + ',' + adjusted + ',' + volume + ".5,0.0,1.0\n";
        else
            reply +=
                ',' + price + ',' + price + ',' + price + ',' + price + ',' + adjusted + ',' + volume + '\n';
    }
    return reply;
}

void Parse(benchmark::State &state)
{
    const bool tiingo = state.range(0) != 0;
    const QByteArray reply = MakeReply(tiingo);
    BarSeries raw;
    BarSeries output;
    bool cutShort = false;
    for (auto _ : state) {
        const int result =
            tiingo ? TiingoService::ParseReply(reply, QStringLiteral("IBM"), raw, output, cutShort)
                   : EodhdService::ParseReply(reply, QStringLiteral("IBM"), raw, output, cutShort);
        if (result != QuoteSources::kSuccess || output.BarCount != kLines)
            state.SkipWithError("reply was not parsed");
        benchmark::DoNotOptimize(output.values.data());
    }
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.SetLabel(tiingo ? "Tiingo" : "EODHD");
}

// Argument: 0 EODHD, 1 Tiingo.
BENCHMARK(Parse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
