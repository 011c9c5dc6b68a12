#include "CommandLineDownload.h"

#include "AppPaths.h"
#include "AppSettings.h"
#include "BatchRules.h"
#include "CheckFiles.h"
#include "CommandLineOptions.h"
#include "DateValue.h"
#include "DownloadBatch.h"
#include "FolderPath.h"
#include "HttpTransfer.h"
#include "LookupCommand.h"
#include "QuoteDownloader.h"
#include "RequestChoices.h"
#include "RunLog.h"
#include "SaveFile.h"
#include "ServiceRegistry.h"
#include "ShowFile.h"
#include "SymbolsFile.h"
#include "TransferPool.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int)
{
    g_stopSignal = 1;
    const char byte = 1;
    // Wakes the event loop, which is waiting for a reply; nothing else is safe in a handler.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
#else
extern "C" void OnStopSignal(int)
{
    g_stopSignal = 1;
}
#endif

bool StandardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The environment wins over "Quorbex.ini", so a scheduler can keep tokens out of the file.
QList<ServiceSettings> WithEnvironmentTokens(QList<ServiceSettings> services)
{
    for (qsizetype i = 0; i < services.size(); ++i) {
        const QuoteService *service = ServiceRegistry::At(int(i));
        if (!service || !service->TakesToken())
            continue;
        if (const QString token = qEnvironmentVariable(qPrintable(service->TokenVariable()));
            !token.isEmpty())
            services[i].token = token;
    }
    return services;
}

QStringList ReadSymbols(const QString &path)
{
    QByteArray bytes;
    return ReadRegularFile(path, &bytes) == ReadResult::Read ? ParseSymbols(bytes) : QStringList();
}

// Empty when `folder` exists or was made; otherwise the system's reason.
QString MakeFolder(const QString &folder)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
    if (!error)
        return {};
    return QString::fromLocal8Bit(error.message());
}

QString IsoDate(double value)
{
    return DateValue::ToDate(value).toString(Qt::ISODate);
}

// The command line's side of a batch: the symbols in the order given, one output line each.
class CommandLineRows final : public BatchRows
{
public:
    CommandLineRows(QStringList symbols, int quoteSource, int fileFormat)
        : m_symbols(std::move(symbols)), m_quoteSource(quoteSource), m_fileFormat(fileFormat),
          m_progress(StandardErrorIsTerminal())
    {}

    std::optional<BatchRow> NextRow() override
    {
        if (m_next >= m_symbols.size())
            return std::nullopt;
        const int id = int(m_next++);
        return BatchRow{id, m_symbols.at(id)};
    }
    int QuoteSource() override { return m_quoteSource; }
    int FileFormat() override { return m_fileFormat; }
    bool StopRequested() override { return g_stopSignal != 0; }

    void RowStarted(const BatchRow &row) override
    {
        if (m_progress)
            Print(stderr,
                  QStringLiteral("\r[%1/%2] %3\x1b[K").arg(row.id + 1).arg(m_symbols.size()).arg(row.symbol));
    }

    void RowFinished(const BatchRow &row, const RowOutcome &outcome) override
    {
        ClearProgress();
        const bool success = outcome.result == RowOutcome::Success;
        const QString bars = success                                ? QString::number(outcome.barCount)
                             : outcome.result == RowOutcome::NoData ? QStringLiteral("0")
                                                                    : QString();
        const QStringList fields = {row.symbol,
                                    outcome.status,
                                    bars,
                                    success ? IsoDate(outcome.firstDate) : QString(),
                                    success ? IsoDate(outcome.lastDate) : QString(),
                                    outcome.fileName,
                                    outcome.cause};
        Print(stdout, fields.join(u'\t') + u'\n');
    }

    void RowAbandoned(const BatchRow &) override {}

    void RowWaiting(const BatchRow &row, const QString &reason, std::chrono::milliseconds wait) override
    {
        if (m_progress)
            Print(stderr, QStringLiteral("\r[%1/%2] %3: Waiting... %4 s, %5\x1b[K")
                              .arg(row.id + 1)
                              .arg(m_symbols.size())
                              .arg(row.symbol)
                              .arg(double(wait.count()) / 1000.0, 0, 'f', 1)
                              .arg(reason));
    }

