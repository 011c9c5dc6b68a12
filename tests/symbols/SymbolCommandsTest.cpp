#include "SymbolCommands.h"
#include "SymbolListModel.h"

#include <gtest/gtest.h>

namespace {

QString L(const char *text)
{
    return QString::fromLatin1(text);
}

struct AddCase
{
    const char *entered;
    const char *stored;
};

class AddSymbolText : public ::testing::TestWithParam<AddCase>
{};

TEST_P(AddSymbolText, UpperCasesAndKeepsEverythingElse)
{
    SymbolListModel model;
    model.AddRow(L("FIRST"));
    model.SetChecked(0, true);
    const int row = AddSymbol(model, L(GetParam().entered));
    ASSERT_EQ(row, 1);
    const SymbolRow &added = model.Row(row);
    EXPECT_EQ(added.Symbol, L(GetParam().stored));
    EXPECT_FALSE(added.Checked);
    EXPECT_EQ(added.Cells, (QStringList{QString(), L(" "), L(" "), L(" ")}));
}

INSTANTIATE_TEST_SUITE_P(Cases, AddSymbolText,
                         ::testing::Values(AddCase{"msft", "MSFT"}, AddCase{" msft ", " MSFT "},
                                           AddCase{"   ", "   "}, AddCase{"^gspc", "^GSPC"},
                                           AddCase{"brk.b", "BRK.B"}, AddCase{"FIRST", "FIRST"},
                                           AddCase{"nyse:ibm", "NYSE:IBM"}));

TEST(AddSymbol, EmptyAnswerAddsNothing)
{
    SymbolListModel model;
    EXPECT_EQ(AddSymbol(model, QString()), -1);
    EXPECT_EQ(model.Count(), 0);
}

TEST(AddSymbol, DuplicateGivesSecondRow)
{
    SymbolListModel model;
    EXPECT_EQ(AddSymbol(model, L("ibm")), 0);
    EXPECT_EQ(AddSymbol(model, L("IBM")), 1);
    EXPECT_EQ(model.Row(0).Symbol, model.Row(1).Symbol);
}

TEST(EditSymbol, KeepsCheckMarkAndResults)
{
    SymbolListModel model;
    model.AddRow(L("msft"));
    model.AddRow(L("ibm"));
    model.SetChecked(1, true);
    model.SetCell(1, CellStatus, L("Success"));
    model.SetCell(1, CellFilename, L("IBM.bin"));
    const SymbolRow before = model.Row(1);

    EXPECT_TRUE(EditSymbol(model, 1, L("aapl ")));
    EXPECT_EQ(model.Row(1).Symbol, L("AAPL "));
    EXPECT_TRUE(model.Row(1).Checked);
    EXPECT_EQ(model.Row(1).Cells, before.Cells);
    EXPECT_EQ(model.Row(0).Symbol, L("msft"));
}

TEST(EditSymbol, UnchangedTextStillUpperCases)
{
    SymbolListModel model;
    model.AddRow(L("msft"));
    EXPECT_TRUE(EditSymbol(model, 0, model.Row(0).Symbol));
    EXPECT_EQ(model.Row(0).Symbol, L("MSFT"));
}

TEST(EditSymbol, CancelOrMissingRowChangesNothing)
{
    SymbolListModel model;
    EXPECT_FALSE(EditSymbol(model, 0, L("X")));
    model.AddRow(L("msft"));
    EXPECT_FALSE(EditSymbol(model, 0, QString()));
    EXPECT_FALSE(EditSymbol(model, 1, L("X")));
    EXPECT_FALSE(EditSymbol(model, -1, L("X")));
    EXPECT_EQ(model.Row(0).Symbol, L("msft"));
}

TEST(RemoveSymbol, RemovesTheGivenRowOnly)
{
    SymbolListModel model;
    EXPECT_FALSE(RemoveSymbol(model, 0));
    for (const char *symbol : {"A", "B", "C"})
        model.AddRow(L(symbol));
    EXPECT_FALSE(RemoveSymbol(model, 3));
    EXPECT_FALSE(RemoveSymbol(model, -1));
    EXPECT_TRUE(RemoveSymbol(model, 1));
    ASSERT_EQ(model.Count(), 2);
    EXPECT_EQ(model.Row(0).Symbol, L("A"));
    EXPECT_EQ(model.Row(1).Symbol, L("C"));
    EXPECT_TRUE(RemoveSymbol(model, 0));
    EXPECT_TRUE(RemoveSymbol(model, 0));
    EXPECT_EQ(model.Count(), 0);
    EXPECT_FALSE(RemoveSymbol(model, 0));
}

} // namespace
