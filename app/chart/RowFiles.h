#pragma once

#include <QString>
#include <QStringList>

class PlatformServices;
class QWidget;
class SymbolListModel;

// The list's rows as files: the chart of one row's file, and the check of every row's file.
namespace RowFiles {

// Where a download writes `symbol`'s file in `folder` for `fileFormat`; empty when its name leaves none.
[[nodiscard]] QString PathOf(const QString &folder, const QString &symbol, int fileFormat);

// Opens the chart of the symbol's file, or says why it cannot.
void OpenChart(PlatformServices &platform, QWidget *parent, const QString &folder, const QString &symbol,
               int fileFormat);

// Checks the symbols' files together, without downloading: per symbol, what was found ("2 warnings:
// gap on 2024-07-05, ..."), "no findings", "no file" or "unreadable file: <why>".
[[nodiscard]] QStringList Check(const QStringList &symbols, const QString &folder, int fileFormat);

// "Check library": Check of every row's file, shown in the rows' Details cells.
void ShowChecks(SymbolListModel &rows, const QString &folder, int fileFormat);

} // namespace RowFiles
