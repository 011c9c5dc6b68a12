#include "SymbolCommands.h"

#include "SymbolListModel.h"

#include <QStringList>

#include <algorithm>

QString NormalizedSymbol(const QString &entered)
{
    return entered.toUpper();
}

bool EditSymbol(SymbolListModel &model, int row, const QString &entered)
{
    if (row < 0 || row >= model.Count() || entered.isEmpty())
        return false;
    model.SetSymbol(row, NormalizedSymbol(entered));
    return true;
}

int TickFailedRows(SymbolListModel &model)
{
    int ticked = 0;
    for (int row = 0; row < model.Count(); ++row) {
        const bool failed = model.Row(row).Failed;
        model.SetChecked(row, failed);
        ticked += failed ? 1 : 0;
    }
    return ticked;
}

void TickAllRows(SymbolListModel &model, bool checked)
{
    for (int row = 0; row < model.Count(); ++row)
        model.SetChecked(row, checked);
}

QString SymbolsText(const SymbolListModel &model, QList<int> rows)
{
    if (rows.isEmpty()) {
        for (int row = 0; row < model.Count(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    QStringList symbols;
    for (const int row : rows) {
        if (row >= 0 && row < model.Count())
            symbols.append(model.Row(row).Symbol);
    }
    return symbols.isEmpty() ? QString() : symbols.join(u'\n') + u'\n';
}
