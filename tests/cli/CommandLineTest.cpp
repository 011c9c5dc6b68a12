#include "CommandLineOptions.h"
#include "FakePlatform.h"
#include "Form1.h"
#include "QtPrinters.h"
#include "QuoteServiceProcess.h"
#include "RunLog.h"
#include "SymbolListModel.h"
#include "TestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString QuoteServiceUrl()
{
    static const QuoteServiceProcess service({u"--unknown"_s, u"NOPE"_s, u"--end-date"_s, u"2024-06-28"_s});
    return service.BaseUrl();
}

struct Outcome
{
    int exitCode = -1;
    QStringList lines; // standard output
    QString error;     // standard error
};

// Each test runs its own copy of the program, so "Quorbex.ini" and "Symbols.txt" beside it are the test's.
class CommandLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORBEX_PATH), m_program.filePath(u"quorbex"_s)));
        ASSERT_FALSE(QuoteServiceUrl().isEmpty()) << "quote service did not start";
        WriteSettings("StartYear=2024\r\n");
    }

    void WriteSettings(const QByteArray &settings, const QString &service = QuoteServiceUrl())
    {
        const QByteArray base = service.toLatin1();
        ASSERT_TRUE(WriteFile(m_program.filePath(u"Quorbex.ini"_s),
                              "[Settings]\r\n" + settings + "BMpath=" + Output().toLocal8Bit() +
                                  "\r\nQLTpath=" + Output().toLocal8Bit() + "\r\n[Endpoints]\r\nYahoo=" +
                                  base + "\r\nGoogle=" + base + "\r\nQuoteMedia=" + base + "\r\n"));
    }

    [[nodiscard]] QString Output(const QString &name = {}) const
    {
        return m_output.filePath(u"out/"_s + name);
    }

    // No display at all: the command line must not need one.
    QProcess *Start(const QStringList &arguments, const QStringList &environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1StringView(name));
        env.insert(u"XDG_STATE_HOME"_s, m_output.filePath(u"state"_s));
        for (const QString &setting : environment)
            env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        m_process.setProcessEnvironment(env);
        m_process.start(m_program.filePath(u"quorbex"_s), arguments);
        return &m_process;
    }

    Outcome Finish()
    {
        Outcome run;
        if (!m_process.waitForFinished(30000))
            return run;
        run.exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        run.lines =
            QString::fromLocal8Bit(m_process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        run.error = QString::fromLocal8Bit(m_process.readAllStandardError());
        return run;
    }

    Outcome Download(const QStringList &arguments, const QStringList &environment = {})
    {
        Start(QStringList{u"--download"_s} + arguments, environment);
        return Finish();
    }

    [[nodiscard]] QList<RunRecord> LoggedRuns() const
    {
        return RunLog::Recent(m_output.filePath(u"state/quorbex/runs.log"_s), 10);
    }

    QTemporaryDir m_program;
    QTemporaryDir m_output;
    QProcess m_process;
};

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST_F(CommandLineTest, WritesTheSameFilesAsTheWindow)
{
    const QStringList symbols = {u"IBM"_s, u"NOPE"_s, u"NYSE:MSFT"_s, u"IBM:"_s};
    ASSERT_TRUE(WriteFile(m_program.filePath(u"Symbols.txt"_s), symbols.join(u"\r\n"_s).toLatin1()));
    const QByteArray ini = ReadFile(m_program.filePath(u"Quorbex.ini"_s));
    for (const QString &format : {u"bin"_s, u"kyv"_s}) {
        SCOPED_TRACE(format.toStdString());
        const QString byWindow = m_output.filePath(u"window-"_s + format);
        {
            FakePlatform platform;
            Form1 window(platform, m_program.path());
            window.BMpath = window.QLTpath = byWindow;
            window.findChild<QComboBox *>(u"cmbFileFormat"_s)->setCurrentIndex(format == u"bin"_s ? 0 : 1);
            window.cmbFileFormat_Click();
            ASSERT_EQ(window.Symbols().Count(), symbols.size()); // from the list file
            window.findChild<QPushButton *>(u"cmdStartDownload"_s)->click();
            ASSERT_TRUE(platform.messages.isEmpty());
        }
        ASSERT_TRUE(WriteFile(m_program.filePath(u"Quorbex.ini"_s), ini)); // the window saves its choices
        QStringList lines;
        for (const QString &jobs : {u"1"_s, u"4"_s}) {
            const QString byCommandLine = m_output.filePath(u"cli-"_s + format + jobs);
            const Outcome run = Download({u"--format"_s, format, u"--folder"_s, byCommandLine, u"--jobs"_s,
                                          jobs, u"--timeout"_s, u"5"_s});
            EXPECT_EQ(run.exitCode, 1);
            ASSERT_EQ(run.lines.size(), 4);
            EXPECT_TRUE(lines.isEmpty() || run.lines == lines);
            lines = run.lines;
            EXPECT_TRUE(
                QRegularExpression(
                    u"^3 succeeded, 0 no data, 1 failed in \\d+\\.\\d s; 4 requests, 0 from the market day\\n$"_s)
                    .match(run.error)
                    .hasMatch())
                << run.error.toStdString();
            const QStringList files = FilesIn(byWindow);
            EXPECT_EQ(FilesIn(byCommandLine), files);
            EXPECT_EQ(files.size(), 3);
            for (const QString &file : files)
                EXPECT_EQ(ReadFile(byCommandLine + u'/' + file), ReadFile(byWindow + u'/' + file))
                    << file.toStdString();
        }
    }
    // Never written by the command line.
    EXPECT_EQ(ReadFile(m_program.filePath(u"Quorbex.ini"_s)), ini);
    EXPECT_EQ(ReadFile(m_program.filePath(u"Symbols.txt"_s)), symbols.join(u"\r\n"_s).toLatin1());
}

