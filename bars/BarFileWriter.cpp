#include "BarFileWriter.h"

#include "DateValue.h"
#include "FolderPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>

namespace {

constexpr double kBinSignature = 3.141592;
constexpr quint16 kTextTag = 8;
constexpr float kKyvVersion = 3.0F;
constexpr qsizetype kKyvShortText = 10;
constexpr qsizetype kKyvLongText = 40;

template <typename T> void AppendLittleEndian(QByteArray &out, T value)
{
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), qsizetype(sizeof le));
}

void AppendDouble(QByteArray &out, double value)
{
    AppendLittleEndian(out, std::bit_cast<quint64>(value));
}

void AppendFloat(QByteArray &out, float value)
{
    AppendLittleEndian(out, std::bit_cast<quint32>(value));
}

// `text` cut or space-filled to exactly `width` bytes.
void AppendFixedText(QByteArray &out, const QString &text, qsizetype width)
{
    const QByteArray bytes = text.toLocal8Bit().left(width);
    out.append(bytes);
    out.append(width - bytes.size(), ' ');
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

[[nodiscard]] qsizetype RecordBytes(const BarSeries &series)
{
    return qsizetype(sizeof(double)) + qsizetype(sizeof(float)) * ValueColumns(series);
}

void AppendBars(QByteArray &out, const BarSeries &series)
{
    const int columns = ValueColumns(series);
    const int bars = WrittenBars(series);
    for (int bar = 1; bar <= bars; ++bar) {
        AppendDouble(out, series.BarDate(bar));
        for (int column = 1; column <= columns; ++column)
            AppendFloat(out, column <= BarSeries::kValueColumns ? series.BarValue(bar, column) : 0.0F);
    }
}

[[nodiscard]] QString FieldName(const BarSeries &series, int field)
{
    return series.FieldNames.value(field - 1);
}

// The file path inside `folder`, creating the folder's last level if it is missing.
[[nodiscard]] bool PrepareFolder(const QString &folder, const QString &fname, QString &path)
{
    if (folder.isEmpty() || fname.isEmpty())
        return false;
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))
        return false;
    path = FolderPath::WithTrailingSeparator(folder) + fname;
    return true;
}

// Replaces the file at `path` with `bytes` through a temporary file, so that a failure
// at any point leaves an older file untouched rather than truncated.
[[nodiscard]] bool ReplaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting(); // the unfinished temporary file is discarded
        return false;
    }
    return file.commit();
}

} // namespace

QByteArray BinFileBytes(const BarSeries &series)
{
    QByteArray out;
    out.reserve(16 + 64 + RecordBytes(series) * WrittenBars(series));
    AppendDouble(out, kBinSignature);
    AppendLittleEndian(out, qint32(series.RowCount));
    AppendLittleEndian(out, qint32(series.FieldCount));
    for (int field = 1; field <= series.FieldCount; ++field) {
        const QByteArray name =
            FieldName(series, field).toLocal8Bit().left(std::numeric_limits<quint16>::max());
        AppendLittleEndian(out, kTextTag);
        AppendLittleEndian(out, quint16(name.size()));
        out.append(name);
    }
    AppendBars(out, series);
    return out;
}

QByteArray KyvFileBytes(const BarSeries &series, int startyear)
{
    const std::optional<double> startDate = DateValue::CalendarDate(startyear, 1, 1);
    if (!startDate)
        return {};
    const int fields = std::max(series.FieldCount, 0);
    QByteArray out;
    out.reserve(66 + kKyvLongText * fields + 8 + RecordBytes(series) * WrittenBars(series));
    AppendFixedText(out, QStringLiteral("KYV FORMAT"), kKyvShortText);
    AppendFloat(out, kKyvVersion);
    AppendFixedText(out, series.Symbol, kKyvShortText);
    AppendFixedText(out, series.Symbol, kKyvLongText);
    AppendLittleEndian(out, qint16(series.FieldCount));
    for (int field = 1; field <= fields; ++field)
        AppendFixedText(out, FieldName(series, field), kKyvLongText);
    AppendDouble(out, *startDate);
    AppendBars(out, series);
    return out;
}

bool WriteBinFile(const BarSeries &series, const QString &folder, const QString &fname)
{
    QString path;
    if (!PrepareFolder(folder, fname, path))
        return false;
    return ReplaceFile(path, BinFileBytes(series));
}

bool WriteKyvFile(const BarSeries &series, const QString &folder, const QString &fname, int startyear)
{
    QString path;
    if (!PrepareFolder(folder, fname, path))
        return false;
    if (WrittenBars(series) == 0) {
        const QFileInfo old(path);
        if (old.exists() || old.isSymLink())
            return QFile::remove(path);
        return true;
    }
    const QByteArray bytes = KyvFileBytes(series, startyear);
    if (bytes.isEmpty())
        return false;
    return ReplaceFile(path, bytes);
}
