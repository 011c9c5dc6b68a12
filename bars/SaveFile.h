#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Replaces the file at `path` only once every byte has reached the disk, so a failure at any
// point leaves an older file exactly as it was. False when anything failed.
[[nodiscard]] bool SaveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write);
[[nodiscard]] bool SaveFileAtomically(const QString &path, const QByteArray &bytes);

// `text` without the spaces at its ends; tabs and other white space stay, as the program's
// text files have always treated them.
[[nodiscard]] QString TrimSpaces(const QString &text);
