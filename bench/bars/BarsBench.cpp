#include "BarFileReader.h"
#include "BarFileWriter.h"
#include "BarSeries.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Every fifth day repeats the one before, so de-duplication has work to do.
BarSeries MakeRawSeries(int bars, bool descending)
{
    BarSeries series;
    series.Symbol = QStringLiteral("IBM");
    series.Prepare(bars);
    for (int bar = 1; bar <= bars; ++bar) {
        const int step = descending ? bars - bar : bar - 1;
        series.SetBarDate(bar, 30000.0 + double(step - step / 5));
        for (int column = 1; column <= BarSeries::kValueColumns; ++column)
            series.SetBarValue(bar, column, float(bar) + float(column));
    }
    return series;
}

void Sort(benchmark::State &state)
{
    const BarSeries raw = MakeRawSeries(int(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        BarSeries series = raw;
        state.ResumeTiming();
        SortByDate(series);
        benchmark::DoNotOptimize(series.dates.data());
    }
}

// What one download costs after parsing: sort, de-duplicate, write the file.
void SortDedupWrite(benchmark::State &state, bool kyv)
{
    const BarSeries raw = MakeRawSeries(int(state.range(0)), state.range(1) != 0);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        BarSeries series = raw;
        state.ResumeTiming();
        SortByDate(series);
        BarSeries output;
        RemoveDuplicateDates(series, output);
        const bool written = kyv ? WriteKyvFile(output, temp.path(), QStringLiteral("IBM.Daily.kyv"), 2000)
                                 : WriteBinFile(output, temp.path(), QStringLiteral("IBM.bin"));
        if (!written) {
            state.SkipWithError("write failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SortDedupWriteBin(benchmark::State &state)
{
    SortDedupWrite(state, false);
}

void SortDedupWriteKyv(benchmark::State &state)
{
    SortDedupWrite(state, true);
}

// The .kyv header cuts the symbol to its field widths; the cost must not grow with the square
// of the symbol's length.
void KyvLongSymbol(benchmark::State &state)
{
    BarSeries series = MakeRawSeries(1, false);
    series.Symbol = QString(qsizetype(state.range(0)), QChar(0x00e9));
    for (auto _ : state)
        benchmark::DoNotOptimize(KyvFileBytes(series, 2000).size());
    state.SetComplexityN(state.range(0));
}

// A read of either format, from bytes already in memory.
void Read(benchmark::State &state, bool kyv)
{
    const BarSeries series = MakeRawSeries(int(state.range(0)), false);
    BarSeries output;
    RemoveDuplicateDates(series, output);
    const QByteArray bytes = kyv ? KyvFileBytes(output, 2000) : BinFileBytes(output);
    for (auto _ : state) {
        const BarFileContents contents = kyv ? ReadKyvData(bytes) : ReadBinData(bytes);
        if (!contents.ok()) {
            state.SkipWithError("read failed");
            return;
        }
        benchmark::DoNotOptimize(contents.series.dates.data());
    }
    state.SetItemsProcessed(state.iterations() * output.BarCount);
}

void ReadBin(benchmark::State &state)
{
    Read(state, false);
}

void ReadKyv(benchmark::State &state)
{
    Read(state, true);
}

void Sizes(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"bars", "descending"});
    for (const int bars : {1000, 20000, 100000})
        for (const int descending : {0, 1})
            b->Args({bars, descending});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Sort)->Apply(Sizes);
BENCHMARK(SortDedupWriteBin)->Apply(Sizes);
BENCHMARK(SortDedupWriteKyv)->Apply(Sizes);
BENCHMARK(ReadBin)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadKyv)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(KyvLongSymbol)->RangeMultiplier(4)->Range(1250, 80000)->Unit(benchmark::kMicrosecond)->Complexity();

} // namespace
