#include "BarFileGlance.h"

#include "BarFileReader.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The first `head` bytes of the file and its last `tail` bytes when they lie beyond them, with its size.
struct FileEnds
{
    bool missing = false;
    QString error;
    qint64 size = 0;
    QByteArray bytes;
};

FileEnds ReadEnds(const QString &path, qint64 head, qint64 tail)
{
    FileEnds ends;
#ifdef Q_OS_UNIX
    // One open and one status for each of thousands of files. Not blocking, as a FIFO or a device would.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        ends.missing = errno == ENOENT;
        ends.error = ends.missing ? QString() : qt_error_string(errno);
        return ends;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ends.error = QStringLiteral("not a regular file");
        ::close(fd);
        return ends;
    }
    ends.size = status.st_size;
    const qint64 first = std::min(head, ends.size);
    const bool last = ends.size - tail >= head;
    ends.bytes.resize(first + (last ? tail : 0));
    const bool read =
        ::pread(fd, ends.bytes.data(), std::size_t(first), 0) == first &&
        (!last || ::pread(fd, ends.bytes.data() + first, std::size_t(tail), ends.size - tail) == tail);
    if (!read)
        ends.error = qt_error_string(errno);
    ::close(fd);
#else
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        ends.missing = true;
        return ends;
    }
    if (!info.isFile()) {
        ends.error = QStringLiteral("not a regular file");
        return ends;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ends.error = file.errorString();
        return ends;
    }
    ends.size = file.size();
    ends.bytes = file.read(head);
    if (ends.size - tail >= head && file.seek(ends.size - tail))
        ends.bytes += file.read(tail);
    if (file.error() != QFileDevice::NoError)
        ends.error = file.errorString();
#endif
    return ends;
}

} // namespace

BarFileGlance GlanceAtBarFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    const bool bin = suffix.compare(QStringLiteral("bin"), Qt::CaseInsensitive) == 0;
    if (!bin && suffix.compare(QStringLiteral("kyv"), Qt::CaseInsensitive) != 0)
        return Failed(QStringLiteral("not a .bin or .kyv file name"));
    const qint64 header = bin ? kBinHeader : kKyvHeader;
    FileEnds ends = ReadEnds(path, header + kRecord, kRecord);
    if (ends.missing) {
        BarFileGlance glance;
        glance.missing = true;
        return glance;
    }
    if (!ends.error.isEmpty())
        return Failed(ends.error);
    const qint64 size = ends.size;
    QByteArray &bytes = ends.bytes;
    const qint64 bars = size > header ? (size - header) / kRecord : 0;
    if (size > header && (size - header) % kRecord != 0)
        return Failed(QStringLiteral("file ends inside a bar"));

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
