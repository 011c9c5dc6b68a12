#include "SymbolListView.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>

#include <algorithm>

SymbolListView::SymbolListView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // A click sorts by that column, ascending then descending; no column is sorted at first.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

QAction *SymbolListView::AddMenuAction(const QString &caption, const QKeySequence &keys, QObject *context,
                                       const std::function<void()> &handler)
{
    auto *action = new QAction(caption, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, context, [handler] { handler(); });
    addAction(action);
    return action;
}

void SymbolListView::AddMenuSeparator()
{
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
}

QList<int> SymbolListView::SelectedRows() const
{
    QList<int> rows;
    if (const QItemSelectionModel *selection = selectionModel()) {
        for (const QModelIndex &index : selection->selectedRows())
            rows.append(index.row());
    }
    if (rows.isEmpty() && currentIndex().isValid())
        rows.append(currentIndex().row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SymbolListView::setModel(QAbstractItemModel *model)
{
    if (QAbstractItemModel *old = this->model())
        old->disconnect(this);
    QTreeView::setModel(model);
    m_stale = true;
    if (!model)
        return;
    // The laid-out widths, in twips, until the first fit.
    const int laidOutWidths[] = {1440, 2000, 1440, 1440, 1440, 1440};
    for (int column = 0; column < std::min(model->columnCount(), int(std::size(laidOutWidths))); ++column)
        setColumnWidth(column, qRound(laidOutWidths[column] / 15.0));
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                Remeasure(topLeft.row(), bottomRight.row(), topLeft.column(), bottomRight.column());
            });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { Insert(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { Remove(first, last); });
    const auto invalidate = [this] { m_stale = true; };
    connect(model, &QAbstractItemModel::modelReset, this, invalidate);
    connect(model, &QAbstractItemModel::layoutChanged, this, invalidate);
    connect(model, &QAbstractItemModel::rowsMoved, this, invalidate);
    connect(model, &QAbstractItemModel::columnsInserted, this, invalidate);
    connect(model, &QAbstractItemModel::columnsRemoved, this, invalidate);
    connect(model, &QAbstractItemModel::columnsMoved, this, invalidate);
}

bool SymbolListView::event(QEvent *event)
{
    // Text is measured with the view's font and style; either changing makes every width old.
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::Polish)
        m_stale = true;
    return QTreeView::event(event);
}

int SymbolListView::Measure(int row, int column) const
{
    // The same measure resizeColumnToContents applies to a cell of a top-level row.
    return sizeHintForIndex(model()->index(row, column)).width();
}

void SymbolListView::Count(int column, int width, int change)
{
    std::map<int, int> &rows = m_rowsByWidth[std::size_t(column)];
    const int count = (rows[width] += change);
    if (count == 0)
        rows.erase(width);
}

void SymbolListView::Rebuild()
{
    ensurePolished();
    const QAbstractItemModel *model = this->model();
    m_columns = model->columnCount();
    m_widths.assign(std::size_t(model->rowCount()), std::vector<int>(std::size_t(m_columns)));
    m_rowsByWidth.assign(std::size_t(m_columns), {});
    for (int row = 0; row < int(m_widths.size()); ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int width = Measure(row, column);
            m_widths[std::size_t(row)][std::size_t(column)] = width;
            Count(column, width, 1);
        }
    }
    m_stale = false;
}

void SymbolListView::Remeasure(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    if (m_stale || firstRow < 0 || lastRow >= int(m_widths.size()))
        return;
    ensurePolished();
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = std::max(firstColumn, 0); column <= std::min(lastColumn, m_columns - 1); ++column) {
            int &width = m_widths[std::size_t(row)][std::size_t(column)];
            const int measured = Measure(row, column);
            if (measured == width)
                continue;
            Count(column, width, -1);
            Count(column, measured, 1);
            width = measured;
        }
    }
}

void SymbolListView::Insert(int first, int last)
{
    if (m_stale)
        return;
    m_widths.insert(m_widths.begin() + first, std::size_t(last - first + 1),
                    std::vector<int>(std::size_t(m_columns)));
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int width = Measure(row, column);
            m_widths[std::size_t(row)][std::size_t(column)] = width;
            Count(column, width, 1);
        }
    }
}

void SymbolListView::Remove(int first, int last)
{
    if (m_stale)
        return;
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < m_columns; ++column)
            Count(column, m_widths[std::size_t(row)][std::size_t(column)], -1);
    }
    m_widths.erase(m_widths.begin() + first, m_widths.begin() + last + 1);
}

void SymbolListView::FitColumns()
{
    // As resizeColumnToContents does: rows added or removed are laid out first, which may show
    // or hide the scroll bar and so change the width left for the last column.
    executeDelayedItemsLayout();
    ensurePolished();
    if (m_stale)
        Rebuild();
    QHeaderView *header = this->header();
    // A long symbol or cause must not push the other columns out of sight; its tooltip shows it whole.
    const int widest = std::max(1, viewport()->width() / 2);
    int used = 0;
    for (int column = 0; column < m_columns; ++column) {
        const std::map<int, int> &rows = m_rowsByWidth[std::size_t(column)];
        // An empty list has no contents width at all; otherwise it starts from 0.
        const int contents = rows.empty() ? -1 : std::max(0, rows.rbegin()->first);
        const int headerWidth = header->isHidden() ? 0 : header->sectionSizeHint(column);
        header->resizeSection(column, std::min(std::max(contents, headerWidth), widest));
        if (column < m_columns - 1)
            used += columnWidth(column);
    }
    if (m_columns == 0)
        return;
    // The last column also takes whatever width the others leave free.
    const int last = m_columns - 1;
    const int free = viewport()->width() - used;
    setColumnWidth(last, std::max(columnWidth(last), free));
}
