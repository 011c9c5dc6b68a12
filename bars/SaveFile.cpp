#include "SaveFile.h"

#include <QSaveFile>

bool SaveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not notice a buffered write that fails while it flushes, and would then
    // replace the old file with a cut-short one: flush first.
    if (!write(file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SaveFileAtomically(const QString &path, const QByteArray &bytes)
{
    return SaveFileAtomically(path,
                              [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); });
}

QString TrimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}
