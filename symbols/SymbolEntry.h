#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class SymbolListModel;

// Symbols as the user hands them over: typed into Add, pasted or imported.

// The symbols of text typed into Add, upper-cased. Several are split at spaces, commas and line
// breaks; a single one is kept whole, spaces around it included, as Add always kept it.
[[nodiscard]] QStringList EnteredSymbols(const QString &entered);
// The first field of each line of a text or CSV file (split at commas, semicolons and tabs, without
// quotes and spaces), upper-cased; a first line headed "Symbol" or "Ticker" is a header.
[[nodiscard]] QStringList ImportedSymbols(const QByteArray &bytes);

struct AddedSymbols
{
    QStringList added;
    QStringList skipped; // already listed, or given twice
};

// Appends each symbol that the list does not hold yet, comparing without regard to case or the
// spaces around them.
AddedSymbols AddNewSymbols(SymbolListModel &model, const QStringList &symbols);
// "Already listed, not added: IBM, MSFT", or empty when nothing was skipped.
[[nodiscard]] QString SkippedText(const AddedSymbols &result);
