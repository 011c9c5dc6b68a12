// A library of 500 symbols from 1990 kept by the batch: a full download, then an update once the quote
// service has moved on by one trading day. Prints the bytes each run moved and its time, best of three
// rounds, and what the update costs as a share of the full download (goals: 2% of the bytes, a tenth
// of the time). The service runs on a thread of its own, so on a machine of two cores or more its work
// goes on beside the client's, as a remote service's would.
//
// Then, for Tiingo and EODHD (all 500 symbols on one exchange) with the service 50 ms away: requests,
// bytes and time of a full download, of the update symbol by symbol and of the update through the
// market's day, and the time each needs at the service's documented free pace (goals: Tiingo at most 2
// requests plus one per split or dividend and under a minute; EODHD at most 4 plus one per action).
#include "DownloadBatch.h"
#include "HttpTransfer.h"
#include "QuoteDownloader.h"
#include "QuoteServer.h"
#include "RequestPacer.h"
#include "ServiceRegistry.h"
#include "TransferPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>

namespace {

constexpr int kSymbols = 500;
constexpr int kStartYear = 1990;
constexpr int kRounds = 3;
const QDate kEnd(2026, 11, 27); // a Friday
const QDate kNextDay(2026, 11, 30);

class Rows final : public BatchRows
{
public:
    explicit Rows(int quoteSource = 0) : m_source(quoteSource) {}

    std::optional<BatchRow> NextRow() override
    {
        if (m_next >= kSymbols)
            return std::nullopt;
        const int id = m_next++;
        return BatchRow{id, QStringLiteral("S%1").arg(id, 3, 10, QLatin1Char('0'))};
    }
    int QuoteSource() override { return m_source; }
    int FileFormat() override { return 0; }
    void RowStarted(const BatchRow &) override {}
    void RowFinished(const BatchRow &, const RowOutcome &outcome) override
    {
        succeeded += outcome.result == RowOutcome::Success ? 1 : 0;
        updated += outcome.cause.startsWith(u"updated: 1 new bar") ? 1 : 0;
    }
    void RowAbandoned(const BatchRow &) override {}
    bool StopRequested() override { return false; }

    int succeeded = 0;
    int updated = 0;

private:
    int m_source;
    int m_next = 0;
};

struct Run
{
    double seconds = 0.0;
    qint64 bytes = 0;
    int succeeded = 0;
    int updated = 0;
    int requests = 0;
};

// The service on a thread of its own, as a real one works beside the client.
class ServiceThread
{
public:
    explicit ServiceThread(QDate end, const std::function<void(QuoteServer::Options &)> &set = {})
    {
        std::promise<quint16> port;
        m_thread.reset(QThread::create([this, end, &port, &set] {
            QuoteServer::Options options;
            options.endDate = end;
            if (set)
                set(options);
            QuoteServer server(options);
            port.set_value(server.Listen(0) ? server.Port() : 0);
            QEventLoop loop;
            m_loop = &loop;
            m_ready.release();
            loop.exec();
            m_bytes = server.BodyBytesSent();
        }));
        m_thread->start();
        m_port = port.get_future().get();
        m_ready.acquire();
    }
    ~ServiceThread() { Stop(); }

