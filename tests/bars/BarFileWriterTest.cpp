#include "BarFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

constexpr double k3May2013 = 41397.0;
constexpr double k1Jan2000 = 36526.0;

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text)); // spaces are skipped
}

std::string HexDump(const QByteArray &bytes, qsizetype base = 0)
{
    std::string out;
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        out += QStringLiteral("%1:").arg(base + line, 6, 16, QLatin1Char('0')).toStdString();
        for (qsizetype i = line; i < std::min(line + 16, bytes.size()); ++i)
            out += ' ' + QByteArray(1, bytes[i]).toHex().toStdString();
        out += '\n';
    }
    return out;
}

// Compares `expected` with the bytes of `actual` from `offset` on and dumps both on mismatch.
void ExpectBytesAt(const QByteArray &actual, qsizetype offset, const QByteArray &expected)
{
    const QByteArray slice = actual.mid(offset, expected.size());
    EXPECT_EQ(slice, expected) << "at offset " << offset << "\nactual:\n"
                               << HexDump(slice, offset) << "expected:\n"
                               << HexDump(expected, offset);
}

QByteArray Spaces(qsizetype count)
{
    return QByteArray(count, ' ');
}

BarSeries MakeSeries(int bars, double firstDate = k1Jan2000, const QString &symbol = QStringLiteral("IBM"))
{
    BarSeries series;
    series.Symbol = symbol;
    series.Prepare(bars);
    for (int bar = 1; bar <= bars; ++bar) {
        series.SetBarDate(bar, firstDate + bar - 1);
        for (int column = 1; column <= BarSeries::kValueColumns; ++column)
            series.SetBarValue(bar, column, float(bar * 10 + column));
    }
    return series;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteRaw(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QByteArray kBinHeader = Hex("7A 00 8B FC FA 21 09 40 01 00 00 00 06 00 00 00"
                                  "08 00 04 00 44 61 74 65"         // Date
                                  "08 00 04 00 4F 70 65 6E"         // Open
                                  "08 00 04 00 48 69 67 68"         // High
                                  "08 00 03 00 4C 6F 77"            // Low
                                  "08 00 05 00 43 6C 6F 73 65"      // Close
                                  "08 00 06 00 56 6F 6C 75 6D 65"); // Volume

TEST(BinFileBytes, EmptySeriesIsThe66ByteHeader)
{
    const QByteArray bytes = BinFileBytes(MakeSeries(0));
    ASSERT_EQ(kBinHeader.size(), 66);
    ExpectBytesAt(bytes, 0, kBinHeader);
    EXPECT_EQ(bytes.size(), 66);
}

TEST(BinFileBytes, HeaderCountsAndSizes)
{
    const QByteArray large = BinFileBytes(MakeSeries(250));
    ExpectBytesAt(large, 0, Hex("7A 00 8B FC FA 21 09 40 FB 00 00 00 06 00 00 00"));
    ExpectBytesAt(large, 16, Hex("08 00 04 00 44 61 74 65"));
    EXPECT_EQ(large.size(), 66 + 28 * 250);

    const QByteArray two = BinFileBytes(MakeSeries(2));
    EXPECT_EQ(two.size(), 122);
    ExpectBytesAt(two, 8, Hex("03 00 00 00"));
}

TEST(BinFileBytes, BarRecordsAreDateThenFiveFloats)
{
    BarSeries series = MakeSeries(2, k3May2013);
    series.SetBarDate(2, k1Jan2000);
    series.values[0] = {1.5F, -2.0F, 0.0F, 100.25F, 16777217.0F};
    const QByteArray bytes = BinFileBytes(series);
    ExpectBytesAt(bytes, 66,
                  Hex("00 00 00 00 A0 36 E4 40" // 3 May 2013
                      "00 00 C0 3F 00 00 00 C0 00 00 00 00 00 80 C8 42 00 00 80 4B"));
    ExpectBytesAt(bytes, 94, Hex("00 00 00 00 C0 D5 E1 40")); // 1 January 2000
}

TEST(BinFileBytes, NamesAreMeasuredInBytesAfterConversion)
{
    BarSeries series = MakeSeries(0);
    series.FieldNames[5] = QStringLiteral("Volumen \u00e4\u00f6");
    const QByteArray name = series.FieldNames[5].toLocal8Bit();
    const QByteArray bytes = BinFileBytes(series);
    const qsizetype entry = 66 - 10;
    ExpectBytesAt(bytes, entry, Hex("08 00") + QByteArray(1, char(name.size())) + QByteArray(1, '\0') + name);
    EXPECT_EQ(bytes.size(), entry + 4 + name.size());
}

TEST(KyvFileBytes, HeaderFieldsAtTheirOffsets)
{
    const QByteArray bytes = KyvFileBytes(MakeSeries(2), 2000);
    EXPECT_EQ(bytes.size(), 370);
    ExpectBytesAt(bytes, 0, QByteArray("KYV FORMAT"));
    ExpectBytesAt(bytes, 10, Hex("00 00 40 40"));
    ExpectBytesAt(bytes, 14, "IBM" + Spaces(7));
    ExpectBytesAt(bytes, 24, "IBM" + Spaces(37));
    ExpectBytesAt(bytes, 64, Hex("06 00"));
    const char *names[] = {"Date", "Open", "High", "Low", "Close", "Volume"};
    for (int i = 0; i < 6; ++i)
        ExpectBytesAt(bytes, 66 + 40 * i, names[i] + Spaces(40 - qsizetype(qstrlen(names[i]))));
    ExpectBytesAt(bytes, 306, Hex("00 00 00 00 C0 D5 E1 40"));
    // The bar records are those of the bin file.
    EXPECT_EQ(bytes.mid(314), BinFileBytes(MakeSeries(2)).mid(66));
}

TEST(KyvFileBytes, TextsAreCutOrFilledToTheirWidth)
{
    const QByteArray twelve = KyvFileBytes(MakeSeries(1, k1Jan2000, QStringLiteral("ABCDEFGHIJKL")), 2000);
    ExpectBytesAt(twelve, 14, "ABCDEFGHIJ");
    ExpectBytesAt(twelve, 24, "ABCDEFGHIJKL" + Spaces(28));

    const QString longSymbol = QString(45, u'X');
    const QByteArray cut = KyvFileBytes(MakeSeries(1, k1Jan2000, longSymbol), 2000);
    ExpectBytesAt(cut, 24, QByteArray(40, 'X'));
    ExpectBytesAt(cut, 64, Hex("06 00"));

    // Cut in bytes, not characters, once converted.
    const QString wide = QString(8, QChar(0x00e9));
    const QByteArray encoded = wide.toLocal8Bit();
    const QByteArray bytes = KyvFileBytes(MakeSeries(1, k1Jan2000, wide), 2000);
    const QByteArray expectedShort = (encoded + Spaces(10)).left(10);
    ExpectBytesAt(bytes, 14, expectedShort);
    EXPECT_EQ(bytes.size(), 314 + 28);

    const QByteArray empty = KyvFileBytes(MakeSeries(1, k1Jan2000, QString()), 2000);
    ExpectBytesAt(empty, 14, Spaces(50));
}

TEST(KyvFileBytes, StartDateIsFirstOfJanuaryOfTheStartYear)
{
    const struct
    {
        int year;
        const char *bytes;
    } cases[] = {{1999, "00 00 00 00 20 A8 E1 40"},
                 {2000, "00 00 00 00 C0 D5 E1 40"},
                 {1900, "00 00 00 00 00 00 00 40"}};
    for (const auto &c : cases)
        ExpectBytesAt(KyvFileBytes(MakeSeries(3, k3May2013), c.year), 306,
                      Hex(c.bytes)); // not the first bar's date
    EXPECT_TRUE(KyvFileBytes(MakeSeries(3), 99).isEmpty());
    EXPECT_TRUE(KyvFileBytes(MakeSeries(3), 10000).isEmpty());
}

// Takes at most `limit` bytes in all and at most `perCall` bytes per write, then refuses.
class LimitedDevice : public QIODevice
{
public:
    explicit LimitedDevice(qint64 limit, qint64 perCall = std::numeric_limits<qint64>::max())
        : limit(limit), perCall(perCall)
    {
        open(QIODevice::WriteOnly);
    }

    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 take = std::min({size, limit - qint64(written.size()), perCall});
        if (take <= 0)
            return -1;
        written.append(data, take);
        return take;
    }

private:
    qint64 limit;
    qint64 perCall;
};

TEST(WriteBarData, DeviceThatStopsEarlyIsReported)
{
    const BarSeries small = MakeSeries(3);
    const BarSeries large = MakeSeries(5000); // several chunks
    const struct
    {
        const char *name;
        std::function<bool(const BarSeries &, QIODevice &)> write;
        std::function<QByteArray(const BarSeries &)> bytes;
    } writers[] = {
        {"bin", [](const BarSeries &s, QIODevice &d) { return WriteBinData(s, d); },
         [](const BarSeries &s) { return BinFileBytes(s); }},
        {"kyv", [](const BarSeries &s, QIODevice &d) { return WriteKyvData(s, 2000, d); },
         [](const BarSeries &s) { return KyvFileBytes(s, 2000); }},
    };
    for (const auto &writer : writers) {
        for (const BarSeries *series : {&small, &large}) {
            const QByteArray full = writer.bytes(*series);
            const qint64 size = full.size();
            for (const qint64 limit : {qint64(0), qint64(1), qint64(16), qint64(65), qint64(66), qint64(67),
                                       qint64(313), qint64(314), qint64(315), size / 2, size - 1}) {
                if (limit >= size)
                    continue;
                LimitedDevice device(limit);
                EXPECT_FALSE(writer.write(*series, device))
                    << writer.name << " cut at " << limit << " of " << size;
                EXPECT_EQ(device.written, full.left(limit)) << writer.name << " cut at " << limit;
            }
            LimitedDevice exact(size);
            EXPECT_TRUE(writer.write(*series, exact)) << writer.name << ", " << size << " bytes";
            EXPECT_EQ(exact.written, full) << writer.name;

            LimitedDevice shortWrites(size, 7); // a short write is not taken as success
            EXPECT_FALSE(writer.write(*series, shortWrites)) << writer.name;
        }
    }
}

// File behaviour shared by both writers.
struct WriterKind
{
    const char *name;
    const char *fileName;
    std::function<bool(const BarSeries &, const QString &, const QString &)> write;
    std::function<QByteArray(const BarSeries &)> bytes;
};

void PrintTo(const WriterKind &kind, std::ostream *os)
{
    *os << kind.name;
}

class BarFileWriterFiles : public ::testing::TestWithParam<WriterKind>
{
protected:
    void SetUp() override { ASSERT_TRUE(temp.isValid()); }

    [[nodiscard]] QString Folder(const QString &name = QStringLiteral("quotes")) const
    {
        const QString folder = temp.filePath(name);
        QDir().mkdir(folder);
        return folder;
    }
    [[nodiscard]] QString FileName() const { return QString::fromLatin1(GetParam().fileName); }
    [[nodiscard]] bool Write(const BarSeries &series, const QString &folder) const
    {
        return GetParam().write(series, folder, FileName());
    }
    [[nodiscard]] static QStringList Entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir temp;
};

TEST_P(BarFileWriterFiles, TrailingSeparatorGivesTheSamePath)
{
    const QString folder = Folder();
    ASSERT_TRUE(Write(MakeSeries(3), folder));
    const BarSeries second = MakeSeries(5, k3May2013);
    ASSERT_TRUE(Write(second, folder + QLatin1Char('/')));
    EXPECT_EQ(Entries(folder), QStringList{FileName()});
    EXPECT_EQ(ReadFile(folder + QLatin1Char('/') + FileName()), GetParam().bytes(second));
}

TEST_P(BarFileWriterFiles, CreatesOnlyTheLastFolderLevel)
{
    const QString missing = temp.filePath(QStringLiteral("new"));
    ASSERT_TRUE(Write(MakeSeries(2), missing));
    EXPECT_EQ(ReadFile(missing + QLatin1Char('/') + FileName()), GetParam().bytes(MakeSeries(2)));

    const QString twoLevels = temp.filePath(QStringLiteral("a/b"));
    EXPECT_FALSE(Write(MakeSeries(2), twoLevels));
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(QStringLiteral("a"))));
}