    void ClearProgress()
    {
        if (m_progress)
            Print(stderr, QStringLiteral("\r\x1b[K"));
    }

private:
    QStringList m_symbols;
    const int m_quoteSource;
    const int m_fileFormat;
    const bool m_progress;
    qsizetype m_next = 0;
};

// Appends the run to the run log, where the window and the schedule dialog find it; a log that cannot be
// written does not change how the run ended.
int Logged(RunRecord &run, int exitStatus)
{
    run.exitStatus = exitStatus;
    const QString path = RunLog::Path();
    if (QString error; !RunLog::Append(path, run, &error))
        Print(stderr, QStringLiteral("quorbex: could not write the run log ") + path + QStringLiteral(": ") +
                          error + u'\n');
    return exitStatus;
}

int Download(const CommandLineOptions &options)
{
    RunRecord run;
    run.when = QDateTime::currentDateTime();
    const QString settingsFolder =
        ResolveAppPaths(QCoreApplication::applicationDirPath()).settingsFolder + FolderPath::Separator();
    const AppSettings settings = INIfileRead(settingsFolder + QStringLiteral("Quorbex.ini"));
    const QList<ServiceSettings> services = WithEnvironmentTokens(settings.services);
    const int quoteSource = options.quoteSource.value_or(settings.QuoteSource);
    const int fileFormat = options.fileFormat.value_or(settings.FileFormat);
    const QStringList symbols = options.symbols.isEmpty()
                                    ? ReadSymbols(settingsFolder + QStringLiteral("Symbols.txt"))
                                    : options.symbols;

    run.source = ServiceRegistry::At(quoteSource)->Describe().commandName;
    run.format = fileFormat == 0 ? QStringLiteral("bin") : QStringLiteral("kyv");

    // The window's checks, in its order, worded for a command line.
    const auto fail = [&run](const QString &message) {
        Print(stderr, u"quorbex: "_s + message + u'\n');
        run.error = message;
        return Logged(run, 2);
    };
    if (symbols.isEmpty())
        return fail(u"no symbols: name them after --download or list them in Symbols.txt"_s);
    const int thisYear = QDate::currentDate().year();
    const BatchRules::StartYearCheck startYear =
        BatchRules::CheckStartYear(options.startYear.value_or(settings.StartYear), QLocale(), thisYear);
    if (!startYear.ok)
        return fail((options.startYear
                         ? u"--start-year takes a year from 1900 to %1, not '%2'"_s
                         : u"StartYear of Quorbex.ini must be a year from 1900 to %1, not '%2'"_s)
                        .arg(thisYear)
                        .arg(options.startYear.value_or(settings.StartYear)));
    QString folder = options.folder.value_or(fileFormat == 0 ? settings.BMpath : settings.QLTpath);
    if (folder.isEmpty())
        return fail(u"no folder for the files: give --folder DIR"_s);
    folder = FolderPath::WithTrailingSeparator(folder);
    if (const QString reason = MakeFolder(folder); !reason.isEmpty())
        return fail(u"cannot create the folder %1: %2"_s.arg(folder, reason));
    if (const QuoteService *service = ServiceRegistry::At(quoteSource);
        service && service->NeedsUserToken() && services.at(quoteSource).token.isEmpty())
        return fail(u"%1: set %2 or store one with Token... in the window"_s.arg(
            service->Describe().token->missingCause, service->TokenVariable()));
    const RequestChoices::EndDateCheck endDate = RequestChoices::CheckEndDate(
        options.endDate ? options.endDate->toString(Qt::ISODate) : settings.EndDate, startYear.year,
        QDate::currentDate());
    if (!endDate.ok) {
        const QString given = options.endDate ? options.endDate->toString(Qt::ISODate) : settings.EndDate;
        return fail((options.endDate ? u"--end-date takes a day from %1-01-01 to today, not '%2'"_s
                                     : u"EndDate of Quorbex.ini must be a day as YYYY-MM-DD from %1-01-01 to "
                                       u"today, not '%2'"_s)
                        .arg(startYear.year)
                        .arg(given));
    }
    const PriceKind prices = options.prices.value_or(settings.Prices);
    // Files written with the other kind no longer match from their first bar: they are fetched whole. So
    // is a history that ends early, and --update with an end date was refused above.
    const bool update =
        (options.update || settings.UpdateExisting) && !endDate.date.isValid() && prices == settings.Prices;

    const TransferPool transfers(nullptr, options.jobs.value_or(settings.Jobs),
                                 std::chrono::seconds(options.timeoutSeconds));
    QuoteDownloader downloader(*transfers.All().front(), services);
    downloader.SetLocale(QLocale());
    downloader.SetRequestOptions({prices, endDate.date});

    QElapsedTimer clock;
    clock.start();
    CommandLineRows rows(symbols, quoteSource, fileFormat);
    DownloadBatch batch(downloader, rows, startYear.year, folder,
                        BatchOptions{options.retries.value_or(settings.Retries), update,
                                     options.marketDay.value_or(settings.MarketDay)});

#ifdef Q_OS_UNIX
    // A stop signal abandons the requests in flight and the waits; the batch ends before its next write.
    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &stopNotifier, [&batch] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[0], &byte, 1);
        batch.Interrupt();
    });
