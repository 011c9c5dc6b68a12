#pragma once

#include <QString>

class SymbolListModel;

// The model side of the Add, Edit and Remove buttons. The window asks the text-input dialog
// and passes its answer; an empty answer means the dialog was cancelled. Entered text is
// upper-cased and otherwise kept as it is (spaces and duplicates included).

// A symbol as the list keeps it, whichever face it was entered in.
[[nodiscard]] QString NormalizedSymbol(const QString &entered);
// Returns the new row, or -1 when nothing was added.
int AddSymbol(SymbolListModel &model, const QString &entered);
// False when there is no such row or the answer is empty. True otherwise, even when the new
// symbol equals the old one. The check mark and result cells stay.
bool EditSymbol(SymbolListModel &model, int row, const QString &entered);
// False when there is no such row.
bool RemoveSymbol(SymbolListModel &model, int row);
