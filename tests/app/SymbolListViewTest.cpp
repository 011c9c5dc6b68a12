#include "SymbolListView.h"
#include "SymbolListModel.h"

#include <QHeaderView>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Widths(const QTreeView &view)
{
    std::vector<int> widths;
    for (int column = 0; column < view.model()->columnCount(); ++column)
        widths.push_back(view.columnWidth(column));
    return widths;
}

// Qt's own fit with every row measured, and the last column taking the free width.
std::vector<int> FullFit(QTreeView &view)
{
    view.header()->setResizeContentsPrecision(-1);
    const int last = view.model()->columnCount() - 1;
    int used = 0;
    for (int column = 0; column <= last; ++column) {
        view.resizeColumnToContents(column);
        used += column < last ? view.columnWidth(column) : 0;
    }
    view.setColumnWidth(last, std::max(view.columnWidth(last), view.viewport()->width() - used));
    return Widths(view);
}

// A batch over a long list grows, shrinks and removes the widest cells; every fit from the changed
// cells must give the widths of a fit that measures every row.
TEST(SymbolListView, KeepsTheWidthsOfAFullFitThroughABatch)
{
    SymbolListModel model;
    SymbolListView view;
    view.setModel(&model);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.header()->setStretchLastSection(false);
    view.resize(500, 300);
    view.show();
    const auto expectFullFit = [&](const char *step) {
        view.FitColumns();
        const std::vector<int> incremental = Widths(view);
        EXPECT_EQ(incremental, FullFit(view)) << step;
    };

    expectFullFit("empty");
    // More rows than Qt measures by default, the widest far from the visible ones.
    for (int row = 0; row < 1200; ++row)
        model.AddRow(QString(row % 97 == 0 ? 9 : 3, QChar(u'A' + row % 26)));
    model.AddRow(QStringLiteral("NYSE:WIDEST.SYMBOL.OF.ALL"));
    expectFullFit("loaded");
    for (int row = 0; row < model.Count(); ++row)
        model.ClearCells(row);
    model.SetChecked(3, true);
    expectFullFit("cleared");
    for (int row = 0; row < 40; ++row) {
        model.SetCell(row, CellStatus, QStringLiteral("Working..."));
        view.FitColumns();
        const bool failed = row % 7 == 3;
        model.SetCell(row, CellStatus,
                      failed ? QStringLiteral("Request failed (check symbol)") : QStringLiteral("Success"));
        if (!failed) {
            model.SetCell(row, CellBars, row == 5 ? QStringLiteral("12,345") : QStringLiteral("252"));
            model.SetCell(row, CellFirstDate, QStringLiteral("1/2/2024"));
            model.SetCell(row, CellLastDate, QStringLiteral("12/31/2024"));
            model.SetCell(row, CellFilename, model.Row(row).Symbol + QStringLiteral(".Daily.kyv"));
        }
    }
    expectFullFit("downloaded");
    for (const int row : {3, 10, 17, 24, 31, 38, 5}) // the failures shrink back
        model.ClearCells(row);
    expectFullFit("shrunk");
    model.RemoveRow(model.Count() - 1);
    expectFullFit("widest removed");
    model.SetSymbol(0, QStringLiteral("LONGER:THAN:THE:REST"));
    expectFullFit("edited");
    model.AddRow(QString(400, u'W')); // never wider than half the list
    view.FitColumns();
    EXPECT_EQ(view.columnWidth(0), view.viewport()->width() / 2);
    model.RemoveRow(model.Count() - 1);
    model.RemoveRow(0);
    model.AddRow(QStringLiteral("X"));
    view.setFont(QFont(view.font().family(), view.font().pointSize() + 4));
    expectFullFit("font");
    model.Clear();
    expectFullFit("reset");
}

} // namespace
