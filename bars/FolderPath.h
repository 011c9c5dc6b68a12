#pragma once

#include <QChar>
#include <QString>

// Folders are shown and stored with the platform's own separator.
namespace FolderPath {

[[nodiscard]] constexpr QChar Separator()
{
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

// `folder` with one separator at its end (an empty folder stays empty).
[[nodiscard]] QString WithTrailingSeparator(const QString &folder);

} // namespace FolderPath
