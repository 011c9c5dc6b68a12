#include "BarFileWriter.h"
#include "BarSeries.h"
#include "LibraryCheck.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// `bars` weekdays back from 2026 with a wandering close; the i-th file is the same walk scaled.
BarSeries Walk(int bars)
{
    BarSeries series;
    series.Prepare(bars);
    double day = 46000.0 - double(bars) * 7.0 / 5.0;
    double close = 40.0;
    for (int bar = 1; bar <= bars; ++bar) {
        while (std::fmod(day, 7.0) < 2.0) // Saturday and Sunday
            day += 1;
        close *= 1.0 + 0.01 * std::sin(bar * 0.7) * std::cos(bar * 0.13);
        const auto c = float(close);
        series.SetBarDate(bar, day);
        series.values[std::size_t(bar - 1)] = {c * 0.99F, c * 1.01F, c * 0.98F, c, 1e6F};
        day += 1;
    }
    return series;
}

// `quorbex --check` over a library of 5,000 files of 10,000 bars: both readings, the calendar and the
// check of every file.
void CheckLibrary(benchmark::State &state)
{
    const int files = int(state.range(0));
    const int bars = int(state.range(1));
    QTemporaryDir folder;
    QStringList paths;
    BarSeries series = Walk(bars);
    for (int file = 0; file < files; ++file) {
        const QString path = folder.filePath(QStringLiteral("S%1.bin").arg(file, 4, 10, QLatin1Char('0')));
        // A few files lack a day the others have, so the calendar has work to find.
        BarSeries written = series;
        if (file % 100 == 0) {
            written.dates.erase(written.dates.begin() + bars / 2);
            written.values.erase(written.values.begin() + bars / 2);
            written.BarCount = int(written.dates.size());
            written.RowCount = written.BarCount + 1;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(BinFileBytes(written)) < 0) {
            state.SkipWithError("cannot write the library");
            return;
        }
        paths.append(path);
    }
    qint64 findings = 0;
    for (auto _ : state) {
        findings = 0;
        LibraryCheck::Run(paths, [&](const LibraryCheck::FileResult &result) {
            findings += qint64(result.findings.size()) + (result.error.isEmpty() ? 0 : 1000000);
        });
    }
    state.counters["findings"] = double(findings);
    state.counters["files/s"] =
        benchmark::Counter(double(files), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(CheckLibrary)->Args({5000, 10000})->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(CheckLibrary)->Args({500, 10000})->Unit(benchmark::kMillisecond);

} // namespace
