#include "BarFileWriter.h"
#include "FuzzSupport.h"

#include <QtEndian>

// Input: the bar records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray records;
    const BarSeries series = SeriesFrom(data, size, QStringLiteral("IBM"), records);
    const QByteArray file = BinFileBytes(series);
    constexpr qsizetype kHeader = 16 + 8 + 8 + 8 + 7 + 9 + 10;
    FUZZ_CHECK(file.size() == kHeader + 28 * series.BarCount);
    FUZZ_CHECK(file.startsWith(QByteArray::fromHex("7A008BFCFA210940")));
    FUZZ_CHECK(qFromLittleEndian<qint32>(file.constData() + 8) == series.BarCount + 1);
    FUZZ_CHECK(qFromLittleEndian<qint32>(file.constData() + 12) == 6);
    FUZZ_CHECK(file.mid(16, 8) == QByteArray::fromHex("0800040044617465")); // "Date"
    FUZZ_CHECK(file.mid(kHeader) == records);
    return 0;
}