TEST_F(CommandLineTest, OneLinePerSymbolAndTheExitStatus)
{
    ASSERT_TRUE(QDir().mkpath(Output(u"BAD.bin"_s))); // a folder where the file should go
    const std::pair<QStringList, QString> cases[] = {
        {{u"IBM"_s}, u"IBM\tSuccess\t129\t2024-01-02\t2024-06-28\tIBM.bin"_s},
        {{u"IBM"_s, u"--start-year=2025"_s}, u"IBM\tNo data\t0\t\t\t"_s},
        {{u"NOPE"_s}, u"NOPE\tRequest failed (check symbol)\t\t\t\t"_s},
        {{u"BAD"_s}, u"BAD\tWrite failed (check folder)\t\t\t\t"_s},
    };
    for (const auto &[arguments, line] : cases) {
        SCOPED_TRACE(line.toStdString());
        const Outcome run = Download(arguments);
        EXPECT_EQ(run.exitCode, line.contains(u"Success"_s) ? 0 : 1);
        ASSERT_EQ(run.lines.size(), 1);
        EXPECT_EQ(run.lines[0].section(u'\t', 0, 5), line); // the cause follows
        EXPECT_EQ(run.lines[0].count(u'\t'), 6);
    }
    // An update of a file that is current says so in the last field.
    const Outcome update = Download({u"IBM"_s, u"--update"_s});
    ASSERT_EQ(update.lines.size(), 1);
    EXPECT_EQ(update.lines[0], u"IBM\tSuccess\t129\t2024-01-02\t2024-06-28\tIBM.bin\tup to date"_s);

    // Each run leaves its line in the run log.
    const QList<RunRecord> runs = LoggedRuns();
    ASSERT_EQ(runs.size(), 5);
    EXPECT_TRUE(RunLog::Line(runs[0]).contains(
        u" source=yahoo format=bin succeeded=1 nodata=0 failed=0 requests=1 seconds="_s));
    EXPECT_TRUE(RunLog::Line(runs[2]).contains(u" failed=1 requests=1 "_s));
}

