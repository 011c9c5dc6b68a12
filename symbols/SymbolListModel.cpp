#include "SymbolListModel.h"

#include <algorithm>
#include <array>
#include <functional>
#include <numeric>

namespace {

const std::array<QString, SymbolListModel::kColumnCount> kHeaders = {
    QStringLiteral("Symbol"),     QStringLiteral("Status"),    QStringLiteral("# Bars"),
    QStringLiteral("First Date"), QStringLiteral("Last Date"), QStringLiteral("Filename"),
    QStringLiteral("Details"),
};

constexpr int kMaxCells = CellFilename;

} // namespace

SymbolListModel::SymbolListModel(QObject *parent) : QAbstractTableModel(parent) {}

int SymbolListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SymbolListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

Qt::Alignment SymbolListModel::ColumnAlignment(int column)
{
    const bool right = column >= CellBars && column <= CellLastDate;
    return (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QVariant SymbolListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SymbolRow &row = m_rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == 0)
            return row.Symbol;
        if (column == kDetailsColumn)
            return Details(index.row());
        if (column <= row.Cells.size())
            return row.Cells.at(column - 1);
        return {};
    case Qt::CheckStateRole:
        if (column == 0)
            return QVariant::fromValue(row.Checked ? Qt::Checked : Qt::Unchecked);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(column));
    case Qt::ToolTipRole:
        if (column == CellStatus)
            return row.Cause;
        // A long cause is cut at the column's edge.
        if (column == kDetailsColumn)
            return Details(index.row());
        return {};
    default:
        return {};
    }
}

bool SymbolListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    bool ok = false;
    const int state = value.toInt(&ok);
    if (!ok)
        return false;
    SetChecked(index.row(), state == Qt::Checked);
    return true;
}

Qt::ItemFlags SymbolListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant SymbolListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return kHeaders.at(static_cast<std::size_t>(section));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(ColumnAlignment(section));
    return {};
}

bool SymbolListModel::IsValidRow(int row) const
{
    return row >= 0 && row < m_rows.size();
}

