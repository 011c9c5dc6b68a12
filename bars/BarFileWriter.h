#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The two bar file formats. Both are little-endian IEEE 754 with no padding; every bar is
// its date as a double followed by FieldCount - 1 floats. Texts are written in the local
// 8-bit encoding (LocalText) and measured in bytes.

// Writes the .bin form of `series` to `device`: signature, RowCount, FieldCount, one tagged
// name entry per column, then the bars. An empty series gives the header alone. False as
// soon as the device takes fewer bytes than offered.
[[nodiscard]] bool WriteBinData(const BarSeries &series, QIODevice &device);

// Writes the .kyv form of `series` to `device`: fixed-width space-filled texts, the column
// names and 1 January of `startyear` as the start date, then the bars. False, with nothing
// written, when `startyear` has no date value (outside 100..9999), and false as soon as the
// device takes fewer bytes than offered.
[[nodiscard]] bool WriteKyvData(const BarSeries &series, int startyear, QIODevice &device);

// The whole file in memory; empty when the data cannot be produced.
[[nodiscard]] QByteArray BinFileBytes(const BarSeries &series);
[[nodiscard]] QByteArray KyvFileBytes(const BarSeries &series, int startyear);

// Write `series` as `fname` in `folder` (with or without a trailing separator). A missing
// last level of `folder` is created; its parent must exist. The file is replaced as a
// whole or not at all: on any failure an older file is left exactly as it was. False when
// `fname` is not a plain file name (FolderPath::IsPlainFileName), the folder is empty or
// cannot be created, or the file cannot be written; `error`, when given, then gets a short
// reason such as "file name cannot be used" or "folder cannot be created".
[[nodiscard]] bool WriteBinFile(const BarSeries &series, const QString &folder, const QString &fname,
                                QString *error = nullptr);

// As WriteBinFile. A series without bars writes no file and removes an older one of that
// name; then the result says whether nothing is left at the path.
[[nodiscard]] bool WriteKyvFile(const BarSeries &series, const QString &folder, const QString &fname,
                                int startyear, QString *error = nullptr);
