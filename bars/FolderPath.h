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

// "/", "\" and the control characters (U+0000 to U+001F, U+007F): a file name holding one could
// reach outside its folder or be cut short.
[[nodiscard]] constexpr bool IsUnsafeInFileName(QChar c)
{
    return c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Whether `name` names an entry of the folder it is joined to and nothing else: not empty,
// not "." or "..", no character unsafe in a file name, and on Windows no device name such as
// NUL or COM1.
[[nodiscard]] bool IsPlainFileName(const QString &name);

} // namespace FolderPath