int SymbolListModel::AddRow(const QString &text)
{
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(SymbolRow{text,
                            false,
                            {QString(), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ")},
                            QString(),
                            {},
                            {},
                            false});
    endInsertRows();
    return row;
}

void SymbolListModel::RemoveRow(int row)
{
    if (!IsValidRow(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void SymbolListModel::RemoveRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the bottom up, so the rows still to go keep their numbers.
    for (qsizetype i = 0; i < rows.size();) {
        const int last = rows.at(i);
        int first = last;
        while (++i < rows.size() && rows.at(i) == first - 1)
            first = rows.at(i);
        if (first < 0 || last >= Count())
            continue;
        beginRemoveRows(QModelIndex(), first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void SymbolListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int SymbolListModel::Count() const
{
    return static_cast<int>(m_rows.size());
}

const SymbolRow &SymbolListModel::Row(int row) const
{
    Q_ASSERT(IsValidRow(row));
    return m_rows.at(row);
}

void SymbolListModel::SetSymbol(int row, const QString &text)
{
    if (!IsValidRow(row) || m_rows.at(row).Symbol == text)
        return;
    m_rows[row].Symbol = text;
    const QModelIndex cell = index(row, 0);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

void SymbolListModel::SetChecked(int row, bool checked)
{
    if (!IsValidRow(row) || m_rows.at(row).Checked == checked)
        return;
    m_rows[row].Checked = checked;
    const QModelIndex cell = index(row, 0);
    Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
}

void SymbolListModel::SetCell(int row, int position, const QString &text)
{
    if (!IsValidRow(row) || position < 1 || position > kMaxCells)
        return;
    QStringList &cells = m_rows[row].Cells;
    const int oldCount = static_cast<int>(cells.size());
    if (position <= oldCount && cells.at(position - 1) == text)
        return;
    while (cells.size() < position)
        cells.append(QString());
    cells[position - 1] = text;
    // Created cells change from showing nothing to showing an empty text.
    const int first = position <= oldCount ? position : oldCount + 1;
    // The Details follow the Status cell: the cause once it shows an outcome, the file before.
    const int last = position == CellStatus ? kDetailsColumn : position;
    Q_EMIT dataChanged(index(row, first), index(row, last), {Qt::DisplayRole});
}

void SymbolListModel::SetCause(int row, const QString &text)
{
    if (!IsValidRow(row) || m_rows.at(row).Cause == text)
        return;
    m_rows[row].Cause = text;
    const QModelIndex cell = index(row, CellStatus);
    Q_EMIT dataChanged(cell, cell, {Qt::ToolTipRole});
    const QModelIndex details = index(row, kDetailsColumn);
    Q_EMIT dataChanged(details, details, {Qt::DisplayRole, Qt::ToolTipRole});
}

void SymbolListModel::SetFailed(int row, bool failed)
{
    if (IsValidRow(row))
        m_rows[row].Failed = failed;
}

void SymbolListModel::SetWritten(int row, const FileFigures &figures)
{
    if (IsValidRow(row))
        m_rows[row].Written = figures;
}

void SymbolListModel::SetOnDisk(const QList<OnDiskState> &states)
{
    const qsizetype count = std::min(states.size(), m_rows.size());
    for (qsizetype row = 0; row < count; ++row)
        m_rows[row].OnDisk = states.at(row);
    if (count > 0)
        Q_EMIT dataChanged(index(0, kDetailsColumn), index(int(count) - 1, kDetailsColumn),
                           {Qt::DisplayRole, Qt::ToolTipRole});
}

QString SymbolListModel::Details(int row) const
{
    if (!IsValidRow(row))
        return {};
    const SymbolRow &one = m_rows.at(row);
    return one.Cells.value(0).isEmpty() ? one.OnDisk.text : one.Cause;
}

const FileFigures &SymbolListModel::Figures(const SymbolRow &row) const
{
    return row.Cells.value(0).isEmpty() ? row.OnDisk.figures : row.Written;
}

bool SymbolListModel::Less(const SymbolRow &a, const SymbolRow &b, int column) const
{
    const auto text = [](const QString &x, const QString &y) {
        return x.compare(y, Qt::CaseInsensitive) < 0;
    };
    switch (column) {
    case 0:
        return text(a.Symbol, b.Symbol);
    case CellBars:
        return Figures(a).bars < Figures(b).bars;
    case CellFirstDate:
        return Figures(a).firstDate < Figures(b).firstDate;
    case CellLastDate:
        return Figures(a).lastDate < Figures(b).lastDate;
    case kDetailsColumn:
        return text(a.Cells.value(0).isEmpty() ? a.OnDisk.text : a.Cause,
                    b.Cells.value(0).isEmpty() ? b.OnDisk.text : b.Cause);
    default:
        return text(a.Cells.value(column - 1), b.Cells.value(column - 1));
    }
}

void SymbolListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount)
        return;
    QList<int> from(m_rows.size());
    std::iota(from.begin(), from.end(), 0);
    std::stable_sort(from.begin(), from.end(), [this, column, order](int a, int b) {
        return order == Qt::AscendingOrder ? Less(m_rows.at(a), m_rows.at(b), column)
                                           : Less(m_rows.at(b), m_rows.at(a), column);
    });
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> to(from.size());
    QList<SymbolRow> rows;
    rows.reserve(m_rows.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        to[from.at(i)] = int(i);
        rows.append(std::move(m_rows[from.at(i)]));
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(index.isValid() ? this->index(to.at(index.row()), index.column()) : QModelIndex());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SymbolListModel::ClearCells(int row)
{
    if (!IsValidRow(row))
        return;
    SetCause(row, QString());
    m_rows[row].Failed = false;
    m_rows[row].Written = {};
    if (m_rows.at(row).Cells.isEmpty())
        return;
    QStringList &cells = m_rows[row].Cells;
    for (QString &cell : cells)
        cell.clear();
    Q_EMIT dataChanged(index(row, 1), index(row, kDetailsColumn), {Qt::DisplayRole, Qt::ToolTipRole});
}

int SymbolListModel::CellCount(int row) const
{
    return IsValidRow(row) ? static_cast<int>(m_rows.at(row).Cells.size()) : 0;
}
