#include "BarFileWriter.h"

#include "DateValue.h"
#include "FolderPath.h"
#include "LocalText.h"
#include "SaveFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <functional>
#include <limits>
#include <optional>

namespace {

constexpr double kBinSignature = 3.141592;
constexpr quint16 kTextTag = 8;
constexpr float kKyvVersion = 3.0F;
constexpr qsizetype kKyvShortText = 10;
constexpr qsizetype kKyvLongText = 40;
constexpr qsizetype kChunkBytes = 56 * 1024;

template <typename T> void AppendLittleEndian(QByteArray &out, T value)
{
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), qsizetype(sizeof le));
}

template <typename T> char *PutLittleEndian(char *at, T value)
{
    qToLittleEndian(value, at);
    return at + sizeof value;
}

// `text` cut or space-filled to exactly `width` bytes.
void AppendFixedText(QByteArray &out, const QString &text, qsizetype width)
{
    const QByteArray bytes = LocalText::EncodePrefix(text, width);
    out.append(bytes);
    out.append(width - bytes.size(), ' ');
}

[[nodiscard]] QString FieldName(const BarSeries &series, int field)
{
    return series.FieldNames.value(field - 1);
}

[[nodiscard]] int ValueColumns(const BarSeries &series)
{
    return series.FieldCount > 1 ? series.FieldCount - 1 : 0;
}

[[nodiscard]] int WrittenBars(const BarSeries &series)
{
    const auto held = qsizetype(std::min(series.dates.size(), series.values.size()));
    return int(std::clamp<qsizetype>(series.BarCount, 0, held));
}

[[nodiscard]] bool WriteAll(QIODevice &device, const char *data, qsizetype size)
{
    return device.write(data, size) == size;
}

// Bar records are most of a file, so they go out in chunks rather than as one large buffer.
[[nodiscard]] bool WriteBars(QIODevice &device, const BarSeries &series)
{
    const int columns = ValueColumns(series);
    const int bars = WrittenBars(series);
    const qsizetype record = qsizetype(sizeof(double)) + qsizetype(sizeof(float)) * columns;
    const int perChunk = int(std::clamp<qsizetype>(kChunkBytes / record, 1, std::max(bars, 1)));
    QByteArray chunk(record * perChunk, Qt::Uninitialized);
    for (int first = 1; first <= bars; first += perChunk) {
        const int last = std::min(bars, first + perChunk - 1);
        char *at = chunk.data();
        for (int bar = first; bar <= last; ++bar) {
            at = PutLittleEndian(at, std::bit_cast<quint64>(series.BarDate(bar)));
            for (int column = 1; column <= columns; ++column) {
                const float value = column <= BarSeries::kValueColumns ? series.BarValue(bar, column) : 0.0F;
                at = PutLittleEndian(at, std::bit_cast<quint32>(value));
            }
        }
        if (!WriteAll(device, chunk.constData(), at - chunk.constData()))
            return false;
    }
    return true;
}

[[nodiscard]] QByteArray ToBytes(const std::function<bool(QIODevice &)> &write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !write(buffer))
        return {};
    return bytes;
}

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The file path inside `folder`, creating the folder's last level if it is missing.
[[nodiscard]] std::optional<QString> PrepareFolder(const QString &folder, const QString &fname,
                                                   QString *error)
{
    // A name that could leave the folder is refused here too, whoever formed it.
    if (!FolderPath::IsPlainFileName(fname)) {
        Fail(error, QStringLiteral("file name cannot be used"));
        return std::nullopt;
    }
    if (folder.isEmpty() || (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))) {
        Fail(error, QStringLiteral("folder cannot be created"));
        return std::nullopt;
    }
    return FolderPath::WithTrailingSeparator(folder) + fname;
}

} // namespace

bool WriteBinData(const BarSeries &series, QIODevice &device)
{
    QByteArray header;
    AppendLittleEndian(header, std::bit_cast<quint64>(kBinSignature));
    AppendLittleEndian(header, qint32(series.RowCount));
    AppendLittleEndian(header, qint32(series.FieldCount));
    for (int field = 1; field <= series.FieldCount; ++field) {
        const QByteArray name =
            LocalText::EncodePrefix(FieldName(series, field), std::numeric_limits<quint16>::max());
        AppendLittleEndian(header, kTextTag);
        AppendLittleEndian(header, quint16(name.size()));
        header.append(name);
    }
    return WriteAll(device, header.constData(), header.size()) && WriteBars(device, series);
}

bool WriteKyvData(const BarSeries &series, int startyear, QIODevice &device)
{
    const std::optional<double> startDate = DateValue::CalendarDate(startyear, 1, 1);
    if (!startDate)
        return false;
    QByteArray header;
    AppendFixedText(header, QStringLiteral("KYV FORMAT"), kKyvShortText);
    AppendLittleEndian(header, std::bit_cast<quint32>(kKyvVersion));
    AppendFixedText(header, series.Symbol, kKyvShortText);
    AppendFixedText(header, series.Symbol, kKyvLongText);
    AppendLittleEndian(header, qint16(series.FieldCount));
    for (int field = 1; field <= series.FieldCount; ++field)
        AppendFixedText(header, FieldName(series, field), kKyvLongText);
    AppendLittleEndian(header, std::bit_cast<quint64>(*startDate));
    return WriteAll(device, header.constData(), header.size()) && WriteBars(device, series);
}

QByteArray BinFileBytes(const BarSeries &series)
{
    return ToBytes([&series](QIODevice &device) { return WriteBinData(series, device); });
}

QByteArray KyvFileBytes(const BarSeries &series, int startyear)
{
    return ToBytes(
        [&series, startyear](QIODevice &device) { return WriteKyvData(series, startyear, device); });
}

bool WriteBinFile(const BarSeries &series, const QString &folder, const QString &fname, QString *error)
{
    const std::optional<QString> path = PrepareFolder(folder, fname, error);
    return path && SaveFileAtomically(
                       *path, [&series](QIODevice &device) { return WriteBinData(series, device); }, error);
}

bool WriteKyvFile(const BarSeries &series, const QString &folder, const QString &fname, int startyear,
                  QString *error)
{
    const std::optional<QString> path = PrepareFolder(folder, fname, error);
    if (!path)
        return false;
    if (WrittenBars(series) == 0) {
        const QFileInfo old(*path);
        if (!old.exists() && !old.isSymLink())
            return true;
        QFile file(*path);
        return file.remove() || Fail(error, file.errorString());
    }
    if (!DateValue::CalendarDate(startyear, 1, 1))
        return Fail(error, QStringLiteral("start year has no date"));
    return SaveFileAtomically(
        *path, [&series, startyear](QIODevice &device) { return WriteKyvData(series, startyear, device); },
        error);
}
