#include "CommandLineOptions.h"

#include "CheckFiles.h"
#include "OptionActions.h"
#include "RequestChoices.h"
#include "SaveFile.h"
#include "ServiceRegistry.h"
#include "ShowFile.h"
#include "SymbolCommands.h"

#include <cstring>

namespace {

const QStringList kFormats = {QStringLiteral("bin"), QStringLiteral("kyv")};

std::optional<int> NumberIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

ParsedCommandLine ParseCommandLine(const QStringList &arguments)
{
    ParsedCommandLine parsed;
    CommandLineOptions &options = parsed.options;
    if (arguments.contains(QStringLiteral("--help"))) {
        options.action = CommandLineOptions::Action::Help;
        return parsed;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        options.action = CommandLineOptions::Action::Version;
        return parsed;
    }
    if (std::optional<ParsedCommandLine> show = ParseShowCommandLine(arguments))
        return *std::move(show);
    if (std::optional<ParsedCommandLine> check = ParseCheckCommandLine(arguments))
        return *std::move(check);

    bool download = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u'-')) {
            // As the window's Add has it; an empty one would still be sent as a request.
            if (TrimSpaces(argument).isEmpty()) {
                parsed.error = QStringLiteral("quorbex: a symbol cannot be empty");
                return parsed;
            }
            options.symbols.append(NormalizedSymbol(argument));
            continue;
        }
        if (argument == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QStringLiteral("--download")) {
            download = true;
            continue;
        }
        if (argument == QStringLiteral("--update")) {
            options.update = true;
            continue;
        }
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.left(equals);
        const OptionActions::Entry *entry = OptionActions::Find(name);
        if (!entry || !entry->takesValue) {
            parsed.error = QStringLiteral("quorbex: unknown option: ") + name;
            return parsed;
        }
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            parsed.error = QStringLiteral("quorbex: %1 needs a value").arg(name);
            return parsed;
        }

        if (name == QStringLiteral("--source")) {
            const int source = ServiceRegistry::IndexOf(value);
            if (source < 0) {
                parsed.error = QStringLiteral("quorbex: --source takes %1, not '%2'")
                                   .arg(ServiceRegistry::CommandNames(), value);
                return parsed;
            }
            options.quoteSource = int(source);
        } else if (name == QStringLiteral("--format")) {
            const qsizetype format = kFormats.indexOf(value.toLower());
            if (format < 0) {
                parsed.error = QStringLiteral("quorbex: --format takes bin or kyv, not '%1'").arg(value);
                return parsed;
            }
            options.fileFormat = int(format);
        } else if (name == QStringLiteral("--prices")) {
            options.prices = RequestChoices::PricesFromKey(value);
            if (!options.prices) {
                parsed.error = QStringLiteral("quorbex: --prices takes adjusted or raw, not '%1'").arg(value);
                return parsed;
            }
        } else if (name == QStringLiteral("--end-date")) {
            options.endDate = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
            if (!options.endDate->isValid()) {
                parsed.error =
                    QStringLiteral("quorbex: --end-date takes a day as YYYY-MM-DD, not '%1'").arg(value);
                return parsed;
            }
        } else if (name == QStringLiteral("--lookup")) {
            options.action = CommandLineOptions::Action::Lookup;
            options.lookupText = value;
        } else if (name == QStringLiteral("--start-year")) {
            options.startYear = value;
        } else if (name == QStringLiteral("--folder")) {
            options.folder = value;
        } else if (name == QStringLiteral("--jobs")) {
            const std::optional<int> jobs = NumberIn(value, 1, 8);
            if (!jobs) {
                parsed.error =
                    QStringLiteral("quorbex: --jobs takes a number from 1 to 8, not '%1'").arg(value);
                return parsed;
            }
            options.jobs = *jobs;
        } else if (name == QStringLiteral("--market-day")) {
            const std::optional<int> on = NumberIn(value, 0, 1);
            if (!on) {
                parsed.error = QStringLiteral("quorbex: --market-day takes 0 or 1, not '%1'").arg(value);
                return parsed;
            }
            options.marketDay = *on == 1;
        } else if (name == QStringLiteral("--retries")) {
            options.retries = NumberIn(value, 0, 10);
            if (!options.retries) {
                parsed.error =
                    QStringLiteral("quorbex: --retries takes a number from 0 to 10, not '%1'").arg(value);
                return parsed;
            }
        } else {
            const std::optional<int> seconds = NumberIn(value, 1, 600);
            if (!seconds) {
                parsed.error =
                    QStringLiteral("quorbex: --timeout takes a number of seconds from 1 to 600, not '%1'")
                        .arg(value);
                return parsed;
            }
            options.timeoutSeconds = *seconds;
        }
    }
    if (options.action == CommandLineOptions::Action::Lookup) {
        if (download || !options.symbols.isEmpty())
            parsed.error = QStringLiteral("quorbex: --lookup takes one text and no --download");
        return parsed;
    }
    if (!download)
        parsed.error = QStringLiteral("quorbex: --download is missing");
    else if (options.update && options.endDate)
        parsed.error = QStringLiteral("quorbex: --update and --end-date do not go together: a history "
                                      "that ends early is never updated");
    return parsed;
}

bool WantsCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char *option : {"--download", "--help", "--version", "--show", "--lookup", "--check"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
        if (std::strncmp(argv[i], "--show=", 7) == 0 || std::strncmp(argv[i], "--lookup=", 9) == 0)
            return true;
    }
    return false;
}

