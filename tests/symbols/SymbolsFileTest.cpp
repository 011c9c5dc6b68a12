#include "SymbolsFile.h"
#include "FileSizeLimit.h"
#include "SymbolListModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList Symbols(const SymbolListModel &model)
{
    QStringList result;
    for (int row = 0; row < model.Count(); ++row)
        result.append(model.Row(row).Symbol);
    return result;
}

struct ParseCase
{
    const char *name;
    QByteArray bytes;
    QStringList expected;
};

class ParseSymbolsLines : public ::testing::TestWithParam<ParseCase>
{};

TEST_P(ParseSymbolsLines, FollowsTheLineRules)
{
    EXPECT_EQ(ParseSymbols(GetParam().bytes), GetParam().expected);
}

QString L(const char *text)
{
    return QString::fromLatin1(text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSymbolsLines,
    ::testing::Values(ParseCase{"FourLineExample", "  msft  \r\n\r\n   \r\nIBM\r\n", {L("msft"), L("IBM")}},
                      ParseCase{"DuplicatesKept", "A\r\nA\r\n", {L("A"), L("A")}},
                      ParseCase{"LastLineWithoutLineEnd", "A\r\nB", {L("A"), L("B")}},
                      ParseCase{"TabsKept", "\tA \r\n B\t\r\n", {L("\tA"), L("B\t")}},
                      ParseCase{"LfOnlyIsOneLine", "A\nB\nC\n", {L("A\nB\nC\n")}},
                      ParseCase{"LoneCrEndsLine", "A\rB\r", {L("A"), L("B")}},
                      ParseCase{"CrCrLfIsTwoLineEnds", "A\r\r\nB", {L("A"), L("B")}},
                      ParseCase{"LfBeforeCrStaysInText", "A\n\rB", {L("A\n"), L("B")}},
                      ParseCase{"InnerSpacesKept", " BRK B \r\n", {L("BRK B")}},
                      ParseCase{"EmptyFile", "", {}},
                      ParseCase{"OnlyLineEndsAndSpaces", "\r\n \r\r\n  ", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SymbolsBytes, EachSymbolEndsWithCrLf)
{
    EXPECT_TRUE(SymbolsBytes({}).isEmpty());
    EXPECT_EQ(SymbolsBytes({L("MSFT"), L(" A "), L("   ")}), QByteArray("MSFT\r\n A \r\n   \r\n"));
}

class SymbolsFileOnDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Symbols.txt"));
    }

    QTemporaryDir m_dir;
    QString m_path;
};

TEST_F(SymbolsFileOnDisk, MissingFileLeavesModelUntouched)
{
    SymbolListModel model;
    model.AddRow(L("KEEP"));
    EXPECT_FALSE(SymbolsLoad(m_path, model));
    EXPECT_EQ(Symbols(model), QStringList{L("KEEP")});
}

TEST_F(SymbolsFileOnDisk, LoadReplacesRowsWithFreshOnes)
{
    ASSERT_TRUE(WriteAll(m_path, "  msft  \r\n\r\n   \r\nIBM\r\n"));
    SymbolListModel model;
    model.AddRow(L("OLD"));
    EXPECT_TRUE(SymbolsLoad(m_path, model));
    ASSERT_EQ(Symbols(model), (QStringList{L("msft"), L("IBM")}));
    for (int row = 0; row < model.Count(); ++row) {
        EXPECT_FALSE(model.Row(row).Checked);
        EXPECT_EQ(model.Row(row).Cells, (QStringList{QString(), L(" "), L(" "), L(" ")}));
    }
}

TEST_F(SymbolsFileOnDisk, EmptyFileEmptiesList)
{
    ASSERT_TRUE(WriteAll(m_path, QByteArray()));
    SymbolListModel model;
    model.AddRow(L("OLD"));
    EXPECT_TRUE(SymbolsLoad(m_path, model));
    EXPECT_EQ(model.Count(), 0);
}

TEST_F(SymbolsFileOnDisk, RoundTripKeepsOnlySymbols)
{
    SymbolListModel model;
    model.AddRow(L("MSFT"));
    model.AddRow(L(" ibm "));
    model.AddRow(L("   "));
    model.AddRow(L("MSFT"));
    model.SetChecked(0, true);
    model.SetCell(0, CellStatus, L("Success"));
    model.SetCell(0, CellFilename, L("MSFT.bin"));
    ASSERT_TRUE(SymbolsSave(m_path, model));
    EXPECT_EQ(ReadAll(m_path), QByteArray("MSFT\r\n ibm \r\n   \r\nMSFT\r\n"));

    SymbolListModel loaded;
    ASSERT_TRUE(SymbolsLoad(m_path, loaded));
    ASSERT_EQ(Symbols(loaded), (QStringList{L("MSFT"), L("ibm"), L("MSFT")}));
    EXPECT_FALSE(loaded.Row(0).Checked);
    EXPECT_EQ(loaded.Row(0).Cells, (QStringList{QString(), L(" "), L(" "), L(" ")}));
}

TEST_F(SymbolsFileOnDisk, EmptyListSavesZeroBytes)
{
    ASSERT_TRUE(WriteAll(m_path, "OLD\r\n"));
    const SymbolListModel empty;
    ASSERT_TRUE(SymbolsSave(m_path, empty));
    EXPECT_TRUE(QFile::exists(m_path));
    EXPECT_EQ(QFileInfo(m_path).size(), 0);
    SymbolListModel loaded;
    EXPECT_TRUE(SymbolsLoad(m_path, loaded));
    EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(SymbolsFileOnDisk, UnwritablePathFails)
{
    const QString regularFile = m_dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(WriteAll(regularFile, "x"));
    SymbolListModel model;
    model.AddRow(L("A"));
    EXPECT_FALSE(SymbolsSave(regularFile + QStringLiteral("/Symbols.txt"), model));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Symbols.txt")));
    EXPECT_FALSE(SymbolsSave(m_path, model));
    EXPECT_EQ(ReadAll(regularFile), "x");
}

#ifdef Q_OS_UNIX
// Guards against opening the list file for writing in place, which empties it when the save fails.
TEST_F(SymbolsFileOnDisk, FailedSaveKeepsOldList)
{
    const QByteArray old = "MSFT\r\nIBM\r\n";
    ASSERT_TRUE(WriteAll(m_path, old));
    SymbolListModel model;
    for (int i = 0; i < 50; ++i)
        model.AddRow(QStringLiteral("SYM%1").arg(i));
    {
        FileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(SymbolsSave(m_path, model));
    }
    EXPECT_EQ(ReadAll(m_path), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Symbols.txt")});
}
#endif

} // namespace
