#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Replaces the file at `path` only once every byte has reached the disk, so a failure at any
// point leaves an older file exactly as it was. Something other than a regular file at `path`
// (a folder, a FIFO, a device) is never replaced. False when anything failed, with a short
// reason in `error` when it is given.
[[nodiscard]] bool SaveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                      QString *error = nullptr);
[[nodiscard]] bool SaveFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

enum class ReadResult {
    Read,
    Missing,
    Failed, // not a regular file, or it could not be opened or read through
};

// Reads the whole file at `path`. Only a regular file is opened, so a FIFO in its place
// cannot block the program. On Failed, `bytes` holds what was read before the failure and
// `error` (when given) the reason.
[[nodiscard]] ReadResult ReadRegularFile(const QString &path, QByteArray *bytes, QString *error = nullptr);

// `text` without the spaces at its ends; tabs and other white space stay, as the program's
// text files have always treated them.
[[nodiscard]] QString TrimSpaces(const QString &text);
