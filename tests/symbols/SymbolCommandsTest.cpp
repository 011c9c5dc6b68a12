#include "SymbolCommands.h"
#include "QtPrinters.h"
#include "SymbolListModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(SymbolCommands, AddUpperCasesAndKeepsSpacesAndDuplicates)
{
    SymbolListModel model;
    EXPECT_EQ(AddSymbol(model, QString()), -1);
    EXPECT_EQ(AddSymbol(model, u" nyse:ibm "_s), 0);
    EXPECT_EQ(AddSymbol(model, u" NYSE:IBM "_s), 1);
    EXPECT_EQ(model.Row(0).Symbol, u" NYSE:IBM "_s);
}

TEST(SymbolCommands, EditChangesOnlyTheSymbolOfAnExistingRow)
{
    SymbolListModel model;
    model.AddRow(u"msft"_s);
    model.AddRow(u"ibm"_s);
    model.SetChecked(1, true);
    model.SetCell(1, CellFilename, u"IBM.bin"_s);
    EXPECT_FALSE(EditSymbol(model, 1, QString()));
    EXPECT_FALSE(EditSymbol(model, 2, u"x"_s));
    EXPECT_FALSE(EditSymbol(model, -1, u"x"_s));
    EXPECT_TRUE(EditSymbol(model, 1, u"ibm"_s)); // unchanged text still upper-cases
    EXPECT_EQ(model.Row(1).Symbol, u"IBM"_s);
    EXPECT_TRUE(model.Row(1).Checked);
    EXPECT_EQ(model.Row(1).Cells.at(CellFilename - 1), u"IBM.bin"_s);
    EXPECT_EQ(model.Row(0).Symbol, u"msft"_s);
}

TEST(SymbolCommands, RemoveTakesOnlyAnExistingRow)
{
    SymbolListModel model;
    model.AddRow(u"A"_s);
    model.AddRow(u"B"_s);
    EXPECT_FALSE(RemoveSymbol(model, 2));
    EXPECT_FALSE(RemoveSymbol(model, -1));
    EXPECT_TRUE(RemoveSymbol(model, 0));
    ASSERT_EQ(model.Count(), 1);
    EXPECT_EQ(model.Row(0).Symbol, u"B"_s);
}
