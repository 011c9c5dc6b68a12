#include "ShowFile.h"

#include "BarFileReader.h"
#include "LocalText.h"

#include <cstdio>

namespace {

int Fail(const QString &path, const QString &reason)
{
    const QByteArray line = LocalText::Encode(QStringLiteral("quorbex: %1: %2\n").arg(path, reason));
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    return 2;
}

} // namespace

int ShowBarFile(const QString &path)
{
    const BarFileContents contents = ReadBarFile(path);
    if (!contents.ok())
        return Fail(path, contents.error);
    const QByteArray csv = BarSeriesCsv(contents.series);
    // A closed pipe or a full disk must not pass for a complete listing.
    if (std::fwrite(csv.constData(), 1, std::size_t(csv.size()), stdout) != std::size_t(csv.size()) ||
        std::fflush(stdout) != 0)
        return Fail(path, QStringLiteral("output cannot be written"));
    return 0;
}
