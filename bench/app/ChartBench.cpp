#include "BarFileWriter.h"
#include "BarSeries.h"
#include "ChartView.h"
#include "ChartWindow.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

QString WriteHistory(const QTemporaryDir &folder, int bars)
{
    BarSeries series;
    series.Prepare(bars);
    double close = 20;
    double day = 46000.0 - double(bars) * 7.0 / 5.0;
    for (int bar = 1; bar <= bars; ++bar, day += std::fmod(day, 7.0) == 6.0 ? 3 : 1) {
        close *= 1.0 + 0.015 * std::sin(bar * 0.37) * std::cos(bar * 0.011);
        const auto c = float(close);
        series.SetBarDate(bar, day);
        series.values[std::size_t(bar - 1)] = {c * 0.995F, c * 1.01F, c * 0.985F, c, 2e6F};
    }
    const QString path = folder.filePath(QStringLiteral("LONG.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BinFileBytes(series)) < 0)
        std::abort();
    return path;
}

// From the file's name to the first frame: read, check, build the window and paint it.
void OpenChart(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = WriteHistory(folder, int(state.range(0)));
    for (auto _ : state) {
        QString error;
        ChartWindow *window = ChartWindow::FromFile(path, &error);
        window->resize(1200, 700);
        benchmark::DoNotOptimize(window->grab());
        delete window;
    }
}
BENCHMARK(OpenChart)->Arg(12000)->Unit(benchmark::kMillisecond);

// One frame of the whole history (a column per pixel), or of the last year (a candle per bar).
void Redraw(benchmark::State &state)
{
    QTemporaryDir folder;
    QString error;
    ChartWindow *window = ChartWindow::FromFile(WriteHistory(folder, 12000), &error);
    window->resize(1200, 700);
    (void)window->grab();
    if (state.range(0) != 0)
        window->View().ShowAll();
    QPixmap frame(window->View().size());
    for (auto _ : state) {
        window->View().Model().PanBars(state.range(0) != 0 ? 0 : -1);
        window->View().render(&frame);
    }
    delete window;
}
BENCHMARK(Redraw)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