#endif

    const DownloadBatch::Summary summary = batch.Run(transfers.All());
    rows.ClearProgress();
    Print(stderr, QStringLiteral("%1 succeeded, %2 no data, %3 failed in %4 s; %5")
                      .arg(summary.succeeded)
                      .arg(summary.noData)
                      .arg(summary.failed)
                      .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1)
                      .arg(DownloadBatch::RequestsText(summary)));
    run.succeeded = summary.succeeded;
    run.noData = summary.noData;
    run.failed = summary.failed;
    run.requests = summary.requests;
    run.seconds = double(clock.elapsed()) / 1000.0;
    if (summary.stopped) {
        const qsizetype untried = symbols.size() - summary.succeeded - summary.noData - summary.failed;
        Print(stderr, u"; stopped, %1 not tried\n"_s.arg(untried));
        return Logged(run, 130);
    }
    Print(stderr, u"\n"_s);
    return Logged(run, summary.noData + summary.failed == 0 ? 0 : 1);
}

int Check(QStringList paths)
{
    if (paths.isEmpty()) {
        const QString settingsFolder =
            ResolveAppPaths(QCoreApplication::applicationDirPath()).settingsFolder + FolderPath::Separator();
        const AppSettings settings = INIfileRead(settingsFolder + QStringLiteral("Quorbex.ini"));
        paths.append(settings.FileFormat == 0 ? settings.BMpath : settings.QLTpath);
        if (paths.first().isEmpty()) {
            Print(stderr, BatchRules::FolderNotValidMessage() + u'\n');
            return 2;
        }
    }
    return CheckBarFiles(paths, stdout, stderr);
}

void CatchStopSignals()
{
#ifdef Q_OS_UNIX
    if (::pipe(g_signalPipe) != 0)
        return;
    // A handler must never block, however many signals come.
    ::fcntl(g_signalPipe[1], F_SETFL, ::fcntl(g_signalPipe[1], F_GETFL) | O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#endif
}

} // namespace

int RunCommandLine(int argc, char **argv)
{
    CatchStopSignals();
    QCoreApplication app(argc, argv);
    const ParsedCommandLine parsed = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        Print(stderr, parsed.error + u'\n');
        return 2;
    }
    switch (parsed.options.action) {
    case CommandLineOptions::Action::Help:
        Print(stdout, CommandLineHelp());
        return 0;
    case CommandLineOptions::Action::Version:
        Print(stdout, QStringLiteral("quorbex " QUORBEX_VERSION "\n"));
        return 0;
    case CommandLineOptions::Action::Show:
        return ShowBarFile(parsed.options.showFile, stdout, stderr);
    case CommandLineOptions::Action::Lookup: {
        const QString settingsFolder =
            ResolveAppPaths(QCoreApplication::applicationDirPath()).settingsFolder + FolderPath::Separator();
        const AppSettings settings = INIfileRead(settingsFolder + QStringLiteral("Quorbex.ini"));
        return LookUpSymbols(WithEnvironmentTokens(settings.services),
                             parsed.options.quoteSource.value_or(settings.QuoteSource),
                             parsed.options.lookupText, std::chrono::seconds(parsed.options.timeoutSeconds),
                             stdout, stderr);
    }
    case CommandLineOptions::Action::Check:
        return Check(parsed.options.checkPaths);
    case CommandLineOptions::Action::Download:
        break;
    }
    return Download(parsed.options);
}
