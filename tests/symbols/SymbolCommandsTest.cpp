#include "SymbolCommands.h"
#include "QtPrinters.h"
#include "SymbolEntry.h"
#include "SymbolListModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

// A single symbol is kept whole as Add always kept it; several are split and trimmed.
TEST(SymbolEntry, EnteredTextGivesOneSymbolOrSeveral)
{
    const struct
    {
        QString entered;
        QStringList symbols;
    } cases[] = {
        {QString(), {}},           {u" nyse:ibm "_s, {u" NYSE:IBM "_s}},
        {u"   "_s, {u"   "_s}},    {u"^gspc"_s, {u"^GSPC"_s}},
        {u"msft,"_s, {u"MSFT"_s}}, {u"a b,c\r\n\n d\t"_s, {u"A"_s, u"B"_s, u"C"_s, u"D"_s}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EnteredSymbols(c.entered), c.symbols) << c.entered.toStdString();

    EXPECT_EQ(ImportedSymbols(
                  "\xEF\xBB\xBFSymbol,Name\r\nibm,IBM Corp\r\n\"brk.b\";x\r\n\r\n ,empty\r\nmsft\tMicrosoft"),
              (QStringList{u"IBM"_s, u"BRK.B"_s, u"MSFT"_s}));
    EXPECT_EQ(ImportedSymbols("aapl\nsymbol\n"),
              (QStringList{u"AAPL"_s, u"SYMBOL"_s})); // a header only first
}

TEST(SymbolEntry, AddsOnlySymbolsNotListedYet)
{
    SymbolListModel model;
    model.AddRow(u"msft"_s);
    model.AddRow(u"   "_s);
    const AddedSymbols result = AddNewSymbols(model, {u"IBM"_s, u"MSFT"_s, u" ibm "_s, u"   "_s, u"X"_s});
    EXPECT_EQ(result.added, (QStringList{u"IBM"_s, u"   "_s, u"X"_s}));
    EXPECT_EQ(result.skipped, (QStringList{u"MSFT"_s, u"ibm"_s}));
    EXPECT_EQ(model.Count(), 5);
    EXPECT_EQ(SkippedText(result), u"Already listed, not added: MSFT, ibm"_s);
    EXPECT_EQ(SkippedText({}), QString());
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

TEST(SymbolCommands, TickFailedRowsTicksExactlyThemAndCopyKeepsListOrder)
{
    SymbolListModel model;
    for (const QString &symbol : {u"A"_s, u"B"_s, u"C"_s})
        model.AddRow(symbol);
    model.SetChecked(0, true);
    model.SetFailed(1, true);
    EXPECT_EQ(TickFailedRows(model), 1);
    EXPECT_EQ((QList<bool>{model.Row(0).Checked, model.Row(1).Checked, model.Row(2).Checked}),
              (QList<bool>{false, true, false}));
    model.ClearCells(1); // a row started again is no longer failed
    EXPECT_EQ(TickFailedRows(model), 0);
    EXPECT_EQ(SymbolsText(model, {2, 0}), u"A\nC\n"_s);
    EXPECT_EQ(SymbolsText(model, {}), u"A\nB\nC\n"_s);
}