TEST_P(BarFileWriterFiles, FolderThatCannotBeMadeFails)
{
    const QString plainFile = temp.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(WriteRaw(plainFile, "keep"));
    EXPECT_FALSE(Write(MakeSeries(2), plainFile));                          // folder is a file
    EXPECT_FALSE(Write(MakeSeries(2), plainFile + QStringLiteral("/sub"))); // parent is a file
    EXPECT_EQ(ReadFile(plainFile), QByteArray("keep"));
    EXPECT_FALSE(Write(MakeSeries(2), QString()));
}

TEST_P(BarFileWriterFiles, LongerOldFileIsReplacedEntirely)
{
    const QString folder = Folder();
    const QString path = folder + QLatin1Char('/') + FileName();
    ASSERT_TRUE(WriteRaw(path, QByteArray(10000, 'x')));
    ASSERT_TRUE(Write(MakeSeries(2), folder));
    EXPECT_EQ(ReadFile(path), GetParam().bytes(MakeSeries(2)));
    EXPECT_EQ(Entries(folder), QStringList{FileName()});
}

TEST_P(BarFileWriterFiles, DirectoryInTheFilesPlaceIsLeftAlone)
{
    const QString folder = Folder();
    const QString path = folder + QLatin1Char('/') + FileName();
    ASSERT_TRUE(QDir().mkdir(path));
    ASSERT_TRUE(WriteRaw(path + QStringLiteral("/inside"), "inside"));
    EXPECT_FALSE(Write(MakeSeries(2), folder));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(ReadFile(path + QStringLiteral("/inside")), QByteArray("inside"));
    EXPECT_EQ(Entries(folder), QStringList{FileName()}); // no temporary file left behind
}