QString CommandLineHelp()
{
    QStringList variables;
    for (const QuoteService *service : ServiceRegistry::All()) {
        if (service->TakesToken())
            variables.append(service->TokenVariable());
    }
    QString help = QStringLiteral(
        "Usage: quorbex --download [SYMBOL...] [OPTION...]\n"
        "  or:  quorbex --show FILE\n"
        "  or:  quorbex --lookup TEXT [--source NAME]\n"
        "  or:  quorbex --check [FOLDER | FILE...]\n"
        "  or:  quorbex --chart FILE\n"
        "  or:  quorbex --help | --version\n"
        "Download the daily price history of each SYMBOL and write it as a bar file, without opening\n"
        "the window, as a scheduled job would. Without a SYMBOL every symbol of Symbols.txt is\n"
        "downloaded. The choices left out are taken from Quorbex.ini; neither file is ever written.\n"
        "Without --download, quorbex opens its window.\n"
        "\n"
        "Output:\n"
        "  One line per symbol on standard output, in list order, with tab-separated fields:\n"
        "  symbol, status, bar count, first date, last date (YYYY-MM-DD), file name and the cause of\n"
        "  a failure, or for a success with --update what was done ('updated: 3 new bars', 'up to date',\n"
        "  'full download: ...') and what the check of the file written found ('2 warnings: gap on\n"
        "  2024-07-05, jump x2 on 2020-08-31'). Standard error shows progress on a terminal, and at the\n"
        "  end a line 'N succeeded, N no data, N failed in S.s s; N requests, N from the market day',\n"
        "  with '; stopped, N not tried' after a stop.\n"
        "\n"
        "Options:\n"
        "  --download           download without opening the window\n"
        "  --source NAME        quote service: %1\n"
        "  --format bin|kyv     Brindlemoor .bin or Quillamere Trader .kyv bar files\n"
        "  --start-year YEAR    first year wanted, 1900 to this year\n"
        "  --folder DIR         folder for the files, created when missing (default: the folder\n"
        "                       Quorbex.ini keeps for the format)\n"
        "  --jobs N             requests in flight at once, 1 to 8 (default: Jobs of Quorbex.ini, else 1)\n"
        "  --retries N          more tries of a request that failed for a passing reason (time-out,\n"
        "                       HTTP 429 or 5xx), 0 to 10 (default: Retries in Quorbex.ini, else 3)\n"
        "  --update             only fetch the bars after those of each existing file, checking the\n"
        "                       file's last two weeks; a changed history is downloaded in full\n"
        "  --market-day 0|1     with --update, 1 brings a list of one market up to date from the\n"
        "                       market's whole day where that costs less: on Tiingo 2 requests\n"
        "                       instead of one per symbol, on EODHD 4 requests (301 API calls, as\n"
        "                       bulk requests cost 100 calls) for a list of more than 301 symbols of\n"
        "                       one exchange; a split or dividend downloads that symbol in full.\n"
        "                       The other services always take one request per symbol.\n"
        "                       0 asks for each symbol (default: MarketDay of Quorbex.ini, else 1)\n"
        "  --timeout SECONDS    give up on a reply after SECONDS, 1 to 600 (default 10)\n"
        "  --prices adjusted|raw\n"
        "                       prices adjusted for splits and dividends, or as traded (default:\n"
        "                       Prices of Quorbex.ini, else adjusted); EODHD, Tiingo and Twelve Data\n"
        "  --end-date YYYY-MM-DD\n"
        "                       the last day of each history (default: EndDate of Quorbex.ini, else\n"
        "                       the newest); not with --update\n"
        "  --lookup TEXT        print the service's symbols matching TEXT, one a line: code, name,\n"
        "                       exchange, type and currency, tab-separated\n"
        "  --show FILE          print a .bin or .kyv bar file as CSV (Date,Open,High,Low,Close,Volume)\n"
        "  --check [PATH...]    check the bar files of each folder and each file (default: the folder\n"
        "                       of the format of Quorbex.ini) for bad bars, gaps, unapplied splits,\n"
        "                       zero volume and stale ends; one line per finding, tab-separated:\n"
        "                       file, date, kind (ohlc, price, order, jump, gap, zero-volume, stale)\n"
        "                       and words; exit status 0 nothing found, 1 found, 2 unreadable\n"
        "  --help               show this help and exit\n"
        "  --version            show the version and exit\n"
        "\n"
        "Environment:\n"
        "  %2\n"
        "                       API tokens; they win over the [Tokens] section of Quorbex.ini\n"
        "  XDG_CONFIG_HOME      Quorbex.ini and Symbols.txt are in its Quorbex folder (by default\n"
        "                       ~/.config/Quorbex) unless they are beside the program\n"
        "  XDG_STATE_HOME       the run log is its quorbex/runs.log (by default\n"
        "                       ~/.local/state/quorbex/runs.log)\n"
        "\n"
        "Exit status:\n"
        "  0                    every symbol succeeded\n"
        "  1                    some did not\n"
        "  2                    a usage error or a failed check\n"
        "  130                  stopped by SIGINT or SIGTERM\n");
    return help.arg(ServiceRegistry::CommandNames(), variables.join(QStringLiteral(", ")));
}
