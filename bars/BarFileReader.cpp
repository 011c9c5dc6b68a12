#include "BarFileReader.h"

#include "DateValue.h"
#include "LocalText.h"
#include "SaveFile.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr quint64 kBinSignature = std::bit_cast<quint64>(3.141592);
constexpr quint16 kTextTag = 8;
constexpr quint32 kKyvVersion = std::bit_cast<quint32>(3.0F);
constexpr QByteArrayView kKyvSignature = "KYV FORMAT";
constexpr qsizetype kKyvShortText = 10;
constexpr qsizetype kKyvLongText = 40;
constexpr qsizetype kKyvHeader = 314;
constexpr qsizetype kRecord = 28;
constexpr int kFieldCount = BarSeries::kValueColumns + 1;

template <typename T> [[nodiscard]] T LittleEndianAt(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.data() + at);
}

[[nodiscard]] const QStringList &StandardNames()
{
    static const QStringList names = [] {
        BarSeries series;
        series.Prepare(0);
        return series.FieldNames;
    }();
    return names;
}

// As the .kyv writer fills its fixed-width texts: whole characters only, then spaces.
[[nodiscard]] QByteArray FixedText(const QString &text, qsizetype width)
{
    QByteArray bytes = LocalText::EncodePrefix(text, width);
    bytes.append(width - bytes.size(), ' ');
    return bytes;
}

[[nodiscard]] BarFileContents Failed(const QString &reason)
{
    BarFileContents contents;
    contents.error = reason;
    return contents;
}

// Whether the bytes there are could begin `signature`, so a short file is named cut short only
// when it starts as the format does.
[[nodiscard]] bool StartsAs(QByteArrayView bytes, QByteArrayView signature)
{
    return signature.startsWith(bytes.first(std::min(bytes.size(), signature.size())));
}

// Fills `series` with the `count` records from `at`; the reason when a date cannot be one the
// writers were given.
[[nodiscard]] QString ReadBars(QByteArrayView bytes, qsizetype at, int count, BarSeries &series,
                               bool anyDateOrder)
{
    // Sources build dates of the years 100 to 9999 only. A lone bar, or a source that keeps repeated
    // dates, can carry one before 1900, so of the dates up to 0 only the missing date 0 is refused.
    const double firstDay = *DateValue::CalendarDate(100, 1, 1);
    const double lastDay = *DateValue::CalendarDate(9999, 12, 31);
    series.Prepare(0);
    // Filled as read rather than zeroed first: the arrays are most of the work of a read.
    series.dates.reserve(std::size_t(count));
    series.values.reserve(std::size_t(count));
    for (int bar = 1; bar <= count; ++bar, at += kRecord) {
        const double date = std::bit_cast<double>(LittleEndianAt<quint64>(bytes, at));
        if (!std::isfinite(date) || date != std::floor(date))
            return QStringLiteral("bar %1: date is not a whole day").arg(bar);
        if (date < firstDay || date > lastDay)
            return QStringLiteral("bar %1: date is outside the years 100 to 9999").arg(bar);
        if (date == 0.0)
            return QStringLiteral("bar %1: date is missing (0)").arg(bar);
        if (bar > 1 && date < series.dates.back() && !anyDateOrder)
            return QStringLiteral("bar %1: dates not ascending").arg(bar);
        series.dates.push_back(date);
        BarSeries::Values &values = series.values.emplace_back();
        // Bits, not float values, so that every NaN payload comes through as written.
        for (std::size_t column = 0; column < values.size(); ++column)
            values[column] =
                std::bit_cast<float>(LittleEndianAt<quint32>(bytes, at + 8 + 4 * qsizetype(column)));
    }
    series.BarCount = count;
    series.RowCount = count + 1;
    return {};
}

[[nodiscard]] BarFileContents WithBars(QByteArrayView bytes, qsizetype at, int count,
                                       BarFileContents contents, bool anyDateOrder)
{
    contents.error = ReadBars(bytes, at, count, contents.series, anyDateOrder);
    return contents;
}

[[nodiscard]] QString FieldCountReason(int count)
{
    return QStringLiteral("field count is %1, not %2").arg(count).arg(kFieldCount);
}

[[nodiscard]] QString FieldNamesReason()
{
    return QStringLiteral("field names are not ") + StandardNames().join(QStringLiteral(", "));
}

[[nodiscard]] bool IsStartDate(double value)
{
    const QDate date = DateValue::ToDate(value);
    if (!date.isValid() || date.month() != 1 || date.day() != 1)
        return false;
    const std::optional<double> exact = DateValue::CalendarDate(date.year(), 1, 1);
    return exact && std::bit_cast<quint64>(*exact) == std::bit_cast<quint64>(value);
}

} // namespace

