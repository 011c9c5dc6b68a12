#include "FolderPath.h"

#include <QRegularExpression>

#include <algorithm>

namespace FolderPath {

QString WithTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(Separator()))
        return folder;
    return folder + Separator();
}

bool IsPlainFileName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
#ifdef Q_OS_WIN
    // Windows takes these as devices whatever the folder and the extension.
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9]) *(\\..*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        return false;
#endif
    return std::none_of(name.cbegin(), name.cend(), IsUnsafeInFileName);
}

} // namespace FolderPath
