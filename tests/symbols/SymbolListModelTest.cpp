#include "SymbolListModel.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QStringList kNewRowCells = {QString(), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ")};

// Collects the model tester's complaints so a broken signal sequence fails the test.
class ModelTesterWarnings
{
public:
    ModelTesterWarnings()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&Handler);
    }
    ~ModelTesterWarnings() { qInstallMessageHandler(m_previous); }
    ModelTesterWarnings(const ModelTesterWarnings &) = delete;
    ModelTesterWarnings &operator=(const ModelTesterWarnings &) = delete;

    [[nodiscard]] QStringList Messages() const { return s_messages; }

private:
    static void Handler(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            s_messages.append(message);
    }

    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

QStringList Symbols(const SymbolListModel &model)
{
    QStringList result;
    for (int row = 0; row < model.Count(); ++row)
        result.append(model.Row(row).Symbol);
    return result;
}

TEST(SymbolListModel, PassesModelTesterThroughEveryChange)
{
    ModelTesterWarnings warnings;
    SymbolListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    model.AddRow(QStringLiteral("MSFT"));
    model.AddRow(QStringLiteral("IBM"));
    model.AddRow(QStringLiteral("AAPL"));
    model.SetSymbol(1, QStringLiteral("IBMX"));
    model.SetChecked(2, true);
    EXPECT_TRUE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    model.SetCell(0, CellStatus, QStringLiteral("Working..."));
    model.SetCell(0, CellFilename, QStringLiteral("MSFT.bin"));
    model.ClearCells(0);
    model.RemoveRow(1);
    model.RemoveRow(0);
    model.Clear();
    model.AddRow(QStringLiteral("X"));
    EXPECT_TRUE(warnings.Messages().isEmpty()) << warnings.Messages().join(u'\n').toStdString();
}

TEST(SymbolListModel, HeadersAndAlignment)
{
    const SymbolListModel model;
    const QStringList headers = {QStringLiteral("Symbol"),    QStringLiteral("Status"),
                                 QStringLiteral("# Bars"),    QStringLiteral("First Date"),
                                 QStringLiteral("Last Date"), QStringLiteral("Filename")};
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const QList<Qt::Alignment> alignments = {left, left, right, right, right, left};
    ASSERT_EQ(model.columnCount(), SymbolListModel::kColumnCount);
    for (int column = 0; column < SymbolListModel::kColumnCount; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), headers.at(column));
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                  alignments.at(column))
            << column;
    }
    SymbolListModel rows;
    rows.AddRow(QStringLiteral("A"));
    for (int column = 0; column < SymbolListModel::kColumnCount; ++column)
        EXPECT_EQ(rows.index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                  alignments.at(column));
}

TEST(SymbolListModel, NewRowIsUncheckedWithThreeBlankCells)
{
    SymbolListModel model;
    EXPECT_EQ(model.AddRow(QStringLiteral("A")), 0);
    EXPECT_EQ(model.AddRow(QStringLiteral("B")), 1);
    const SymbolRow &row = model.Row(1);
    EXPECT_EQ(row.Symbol, QStringLiteral("B"));
    EXPECT_FALSE(row.Checked);
    EXPECT_EQ(row.Cells, kNewRowCells);
    EXPECT_EQ(model.CellCount(1), 4);
    EXPECT_EQ(model.index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("B"));
    EXPECT_EQ(model.index(1, 3).data().toString(), QStringLiteral(" "));
    EXPECT_FALSE(model.index(1, 5).data().isValid()) << "a cell that does not exist shows nothing";
    EXPECT_FALSE(model.index(1, 1).data(Qt::CheckStateRole).isValid());
}