TEST_F(CommandLineTest, ChecksAndUsageErrorsStopBeforeAnyRequest)
{
    const QString years = u"a year from 1900 to %1"_s.arg(QDate::currentDate().year());
    const std::pair<QStringList, QString> cases[] = {
        {{}, u"no symbols: name them after --download or list them in Symbols.txt"_s}, // no Symbols.txt
        {{u"IBM"_s, u"--start-year"_s, u"1899"_s}, u"--start-year takes "_s + years + u", not '1899'"_s},
        {{u"IBM"_s, u"--folder"_s, Output(u"BAD.bin/x"_s)},
         u"cannot create the folder "_s + Output(u"BAD.bin/x/"_s) + u": Not a directory"_s},
        {{u"IBM"_s, u"--source"_s, u"tiingo"_s},
         u"no Tiingo API token: set QUORBEX_TIINGO_TOKEN or store one with Token... in the window"_s},
        {{u"IBM"_s, u"--fast"_s}, u"unknown option: --fast"_s},
        {{u"IBM"_s, u" "_s}, u"a symbol cannot be empty"_s},
    };
    ASSERT_TRUE(QDir().mkpath(Output()) && WriteFile(Output(u"BAD.bin"_s), "x"));
    for (const auto &[arguments, error] : cases) {
        SCOPED_TRACE(error.toStdString());
        const Outcome run = Download(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.error, u"quorbex: "_s + error + u'\n');
        EXPECT_TRUE(run.lines.isEmpty());
    }
    EXPECT_EQ(FilesIn(Output()), QStringList{u"BAD.bin"_s});
    // A run its checks stopped is logged with the reason; a command line that did not parse is no run.
    ASSERT_EQ(LoggedRuns().size(), 4);
    EXPECT_EQ(LoggedRuns()[0].error, cases[3].second);
    EXPECT_EQ(LoggedRuns()[0].exitStatus, 2);

    // The environment's token passes the check the stored one failed.
    const Outcome withToken = Download({u"IBM"_s, u"--source"_s, u"tiingo"_s, u"--timeout"_s, u"1"_s},
                                       {u"QUORBEX_TIINGO_TOKEN=t"_s});
    EXPECT_EQ(withToken.exitCode, 1);
    EXPECT_EQ(withToken.lines.size(), 1);
    WriteSettings("StartYear=1850\r\n");
    EXPECT_EQ(Download({u"IBM"_s}).error,
              u"quorbex: StartYear of Quorbex.ini must be "_s + years + u", not '1850'\n"_s);
}

// Four requests at once, each on a connection of its own; three are never answered. A stop abandons
// them and the reply held behind them, leaving only the files of the lines printed.
TEST_F(CommandLineTest, StopSignalInAParallelRunLeavesOnlyWholeFiles)
{
    QuoteServiceProcess service(
        {u"--hang"_s, u"H1,H2,H3"_s, u"--log-connections"_s, u"--end-date"_s, u"2024-06-28"_s});
    WriteSettings("StartYear=2024\r\n", service.BaseUrl());
    QProcess *process = Start({u"--download"_s, u"AAA"_s, u"H1"_s, u"BBB"_s, u"H2"_s, u"H3"_s, u"CCC"_s,
                               u"--jobs"_s, u"4"_s, u"--timeout"_s, u"60"_s});
    ASSERT_TRUE(process->waitForReadyRead(10000));
    const QByteArray first = process->readLine();
    QByteArray connections;
    for (int wait = 0; wait < 10 && !connections.contains("Connection 4 "); ++wait)
        connections += service.Output();
    process->waitForFinished(300); // let BBB and CCC arrive behind H1
    process->terminate();
    const Outcome run = Finish();
    EXPECT_EQ(connections + service.Output(), "Connection 1 accepted\nConnection 2 accepted\n"
                                              "Connection 3 accepted\nConnection 4 accepted\n");
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_TRUE(first.startsWith("AAA\tSuccess\t"));
    EXPECT_TRUE(run.lines.isEmpty());
    EXPECT_TRUE(
        QRegularExpression(
            u"^1 succeeded, 0 no data, 0 failed in \\d+\\.\\d s; \\d+ requests, 0 from the market day; stopped, 5 not tried\n$"_s)
            .match(run.error)
            .hasMatch())
        << run.error.toStdString();
    EXPECT_EQ(FilesIn(Output()), QStringList{u"AAA.bin"_s});
    EXPECT_EQ(ReadFile(Output(u"AAA.bin"_s)).size(), 66 + 28 * 129);
}

