#pragma once

#include <QList>
#include <QString>

class SymbolListModel;

// The model side of the list's commands; SymbolEntry.h reads what Add, paste and import hand over.
// The window asks the text-input dialog and passes its answer; an empty answer means the dialog
// was cancelled. Entered text is upper-cased and otherwise kept as it is.

// A symbol as the list keeps it, whichever face it was entered in.
[[nodiscard]] QString NormalizedSymbol(const QString &entered);
// False when there is no such row or the answer is empty. True otherwise, even when the new
// symbol equals the old one. The check mark and result cells stay.
bool EditSymbol(SymbolListModel &model, int row, const QString &entered);

// Ticks the rows whose last download failed and unticks every other, so that "Download Checked"
// retries exactly them; the number ticked.
int TickFailedRows(SymbolListModel &model);
void TickAllRows(SymbolListModel &model, bool checked);
// The symbols of `rows` (all rows when it is empty) in list order, one a line.
[[nodiscard]] QString SymbolsText(const SymbolListModel &model, QList<int> rows);