    [[nodiscard]] quint16 Port() const { return m_port; }
    // The reply bytes sent, once the service has stopped.
    qint64 Stop()
    {
        if (m_thread->isRunning()) {
            QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
            m_thread->wait();
        }
        return m_bytes;
    }

private:
    std::unique_ptr<QThread> m_thread;
    QEventLoop *m_loop = nullptr;
    QSemaphore m_ready;
    quint16 m_port = 0;
    qint64 m_bytes = 0;
};

Run Download(QDate end, const QString &folder, bool update, int jobs)
{
    ServiceThread service(end);
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    services[0].base = QStringLiteral("http://127.0.0.1:%1").arg(service.Port());
    const TransferPool transfers(nullptr, jobs, HttpTransfer::kDefaultTimeout);
    QuoteDownloader downloader(*transfers.All().front(), services);
    Rows rows;
    DownloadBatch batch(downloader, rows, kStartYear, folder + u'/', BatchOptions{0, update});
    QElapsedTimer clock;
    clock.start();
    (void)batch.Run(transfers.All());
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {seconds, service.Stop(), rows.succeeded, rows.updated};
}

Run Best(const std::function<Run()> &round, int rounds = kRounds)
{
    Run best;
    for (int k = 0; k < rounds; ++k) {
        const Run run = round();
        if (k == 0 || run.seconds < best.seconds)
            best = run;
    }
    return best;
}

void Print(const char *what, const Run &run)
{
    std::printf("%-8s %3d of %d succeeded, %3d updated, %11lld bytes, %7.3f s\n", what, run.succeeded,
                kSymbols, run.updated, static_cast<long long>(run.bytes), run.seconds);
}

// A run of the whole library against one service 50 ms away, with no pace of the client's own.
Run AtService(int source, QDate end, const QString &folder, bool update, bool marketDay)
{
    QList<QByteArray> universe;
    for (int i = 0; i < kSymbols; ++i)
        universe.append(QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
    ServiceThread service(end, [&](QuoteServer::Options &options) {
        options.latency = std::chrono::milliseconds(50);
        options.universe = universe;
    });
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    services[source].base = QStringLiteral("http://127.0.0.1:%1").arg(service.Port());
    services[source].token = QStringLiteral("bench");
    services[source].rates.clear();
    const TransferPool transfers(nullptr, 1, HttpTransfer::kDefaultTimeout);
    QuoteDownloader downloader(*transfers.All().front(), services);
    Rows rows(source);
    DownloadBatch batch(downloader, rows, kStartYear, folder + u'/', BatchOptions{0, update, marketDay});
    QElapsedTimer clock;
    clock.start();
    const DownloadBatch::Summary summary = batch.Run(transfers.All());
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {seconds, service.Stop(), rows.succeeded, rows.updated, summary.requests};
}

// The time `run` needs when its requests keep to the service's documented free rates, its replies
// coming as fast as they came here.
double AtFreePace(int source, const Run &run)
{
    RequestPacer pacer(ParseRates(ServiceRegistry::At(source)->Describe().rates).value_or(QList<Rate>()));
    const RequestPacer::Clock::time_point start{};
    RequestPacer::Clock::time_point last = start;
    for (int k = 0; k < run.requests; ++k)
        last = pacer.Reserve(start);
    return std::chrono::duration<double>(last - start).count() + run.seconds;
}

QString Duration(double seconds)
{
    if (seconds < 120.0)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', 1);
    return QStringLiteral("%1 h %2 min").arg(qint64(seconds) / 3600).arg(qint64(seconds) / 60 % 60);
}

bool MarketDayCases()
{
    bool ok = true;
    for (const char16_t *name : {u"tiingo", u"eodhd"}) {
        const int source = ServiceRegistry::IndexOf(name);
        QTemporaryDir temp;
        const QString library = temp.filePath(QStringLiteral("library"));
        const QString kept = temp.filePath(QStringLiteral("kept"));
        QDir().mkpath(library);
        const Run full = AtService(source, kEnd, library, false, false);
        QDir().rename(library, kept);
        const auto update = [&](bool marketDay) {
            return Best(
                [&] {
                    QDir(library).removeRecursively();
                    QDir().mkpath(library);
                    for (const QString &file : QDir(kept).entryList(QDir::Files))
                        QFile::copy(kept + u'/' + file, library + u'/' + file);
                    return AtService(source, kNextDay, library, true, marketDay);
                },
                marketDay ? kRounds : 1);
        };
        const Run bySymbol = update(false);
        const Run marketDay = update(true);
        std::printf("%s, 50 ms away\n", qPrintable(ServiceRegistry::At(source)->Name()));
        for (const auto &[what, run] :
             {std::pair("full", full), std::pair("symbols", bySymbol), std::pair("market", marketDay)})
            std::printf("%-8s %4d requests, %3d updated, %11lld bytes, %7.3f s; at the free pace %s\n", what,
                        run.requests, run.updated, static_cast<long long>(run.bytes), run.seconds,
                        qPrintable(Duration(AtFreePace(source, run))));
        const int actions = kSymbols - marketDay.updated;
        const int goal = (source == ServiceRegistry::IndexOf(u"tiingo") ? 2 : 4) + actions;
        std::printf("market day: %d requests for %d splits or dividends (goal <= %d)\n", marketDay.requests,
                    actions, goal);
        ok = ok && marketDay.succeeded == kSymbols && marketDay.requests <= goal;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    for (const int jobs : {1, 4}) {
        QTemporaryDir temp;
        const QString library = temp.filePath(QStringLiteral("library"));
        const QString kept = temp.filePath(QStringLiteral("kept"));
        const Run full = Best([&] {
            QDir(library).removeRecursively();
            QDir().mkpath(library);
            return Download(kEnd, library, false, jobs);
        });
        // Each update round starts from the library as the full download left it.
        QDir().rename(library, kept);
        const Run update = Best([&] {
            QDir(library).removeRecursively();
            QDir().mkpath(library);
            for (const QString &name : QDir(kept).entryList(QDir::Files))
                QFile::copy(kept + u'/' + name, library + u'/' + name);
            return Download(kNextDay, library, true, jobs);
        });
        std::printf("jobs %d\n", jobs);
        Print("full", full);
        Print("update", update);
        std::printf("update/full: %.2f%% of the bytes (goal <= 2%%), %.2f%% of the time (goal <= 10%%)\n",
                    100.0 * double(update.bytes) / double(std::max<qint64>(1, full.bytes)),
                    100.0 * update.seconds / std::max(1e-9, full.seconds));
        ok = ok && full.succeeded == kSymbols && update.updated == kSymbols;
    }
    ok = MarketDayCases() && ok;
    return ok ? 0 : 1;
}
