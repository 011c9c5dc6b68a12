#include "SymbolCommands.h"
#include "QtPrinters.h"
#include "SymbolEntry.h"
#include "SymbolListModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

// A single symbol is kept whole as Add always kept it; several are split and trimmed.
// Add, paste and import as the window's test drives them; here, the edges of their rules.
TEST(SymbolEntry, OneSymbolIsKeptWholeSeveralAreSplitAndListedOnesSkipped)
{
    EXPECT_EQ(EnteredSymbols(QString()), QStringList());
    EXPECT_EQ(EnteredSymbols(u" nyse:ibm "_s), QStringList{u" NYSE:IBM "_s});
    EXPECT_EQ(EnteredSymbols(u"   "_s), QStringList{u"   "_s});
    EXPECT_EQ(EnteredSymbols(u"msft,\t"_s), QStringList{u"MSFT"_s});
    EXPECT_EQ(ImportedSymbols("\xEF\xBB\xBFibm,IBM Corp\r\n\"brk.b\";x\r\nmsft\tMicrosoft\nsymbol"),
              (QStringList{u"IBM"_s, u"BRK.B"_s, u"MSFT"_s, u"SYMBOL"_s}));

    SymbolListModel model;
    model.AddRow(u"msft"_s);
    model.AddRow(u"   "_s);
    const AddedSymbols result = AddNewSymbols(model, {u"MSFT"_s, u" ibm "_s, u"   "_s, u"IBM"_s});
    EXPECT_EQ(result.added, (QStringList{u" ibm "_s, u"   "_s}));
    EXPECT_EQ(result.skipped, (QStringList{u"MSFT"_s, u"IBM"_s}));
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

TEST(SymbolCommands, TickFailedRowsUntickTheRestAndCopyKeepsListOrder)
{
    SymbolListModel model;
    for (const QString &symbol : {u"A"_s, u"B"_s, u"C"_s})
        model.AddRow(symbol);
    model.SetChecked(0, true);
    model.SetFailed(1, true);
    model.ClearCells(1); // a row started again is no longer failed
    EXPECT_EQ(TickFailedRows(model), 0);
    EXPECT_FALSE(model.Row(0).Checked);
    EXPECT_EQ(SymbolsText(model, {2, 0}), u"A\nC\n"_s);
    EXPECT_EQ(SymbolsText(model, {}), u"A\nB\nC\n"_s);
}
