#include "SymbolListModel.h"
#include "QtPrinters.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

// The download batch keeps persistent indexes; removing rows around them must not lose its place.
TEST(SymbolListModel, PassesModelTesterWhilePersistentIndexesFollowRemovedRows)
{
    SymbolListModel model;
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const QString &symbol : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
        model.AddRow(symbol);
    const QPersistentModelIndex b(model.index(1, 0));
    const QPersistentModelIndex c(model.index(2, CellLastDate));
    model.SetCell(2, CellFilename, u"C.bin"_s);
    model.ClearCells(2);
    model.RemoveRow(0);
    EXPECT_EQ(c.row(), 1);
    model.RemoveRow(b.row());
    EXPECT_FALSE(b.isValid());
    EXPECT_EQ(model.index(c.row(), 0).data().toString(), u"C"_s);
    for (const QString &symbol : {u"E"_s, u"F"_s, u"G"_s, u"H"_s})
        model.AddRow(symbol);
    model.RemoveRows({5, 2, 3, 3, 9, -1}); // E and F in one step, H alone
    ASSERT_EQ(model.Count(), 3);
    EXPECT_EQ(model.index(2, 0).data().toString(), u"G"_s);
    EXPECT_EQ(c.row(), 0);
    model.Clear();
    EXPECT_FALSE(c.isValid());
}

TEST(SymbolListModel, CellsAreCreatedOnDemandAndClearedInPlaceWithTheCause)
{
    SymbolListModel model;
    model.AddRow(u"A"_s);
    EXPECT_FALSE(model.index(0, CellFilename).data().isValid());
    model.SetCell(0, 0, u"x"_s);
    model.SetCell(0, 6, u"x"_s);
    EXPECT_EQ(model.CellCount(0), 4);
    model.SetCell(0, CellFilename, u"A.bin"_s);
    EXPECT_EQ(model.index(0, CellFilename).data().toString(), u"A.bin"_s);
    model.SetCause(0, u"HTTP 404 Not Found"_s);
    EXPECT_EQ(model.index(0, CellStatus).data(Qt::ToolTipRole).toString(), u"HTTP 404 Not Found"_s);
    EXPECT_FALSE(model.index(0, CellBars).data(Qt::ToolTipRole).isValid());
    model.ClearCells(0);
    EXPECT_EQ(model.Row(0).Cells, QStringList(5, QString()));
    EXPECT_EQ(model.index(0, CellStatus).data(Qt::ToolTipRole).toString(), QString());
}

TEST(SymbolListModel, OnlyTheSymbolColumnHasAUserCheckBox)
{
    SymbolListModel model;
    model.AddRow(u"A"_s);
    EXPECT_EQ(model.flags(model.index(0, 0)) & (Qt::ItemIsUserCheckable | Qt::ItemIsEditable),
              Qt::ItemIsUserCheckable);
    EXPECT_TRUE(model.setData(model.index(0, 0), QVariant::fromValue(Qt::Checked), Qt::CheckStateRole));
    EXPECT_TRUE(model.Row(0).Checked);
}
