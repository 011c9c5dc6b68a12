#pragma once

#include "CommandLineOptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

struct BarSeries;

// The bars as CSV: a Date,Open,High,Low,Close,Volume header, then one line per bar with the
// date as YYYY-MM-DD and each value in the shortest text that reads back to the same float
// (std::to_chars; nan, inf). A date with no calendar day is written as its number. Lines end in LF.
[[nodiscard]] QByteArray BarSeriesCsv(const BarSeries &series);

// `--show FILE` or `--show=FILE` among `arguments` (those before a "--"); empty when there is none.
// The file must be the only thing asked for.
[[nodiscard]] std::optional<ParsedCommandLine> ParseShowCommandLine(const QStringList &arguments);

// `quorbex --show FILE`: writes the bars of the .bin or .kyv file at `path` to `out` as
// BarSeriesCsv and returns 0. When the file cannot be read as one, or `out` does not take the
// text, writes one line "quorbex: FILE: reason" to `err` and returns 2.
[[nodiscard]] int ShowBarFile(const QString &path, std::FILE *out, std::FILE *err);
