#pragma once

#include "SaveFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class SymbolListModel;

// One symbol per line. Lines end at CR LF or a lone CR (a lone LF stays in the text), lose
// their leading and trailing spaces (0x20 only), and empty lines are skipped. A leading UTF-8
// byte-order mark is dropped.
[[nodiscard]] QStringList ParseSymbols(const QByteArray &bytes);
// Each symbol followed by CR LF; an empty list gives no bytes.
[[nodiscard]] QByteArray SymbolsBytes(const QStringList &symbols);

// A missing file leaves the model untouched. Otherwise the model is emptied first and filled
// with the file's symbols: on Failed (not a regular file, or a read that failed), with those
// read before the failure, and `error` gives the reason. A file that failed to load must not
// be saved over: it holds symbols the model does not.
ReadResult SymbolsLoad(const QString &path, SymbolListModel &model, QString *error = nullptr);
// Writes the symbols only: no check marks, no result cells. Atomic: a failed save leaves the
// old file as it was.
[[nodiscard]] bool SymbolsSave(const QString &path, const SymbolListModel &model, QString *error = nullptr);
