#pragma once

#include <QObject>

#include <map>
#include <vector>

class QTreeView;

// Fits the columns of a tree view over a flat model: each column as wide as the wider of its
// header and its widest cell, every row measured, and the last column widened to fill the width
// the others leave free. Every cell's width is kept, so a fit after a change measures only the
// cells that changed instead of the whole list.
class ColumnFitter : public QObject
{
public:
    // The view's model is the one measured; set it before.
    explicit ColumnFitter(QTreeView *view);

    void Fit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Remeasure(int firstRow, int lastRow, int firstColumn, int lastColumn);
    void Insert(int first, int last);
    void Remove(int first, int last);
    void Rebuild();
    [[nodiscard]] int Measure(int row, int column) const;
    void Count(int column, int width, int change);

    QTreeView *m_view;
    int m_columns = 0;
    std::vector<std::vector<int>> m_widths;        // [row][column]
    std::vector<std::map<int, int>> m_rowsByWidth; // per column: width -> rows that need it
    bool m_stale = true;
};
