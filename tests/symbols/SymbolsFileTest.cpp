#include "SymbolsFile.h"
#include "QtPrinters.h"
#include "SymbolListModel.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

class SymbolsFile : public ::testing::Test
{
protected:
    [[nodiscard]] QByteArray Written() const { return ReadFile(m_path); }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(u"Symbols.txt"_s);
};

TEST_F(SymbolsFile, ParseFollowsTheLineRules)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"  msft  \r\n\r\n   \r\nIBM\r\n", {u"msft"_s, u"IBM"_s}},
        {"A\nB\n", {u"A\nB\n"_s}}, // only CR ends a line
        {"\tA \r\n B B\rA\r\r\nA", {u"\tA"_s, u"B B"_s, u"A"_s, u"A"_s}},
        {"\xEF\xBB\xBFIBM\r\n", {u"IBM"_s}}, // an editor's byte-order mark
        {"", {}}};
    for (const auto &[bytes, expected] : cases) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_EQ(ParseSymbols(bytes), expected);
    }
}

TEST_F(SymbolsFile, RoundTripKeepsOnlyTheSymbolsAndMissingFileKeepsTheList)
{
    SymbolListModel model;
    for (const QString &symbol : {u"MSFT"_s, u" ibm "_s, u"   "_s})
        model.AddRow(symbol);
    model.SetChecked(0, true);
    model.SetCell(0, CellFilename, u"MSFT.bin"_s);
    EXPECT_EQ(SymbolsLoad(m_path, model), ReadResult::Missing);
    ASSERT_TRUE(SymbolsSave(m_path, model));
    EXPECT_EQ(Written(), QByteArray("MSFT\r\n ibm \r\n   \r\n"));

    ASSERT_EQ(SymbolsLoad(m_path, model), ReadResult::Read);
    ASSERT_EQ(model.Count(), 2);
    EXPECT_EQ(model.Row(1).Symbol, u"ibm"_s);
    EXPECT_FALSE(model.Row(0).Checked);
    EXPECT_EQ(model.Row(0).Cells, (QStringList{QString(), u" "_s, u" "_s, u" "_s}));
}

#ifndef Q_OS_WIN
// Guards against a symbol that is not UTF-8 coming back as other bytes, which is another symbol.
TEST_F(SymbolsFile, BytesThatAreNotUtf8ComeBackAsTheyWere)
{
    const QByteArray bytes = "CAF\xC9\r\nCaf\xC3\xA9\r\n\xFF\xFE\r\n";
    EXPECT_EQ(SymbolsBytes(ParseSymbols(bytes)), bytes);
    EXPECT_EQ(ParseSymbols(bytes).size(), 3);
}
#endif
