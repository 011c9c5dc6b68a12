#pragma once

#include <QTreeView>

#include <QKeySequence>

#include <functional>
#include <map>
#include <vector>

// A tree view over a flat model that fits its columns: each column as wide as the wider of its
// header and its widest cell, every row measured, and the last column widened to fill the width
// the others leave free. Every cell's width is kept, so a fit after a change measures only the
// cells that changed instead of the whole list.
class SymbolListView : public QTreeView
{
public:
    explicit SymbolListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void FitColumns();

    // An entry of the list's context menu, also reached by `keys` while the list has the focus;
    // entries show in the order they were added.
    QAction *AddMenuAction(const QString &caption, const QKeySequence &keys, QObject *context,
                           const std::function<void()> &handler);
    void AddMenuSeparator();
    // The rows selected, in list order; the current row when none is.
    [[nodiscard]] QList<int> SelectedRows() const;

protected:
    bool event(QEvent *event) override;

private:
    void Remeasure(int firstRow, int lastRow, int firstColumn, int lastColumn);
    void Insert(int first, int last);
    void Remove(int first, int last);
    void Rebuild();
    [[nodiscard]] int Measure(int row, int column) const;
    void Count(int column, int width, int change);

    int m_columns = 0;
    std::vector<std::vector<int>> m_widths;        // [row][column]
    std::vector<std::map<int, int>> m_rowsByWidth; // per column: width -> rows that need it
    bool m_stale = true;
};
