#pragma once

#include "CommandLineOptions.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

// `--check [FOLDER | FILE...]` among `arguments`; empty when there is none. Without a path the
// folder comes from Quorbex.ini.
[[nodiscard]] std::optional<ParsedCommandLine> ParseCheckCommandLine(const QStringList &arguments);

// `quorbex --check`: checks the .bin and .kyv files of each folder and each file named, together,
// and writes one line per finding to `out` (FILE<TAB>DATE<TAB>KIND<TAB>words), a line per
// unreadable file and the summary to `err`. Returns 0 when nothing was found, 1 when something was,
// 2 when a path could not be read.
[[nodiscard]] int CheckBarFiles(const QStringList &paths, std::FILE *out, std::FILE *err);
