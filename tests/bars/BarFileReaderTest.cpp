#include "BarFileReader.h"
#include "BarFileWriter.h"
#include "DateValue.h"
#include "LocalText.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <limits>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double k3May2013 = 41397.0;

BarSeries Series(const QString &symbol, const std::vector<double> &dates)
{
    BarSeries series;
    series.Symbol = symbol;
    series.Prepare(int(dates.size()));
    series.dates = dates;
    for (std::size_t bar = 0; bar < dates.size(); ++bar)
        series.values[bar] = {1.5F * float(bar), 2.0F, -0.25F, 100.0F, 1e6F};
    return series;
}

TEST(BarFileReader, ReadsBackWhatTheWritersWroteAndWritesTheSameBytes)
{
    BarSeries odd = Series(u"X"_s, {k3May2013, k3May2013 + 1});
    odd.values[0] = {std::bit_cast<float>(0x7fc12345U), std::bit_cast<float>(0x7f800001U),
                     std::bit_cast<float>(0xffa00000U), -0.0F, std::bit_cast<float>(1U)};
    odd.values[1] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::max(), 0.0F, 1e-38F,
                     16777216.0F};
    const QString eAcute(QChar(0x00e9));
    const double firstDay = *DateValue::CalendarDate(100, 1, 1);
    const struct
    {
        const char *what;
        BarSeries series;
        QString kyvSymbol; // as much as the 40-byte field keeps
        int startYear;
    } shapes[] = {
        {"no bars", Series(u"IBM"_s, {}), u"IBM"_s, 2000},
        {"one bar", Series(u"IBM"_s, {1.0}), u"IBM"_s, 100},
        // A source that keeps repeated dates also keeps those before 1900.
        {"repeated dates", Series(u"A"_s, {firstDay, -1.0, k3May2013, k3May2013, 2958465.0}), u"A"_s, 9999},
        {"odd values", odd, u"X"_s, 2013},
        {"long symbol", Series(u"ABCDEFGHIJ"_s.repeated(5), {k3May2013}), u"ABCDEFGHIJ"_s.repeated(4), 2000},
        {"characters cut at 10 and 40 bytes", Series(u"a"_s + eAcute.repeated(21), {k3May2013}),
         u"a"_s + eAcute.repeated(19), 2000},
        {"trailing and inner spaces", Series(u" A B  "_s, {k3May2013}), u" A B"_s, 2000},
#ifndef Q_OS_WIN
        {"bytes that are not UTF-8", Series(LocalText::Decode("CAF\xC9\xFF"), {k3May2013}),
         LocalText::Decode("CAF\xC9\xFF"), 2000},
#endif
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.what);
        const QByteArray bin = BinFileBytes(shape.series);
        const BarFileContents fromBin = ReadBinData(bin);
        ASSERT_TRUE(fromBin.ok()) << fromBin.error.toStdString();
        // The bytes hold every count, name and bit of the series but its symbol.
        EXPECT_EQ(BinFileBytes(fromBin.series), bin);
        EXPECT_EQ(fromBin.series.BarCount, qsizetype(fromBin.series.dates.size()));
        EXPECT_FALSE(fromBin.startDate);

        const QByteArray kyv = KyvFileBytes(shape.series, shape.startYear);
        const BarFileContents fromKyv = ReadKyvData(kyv);
        ASSERT_TRUE(fromKyv.ok()) << fromKyv.error.toStdString();
        EXPECT_EQ(BinFileBytes(fromKyv.series), bin);
        EXPECT_EQ(fromKyv.series.Symbol, shape.kyvSymbol);
        EXPECT_EQ(fromKyv.startDate, DateValue::CalendarDate(shape.startYear, 1, 1));
        EXPECT_EQ(KyvFileBytes(fromKyv.series, DateValue::ToDate(*fromKyv.startDate).year()), kyv);
    }
}

// Writes `value` little-endian at `at`.
template <typename T> std::function<void(QByteArray &)> Put(qsizetype at, T value)
{
    return [=](QByteArray &bytes) { qToLittleEndian(value, bytes.data() + at); };
}

