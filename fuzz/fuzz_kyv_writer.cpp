#include "BarFileWriter.h"
#include "FuzzSupport.h"

#include <QDate>
#include <QtEndian>

// `width` bytes of `text`, cut where a character ends (at most three bytes early) and space-filled.
static bool FixedText(const QByteArray &field, const QByteArray &text, qsizetype width)
{
    if (text.size() <= width)
        return field == text + QByteArray(width - text.size(), ' ');
    for (qsizetype cut = width; cut >= width - 3; --cut) {
        if (field == text.left(cut) + QByteArray(width - cut, ' '))
            return true;
    }
    return false;
}

// Input: the start year (2 bytes), the symbol's length in bytes (1 byte), the symbol in UTF-8, then
// the bar records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const int startyear = qFromLittleEndian<qint16>(data);
    const size_t length = std::min<size_t>(data[2], size - 3);
    const QString symbol = QString::fromUtf8(reinterpret_cast<const char *>(data + 3), qsizetype(length));
    const size_t used = 3 + length;
    QByteArray records;
    const BarSeries series = SeriesFrom(data + used, size - used, symbol, records);

    const QByteArray file = KyvFileBytes(series, startyear);
    if (startyear < 100 || startyear > 9999) {
        FUZZ_CHECK(file.isEmpty());
        return 0;
    }
    constexpr qsizetype kHeader = 10 + 4 + 10 + 40 + 2 + 6 * 40 + 8;
    FUZZ_CHECK(file.size() == kHeader + 28 * series.BarCount);
    FUZZ_CHECK(file.startsWith(QByteArray("KYV FORMAT") + QByteArray::fromHex("00004040")));
    const QByteArray name = symbol.toLocal8Bit();
    FUZZ_CHECK(FixedText(file.mid(14, 10), name, 10) && FixedText(file.mid(24, 40), name, 40));
    FUZZ_CHECK(file.mid(64, 2 + 40) == QByteArray::fromHex("0600") + "Date" + QByteArray(36, ' '));
    const double start = double(QDate(startyear, 1, 1).toJulianDay() - QDate(1899, 12, 30).toJulianDay());
    FUZZ_CHECK(qFromLittleEndian<double>(file.constData() + kHeader - 8) == start);
    FUZZ_CHECK(file.mid(kHeader) == records);
    return 0;
}