TEST(SymbolListModel, SetCellCreatesMissingCellsAndIgnoresBadPositions)
{
    SymbolListModel model;
    model.AddRow(QStringLiteral("A"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetCell(0, CellFilename, QStringLiteral("A.bin"));
    EXPECT_EQ(model.CellCount(0), 5);
    EXPECT_EQ(model.index(0, 5).data().toString(), QStringLiteral("A.bin"));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().column(), 5);

    model.ClearCells(0);
    EXPECT_EQ(model.Row(0).Cells, QStringList(5, QString()));
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed.at(1).at(0).value<QModelIndex>().column(), 1);
    EXPECT_EQ(changed.at(1).at(1).value<QModelIndex>().column(), 5);
    EXPECT_EQ(changed.at(1).at(2).value<QList<int>>(), QList<int>{Qt::DisplayRole});

    model.SetCell(0, 0, QStringLiteral("x"));
    model.SetCell(0, 6, QStringLiteral("x"));
    model.SetCell(1, 1, QStringLiteral("x"));
    model.SetCell(-1, 1, QStringLiteral("x"));
    EXPECT_EQ(model.CellCount(0), 5);
    EXPECT_EQ(changed.size(), 2);
}

TEST(SymbolListModel, ChangesNameTheirRoles)
{
    SymbolListModel model;
    model.AddRow(QStringLiteral("A"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetChecked(0, true);
    model.SetSymbol(0, QStringLiteral("B"));
    model.SetCell(0, CellStatus, QStringLiteral("Success"));
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed.at(0).at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    EXPECT_EQ(changed.at(1).at(2).value<QList<int>>(), QList<int>{Qt::DisplayRole});
    EXPECT_EQ(changed.at(2).at(2).value<QList<int>>(), QList<int>{Qt::DisplayRole});
}

TEST(SymbolListModel, CheckBoxIsTheOnlyThingTheUserChanges)
{
    SymbolListModel model;
    model.AddRow(QStringLiteral("A"));
    const QModelIndex symbol = model.index(0, 0);
    EXPECT_TRUE(model.flags(symbol).testFlag(Qt::ItemIsUserCheckable));
    for (int column = 0; column < SymbolListModel::kColumnCount; ++column) {
        EXPECT_FALSE(model.flags(model.index(0, column)).testFlag(Qt::ItemIsEditable)) << column;
        EXPECT_TRUE(model.flags(model.index(0, column)).testFlag(Qt::ItemIsSelectable)) << column;
    }
    EXPECT_FALSE(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsUserCheckable));

    // Views hand the state over as an int or as the enum; both must work.
    EXPECT_TRUE(model.setData(symbol, static_cast<int>(Qt::Checked), Qt::CheckStateRole));
    EXPECT_TRUE(model.Row(0).Checked);
    EXPECT_TRUE(model.setData(symbol, QVariant::fromValue(Qt::Unchecked), Qt::CheckStateRole));
    EXPECT_FALSE(model.Row(0).Checked);

    EXPECT_FALSE(model.setData(symbol, QStringLiteral("B"), Qt::EditRole));
    EXPECT_FALSE(model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.Row(0).Symbol, QStringLiteral("A"));
    EXPECT_FALSE(model.Row(0).Checked);
}

// The download batch keeps persistent indexes; removing rows around them must not lose its place.
TEST(SymbolListModel, PersistentIndexesFollowRemovedRows)
{
    SymbolListModel model;
    for (const char *symbol : {"A", "B", "C", "D"})
        model.AddRow(QString::fromLatin1(symbol));
    const QPersistentModelIndex c(model.index(2, 0));
    const QPersistentModelIndex b(model.index(1, 3));
    model.RemoveRow(0);
    EXPECT_EQ(c.row(), 1);
    EXPECT_EQ(c.data().toString(), QStringLiteral("C"));
    model.RemoveRow(0);
    EXPECT_FALSE(b.isValid());
    EXPECT_EQ(c.row(), 0);
    model.Clear();
    EXPECT_FALSE(c.isValid());
    EXPECT_EQ(model.Count(), 0);
}

TEST(SymbolListModel, BadRowsChangeNothing)
{
    SymbolListModel model;
    model.AddRow(QStringLiteral("A"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    model.RemoveRow(1);
    model.RemoveRow(-1);
    model.SetSymbol(1, QStringLiteral("X"));
    model.SetChecked(-1, true);
    model.ClearCells(5);
    EXPECT_EQ(model.CellCount(7), 0);
    EXPECT_EQ(changed.size(), 0);
    EXPECT_EQ(removed.size(), 0);
    EXPECT_EQ(Symbols(model), QStringList{QStringLiteral("A")});
}

} // namespace
