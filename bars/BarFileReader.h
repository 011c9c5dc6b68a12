#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The readers of the two formats of BarFileWriter.h. They accept only bytes the writers produce
// from a series of whole-day dates in ascending order, so a file that reads writes back byte for
// byte: a .bin with BinFileBytes, a .kyv with KyvFileBytes and the year of startDate.
struct BarFileContents
{
    BarSeries series;                // prepared for its bars; Symbol: for .kyv the 40-byte one without its
                                     // fill spaces, empty for .bin
    std::optional<double> startDate; // .kyv: the header's start date, 1 January of a year; empty for .bin
    QString error;                   // one line saying why the bytes are not such a file; empty when they are

    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

[[nodiscard]] BarFileContents ReadBinData(QByteArrayView bytes);
[[nodiscard]] BarFileContents ReadKyvData(QByteArrayView bytes);

// Reads the file at `path` (ReadRegularFile) as .bin or .kyv by its extension, in any case.
// `anyDateOrder` also takes dates out of order, as another program may have written them, for a
// reader that only looks at the bars.
[[nodiscard]] BarFileContents ReadBarFile(const QString &path, bool anyDateOrder = false);
