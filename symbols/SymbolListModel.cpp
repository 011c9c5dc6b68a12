#include "SymbolListModel.h"

#include <algorithm>
#include <array>
#include <functional>

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
                            QString(),
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

void SymbolListModel::SetOnDisk(const QStringList &texts)
{
    const qsizetype count = std::min(texts.size(), m_rows.size());
    for (qsizetype row = 0; row < count; ++row)
        m_rows[row].OnDisk = texts.at(row);
    if (count > 0)
        Q_EMIT dataChanged(index(0, kDetailsColumn), index(int(count) - 1, kDetailsColumn),
                           {Qt::DisplayRole, Qt::ToolTipRole});
}

QString SymbolListModel::Details(int row) const
{
    if (!IsValidRow(row))
        return {};
    const SymbolRow &one = m_rows.at(row);
    return one.Cells.value(0).isEmpty() ? one.OnDisk : one.Cause;
}

void SymbolListModel::ClearCells(int row)
{
    if (!IsValidRow(row))
        return;
    SetCause(row, QString());
    m_rows[row].Failed = false;
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
