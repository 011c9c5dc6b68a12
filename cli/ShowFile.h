#pragma once

#include <QString>

// `quorbex --show FILE`: writes the bars of the .bin or .kyv file at `path` to stdout as
// BarSeriesCsv and returns 0. When the file cannot be read as one, or stdout does not take the
// text, writes one line "quorbex: FILE: reason" to stderr and returns 2.
[[nodiscard]] int ShowBarFile(const QString &path);
