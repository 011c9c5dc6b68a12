#pragma once

#include "SymbolListModel.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// What the Details column says of each symbol's file in `folder` before any download of it:
// "on disk: 6,988 bars, 3 Jan 2000 - 6 Dec 2026", "on disk, 4 days behind" (behind the newest last
// bar among the listed files), "no file" or "unreadable file: <why>". One state per symbol, in order.
[[nodiscard]] QList<OnDiskState> FilesOnDisk(const QStringList &symbols, const QString &folder,
                                             int fileFormat, const QLocale &locale = QLocale());