#ifdef Q_OS_LINUX
// Lowers the file size limit so that writes fail part-way, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit lowered = old;
        lowered.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active = false;

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};

TEST_P(BarFileWriterFiles, FailedWriteLeavesTheOldFileIntact)
{
    const QString folder = Folder();
    const QString path = folder + QLatin1Char('/') + FileName();
    const QByteArray old = GetParam().bytes(MakeSeries(10));
    ASSERT_TRUE(WriteRaw(path, old));
    bool written = true;
    {
        const FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active);
        written = Write(MakeSeries(1000), folder);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(folder), QStringList{FileName()});
}
#endif

INSTANTIATE_TEST_SUITE_P(
    Writers, BarFileWriterFiles,
    ::testing::Values(WriterKind{"Bin", "IBM.bin",
                                 [](const BarSeries &s, const QString &f, const QString &n) {
                                     return WriteBinFile(s, f, n);
                                 },
                                 [](const BarSeries &s) { return BinFileBytes(s); }},
                      WriterKind{"Kyv", "IBM.Daily.kyv",
                                 [](const BarSeries &s, const QString &f, const QString &n) {
                                     return WriteKyvFile(s, f, n, 2000);
                                 },
                                 [](const BarSeries &s) { return KyvFileBytes(s, 2000); }}),
    [](const ::testing::TestParamInfo<WriterKind> &info) { return std::string(info.param.name); });

