#include "BarFileWriter.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifdef Q_OS_LINUX
// The shared helper, from tests/app while it lives there, else from tests/.
#include "FileSizeLimit.h"
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double k3May2013 = 41397.0, k1Jan2000 = 36526.0;

BarSeries MakeSeries(int bars, double firstDate = k1Jan2000, const QString &symbol = QStringLiteral("IBM"))
{
    BarSeries series;
    series.Symbol = symbol;
    series.Prepare(bars);
    for (int bar = 1; bar <= bars; ++bar) {
        series.SetBarDate(bar, firstDate + bar - 1);
        series.values[std::size_t(bar - 1)].fill(float(bar));
    }
    return series;
}

// `count` bytes of `bytes` from `offset` on, as readable hex.
std::string HexAt(const QByteArray &bytes, qsizetype offset, qsizetype count)
{
    return bytes.mid(offset, count).toHex(' ').toStdString();
}

TEST(BinFileBytes, HeaderCountsAndBarRecords)
{
    EXPECT_EQ(BinFileBytes(MakeSeries(0)).toHex(' '),
              "7a 00 8b fc fa 21 09 40 01 00 00 00 06 00 00 00 08 00 04 00 44 61 74 65 08 00 04 00 4f 70 65 "
              "6e 08 00 04 00 48 69 67 68 08 00 03 00 4c 6f 77 08 00 05 00 43 6c 6f 73 65 08 00 06 00 56 6f "
              "6c 75 6d 65");
    EXPECT_EQ(BinFileBytes(MakeSeries(250)).size(), 66 + 28 * 250); // its row count the reader's test reads

    BarSeries series = MakeSeries(2, k3May2013);
    series.values[0] = {1.5F, -2.0F, 0.0F, 100.25F, 16777217.0F};
    const QByteArray two = BinFileBytes(series);
    EXPECT_EQ(two.size(), 122);
    EXPECT_EQ(HexAt(two, 66, 28),
              "00 00 00 00 a0 36 e4 40 00 00 c0 3f 00 00 00 c0 00 00 00 00 00 80 c8 42 00 00 80 4b");

    series.FieldNames[5] = QStringLiteral("Volumen \u00e4\u00f6"); // measured in bytes: 12 in UTF-8
    EXPECT_EQ(HexAt(BinFileBytes(series), 56, 4), "08 00 0c 00");
}

TEST(KyvFileBytes, HeaderFieldsAtTheirOffsets)
{
    const QByteArray bytes = KyvFileBytes(MakeSeries(2), 2000);
    EXPECT_EQ(bytes.size(), 370);
    EXPECT_EQ(bytes.left(10), "KYV FORMAT");
    EXPECT_EQ(HexAt(bytes, 10, 4), "00 00 40 40"); // version 3.0
    EXPECT_EQ(bytes.mid(14, 50), "IBM" + QByteArray(7, ' ') + "IBM" + QByteArray(37, ' '));
    EXPECT_EQ(HexAt(bytes, 64, 2), "06 00");
    EXPECT_EQ(bytes.mid(66, 240).simplified(), "Date Open High Low Close Volume");
    EXPECT_EQ(HexAt(bytes, 306, 8), "00 00 00 00 c0 d5 e1 40"); // 1 January 2000
    EXPECT_EQ(bytes.mid(314), BinFileBytes(MakeSeries(2)).mid(66));

    const QByteArray twelve = KyvFileBytes(MakeSeries(1, k1Jan2000, QStringLiteral("ABCDEFGHIJKL")), 2000);
    EXPECT_EQ(twelve.mid(14, 50), "ABCDEFGHIJABCDEFGHIJKL" + QByteArray(28, ' '));
    const QByteArray odd =
        KyvFileBytes(MakeSeries(1, k1Jan2000, QStringLiteral("a") + QString(8, QChar(0x00e9))), 2000);
    // Cut in bytes but never inside a character; the reader's round trips cover the 40-byte field.
    EXPECT_EQ(odd.mid(14, 10), "a" + QString(4, QChar(0x00e9)).toUtf8() + ' ');
    // The start date comes from the start year (1999 gives 36161.0), not from the first bar.
    EXPECT_EQ(HexAt(KyvFileBytes(MakeSeries(3, k3May2013), 1999), 306, 8), "00 00 00 00 20 a8 e1 40");
    EXPECT_TRUE(KyvFileBytes(MakeSeries(3), 99).isEmpty());
    EXPECT_TRUE(KyvFileBytes(MakeSeries(3), 10000).isEmpty());
}

// Both file writers, each with its file name and the bytes it should leave in the file.
struct Writer
{
    QString file;
    std::function<bool(const BarSeries &, const QString &folder, const QString &fname, QString *error)> write;
    std::function<QByteArray(const BarSeries &)> bytes;
};

