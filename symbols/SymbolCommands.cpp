#include "SymbolCommands.h"

#include "SymbolListModel.h"

int AddSymbol(SymbolListModel &model, const QString &entered)
{
    if (entered.isEmpty())
        return -1;
    return model.AddRow(entered.toUpper());
}

bool EditSymbol(SymbolListModel &model, int row, const QString &entered)
{
    if (row < 0 || row >= model.Count() || entered.isEmpty())
        return false;
    model.SetSymbol(row, entered.toUpper());
    return true;
}

bool RemoveSymbol(SymbolListModel &model, int row)
{
    if (row < 0 || row >= model.Count())
        return false;
    model.RemoveRow(row);
    return true;
}