TEST_F(CommandLineTest, HelpAndVersion)
{
    Start({u"--version"_s});
    const Outcome version = Finish();
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(QRegularExpression(u"^quorbex \\d+\\.\\d+"_s).match(version.lines.value(0)).hasMatch());
    Start({u"--help"_s});
    const Outcome help = Finish();
    EXPECT_EQ(help.exitCode, 0);
    const QString text = help.lines.join(u'\n');
    EXPECT_TRUE(text.startsWith(u"Usage: quorbex --download"_s));
    for (const char *option : {"--source", "--format", "--start-year", "--folder", "--jobs", "--timeout",
                               "--show", "--help", "--version"})
        EXPECT_TRUE(text.contains(QLatin1StringView(option))) << option;
}

// Without a display: a bar file shown, and the window refused with a line rather than Qt's abort.
TEST_F(CommandLineTest, ShowsABarFileAndRefusesWhatItCannotStart)
{
    ASSERT_TRUE(Download({u"IBM"_s}).exitCode == 0);
    const QString file = Output(u"IBM.bin"_s);
    const struct
    {
        QStringList arguments;
        int exitCode;
        QString start; // of standard output, or of standard error when the exit status is 2
    } cases[] = {
        {{u"--show"_s, file}, 0, u"Date,Open,High,Low,Close,Volume\n2024-01-02,"_s},
        {{u"--show"_s, Output(u"NONE.kyv"_s)},
         2,
         u"quorbex: "_s + Output(u"NONE.kyv"_s) + u": file not found\n"_s},
        {{}, 2, u"quorbex: the window needs a display"_s},
#ifdef Q_OS_LINUX
        // A full disk must not pass for a whole listing.
        {{u"--show"_s, file, u"/dev/full"_s}, 2, u"quorbex: "_s + file + u": output cannot be written\n"_s},
#endif
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        m_process.setStandardOutputFile(c.arguments.size() == 3 ? c.arguments.takeLast() : QString());
        Start(c.arguments);
        const Outcome run = Finish();
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE((c.exitCode == 0 ? run.lines.join(u'\n') + u'\n' : run.error).startsWith(c.start))
            << run.error.toStdString();
    }
}