TEST(BarFileReader, NamesWhyDamagedBytesAreNoBarFile)
{
    struct Damage
    {
        std::function<void(QByteArray &)> change;
        QString reason;
    };
    const auto keep = [](qsizetype size) { return [=](QByteArray &bytes) { bytes.truncate(size); }; };
    const auto chop = [](QByteArray &bytes) { bytes.chop(1); };
    const auto extend = [](QByteArray &bytes) { bytes.append('\0'); };
    const QString names = u"field names are not Date, Open, High, Low, Close, Volume"_s;
    const QString cutShort = u"file cut short"_s;
    const QString noStart = u"start date is not 1 January of a year from 100 to 9999"_s;
    // The bar checks, for a file whose two bar records begin at `at`.
    const auto dateDamages = [](qsizetype at) {
        const QString outside = u"bar 1: date is outside the years 100 to 9999"_s;
        return std::vector<Damage>{
            {Put(at, k3May2013 + 0.5), u"bar 1: date is not a whole day"_s},
            {Put(at, 0.0), u"bar 1: date is missing (0)"_s},
            {Put(at, *DateValue::CalendarDate(100, 1, 1) - 1), outside},
            {Put(at, 2958466.0), outside},
            {Put(at + 28, k3May2013 - 1), u"bar 2: dates not ascending"_s},
        };
    };
    const BarSeries series = Series(u"IBM"_s, {k3May2013, k3May2013 + 1});
    const struct
    {
        const char *format;
        QByteArray good;
        std::function<BarFileContents(QByteArrayView)> read;
        std::vector<Damage> damages;
    } formats[] = {
        {"bin",
         BinFileBytes(series),
         ReadBinData,
         {
             {keep(0), cutShort},
             {keep(40), cutShort},
             {chop, cutShort},
             {extend, u"size does not fit the header"_s},
             {[](QByteArray &bytes) { bytes = "Date,Open,High\n"; }, u"not a .bin file (signature)"_s},
             {Put(12, quint32(5)), u"field count is 5, not 6"_s},
             {Put(16, quint8(9)), u"field name is not tagged as text"_s},
             {Put(21, quint8('u')), names},
             {Put(8, quint32(0)), u"row count is below 1"_s},
         }},
        {"kyv",
         KyvFileBytes(series, 2000),
         ReadKyvData,
         {
             {keep(313), cutShort},
             {chop, u"file ends inside a bar"_s},
             {Put(9, quint8('X')), u"not a .kyv file (signature)"_s},
             {Put(10, 3.5F), u"not a version 3.0 .kyv file"_s},
             {Put(64, quint8(7)), u"field count is 7, not 6"_s},
             {Put(66 + 5 * 40 + 6, quint8('X')), names},
             {Put(14, quint8('X')), u"short symbol does not match the symbol"_s},
             {Put(306, 36527.0), noStart},
         }},
    };
    for (const auto &format : formats) {
        ASSERT_TRUE(format.read(format.good).ok());
        std::vector<Damage> damages = format.damages;
        for (const Damage &damage : dateDamages(format.good.size() - 2 * 28))
            damages.push_back(damage);
        for (const Damage &damage : damages) {
            SCOPED_TRACE(format.format + (": "_L1 + damage.reason).toStdString());
            QByteArray bytes = format.good;
            damage.change(bytes);
            EXPECT_EQ(format.read(bytes).error, damage.reason);
        }
    }
}

TEST(BarFileReader, ChoosesTheFormatByExtension)
{
    QTemporaryDir temp;
    const BarSeries series = Series(u"IBM"_s, {k3May2013});
    ASSERT_TRUE(WriteBinFile(series, temp.path(), u"A.BIN"_s) &&
                WriteKyvFile(series, temp.path(), u"A.Daily.kyv"_s, 2000));
    ASSERT_TRUE(WriteFile(temp.filePath(u"A.txt"_s), BinFileBytes(series)) &&
                WriteFile(temp.filePath(u"B.kyv"_s), BinFileBytes(series)));
    EXPECT_EQ(ReadBarFile(temp.filePath(u"A.BIN"_s)).series.BarCount, 1);
    EXPECT_EQ(ReadBarFile(temp.filePath(u"A.Daily.kyv"_s)).series.Symbol, u"IBM"_s);
    EXPECT_EQ(ReadBarFile(temp.filePath(u"A.txt"_s)).error, u"not a .bin or .kyv file name"_s);
    EXPECT_EQ(ReadBarFile(temp.filePath(u"B.kyv"_s)).error, u"not a .kyv file (signature)"_s);
    EXPECT_EQ(ReadBarFile(temp.filePath(u"C.bin"_s)).error, u"file not found"_s);
}

} // namespace
