#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Invariants broken by a fault abort, so the fuzzer keeps the input and the replay test fails.
#define FUZZ_CHECK(condition) ((condition) ? void() : FuzzFail(#condition, __FILE__, __LINE__))

[[noreturn]] inline void FuzzFail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

// Splits at CR LF, a lone CR or, when `lf` is set, a lone LF; a last line without an end counts.
inline QByteArrayList ByteLines(const QByteArray &bytes, bool lf)
{
    QByteArrayList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && !(lf && bytes[i] == '\n'))
            continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

static_assert(std::endian::native == std::endian::little, "records are copied as they lie in memory");

// A series of whole records taken from `data` (a little-endian date double and five floats each);
// `records` receives the bytes the writers must reproduce.
inline BarSeries SeriesFrom(const uint8_t *data, size_t size, const QString &symbol, QByteArray &records)
{
    constexpr size_t kRecord = 28;
    BarSeries series;
    series.Symbol = symbol;
    series.Prepare(int(size / kRecord));
    for (int bar = 1; bar <= series.BarCount; ++bar) {
        const uint8_t *at = data + size_t(bar - 1) * kRecord;
        std::memcpy(&series.dates[size_t(bar - 1)], at, sizeof(double));
        std::memcpy(series.values[size_t(bar - 1)].data(), at + sizeof(double), kRecord - sizeof(double));
    }
    records = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size / kRecord * kRecord));
    return series;
}