TEST(CommandLineOptions, ParsesChoicesAndNamesTheOptionAtFault)
{
    const ParsedCommandLine full = ParseCommandLine(
        {u"ibm"_s, u"--download"_s, u"--source=QuoteMedia"_s, u"--format"_s, u"kyv"_s, u"--jobs"_s, u"8"_s,
         u"--timeout"_s, u"600"_s, u"--start-year"_s, u"2001"_s, u"--retries=0"_s, u"--update"_s,
         u"--prices"_s, u"raw"_s, u"--market-day=0"_s, u"--"_s, u"--odd"_s});
    EXPECT_TRUE(full.error.isEmpty());
    EXPECT_EQ(full.options.symbols, (QStringList{u"IBM"_s, u"--ODD"_s})); // as Add upper-cases them
    EXPECT_EQ(full.options.quoteSource, 1);
    EXPECT_EQ(full.options.fileFormat, 1);
    EXPECT_EQ(full.options.jobs, 8);
    EXPECT_EQ(full.options.timeoutSeconds, 600);
    EXPECT_EQ(full.options.startYear, u"2001"_s);
    EXPECT_FALSE(full.options.folder);
    EXPECT_EQ(full.options.retries, 0);
    EXPECT_TRUE(full.options.update);
    EXPECT_EQ(full.options.prices, PriceKind::AsTraded);
    EXPECT_EQ(full.options.marketDay, false);
    EXPECT_FALSE(ParseCommandLine({u"--download"_s}).options.retries); // Quorbex.ini decides
    EXPECT_FALSE(ParseCommandLine({u"--download"_s}).options.marketDay);

    const struct
    {
        QStringList arguments;
        const char *option;
    } bad[] = {
        {{u"--source"_s, u"bloomberg"_s}, "--source"},
        {{u"--format=csv"_s}, "--format"},
        {{u"--jobs"_s, u"0"_s}, "--jobs"},
        {{u"--timeout"_s, u"601"_s}, "--timeout"},
        {{u"--timeout"_s}, "--timeout"},
        {{u"--retries"_s, u"11"_s}, "--retries"},
        {{u"--market-day"_s, u"yes"_s}, "--market-day"},
        {{u"-x"_s}, "-x"},
        {{u"--update=1"_s}, "--update"},
        {{u""_s}, "symbol"},
        {{u"--prices"_s, u"split"_s}, "--prices"},
        {{u"--end-date"_s, u"2024-02-30"_s}, "--end-date"},
        {{u"--end-date=2024-03-01"_s, u"--update"_s}, "--end-date"}, // a history that ends early stays so
        {{u"--lookup"_s, u"x"_s}, "--lookup"},                       // not with --download
    };
    for (const auto &c : bad) {
        const ParsedCommandLine parsed = ParseCommandLine(QStringList{u"--download"_s} + c.arguments);
        EXPECT_TRUE(parsed.error.contains(QLatin1StringView(c.option))) << c.option;
        EXPECT_FALSE(parsed.error.contains(u'\n'));
    }
    EXPECT_FALSE(ParseCommandLine({u"IBM"_s}).error.isEmpty()); // no --download
    const ParsedCommandLine lookup = ParseCommandLine({u"--lookup"_s, u"berkshire"_s, u"--source=tiingo"_s});
    EXPECT_TRUE(lookup.error.isEmpty());
    EXPECT_EQ(lookup.options.action, CommandLineOptions::Action::Lookup);
    EXPECT_EQ(lookup.options.lookupText, u"berkshire"_s);
    EXPECT_EQ(ParseCommandLine({u"--bogus"_s, u"--help"_s}).options.action, CommandLineOptions::Action::Help);
}

} // namespace

namespace {

TEST_F(CommandLineTest, LooksUpACodeThenDownloadsItsRawPricesToAnEndDate)
{
    const QByteArray base = QuoteServiceUrl().toLatin1();
    ASSERT_TRUE(WriteFile(m_program.filePath(u"Quorbex.ini"_s),
                          "[Settings]\r\nStartYear=2024\r\nBMpath=" + Output().toLocal8Bit() +
                              "\r\n[Endpoints]\r\nTiingo=" + base + "\r\nTwelveData=" + base + "\r\n"));
    const QStringList tokens = {u"QUORBEX_TIINGO_TOKEN=t"_s, u"QUORBEX_TWELVEDATA_TOKEN=k"_s};
    Start({u"--lookup"_s, u"berkshire"_s, u"--source"_s, u"twelvedata"_s}, tokens);
    Outcome run = Finish();
    EXPECT_EQ(run.exitCode, 0) << run.error.toStdString();
    EXPECT_EQ(run.lines.value(0), u"BRK.B\tBerkshire Hathaway Inc Class B\tNYSE\tCommon Stock\tUSD"_s);
    Start({u"--lookup=nothing like it"_s, u"--source=twelvedata"_s}, tokens);
    EXPECT_EQ(Finish().exitCode, 1);

    run = Download(
        {u"BRK-B"_s, u"--source"_s, u"tiingo"_s, u"--prices"_s, u"raw"_s, u"--end-date"_s, u"2024-03-15"_s},
        tokens);
    EXPECT_EQ(run.exitCode, 0) << run.error.toStdString();
    EXPECT_EQ(run.lines.value(0).section(u'\t', 4, 4), u"2024-03-15"_s);
}

} // namespace
