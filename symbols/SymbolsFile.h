#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class SymbolListModel;

// One symbol per line. Lines end at CR LF or a lone CR (a lone LF stays in the text), lose
// their leading and trailing spaces (0x20 only), and empty lines are skipped.
[[nodiscard]] QStringList ParseSymbols(const QByteArray &bytes);
// Each symbol followed by CR LF; an empty list gives no bytes.
[[nodiscard]] QByteArray SymbolsBytes(const QStringList &symbols);

// A missing file leaves the model untouched and returns false. Otherwise the model is
// emptied first and filled with the file's symbols (none when the file cannot be read).
bool SymbolsLoad(const QString &path, SymbolListModel &model);
// Writes the symbols only: no check marks, no result cells. Atomic: a failed save leaves the
// old file as it was.
[[nodiscard]] bool SymbolsSave(const QString &path, const SymbolListModel &model);
