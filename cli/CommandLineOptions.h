#pragma once

#include "QuoteService.h"

#include <QString>
#include <QStringList>

#include <optional>

// What `quorbex --download ...` was asked to do. Unset choices come from "Quorbex.ini".
struct CommandLineOptions
{
    enum class Action { Download, Help, Version, Show, Lookup };

    Action action = Action::Download;
    QStringList symbols; // empty: every symbol of "Symbols.txt"
    std::optional<int> quoteSource;
    std::optional<int> fileFormat;
    std::optional<QString> startYear; // checked later, as the window checks its text
    std::optional<QString> folder;
    std::optional<int> jobs;
    std::optional<int> retries;
    bool update = false; // --update; without it UpdateExisting decides
    int timeoutSeconds = 10;
    QString showFile; // the bar file of --show
    std::optional<PriceKind> prices;
    std::optional<QDate> endDate; // checked against the start year later
    QString lookupText;           // --lookup
};

struct ParsedCommandLine
{
    CommandLineOptions options;
    QString error; // one line naming the option at fault; empty when the line parsed
};

// The arguments after the program name.
[[nodiscard]] ParsedCommandLine ParseCommandLine(const QStringList &arguments);

// True when the arguments ask for the command line rather than the window.
[[nodiscard]] bool WantsCommandLine(int argc, char **argv);

[[nodiscard]] QString CommandLineHelp();