namespace {

BarFileContents ReadBin(QByteArrayView bytes, bool anyDateOrder)
{
    char signature[sizeof kBinSignature];
    qToLittleEndian(kBinSignature, signature);
    if (!StartsAs(bytes, QByteArrayView(signature, qsizetype(sizeof signature))))
        return Failed(QStringLiteral("not a .bin file (signature)"));
    const QString cutShort = QStringLiteral("file cut short");
    if (bytes.size() < 16)
        return Failed(cutShort);
    const auto rowCount = LittleEndianAt<qint32>(bytes, 8);
    const auto fieldCount = LittleEndianAt<qint32>(bytes, 12);
    if (fieldCount != kFieldCount)
        return Failed(FieldCountReason(fieldCount));
    qsizetype at = 16;
    for (const QString &name : StandardNames()) {
        if (bytes.size() - at < 4)
            return Failed(cutShort);
        const auto tag = LittleEndianAt<quint16>(bytes, at);
        const auto length = LittleEndianAt<quint16>(bytes, at + 2);
        at += 4;
        if (tag != kTextTag)
            return Failed(QStringLiteral("field name is not tagged as text"));
        if (bytes.size() - at < length)
            return Failed(cutShort);
        if (bytes.sliced(at, length) != QByteArrayView(name.toLatin1()))
            return Failed(FieldNamesReason());
        at += length;
    }
    if (rowCount < 1)
        return Failed(QStringLiteral("row count is below 1"));
    const qint64 size = at + qint64(rowCount - 1) * kRecord;
    if (bytes.size() < size)
        return Failed(cutShort);
    if (bytes.size() > size)
        return Failed(QStringLiteral("size does not fit the header"));
    return WithBars(bytes, at, rowCount - 1, {}, anyDateOrder);
}

BarFileContents ReadKyv(QByteArrayView bytes, bool anyDateOrder)
{
    if (!StartsAs(bytes, kKyvSignature))
        return Failed(QStringLiteral("not a .kyv file (signature)"));
    if (bytes.size() < kKyvHeader)
        return Failed(QStringLiteral("file cut short"));
    if (LittleEndianAt<quint32>(bytes, 10) != kKyvVersion)
        return Failed(QStringLiteral("not a version 3.0 .kyv file"));
    const auto fieldCount = LittleEndianAt<qint16>(bytes, 64);
    if (fieldCount != kFieldCount)
        return Failed(FieldCountReason(fieldCount));
    for (qsizetype field = 0; field < kFieldCount; ++field) {
        if (bytes.sliced(66 + kKyvLongText * field, kKyvLongText) !=
            QByteArrayView(FixedText(StandardNames().at(field), kKyvLongText)))
            return Failed(FieldNamesReason());
    }

    // The long field keeps more of the symbol; the short one must be what the writer makes of it.
    const QByteArrayView longSymbol = bytes.sliced(14 + kKyvShortText, kKyvLongText);
    qsizetype length = longSymbol.size();
    while (length > 0 && longSymbol[length - 1] == ' ')
        --length;
    BarFileContents contents;
    contents.series.Symbol = LocalText::Decode(longSymbol.first(length));
    if (longSymbol != QByteArrayView(FixedText(contents.series.Symbol, kKyvLongText)))
        return Failed(QStringLiteral("symbol is not text as Quorbex writes it"));
    if (bytes.sliced(14, kKyvShortText) != QByteArrayView(FixedText(contents.series.Symbol, kKyvShortText)))
        return Failed(QStringLiteral("short symbol does not match the symbol"));

    const double startDate = std::bit_cast<double>(LittleEndianAt<quint64>(bytes, kKyvHeader - 8));
    if (!IsStartDate(startDate))
        return Failed(QStringLiteral("start date is not 1 January of a year from 100 to 9999"));
    contents.startDate = startDate;
    if ((bytes.size() - kKyvHeader) % kRecord != 0)
        return Failed(QStringLiteral("file ends inside a bar"));
    const qsizetype bars = (bytes.size() - kKyvHeader) / kRecord;
    if (bars > std::numeric_limits<int>::max() - 1)
        return Failed(QStringLiteral("too many bars"));
    return WithBars(bytes, kKyvHeader, int(bars), std::move(contents), anyDateOrder);
}

} // namespace

BarFileContents ReadBinData(QByteArrayView bytes)
{
    return ReadBin(bytes, false);
}

BarFileContents ReadKyvData(QByteArrayView bytes)
{
    return ReadKyv(bytes, false);
}

BarFileContents ReadBarFile(const QString &path, bool anyDateOrder)
{
    const QString suffix = QFileInfo(path).suffix();
    const bool bin = suffix.compare(QStringLiteral("bin"), Qt::CaseInsensitive) == 0;
    if (!bin && suffix.compare(QStringLiteral("kyv"), Qt::CaseInsensitive) != 0)
        return Failed(QStringLiteral("not a .bin or .kyv file name"));
    QByteArray bytes;
    QString error;
    switch (ReadRegularFile(path, &bytes, &error)) {
    case ReadResult::Read:
        break;
    case ReadResult::Missing:
        return Failed(QStringLiteral("file not found"));
    case ReadResult::Failed:
        return Failed(error);
    }
    return bin ? ReadBin(bytes, anyDateOrder) : ReadKyv(bytes, anyDateOrder);
}
