#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

// The numbers behind a row's "# Bars" and date cells, for sorting; bars -1 when there are none.
struct FileFigures
{
    int bars = -1;
    double firstDate = 0.0;
    double lastDate = 0.0;
};

// A row's file as found on disk: the Details text and its figures.
struct OnDiskState
{
    QString text;
    FileFigures figures;
};

struct SymbolRow
{
    QString Symbol;
    bool Checked = false;
    QStringList Cells;   // result cells 1..n; Cells.size() = existing cells (0..5)
    QString Cause;       // why the last download failed, shown as the Status cell's tooltip
    OnDiskState OnDisk;  // the row's file before any download of it: the Details until then
    FileFigures Written; // of the last download's file
    bool Failed = false; // the last download, shown in the Status cell, failed
};

// Result cell positions, as the download batch addresses them.
enum SymbolCell : int {
    CellStatus = 1,
    CellBars = 2,
    CellFirstDate = 3,
    CellLastDate = 4,
    CellFilename = 5,
};

// The symbol list: one row per symbol with its check mark and result cells. Column 0 shows
// the symbol and its check box, columns 1..5 the result cells, column 6 the row's details: the
// cause of its last download once the Status cell shows one, else the state of its file. Rows are changed
// only through the methods below (and the check box through setData), each of which emits the matching model
// signals so persistent indexes follow rows removed in the middle of a download.
class SymbolListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kColumnCount = 7;
    static constexpr int kDetailsColumn = 6;

    explicit SymbolListModel(QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

    // Appends an unchecked row with cells 2, 3 and 4 holding " " and cell 1 empty; returns its row.
    int AddRow(const QString &text);
    void RemoveRow(int row);
    // Each row of `rows` that exists, in any order; a run of neighbours goes in one step.
    void RemoveRows(QList<int> rows);
    void Clear();
    [[nodiscard]] int Count() const;
    // row must be in 0..Count()-1.
    [[nodiscard]] const SymbolRow &Row(int row) const;
    void SetSymbol(int row, const QString &text);
    void SetChecked(int row, bool checked);
    // position 1..5; missing cells below it are created empty.
    void SetCell(int row, int position, const QString &text);
    void SetCause(int row, const QString &text);
    void SetFailed(int row, bool failed);
    void SetWritten(int row, const FileFigures &figures);
    // One state per row, in row order.
    void SetOnDisk(const QList<OnDiskState> &states);
    [[nodiscard]] QString Details(int row) const;
    // Each existing cell and the cause become empty, the row is no longer failed; the number of cells stays.
    void ClearCells(int row);
    [[nodiscard]] int CellCount(int row) const;

    // Reorders the rows by a column's contents, keeping the order of equal ones; persistent indexes follow.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    [[nodiscard]] static Qt::Alignment ColumnAlignment(int column);

private:
    [[nodiscard]] bool IsValidRow(int row) const;
    [[nodiscard]] const FileFigures &Figures(const SymbolRow &row) const;
    [[nodiscard]] bool Less(const SymbolRow &a, const SymbolRow &b, int column) const;

    QList<SymbolRow> m_rows;
};
