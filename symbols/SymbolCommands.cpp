#include "SymbolCommands.h"

#include "SymbolListModel.h"

QString NormalizedSymbol(const QString &entered)
{
    return entered.toUpper();
}

int AddSymbol(SymbolListModel &model, const QString &entered)
{
    if (entered.isEmpty())
        return -1;
    return model.AddRow(NormalizedSymbol(entered));
}

bool EditSymbol(SymbolListModel &model, int row, const QString &entered)
{
    if (row < 0 || row >= model.Count() || entered.isEmpty())
        return false;
    model.SetSymbol(row, NormalizedSymbol(entered));
    return true;
}

bool RemoveSymbol(SymbolListModel &model, int row)
{
    if (row < 0 || row >= model.Count())
        return false;
    model.RemoveRow(row);
    return true;
}
