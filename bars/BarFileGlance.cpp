#include "BarFileGlance.h"

#include "BarFileReader.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <limits>

namespace {

// Headers of the six standard columns, the only ones the readers accept.
constexpr qint64 kBinHeader = 66;
constexpr qint64 kKyvHeader = 314;
constexpr qint64 kRecord = 28;

BarFileGlance Failed(const QString &reason)
{
    BarFileGlance glance;
    glance.error = reason;
    return glance;
}

} // namespace

BarFileGlance GlanceAtBarFile(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const bool bin = suffix.compare(QStringLiteral("bin"), Qt::CaseInsensitive) == 0;
    if (!bin && suffix.compare(QStringLiteral("kyv"), Qt::CaseInsensitive) != 0)
        return Failed(QStringLiteral("not a .bin or .kyv file name"));
    if (!info.exists() && !info.isSymLink()) {
        BarFileGlance glance;
        glance.missing = true;
        return glance;
    }
    // Opening a FIFO or a device could block, and reading one could never end.
    if (!info.isFile())
        return Failed(QStringLiteral("not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(file.errorString());
    const qint64 header = bin ? kBinHeader : kKyvHeader;
    const qint64 size = file.size();
    QByteArray bytes = file.read(header + kRecord);
    const qint64 bars = size > header ? (size - header) / kRecord : 0;
    if (bars > 1 && (size - header) % kRecord == 0 && file.seek(size - kRecord))
        bytes += file.read(kRecord);
    if (file.error() != QFileDevice::NoError)
        return Failed(file.errorString());

    if (bin && bytes.size() >= 12) {
        // The records between are not read, so their count is checked against the header here and the
        // header made to speak of the records that were.
        const qint64 rows = qFromLittleEndian<qint32>(bytes.constData() + 8);
        if (rows >= 1 && size == header + (rows - 1) * kRecord)
            qToLittleEndian<qint32>(qint32(std::min<qint64>(bars, 2) + 1), bytes.data() + 8);
        else if (size >= header && rows >= 1)
            return Failed(QStringLiteral("size does not fit the header"));
    }
    const BarFileContents contents = bin ? ReadBinData(bytes) : ReadKyvData(bytes);
    if (!contents.ok())
        return Failed(contents.error);
    if (size > header && (size - header) % kRecord != 0)
        return Failed(QStringLiteral("file ends inside a bar"));
    if (bars > std::numeric_limits<int>::max() - 1)
        return Failed(QStringLiteral("too many bars"));
    BarFileGlance glance;
    glance.bars = int(bars);
    if (contents.series.BarCount > 0) {
        glance.firstDate = contents.series.BarDate(1);
        glance.lastDate = contents.series.BarDate(contents.series.BarCount);
    }
    return glance;
}