TEST(WriteBinFile, EmptySeriesWritesTheHeader)
{
    QTemporaryDir temp;
    ASSERT_TRUE(WriteBinFile(MakeSeries(0), temp.path(), QStringLiteral("IBM.bin")));
    EXPECT_EQ(ReadFile(temp.filePath(QStringLiteral("IBM.bin"))), kBinHeader);
}

TEST(WriteKyvFile, EmptySeriesRemovesTheOldFile)
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("IBM.Daily.kyv"));
    ASSERT_TRUE(WriteKyvFile(MakeSeries(4), temp.path(), QStringLiteral("IBM.Daily.kyv"), 2000));
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(WriteKyvFile(MakeSeries(0), temp.path(), QStringLiteral("IBM.Daily.kyv"), 2000));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(WriteKyvFile(MakeSeries(0), temp.path(), QStringLiteral("IBM.Daily.kyv"), 2000));

    // Something that cannot be removed as a file stays, and that is reported.
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(WriteKyvFile(MakeSeries(0), temp.path(), QStringLiteral("IBM.Daily.kyv"), 2000));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(WriteKyvFile, StartYearWithoutADateWritesNothing)
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("IBM.Daily.kyv"));
    ASSERT_TRUE(WriteRaw(path, "old"));
    EXPECT_FALSE(WriteKyvFile(MakeSeries(4), temp.path(), QStringLiteral("IBM.Daily.kyv"), 0));
    EXPECT_EQ(ReadFile(path), QByteArray("old"));
}

} // namespace