std::vector<Writer> Writers()
{
    return {{u"IBM.bin"_s,
             [](const BarSeries &s, const QString &d, const QString &f, QString *e) {
                 return WriteBinFile(s, d, f, e);
             },
             BinFileBytes},
            {u"IBM.Daily.kyv"_s,
             [](const BarSeries &s, const QString &d, const QString &f, QString *e) {
                 return WriteKyvFile(s, d, f, 2000, e);
             },
             [](const BarSeries &s) { return KyvFileBytes(s, 2000); }}};
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(WriteFile, CreatesTheLastFolderLevelReplacesALongerFileAndWritesNothingElsewhere)
{
    for (const Writer &w : Writers()) {
        SCOPED_TRACE(w.file.toStdString());
        QTemporaryDir temp;
        const QString folder = temp.filePath(QStringLiteral("new"));
        QString error;
        ASSERT_TRUE(w.write(MakeSeries(1000), folder, w.file, &error));
        ASSERT_TRUE(w.write(MakeSeries(2), folder + u'/', w.file, &error)); // with or without a separator
        EXPECT_EQ(ReadFile(folder + u'/' + w.file), w.bytes(MakeSeries(2)));
        EXPECT_FALSE(w.write(MakeSeries(2), temp.filePath(QStringLiteral("a/b")), w.file, &error));
        EXPECT_EQ(error, QStringLiteral("folder cannot be created"));
        EXPECT_FALSE(w.write(MakeSeries(2), QString(), w.file, &error));
        // Guards against a symbol such as ../X writing (or, for .kyv, removing) outside the folder.
        for (const QString &name : {u"../X"_s, u"a/b"_s, u"a\\b"_s, u".."_s, u"X\x01"_s, u"X\0.bin"_s}) {
            EXPECT_FALSE(w.write(MakeSeries(0), folder, name, &error));
            EXPECT_EQ(error, QStringLiteral("file name cannot be used"));
        }
        // A long symbol's file: the cause says what is wrong, in the program's words.
        EXPECT_FALSE(w.write(MakeSeries(2), folder, QString(300, u'L') + w.file, &error));
        EXPECT_EQ(error, QStringLiteral("file name too long"));
        EXPECT_EQ(Entries(temp.path()), QStringList{u"new"_s});
        EXPECT_EQ(Entries(folder), QStringList{w.file});
    }
}

#ifdef Q_OS_LINUX
TEST(WriteFile, FailedWriteLeavesTheOldFileAndReturnsFalse)
{
    for (const Writer &w : Writers()) {
        for (const int bars : {100, 1000}) { // fails while flushing the last buffered bytes, or while writing
            SCOPED_TRACE(w.file.toStdString() + ", " + std::to_string(bars) + " bars");
            QTemporaryDir temp;
            ASSERT_TRUE(w.write(MakeSeries(10), temp.path(), w.file, nullptr));
            QString error;
            const bool written = [&] {
                const FileSizeLimit limit(1024);
                // Without the limit nothing could fail, so that counts as written.
                return !limit.Active() || w.write(MakeSeries(bars), temp.path(), w.file, &error);
            }();
            EXPECT_FALSE(written);
            EXPECT_EQ(error, QStringLiteral("File too large"));
            EXPECT_EQ(ReadFile(temp.filePath(w.file)), w.bytes(MakeSeries(10)));
            EXPECT_EQ(Entries(temp.path()), QStringList{w.file}); // no temporary file left behind
        }
    }
}
#endif

TEST(WriteFile, EmptySeriesWritesTheBinHeaderButRemovesTheKyvFile)
{
    QTemporaryDir temp;
    ASSERT_TRUE(WriteBinFile(MakeSeries(0), temp.path(), QStringLiteral("IBM.bin")));
    EXPECT_EQ(ReadFile(temp.filePath(QStringLiteral("IBM.bin"))), BinFileBytes(MakeSeries(0)));
    const QString kyv = QStringLiteral("IBM.Daily.kyv");
    ASSERT_TRUE(WriteKyvFile(MakeSeries(4), temp.path(), kyv, 2000));
    EXPECT_TRUE(WriteKyvFile(MakeSeries(0), temp.path(), kyv, 2000));
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(kyv)));
    EXPECT_TRUE(WriteKyvFile(MakeSeries(0), temp.path(), kyv, 2000)); // nothing there is success
    ASSERT_TRUE(QDir().mkdir(temp.filePath(kyv)));
    EXPECT_FALSE(WriteKyvFile(MakeSeries(0), temp.path(), kyv, 2000)); // something is left there
}

} // namespace
