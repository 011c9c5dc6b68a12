#include "SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString kNotARegularFile = QStringLiteral("not a regular file");
const QString kNameTooLong = QStringLiteral("file name too long");

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// Longer than a name in its folder may be. The system would say so only in its own words and
// language, and QSaveFile's temporary name can fail before the real one would.
bool NameTooLong(const QString &path)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    const long limit = ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    return limit > 0 && QFile::encodeName(info.fileName()).size() > limit;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// Qt words a write that the system refused (a full disk, a file too large) only as its generic
// "Unknown error"; the system's own reason, still in errno, says more.
QString Reason(const QFileDevice &file, int systemError)
{
    if (systemError == ENAMETOOLONG)
        return kNameTooLong;
    const QString reason = file.errorString();
    if (systemError != 0 && (reason.isEmpty() || reason == QFile().errorString()))
        return qt_error_string(systemError);
    return reason;
}

} // namespace

bool SaveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write, QString *error)
{
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile())
        return Fail(error, kNotARegularFile);
    if (NameTooLong(path))
        return Fail(error, kNameTooLong);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return Fail(error, Reason(file, errno));
    // commit() does not notice a buffered write that fails while it flushes, and would then
    // replace the old file with a cut-short one: flush first.
    errno = 0;
    if (!write(file) || !file.flush()) {
        const QString reason = Reason(file, errno);
        file.cancelWriting();
        return Fail(error, reason);
    }
    errno = 0;
    return file.commit() || Fail(error, Reason(file, errno));
}

bool SaveFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    return SaveFileAtomically(
        path, [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); }, error);
}

ReadResult ReadRegularFile(const QString &path, QByteArray *bytes, QString *error)
{
    bytes->clear();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return ReadResult::Missing;
    if (!info.isFile()) {
        Fail(error, kNotARegularFile);
        return ReadResult::Failed;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(error, file.errorString());
        return ReadResult::Failed;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Fail(error, file.errorString());
        return ReadResult::Failed;
    }
    return ReadResult::Read;
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
